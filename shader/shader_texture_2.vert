#version 330 core
// Textured meshes lit per fragment by the four point lights, in view space.

layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec3 normal;

uniform mat4 M_mat;
uniform mat4 V_mat;
uniform mat4 P_mat;
uniform mat3 N_mat;
uniform vec4 light_position[4];
uniform float ambientIntensity;
uniform float diffuseIntensity;
uniform float specularIntensity;
uniform vec3 matSpecularReflectanceColor;
uniform float matShininess;

// Materials that the models carry in their texture coordinates: u is offset
// by kMaterialStride times the material's number, whole repeats of any
// texture, so a texture looks the same over every material. Lamp glass glows;
// the street's u is a place across it, which the fragments lay out in bands.
const float kMaterialStride = 1024.0;
const float kHeadLamp = 4.0;
const float kTailLamp = 5.0;
const float kLanternGlass = 6.0;
const float kStreet = 9.0;

out VS_OUT {
    vec3 viewPosition;
    vec3 viewNormal;
    vec2 texCoord;  // within the material's range, where floats are fine enough
    // Light the surface gives off itself: one material per face, so flat.
    flat vec3 emission;
    flat float street;
    flat vec3 viewLights[4];
    // The sky's up and the horizontal direction of the set sun.
    flat vec3 viewUp;
    flat vec3 viewGlow;
    // How high the lamps' lanterns (lights 1 and 2) hang above the eye.
    flat vec2 lanternHeights;
    // What depends on the draw alone is worked out here, once per vertex
    // rather than for every fragment: each light's colour times its w, the
    // scales of the three terms, and the shares below.
    flat mat4x3 lightColours;
    flat vec3 ambient;
    flat float diffuseScale;
    flat vec3 specularScale;
    // 1 in the base pass, 0 in the lighting pass, which only adds to what
    // the base pass drew: the terms that are not light come in with it.
    flat float ambientShare;
    // 1 where the sky is mirrored (see below); the highlights' shininess.
    flat float dampness;
    flat float shininess;
    // Lights 0 to 3, or none for an ambient-only draw.
    flat int lightCount;
    // How much of the sky's light reaches the surface.
    float skyInView;
} vs_out;

// Toward the glow low over the street's far end, as the sky box has it.
const vec3 kGlowDirection = vec3(0.41, 0.0, -0.912);

// The intensities are in hundredths: 60 diffuse from a light of w = 2 lights a
// surface 6 m below it to about the texture's own colour.
const float kIntensityUnit = 0.01;
// The blue hour's sky light: a dim, cool share of a surface's colour, so that
// a shadow reads as a dark shape inside a pool of light. It comes from above:
// a face turned up sees all of the sky, one turned down only the dark street's
// share of it.
const float kAmbientGain = 2.0;
const float kAmbientFromBelow = 0.3;
const vec3 kAmbientColour = vec3(0.55, 0.68, 1.0);
// Lights 0 and 3 ride over the cars, a cool white; 1 and 2 are the street
// lamps, warm sodium-tinted tungsten, brighter than their w alone makes them.
const mat4x3 kLightColours = mat4x3(vec3(0.86, 0.93, 1.0), vec3(3.0, 2.0, 1.05),
                                    vec3(3.0, 2.0, 1.05), vec3(0.86, 0.93, 1.0));
// The ambient intensity of every draw that does not only add light.
const float kBaseAmbient = 0.1;
const float kDampShininessShare = 1.0 / 3.0;

void main() {
    vec4 viewPosition = V_mat * (M_mat * vec4(position, 1.0));
    vs_out.viewPosition = viewPosition.xyz;
    vs_out.viewNormal = N_mat * normal;
    float material = floor(texCoord.x / kMaterialStride + 0.5);
    vs_out.texCoord = texCoord - vec2(material * kMaterialStride, 0.0);
    vs_out.street = material == kStreet ? 1.0 : 0.0;
    vs_out.emission = material == kLanternGlass ? vec3(1.0, 0.82, 0.55)
                    : material == kHeadLamp ? vec3(0.9, 0.95, 1.0)
                    : material == kTailLamp ? vec3(0.85, 0.06, 0.04)
                    : vec3(0.0);
    // The lights are the same for every fragment: move them once per vertex.
    for (int i = 0; i < 4; ++i) {
        vs_out.viewLights[i] = (V_mat * vec4(light_position[i].xyz, 1.0)).xyz;
    }
    vs_out.viewUp = mat3(V_mat) * vec3(0.0, 1.0, 0.0);
    vs_out.viewGlow = mat3(V_mat) * kGlowDirection;
    vs_out.lanternHeights = vec2(dot(vs_out.viewLights[1], vs_out.viewUp),
                                 dot(vs_out.viewLights[2], vs_out.viewUp));
    for (int i = 0; i < 4; ++i) {
        vs_out.lightColours[i] = light_position[i].w * kLightColours[i];
    }
    vs_out.ambient = ambientIntensity * kAmbientGain * kAmbientColour;
    vs_out.diffuseScale = diffuseIntensity * kIntensityUnit;
    vs_out.specularScale = specularIntensity * kIntensityUnit * matSpecularReflectanceColor;
    vs_out.ambientShare = ambientIntensity / kBaseAmbient;
    // The street and the cubes are damp; they take their direct light from
    // the lighting pass, so the base pass draws them with ambient alone, and
    // only then do they mirror the sky. The cars and the lamps are drawn lit
    // at once and keep their polish. What the lighting pass adds is a wide,
    // soft highlight of every light (a third of the shininess).
    vs_out.dampness = vs_out.ambientShare * (1.0 - sign(diffuseIntensity + specularIntensity));
    vs_out.shininess = matShininess * mix(kDampShininessShare, 1.0, vs_out.ambientShare);
    vs_out.lightCount = 4 * int(max(sign(diffuseIntensity), sign(specularIntensity)));
    vs_out.skyInView =
        mix(kAmbientFromBelow, 1.0, 0.5 + 0.5 * dot(normalize(vs_out.viewNormal), vs_out.viewUp));
    gl_Position = P_mat * viewPosition;
}
