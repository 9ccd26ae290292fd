#version 330 core

in VS_OUT {
    vec3 direction;
} fs_in;

uniform samplerCube skybox;

out vec4 fragColor;

void main() {
    fragColor = vec4(texture(skybox, fs_in.direction).rgb, 1.0);
}
