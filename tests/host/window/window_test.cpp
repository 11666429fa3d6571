// The GLFW host with a real window on a private X server: the first window, its re-creation, the
// key translation with real X key presses, the mouse, the focus and the close request; and the whole
// program on the real entry, as a separate process, where it cannot start.
// GoogleTest first: Xlib defines macros (None, Bool, ...) that its headers must not see.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

#include "tests/host/recorder.h"
#include "tests/host/x_server.h"

using hosttest::Call;
using hosttest::Calls;
using hosttest::Count;
using hosttest::Recorder;
using KeyList = std::vector<std::pair<int, int>>;

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
    for (int i = 0; i < seconds * 500 && !done(); ++i) {
        glfwPollEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    glfwPollEvents();
    return done();
}

// The key events (event, data) recorded so far, in order.
KeyList Keys() {
    KeyList out;
    for (const Call& c : Calls())
        if (c.kind == 'k') out.push_back({c.event, c.data});
    return out;
}

int CountKeys(int event, int data) {
    KeyList keys = Keys();
    return static_cast<int>(std::count(keys.begin(), keys.end(), std::make_pair(event, data)));
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Calls().clear();
        game.SetDelegate(new Recorder());
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
    Display* dpy = nullptr;
};

// The first window is centred and titled; re-creating it releases the keys held and counts the
// new context.
TEST_F(WindowTest, FirstWindowAndItsRecreation) {
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(dpy, XWindow(), DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair((1280 - 640) / 2, (1024 - 480) / 2));
    char* name = nullptr;
    XFetchName(dpy, XWindow(), &name);
    EXPECT_STREQ(name, "Zarnok");
    XFree(name);
    // Without repeats: on a slow machine a repeat of the held key would reach the new window.
    XKeyboardControl repeat{};
    repeat.auto_repeat_mode = AutoRepeatModeOff;
    XChangeKeyboardControl(dpy, KBAutoRepeatMode, &repeat);
    ASSERT_EQ(xtest::Run("xdotool keydown space keydown Left"), 0);
    ASSERT_TRUE(PumpUntil([] { return Keys().size() >= 3; }));
    Calls().clear();
    int seq = glfwGraphicsSeq;
    game.SetDeviceWindow(320, 200, 0);
    EXPECT_EQ(glfwGraphicsSeq, seq + 1);
    EXPECT_EQ(game.GetDeviceWidth(), 320);
    KeyList expected = {{2, 32}, {2, 37}};
    EXPECT_EQ(Keys(), expected);
    xtest::Run("xdotool keyup space keyup Left");
    PumpUntil([] { return false; }, 0.2);
    // The new window never saw these keys go down, so their release is not passed on.
    EXPECT_EQ(Keys(), expected);
    repeat.auto_repeat_mode = AutoRepeatModeOn;
    XChangeKeyboardControl(dpy, KBAutoRepeatMode, &repeat);
}

// Both ends of each range (letters, digits, function keys, keypad digits), an arrow, a keypad
// operator, specials, and keys the framework has no code for.
TEST_F(WindowTest, PhysicalKeysGiveTheirFrameworkCodes) {
    const std::vector<std::pair<std::string, std::vector<int>>> cases = {
        {"a", {65}},      {"z", {90}},       {"0", {48}},       {"9", {57}},
        {"F1", {112}},    {"F12", {123}},    {"Up", {38}},      {"KP_0", {96}},
        {"KP_9", {105}},  {"KP_Add", {107}}, {"space", {32}},   {"quotedbl", {16, 222}},
        {"grave", {192}}, {"Escape", {27}},  {"Shift_R", {16}}, {"Control_L", {17}},
        {"Return", {13}}, {"Delete", {46}},  {"Alt_L", {}},     {"KP_Enter", {}}};
    // The keypad digits: Num Lock on, as a player typing digits has it.
    xtest::Run("xdotool key Num_Lock");

    for (const auto& [name, want] : cases) {
        Calls().clear();
        ASSERT_EQ(xtest::Run("xdotool key " + name), 0) << name;
        int last = want.empty() ? 0 : want.back();
        PumpUntil([&] { return CountKeys(2, last) > 0; }, last ? 2.0 : 0.15);
        // Shift, which the tool adds on its own to reach a key, is not the key's code; the tool
        // reaches the right-hand modifiers with the left one held: one code each way.
        bool wantShift = std::count(want.begin(), want.end(), 16) > 0;
        std::vector<int> downs;
        for (auto& [event, data] : Keys())
            if (event == 1 && (data != 16 || wantShift) && (downs.empty() || downs.back() != data))
                downs.push_back(data);
        EXPECT_EQ(downs, want) << "key " << name;
    }
}

