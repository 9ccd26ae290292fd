#version 330 core
// The brick walls: everything the fragment stage needs, in tangent space.

layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec3 normal;
layout(location = 3) in vec3 tangent;
layout(location = 4) in vec3 bitangent;

uniform mat4 M_mat;
uniform mat4 V_mat;
uniform mat4 P_mat;
uniform mat3 normal_mat;
uniform vec4 light_position[4];

out VS_OUT {
    vec2 texCoord;
    vec3 tangentToEye;
    vec3 tangentToLight[4];
    flat float material;
    flat vec2 openingOrigin;
    flat vec2 room;
} vs_out;

// Materials carried in the texture coordinates: u is offset by
// kMaterialStride times the material's number (whole repeats of any texture).
// Panes and doors have u from 0 to 1 across the opening and v from 0 to 1 up
// it, above twice the opening's number.
const float kMaterialStride = 1024.0;
// One window in this many is lit from inside.
const float kLitWindowShare = 0.3;

// A hash of two numbers in [0, 1).
float hash(vec2 p) {
    return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);
}

void main() {
    vec4 viewPosition = V_mat * (M_mat * vec4(position, 1.0));

    // An orthonormal frame keeps lengths, so the fragment stage can take the
    // light distances from the tangent-space vectors.
    vec3 n = normalize(normal_mat * normal);
    vec3 t = normalize(normal_mat * tangent);
    t = normalize(t - dot(t, n) * n);
    vec3 b = cross(n, t);
    if (dot(b, normal_mat * bitangent) < 0.0) {
        b = -b;  // mirrored texture coordinates
    }
    mat3 viewToTangent = transpose(mat3(t, b, n));

    vs_out.texCoord = texCoord;
    // All corners of a face share its material and opening, so these are
    // worked out per corner and passed flat.
    float material = floor(texCoord.x / kMaterialStride + 0.5);
    float number = floor((texCoord.y + 0.5) * 0.5);
    vs_out.material = material;
    vs_out.openingOrigin = vec2(kMaterialStride * material, 2.0 * number);
    // Each wall of the scene is the same model: its place tells them apart.
    vs_out.room = vec2(step(hash(vec2(number, M_mat[3].x + M_mat[3].z)), kLitWindowShare),
                       hash(vec2(number + 0.5, M_mat[3].z)));
    vs_out.tangentToEye = viewToTangent * -viewPosition.xyz;
    for (int i = 0; i < 4; ++i) {
        vec3 viewLight = (V_mat * vec4(light_position[i].xyz, 1.0)).xyz;
        vs_out.tangentToLight[i] = viewToTangent * (viewLight - viewPosition.xyz);
    }
    gl_Position = P_mat * viewPosition;
}
