// The end-to-end suite's driver: the real game on a private X server, played by xdotool, and the runner.
#pragma once

#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, ...) must not meet its declarations.
#include <X11/Xutil.h>
#include <sys/file.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "tests/host/x_server.h"

namespace e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kBin = std::string(ZARNOK_BINARY_DIR);

inline std::string ReadFile(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
inline std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, at);) out.push_back(part);
    return out;
}
inline std::string Output(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    for (char buf[4096]; p && fgets(buf, sizeof buf, p);) out += buf;
    const int st = p ? pclose(p) : -1;
    if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}
inline bool Until(const std::function<bool()>& done) {
    for (auto end = std::chrono::steady_clock::now() + 120s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(10ms))
        if (done()) return true;
    return false;
}
// The value of field `name` in a line the runner dumped.
inline std::string Field(const std::string& line, const std::string& name) {
    size_t at = line.find("\"" + name + "\":"), end = at += name.size() + 3, depth = 0;
    for (; end < line.size() && (depth || (line[end] != ',' && line[end] != '}')); ++end)
        depth += line[end] == '[' ? 1 : line[end] == ']' ? -1 : 0;
    return at > line.size() ? "" : line.substr(at, end - at);
}

using Probe = std::function<bool(XImage*, float)>;  // the window's picture, its scale from the virtual screen
// Bright pixels (a channel above 200) in a box of virtual-screen coordinates: glyphs and images.
inline int Bright(XImage* img, float s, float x0, float y0, float x1, float y1) {
    int n = 0;
    for (int y = static_cast<int>(y0 * s); y < static_cast<int>(y1 * s) && y < img->height; ++y)
        for (int x = static_cast<int>(x0 * s); x < static_cast<int>(x1 * s) && x < img->width; ++x) {
            const unsigned long p = XGetPixel(img, x, y);
            n += (p >> 16 & 255) > 200 || (p >> 8 & 255) > 200 || (p & 255) > 200;
        }
    return n;
}
// Whether the pixel at virtual-screen coordinates has its red, green and blue in the ranges.
inline bool Colour(XImage* img, float s, float x, float y, std::array<int, 6> rgb) {
    const unsigned long p = XGetPixel(img, static_cast<int>(x * s), static_cast<int>(y * s));
    for (int c = 0; c < 3; ++c)
        if (int v = p >> (16 - 8 * c) & 255; v < rgb[2 * c] || v > rgb[2 * c + 1]) return false;
    return true;
}

class EndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Its screen of 1280 x 1024: full screen, the virtual screen is 640 x 512 and holds every probe.
        server = new xtest::XServer();
        setenv("DISPLAY", server->Name().c_str(), 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        // One connection for the whole suite: the server resets whenever its last client leaves.
        if (!server->Ok() || !(dpy = XOpenDisplay(nullptr))) return;
        // A window can go away between two requests about it (a new screen mode, the game ended).
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        // Keys do not repeat: one held past the repeat delay on a slow machine would choose twice.
        XKeyboardControl noRepeat{};
        noRepeat.auto_repeat_mode = AutoRepeatModeOff;
        XChangeKeyboardControl(dpy, KBAutoRepeatMode, &noRepeat);
        dir = fs::temp_directory_path() / ("zarnok-e2e-" + std::to_string(getpid()));
        fs::create_directories(dir);
        // The data, generated once into the build tree (under a lock: test programs run side by side).
        const std::string cache = kBin + "/tests/game-data";
        const int lock = open((cache + ".lock").c_str(), O_CREAT | O_RDWR, 0644);
        flock(lock, LOCK_EX);
        xtest::Run("'" + kBin + "/zarnok-datagen' --out '" + cache + "' --if-stale >/dev/null");
        close(lock);
        fs::create_directory_symlink(cache, dir / "data");
    }
    static void TearDownTestSuite() {
        if (!dir.empty()) fs::remove_all(dir);
        delete server;
    }
    void SetUp() override {
        ASSERT_TRUE(dpy && fs::exists(dir / "data" / "gfx.png")) << "needs Xvfb and the generated data";
        fs::remove(dir / ".zorbinstate");
    }

    // Starts the game in the suite's folder with `args`, its output dropped, and waits for its window.
    void Start(const std::string& args) {
        const std::string line =
            "cd '" + dir.string() + "' && exec '" + kBin + "/zarnok' " + args + " >/dev/null";
        game = std::make_unique<xtest::Child>(std::vector<std::string>{"sh", "-c", line}, true);
        ASSERT_TRUE(Until([&] { return (window = FindWindow()) != 0; })) << "no window titled Zarnok";
    }
    // The game's window (each screen mode makes a new one), or 0.
    static Window FindWindow() {
        return std::strtoul(Output("xdotool search --onlyvisible --name '^Zarnok$' 2>/dev/null").c_str(),
                            nullptr, 10);
    }
    bool Check(const Probe& probe) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy, window, &a) || a.map_state != IsViewable)
            if (!(window = FindWindow()) || !XGetWindowAttributes(dpy, window, &a)) return false;
        XImage* img = XGetImage(dpy, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
        // The virtual screen keeps 640 across or 480 down, whichever gives the larger scale.
        const bool ok = img && probe(img, std::max(a.width / 640.0f, a.height / 480.0f));
        if (img) XDestroyImage(img);
        return ok;
    }
    bool WaitFor(const Probe& probe) {
        return Until([&] { return Check(probe); });
    }
    // The loading screen's clear colour, then `probe`: after a start or a switch of screen mode.
    bool Loaded(const Probe& probe) {
        const Probe loading = [](XImage* i, float) { return (XGetPixel(i, 10, 10) & 0xFFFFFF) == 0x282850; };
        return Until([&] { return Check(loading); }) && WaitFor(probe);
    }

    // The lines of the recording (--record session.txt) that hold `what`.
    std::vector<std::string> Lines(const std::string& what) {
        std::vector<std::string> out;
        for (const std::string& line : Split(ReadFile(dir / "session.txt"), '\n'))
            if (line.find(what) != std::string::npos) out.push_back(line);
        return out;
    }
    int Update() { return std::atoi(Split("0\n" + ReadFile(dir / "session.txt"), '\n').back().c_str()); }
    // Waits until the game has made `updates` updates since update `from` (or now).
    void Updates(int updates, int from = -1) {
        const int target = (from < 0 ? Update() : from) + updates;
        ASSERT_TRUE(Until([&] { return Update() >= target; })) << "the game stopped updating";
    }
    // Holds `key` for `updates` updates from the first that saw it (a pass may run several at once).
    void HoldFor(const std::string& key, int updates) {
        const Window before = FindWindow();
        const size_t downs = Lines(" key down ").size(), ups = Lines(" key up ").size();
        xtest::Run("xdotool keydown " + key);
        ASSERT_TRUE(Until([&] { return Lines(" key down ").size() > downs; })) << key << " never went down";
        Updates(updates, std::atoi(Lines(" key down ").back().c_str()));
        xtest::Run("xdotool keyup " + key);
        // A key that made a new window went up in the old one: the new one never saw it held.
        ASSERT_TRUE(Until([&] { return Lines(" key up ").size() > ups || FindWindow() != before; })) << key;
    }
    // A control pressed as a player does (a tap could fall between two updates).
    void Press(const std::string& key) {
        HoldFor(key, 4);
        Updates(4);
    }
    void Steer() {
        for (auto [key, updates] : {std::pair{"Left", 40}, {"Right", 30}}) {
            Updates(30);
            HoldFor(key, updates);
        }
        Updates(30);
    }
    // Ends the game with `how` (a key held until it ends, or "" for the close request): status 0.
    void End(const std::string& how) {
        if (how.empty())
            xtest::SendCloseRequest(dpy, window);
        else
            xtest::Run("xdotool keydown " + how);
        EXPECT_EQ(game->Wait(20), 0) << (how.empty() ? "the close request" : how);
        if (!how.empty()) xtest::Run("xdotool keyup " + how);
    }

    static std::string Sim(const std::string& args, int* status) {
        return Output("cd '" + dir.string() + "' && '" + kBin + "/zarnok-sim' " + args + " 2>&1", status);
    }
    // The recording replayed in the runner, which must pass its checks: each update's named fields.
    static std::vector<std::string> Replay(const std::string& names) {
        int status = -1;
        const std::string out = Sim("--script session.txt --dump-every 1 --dump " + names, &status);
        EXPECT_EQ(status, 0) << out.substr(out.size() > 600 ? out.size() - 600 : 0);
        std::vector<std::string> passes;
        for (const std::string& line : Split(out, '\n'))
            if (line.rfind("{\"pass\":", 0) == 0) passes.push_back(line);
        return passes;
    }

    static inline xtest::XServer* server = nullptr;
    static inline fs::path dir;
    static inline Display* dpy = nullptr;
    std::unique_ptr<xtest::Child> game;
    Window window = 0;
};

}  // namespace e2e
