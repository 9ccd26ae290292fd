// Building blocks shared by the models: texture coordinates for flat faces,
// boxes, curves through key values, and solids of revolution.
#pragma once

#include <initializer_list>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "Mesh.h"

namespace tandril::assetgen {

// The engine multiplies texture coordinates by this after import.
inline constexpr float kUvScaleInEngine = 10.0f;

// Texture coordinates per model unit that repeat the image every `period` units.
constexpr float uvPerUnit(float period) {
    return 1.0f / (kUvScaleInEngine * period);
}

// Texture coordinates of a point on a flat face with outward normal `normal`:
// u runs horizontally to the right as seen from outside, v upward (up the
// slope on inclined faces; on floors and ceilings u follows +x). A right-handed
// tangent frame results everywhere, so parallax mapping sees the same
// orientation on every wall.
glm::vec2 planarUv(const glm::vec3& position, const glm::vec3& normal, float uvPerUnit);

// A flat quadrilateral with corners counter-clockwise from outside, textured
// with planarUv.
void addPlanarQuad(Mesh& mesh, const glm::vec3& a, const glm::vec3& b, const glm::vec3& c,
                   const glm::vec3& d, float uvPerUnit);

// An axis-aligned box between `low` and `high`, faces outward.
void addBox(Mesh& mesh, const glm::vec3& low, const glm::vec3& high, float uvPerUnit);

struct Key {
    float at;
    float value;
};

// A smooth curve through keys sorted by `at` (monotone cubic Hermite, so it
// never overshoots between keys); constant beyond the first and last key.
class KeyCurve {
  public:
    KeyCurve(std::initializer_list<Key> keys);
    float operator()(float at) const;

  private:
    std::vector<Key> m_keys;
    std::vector<float> m_slopes;
};

// Points along a centripetal Catmull-Rom spline through `points`: between
// points i and i+1 at the curve parameters fractions[i] (each in [0, 1),
// usually starting at 0). The ends use the ghost points as outer neighbours.
// The last point is included.
std::vector<glm::vec2> sampleSpline(const std::vector<glm::vec2>& points,
                                    const std::vector<std::vector<float>>& fractions,
                                    const glm::vec2& ghostBefore, const glm::vec2& ghostAfter);

// {0, 1/n, ..., (n-1)/n}: n even steps for sampleSpline.
std::vector<float> evenSteps(int n);

// Revolves a profile of (radius, height) points around the y axis through
// `base`, in `segments` steps; the profile should run from bottom to top.
// Texture u goes around, v along the profile.
void addLathe(Mesh& mesh, const glm::vec3& base, const std::vector<glm::vec2>& profile,
              int segments, float uvPerUnit);

}  // namespace tandril::assetgen
