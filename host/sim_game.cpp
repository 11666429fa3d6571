#include "host/sim_game.h"

#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>

VxSimGame::VxSimGame(int width, int height, bool visible) : _width(width), _height(height) {
    _headless = !visible;
}

void VxSimGame::UseRecording(const SimRecording& recording, const std::vector<SimEvent>& events,
                             const std::string& source) {
    _recorded = true;
    _source = source;
    _width = recording.width;
    _height = recording.height;
    for (int i = 0; i < 5; ++i) _desktop[i] = recording.desktop[i];
    for (const SimEvent& e : events) {
        if (e.kind == SimEvent::Clock) _clock.push_back(e);
        if (e.kind == SimEvent::State) _states.push_back(e);
        if (e.kind == SimEvent::Check) _checks.push_back(e);
    }
}

void VxSimGame::Refuse(int line, const std::string& what) {
    std::fprintf(stderr,
                 "%s: line %d: the replayed game %s: the recording is damaged or comes from another "
                 "version of the game\n",
                 _source.c_str(), line, what.c_str());
    std::exit(2);
}

const SimEvent* VxSimGame::Answer(std::deque<SimEvent>* answers, const char* what) {
    if (answers->empty()) return nullptr;
    _answer = answers->front();
    answers->pop_front();
    if (_answer.pass != _pass)
        Refuse(_answer.line, std::string("reads the ") + what + " in update " + std::to_string(_pass) +
                                 ", the recording in update " + std::to_string(_answer.pass));
    return &_answer;
}

void VxSimGame::UpdateGame() {
    VxGlfwGame::UpdateGame();
    if (!_recorded || !vxStateDigest || _checks.empty() || _checks.front().pass > _pass) return;
    const SimEvent check = _checks.front();
    _checks.pop_front();
    if (check.pass != _pass || vxStateDigest() != check.digest)
        Refuse(check.line, "is not the recorded game after update " + std::to_string(_pass));
}

int VxSimGame::Millisecs() {
    if (!_recorded) return static_cast<int>(static_cast<long long>(_pass) * 1000 / 60);
    // After the recording's last reading the clock stands still.
    if (const SimEvent* a = Answer(&_clock, "clock")) _lastClock = a->a;
    return _lastClock;
}

String VxSimGame::LoadState() {
    if (!_recorded) return VxGlfwGame::LoadState();
    const SimEvent* a = Answer(&_states, "state file");
    return a ? String(a->text.data(), static_cast<int>(a->text.size())) : _saved;
}

int VxSimGame::SaveState(const String& state) {
    if (!_recorded) return VxGlfwGame::SaveState(state);
    _saved = state;
    return 0;
}

void VxSimGame::KeyEvent(int event, int data) {
    if (!_headless && !_delivering) {
        // The player's own keys in a replay: only the quit keys count, and they end it.
        if (event == 1 && (data == 27 || data == 115 || data == 432)) {
            _delivering = true;
            VxGlfwGame::KeyEvent(1, 432);
            _delivering = false;
        }
        return;
    }
    if (data >= 0 && data < 512 && (event == 1 || event == 2)) _held[data] = event == 1;
    VxGlfwGame::KeyEvent(event, data);
}

void VxSimGame::MouseEvent(int event, int data, float x, float y) {
    if (!_headless && !_delivering) return;
    VxGlfwGame::MouseEvent(event, data, x, y);
}

void VxSimGame::ReleaseHeldKeys() {
    // The keys the script holds, in the order the window host releases real ones.
    const bool delivering = _delivering;
    _delivering = true;
    for (int key = GLFW_KEY_SPACE; key <= GLFW_KEY_LAST; ++key) {
        const int code = TransKey(key);
        if (code > 0 && code < 512 && _held[code]) KeyEvent(2, code);
    }
    _delivering = delivering;
}

void VxSimGame::Deliver(const SimEvent& e) {
    _delivering = true;
    switch (e.kind) {
        case SimEvent::KeyDown:
            KeyEvent(1, e.a);
            break;
        case SimEvent::KeyUp:
            KeyEvent(2, e.a);
            break;
        case SimEvent::Char:
            KeyEvent(3, e.a);
            break;
        case SimEvent::MouseDown:
            MouseEvent(4, e.a, e.x, e.y);
            break;
        case SimEvent::MouseUp:
            MouseEvent(5, e.a, e.x, e.y);
            break;
        case SimEvent::MouseMove:
            MouseEvent(6, -1, e.x, e.y);
            break;
        case SimEvent::JoyAxis:
            SetJoyAxis(e.a, e.index, e.x);
            break;
        case SimEvent::JoyButton:
            SetJoyButton(e.a, e.index, e.b != 0);
            break;
        case SimEvent::JoyUnplug:
            UnplugJoy(e.a);
            break;
        case SimEvent::Suspend:
            SuspendGame();
            break;
        case SimEvent::Resume:
            ResumeGame();
            break;
        case SimEvent::Resize:
            Resize(e.a, e.b);
            break;
        case SimEvent::Render:
            RenderGame();
            SwapBuffers();
            break;
        case SimEvent::Set:
        case SimEvent::Clock:
        case SimEvent::State:
        case SimEvent::Check:
            break;
    }
    _delivering = false;
}

void VxSimGame::BeginPass(int pass, const std::vector<SimEvent>& events, size_t* next,
                          void (*other)(const SimEvent&), bool render) {
    SetPass(pass);
    // Headless, the window system's own events (exposures, configurations, focus) are read and
    // dropped: the game's input comes from the script alone, and events left unread would pile up
    // in the client's queue with every new window. (A replay in a window polls in its own loop.)
    if (_headless) glfwPollEvents();
    if (!_recorded && render) {
        RenderGame();
        // Every frame ends, hidden window or not: the driver drops the work it queued for the
        // frame, so memory stays flat over long runs.
        SwapBuffers();
    }
    while (*next < events.size() && events[*next].pass < pass) ++*next;  // before the first pass
    for (; *next < events.size() && events[*next].pass == pass; ++*next) {
        if (events[*next].kind == SimEvent::Set && other) other(events[*next]);
        Deliver(events[*next]);
    }
}

void VxSimGame::Run() {
    SetGlfwWindow(_width, _height, 8, 8, 8, 0, 0, 0, false);
    StartGame();
    size_t next = 0;
    const double start = Time();
    const int updates = _script.empty() ? 1 : _script.back().pass + 1;
    for (int pass = 0; pass < updates && WindowOpen(); ++pass) {
        BeginPass(pass, _script, &next);
        UpdateGame();
        const int ms = SleepMillis(start + (pass + 1) / 60.0 - Time());
        if (ms > 0) SleepMs(ms);
        PollEvents();
    }
    glfwTerminate();
    std::exit(0);
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
    mode->width = _desktop[0];
    mode->height = _desktop[1];
    return mode;
}

VxGlfwVideoMode* VxSimGame::GetGlfwDesktopMode() {
    VxGlfwVideoMode* mode = new VxGlfwVideoMode();
    mode->Width = _desktop[0];
    mode->Height = _desktop[1];
    mode->RedBits = _desktop[2];
    mode->GreenBits = _desktop[3];
    mode->BlueBits = _desktop[4];
    return mode;
}

void VxSimGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                              int stencil, bool) {
    _width = width;
    _height = height;
    VxGlfwGame::SetGlfwWindow(width, height, red, green, blue, alpha, depth, stencil, false);
    // Headless, nothing the window system reports reaches the game (see BeginPass).
    if (_window && _headless) ListenToWindow(false);
}

bool vx_sim_init_window_system() {
    return glfwInit() == GLFW_TRUE;
}
