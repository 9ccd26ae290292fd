#version 330 core
// The house walls: parallax occlusion mapping with self-shadowing of the
// relief, normal mapping and Blinn-Phong light from the four point lights at
// dusk; window panes and doors drawn from their own coordinates. Distance
// fades everything into the haze below the sky's horizon.

in VS_OUT {
    vec2 texCoord;
    vec3 tangentToEye;
    vec3 tangentToLight[4];
    // Per face: the material, the opening's own texture coordinates' origin,
    // whether its room is lit and how warm the light is.
    flat float material;
    flat vec2 openingOrigin;
    flat vec2 room;
} fs_in;

uniform sampler2D material_texture;
uniform sampler2D height_texture;
uniform sampler2D normal_texture;
uniform float ambientIntensity;
uniform float diffuseIntensity;
uniform float specularIntensity;
uniform vec4 light_position[4];
uniform vec3 matSpecularReflectanceColor;
uniform float matShininess;
uniform int enableParallax;
uniform float parallaxScale;
uniform int enableShadow;

out vec4 fragColor;

// Lighting calibration, light colours and haze: see shader_texture_2.frag.
// The walls get a third of the street's diffuse intensity, so their unit is
// larger; they stand far from the lamps, so the light reaches further.
const float kIntensityUnit = 0.032;
const float kAmbientGain = 1.2;
const vec3 kAmbientColour = vec3(0.55, 0.68, 1.0);
const mat4x3 kLightColours = mat4x3(vec3(0.86, 0.93, 1.0), vec3(1.6, 1.1, 0.6),
                                    vec3(1.6, 1.1, 0.6), vec3(0.86, 0.93, 1.0));
const float kHalfDistance = 10.0;
const float kFalloffRate = 1.0 / (kHalfDistance * kHalfDistance);
const vec3 kFogColour = vec3(0.05, 0.055, 0.085);
const float kFogDistance = 350.0;
const float kBaseAmbient = 0.1;

// Materials carried in the texture coordinates (see the vertex stage).
const float kDoor = 8.0;
// Window frames and glazing bars, as shares of the opening.
const float kFrameWidth = 0.05;
const float kBarWidth = 0.025;
const float kGlassShininess = 200.0;
const float kGlassGloss = 0.35;
// How dark a relief shadow gets, and how soon (per unit of depth below the ray).
const float kShadowStrength = 0.85;
const float kShadowSharpness = 12.0;
// Old brick is matte: its highlights are a faint sheen on the brick faces,
// not sparkles on every chipped edge.
const float kBrickGloss = 0.3;
// Texels per pixel over which the relief fades out into plain normal mapping.
const float kReliefFadeStart = 2.0;
const float kReliefFadeEnd = 4.0;
// A light whose share is below this adds too little for its shadow to show.
const float kFaintLight = 0.02;

// Texture derivatives taken once, outside the loops, where they are defined.
vec2 uvDx;
vec2 uvDy;
// Texels across the mip level of the height map that the searches read (the
// level whose texels are about a pixel), for sizing the searches: finer steps
// than that level's texels find nothing new.
float searchTexels;
float heightLod;

float depthAt(vec2 uv) {
    return 1.0 - textureLod(height_texture, uv, heightLod).r;
}

// The texture coordinate where the ray towards the eye first meets the height
// field: a layered search in steps of a few texels, then a binary search
// within the last step and a linear fit between its ends. Coarse steps keep
// the loop short for every pixel of a vector, which runs as long as its
// slowest pixel (one in a deep mortar joint); the binary search restores the
// precision.
//
// Both loops run to a count computed at run time. A count the compiler can see
// gets the loop unrolled, and a vectorising software rasterizer then runs
// every step for every pixel, also for the many that need no relief at all; a
// real loop ends as soon as no pixel of the vector needs another step.
vec2 parallaxOcclusionTexCoord(vec2 uv, vec3 toEye, out float depth) {
    // A grazing ray would otherwise run off across many bricks.
    vec2 shiftPerDepth = toEye.xy / max(toEye.z, 0.2) * parallaxScale;
    const float kTexelsPerLayer = 3.0;
    const float kMinLayers = 4.0;
    const float kMaxLayers = 24.0;
    const float kRefinements = 2.0;
    float layers = clamp(length(shiftPerDepth) * searchTexels / kTexelsPerLayer, kMinLayers,
                         kMaxLayers);
    float layerDepth = 1.0 / layers;
    vec2 shiftPerLayer = shiftPerDepth * layerDepth;

    // Shift the coordinates along the view ray until the ray is below the
    // surface; after ceil(layers) steps it is at the bottom of the relief.
    int layerCount = int(ceil(layers));
    // The read comes first in the loop, so a pixel without relief, which still
    // passes through the loop once, reads the height map only once.
    float rayDepth = 0.0;
    float surfaceDepth = 0.0;
    float previousSurfaceDepth = 0.0;
    for (int i = 0; i <= layerCount; ++i) {
        previousSurfaceDepth = surfaceDepth;
        surfaceDepth = depthAt(uv);
        if (rayDepth >= surfaceDepth || i == layerCount) {
            break;
        }
        uv -= shiftPerLayer;
        rayDepth += layerDepth;
    }

    // (uv, rayDepth) is below the surface, one step back is above it; the
    // surface depths at both ends are kept for the fit.
    vec2 step = shiftPerLayer;
    float stepDepth = layerDepth;
    float belowEnd = surfaceDepth;
    float aboveEnd = previousSurfaceDepth;
    // Always kRefinements, as layers >= kMinLayers, but not a count the compiler sees.
    int refinements = int(min(layers, kRefinements));
    for (int i = 0; i < refinements; ++i) {
        step *= 0.5;
        stepDepth *= 0.5;
        vec2 middle = uv + step;
        float middleDepth = depthAt(middle);
        if (rayDepth - stepDepth >= middleDepth) {
            uv = middle;
            rayDepth -= stepDepth;
            belowEnd = middleDepth;
        } else {
            aboveEnd = middleDepth;
        }
    }

    float below = belowEnd - rayDepth;
    float above = aboveEnd - (rayDepth - stepDepth);
    float weight = clamp(below / (below - above), 0.0, 1.0);
    depth = mix(rayDepth, rayDepth - stepDepth, weight);
    return mix(uv, uv + step, weight);
}

