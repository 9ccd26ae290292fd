#version 330 core
// Ambient, diffuse and Blinn-Phong specular light from four point lights at
// dusk, and the sky mirrored by damp surfaces; the three intensities weight
// the terms, so (0.1, 0, 0) is ambient only and (0, 60, 10) is direct light
// only. A light's w scales its strength. Distance fades everything into the
// haze below the sky's horizon. The lights' colours and what else depends on
// the draw alone come from the vertex stage.

in VS_OUT {
    vec3 viewPosition;
    vec3 viewNormal;
    vec2 texCoord;
    flat vec3 emission;
    flat float street;
    flat vec3 viewLights[4];
    flat vec3 viewUp;
    flat vec3 viewGlow;
    flat vec2 lanternHeights;
    flat mat4x3 lightColours;
    flat vec3 ambient;
    flat float diffuseScale;
    flat vec3 specularScale;
    flat float ambientShare;
    flat float dampness;
    flat float shininess;
    flat int lightCount;
    float skyInView;
} fs_in;

uniform sampler2D material_texture;

out vec4 fragColor;

// Distance at which a light has fallen to half its strength: the lamps make
// pools on the street with dark between them.
const float kHalfDistance = 9.0;

// Share of a light's strength that reaches a point at distance d is
// 1 / (1 + (d / kHalfDistance)^2), taken from d^2 so no square root is needed.
const float kFalloffRate = 1.0 / (kHalfDistance * kHalfDistance);

// The haze below the sky's horizon (the sky box's lower half has this colour)
// and the distance over which the scene sinks into it: the street's far edges
// lie where nothing of it is left.
const vec3 kFogColour = vec3(0.05, 0.055, 0.085);
const float kFogDistance = 350.0;

// A damp surface mirrors the sky, more toward grazing angles (Schlick's
// Fresnel term, as the parked car's clear coat has it). Rough and blurred, it
// shows no skyline: a few terms of the sky stand for its picture, the blue
// hour's horizon warming toward the set sun and darkening upward (colours as
// the sky box's generator paints them).
const vec3 kSkyHorizon = vec3(0.16, 0.17, 0.32);
const vec3 kSkyGlow = vec3(0.95, 0.5, 0.2);
const vec3 kSkyHigh = vec3(0.04, 0.08, 0.21);
const float kDampReflectance = 0.02;  // straight on, as water's
const float kDampness = 0.5;          // share of the mirror that the roughness leaves
const float kSkylineElevation = 0.12;  // sine of the skyline's height above the horizon

// The street's picture holds its surfaces in bands of columns, each
// repeating along the street. The street's u is s / 2 for the section
// coordinate s = x - y in metres, across its top and down the kerb's face;
// its v is z over the bands' repeat. From the house side's slabs to the far
// side's paving the surfaces lie in one run of columns in the order they
// meet, at one density, so s gives the column at once (as the asset
// generator lays them out); only the setts beyond the run's ends and the
// bays beside the parked car are looked up on their own.
const float kRunFrom = -9.06;  // the run's ends in s
const float kRunTo = 8.94;
const float kRunFirstColumn = 512.0;
const float kRunColumns = 2048.0;
const float kRunColumnsPerMetre = kRunColumns / (kRunTo - kRunFrom);
const float kRunEndColumn = kRunFirstColumn + kRunColumns;
const float kColumns = 4096.0;
// The setts lie west and east of the run, read to and fro across their
// band, so that each repeat mirrors the one before: the house side's band
// ends where the run begins, the far side's (a copy) begins where it ends.
const float kSettsWidth = 4.8;
const float kSettsColumns = 512.0;
const float kSettsRunColumns = kSettsWidth * kRunColumnsPerMetre;  // the run's, per repeat
// Beside the parked car the far side's paving gives way to parking bays, at
// the run's density; their lines lie half a bay either side of the car and
// repeat every 10 m.
const float kFarPavingFrom = 4.14;
const float kFarPavingColumn = kRunFirstColumn + (kFarPavingFrom - kRunFrom) * kRunColumnsPerMetre;
const float kBaysFirstColumn = 3120.0;
const float kBandRepeat = 9.6;
const float kBaysFromZ = -106.25;
const float kBaysToZ = -93.75;
const float kBayLineZ = -98.75;
const float kBaysRepeat = 10.0;

// Every choice here costs one operation on this driver, which computes both
// sides of each: so the run takes none, and the setts and bays a few.
vec2 streetCoordinates(vec2 uv) {
    float column = kRunFirstColumn + kRunColumnsPerMetre * (2.0 * uv.x - kRunFrom);
    bool farSetts = column >= kRunEndColumn;
    bool setts = farSetts || column < kRunFirstColumn;
    float repeats =
        (column - (farSetts ? kRunEndColumn : kRunFirstColumn - kSettsRunColumns)) /
        kSettsRunColumns;
    float toAndFro = 1.0 - abs(1.0 - 2.0 * fract(0.5 * repeats));
    float settsColumn =
        (farSetts ? kRunEndColumn : 0.0) + 0.5 + (kSettsColumns - 1.0) * toAndFro;

    bool bays = column >= kFarPavingColumn && uv.y >= kBaysFromZ / kBandRepeat &&
                uv.y <= kBaysToZ / kBandRepeat;
    column = setts ? settsColumn : bays ? column + (kBaysFirstColumn - kFarPavingColumn) : column;
    float v = bays ? (uv.y * kBandRepeat - kBayLineZ) / kBaysRepeat : uv.y;
    return vec2(column / kColumns, v);
}

