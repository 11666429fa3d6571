// VxGlfwGame: the host on GLFW 3. It owns the window and its OpenGL context, turns GLFW's callbacks
// into delegate events, polls joysticks, and runs the fixed-rate main loop.
#include <GLFW/glfw3.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

#include "host/vxgame.h"

// The hat directions of GLFW 3.3, for the older GLFW of the browser build.
#ifndef GLFW_HAT_UP
#define GLFW_HAT_UP 1
#define GLFW_HAT_RIGHT 2
#define GLFW_HAT_DOWN 4
#define GLFW_HAT_LEFT 8
#endif

int glfwGraphicsSeq = 0;
VxGlfwGame* VxGlfwGame::_glfwGame = nullptr;

namespace {

// GLFW's callbacks are plain functions; they reach the host through its static pointer. Events
// of a window other than the host's current one (none exist, but be strict) are dropped.
VxGlfwGame* HostOf(GLFWwindow* window) {
    VxGlfwGame* game = VxGlfwGame::_glfwGame;
    return game && game->Window() == window ? game : nullptr;
}

void KeyCallback(GLFWwindow* window, int key, int /*scancode*/, int action, int /*mods*/) {
    if (VxGlfwGame* game = HostOf(window)) game->OnKey(key, action == GLFW_RELEASE ? 0 : 1);
}

void CharCallback(GLFWwindow* window, unsigned int codepoint) {
    if (VxGlfwGame* game = HostOf(window)) game->OnChar(static_cast<int>(codepoint));
}

void MouseButtonCallback(GLFWwindow* window, int button, int action, int /*mods*/) {
    if (VxGlfwGame* game = HostOf(window)) game->OnMouseButton(button, action == GLFW_PRESS ? 1 : 0);
}

void CursorPosCallback(GLFWwindow* window, double x, double y) {
    if (VxGlfwGame* game = HostOf(window)) game->OnMousePos(static_cast<int>(x), static_cast<int>(y));
}

void FocusCallback(GLFWwindow* window, int focused) {
    if (VxGlfwGame* game = HostOf(window)) game->OnFocus(focused == GLFW_TRUE);
}

void IconifyCallback(GLFWwindow* window, int iconified) {
    if (VxGlfwGame* game = HostOf(window)) game->OnIconify(iconified == GLFW_TRUE);
}

void CloseCallback(GLFWwindow* window) {
    // The window stays open: closing is the framework's decision (it hears key 432).
    glfwSetWindowShouldClose(window, GLFW_FALSE);
    if (VxGlfwGame* game = HostOf(window)) game->OnWindowClose();
}

}  // namespace

VxGlfwGame::VxGlfwGame() {
    _glfwGame = this;
}

VxGlfwGame::~VxGlfwGame() {
    if (_window) glfwDestroyWindow(_window);
    if (_glfwGame == this) _glfwGame = nullptr;
}

// ---- Keys -----------------------------------------------------------------------------------