// Arrows type characters of their own and letters type through the character callback; a held key
// repeats its down and its character. Mouse buttons and moves carry the pointer.
TEST_F(WindowTest, KeysTypeCharactersAndRepeatAndTheMouseCarriesThePointer) {
    ASSERT_EQ(xtest::Run("xdotool key Left a"), 0);
    PumpUntil([] { return CountKeys(2, 65) > 0; });
    EXPECT_EQ(Keys(), (KeyList{{1, 37}, {3, 65573}, {2, 37}, {1, 65}, {3, 97}, {2, 65}}));
    Calls().clear();
    ASSERT_EQ(xtest::Run("xdotool keydown Left"), 0);
    EXPECT_TRUE(PumpUntil([] { return CountKeys(1, 37) >= 3; }, 10.0));
    ASSERT_EQ(xtest::Run("xdotool keyup Left"), 0);
    EXPECT_TRUE(PumpUntil([] { return CountKeys(2, 37) > 0; }));
    EXPECT_EQ(CountKeys(3, 65573), CountKeys(1, 37));
    EXPECT_EQ(CountKeys(2, 37), 1);

    Calls().clear();
    ASSERT_EQ(xtest::Run("xdotool mousemove --window " + std::to_string(XWindow()) + " 100 50 click 1"), 0);
    PumpUntil([] { return Calls().size() >= 3 && Calls().back().event == 5; });
    auto is = [](int event, int data) {
        return [=](const Call& c) {
            return c.kind == 'm' && c.event == event && c.data == data && c.x == 100 && c.y == 50;
        };
    };
    for (auto [event, data] : KeyList{{6, -1}, {4, 0}, {5, 0}})  // move, button down, button up
        EXPECT_TRUE(std::any_of(Calls().begin(), Calls().end(), is(event, data))) << event;
}

// The real loop: losing the focus suspends the game once and stops its updates until the focus
// returns; then it resumes once and updates again. (The clocked loop tests wake it while suspended.)
// The close request arrives as key 432 and leaves the window to the game, which closes it here.
TEST(HostLoop, FocusLossSuspendsUntilTheFocusReturns) {
    Calls().clear();
    VxGlfwGame game;
    Recorder* recorder = new Recorder();
    Display* dpy = XOpenDisplay(nullptr);
    int resumedUpdates = 0;
    recorder->hook = [&](const Call& c) {
        Window window = glfwGetX11Window(game.Window());
        if (c.kind == 'S') game.SetUpdateRate(60);
        // Away after 10 updates, and back as soon as the game has been suspended.
        if ((c.kind == 'u' && Count('s') == 0 && Count('u') == 10) || c.kind == 's') {
            XSetInputFocus(dpy, c.kind == 's' ? window : None, RevertToNone, CurrentTime);
            XSync(dpy, False);
        }
        if (c.kind == 'u' && Count('r') > 0 && ++resumedUpdates == 10) xtest::SendCloseRequest(dpy, window);
        if (c.kind == 'k' && c.event == 1 && c.data == 432)
            glfwSetWindowShouldClose(game.Window(), GLFW_TRUE);
    };
    game.SetDelegate(recorder);
    game.Run();
    XCloseDisplay(dpy);

    std::string kinds;
    for (const Call& c : Calls()) kinds += static_cast<char>(c.kind);
    EXPECT_EQ(Count('s'), 1);
    EXPECT_EQ(Count('r'), 1);
    std::size_t s = kinds.find('s'), r = kinds.find('r');
    ASSERT_LT(s, r);
    EXPECT_EQ(kinds.substr(s, r - s).find('u'), std::string::npos) << kinds;
    EXPECT_GE(resumedUpdates, 10);
}

// Without a display, and on a display without OpenGL. (Its window and close request are tested
// with the game's play tests.)
TEST(Entry, WithoutADisplayOrOpenGlTheProgramFails) {
    const std::string game = ZARNOK_BINARY_DIR "/zarnok";
    xtest::Child alone({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", game});
    EXPECT_EQ(alone.Output(), "glfwInit failed\n");
    EXPECT_EQ(alone.Wait(), 255);
    xtest::XServer withoutGl({"-extension", "GLX"});
    ASSERT_TRUE(withoutGl.Ok());
    xtest::Child noGl({"env", "DISPLAY=" + withoutGl.Name(), game});
    const std::string out = noGl.Output();
    EXPECT_EQ(out.rfind("Could not open the game window: ", 0), 0u) << out;
    EXPECT_EQ(noGl.Wait(), 255);
}

}  // namespace
