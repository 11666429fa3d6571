// Test support for the end-to-end suite: the real game program on a private X server with
// generated data, driven by real X input (xdotool) and read back by its window's pixels, and the
// scenario runner on the same data.
#pragma once

#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, ...) must not meet its declarations.
#include <X11/Xutil.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/x_server.h"

namespace e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kGame = std::string(ZARNOK_BINARY_DIR) + "/zarnok";
const std::string kSim = std::string(ZARNOK_BINARY_DIR) + "/zarnok-sim";
const std::string kDatagen = std::string(ZARNOK_BINARY_DIR) + "/zarnok-datagen";

inline std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class GameTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!fs::exists(kGame) || !fs::exists(kSim) || !fs::exists(kDatagen)) return;
        server = new xtest::XServer({"-screen", "0", screen});
        if (!server->Ok()) return;
        setenv("DISPLAY", server->Name().c_str(), 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        // One connection for the whole suite: the server resets whenever its last client leaves.
        if (!(dpy = XOpenDisplay(nullptr))) return;
        // A window can go away between two requests about it (a switch of screen mode, the game
        // ended): no reason to die.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        // Keys do not repeat: one held past the repeat delay on a slow machine would choose twice.
        XKeyboardControl noRepeat{};
        noRepeat.auto_repeat_mode = AutoRepeatModeOff;
        XChangeKeyboardControl(dpy, KBAutoRepeatMode, &noRepeat);
        dir = fs::temp_directory_path() / ("zarnok-e2e-" + std::to_string(getpid()));
        fs::create_directories(dir);
        // The data `make build` generated, or else a fresh set.
        const fs::path built = fs::path(ZARNOK_SOURCE_DIR) / "data";
        if (fs::exists(built / "gfx.png")) {
            fs::create_directory_symlink(built, dir / "data");
            ready = true;
        } else {
            ready = xtest::Run(Quote(kDatagen) + " --out " + Quote((dir / "data").string()) +
                               " >/dev/null 2>&1") == 0;
        }
    }
    static void TearDownTestSuite() {
        if (!dir.empty()) fs::remove_all(dir);
        if (dpy) XCloseDisplay(dpy);
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        if (!ready) GTEST_SKIP() << "needs the game, the runner, the data generator and Xvfb";
        fs::remove(dir / ".zorbinstate");
    }
    void TearDown() override { game.reset(); }

    // Starts the game in the suite's folder with `args`, its output dropped, and waits for its window.
    void Start(const std::string& args = "") {
        game = std::make_unique<xtest::Child>(
            std::vector<std::string>{
                "sh", "-c",
                "cd " + Quote(dir.string()) + " && exec " + Quote(kGame) + " " + args + " >/dev/null"},
            true);
        window = 0;
        for (int i = 0; i < 1000 && !(window = FindWindow()); ++i) std::this_thread::sleep_for(10ms);
        ASSERT_NE(window, 0u) << "no window titled Zarnok";
    }

    // The game's mapped top-level window, or 0 (a switch of screen mode makes a new one).
    static Window FindWindow() {
        Window root = DefaultRootWindow(dpy), parent, *children = nullptr, found = 0;
        unsigned n = 0;
        if (!XQueryTree(dpy, root, &root, &parent, &children, &n)) return 0;
        for (unsigned i = 0; i < n && !found; ++i) {
            XWindowAttributes a;
            if (xtest::WindowName(dpy, children[i]) == "Zarnok" &&
                XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable)
                found = children[i];
        }
        if (children) XFree(children);
        return found;
    }

    // A real key press (a tap: for keys the game counts rather than reads as held).
    static void Key(const std::string& keys) { ASSERT_EQ(xtest::Run("xdotool key " + keys), 0) << keys; }

    // A session started with --record session.txt is followed by the updates it has written.
    // Waits (up to a minute) until the game has made `updates` more updates than now.
    void Updates(int updates) {
        const int target = Update() + updates;
        for (int i = 0; i < 6000 && Update() < target; ++i) std::this_thread::sleep_for(10ms);
        ASSERT_GE(Update(), target) << "the game stopped updating";
    }
    // The update the recording has reached.
    int Update() {
        const std::string text = ReadFile(dir / "session.txt");
        const size_t at = text.rfind('\n', text.size() >= 2 ? text.size() - 2 : 0);
        return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 1);
    }

    // A control pressed as a player does (the game reads held keys, so a tap between two updates
    // could go unseen): held for a few updates, then let go for a few.
    void Press(const std::string& key) {
        HoldFor(key, 4);
        Updates(4);
    }
    // Holds `key` for `updates` of the game's updates, counted from the first one that saw it. A
    // pass of the game's loop reads its events once and then runs up to four updates (a slow frame,
    // such as one of a full screen on a busy machine, makes it catch up): updates counted from the
    // moment the key went down can all belong to a pass that read its events just before, and the
    // key would then come up before any update saw it held.
    void HoldFor(const std::string& key, int updates) {
        const Window before = FindWindow();
        const int downs = KeyLines(" key down "), ups = KeyLines(" key up ");
        ASSERT_EQ(xtest::Run("xdotool keydown " + key), 0);
        int seen = 0;
        for (int i = 0; i < 6000 && KeyLines(" key down ", &seen) == downs; ++i)
            std::this_thread::sleep_for(10ms);
        ASSERT_GT(KeyLines(" key down "), downs) << "the game never saw " << key << " go down";
        for (int i = 0; i < 6000 && Update() < seen + updates; ++i) std::this_thread::sleep_for(10ms);
        ASSERT_GE(Update(), seen + updates) << "the game stopped updating";
        ASSERT_EQ(xtest::Run("xdotool keyup " + key), 0);
        // A key that rebuilt the window was let go with the old window; the new one never saw it
        // held, so no release of it comes.
        if (FindWindow() != before) return;
        for (int i = 0; i < 6000 && KeyLines(" key up ") == ups; ++i) std::this_thread::sleep_for(10ms);
        ASSERT_GT(KeyLines(" key up "), ups) << "the game never saw " << key << " come up";
    }
    // The recording's lines holding `what` ("key down" or "key up"), and in `update` the update
    // before which the last of them came.
    int KeyLines(const std::string& what, int* update = nullptr) {
        std::istringstream lines(ReadFile(dir / "session.txt"));
        int n = 0;
        for (std::string line; std::getline(lines, line);)
            if (line.find(what) != std::string::npos) {
                ++n;
                if (update) *update = std::atoi(line.c_str());
            }
        return n;
    }
    // The window's pixels as 0xRRGGBB, row by row, or empty when they cannot be read.
    std::vector<long> Pixels(int* width = nullptr, int* height = nullptr) {
        XWindowAttributes a;
        if (!window || !XGetWindowAttributes(dpy, window, &a)) return {};
        XImage* img = XGetImage(dpy, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
        if (!img) return {};
        std::vector<long> out;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                out.push_back(static_cast<long>(XGetPixel(img, x, y) & 0xFFFFFF));
        XDestroyImage(img);
        if (width) *width = a.width;
        if (height) *height = a.height;
        return out;
    }

    // The scenario runner in the suite's folder; its standard output, and its status in `status`.
    static std::string Sim(const std::string& args, int* status) {
        const std::string cmd = "cd " + Quote(dir.string()) + " && " + Quote(kSim) + " " + args + " 2>&1";
        std::string out;
        FILE* p = popen(cmd.c_str(), "r");
        for (char buf[4096]; p && fgets(buf, sizeof buf, p);) out += buf;
        const int st = p ? pclose(p) : -1;
        *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return out;
    }

    static inline std::string screen = "1920x1200x24";  // the server's screen, which a suite may change
    static inline xtest::XServer* server = nullptr;
    static inline fs::path dir;
    static inline bool ready = false;
    static inline Display* dpy = nullptr;
    std::unique_ptr<xtest::Child> game;
    Window window = 0;
};

}  // namespace e2e
