// The game program itself on a private X server, driven by real key presses from xdotool through
// the title, the credits, the options (with a switch to full screen and back), a game and its pause
// menu. Each step waits for what the window shows, so a slow machine only makes it take longer.
#include <array>
#include <functional>

#include "tests/game/e2e/game_driver.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The colour of the window pixel at virtual-screen coordinates, as {r, g, b}.
std::array<int, 3> At(XImage* img, float scale, float x, float y) {
    const unsigned long p = XGetPixel(img, static_cast<int>(x * scale), static_cast<int>(y * scale));
    return {static_cast<int>(p >> 16 & 255), static_cast<int>(p >> 8 & 255), static_cast<int>(p & 255)};
}
// Bright pixels (a channel above 200) in a box of virtual-screen coordinates: drawn glyphs and images.
int Bright(XImage* img, float scale, float x0, float y0, float x1, float y1) {
    int n = 0;
    for (int y = static_cast<int>(y0 * scale); y < static_cast<int>(y1 * scale); ++y)
        for (int x = static_cast<int>(x0 * scale); x < static_cast<int>(x1 * scale); ++x) {
            const unsigned long p = XGetPixel(img, x, y);
            if ((p >> 16 & 255) > 200 || (p >> 8 & 255) > 200 || (p & 255) > 200) ++n;
        }
    return n;
}

// The game's folder, data and display come from the end-to-end suite's support; its presses are
// held for a number of the game's updates, read from the session's recording.
class WindowTest : public e2e::GameTest {
  protected:
    // A screen of 5:4, where the virtual screen is 640 x 512 and the probes below all lie on it.
    static void SetUpTestSuite() {
        screen = "1280x1024x24";
        GameTest::SetUpTestSuite();
    }
    // Polls the window's picture (its virtual-screen scale passed along) until `ok` holds.
    bool WaitFor(const std::function<bool(XImage*, float)>& ok, std::chrono::seconds limit = 20s) {
        for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;
             std::this_thread::sleep_for(50ms)) {
            XWindowAttributes a;
            if (!(window = FindWindow()) || !XGetWindowAttributes(dpy, window, &a)) continue;
            XImage* img = XGetImage(dpy, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
            if (!img) continue;
            // The virtual screen keeps 640 across or 480 down, whichever gives the larger scale.
            const bool good = ok(img, std::max(a.width / 640.0f, a.height / 480.0f));
            XDestroyImage(img);
            if (good) return true;
        }
        return false;
    }
    // After a switch of screen mode, which nothing hands the focus (there is no window manager):
    // the new window shows the loading screen (its clear colour, polled closely on one pixel), then
    // `ok`.
    bool Reloaded(const std::function<bool(XImage*, float)>& ok) {
        bool loading = false;
        for (auto end = std::chrono::steady_clock::now() + 20s;
             !loading && std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(5ms)) {
            XImage* img = nullptr;
            if (const Window w = FindWindow()) img = XGetImage(dpy, w, 10, 10, 1, 1, AllPlanes, ZPixmap);
            loading = img && (XGetPixel(img, 0, 0) & 0xFFFFFF) == 0x282850;
            if (img) XDestroyImage(img);
        }
        return loading && WaitFor(ok, 60s);
    }
};

TEST_F(WindowTest, KeysReachEveryScreenAndFullScreenKeepsTheImages) {
    Start("--record session.txt");
    auto listsShown = [](XImage* i, float s) { return Bright(i, s, 515, 62, 600, 78) > 40; };  // "Top 10"
    ASSERT_TRUE(WaitFor(listsShown)) << "the title with its score panel";

    Press("n");  // credits: the top border's first block is green
    ASSERT_TRUE(WaitFor([](XImage* i, float s) {
        auto c = At(i, s, 52, 8);
        return c[0] < 40 && c[1] > 220 && c[2] < 40;
    }));
    Press("Return");
    ASSERT_TRUE(WaitFor(listsShown)) << "the credits closed";

    for (int i = 0; i < 3; ++i) Press("Right");  // to the cog, the fourth icon: the lists go
    ASSERT_TRUE(WaitFor([&](XImage* i, float s) { return !listsShown(i, s); }));
    Press("Return");
    auto optionsPanel = [](XImage* i, float s) {
        auto c = At(i, s, 300, 420);
        return c[0] > 110 && c[0] < 145 && c[1] > 50 && c[1] < 80 && c[2] < 30;
    };
    ASSERT_TRUE(WaitFor(optionsPanel)) << "the options box";
    auto screenItemLit = [](XImage* i, float s) { return At(i, s, 90, 212)[1] > 90; };  // its bar lit
    for (int i = 0; i < 4 && !WaitFor(screenItemLit, 3s); ++i) Press("Down");
    // The label "Sound : SFX + Music" (font) and the back cog (an image), before the switch.
    int label = 0, cog = 0;
    ASSERT_TRUE(WaitFor([&](XImage* i, float s) {
        label = Bright(i, s, 90, 128, 400, 152);
        cog = Bright(i, s, 40, 0, 160, 120);
        return optionsPanel(i, s);
    }));
    Press("Return");
    EXPECT_TRUE(Reloaded([&](XImage* i, float s) {
        return i->width == 1280 && optionsPanel(i, s) && Bright(i, s, 90, 128, 400, 152) > label * s * s / 2;
    })) << "full screen, the label drawn";
    Press("Return");
    int labelNow = 0, cogNow = 0;
    EXPECT_TRUE(Reloaded([&](XImage* i, float s) {
        labelNow = Bright(i, s, 90, 128, 400, 152);
        cogNow = Bright(i, s, 40, 0, 160, 120);
        return i->width == 640 && std::abs(labelNow - label) < label / 10 && std::abs(cogNow - cog) < cog / 4;
    })) << "back in the window, the font and the cog draw as before: "
        << labelNow << "/" << label << ", " << cogNow << "/" << cog;
    Press("Escape");
    ASSERT_TRUE(WaitFor([&](XImage* i, float s) { return !optionsPanel(i, s); }));
    // The box slides away over 30 updates after the key closed it, and the title takes no key
    // until it is gone; its last steps are below the window, so only the updates tell.
    Updates(30);

    // A game, its pause panel, and quitting through it back to the title.
    for (int i = 0; i < 3; ++i) Press("Left");
    ASSERT_TRUE(WaitFor(listsShown));
    Press("Return");
    ASSERT_TRUE(WaitFor([&](XImage* i, float s) { return !listsShown(i, s); })) << "the game";
    Updates(60);
    Press("Escape");
    ASSERT_TRUE(WaitFor([](XImage* i, float s) {
        auto c = At(i, s, 200, 290);
        return c[0] > 150 && c[1] > 70 && c[1] < 140 && c[2] < 60;
    })) << "the pause panel";
    Press("Left");
    Press("Return");
    EXPECT_TRUE(WaitFor(listsShown)) << "quit: game over, then the title";
    Key("F4");
    EXPECT_EQ(game->Wait(10), 0);
}

}  // namespace
