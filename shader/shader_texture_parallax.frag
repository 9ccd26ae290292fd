#version 330 core
// Parallax occlusion mapping with self-shadowing of the relief, normal mapping
// and Blinn-Phong light from the four point lights.

in VS_OUT {
    vec2 texCoord;
    vec3 tangentToEye;
    vec3 tangentToLight[4];
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

// Lighting calibration: see shader_texture_2.frag. The walls get a third of
// the street's diffuse intensity, so their unit is larger.
const float kIntensityUnit = 0.04;
const float kAmbientGain = 3.0;
const float kHalfDistance = 14.0;
const float kFalloffRate = 1.0 / (kHalfDistance * kHalfDistance);
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
    const float kRefinements = 4.0;
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

void main() {
    uvDx = dFdx(fs_in.texCoord);
    uvDy = dFdy(fs_in.texCoord);
    float heightTexels = float(textureSize(height_texture, 0).x);
    vec3 toEye = normalize(fs_in.tangentToEye);

    // Far away a pixel covers several texels and the relief is finer than the
    // pixel: plain normal mapping looks the same there and costs far less.
    float texelsPerPixel = max(length(uvDx), length(uvDy)) * heightTexels;
    bool relief = enableParallax != 0 && texelsPerPixel < kReliefFadeEnd;
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

    vec3 albedo = textureGrad(material_texture, uv, uvDx, uvDy).rgb;
    vec3 n = normalize(textureGrad(normal_texture, uv, uvDx, uvDy).rgb * 2.0 - 1.0);

    // Light is grey, as in shader_texture_2.frag: scalar sums, the specular
    // colour applied after them.
    float diffuse = 0.0;
    float specular = 0.0;
    // One relief-shadow ray towards the lights' weighted mean direction: the
    // shadows are soft, and a ray per light would quadruple the search.
    vec3 shadowDirection = vec3(0.0);
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
        shadowDirection += strength * lambert * l;
        vec3 h = l + toEye;
        float specularCosine = max(dot(n, h), 0.0) * inversesqrt(dot(h, h));
        diffuse += strength * lambert;
        specular += strength * pow(specularCosine, matShininess);
    }
    // A light too weak to show here needs no shadow search.
    if (relief && enableShadow != 0 && length(shadowDirection) > kFaintLight) {
        float shadow = reliefShadow(uv, depth, normalize(shadowDirection));
        diffuse *= shadow;
        specular *= shadow;
    }

    vec3 colour = albedo * (ambientIntensity * kAmbientGain +
                            diffuseIntensity * kIntensityUnit * diffuse) +
                  specularIntensity * kIntensityUnit * kBrickGloss * specular *
                      matSpecularReflectanceColor;
    fragColor = vec4(colour, 1.0);
}
