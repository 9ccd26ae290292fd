#include "Shapes.h"

#include <algorithm>
#include <cmath>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>

namespace tandril::assetgen {

glm::vec2 planarUv(const glm::vec3& position, const glm::vec3& normal, float uvPerUnit) {
    const glm::vec3 n = glm::normalize(normal);
    glm::vec3 right = glm::cross(glm::vec3(0.0f, 1.0f, 0.0f), n);
    right = glm::dot(right, right) < 1e-6f ? glm::vec3(1.0f, 0.0f, 0.0f) : glm::normalize(right);
    const glm::vec3 up = glm::cross(n, right);
    return glm::vec2(glm::dot(position, right), glm::dot(position, up)) * uvPerUnit;
}

void addPlanarQuad(Mesh& mesh, const glm::vec3& a, const glm::vec3& b, const glm::vec3& c,
                   const glm::vec3& d, float uvPerUnit) {
    const glm::vec3 n = glm::cross(b - a, c - a) + glm::cross(c - a, d - a);
    mesh.addQuad({a, planarUv(a, n, uvPerUnit)}, {b, planarUv(b, n, uvPerUnit)},
                 {c, planarUv(c, n, uvPerUnit)}, {d, planarUv(d, n, uvPerUnit)});
}

void addBox(Mesh& mesh, const glm::vec3& low, const glm::vec3& high, float uvPerUnit) {
    const float lx = low.x, ly = low.y, lz = low.z;
    const float hx = high.x, hy = high.y, hz = high.z;
    addPlanarQuad(mesh, {hx, ly, hz}, {hx, ly, lz}, {hx, hy, lz}, {hx, hy, hz}, uvPerUnit);  // +x
    addPlanarQuad(mesh, {lx, ly, lz}, {lx, ly, hz}, {lx, hy, hz}, {lx, hy, lz}, uvPerUnit);  // -x
    addPlanarQuad(mesh, {lx, hy, hz}, {hx, hy, hz}, {hx, hy, lz}, {lx, hy, lz}, uvPerUnit);  // +y
    addPlanarQuad(mesh, {lx, ly, lz}, {hx, ly, lz}, {hx, ly, hz}, {lx, ly, hz}, uvPerUnit);  // -y
    addPlanarQuad(mesh, {lx, ly, hz}, {hx, ly, hz}, {hx, hy, hz}, {lx, hy, hz}, uvPerUnit);  // +z
    addPlanarQuad(mesh, {hx, ly, lz}, {lx, ly, lz}, {lx, hy, lz}, {hx, hy, lz}, uvPerUnit);  // -z
}

KeyCurve::KeyCurve(std::initializer_list<Key> keys) : m_keys(keys) {
    // Fritsch-Carlson slopes: a monotone run of keys stays monotone.
    const std::size_t n = m_keys.size();
    m_slopes.assign(n, 0.0f);
    if (n < 2) {
        return;
    }
    std::vector<float> secant(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        secant[i] = (m_keys[i + 1].value - m_keys[i].value) / (m_keys[i + 1].at - m_keys[i].at);
    }
    m_slopes[0] = secant[0];
    m_slopes[n - 1] = secant[n - 2];
    for (std::size_t i = 1; i + 1 < n; ++i) {
        m_slopes[i] = secant[i - 1] * secant[i] <= 0.0f ? 0.0f : 0.5f * (secant[i - 1] + secant[i]);
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (secant[i] == 0.0f) {
            m_slopes[i] = m_slopes[i + 1] = 0.0f;
            continue;
        }
        const float a = m_slopes[i] / secant[i];
        const float b = m_slopes[i + 1] / secant[i];
        const float r = a * a + b * b;
        if (r > 9.0f) {
            const float t = 3.0f / std::sqrt(r);
            m_slopes[i] = t * a * secant[i];
            m_slopes[i + 1] = t * b * secant[i];
        }
    }
}

float KeyCurve::operator()(float at) const {
    if (at <= m_keys.front().at) {
        return m_keys.front().value;
    }
    if (at >= m_keys.back().at) {
        return m_keys.back().value;
    }
    std::size_t i = 0;
    while (at > m_keys[i + 1].at) {
        ++i;
    }
    const float h = m_keys[i + 1].at - m_keys[i].at;
    const float t = (at - m_keys[i].at) / h;
    const float t2 = t * t;
    const float t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * m_keys[i].value + (t3 - 2 * t2 + t) * h * m_slopes[i] +
           (-2 * t3 + 3 * t2) * m_keys[i + 1].value + (t3 - t2) * h * m_slopes[i + 1];
}

std::vector<glm::vec2> sampleSpline(const std::vector<glm::vec2>& points,
                                    const std::vector<std::vector<float>>& fractions,
                                    const glm::vec2& ghostBefore, const glm::vec2& ghostAfter) {
    std::vector<glm::vec2> out;
    const std::size_t n = points.size();
    // Knot spacing by the square root of distance avoids loops and cusps
    // where neighbouring points are very unevenly spaced.
    auto knot = [](const glm::vec2& a, const glm::vec2& b) {
        return std::max(std::sqrt(glm::length(b - a)), 1e-4f);
    };
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const glm::vec2 p0 = i == 0 ? ghostBefore : points[i - 1];
        const glm::vec2 p1 = points[i];
        const glm::vec2 p2 = points[i + 1];
        const glm::vec2 p3 = i + 2 < n ? points[i + 2] : ghostAfter;
        const float t0 = 0.0f;
        const float t1 = t0 + knot(p0, p1);
        const float t2 = t1 + knot(p1, p2);
        const float t3 = t2 + knot(p2, p3);
        for (float f : fractions[i]) {
            const float t = t1 + (t2 - t1) * f;
            const glm::vec2 a1 = ((t1 - t) * p0 + (t - t0) * p1) / (t1 - t0);
            const glm::vec2 a2 = ((t2 - t) * p1 + (t - t1) * p2) / (t2 - t1);
            const glm::vec2 a3 = ((t3 - t) * p2 + (t - t2) * p3) / (t3 - t2);
            const glm::vec2 b1 = ((t2 - t) * a1 + (t - t0) * a2) / (t2 - t0);
            const glm::vec2 b2 = ((t3 - t) * a2 + (t - t1) * a3) / (t3 - t1);
            out.push_back(((t2 - t) * b1 + (t - t1) * b2) / (t2 - t1));
        }
    }
    out.push_back(points.back());
    return out;
}

