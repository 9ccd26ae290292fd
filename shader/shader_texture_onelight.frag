#version 330 core

in vec2 uv;
in float brightness;

uniform sampler2D material_texture;

out vec4 fragColor;

void main() {
    fragColor = vec4(texture(material_texture, uv).rgb * brightness, 1.0);
}