// Light that reaches a relief point from a light in tangent direction
// `toLight`: 1 when no bump stands between them, less the deeper the ray runs
// below the surface on its way up.
float reliefShadow(vec2 uv, float depth, vec3 toLight) {
    if (depth <= 0.0) {
        return 1.0;
    }
    // The shadow is soft: a step every two texels on the way up is enough.
    vec2 shiftPerDepth = toLight.xy / max(toLight.z, 0.2) * parallaxScale;
    int steps = int(clamp(length(shiftPerDepth) * depth * searchTexels * 0.5, 3.0, 12.0));
    float layerDepth = depth / float(steps);
    vec2 shiftPerLayer = shiftPerDepth * layerDepth;
    float occlusion = 0.0;
    float rayDepth = depth;
    for (int i = 1; i < steps; ++i) {
        uv += shiftPerLayer;
        rayDepth -= layerDepth;
        float under = rayDepth - depthAt(uv);
        // Nearer bumps cast darker shadows.
        occlusion = max(occlusion, under * kShadowSharpness * (1.0 - float(i) / float(steps)));
    }
    return 1.0 - kShadowStrength * clamp(occlusion, 0.0, 1.0);
}

// cos^shininess of a highlight, cheaply: see shader_texture_2.frag.
float highlight(float cosine, float shininess) {
    float base = max(1.0 - (1.0 - cosine) * (shininess / 8.0), 0.0);
    base *= base;
    base *= base;
    return base * base;
}

// What a window or door looks like before the lamps' and cars' light: its
// paint or glass colour (albedo), the light it gives off itself, and how much
// of it is glass (which reflects the sky and the lights instead).
void openingSurface(out vec3 albedo, out vec3 glow, out float glass) {
    vec2 p = fs_in.texCoord - fs_in.openingOrigin;
    float lit = fs_in.room.x;
    float warmth = fs_in.room.y;

    // Frame round the edge, a glazing bar up the middle and a transom.
    float frame = max(step(min(p.x, 1.0 - p.x), kFrameWidth),
                      step(min(p.y, 1.0 - p.y), kFrameWidth * 0.7));
    float bars =
        max(step(abs(p.x - 0.5), kBarWidth * 0.5), step(abs(p.y - 0.72), kBarWidth * 0.5));
    float door = fs_in.material == kDoor ? 1.0 : 0.0;
    // A door is painted wood with a fanlight above, its panels sunk a shade.
    float fanlight = door * step(0.8, p.y);
    float panel = door * (1.0 - fanlight) *
                  step(0.12, min(p.x, 1.0 - p.x)) * step(0.08, min(abs(p.y - 0.42), 0.8 - p.y));
    float paint = max(max(frame, bars * (1.0 - door)), door * (1.0 - fanlight));
    glass = 1.0 - paint;
    vec3 wood = vec3(0.09, 0.17, 0.13) * (1.0 - 0.25 * panel);
    albedo = mix(vec3(0.5, 0.48, 0.44), wood, door * (1.0 - frame));
    // A lit room: warm light, brighter towards the ceiling, curtains part drawn.
    vec3 room = mix(vec3(1.0, 0.62, 0.3), vec3(1.0, 0.78, 0.5), warmth) *
                (0.35 + 0.35 * p.y) * (0.75 + 0.25 * smoothstep(0.3, 0.2, abs(p.x - 0.5)));
    glow = glass * lit * room;
}

// What dark glass mirrors: the dusk sky above the horizon, the haze below.
vec3 reflectedSky(vec3 toEye) {
    // Walls stand upright with v up, so tangent-space y is the world's up.
    float up = -toEye.y;
    vec3 sky = mix(vec3(0.16, 0.15, 0.3), vec3(0.03, 0.06, 0.17), smoothstep(0.0, 0.6, up));
    return mix(kFogColour, sky, smoothstep(-0.02, 0.02, up));
}

