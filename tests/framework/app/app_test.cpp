// The app module: the application and its delegate, the display-mode enumeration with its map and
// stack, and the whole start of a game in a real window on a private X server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <GLFW/glfw3.h>

#include "framework/app.h"
#include "framework/audio.h"
#include "framework/graphics.h"
#include "framework/input.h"
#include "native/gxtk_audio.h"
#include "native/gxtk_graphics.h"
#include "tests/host/x_server.h"

namespace {

std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

class LoggingApp : public c_App {
  public:
    LoggingApp* m_new() {
        c_App::m_new();
        return this;
    }
    int p_OnCreate() override {
        Log().push_back("create");
        return 0;
    }
    int p_OnSuspend() override {
        Log().push_back("app suspend");
        return 0;
    }
    int p_OnResume() override {
        Log().push_back("app resume");
        return 0;
    }
    int p_OnUpdate() override {
        Log().push_back("update " + std::to_string(vx_app_DeviceWidth()));
        return 0;
    }
    int p_OnRender() override {
        Log().push_back("render");
        return 0;
    }
};

class LoggingAudio : public gxtkAudio {
  public:
    int Suspend() override {
        Log().push_back("audio suspend");
        return 0;
    }
    int Resume() override {
        Log().push_back("audio resume");
        return 0;
    }
};

// A host without a window whose size and display modes the test sets.
class FakeHost : public VxGame {
  public:
    int width = 640, height = 480;
    std::vector<std::pair<int, int>> modes;
    bool hasDesktop = true;
    int GetDeviceWidth() override { return width; }
    int GetDeviceHeight() override { return height; }
    Array<VxDisplayMode*> GetDisplayModes() override {
        Array<VxDisplayMode*> out(static_cast<int>(modes.size()));
        for (std::size_t i = 0; i < modes.size(); ++i) {
            VxDisplayMode* m = new VxDisplayMode();
            m->width = modes[i].first;
            m->height = modes[i].second;
            out.Set(static_cast<int>(i), m);
        }
        return out;
    }
    VxDisplayMode* GetDesktopMode() override {
        if (!hasDesktop) return nullptr;
        VxDisplayMode* m = new VxDisplayMode();
        m->width = 1920;
        m->height = 1080;
        return m;
    }
};

void ResetAppModule() {
    vx_app__app = nullptr;
    vx_app__delegate = nullptr;
    vx_app__devWidth = vx_app__devHeight = 0;
    vx_app__displayModes = Array<c_DisplayMode*>();
    vx_app__desktopMode = nullptr;
    vx_app__updateRate = 0;
    Log().clear();
}

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("ALSOFT_DRIVERS", "null", 1);
        ResetAppModule();
        vx_app__game = &host;
    }
    FakeHost host;
};

// ---- The map and the stack --------------------------------------------------------------------

// Black nodes on every path from `node` down, or -1 if a rule of the tree is broken.
int BlackHeight(c_Node* node, c_Node* parent, long lo, long hi) {
    if (!node) return 1;
    if (node->f_parent != parent || node->f_key <= lo || node->f_key >= hi) return -1;
    if (node->f_color == -1 &&
        ((node->f_left && node->f_left->f_color == -1) || (node->f_right && node->f_right->f_color == -1)))
        return -1;
    int left = BlackHeight(node->f_left, node, lo, node->f_key);
    int right = BlackHeight(node->f_right, node, node->f_key, hi);
    if (left < 0 || left != right) return -1;
    return left + (node->f_color == 1 ? 1 : 0);
}

