#version 330 core

in vec3 viewNormal;

out vec4 fragColor;

void main() {
    fragColor = vec4(normalize(viewNormal) * 0.5 + 0.5, 1.0);
}
