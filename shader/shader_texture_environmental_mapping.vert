#version 330 core
// The parked car: reflections of the sky in world space, with the car's
// materials carried in its texture coordinates.

layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec3 normal;

uniform mat4 M_mat;
uniform mat4 view;
uniform mat4 projection;

out VS_OUT {
    vec3 worldPosition;
    vec3 worldNormal;
    vec2 texCoord;
} vs_out;

void main() {
    vec4 world = M_mat * vec4(position, 1.0);
    vs_out.worldPosition = world.xyz;
    vs_out.worldNormal = transpose(inverse(mat3(M_mat))) * normal;
    vs_out.texCoord = texCoord;
    gl_Position = projection * view * world;
}
