// The whole program on the real host entry, as separate processes: no display, a display without
// OpenGL, and a real window that runs its loop until a window manager's close request.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/host/child.h"
#include "tests/host/x_server.h"

namespace {

const std::string kProbe = ZARNOK_BINARY_DIR "/tests/host_probe";

TEST(Entry, WithoutADisplayGlfwInitFails) {
    xtest::Child probe({kProbe}, {"DISPLAY", "WAYLAND_DISPLAY"});
    ASSERT_TRUE(probe.Started());
    EXPECT_EQ(probe.ReadAll(), "glfwInit failed\n");
    EXPECT_EQ(probe.Wait(), 255);
}

TEST(Entry, AWindowThatCannotBeOpenedIsAFailure) {
    xtest::XServer server({"-extension", "GLX"});
    ASSERT_TRUE(server.Ok());
    xtest::Child probe({kProbe}, {"DISPLAY=" + server.Name()});
    std::string out = probe.ReadAll();
    EXPECT_EQ(out.rfind("Could not open the game window: ", 0), 0u) << out;
    EXPECT_EQ(probe.Wait(), 255);
}

// Runs `program` on a private display, checks its first window and update rate, then asks the
// window to close as a window manager would.
void RunUntilClosed(const std::string& program, bool reportsUpdates) {
    xtest::XServer server;
    ASSERT_TRUE(server.Ok());
    xtest::Child child({program}, {"DISPLAY=" + server.Name(), "ALSOFT_DRIVERS=null"});
    ASSERT_TRUE(child.Started());
    Display* dpy = nullptr;
    for (int i = 0; i < 100 && !dpy; ++i) {
        dpy = XOpenDisplay(server.Name().c_str());
        if (!dpy) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_NE(dpy, nullptr);

    Window window = 0;
    std::string line;
    if (reportsUpdates) {
        ASSERT_TRUE(child.ReadLine(line)) << "no window";
        std::istringstream in(line);
        std::string word, size;
        unsigned long id = 0;
        in >> word >> id >> size;
        EXPECT_EQ(size, "640x480");
        window = id;
        // Updates by whole seconds: 60 a second, measured over two seconds.
        int first = -1, third = -1;
        while (third < 0 && child.ReadLine(line, 10.0)) {
            int second = 0, updates = 0;
            if (std::sscanf(line.c_str(), "second %d updates %d", &second, &updates) != 2) continue;
            if (second == 1) first = updates;
            if (second == 3) third = updates;
        }
        ASSERT_GE(first, 0);
        ASSERT_GE(third, 0);
        EXPECT_NEAR((third - first) / 2.0, 60.0, 6.0);
    } else {
        // Find the program's window by its title.
        for (int i = 0; i < 200 && !window; ++i) {
            Window root, parent, *children = nullptr;
            unsigned count = 0;
            XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count);
            for (unsigned c = 0; c < count; ++c)
                if (xtest::WindowName(dpy, children[c]) == "Zarnok") window = children[c];
            if (children) XFree(children);
            if (!window) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        ASSERT_NE(window, 0u) << "no window titled Zarnok";
        XWindowAttributes attributes;
        XGetWindowAttributes(dpy, window, &attributes);
        EXPECT_EQ(attributes.width, 640);
        EXPECT_EQ(attributes.height, 480);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    EXPECT_EQ(child.Wait(0.1), -1) << "ended before the close request";
    xtest::SendCloseRequest(dpy, window);
    EXPECT_EQ(child.Wait(), 0);
    XCloseDisplay(dpy);
}

TEST(Entry, TheLoopUpdatesSixtyTimesASecondUntilTheWindowIsClosed) {
    RunUntilClosed(kProbe, true);
}

// The game program itself: its first window stays open until the close request ends it with 0.
TEST(Entry, TheGameWindowClosesWithStatusZero) {
    const std::string game = ZARNOK_BINARY_DIR "/zarnok";
    if (access(game.c_str(), X_OK) != 0) GTEST_SKIP() << "no game program built";
    RunUntilClosed(game, false);
}

}  // namespace
