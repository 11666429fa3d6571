// The whole program on the real host entry, as separate processes: no display, a display without
// OpenGL, and a real window that runs until a window manager's close request.
#include <gtest/gtest.h>

#include "tests/host/x_server.h"

namespace {

const std::string kGame = ZARNOK_BINARY_DIR "/zarnok";

TEST(Entry, WithoutADisplayGlfwInitFails) {
    xtest::Child game({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", kGame});
    EXPECT_EQ(game.Output(), "glfwInit failed\n");
    EXPECT_EQ(game.Wait(), 255);
}

TEST(Entry, AWindowThatCannotBeOpenedIsAFailure) {
    xtest::XServer server({"-extension", "GLX"});
    ASSERT_TRUE(server.Ok());
    xtest::Child game({"env", "DISPLAY=" + server.Name(), kGame});
    std::string out = game.Output();
    EXPECT_EQ(out.rfind("Could not open the game window: ", 0), 0u) << out;
    EXPECT_EQ(game.Wait(), 255);
}

// The first window is 640 x 480 and titled "Zarnok"; it stays open until a window manager's close
// request, which ends the program with status 0.
TEST(Entry, TheGameWindowClosesWithStatusZero) {
    xtest::XServer server;
    ASSERT_TRUE(server.Ok());
    std::string display = "DISPLAY=" + server.Name();
    xtest::Child game({"env", display, "ALSOFT_DRIVERS=null", kGame}, true);
    xtest::Child search({"env", display, "timeout", "20", "xdotool", "search", "--sync", "--onlyvisible",
                         "--name", "^Zarnok$"});
    Window window = std::strtoul(search.Output().c_str(), nullptr, 10);
    ASSERT_NE(window, 0u) << "no window titled Zarnok";
    Display* dpy = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(dpy, nullptr);
    XWindowAttributes attributes;
    XGetWindowAttributes(dpy, window, &attributes);
    EXPECT_EQ(attributes.width, 640);
    EXPECT_EQ(attributes.height, 480);
    EXPECT_EQ(game.Wait(0.5), -1) << "ended before the close request";
    xtest::SendCloseRequest(dpy, window);
    EXPECT_EQ(game.Wait(), 0);
    XCloseDisplay(dpy);
}

}  // namespace
