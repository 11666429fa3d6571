// The whole program on the real host entry, as separate processes, where it cannot start: no display,
// and a display without OpenGL. (Its window and close request are tested with the game's play tests.)
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

}  // namespace
