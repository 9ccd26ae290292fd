// Deterministic randomness for the generated assets: a splitmix64 stream and
// value noise whose lattice can wrap, so that textures tile without seams.
// Nothing here depends on the standard library's generators, whose output is
// allowed to differ between implementations.
#pragma once

#include <cstdint>

namespace tandril::assetgen {

// The splitmix64 finaliser: a cheap hash with good avalanche.
constexpr std::uint64_t mix64(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

constexpr std::uint64_t hashCombine(std::uint64_t seed, std::uint64_t value) {
    return mix64(seed + 0x9E3779B97F4A7C15ull + mix64(value));
}

// Top 24 bits as a float in [0, 1): exact, so no rounding depends on the compiler.
constexpr float unitFloat(std::uint64_t h) {
    return static_cast<float>(h >> 40) * (1.0f / 16777216.0f);
}

// Hash of a lattice point, in [0, 1), for a seed already passed through
// mix64: one finaliser per point keeps the noise cheap.
inline float latticeHash(std::uint64_t mixedSeed, std::int64_t x, std::int64_t y) {
    return unitFloat(mix64(mixedSeed + static_cast<std::uint64_t>(x) * 0xD1B54A32D192ED03ull +
                           static_cast<std::uint64_t>(y) * 0xABC98388FB8FAC03ull));
}

inline float latticeValue(std::uint64_t seed, std::int64_t x, std::int64_t y) {
    return latticeHash(mix64(seed), x, y);
}

class Random {
  public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next() {
        m_state += 0x9E3779B97F4A7C15ull;
        return mix64(m_state);
    }
    float uniform() { return unitFloat(next()); }
    float uniform(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    // An integer in [0, n).
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool chance(float p) { return uniform() < p; }

  private:
    std::uint64_t m_state;
};

// Smooth value noise in [0, 1] at lattice coordinates (x, y). The lattice
// repeats every periodX by periodY cells; a period of 0 means no repetition.
float valueNoise(float x, float y, int periodX, int periodY, std::uint64_t seed);

// Fractal sum of `octaves` layers of value noise over one tile, (u, v) in
// [0, 1). Octave k has cellsX * 2^k by cellsY * 2^k cells per tile and half
// the amplitude of the one before, so every layer repeats with the tile.
// Result roughly in [0, 1], mean 0.5.
float tileFbm(float u, float v, int cellsX, int cellsY, int octaves, std::uint64_t seed);

// The same sum without repetition, at lattice coordinates of the first octave.
float fbm(float x, float y, int octaves, std::uint64_t seed);

}  // namespace tandril::assetgen
