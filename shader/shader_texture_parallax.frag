#version 330 core
// Parallax occlusion mapping with self-shadowing of the relief, normal mapping
// and Blinn-Phong light from the four point lights.

in VS_OUT {
    vec2 texCoord;
    vec3 tangentToEye;
    vec3 tangentToLight[4];
} fs_in;

uniform sampler2D material_texture;
uniform sampler2D height_texture;
uniform sampler2D normal_texture;
uniform float ambientIntensity;
uniform float diffuseIntensity;
uniform float specularIntensity;
uniform vec4 light_position[4];
uniform vec3 matSpecularReflectanceColor;
uniform float matShininess;
uniform int enableParallax;
uniform float parallaxScale;
uniform int enableShadow;

out vec4 fragColor;

// Lighting calibration: see shader_texture_2.frag. The walls get a third of
// the street's diffuse intensity, so their unit is larger.
const float kIntensityUnit = 0.03;
const float kAmbientGain = 3.0;
const float kHalfDistance = 14.0;
// How dark a relief shadow gets, and how soon (per unit of depth below the ray).
const float kShadowStrength = 0.85;
const float kShadowSharpness = 12.0;

// Texture derivatives taken once, outside the loops, where they are defined.
vec2 uvDx;
vec2 uvDy;

float depthAt(vec2 uv) {
    return 1.0 - textureGrad(height_texture, uv, uvDx, uvDy).r;
}

// The texture coordinate where the ray towards the eye first meets the height
// field: a layered search, then a linear refinement between the last two layers.
vec2 parallaxOcclusionTexCoord(vec2 uv, vec3 toEye, out float depth) {
    // More layers where the ray is long in texture space.
    const float kMinLayers = 8.0;
    const float kMaxLayers = 32.0;
    float layers = mix(kMaxLayers, kMinLayers, abs(toEye.z));
    float layerDepth = 1.0 / layers;
    // A grazing ray would otherwise run off across many bricks.
    vec2 shiftPerDepth = toEye.xy / max(toEye.z, 0.2) * parallaxScale;
    vec2 shiftPerLayer = shiftPerDepth * layerDepth;

    // Shift the coordinates along the view ray until the ray is below the surface.
    float rayDepth = 0.0;
    float surfaceDepth = depthAt(uv);
    for (int i = 0; i < int(kMaxLayers) && rayDepth < surfaceDepth; ++i) {
        uv -= shiftPerLayer;
        rayDepth += layerDepth;
        surfaceDepth = depthAt(uv);
    }

    // Interpolate between the layer above and the one below the surface.
    float below = surfaceDepth - rayDepth;
    float above = depthAt(uv + shiftPerLayer) - (rayDepth - layerDepth);
    float weight = below / (below - above);
    depth = mix(rayDepth, rayDepth - layerDepth, weight);
    return mix(uv, uv + shiftPerLayer, weight);
}

// Light that reaches a relief point from a light in tangent direction
// `toLight`: 1 when no bump stands between them, less the deeper the ray runs
// below the surface on its way up.
float reliefShadow(vec2 uv, float depth, vec3 toLight) {
    const int kSteps = 8;
    if (depth <= 0.0) {
        return 1.0;
    }
    float layerDepth = depth / float(kSteps);
    vec2 shiftPerLayer = toLight.xy / max(toLight.z, 0.2) * parallaxScale * layerDepth;
    float occlusion = 0.0;
    float rayDepth = depth;
    for (int i = 1; i < kSteps; ++i) {
        uv += shiftPerLayer;
        rayDepth -= layerDepth;
        float under = rayDepth - depthAt(uv);
        // Nearer bumps cast darker shadows.
        occlusion = max(occlusion, under * kShadowSharpness * (1.0 - float(i) / float(kSteps)));
    }
    return 1.0 - kShadowStrength * clamp(occlusion, 0.0, 1.0);
}

float falloff(float distance) {
    float d = distance / kHalfDistance;
    return 1.0 / (1.0 + d * d);
}

void main() {
    uvDx = dFdx(fs_in.texCoord);
    uvDy = dFdy(fs_in.texCoord);
    vec3 toEye = normalize(fs_in.tangentToEye);

    vec2 uv = fs_in.texCoord;
    float depth = 0.0;
    if (enableParallax != 0) {
        uv = parallaxOcclusionTexCoord(uv, toEye, depth);
    }

    vec3 albedo = textureGrad(material_texture, uv, uvDx, uvDy).rgb;
    vec3 n = normalize(textureGrad(normal_texture, uv, uvDx, uvDy).rgb * 2.0 - 1.0);

    vec3 diffuse = vec3(0.0);
    vec3 specular = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        float distance = length(fs_in.tangentToLight[i]);
        vec3 l = fs_in.tangentToLight[i] / distance;
        float lambert = dot(n, l);
        // Lights behind the wall or the bump light nothing here.
        if (lambert <= 0.0 || l.z <= 0.0) {
            continue;
        }
        float strength = light_position[i].w * falloff(distance);
        if (enableParallax != 0 && enableShadow != 0) {
            strength *= reliefShadow(uv, depth, l);
        }
        vec3 halfway = normalize(l + toEye);
        diffuse += vec3(strength * lambert);
        specular += strength * pow(max(dot(n, halfway), 0.0), matShininess) *
                    matSpecularReflectanceColor;
    }

    vec3 colour = albedo * (ambientIntensity * kAmbientGain +
                            diffuseIntensity * kIntensityUnit * diffuse) +
                  specularIntensity * kIntensityUnit * specular;
    fragColor = vec4(colour, 1.0);
}