int VxGlfwGame::TransKey(int key) {
    if ((key >= GLFW_KEY_0 && key <= GLFW_KEY_9) || (key >= GLFW_KEY_A && key <= GLFW_KEY_Z)) return key;
    if (key >= GLFW_KEY_F1 && key <= GLFW_KEY_F12) return 112 + (key - GLFW_KEY_F1);
    if (key >= GLFW_KEY_KP_0 && key <= GLFW_KEY_KP_9) return 96 + (key - GLFW_KEY_KP_0);
    switch (key) {
        case GLFW_KEY_SPACE:
            return 32;
        case GLFW_KEY_APOSTROPHE:
            return 222;  // also the double quote, typed with Shift
        case GLFW_KEY_COMMA:
            return 188;
        case GLFW_KEY_MINUS:
            return 189;
        case GLFW_KEY_PERIOD:
            return 190;
        case GLFW_KEY_SLASH:
            return 191;
        case GLFW_KEY_SEMICOLON:
            return 186;
        case GLFW_KEY_EQUAL:
            return 187;
        case GLFW_KEY_LEFT_BRACKET:
            return 219;
        case GLFW_KEY_BACKSLASH:
            return 220;
        case GLFW_KEY_RIGHT_BRACKET:
            return 221;
        case GLFW_KEY_GRAVE_ACCENT:
            return 192;  // also the tilde
        case GLFW_KEY_ESCAPE:
            return 27;
        case GLFW_KEY_UP:
            return 38;
        case GLFW_KEY_DOWN:
            return 40;
        case GLFW_KEY_LEFT:
            return 37;
        case GLFW_KEY_RIGHT:
            return 39;
        case GLFW_KEY_LEFT_SHIFT:
        case GLFW_KEY_RIGHT_SHIFT:
            return 16;
        case GLFW_KEY_LEFT_CONTROL:
        case GLFW_KEY_RIGHT_CONTROL:
            return 17;
        case GLFW_KEY_TAB:
            return 9;
        case GLFW_KEY_ENTER:
            return 13;
        case GLFW_KEY_BACKSPACE:
            return 8;
        case GLFW_KEY_INSERT:
            return 45;
        case GLFW_KEY_DELETE:
            return 46;
        case GLFW_KEY_PAGE_UP:
            return 33;
        case GLFW_KEY_PAGE_DOWN:
            return 34;
        case GLFW_KEY_HOME:
            return 36;
        case GLFW_KEY_END:
            return 35;
        case GLFW_KEY_KP_DIVIDE:
            return 111;
        case GLFW_KEY_KP_MULTIPLY:
            return 106;
        case GLFW_KEY_KP_SUBTRACT:
            return 109;
        case GLFW_KEY_KP_ADD:
            return 107;
        case GLFW_KEY_KP_DECIMAL:
            return 110;
        default:
            return 0;  // Alt, Super, Menu, locks, F13 and up, keypad Enter and Equal, ...
    }
}

int VxGlfwGame::KeyToChar(int key) {
    switch (key) {
        case 8:
        case 9:
        case 13:
        case 27:
            return key;
        case 33:
        case 34:
        case 35:
        case 36:
        case 37:
        case 38:
        case 39:
        case 40:
        case 45:
            return key | 0x10000;
        case 46:
            return 127;
        default:
            return 0;
    }
}

void VxGlfwGame::OnKey(int key, int action) {
    int code = TransKey(key);
    if (code == 0) return;
    if (action == 0) {
        KeyEvent(2, code);
        return;
    }
    KeyEvent(1, code);
    int character = KeyToChar(code);
    if (character != 0) KeyEvent(3, character);
}

void VxGlfwGame::OnChar(int character) {
    KeyEvent(3, character);
}

void VxGlfwGame::OnMouseButton(int button, int action) {
    if (button < 0 || button > 2) return;
    double x = 0.0, y = 0.0;
    if (_window) glfwGetCursorPos(_window, &x, &y);
    float fx = static_cast<float>(static_cast<int>(x)), fy = static_cast<float>(static_cast<int>(y));
    MouseEvent(action ? 4 : 5, button, fx, fy);
}

void VxGlfwGame::OnMousePos(int x, int y) {
    MouseEvent(6, -1, static_cast<float>(x), static_cast<float>(y));
}

void VxGlfwGame::OnWindowClose() {
    KeyEvent(1, 432);
    KeyEvent(2, 432);
}

// ---- The window ------------------------------------------------------------------------------

void VxGlfwGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                               int stencil, bool fullscreen) {
    // The old window's key state dies with it: release every held key first.
    if (_window) ReleaseHeldKeys();

    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* desktop = monitor ? glfwGetVideoMode(monitor) : nullptr;

    if (_window) {
        glfwDestroyWindow(_window);
        _window = nullptr;
    }

    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_RED_BITS, red);
    glfwWindowHint(GLFW_GREEN_BITS, green);
    glfwWindowHint(GLFW_BLUE_BITS, blue);
    glfwWindowHint(GLFW_ALPHA_BITS, alpha);
    glfwWindowHint(GLFW_DEPTH_BITS, depth);
    glfwWindowHint(GLFW_STENCIL_BITS, stencil);
    glfwWindowHint(GLFW_REFRESH_RATE, 60);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    // Shown only once it stands at its place.
    glfwWindowHint(GLFW_VISIBLE, fullscreen ? GLFW_TRUE : GLFW_FALSE);

    if (_headless) fullscreen = false;
    _window = glfwCreateWindow(width, height, "Zarnok", fullscreen ? monitor : nullptr, nullptr);
    if (!_window) {
        // Without a window there is no game: say why and end as a failure.
        const char* reason = nullptr;
#if GLFW_VERSION_MAJOR > 3 || GLFW_VERSION_MINOR >= 3
        glfwGetError(&reason);
#endif
        vxPrint(String("Could not open the game window: ") +
                String::FromUtf8(std::string(reason ? reason : "unknown reason")));
        glfwTerminate();
        std::exit(255);
    }

    if (!fullscreen && !_headless) {
        if (desktop) glfwSetWindowPos(_window, (desktop->width - width) / 2, (desktop->height - height) / 2);
        glfwShowWindow(_window);  // which also asks for the focus
    } else if (fullscreen) {
        // A full-screen window is shown by its creation, without asking for the focus: without a
        // window manager it would never get it.
        glfwFocusWindow(_window);
    }
    _focused = true;
    _iconified = false;
    glfwMakeContextCurrent(_window);
    ++glfwGraphicsSeq;
    if (_swapInterval >= 0) glfwSwapInterval(_swapInterval);
    glfwSetInputMode(_window, GLFW_CURSOR, _mouseVisible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
    ListenToWindow(true);
}

void VxGlfwGame::ListenToWindow(bool on) {
    glfwSetKeyCallback(_window, on ? KeyCallback : nullptr);
    glfwSetCharCallback(_window, on ? CharCallback : nullptr);
    glfwSetMouseButtonCallback(_window, on ? MouseButtonCallback : nullptr);
    glfwSetCursorPosCallback(_window, on ? CursorPosCallback : nullptr);
    glfwSetWindowCloseCallback(_window, on ? CloseCallback : nullptr);
    glfwSetWindowFocusCallback(_window, on ? FocusCallback : nullptr);
    glfwSetWindowIconifyCallback(_window, on ? IconifyCallback : nullptr);
}

void VxGlfwGame::ReleaseHeldKeys() {
    for (int key = GLFW_KEY_SPACE; key <= GLFW_KEY_LAST; ++key) {
        int code = TransKey(key);
        if (code != 0 && glfwGetKey(_window, key) == GLFW_PRESS) KeyEvent(2, code);
    }
}

void VxGlfwGame::SetDeviceWindow(int width, int height, int flags) {
    SetGlfwWindow(width, height, 8, 8, 8, 0, 0, 0, (flags & 1) != 0);
}

void VxGlfwGame::SetSwapInterval(int interval) {
    _swapInterval = interval;
    if (interval >= 0 && _window) glfwSwapInterval(interval);
}

