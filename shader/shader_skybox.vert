#version 330 core
// The sky box; its corner positions double as the cube-map directions.

layout(location = 0) in vec3 position;

uniform mat4 view;
uniform mat4 projection;

out VS_OUT {
    vec3 direction;
} vs_out;

void main() {
    vs_out.direction = position;
    vec4 clip = projection * view * vec4(position, 1.0);
    // z = w puts the sky at depth 1.0, the cleared depth: with GL_LEQUAL it
    // fills exactly the pixels that no object covered, and never hides a
    // distant object behind its walls.
    gl_Position = clip.xyww;
}
