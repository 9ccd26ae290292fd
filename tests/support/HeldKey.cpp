#include "support/HeldKey.h"

#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>
#include <X11/keysym.h>

namespace tandril::test {
namespace {

// Through the server, like xdotool's keys for a window: GLFW takes sent
// events as it takes the keyboard's. Sticky keys and the callback are off
// meanwhile, so the state is exactly the event's and nothing else reacts.
void deliverEscape(GLFWwindow* window, bool press) {
    Display* display = glfwGetX11Display();
    XKeyEvent event{};
    event.type = press ? KeyPress : KeyRelease;
    event.display = display;
    event.window = glfwGetX11Window(window);
    event.root = DefaultRootWindow(display);
    event.time = CurrentTime;
    event.same_screen = True;
    event.keycode = XKeysymToKeycode(display, XK_Escape);
    XSendEvent(display, event.window, False, press ? KeyPressMask : KeyReleaseMask,
               reinterpret_cast<XEvent*>(&event));
    XSync(display, False);  // the event is back in this client's queue

    const int sticky = glfwGetInputMode(window, GLFW_STICKY_KEYS);
    const GLFWkeyfun callback = glfwSetKeyCallback(window, nullptr);
    glfwSetInputMode(window, GLFW_STICKY_KEYS, GLFW_FALSE);
    glfwPollEvents();
    glfwSetInputMode(window, GLFW_STICKY_KEYS, sticky);
    glfwSetKeyCallback(window, callback);
}

}  // namespace

HeldEscape::HeldEscape(GLFWwindow* window) : m_window(window) {
    deliverEscape(m_window, true);
}

HeldEscape::~HeldEscape() {
    deliverEscape(m_window, false);
}

}  // namespace tandril::test
