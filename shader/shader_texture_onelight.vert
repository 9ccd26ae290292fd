#version 330 core
// Textured meshes lit by the first light alone, per vertex.

layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec3 normal;

uniform mat4 M_mat;
uniform mat4 V_mat;
uniform mat4 P_mat;
uniform mat3 N_mat;
uniform vec4 light_position[4];
uniform float ambientIntensity;

out vec2 uv;
out float brightness;

void main() {
    vec4 viewPosition = V_mat * M_mat * vec4(position, 1.0);
    vec3 toLight = (V_mat * vec4(light_position[0].xyz, 1.0)).xyz - viewPosition.xyz;
    float lambert = max(dot(normalize(N_mat * normal), normalize(toLight)), 0.0);
    brightness = ambientIntensity + lambert;
    uv = texCoord;
    gl_Position = P_mat * viewPosition;
}
