// The host in a web page; see host/browser_game.h.
#include "host/browser_game.h"

#include <GLFW/glfw3.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstring>

#include "host/recording.h"

VxBrowserGame* VxBrowserGame::_browserGame = nullptr;

namespace {

// Where the page puts a scenario script to play (web/index.html, "?script=NAME").
const char* const kScriptFile = "/script.txt";

// The scenario runner's window size: a scripted game sees the same screen as the runner's.
constexpr int kScriptWidth = 640, kScriptHeight = 480;

void FrameCallback() {
    VxBrowserGame::_browserGame->Frame();
}

std::string ReadFile(const char* path, bool* found) {
    std::string text;
    FILE* file = std::fopen(path, "rb");
    *found = file != nullptr;
    if (!file) return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

}  // namespace

// In the page there is no command line: the browser host is the only host.
VxGlfwGame* vx_host_for_command_line(int, char**) {
    return new VxBrowserGame();
}

// Called by the page when it gains or loses the focus or is hidden or shown again.
extern "C" EMSCRIPTEN_KEEPALIVE void vx_browser_focus_changed() {
    if (VxBrowserGame::_browserGame) VxBrowserGame::_browserGame->FocusChanged();
}

// The number of updates the game has run (the browser test waits for them).
extern "C" EMSCRIPTEN_KEEPALIVE int vx_browser_updates() {
    return VxBrowserGame::_browserGame ? VxBrowserGame::_browserGame->Updates() : 0;
}

VxBrowserGame::VxBrowserGame() {
    _browserGame = this;
}

bool VxBrowserGame::UseScript(const std::string& text, std::string* error) {
    std::vector<SimEvent> events;
    if (!sim_parse_script(text, &events, error)) return false;
    for (const SimEvent& e : events) {
        switch (e.kind) {
            case SimEvent::KeyDown:
            case SimEvent::KeyUp:
            case SimEvent::Char:
            case SimEvent::MouseDown:
            case SimEvent::MouseUp:
            case SimEvent::MouseMove:
                break;
            default:
                *error =
                    "line " + std::to_string(e.line) + ": the page plays keys, characters and the mouse only";
                return false;
        }
    }
    _script = events;
    _scripted = true;
    _lastPass = events.empty() ? -1 : events.back().pass;
    return true;
}

void VxBrowserGame::Run() {
    bool found = false;
    std::string script = ReadFile(kScriptFile, &found);
    std::string error;
    if (found && !UseScript(script, &error)) {
        vxPrint(String("zarnok: bad scenario script: ") + String::FromUtf8(error));
        return;
    }
    SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    StartGame();
    // The browser calls Frame before each repaint of the page; this call does not return.
    emscripten_set_main_loop(FrameCallback, 0, 1);
}

void VxBrowserGame::Frame() {
    if (!_scripted) {
        // The canvas's drawing buffer follows its size on the page (in device pixels).
        EM_ASM({
            var canvas = Module['canvas'];
            var scale = window.devicePixelRatio || 1;
            var w = Math.max(1, Math.round(canvas.clientWidth * scale));
            var h = Math.max(1, Math.round(canvas.clientHeight * scale));
            if (canvas.width != w) canvas.width = w;
            if (canvas.height != h) canvas.height = h;
        });
    }
    // The browser left full screen by itself (its own F11 or Escape, which the page never sees) or
    // refused it: the game hears the F11 that switches it back to a window, so that its setting
    // follows the screen.
    if (EM_ASM_INT({
            var lost = Module['zarnokFullscreenLost'];
            Module['zarnokFullscreenLost'] = 0;
            return lost ? 1 : 0;
        })) {
        KeyEvent(1, 122);
        KeyEvent(2, 122);
    }
    RenderGame();
    if (_scripted) {
        UpdateGame();  // one update a frame, as the scenario runner does
        return;
    }
    FollowFocus();
    if (!_suspended && UpdateDue()) RunUpdates();
}

bool VxBrowserGame::UpdateDue() {
    // The frame callback comes once per display refresh and cannot wait: an update belongs to this
    // frame when it falls due before the middle of its period, so a 60 Hz display gets one update
    // a frame despite the jitter of its callbacks, and a faster display gets them every few frames.
    if (_updateRate == 0 || _nextUpdate == 0.0) return true;
    return _nextUpdate - Time() < _updatePeriod / 2;
}

void VxBrowserGame::FocusChanged() {
    if (_scripted || !_started) return;
    FollowFocus();
}

bool VxBrowserGame::WindowActive() {
    if (_scripted) return true;
    return EM_ASM_INT({ return document.visibilityState == 'visible' && document.hasFocus() ? 1 : 0; }) != 0;
}

void VxBrowserGame::UpdateGame() {
    if (_scripted && _started && !_suspended) {
        while (_nextEvent < _script.size() && _script[_nextEvent].pass <= _updates) {
            const SimEvent& e = _script[_nextEvent++];
            if (e.pass < _updates) continue;
            switch (e.kind) {
                case SimEvent::KeyDown:
                    VxGame::KeyEvent(1, e.a);
                    break;
                case SimEvent::KeyUp:
                    VxGame::KeyEvent(2, e.a);
                    break;
                case SimEvent::Char:
                    VxGame::KeyEvent(3, e.a);
                    break;
                case SimEvent::MouseDown:
                    VxGame::MouseEvent(4, e.a, e.x, e.y);
                    break;
                case SimEvent::MouseUp:
                    VxGame::MouseEvent(5, e.a, e.x, e.y);
                    break;
                case SimEvent::MouseMove:
                    VxGame::MouseEvent(6, -1, e.x, e.y);
                    break;
                default:
                    break;
            }
        }
    }
    if (!_started || _suspended) return;
    if (_scripted && _updates > _lastPass) return;  // the script has ended: the game stands still
    VxGame::UpdateGame();
    ++_updates;
}

void VxBrowserGame::KeyEvent(int event, int data) {
    if (!_scripted) VxGame::KeyEvent(event, data);
}

void VxBrowserGame::MouseEvent(int event, int data, float x, float y) {
    if (!_scripted) VxGame::MouseEvent(event, data, x, y);
}

int VxBrowserGame::Millisecs() {
    // A scripted game runs on the scenario runner's clock.
    if (_scripted) return static_cast<int>(static_cast<long long>(_updates) * 1000 / 60);
    return VxGlfwGame::Millisecs();
}

// ---- The canvas and full screen --------------------------------------------------------------

void VxBrowserGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                                  int stencil, bool fullscreen) {
    if (!_window) {
        // The canvas and its WebGL context, once for the page's lifetime.
        VxGlfwGame::SetGlfwWindow(width, height, red, green, blue, alpha, depth, stencil, false);
        return;
    }
    // Switching the screen mode keeps the canvas and its context (so every texture stays); the
    // browser shows the page full screen or leaves that mode. Keys held at the switch are let go,
    // as when the desktop window is made again.
    ReleaseHeldKeys();
    if (_scripted) return;
    // Module.zarnokFullscreen says what the game asked for; host/browser_pre.js notes when the
    // browser leaves full screen by itself or refuses it.
    if (fullscreen) {
        EM_ASM({
            Module['zarnokFullscreen'] = 1;
            var page = document.documentElement;
            if (!document.fullscreenElement && page.requestFullscreen)
                page.requestFullscreen().catch(function() { Module['zarnokFullscreenLost'] = 1; });
        });
    } else {
        EM_ASM({
            Module['zarnokFullscreen'] = 0;
            if (document.fullscreenElement && document.exitFullscreen)
                document.exitFullscreen().catch(function(){});
        });
    }
}

