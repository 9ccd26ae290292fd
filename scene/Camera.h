// The first-person camera: mouse look, W A S D flight and the built-in camera
// path of the first 31 seconds. The input-free steps are public so that the
// arithmetic can be driven directly.
#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

struct GLFWwindow;

namespace tandril::scene {

struct MovementKeys {
    bool forward = false;   // W
    bool backward = false;  // S
    bool right = false;     // D
    bool left = false;      // A
};

class Camera {
  public:
    // Takes its input from `window`; set-up gives it the application's.
    explicit Camera(GLFWwindow* window);

    // Mouse look with the pointer recentred, matrices, then the camera path.
    virtual void update(float deltaTime);
    // Movement keys, then both matrices.
    virtual void updateMatrices(float deltaTime);

    // Turns by the pointer's offset from the centre of a window of the given
    // size and derives the direction, right and up vectors.
    void look(double cursorX, double cursorY, int windowWidth, int windowHeight, float deltaTime);
    void move(MovementKeys keys, float deltaTime);
    void rebuildMatrices();
    // One step along the path; `halfHeight` is half the window height.
    void followPath(int halfHeight, float deltaTime);
    // A whole update with given input instead of the window's.
    void step(double cursorX, double cursorY, int windowWidth, int windowHeight, MovementKeys keys,
              float deltaTime);

    // Member by member, so that a saved camera can be compared.
    bool operator==(const Camera&) const = default;

    GLFWwindow* m_window;
    glm::mat4 m_viewMatrix{1.0f};
    glm::mat4 m_projectionMatrix{1.0f};
    glm::vec3 m_position{1.0f, 5.0f, 5.0f};
    glm::vec3 m_direction{0.0f};
    glm::vec3 m_right{0.0f};
    glm::vec3 m_up{0.0f};
    // 3.14, not pi, on purpose: the start view and the path were laid out from it.
    float m_horizontalAngle = 3.14f;
    float m_verticalAngle = 0.0f;
    // Handed to a projection that takes radians: 45 is an effective ~58 degrees.
    float m_fieldOfView = 45.0f;
    float m_speed = 30.0f;
    float m_mouseSpeed = 0.05f;
    float m_pathTime = 0.0f;
};

// The projection keeps this aspect ratio whatever the window's shape.
inline constexpr float kCameraAspect = 4.0f / 3.0f;
inline constexpr float kCameraNear = 0.1f;
inline constexpr float kCameraFar = 1000.0f;
// The path ends here; after it only the mouse and the keys move the camera.
inline constexpr float kCameraPathEnd = 31.0f;

}  // namespace tandril::scene
