#version 330 core
// Shows the view-space normals as colours.

layout(location = 0) in vec3 position;
layout(location = 2) in vec3 normal;

uniform mat4 M_mat;
uniform mat4 V_mat;
uniform mat4 P_mat;
uniform mat3 N_mat;

out vec3 viewNormal;

void main() {
    viewNormal = N_mat * normal;
    gl_Position = P_mat * V_mat * M_mat * vec4(position, 1.0);
}
