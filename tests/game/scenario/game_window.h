// Test support: the game program (build/zarnok) started in a test's folder on the X display named
// by DISPLAY, and its window, found by its title.
#pragma once

// After gtest: Xlib's macros (None, Bool, ...) must not meet its declarations.
#include <X11/Xutil.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "tests/host/x_server.h"

namespace gametest {

const std::string kGame = std::string(ZARNOK_BINARY_DIR) + "/zarnok";

// Points DISPLAY at `server`, has the game play its sound into nothing, and opens the test's one
// connection (the server resets whenever its last client leaves). A window that goes away between
// two requests about it (a switch of screen mode, the game ended) is no reason to die. Null if the
// server is not there.
inline Display* OpenDisplay(const xtest::XServer& server) {
    if (!server.Ok()) return nullptr;
    setenv("DISPLAY", server.Name().c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return XOpenDisplay(nullptr);
}

// The game's mapped top-level window, or 0 (a switch of screen mode makes a new one).
inline Window FindWindow(Display* dpy) {
    Window root = DefaultRootWindow(dpy), parent, *children = nullptr, found = 0;
    unsigned n = 0;
    if (!XQueryTree(dpy, root, &root, &parent, &children, &n)) return 0;
    for (unsigned i = 0; i < n && !found; ++i) {
        XWindowAttributes a;
        if (xtest::WindowName(dpy, children[i]) == "Zarnok" && XGetWindowAttributes(dpy, children[i], &a) &&
            a.map_state == IsViewable)
            found = children[i];
    }
    if (children) XFree(children);
    return found;
}

// Starts the game in `dir` with `args`, its output dropped, and waits up to 10 s for its window,
// which goes to `window` (0 if none came).
inline std::unique_ptr<xtest::Child> StartGame(Display* dpy, const std::filesystem::path& dir,
                                               const std::string& args, Window* window) {
    auto game = std::make_unique<xtest::Child>(
        std::vector<std::string>{"sh", "-c",
                                 "cd '" + dir.string() + "' && exec '" + kGame + "' " + args + " >/dev/null"},
        true);
    *window = 0;
    for (int i = 0; i < 1000 && !(*window = FindWindow(dpy)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return game;
}

}  // namespace gametest