void VxGlfwGame::SetMouseVisible(bool visible) {
    _mouseVisible = visible;
    if (_window) glfwSetInputMode(_window, GLFW_CURSOR, visible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
}

int VxGlfwGame::GetDeviceWidth() {
    int width = 0, height = 0;
    if (_window) glfwGetWindowSize(_window, &width, &height);
    return width;
}

int VxGlfwGame::GetDeviceHeight() {
    int width = 0, height = 0;
    if (_window) glfwGetWindowSize(_window, &width, &height);
    return height;
}

// ---- Display modes ---------------------------------------------------------------------------

Array<VxDisplayMode*> VxGlfwGame::GetDisplayModes() {
    int count = 0;
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* modes = monitor ? glfwGetVideoModes(monitor, &count) : nullptr;
    if (!modes) count = 0;
    if (count > 1024) count = 1024;
    Array<VxDisplayMode*> out(count);
    for (int i = 0; i < count; ++i) {
        VxDisplayMode* mode = new VxDisplayMode();
        mode->width = modes[i].width;
        mode->height = modes[i].height;
        out.Set(i, mode);
    }
    return out;
}

VxDisplayMode* VxGlfwGame::GetDesktopMode() {
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* desktop = monitor ? glfwGetVideoMode(monitor) : nullptr;
    VxDisplayMode* mode = new VxDisplayMode();
    if (desktop) {
        mode->width = desktop->width;
        mode->height = desktop->height;
    }
    return mode;
}

VxGlfwVideoMode* VxGlfwGame::GetGlfwDesktopMode() {
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* desktop = monitor ? glfwGetVideoMode(monitor) : nullptr;
    VxGlfwVideoMode* mode = new VxGlfwVideoMode();
    if (desktop) {
        mode->Width = desktop->width;
        mode->Height = desktop->height;
        mode->RedBits = desktop->redBits;
        mode->GreenBits = desktop->greenBits;
        mode->BlueBits = desktop->blueBits;
    }
    return mode;
}

Array<VxGlfwVideoMode*> VxGlfwGame::GetGlfwVideoModes() {
    int count = 0;
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* modes = monitor ? glfwGetVideoModes(monitor, &count) : nullptr;
    if (!modes) count = 0;
    if (count > 1024) count = 1024;
    Array<VxGlfwVideoMode*> out(count);
    for (int i = 0; i < count; ++i) {
        VxGlfwVideoMode* mode = new VxGlfwVideoMode();
        mode->Width = modes[i].width;
        mode->Height = modes[i].height;
        mode->RedBits = modes[i].redBits;
        mode->GreenBits = modes[i].greenBits;
        mode->BlueBits = modes[i].blueBits;
        out.Set(i, mode);
    }
    return out;
}

// ---- Joysticks -------------------------------------------------------------------------------

void VxGlfwGame::MapJoystick(const float* axes, int axisCount, const unsigned char* hats, int hatCount,
                             const unsigned char* states, int buttonCount, Array<float> joyx,
                             Array<float> joyy, Array<float> joyz, Array<bool> buttons) {
    // The axes, then each hat as two more axes (x right, y down, as GLFW reports a stick), so a hat
    // steers like a stick.
    float a[6] = {0, 0, 0, 0, 0, 0};
    int n_axes = 0;
    for (int i = 0; axes && i < axisCount && n_axes < 6; ++i) a[n_axes++] = axes[i];
    for (int i = 0; hats && i < hatCount && n_axes < 6; ++i) {
        a[n_axes++] = (hats[i] & GLFW_HAT_RIGHT) ? 1.0f : (hats[i] & GLFW_HAT_LEFT) ? -1.0f : 0.0f;
        if (n_axes < 6)
            a[n_axes++] = (hats[i] & GLFW_HAT_DOWN) ? 1.0f : (hats[i] & GLFW_HAT_UP) ? -1.0f : 0.0f;
    }
    // GLFW reports down as positive; the framework reads up as positive.
    joyx[0] = a[0];
    joyy[0] = -a[1];
    joyz[0] = a[2];
    joyx[1] = a[3];
    joyy[1] = -a[4];
    joyz[1] = a[5];

    int n = buttonCount;
    if (n > 32) n = 32;
    if (n < 0) n = 0;
    if (n > 12) {
        // Pads with many buttons report their four shoulder buttons last; they belong at 8-11.
        for (int i = 0; i < 8; ++i) buttons[i] = states[i] != 0;
        for (int i = 0; i < 4; ++i) buttons[8 + i] = states[n - 4 + i] != 0;
        for (int i = 8; i < n - 4; ++i) buttons[i + 4] = states[i] != 0;
    } else {
        for (int i = 0; i < n; ++i) buttons[i] = states[i] != 0;
    }

    // Two controllers whose second stick arrives on other axes (its y is down-positive as well).
    if (n == 14 && n_axes == 5) {
        joyx[1] = a[4];
        joyy[1] = -a[3];
    } else if (n == 18 && n_axes == 4) {
        joyy[1] = -a[2];
    }
}

bool VxGlfwGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons) {
    if (!glfwJoystickPresent(port)) return false;
    int axisCount = 0, hatCount = 0, count = 0;
    const float* axes = glfwGetJoystickAxes(port, &axisCount);
#if GLFW_VERSION_MAJOR > 3 || GLFW_VERSION_MINOR >= 3
    const unsigned char* hats = glfwGetJoystickHats(port, &hatCount);
#else
    const unsigned char* hats = nullptr;  // older GLFW (the browser's) reports no hats
#endif
    unsigned char states[32] = {};
    const unsigned char* rawButtons = glfwGetJoystickButtons(port, &count);
    int buttonCount = 0;
    for (int i = 0; rawButtons && i < count && i < 32; ++i) {
        states[buttonCount++] = rawButtons[i] == GLFW_PRESS ? 1 : 0;
    }
    MapJoystick(axes, axisCount, hats, hatCount, states, buttonCount, joyx, joyy, joyz, buttons);
    return true;
}

