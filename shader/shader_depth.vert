#version 330 core
// Shows the distance from the eye as grey, white near and black far.

layout(location = 0) in vec3 position;

uniform mat4 M_mat;
uniform mat4 V_mat;
uniform mat4 P_mat;

out float eyeDepth;

void main() {
    vec4 viewPosition = V_mat * M_mat * vec4(position, 1.0);
    eyeDepth = -viewPosition.z;
    gl_Position = P_mat * viewPosition;
}
