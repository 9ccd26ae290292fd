#version 330 core
// The parked car under the dusk sky, which is all that lights it: lacquered
// paint over a deep red with the sky mirrored in its clear coat, darker and
// glossier glass, dull rubber tyres, bright metal rims and trim, and lamp
// lenses. Each surface reflects the cube map about its normal as seen from
// the eye, more strongly towards grazing angles (Schlick's Fresnel term).

in VS_OUT {
    vec3 worldPosition;
    vec3 worldNormal;
    vec2 texCoord;
} fs_in;

uniform samplerCube skybox;
uniform vec3 cameraPos;

out vec4 fragColor;

// Materials carried in the texture coordinates (see shader_texture_2.frag).
const float kMaterialStride = 1024.0;
const float kGlass = 1.0;
const float kRubber = 2.0;
const float kBrightMetal = 3.0;
const float kHeadLamp = 4.0;
const float kTailLamp = 5.0;

// Haze: see shader_texture_2.frag.
const vec3 kFogColour = vec3(0.05, 0.055, 0.085);
const float kFogDistance = 350.0;

// The light the sky sheds on a surface from all round, which the one-level
// cube map cannot give by blurring: its zenith's blue from above, the
// horizon's from the side, the dark street below.
vec3 skyLight(vec3 n) {
    vec3 side = vec3(0.12, 0.12, 0.22);
    vec3 above = vec3(0.05, 0.08, 0.2);
    vec3 below = vec3(0.03, 0.03, 0.045);
    return n.y > 0.0 ? mix(side, above, n.y) : mix(side, below, -n.y);
}

// The share of haze before a point: see shader_texture_2.frag.
float haze(vec3 toPoint) {
    float x = dot(toPoint, toPoint) * (1.0 / (kFogDistance * kFogDistance));
    float x2 = x * x;
    return x2 / (1.0 + x2);
}

void main() {
    vec3 n = normalize(fs_in.worldNormal);
    vec3 incident = normalize(fs_in.worldPosition - cameraPos);
    vec3 reflected = reflect(incident, n);
    float facing = clamp(1.0 - dot(-incident, n), 0.0, 1.0);
    float grazing = pow(facing, 5.0);
    vec3 sky = texture(skybox, reflected).rgb;

    float material = floor(fs_in.texCoord.x / kMaterialStride + 0.5);
    // Per material: the colour under the coat, what it reflects straight on
    // (the Fresnel term rises from there to all at grazing), and how much of
    // that rise it shows (rubber is too rough to mirror anything).
    vec3 base = vec3(0.28, 0.02, 0.03);
    float reflectance = 0.05;
    float mirror = 1.0;
    if (material == kGlass) {
        base = vec3(0.006, 0.007, 0.01);
        reflectance = 0.08;
    } else if (material == kRubber) {
        base = vec3(0.03, 0.03, 0.032);
        reflectance = 0.02;
        mirror = 0.15;
    } else if (material == kBrightMetal) {
        base = vec3(0.0);
        reflectance = 0.75;
    } else if (material == kHeadLamp) {
        base = vec3(0.02);
        reflectance = 0.5;  // the reflector behind the clear lens
    } else if (material == kTailLamp) {
        base = vec3(0.25, 0.01, 0.01);
        reflectance = 0.06;
    }
    float fresnel = reflectance + (1.0 - reflectance) * grazing * mirror;
    vec3 colour = base * skyLight(n) * 3.0 * (1.0 - fresnel) + sky * fresnel;

    float fog = haze(fs_in.worldPosition - cameraPos);
    fragColor = vec4(mix(colour, kFogColour, fog), 1.0);
}