int VxBrowserGame::GetDeviceWidth() {
    if (_scripted) return kScriptWidth;
    int width = 0, height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    return width;
}

int VxBrowserGame::GetDeviceHeight() {
    if (_scripted) return kScriptHeight;
    int width = 0, height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    return height;
}

VxGlfwVideoMode* VxBrowserGame::GetGlfwDesktopMode() {
    VxGlfwVideoMode* mode = new VxGlfwVideoMode();
    mode->Width = EM_ASM_INT({ return Math.round(screen.width * (window.devicePixelRatio || 1)); });
    mode->Height = EM_ASM_INT({ return Math.round(screen.height * (window.devicePixelRatio || 1)); });
    mode->RedBits = mode->GreenBits = mode->BlueBits = 8;
    return mode;
}

VxDisplayMode* VxBrowserGame::GetDesktopMode() {
    VxGlfwVideoMode* desktop = GetGlfwDesktopMode();
    VxDisplayMode* mode = new VxDisplayMode();
    mode->width = desktop->Width;
    mode->height = desktop->Height;
    return mode;
}

Array<VxDisplayMode*> VxBrowserGame::GetDisplayModes() {
    Array<VxDisplayMode*> modes(1);
    modes.Set(0, GetDesktopMode());
    return modes;
}

// ---- Files -------------------------------------------------------------------------------------