std::vector<float> evenSteps(int n) {
    std::vector<float> steps;
    for (int i = 0; i < n; ++i) {
        steps.push_back(static_cast<float>(i) / static_cast<float>(n));
    }
    return steps;
}

void addLathe(Mesh& mesh, const glm::vec3& base, const std::vector<glm::vec2>& profile,
              int segments, float uvPerUnit) {
    float widest = 0.0f;
    for (const glm::vec2& p : profile) {
        widest = std::max(widest, p.x);
    }
    const float around = glm::two_pi<float>() * widest * uvPerUnit;
    std::vector<std::vector<Vertex>> rows;
    float along = 0.0f;
    for (std::size_t k = 0; k < profile.size(); ++k) {
        if (k > 0) {
            along += glm::length(profile[k] - profile[k - 1]);
        }
        std::vector<Vertex> row;
        // One extra column carries the texture seam; its position repeats
        // column 0 exactly so the seam shades smoothly.
        for (int j = 0; j <= segments; ++j) {
            const float angle = glm::two_pi<float>() * static_cast<float>(j % segments) /
                                static_cast<float>(segments);
            const glm::vec3 p = base + glm::vec3(profile[k].x * std::sin(angle), profile[k].y,
                                                 profile[k].x * std::cos(angle));
            row.push_back({p,
                           {around * static_cast<float>(j) / static_cast<float>(segments),
                            along * uvPerUnit}});
        }
        rows.push_back(row);
    }
    mesh.addGrid(rows, false);
}

}  // namespace tandril::assetgen
