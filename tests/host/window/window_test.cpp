// The GLFW host with a real window on a private X server: the first window, its re-creation, the
// key translation with real X key presses, the close request and the focus.
// GoogleTest first: Xlib defines macros (None, Bool, ...) that its headers must not see.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

#include "tests/host/recorder.h"
#include "tests/host/x_server.h"

using hosttest::Calls;
using hosttest::Count;
using hosttest::Keys;
using hosttest::Recorder;

namespace {

xtest::XServer* server = nullptr;

class XEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        server = new xtest::XServer();
        ASSERT_TRUE(server->Ok()) << "Xvfb did not start";
        setenv("DISPLAY", server->Name().c_str(), 1);
        ASSERT_EQ(glfwInit(), GLFW_TRUE);
    }
    void TearDown() override {
        glfwTerminate();
        delete server;
    }
};
const auto* const env = ::testing::AddGlobalTestEnvironment(new XEnvironment);

// Dispatches events until `done` holds or the time is up.
template <class Pred>
bool PumpUntil(Pred done, double seconds = 2.0) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        glfwPollEvents();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    glfwPollEvents();
    return done();
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Calls().clear();
        recorder = new Recorder();
        game.SetDelegate(recorder);
        game.SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
        ASSERT_NE(game.Window(), nullptr);
        dpy = XOpenDisplay(nullptr);
        ASSERT_NE(dpy, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return glfwGetWindowAttrib(game.Window(), GLFW_FOCUSED) != 0; }));
        game.StartGame();
        Calls().clear();
    }
    void TearDown() override { XCloseDisplay(dpy); }
    Window XWindow() { return glfwGetX11Window(game.Window()); }

    VxGlfwGame game;
    Recorder* recorder = nullptr;
    Display* dpy = nullptr;
};