TEST(IntMap, StaysABalancedSearchTree) {
    c_IntMap* map = (new c_IntMap())->m_new();
    std::vector<int> keys;
    for (int i = 0; i < 500; ++i) keys.push_back((i * 7919) % 1000 - 500);
    std::mt19937 rng(7);
    std::shuffle(keys.begin(), keys.end(), rng);
    c_DisplayMode* value = (new c_DisplayMode())->m_new(1, 2);
    for (int k : keys) EXPECT_TRUE(map->p_Insert(k, value));
    ASSERT_NE(map->f_root, nullptr);
    EXPECT_EQ(map->f_root->f_color, 1);
    int height = BlackHeight(map->f_root, nullptr, -100000, 100000);
    EXPECT_GT(height, 0);
    EXPECT_LE(height, 10);  // 500 keys: a red-black tree keeps this near log2
    for (int k : keys) EXPECT_TRUE(map->p_Contains(k));
    EXPECT_FALSE(map->p_Contains(100000));

    c_DisplayMode* other = (new c_DisplayMode())->m_new2();
    EXPECT_FALSE(map->p_Set(keys[3], other));
    EXPECT_EQ(map->p_FindNode(keys[3])->f_value, other);
}

TEST(Stack, GrowsAndCopiesOutExactly) {
    c_Stack* stack = (new c_Stack())->m_new();
    EXPECT_TRUE(stack->p_ToArray().SameAs(Array<c_DisplayMode*>()));
    std::vector<c_DisplayMode*> pushed;
    for (int i = 0; i < 25; ++i) {
        pushed.push_back((new c_DisplayMode())->m_new(i, i));
        stack->p_Push(pushed.back());
    }
    EXPECT_EQ(stack->f_data.Length(), 30);  // 10, then 30
    Array<c_DisplayMode*> out = stack->p_ToArray();
    ASSERT_EQ(out.Length(), 25);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(out[i], pushed[i]);
}

// ---- Module functions -------------------------------------------------------------------------

TEST_F(AppTest, DisplayModesAreDistinctSizesInFirstOrder) {
    host.modes = {{1024, 768}, {800, 600}, {1024, 768}, {640, 480}, {800, 600}};
    vx_app_EnumDisplayModes();
    ASSERT_EQ(vx_app__displayModes.Length(), 3);
    EXPECT_EQ(vx_app__displayModes[0]->f__width, 1024);
    EXPECT_EQ(vx_app__displayModes[0]->f__height, 768);
    EXPECT_EQ(vx_app__displayModes[1]->f__width, 800);
    EXPECT_EQ(vx_app__displayModes[2]->f__height, 480);
    EXPECT_EQ(vx_app__desktopMode->f__width, 1920);

    host.modes.clear();
    host.hasDesktop = false;
    vx_app__devWidth = 640;
    vx_app__devHeight = 480;
    vx_app_EnumDisplayModes();
    EXPECT_EQ(vx_app__displayModes.Length(), 0);
    EXPECT_EQ(vx_app__desktopMode->f__width, 640);
    EXPECT_EQ(vx_app__desktopMode->f__height, 480);
}

TEST_F(AppTest, UpdateRateAndStatePassThroughToTheHost) {
    vx_app_SetUpdateRate(5);
    EXPECT_EQ(host.UpdateRate(), 5);
    vx_app_SetUpdateRate(60);
    EXPECT_EQ(vx_app__updateRate, 60);
    EXPECT_EQ(host.UpdateRate(), 60);
}

TEST_F(AppTest, TheApplicationHandsItsDelegateToTheHost) {
    LoggingApp* app = (new LoggingApp())->m_new();
    EXPECT_EQ(vx_app__app, app);
    ASSERT_NE(vx_app__delegate, nullptr);
    EXPECT_EQ(host.Delegate(), vx_app__delegate);
    EXPECT_EQ(vx_app__delegate->f__graphics, nullptr);
    EXPECT_EXIT((new LoggingApp())->m_new(), ::testing::ExitedWithCode(255), "");
}

// A delegate whose devices are stand-ins except the input device.
c_GameDelegate* DelegateWithDevices() {
    c_GameDelegate* d = vx_app__delegate;
    gc_assign(d->f__audio, static_cast<gxtkAudio*>(new LoggingAudio()));
    gc_assign(d->f__input, (new c_InputDevice())->m_new());
    vx_input_SetInputDevice(d->f__input);
    return d;
}

