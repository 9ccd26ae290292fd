#version 330 core
// Extrudes the shadow volume of every triangle that faces away from the light:
// sides on the silhouette edges, the triangle itself as the near cap and its
// image at infinity as the far cap. Every face is wound counter-clockwise seen
// from outside the volume, as depth-fail counting needs.
//
// Caps from the unlit side keep every volume face off the lit surfaces: a lit
// face never has to win a depth test against a copy of itself, however large
// the triangle or coarse the depth buffer. The volume of a closed mesh then
// starts at its back and takes in nothing in front of it.

layout(triangles_adjacency) in;
// Three side quads of four vertices and two caps of three.
layout(triangle_strip, max_vertices = 18) out;

in VS_OUT {
    vec3 worldPosition;
} gs_in[];

uniform mat4 VP_mat;
uniform vec3 gLightPos;

// Pushes the whole volume a little away from the eye in depth, so the near cap
// lies just behind the unlit face it came from: such a face (it faces away
// from the light) then stays counted as shadowed, instead of flickering with
// depth rounding between the lights of the other lamps and none.
const float kDepthBias = 2e-6;

vec4 project(vec4 world) {
    vec4 clip = VP_mat * world;
    clip.z += kDepthBias * clip.w;
    return clip;
}

vec4 nearVertex(vec3 p) { return project(vec4(p, 1.0)); }

// The point where the ray from the light through p ends: at infinity, w = 0.
vec4 farVertex(vec3 p) { return project(vec4(p - gLightPos, 0.0)); }

bool before(vec3 a, vec3 b) {
    return a.x != b.x ? a.x < b.x : (a.y != b.y ? a.y < b.y : a.z < b.z);
}

// Whether the triangle (a, b, c), counter-clockwise, faces the light. The
// corners are first rotated to start at the least of them, so the two
// triangles on an edge, each computing this for itself and for the other,
// get the same answer from the same arithmetic: a neighbour nearly edge-on to
// the light cannot count as facing in one and as facing away in the other,
// which would leave a side missing or doubled.
bool facesLight(vec3 a, vec3 b, vec3 c) {
    if (before(b, a) && before(b, c)) {
        vec3 t = a;
        a = b;
        b = c;
        c = t;
    } else if (before(c, a) && before(c, b)) {
        vec3 t = c;
        c = b;
        b = a;
        a = t;
    }
    return dot(cross(b - a, c - a), gLightPos - a) > 0.0;
}

// A side on the edge from -> to of an unlit triangle, whose neighbour across
// it is lit; the edge runs the other way round the volume.
void emitSide(vec3 from, vec3 to) {
    gl_Position = nearVertex(to);
    EmitVertex();
    gl_Position = farVertex(to);
    EmitVertex();
    gl_Position = nearVertex(from);
    EmitVertex();
    gl_Position = farVertex(from);
    EmitVertex();
    EndPrimitive();
}

// Whether the edge from -> to, with `across` the far corner of the triangle on
// its other side, is on the silhouette. On an open border the adjacency names
// this triangle's own far corner, `opposite`: the "neighbour" is this triangle
// reversed, which faces the other way, so a border is always a silhouette.
bool silhouette(vec3 from, vec3 across, vec3 to, vec3 opposite) {
    return across == opposite || facesLight(from, across, to);
}

void main() {
    vec3 p0 = gs_in[0].worldPosition;
    vec3 p1 = gs_in[1].worldPosition;
    vec3 p2 = gs_in[2].worldPosition;
    vec3 p3 = gs_in[3].worldPosition;
    vec3 p4 = gs_in[4].worldPosition;
    vec3 p5 = gs_in[5].worldPosition;

    if (facesLight(p0, p2, p4)) {
        return;
    }

    if (silhouette(p0, p1, p2, p4)) {
        emitSide(p0, p2);
    }
    if (silhouette(p2, p3, p4, p0)) {
        emitSide(p2, p4);
    }
    if (silhouette(p4, p5, p0, p2)) {
        emitSide(p4, p0);
    }

    // The triangle faces away from the light, the outside of the volume
    // towards it: the near cap is reversed.
    gl_Position = nearVertex(p0);
    EmitVertex();
    gl_Position = nearVertex(p4);
    EmitVertex();
    gl_Position = nearVertex(p2);
    EmitVertex();
    EndPrimitive();

    gl_Position = farVertex(p0);
    EmitVertex();
    gl_Position = farVertex(p2);
    EmitVertex();
    gl_Position = farVertex(p4);
    EmitVertex();
    EndPrimitive();
}
