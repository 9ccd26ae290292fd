#version 330 core
// Reflects the cube map about the surface normal as seen from the eye, with a
// Fresnel rise towards grazing angles over a dark lacquer.

in VS_OUT {
    vec3 worldPosition;
    vec3 worldNormal;
} fs_in;

uniform samplerCube skybox;
uniform vec3 cameraPos;

out vec4 fragColor;

// Reflectance straight on and the lacquer colour that shows where it is low.
const float kBaseReflectance = 0.55;
const vec3 kLacquer = vec3(0.02, 0.03, 0.05);

void main() {
    vec3 n = normalize(fs_in.worldNormal);
    vec3 incident = normalize(fs_in.worldPosition - cameraPos);
    vec3 reflected = reflect(incident, n);
    float facing = clamp(1.0 - dot(-incident, n), 0.0, 1.0);
    float fresnel = kBaseReflectance + (1.0 - kBaseReflectance) * pow(facing, 5.0);
    vec3 sky = texture(skybox, reflected).rgb;
    fragColor = vec4(mix(kLacquer, sky, fresnel), 1.0);
}
