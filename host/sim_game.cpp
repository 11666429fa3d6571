#include "host/sim_game.h"

#include <GLFW/glfw3.h>

namespace {
// The desktop the scenario runner pretends to have (full screen switches to it).
constexpr int kDesktopWidth = 1920;
constexpr int kDesktopHeight = 1080;
}  // namespace

VxSimGame::VxSimGame(int width, int height) : _width(width), _height(height) {
    _headless = true;
}

int VxSimGame::Millisecs() {
    return static_cast<int>(static_cast<long long>(_pass) * 1000 / 60);
}

void VxSimGame::SetJoyAxis(int unit, int axis, float value) {
    if (unit < 0 || unit > 3 || axis < 0 || axis > 5) return;
    _joys[unit].present = true;
    _joys[unit].axes[axis] = value;
}

void VxSimGame::SetJoyButton(int unit, int button, bool down) {
    if (unit < 0 || unit > 3 || button < 0 || button > 31) return;
    _joys[unit].present = true;
    _joys[unit].buttons[button] = down;
}

void VxSimGame::UnplugJoy(int unit) {
    if (unit < 0 || unit > 3) return;
    _joys[unit] = Joy();
}

bool VxSimGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                             Array<bool> buttons) {
    if (port < 0 || port > 3 || !_joys[port].present) return false;
    const Joy& j = _joys[port];
    joyx[0] = j.axes[0];
    joyy[0] = j.axes[1];
    joyz[0] = j.axes[2];
    joyx[1] = j.axes[3];
    joyy[1] = j.axes[4];
    joyz[1] = j.axes[5];
    for (int b = 0; b < 32 && b < buttons.Length(); ++b) buttons[b] = j.buttons[b];
    return true;
}

void VxSimGame::Resize(int width, int height) {
    _width = width;
    _height = height;
    if (_window) glfwSetWindowSize(_window, width, height);
}

Array<VxDisplayMode*> VxSimGame::GetDisplayModes() {
    Array<VxDisplayMode*> modes(1);
    modes.Set(0, GetDesktopMode());
    return modes;
}

VxDisplayMode* VxSimGame::GetDesktopMode() {
    VxDisplayMode* mode = new VxDisplayMode();
    mode->width = kDesktopWidth;
    mode->height = kDesktopHeight;
    return mode;
}

VxGlfwVideoMode* VxSimGame::GetGlfwDesktopMode() {
    VxGlfwVideoMode* mode = new VxGlfwVideoMode();
    mode->Width = kDesktopWidth;
    mode->Height = kDesktopHeight;
    mode->RedBits = mode->GreenBits = mode->BlueBits = 8;
    return mode;
}

void VxSimGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                              int stencil, bool) {
    _width = width;
    _height = height;
    VxGlfwGame::SetGlfwWindow(width, height, red, green, blue, alpha, depth, stencil, false);
}

bool vx_sim_init_window_system() {
    return glfwInit() == GLFW_TRUE;
}
