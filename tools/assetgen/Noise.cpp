#include "Noise.h"

#include <cmath>

namespace tandril::assetgen {
namespace {

std::int64_t wrap(std::int64_t i, int period) {
    if (period <= 0) {
        return i;
    }
    const std::int64_t r = i % period;
    return r < 0 ? r + period : r;
}

// Quintic fade: continuous second derivative, so normal maps built from the
// noise show no lattice creases.
float fade(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

}  // namespace

float valueNoise(float x, float y, int periodX, int periodY, std::uint64_t seed) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx);
    const auto iy = static_cast<std::int64_t>(fy);
    const float tx = fade(x - fx);
    const float ty = fade(y - fy);
    const std::int64_t x0 = wrap(ix, periodX);
    const std::int64_t x1 = wrap(ix + 1, periodX);
    const std::int64_t y0 = wrap(iy, periodY);
    const std::int64_t y1 = wrap(iy + 1, periodY);
    const std::uint64_t mixed = mix64(seed);
    const float bottom = lerp(latticeHash(mixed, x0, y0), latticeHash(mixed, x1, y0), tx);
    const float top = lerp(latticeHash(mixed, x0, y1), latticeHash(mixed, x1, y1), tx);
    return lerp(bottom, top, ty);
}

float tileFbm(float u, float v, int cellsX, int cellsY, int octaves, std::uint64_t seed) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    for (int k = 0; k < octaves; ++k) {
        const int px = cellsX << k;
        const int py = cellsY << k;
        sum += amplitude * valueNoise(u * static_cast<float>(px), v * static_cast<float>(py), px,
                                      py, hashCombine(seed, static_cast<std::uint64_t>(k)));
        total += amplitude;
        amplitude *= 0.5f;
    }
    return sum / total;
}

float fbm(float x, float y, int octaves, std::uint64_t seed) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    float scale = 1.0f;
    for (int k = 0; k < octaves; ++k) {
        sum += amplitude * valueNoise(x * scale, y * scale, 0, 0,
                                      hashCombine(seed, static_cast<std::uint64_t>(k)));
        total += amplitude;
        amplitude *= 0.5f;
        scale *= 2.0f;
    }
    return sum / total;
}

}  // namespace tandril::assetgen
