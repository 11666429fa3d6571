// VxRecordingGame: the window host writing a recorded game (format in host/script.h). Each call
// the loop makes into the game is preceded by a look at the window's size, so a resize lands in the
// file before the first call that sees it; everything the game asks the host (clock, state file,
// gamepads) is written as it is answered.
#include "host/recording.h"

#include <GLFW/glfw3.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/script.h"
#include "host/sim_game.h"

namespace {

std::string Float(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

[[noreturn]] void Usage(const std::string& message) {
    std::fprintf(stderr, "zarnok: %s\nusage: zarnok [--record FILE | --replay FILE]\n", message.c_str());
    std::exit(2);
}

VxSimGame* Replayer(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Usage("cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<SimEvent> events;
    SimRecording recording;
    std::string error;
    if (!sim_parse_script(text.str(), &events, &error, nullptr, &recording)) Usage(path + ": " + error);
    VxSimGame* host = new VxSimGame(640, 480, true);
    if (recording.present) host->UseRecording(recording, events, path);
    host->SetScript(events);
    return host;
}

}  // namespace

VxGlfwGame* vx_host_for_command_line(int argc, char** argv) {
    std::string record, replay;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--record" || a == "--replay") && i + 1 < argc) {
            (a == "--record" ? record : replay) = argv[++i];
        } else {
            Usage(a == "--record" || a == "--replay" ? a + " needs a file" : "unknown argument " + a);
        }
    }
    if (!record.empty() && !replay.empty()) Usage("--record and --replay exclude each other");
    if (!replay.empty()) return Replayer(replay);
    if (record.empty()) return new VxZorbinGame();
    FILE* file = std::fopen(record.c_str(), "w");
    if (!file) Usage("cannot write " + record);
    return new VxRecordingGame(file);
}

VxRecordingGame::VxRecordingGame(FILE* file) : _file(file) {
    // Written out at each update's end, not halfway through one.
    std::setvbuf(_file, nullptr, _IOFBF, 1 << 16);
}

VxRecordingGame::~VxRecordingGame() {
    std::fclose(_file);
}

void VxRecordingGame::Line(const std::string& text) {
    std::fprintf(_file, "%d %s\n", _pass, text.c_str());
}

void VxRecordingGame::Observe() {
    int width = 0, height = 0;
    if (_window) glfwGetWindowSize(_window, &width, &height);
    if (width <= 0 || height <= 0 || (width == _width && height == _height)) return;
    _width = width;
    _height = height;
    Line("resize " + std::to_string(width) + " " + std::to_string(height));
}

void VxRecordingGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                                    int stencil, bool fullscreen) {
    if (!_headerDone) {
        VxGlfwVideoMode* desktop = GetGlfwDesktopMode();
        std::fprintf(_file, "zarnok-recording %d\nsize %d %d\ndesktop %d %d %d %d %d\n", kSimRecordingVersion,
                     width, height, desktop->Width, desktop->Height, desktop->RedBits, desktop->GreenBits,
                     desktop->BlueBits);
        std::fflush(_file);
        _headerDone = true;
    }
    _switching = true;
    VxGlfwGame::SetGlfwWindow(width, height, red, green, blue, alpha, depth, stencil, fullscreen);
    _switching = false;
    // What a replay's window has after the same call; a different real size is a resize.
    _width = width;
    _height = height;
}

int VxRecordingGame::Millisecs() {
    const int ms = VxGlfwGame::Millisecs();
    Line("clock " + std::to_string(ms));
    return ms;
}

String VxRecordingGame::LoadState() {
    const String state = VxGlfwGame::LoadState();
    const std::u16string units(state.Data(), state.Length());
    Line("state " + std::to_string(state.Length()) + (units.empty() ? "" : " " + sim_encode_state(units)));
    return state;
}

bool VxRecordingGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                                   Array<bool> buttons) {
    const bool present = VxGlfwGame::PollJoystick(port, joyx, joyy, joyz, buttons);
    if (port < 0 || port > 3) return present;
    Joy& last = _joys[port];
    const std::string unit = "joy " + std::to_string(port) + " ";
    if (!present) {
        if (last.present) Line(unit + "unplug");
        last = Joy();
        return false;
    }
    // The axes in the order a replay's gamepad takes them: x, y, z of stick 0, then of stick 1.
    const float axes[6] = {joyx[0], joyy[0], joyz[0], joyx[1], joyy[1], joyz[1]};
    bool wrote = false;
    for (int i = 0; i < 6; ++i) {
        if (std::memcmp(&axes[i], &last.axes[i], sizeof(float)) == 0) continue;
        last.axes[i] = axes[i];
        Line(unit + "axis " + std::to_string(i) + " " + Float(axes[i]));
        wrote = true;
    }
    for (int b = 0; b < 32 && b < buttons.Length(); ++b) {
        if (buttons[b] == last.buttons[b]) continue;
        last.buttons[b] = buttons[b];
        Line(unit + "button " + std::to_string(b) + (buttons[b] ? " 1" : " 0"));
        wrote = true;
    }
    // A gamepad at rest still has to be there in the replay.
    if (!last.present && !wrote) Line(unit + "axis 0 " + Float(axes[0]));
    last.present = true;
    return true;
}

void VxRecordingGame::SuspendGame() {
    Observe();
    Line("suspend");
    VxGlfwGame::SuspendGame();
}

void VxRecordingGame::ResumeGame() {
    Observe();
    Line("resume");
    VxGlfwGame::ResumeGame();
}

void VxRecordingGame::RenderGame() {
    Observe();
    Line("render");
    VxGlfwGame::RenderGame();
}

void VxRecordingGame::UpdateGame() {
    Observe();
    VxGlfwGame::UpdateGame();
    if (vxStateDigest) {
        char digest[16];
        std::snprintf(digest, sizeof digest, "%08x", vxStateDigest());
        Line(std::string("check ") + digest);
    }
    ++_pass;
    std::fflush(_file);
}

void VxRecordingGame::KeyEvent(int event, int data) {
    if (!_switching && event >= 1 && event <= 3) {
        Observe();
        static const char* const kWhat[] = {"key down ", "key up ", "char "};
        Line(kWhat[event - 1] + std::to_string(data));
    }
    VxGlfwGame::KeyEvent(event, data);
}

void VxRecordingGame::MouseEvent(int event, int data, float x, float y) {
    Observe();
    if (event == 6) {
        Line("mouse move " + Float(x) + " " + Float(y));
    } else if (event == 4 || event == 5) {
        Line(std::string(event == 4 ? "mouse down " : "mouse up ") + std::to_string(data) + " " + Float(x) +
             " " + Float(y));
    }
    VxGlfwGame::MouseEvent(event, data, x, y);
}
