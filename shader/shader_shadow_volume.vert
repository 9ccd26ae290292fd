#version 330 core
// Shadow volumes are built in world space, where the light is.

layout(location = 0) in vec3 position;

uniform mat4 M_mat;

out VS_OUT {
    vec3 worldPosition;
} vs_out;

void main() {
    vs_out.worldPosition = (M_mat * vec4(position, 1.0)).xyz;
}