String VxBrowserGame::PathToFilePath(const String& path) {
    // The data package is mounted at "/data"; the working folder is the state file's ("/save").
    if (path.StartsWith(String("zorbin://data/"))) return String("/data/") + path.Slice(14);
    return VxGlfwGame::PathToFilePath(path);
}

int VxBrowserGame::SaveState(const String& state) {
    int result = VxGame::SaveState(state);
    // Write the folder back to IndexedDB (host/browser_pre.js); it finishes after this call.
    if (result == 0)
        EM_ASM({
            if (Module['zarnokSyncState']) Module['zarnokSyncState']();
        });
    return result;
}

// In a page, a URL opens in a new tab of the browser.
void VxGlfwGame::OpenUrl(const String& url) {
    std::string target = url.ToUtf8();
    EM_ASM({ window.open(UTF8ToString($0), '_blank', 'noopener'); }, target.c_str());
}

// ---- Gamepads --------------------------------------------------------------------------------

bool VxBrowserGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                                 Array<bool> buttons) {
    if (_scripted) return false;
    if (port == 0 && emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return false;
    if (port >= emscripten_get_num_gamepads()) return false;
    EmscriptenGamepadEvent pad;
    if (emscripten_get_gamepad_status(port, &pad) != EMSCRIPTEN_RESULT_SUCCESS || !pad.connected)
        return false;

    float axes[6] = {};
    int axisCount = pad.numAxes < 6 ? pad.numAxes : 6;
    for (int i = 0; i < axisCount; ++i) axes[i] = static_cast<float>(pad.axis[i]);
    unsigned char states[32] = {};
    int count = pad.numButtons < 32 ? pad.numButtons : 32;
    if (std::strcmp(pad.mapping, "standard") == 0 && count >= 17) {
        // The browser's standard layout (A B X Y, shoulders, triggers, back, start, stick clicks,
        // d-pad up down left right, home) in the order the mapping below expects of a pad with 17
        // buttons: A B X Y, shoulders, back, start; triggers, home, stick clicks; then the d-pad as
        // left, up, right, down, which it moves to 8-11. Back, start and home pause the game.
        static const int kOrder[17] = {0, 1, 2, 3, 4, 5, 8, 9, 6, 7, 16, 10, 11, 14, 12, 15, 13};
        for (int i = 0; i < 17; ++i) states[i] = pad.digitalButton[kOrder[i]] ? 1 : 0;
        count = 17;
    } else {
        for (int i = 0; i < count; ++i) states[i] = pad.digitalButton[i] ? 1 : 0;
    }
    MapJoystick(axes, axisCount, nullptr, 0, states, count, joyx, joyy, joyz, buttons);
    return true;
}
