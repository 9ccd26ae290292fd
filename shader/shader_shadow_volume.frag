#version 330 core
// The volumes only count into the stencil buffer; colour writes are off.

out vec4 fragColor;

void main() {
    fragColor = vec4(0.0);
}