// ---- Time and the main loop ------------------------------------------------------------------

double VxGlfwGame::Time() {
    return glfwGetTime();
}

int VxGlfwGame::Millisecs() {
    return static_cast<int>(Time() * 1000.0);
}

int VxGlfwGame::SleepMillis(double seconds) {
    if (!(seconds > 0.0)) return 0;
    int ms = static_cast<int>(std::lround(seconds * 1000.0));
    return ms < 1 ? 1 : ms;
}

void VxGlfwGame::SleepMs(int milliseconds) {
    timespec delay{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0) {
    }
}

void VxGlfwGame::PollEvents() {
    glfwPollEvents();
}

void VxGlfwGame::WaitEvents() {
    glfwWaitEvents();
}

bool VxGlfwGame::WindowOpen() {
    return _window && !glfwWindowShouldClose(_window);
}

bool VxGlfwGame::WindowActive() {
    return _window && _focused && !_iconified;
}

void VxGlfwGame::SwapBuffers() {
    if (_window) glfwSwapBuffers(_window);
}

void VxGlfwGame::SetUpdateRate(int hertz) {
    _updateRate = hertz;
    if (hertz != 0) _updatePeriod = 1.0 / hertz;
    _nextUpdate = 0.0;  // restart the clock; a catch-up in progress stops
}

void VxGlfwGame::Run() {
    SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    StartGame();
    while (WindowOpen()) RunPass();
}

void VxGlfwGame::RunPass() {
    RenderGame();
    SwapBuffers();

    if (_nextUpdate != 0.0) {
        int ms = SleepMillis(_nextUpdate - Time());
        if (ms > 0) SleepMs(ms);
    }

    if (_suspended) {
        WaitEvents();
    } else {
        PollEvents();
    }

    FollowFocus();
    if (!_suspended) RunUpdates();
}

void VxGlfwGame::FollowFocus() {
    if (WindowActive()) {
        if (_suspended) {
            ResumeGame();
            _nextUpdate = 0.0;
        }
    } else if (!_suspended) {
        SuspendGame();
        _nextUpdate = 0.0;
    }
}

void VxGlfwGame::RunUpdates() {
    if (_updateRate == 0) {
        UpdateGame();
        return;
    }

    if (_nextUpdate == 0.0) _nextUpdate = Time();
    for (int i = 0; i < 4; ++i) {
        UpdateGame();
        if (_nextUpdate == 0.0) return;  // the update changed the rate
        _nextUpdate += _updatePeriod;
        if (_nextUpdate > Time()) return;
    }
    // Still behind after 4 updates: drop the backlog. The schedule restarts from now, so the next
    // frame's render time counts and a slow renderer gets 4 updates every frame rather than 4 and
    // 1 in turn.
    _nextUpdate = Time();
}