// The share of haze before a point: see shader_texture_2.frag.
float haze(vec3 toPoint) {
    float x = dot(toPoint, toPoint) * (1.0 / (kFogDistance * kFogDistance));
    float x2 = x * x;
    return x2 / (1.0 + x2);
}

void main() {
    uvDx = dFdx(fs_in.texCoord);
    uvDy = dFdy(fs_in.texCoord);
    float heightTexels = float(textureSize(height_texture, 0).x);
    vec3 toEye = normalize(fs_in.tangentToEye);
    bool brick = fs_in.material == 0.0;

    // Far away a pixel covers several texels and the relief is finer than the
    // pixel: plain normal mapping looks the same there and costs far less. A
    // scale below zero would turn the bricks into holes: the wall is flat then.
    float texelsPerPixel = max(length(uvDx), length(uvDy)) * heightTexels;
    bool relief = brick && enableParallax != 0 && parallaxScale > 0.0 &&
                  texelsPerPixel < kReliefFadeEnd;
    // A whole level: a sampler then reads one level instead of blending two.
    heightLod = max(round(log2(texelsPerPixel)), 0.0);
    searchTexels = heightTexels / exp2(heightLod);

    vec2 uv = fs_in.texCoord;
    float depth = 0.0;
    if (relief) {
        vec2 reliefUv = parallaxOcclusionTexCoord(uv, toEye, depth);
        float fade = smoothstep(kReliefFadeEnd, kReliefFadeStart, texelsPerPixel);
        uv = mix(uv, reliefUv, fade);
        depth *= fade;
    }

    // Read at the search's whole level: a software sampler then filters one
    // level instead of two, and these reads match the relief's own.
    vec3 albedo = textureLod(material_texture, uv, heightLod).rgb;
    vec3 n = normalize(textureLod(normal_texture, uv, heightLod).rgb * 2.0 - 1.0);
    vec3 glow = vec3(0.0);
    float glass = 0.0;
    if (!brick) {
        openingSurface(albedo, glow, glass);
        n = vec3(0.0, 0.0, 1.0);
    }
    float shininess = mix(matShininess, kGlassShininess, glass);
    // Old brick and paint are matte: their highlights are a faint sheen, not
    // sparkles on every chipped edge; glass mirrors the lights.
    float gloss = mix(kBrickGloss, kGlassGloss, glass);

    vec3 diffuse = vec3(0.0);
    vec3 specular = vec3(0.0);
    // The relief shadows the light that lights this point most; the others
    // come from elsewhere and would mostly cancel in a shared direction.
    float strongest = kFaintLight;
    vec3 strongestDirection = vec3(0.0, 0.0, 1.0);
    vec3 strongestDiffuse = vec3(0.0);
    vec3 strongestSpecular = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        vec3 toLight = fs_in.tangentToLight[i];
        float distanceSquared = dot(toLight, toLight);
        vec3 l = toLight * inversesqrt(distanceSquared);
        float lambert = dot(n, l);
        // Lights behind the wall or the bump light nothing here.
        if (lambert <= 0.0 || l.z <= 0.0) {
            continue;
        }
        float strength = light_position[i].w / (1.0 + distanceSquared * kFalloffRate);
        vec3 h = l + toEye;
        float specularCosine = max(dot(n, h), 0.0) * inversesqrt(dot(h, h));
        vec3 lightDiffuse = kLightColours[i] * (strength * lambert);
        vec3 lightSpecular = kLightColours[i] * (strength * highlight(specularCosine, shininess));
        diffuse += lightDiffuse;
        specular += lightSpecular;
        if (strength * lambert > strongest) {
            strongest = strength * lambert;
            strongestDirection = l;
            strongestDiffuse = lightDiffuse;
            strongestSpecular = lightSpecular;
        }
    }
    // A light too weak to show here needs no shadow search.
    if (relief && enableShadow != 0 && strongest > kFaintLight) {
        float shadow = reliefShadow(uv, depth, strongestDirection);
        diffuse -= (1.0 - shadow) * strongestDiffuse;
        specular -= (1.0 - shadow) * strongestSpecular;
    }

    float ambientShare = ambientIntensity / kBaseAmbient;
    vec3 lit = albedo * (ambientIntensity * kAmbientGain * kAmbientColour +
                         diffuseIntensity * kIntensityUnit * diffuse) +
               specularIntensity * kIntensityUnit * gloss * specular * matSpecularReflectanceColor;
    // Glass: the room behind it, or the sky and the lights mirrored in it,
    // more of the mirror the more glancing the view.
    float glancing = 1.0 - max(toEye.z, 0.0);
    float glancing2 = glancing * glancing;
    float fresnel = 0.04 + 0.96 * glancing2 * glancing2 * glancing;
    vec3 pane = glow * ambientShare + ambientShare * fresnel * reflectedSky(toEye) +
                specularIntensity * kIntensityUnit * gloss * specular * matSpecularReflectanceColor;
    vec3 colour = mix(lit, pane, glass);

    // The tangent frame is orthonormal: the eye is as far as in view space.
    float fog = haze(fs_in.tangentToEye);
    fragColor = vec4(mix(colour, ambientShare * kFogColour, fog), 1.0);
}
