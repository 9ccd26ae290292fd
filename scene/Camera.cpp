#include "scene/Camera.h"

#include <cmath>

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

namespace tandril::scene {
namespace {

// How far the right vector turns from the yaw: 1.57, not pi/2, so that it
// stands a hair off square with the view. Intended, like the start yaw of
// 3.14: the path and the reference pictures are made with both.
constexpr float kRightVectorTurn = 1.57f;
// The path's yaw rates per pixel of half window height; the last leg turns faster.
constexpr double kSmallTurnRate = 0.0002;
constexpr double kLargeTurnRate = 0.0004;
constexpr float kPathSpeed = 6.0f;
constexpr float kPathSlowSpeed = 3.0f;
constexpr double kPathClimb = 0.4;

// Sine and cosine of a float angle taken in double, rounded back to float.
float sinInDouble(float angle) {
    return static_cast<float>(std::sin(static_cast<double>(angle)));
}
float cosInDouble(float angle) {
    return static_cast<float>(std::cos(static_cast<double>(angle)));
}

// A turn step of the path. Deliberately odd, and to stay so: it grows with
// half the window height (a taller window turns the path further), subtracts
// the rate from that height and rounds the difference to float. The path's
// views are this arithmetic's; "fixing" it would move them.
double turnStep(int halfHeight, float deltaTime, double rate) {
    return static_cast<float>(halfHeight - rate) * (static_cast<double>(deltaTime) * rate);
}

void turn(float& angle, double step) {
    angle = static_cast<float>(angle + step);
}

void climb(float& coordinate, double rate, float deltaTime) {
    coordinate = static_cast<float>(coordinate + rate * deltaTime);
}

}  // namespace

Camera::Camera(GLFWwindow* window) : m_window(window) {}

void Camera::update(float deltaTime) {
    double cursorX = 0.0;
    double cursorY = 0.0;
    int width = 0;
    int height = 0;
    glfwGetCursorPos(m_window, &cursorX, &cursorY);
    glfwGetWindowSize(m_window, &width, &height);
    glfwSetCursorPos(m_window, width / 2, height / 2);
    look(cursorX, cursorY, width, height, deltaTime);
    updateMatrices(deltaTime);
    followPath(height / 2, deltaTime);
}

void Camera::updateMatrices(float deltaTime) {
    MovementKeys keys;
    keys.forward = glfwGetKey(m_window, GLFW_KEY_W) == GLFW_PRESS;
    keys.backward = glfwGetKey(m_window, GLFW_KEY_S) == GLFW_PRESS;
    keys.right = glfwGetKey(m_window, GLFW_KEY_D) == GLFW_PRESS;
    keys.left = glfwGetKey(m_window, GLFW_KEY_A) == GLFW_PRESS;
    move(keys, deltaTime);
    rebuildMatrices();
}

void Camera::step(double cursorX, double cursorY, int windowWidth, int windowHeight,
                  MovementKeys keys, float deltaTime) {
    look(cursorX, cursorY, windowWidth, windowHeight, deltaTime);
    move(keys, deltaTime);
    rebuildMatrices();
    followPath(windowHeight / 2, deltaTime);
}

void Camera::look(double cursorX, double cursorY, int windowWidth, int windowHeight,
                  float deltaTime) {
    const float factor = m_mouseSpeed * deltaTime;
    m_horizontalAngle += static_cast<float>(windowWidth / 2 - cursorX) * factor;
    m_verticalAngle += static_cast<float>(windowHeight / 2 - cursorY) * factor;

    const float yaw = m_horizontalAngle;
    const float pitch = m_verticalAngle;
    m_direction = glm::vec3(cosInDouble(pitch) * sinInDouble(yaw), sinInDouble(pitch),
                            cosInDouble(pitch) * cosInDouble(yaw));
    m_right =
        glm::vec3(sinInDouble(yaw - kRightVectorTurn), 0.0f, cosInDouble(yaw - kRightVectorTurn));
    m_up = glm::cross(m_right, m_direction);
}

void Camera::move(MovementKeys keys, float deltaTime) {
    if (keys.forward)
        m_position += m_direction * deltaTime * m_speed;
    if (keys.backward)
        m_position -= m_direction * deltaTime * m_speed;
    if (keys.right)
        m_position += m_right * deltaTime * m_speed;
    if (keys.left)
        m_position -= m_right * deltaTime * m_speed;
}

void Camera::rebuildMatrices() {
    m_projectionMatrix = glm::perspective(m_fieldOfView, kCameraAspect, kCameraNear, kCameraFar);
    m_viewMatrix = glm::lookAt(m_position, m_position + m_direction, m_up);
}

void Camera::followPath(int halfHeight, float deltaTime) {
    const float t = m_pathTime;
    const double smallTurn = turnStep(halfHeight, deltaTime, kSmallTurnRate);
    const double largeTurn = turnStep(halfHeight, deltaTime, kLargeTurnRate);
    glm::vec3& p = m_position;

    if (t > 2.0f && t < 6.0f) {
        p.x += kPathSpeed * deltaTime;
        turn(m_horizontalAngle, smallTurn);
    } else if (t > 6.0f && t < 12.0f) {
        p.x -= kPathSpeed * deltaTime;
        climb(p.y, -kPathClimb, deltaTime);
        p.z -= kPathSpeed * deltaTime;
        turn(m_horizontalAngle, smallTurn);
    } else if (t > 15.0f && t < 18.0f) {
        p.x += kPathSpeed * deltaTime;
        p.z -= kPathSpeed * deltaTime;
        turn(m_horizontalAngle, -smallTurn);
    } else if (t > 18.0f && t < 23.0f) {
        p.z -= kPathSpeed * deltaTime;
        turn(m_horizontalAngle, -smallTurn);
    } else if (t > 23.0f && t < kCameraPathEnd) {
        p.x -= kPathSlowSpeed * deltaTime;
        climb(p.y, kPathClimb, deltaTime);
        p.z -= kPathSlowSpeed * deltaTime;
        turn(m_horizontalAngle, -largeTurn);
    }
    m_pathTime += deltaTime;
}

}  // namespace tandril::scene