TEST_F(WindowTest, FirstWindowIsCentredTitledAndSized) {
    EXPECT_EQ(game.GetDeviceWidth(), 640);
    EXPECT_EQ(game.GetDeviceHeight(), 480);
    EXPECT_EQ(xtest::WindowName(dpy, XWindow()), "Zarnok");
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(dpy, XWindow(), DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
    EXPECT_EQ(x, (1280 - 640) / 2);
    EXPECT_EQ(y, (1024 - 480) / 2);
    EXPECT_EQ(glfwGetWindowAttrib(game.Window(), GLFW_RESIZABLE), GLFW_TRUE);
    EXPECT_EQ(glfwGetCurrentContext(), game.Window());

    VxDisplayMode* desktop = game.GetDesktopMode();
    EXPECT_EQ(desktop->width, 1280);
    EXPECT_EQ(desktop->height, 1024);
    Array<VxDisplayMode*> modes = game.GetDisplayModes();
    ASSERT_GE(modes.Length(), 1);
    EXPECT_EQ(modes[modes.Length() - 1]->width, 1280);
    VxGlfwVideoMode* glfwDesktop = game.GetGlfwDesktopMode();
    EXPECT_EQ(glfwDesktop->RedBits, 8);
}

TEST_F(WindowTest, RecreatingReleasesHeldKeysAndCountsTheContext) {
    ASSERT_EQ(xtest::Run("xdotool keydown space keydown Left"), 0);
    ASSERT_TRUE(PumpUntil([] { return Keys().size() >= 3; }));
    Calls().clear();
    int seq = glfwGraphicsSeq;
    game.SetDeviceWindow(320, 200, 0);
    EXPECT_EQ(glfwGraphicsSeq, seq + 1);
    std::vector<std::pair<int, int>> expected = {{2, 32}, {2, 37}};
    EXPECT_EQ(Keys(), expected);
    EXPECT_EQ(game.GetDeviceWidth(), 320);
    xtest::Run("xdotool keyup space keyup Left");
    PumpUntil([] { return false; }, 0.2);
    // The new window never saw these keys go down, so their release is not passed on.
    EXPECT_EQ(Keys(), expected);
}

struct KeyCase {
    const char* name;  // X key name for xdotool
    std::vector<int> downs;
};

TEST_F(WindowTest, EveryPhysicalKeyGivesItsFrameworkCode) {
    std::vector<KeyCase> cases = {
        {"space", {32}},         {"apostrophe", {222}},
        {"quotedbl", {16, 222}}, {"comma", {188}},
        {"minus", {189}},        {"period", {190}},
        {"slash", {191}},        {"semicolon", {186}},
        {"equal", {187}},        {"bracketleft", {219}},
        {"backslash", {220}},    {"bracketright", {221}},
        {"grave", {192}},        {"asciitilde", {16, 192}},
        {"Escape", {27}},        {"Up", {38}},
        {"Down", {40}},          {"Left", {37}},
        {"Right", {39}},         {"Shift_L", {16}},
        {"Shift_R", {16}},       {"Control_L", {17}},
        {"Control_R", {17}},     {"Tab", {9}},
        {"Return", {13}},        {"BackSpace", {8}},
        {"Insert", {45}},        {"Delete", {46}},
        {"Prior", {33}},         {"Next", {34}},
        {"Home", {36}},          {"End", {35}},
        {"KP_Divide", {111}},    {"KP_Multiply", {106}},
        {"KP_Subtract", {109}},  {"KP_Add", {107}},
        {"Alt_L", {}},           {"Alt_R", {}},
        {"KP_Enter", {}},        {"Super_L", {}},
    };
    for (int i = 0; i < 10; ++i) cases.push_back({strdup(std::to_string(i).c_str()), {48 + i}});
    for (int i = 0; i < 26; ++i) cases.push_back({strdup(std::string(1, char('a' + i)).c_str()), {65 + i}});
    for (int i = 0; i < 12; ++i) cases.push_back({strdup(("F" + std::to_string(i + 1)).c_str()), {112 + i}});
    // The keypad digits and point: Num Lock on, as a player typing digits has it.
    xtest::Run("xdotool key Num_Lock");
    for (int i = 0; i < 10; ++i) cases.push_back({strdup(("KP_" + std::to_string(i)).c_str()), {96 + i}});
    cases.push_back({"KP_Decimal", {110}});

    for (const KeyCase& c : cases) {
        Calls().clear();
        ASSERT_EQ(xtest::Run(std::string("xdotool key ") + c.name), 0) << c.name;
        int last = c.downs.empty() ? 0 : c.downs.back();
        PumpUntil(
            [&] {
                for (auto& k : Keys())
                    if (k.first == 2 && k.second == last) return true;
                return false;
            },
            last ? 2.0 : 0.15);
        std::vector<int> downs;
        for (auto& k : Keys()) {
            // Modifiers the tool adds on its own to reach a key are not the key's code.
            bool wanted16 = std::find(c.downs.begin(), c.downs.end(), 16) != c.downs.end();
            if (k.first == 1 && (k.second != 16 || wanted16)) downs.push_back(k.second);
        }
        // The tool reaches the right-hand modifiers with the left one held: one code each way.
        downs.erase(std::unique(downs.begin(), downs.end()), downs.end());
        EXPECT_EQ(downs, c.downs) << "key " << c.name;
    }
}

TEST_F(WindowTest, ArrowsTypeCharactersAndLettersTypeThroughTheCharacterCallback) {
    ASSERT_EQ(xtest::Run("xdotool key Left a"), 0);
    ASSERT_TRUE(PumpUntil([] { return Keys().size() >= 5; }));
    std::vector<std::pair<int, int>> expected = {{1, 37}, {3, 65573}, {2, 37}, {1, 65}, {3, 97}, {2, 65}};
    PumpUntil([] { return Keys().size() >= 6; });
    EXPECT_EQ(Keys(), expected);
}

TEST_F(WindowTest, AHeldKeyRepeats) {
    std::atomic<bool> done{false};
    std::thread holder([&] {
        xtest::Run("xdotool keydown Left; sleep 1.5; xdotool keyup Left");
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 10.0);
    holder.join();
    PumpUntil([] { return false; }, 0.1);
    int downs = 0, chars = 0, ups = 0;
    for (auto& k : Keys()) {
        downs += k.first == 1 && k.second == 37;
        chars += k.first == 3 && k.second == 65573;
        ups += k.first == 2 && k.second == 37;
    }
    EXPECT_GE(downs, 3);
    EXPECT_EQ(chars, downs);
    EXPECT_EQ(ups, 1);
}

TEST_F(WindowTest, CloseRequestBecomesKey432AndTheWindowStays) {
    xtest::SendCloseRequest(dpy, XWindow());
    ASSERT_TRUE(PumpUntil([] { return Keys().size() >= 2; }));
    PumpUntil([] { return false; }, 0.1);
    std::vector<std::pair<int, int>> expected = {{1, 432}, {2, 432}};
    EXPECT_EQ(Keys(), expected);
    EXPECT_FALSE(glfwWindowShouldClose(game.Window()));
}

TEST_F(WindowTest, MouseButtonsAndMovesCarryThePointer) {
    ASSERT_EQ(xtest::Run("xdotool mousemove --window " + std::to_string(XWindow()) + " 100 50 click 1"), 0);
    ASSERT_TRUE(PumpUntil([] { return Count('m') >= 3 && Calls().back().event == 5; }));
    const hosttest::Call& up = Calls().back();
    EXPECT_EQ(up.data, 0);
    EXPECT_EQ(up.x, 100.0f);
    EXPECT_EQ(up.y, 50.0f);
    bool moved = false;
    for (auto& c : Calls()) moved |= c.kind == 'm' && c.event == 6 && c.data == -1 && c.x == 100.0f;
    EXPECT_TRUE(moved);
}

// The real loop: losing the focus suspends the game once and stops its updates until the focus
// returns; then it resumes once and updates again.
TEST(HostLoop, FocusLossSuspendsUntilTheFocusReturns) {
    Calls().clear();
    VxGlfwGame game;
    Recorder* recorder = new Recorder();
    std::atomic<Window> xwindow{0};
    recorder->hook = [&](const hosttest::Call& c) {
        if (c.kind == 'S') {
            game.SetUpdateRate(60);
            xwindow = glfwGetX11Window(game.Window());
        }
        if (c.kind == 'k' && c.event == 1 && c.data == 432)
            glfwSetWindowShouldClose(game.Window(), GLFW_TRUE);
    };
    game.SetDelegate(recorder);

    std::size_t suspendedAt = 0, resumedAt = 0;
    std::thread script([&] {
        Display* dpy = XOpenDisplay(nullptr);
        while (!xwindow) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        XSetInputFocus(dpy, None, RevertToNone, CurrentTime);
        XSync(dpy, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        XSetInputFocus(dpy, xwindow, RevertToParent, CurrentTime);
        XSync(dpy, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        xtest::SendCloseRequest(dpy, xwindow);
        XCloseDisplay(dpy);
    });
    game.Run();
    script.join();

    const auto& calls = Calls();
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].kind == 's') suspendedAt = i;
        if (calls[i].kind == 'r') resumedAt = i;
    }
    EXPECT_EQ(Count('s'), 1);
    EXPECT_EQ(Count('r'), 1);
    ASSERT_LT(suspendedAt, resumedAt);
    int updatesBefore = 0, updatesDuring = 0, updatesAfter = 0, rendersDuring = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].kind == 'u')
            (i < suspendedAt ? updatesBefore : i < resumedAt ? updatesDuring : updatesAfter)++;
        if (calls[i].kind == 'R' && i > suspendedAt && i < resumedAt) ++rendersDuring;
    }
    EXPECT_GT(updatesBefore, 5);
    EXPECT_EQ(updatesDuring, 0);
    EXPECT_GT(updatesAfter, 5);
    // While suspended the loop waits for events instead of spinning.
    EXPECT_LT(rendersDuring, 10);
}

}  // namespace
