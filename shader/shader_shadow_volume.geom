#version 330 core
// Extrudes the shadow volume of every triangle that faces the light: sides on
// the silhouette edges, the triangle itself as the near cap and its image at
// infinity as the far cap. Every face is wound counter-clockwise seen from
// outside the volume, as depth-fail counting needs.

layout(triangles_adjacency) in;
// Three side quads of four vertices and two caps of three.
layout(triangle_strip, max_vertices = 18) out;

in VS_OUT {
    vec3 worldPosition;
} gs_in[];

uniform mat4 VP_mat;
uniform vec3 gLightPos;

// Pushes the whole volume a little away from the eye in depth, so the near cap
// lies just behind the lit surface it came from: lit faces then never shadow
// themselves, whatever rounding the two draws of one triangle meet.
const float kDepthBias = 2e-6;

vec4 project(vec4 world) {
    vec4 clip = VP_mat * world;
    clip.z += kDepthBias * clip.w;
    return clip;
}

vec4 nearVertex(vec3 p) { return project(vec4(p, 1.0)); }

// The point where the ray from the light through p ends: at infinity, w = 0.
vec4 farVertex(vec3 p) { return project(vec4(p - gLightPos, 0.0)); }

bool facesLight(vec3 a, vec3 b, vec3 c) {
    return dot(cross(b - a, c - a), gLightPos - a) > 0.0;
}

void emitSide(vec3 from, vec3 to) {
    gl_Position = nearVertex(from);
    EmitVertex();
    gl_Position = farVertex(from);
    EmitVertex();
    gl_Position = nearVertex(to);
    EmitVertex();
    gl_Position = farVertex(to);
    EmitVertex();
    EndPrimitive();
}

void main() {
    vec3 p0 = gs_in[0].worldPosition;
    vec3 p1 = gs_in[1].worldPosition;
    vec3 p2 = gs_in[2].worldPosition;
    vec3 p3 = gs_in[3].worldPosition;
    vec3 p4 = gs_in[4].worldPosition;
    vec3 p5 = gs_in[5].worldPosition;

    if (!facesLight(p0, p2, p4)) {
        return;
    }

    // An edge is on the silhouette when the triangle across it faces away. On
    // an open border the neighbour is this triangle's own far corner, which
    // makes the "neighbour" this triangle reversed: it faces away too.
    if (!facesLight(p0, p1, p2)) {
        emitSide(p0, p2);
    }
    if (!facesLight(p2, p3, p4)) {
        emitSide(p2, p4);
    }
    if (!facesLight(p4, p5, p0)) {
        emitSide(p4, p0);
    }

    gl_Position = nearVertex(p0);
    EmitVertex();
    gl_Position = nearVertex(p2);
    EmitVertex();
    gl_Position = nearVertex(p4);
    EmitVertex();
    EndPrimitive();

    // Seen from outside, the far cap faces away from the light: reversed.
    gl_Position = farVertex(p0);
    EmitVertex();
    gl_Position = farVertex(p4);
    EmitVertex();
    gl_Position = farVertex(p2);
    EmitVertex();
    EndPrimitive();
}
