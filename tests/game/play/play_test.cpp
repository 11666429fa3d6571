// The game program itself on a private X server: the loading screen, then the title; F4 and the
// window's close request end it with status 0.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, ...) must not meet its declarations.
#include <X11/Xutil.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "tests/host/x_server.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kGame = std::string(ZARNOK_BINARY_DIR) + "/zarnok";
const std::string kDatagen = std::string(ZARNOK_BINARY_DIR) + "/zarnok-datagen";

class PlayTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!fs::exists(kGame) || !fs::exists(kDatagen)) return;
        server = new xtest::XServer();
        if (!server->Ok()) return;
        setenv("DISPLAY", server->Name().c_str(), 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        // One connection for the whole suite: the server resets whenever its last client leaves.
        if (!(dpy = XOpenDisplay(nullptr))) return;
        dir = fs::temp_directory_path() / ("zarnok-play-" + std::to_string(getpid()));
        fs::create_directories(dir);
        const std::string gen = "'" + kDatagen + "' --out '" + (dir / "data").string() + "' >/dev/null 2>&1";
        ready = xtest::Run(gen) == 0;
    }
    static void TearDownTestSuite() {
        if (!dir.empty()) fs::remove_all(dir);
        if (dpy) XCloseDisplay(dpy);
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        if (!ready) GTEST_SKIP() << "needs the game, the data generator and Xvfb";
        fs::remove(dir / ".zorbinstate");
        game = std::make_unique<xtest::Child>(
            std::vector<std::string>{"sh", "-c",
                                     "cd '" + dir.string() + "' && exec '" + kGame + "' >/dev/null"},
            true);
        // Polled closely: the loading screen shows for only about half a second.
        for (int i = 0; i < 1000 && !window; ++i, std::this_thread::sleep_for(10ms)) window = FindWindow();
        ASSERT_NE(window, 0u) << "no window titled Zarnok";
    }
    void TearDown() override { game.reset(); }

    // The game's top-level window once it is mapped, or 0.
    Window FindWindow() {
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

    // The window's pixel as 0xRRGGBB, or -1 when it cannot be read.
    long Pixel(int x, int y) {
        XImage* img = XGetImage(dpy, window, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!img) return -1;
        const long p = static_cast<long>(XGetPixel(img, 0, 0) & 0xFFFFFF);
        XDestroyImage(img);
        return p;
    }

    static inline xtest::XServer* server = nullptr;
    static inline fs::path dir;
    static inline bool ready = false;
    static inline Display* dpy = nullptr;
    std::unique_ptr<xtest::Child> game;
    Window window = 0;
};

bool Near(long rgb, int r, int g, int b) {
    return rgb >= 0 && std::abs(static_cast<int>((rgb >> 16) & 255) - r) <= 3 &&
           std::abs(static_cast<int>((rgb >> 8) & 255) - g) <= 3 &&
           std::abs(static_cast<int>(rgb & 255) - b) <= 3;
}

TEST_F(PlayTest, LoadingScreenThenTitleThenF4EndsWithStatusZero) {
    // The clear colour of the loading screen above its band, then the title's dark blue.
    bool sawLoading = false, sawTitle = false;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!sawTitle && std::chrono::steady_clock::now() < end) {
        const long p = Pixel(20, 100);
        if (Near(p, 40, 40, 80)) sawLoading = true;
        if (sawLoading && Near(p, 0, 0, 20)) sawTitle = true;
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(sawLoading);
    EXPECT_TRUE(sawTitle);
    ASSERT_EQ(xtest::Run("xdotool key F4"), 0);
    EXPECT_EQ(game->Wait(10), 0);
}

TEST_F(PlayTest, CloseRequestEndsWithStatusZero) {
    std::this_thread::sleep_for(300ms);
    xtest::SendCloseRequest(dpy, window);
    EXPECT_EQ(game->Wait(10), 0);
}

}  // namespace
