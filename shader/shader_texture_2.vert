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
} vs_out;

// Toward the glow low over the street's far end, as the sky box has it.
const vec3 kGlowDirection = vec3(0.41, 0.0, -0.912);

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
    gl_Position = P_mat * viewPosition;
}