// cos^shininess of the highlight, as exp(-shininess (1 - cos)) to which it
// is close where it matters (cos near 1), taken as the eighth power of
// 1 - shininess (1 - cos) / 8: three multiplications instead of a logarithm
// and an exponential per light, which this driver computes at length.
vec4 highlight(vec4 cosines, float shininess) {
    vec4 base = max(1.0 - (1.0 - cosines) * (shininess / 8.0), 0.0);
    base *= base;
    base *= base;
    return base * base;
}

// How much of the haze lies between the eye and a point: none near by, half
// at kFogDistance, nearly all at three times that; a rational curve in the
// squared distance, cheaper than an exponential on this driver.
float haze(vec3 viewPosition) {
    float x = dot(viewPosition, viewPosition) * (1.0 / (kFogDistance * kFogDistance));
    float x2 = x * x;
    return x2 / (1.0 + x2);
}

// The sky a damp surface mirrors toward the eye, for a surface that faces
// up: the mirrored ray rises as steeply as the eye looks down on it (the
// cosine `facing`), and turns toward the glow as far as the eye looks away
// from it. Other faces take the same from their own cosine, which keeps
// their sheen to grazing angles.
vec3 dampSheen(float facing, vec3 toEye) {
    float glow = max(-dot(toEye, fs_in.viewGlow), 0.0);
    // Lowest of all stand the skyline and the haze: far off, where the eye
    // looks along the ground, it mirrors their darkness and fades into them.
    vec3 sky =
        mix(mix(kSkyHorizon, kSkyGlow, glow * glow * glow), kSkyHigh, min(3.0 * facing, 1.0));
    sky = mix(kFogColour, sky, smoothstep(0.0, kSkylineElevation, facing));
    float grazing = 1.0 - facing;
    float grazing2 = grazing * grazing;
    float fresnel = kDampReflectance + (1.0 - kDampReflectance) * grazing2 * grazing2 * grazing;
    return kDampness * fresnel * sky;
}

void main() {
    vec2 uv = fs_in.street > 0.5 ? streetCoordinates(fs_in.texCoord) : fs_in.texCoord;
    vec3 albedo = texture(material_texture, uv).rgb;
    vec3 n = normalize(fs_in.viewNormal);
    vec3 toEye = normalize(-fs_in.viewPosition);

    // This driver runs both sides of every branch for every group of pixels;
    // only a loop ends once none of them needs another turn (after one turn at
    // least). So the lights are taken one per turn of a loop whose count the
    // compiler cannot fold (a known count would be unrolled into branches),
    // and an ambient-only draw runs a single turn with every pixel masked. The
    // specular powers cost more inside the loop and are taken after it.

    // Per light, the newest entering at w: Lambert's cosine times the falloff,
    // the falloff, n . normalize(h) for the halfway vector h, and one over the
    // distance.
    vec4 lambertTerms = vec4(0.0);
    vec4 inverseDistances = vec4(0.0);
    vec4 falloffs = vec4(0.0);
    vec4 specularCosines = vec4(0.0);
    // The lights move up one place per turn, so that every turn reads `light`;
    // indexing the array by the turn costs more.
    vec3 light = fs_in.viewLights[0];
    vec3 light1 = fs_in.viewLights[1];
    vec3 light2 = fs_in.viewLights[2];
    vec3 light3 = fs_in.viewLights[3];
    for (int i = 0; i < fs_in.lightCount; ++i) {
        vec3 toLight = light - fs_in.viewPosition;
        float distanceSquared = dot(toLight, toLight);
        float inverseDistance = inversesqrt(distanceSquared);
        vec3 l = toLight * inverseDistance;
        float lambert = dot(n, l);
        float falloff = lambert > 0.0 ? 1.0 / (1.0 + distanceSquared * kFalloffRate) : 0.0;
        vec3 h = l + toEye;
        lambertTerms = vec4(lambertTerms.yzw, falloff * lambert);
        falloffs = vec4(falloffs.yzw, falloff);
        inverseDistances = vec4(inverseDistances.yzw, inverseDistance);
        specularCosines = vec4(specularCosines.yzw, max(dot(n, h), 0.0) * inversesqrt(dot(h, h)));
        light = light1;
        light1 = light2;
        light2 = light3;
    }
    // Lights 1 and 2 hang in the street lamps' lanterns, which shine down: a
    // pool under each, fading as the square of the cosine from straight
    // below, the lantern's height above the point over its distance. The
    // lights over the cars shine all round.
    vec2 belows = max((fs_in.lanternHeights - dot(fs_in.viewPosition, fs_in.viewUp)) *
                          inverseDistances.yz,
                      0.0);
    vec4 spreads = vec4(1.0, belows * belows, 1.0);
    lambertTerms *= spreads;
    falloffs *= spreads;

    // Each light's colour is applied once, after the loop.
    vec3 diffuse = fs_in.lightColours * lambertTerms;
    vec3 specular = fs_in.lightColours * (falloffs * highlight(specularCosines, fs_in.shininess));
    vec3 colour = albedo * (fs_in.skyInView * fs_in.ambient + fs_in.diffuseScale * diffuse) +
                  fs_in.specularScale * specular + fs_in.ambientShare * fs_in.emission +
                  fs_in.dampness * dampSheen(max(dot(n, toEye), 0.0), toEye);
    fragColor = vec4(mix(colour, fs_in.ambientShare * kFogColour, haze(fs_in.viewPosition)), 1.0);
}
