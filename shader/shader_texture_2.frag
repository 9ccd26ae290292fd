#version 330 core
// Ambient, diffuse and Blinn-Phong specular light from four point lights; the
// three intensities weight the terms, so (0.1, 0, 0) is ambient only and
// (0, 60, 10) is direct light only. A light's w scales its strength.

in VS_OUT {
    vec3 viewPosition;
    vec3 viewNormal;
    vec2 texCoord;
    flat vec3 viewLights[4];
} fs_in;

uniform sampler2D material_texture;
uniform float ambientIntensity;
uniform float diffuseIntensity;
uniform float specularIntensity;
uniform vec4 light_position[4];
uniform vec3 matSpecularReflectanceColor;
uniform float matShininess;

out vec4 fragColor;

// The intensities are in hundredths: 60 diffuse from a light of w = 2 lights a
// surface 6 m below it to about the texture's own colour.
const float kIntensityUnit = 0.01;
// Ambient light lifts unlit surfaces to a dim, readable share of their colour.
const float kAmbientGain = 4.0;
// Distance at which a light has fallen to half its strength; softer than the
// inverse square so the street lights reach the cubes and the kerb.
const float kHalfDistance = 18.0;

// Share of a light's strength that reaches a point at distance d is
// 1 / (1 + (d / kHalfDistance)^2), taken from d^2 so no square root is needed.
const float kFalloffRate = 1.0 / (kHalfDistance * kHalfDistance);

void main() {
    vec3 albedo = texture(material_texture, fs_in.texCoord).rgb;
    vec3 n = normalize(fs_in.viewNormal);
    vec3 toEye = normalize(-fs_in.viewPosition);

    // Light is grey: the sums are scalars, and the material's specular colour
    // is applied once, after the sum.
    float diffuse = 0.0;
    float specular = 0.0;
    if (diffuseIntensity > 0.0 || specularIntensity > 0.0) {
        for (int i = 0; i < 4; ++i) {
            vec3 toLight = fs_in.viewLights[i] - fs_in.viewPosition;
            float distanceSquared = dot(toLight, toLight);
            vec3 l = toLight * inversesqrt(distanceSquared);
            float lambert = dot(n, l);
            if (lambert <= 0.0) {
                continue;
            }
            float strength = light_position[i].w / (1.0 + distanceSquared * kFalloffRate);
            // n . normalize(h) for the halfway vector h, without normalizing h.
            vec3 h = l + toEye;
            float specularCosine = max(dot(n, h), 0.0) * inversesqrt(dot(h, h));
            diffuse += strength * lambert;
            specular += strength * pow(specularCosine, matShininess);
        }
    }

    vec3 colour = albedo * (ambientIntensity * kAmbientGain +
                            diffuseIntensity * kIntensityUnit * diffuse) +
                  specularIntensity * kIntensityUnit * specular * matSpecularReflectanceColor;
    fragColor = vec4(colour, 1.0);
}
