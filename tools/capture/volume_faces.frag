#version 330 core
// The capture tool's view of the shadow volumes: the volume program's faces
// made visible, those facing the eye warm and those facing away cool. In the
// stencil count, a back face behind the visible surface adds one and a front
// face there takes one away.
//
// For the edges, each face is drawn instead in a colour of its own plane:
// its depth's slope across the window is the same all over a triangle and
// tells it from its neighbours, so the tool finds the edges where the colour
// changes. (Lines drawn from the geometry shader's faces would reach points
// at infinity, which lines cannot.)

uniform float opacity;
uniform bool planeColours;

out vec4 fragColor;

void main() {
    if (planeColours) {
        vec2 slope = atan(2e4 * vec2(dFdx(gl_FragCoord.z), dFdy(gl_FragCoord.z)));
        fragColor = vec4(0.5 + slope / 3.14159265, 1.0, 1.0);
        return;
    }
    vec3 colour = gl_FrontFacing ? vec3(1.0, 0.6, 0.2) : vec3(0.3, 0.65, 1.0);
    fragColor = vec4(colour, opacity);
}
