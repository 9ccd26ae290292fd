// A brick cube close up in a whole frame: each visible face is lit as one flat
// face and shows bricks, not stripes or a blur, at the scale of the walls.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include <glm/ext/matrix_double4x4.hpp>
#include <glm/vec3.hpp>

#include "render/FramePasses.h"
#include "render/Lighting.h"
#include "scene/SceneGlobals.h"
#include "support/GlContext.h"
#include "support/ReadBack.h"
#include "support/SceneControl.h"

namespace tandril::render {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 360;
// cube1 spans x 7.5..8.5, y 0..1, z -10.5..-9.5; the eye sees its top and
// its -x and +z faces, light 0 stands high over its front corner.
constexpr glm::vec3 kEye{5.6f, 2.3f, -7.4f};
constexpr glm::vec3 kTarget{8.0f, 0.5f, -10.0f};
constexpr glm::vec4 kLight{6.5f, 7.0f, -8.0f, 2.0f};
// Cells of 4 cm: a course of bricks is about 6 cm high, a brick 25 cm long, so
// the cells resolve bricks and average away anything much finer.
constexpr int kCells = 25;

// Luma of the pixels on one face, by position in the face (0..1 each way).
struct FaceSamples {
    std::array<double, kCells * kCells> sum{};
    std::array<int, kCells * kCells> count{};
    // The four triangles between the face's diagonals.
    std::array<double, 4> quarterSum{};
    std::array<int, 4> quarterCount{};

    void add(double a, double b, double luma) {
        const int i = std::clamp(static_cast<int>(a * kCells), 0, kCells - 1);
        const int j = std::clamp(static_cast<int>(b * kCells), 0, kCells - 1);
        sum[j * kCells + i] += luma;
        ++count[j * kCells + i];
        const int quarter = (a > b ? 1 : 0) + (a > 1.0 - b ? 2 : 0);
        quarterSum[quarter] += luma;
        ++quarterCount[quarter];
    }
    double cell(int i, int j) const { return sum[j * kCells + i] / count[j * kCells + i]; }
    bool full(int i, int j) const { return count[j * kCells + i] >= 3; }

    // Mean spread of the cell means along one direction of the face, over the
    // lines across the other, relative to the face's mean.
    double variation(bool alongA) const {
        double spread = 0.0;
        int lines = 0;
        double total = 0.0;
        int cells = 0;
        for (int line = 0; line < kCells; ++line) {
            double s = 0.0, s2 = 0.0;
            int n = 0;
            for (int k = 0; k < kCells; ++k) {
                const int i = alongA ? k : line;
                const int j = alongA ? line : k;
                if (full(i, j)) {
                    s += cell(i, j);
                    s2 += cell(i, j) * cell(i, j);
                    ++n;
                }
            }
            if (n >= kCells / 2) {
                spread += std::sqrt(std::max(0.0, s2 / n - (s / n) * (s / n)));
                ++lines;
                total += s;
                cells += n;
            }
        }
        EXPECT_GT(lines, kCells / 2) << "too little of the face is on screen";
        return lines == 0 ? 0.0 : (spread / lines) / (total / cells);
    }

    // Brightest over darkest of the four quarters' means.
    double quarterContrast() const {
        double low = 1e9, high = 0.0;
        for (int q = 0; q < 4; ++q) {
            EXPECT_GT(quarterCount[q], 100);
            const double mean = quarterSum[q] / std::max(quarterCount[q], 1);
            low = std::min(low, mean);
            high = std::max(high, mean);
        }
        return high / std::max(low, 1e-9);
    }
};

class CubeShadingTest : public test::SceneTest {
  protected:
    test::SceneStateGuard m_guard;
};

TEST_F(CubeShadingTest, EveryVisibleFaceIsLitFlatAndShowsBricks) {
    lightPositions[0] = kLight;
    test::aimCamera(*scene::camera, kEye, kTarget);
    glViewport(0, 0, kWidth, kHeight);
    renderFrame();
    renderFrame();  // with the culling of a running demo
    const std::vector<std::uint8_t> colour = test::readColour(0, 0, kWidth, kHeight);
    const std::vector<float> depth = test::readDepth(0, 0, kWidth, kHeight);

    const glm::dmat4 toWorld = glm::inverse(glm::dmat4(scene::camera->m_projectionMatrix) *
                                            glm::dmat4(scene::camera->m_viewMatrix));
    FaceSamples top, west, south;  // y = 1, x = 7.5, z = -9.5
    constexpr double kOnFace = 0.01;
    constexpr double kInset = 0.03;  // keep clear of the edges
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int i = y * kWidth + x;
            if (depth[i] >= 1.0f) {
                continue;
            }
            const glm::dvec4 h =
                toWorld * glm::dvec4(2.0 * (x + 0.5) / kWidth - 1.0,
                                     2.0 * (y + 0.5) / kHeight - 1.0, 2.0 * depth[i] - 1.0, 1.0);
            const glm::dvec3 p = glm::dvec3(h) / h.w;
            // Face coordinates 0..1, inset from the edges.
            const double fx = p.x - 7.5, fy = p.y, fz = p.z + 10.5;
            auto inside = [&](double s) { return s > kInset && s < 1.0 - kInset; };
            const std::uint8_t* c = &colour[static_cast<std::size_t>(i) * 4];
            const double luma = 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
            if (std::abs(fy - 1.0) < kOnFace && inside(fx) && inside(fz)) {
                top.add(fx, fz, luma);
            } else if (std::abs(fx) < kOnFace && inside(fy) && inside(fz)) {
                west.add(fz, fy, luma);
            } else if (std::abs(fz - 1.0) < kOnFace && inside(fx) && inside(fy)) {
                south.add(fx, fy, luma);
            }
        }
    }

    // One flat face under one light: no quarter of the top much darker than
    // another (welded normals used to light half of it and leave half dark).
    EXPECT_LT(top.quarterContrast(), 1.25);
    // Bricks vary both ways across every face: stripes vary one way only, a
    // blur of far too small bricks neither.
    for (const auto& [face, name] :
         {std::pair{&top, "top"}, std::pair{&west, "-x side"}, std::pair{&south, "+z side"}}) {
        EXPECT_GT(face->variation(true), 0.08) << name;
        EXPECT_GT(face->variation(false), 0.08) << name;
    }
}

}  // namespace
}  // namespace tandril::render