TEST_F(AppTest, SuspendTellsTheAppFirstAndResumeTheAudioFirst) {
    (new LoggingApp())->m_new();
    c_GameDelegate* d = DelegateWithDevices();
    d->SuspendGame();
    d->ResumeGame();
    std::vector<std::string> expected = {"app suspend", "audio suspend", "audio resume", "app resume"};
    EXPECT_EQ(Log(), expected);
}

TEST_F(AppTest, UpdatesSeeTheWindowSizeOfTheirStartAndKeysReachTheInput) {
    (new LoggingApp())->m_new();
    c_GameDelegate* d = DelegateWithDevices();
    d->UpdateGame();
    host.width = 800;
    d->KeyEvent(1, 65);
    EXPECT_TRUE(vx_input_KeyDown(65));
    d->UpdateGame();
    EXPECT_EQ(vx_input_KeyHit(65), 0);  // the hit lived for one update
    EXPECT_TRUE(vx_input_KeyDown(65));
    std::vector<std::string> expected = {"update 640", "update 800"};
    EXPECT_EQ(Log(), expected);
}

TEST_F(AppTest, CloseAndBackKeysEndTheProgramWithStatusZero) {
    (new LoggingApp())->m_new();
    c_GameDelegate* d = DelegateWithDevices();
    d->KeyEvent(2, 432);  // a release alone does nothing
    d->KeyEvent(1, 416 + 1);
    EXPECT_EXIT(d->KeyEvent(1, 432), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(d->KeyEvent(1, 416), ::testing::ExitedWithCode(0), "");
}

// ---- A real start in a real window ------------------------------------------------------------

class CountingApp : public c_App {
  public:
    int creates = 0, updates = 0, renders = 0;
    int startMs = -1;
    CountingApp* m_new() {
        c_App::m_new();
        return this;
    }
    int p_OnCreate() override {
        ++creates;
        vx_app_SetUpdateRate(60);
        return 0;
    }
    int p_OnUpdate() override {
        if (startMs < 0) startMs = vx_app_Millisecs();
        ++updates;
        if (vx_app_Millisecs() - startMs >= 2000) {
            glfwSetWindowShouldClose(static_cast<VxGlfwGame*>(vx_app__game)->Window(), GLFW_TRUE);
        }
        return 0;
    }
    int p_OnRender() override {
        ++renders;
        return 0;
    }
};

TEST(AppInAWindow, StartCreatesTheDevicesAndTheLoopUpdatesSixtyTimesASecond) {
    xtest::XServer server;
    ASSERT_TRUE(server.Ok());
    setenv("DISPLAY", server.Name().c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    ASSERT_EQ(glfwInit(), GLFW_TRUE);
    ResetAppModule();
    {
        VxGlfwGame host;
        vx_app__game = &host;
        gc_assign(vx_graphics_context, (new c_GraphicsContext())->m_new());
        CountingApp* app = (new CountingApp())->m_new();
        gc_add_root(vx_app__app);
        gc_add_root(vx_graphics_context);
        host.Run();

        c_GameDelegate* d = vx_app__delegate;
        EXPECT_EQ(app->creates, 1);
        ASSERT_NE(d->f__graphics, nullptr);
        EXPECT_EQ(vx_graphics_device, d->f__graphics);
        EXPECT_EQ(vx_audio_device, d->f__audio);
        EXPECT_EQ(vx_input_device, d->f__input);
        EXPECT_EQ(vx_app_DeviceWidth(), 640);
        EXPECT_EQ(vx_app_DeviceHeight(), 480);
        EXPECT_GE(vx_app__displayModes.Length(), 1);
        EXPECT_EQ(vx_app__desktopMode->f__width, 1280);
        EXPECT_EQ(vx_app__updateRate, 60);
        // Two seconds at 60 updates a second, each frame drawn. The loop never runs ahead of the
        // rate; how far behind it falls depends on the machine's load, which the controlled-clock
        // tests of the loop cover exactly.
        EXPECT_LE(app->updates, 124);
        EXPECT_GE(app->updates, 20);
        EXPECT_GE(app->renders, app->updates - 4);
        gc_clear_roots();
    }
    glfwTerminate();
}

}  // namespace
