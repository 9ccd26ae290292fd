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

out VS_OUT {
    vec3 modelPosition;
    vec3 viewPosition;
    vec3 viewNormal;
    vec2 texCoord;
    flat vec3 viewLights[4];
} vs_out;

void main() {
    vec4 viewPosition = V_mat * (M_mat * vec4(position, 1.0));
    vs_out.modelPosition = position;
    vs_out.viewPosition = viewPosition.xyz;
    vs_out.viewNormal = N_mat * normal;
    vs_out.texCoord = texCoord;
    // The lights are the same for every fragment: move them once per vertex.
    for (int i = 0; i < 4; ++i) {
        vs_out.viewLights[i] = (V_mat * vec4(light_position[i].xyz, 1.0)).xyz;
    }
    gl_Position = P_mat * viewPosition;
}
