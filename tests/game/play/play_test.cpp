// The game program itself on a private X server: the loading screen, then the title; F4 and the
// window's close request end it with status 0.
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, ...) must not meet its declarations.
#include <X11/Xutil.h>

#include <chrono>
#include <filesystem>
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
        dir = fs::temp_directory_path() / ("zarnok-play-" + std::to_string(getpid()));
        fs::create_directories(dir);
        const std::string gen = "'" + kDatagen + "' --out '" + (dir / "data").string() + "' >/dev/null 2>&1";
        ready = xtest::Run(gen) == 0;
    }
    static void TearDownTestSuite() {
        if (!dir.empty()) fs::remove_all(dir);
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        if (!ready) GTEST_SKIP() << "needs the game, the data generator and Xvfb";
        fs::remove(dir / ".zorbinstate");
        dpy = XOpenDisplay(nullptr);
        ASSERT_NE(dpy, nullptr);
        pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0) _exit(90);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execl(kGame.c_str(), kGame.c_str(), static_cast<char*>(nullptr));
            _exit(91);
        }
        ASSERT_GT(pid, 0);
        window = FindWindow();
        ASSERT_NE(window, 0u) << "no window titled Zarnok";
    }
    void TearDown() override {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (dpy) XCloseDisplay(dpy);
    }

    // The game's window once it is mapped (xdotool waits for it), or 0.
    Window FindWindow() {
        FILE* p = popen("timeout 10 xdotool search --sync --onlyvisible --name '^Zarnok$' 2>/dev/null", "r");
        unsigned long id = 0;
        if (fscanf(p, "%lu", &id) != 1) id = 0;
        pclose(p);
        return static_cast<Window>(id);
    }

    // The window's pixel as 0xRRGGBB, or -1 when it cannot be read.
    long Pixel(int x, int y) {
        XImage* img = XGetImage(dpy, window, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!img) return -1;
        const long p = static_cast<long>(XGetPixel(img, 0, 0) & 0xFFFFFF);
        XDestroyImage(img);
        return p;
    }

    // Waits for the program to end; its exit status, or -1 on a timeout or a signal.
    int WaitExit(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int st = 0;
            if (waitpid(pid, &st, WNOHANG) == pid) {
                pid = 0;
                return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    static inline xtest::XServer* server = nullptr;
    static inline fs::path dir;
    static inline bool ready = false;
    Display* dpy = nullptr;
    pid_t pid = 0;
    Window window = 0;
};

bool Near(long rgb, int r, int g, int b) {
    return rgb >= 0 && std::abs(static_cast<int>((rgb >> 16) & 255) - r) <= 3 &&
           std::abs(static_cast<int>((rgb >> 8) & 255) - g) <= 3 &&
           std::abs(static_cast<int>(rgb & 255) - b) <= 3;
}

TEST_F(PlayTest, LoadingScreenThenTitleThenF4EndsWithStatusZero) {
    // The clear colour of the loading screen above its band, then the title's black.
    bool sawLoading = false, sawTitle = false;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!sawTitle && std::chrono::steady_clock::now() < end) {
        const long p = Pixel(20, 100);
        if (Near(p, 40, 40, 80)) sawLoading = true;
        if (sawLoading && Near(p, 0, 0, 0)) sawTitle = true;
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(sawLoading);
    EXPECT_TRUE(sawTitle);
    ASSERT_EQ(xtest::Run("xdotool key F4"), 0);
    EXPECT_EQ(WaitExit(10s), 0);
}

TEST_F(PlayTest, CloseRequestEndsWithStatusZero) {
    std::this_thread::sleep_for(300ms);
    xtest::SendCloseRequest(dpy, window);
    EXPECT_EQ(WaitExit(10s), 0);
}

}  // namespace
