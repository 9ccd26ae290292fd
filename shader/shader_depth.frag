#version 330 core

in float eyeDepth;

out vec4 fragColor;

// Depth that shows as black; the scene's far plane is much further.
const float kVisibleDepth = 200.0;

void main() {
    fragColor = vec4(vec3(1.0 - clamp(eyeDepth / kVisibleDepth, 0.0, 1.0)), 1.0);
}
