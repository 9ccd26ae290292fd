// Escape held down on a GLFW window, as GLFW learns it from the X server: a key
// event sent to the window and taken in by glfwPollEvents, so that glfwGetKey
// reports it. No key callback runs for it.
#pragma once

struct GLFWwindow;

namespace tandril::test {

class HeldEscape {
  public:
    explicit HeldEscape(GLFWwindow* window);
    // Releases it.
    ~HeldEscape();
    HeldEscape(const HeldEscape&) = delete;
    HeldEscape& operator=(const HeldEscape&) = delete;

  private:
    GLFWwindow* m_window;
};

}  // namespace tandril::test
