// The app module: the application and its delegate, and the display-mode enumeration with its map
// and stack. (The whole start in a real window is run by the game's play and window tests.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/input.h"
#include "native/gxtk_audio.h"

namespace {

std::vector<std::string> log;

// Logs its hooks.
class LoggingApp : public c_App {
  public:
    LoggingApp* m_new() {
        c_App::m_new();
        return this;
    }
    int p_OnSuspend() override { return log.push_back("app suspend"), 0; }
    int p_OnResume() override { return log.push_back("app resume"), 0; }
    int p_OnUpdate() override { return log.push_back("update " + std::to_string(vx_app_DeviceWidth())), 0; }
};

class LoggingAudio : public gxtkAudio {
  public:
    int Suspend() override { return log.push_back("audio suspend"), 0; }
    int Resume() override { return log.push_back("audio resume"), 0; }
};

// A host without a window whose size and display modes the test sets.
class FakeHost : public VxGame {
  public:
    int width = 640;
    std::vector<int> modes;  // widths; each height is width * 3 / 4
    bool hasDesktop = true;
    int GetDeviceWidth() override { return width; }
    int GetDeviceHeight() override { return 480; }
    Array<VxDisplayMode*> GetDisplayModes() override {
        Array<VxDisplayMode*> out(static_cast<int>(modes.size()));
        for (std::size_t i = 0; i < modes.size(); ++i) out.Set(static_cast<int>(i), Mode(modes[i]));
        return out;
    }
    VxDisplayMode* GetDesktopMode() override { return hasDesktop ? Mode(1920) : nullptr; }
    static VxDisplayMode* Mode(int width) {
        VxDisplayMode* m = new VxDisplayMode();
        m->width = width;
        m->height = width * 3 / 4;
        return m;
    }
};

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("ALSOFT_DRIVERS", "null", 1);
        vx_app__app = nullptr;
        vx_app__delegate = nullptr;
        vx_app__devWidth = vx_app__devHeight = 0;
        vx_app__displayModes = Array<c_DisplayMode*>();
        vx_app__desktopMode = nullptr;
        vx_app__updateRate = 0;
        log.clear();
        vx_app__game = &host;
    }
    FakeHost host;
};

TEST_F(AppTest, DisplayModesAreDistinctSizesInFirstOrder) {
    // A size reported twice is listed once, where it first came.
    host.modes = {800, 640, 800};
    vx_app_EnumDisplayModes();
    ASSERT_EQ(vx_app__displayModes.Length(), 2);
    EXPECT_EQ(vx_app__displayModes[0]->f__width, 800);
    EXPECT_EQ(vx_app__displayModes[1]->f__height, 480);
    EXPECT_EQ(vx_app__desktopMode->f__width, 1920);
    // No modes and no desktop mode: the window's size stands in for the desktop.
    host.modes.clear();
    host.hasDesktop = false;
    vx_app__devWidth = 640;
    vx_app__devHeight = 480;
    vx_app_EnumDisplayModes();
    EXPECT_EQ(vx_app__displayModes.Length(), 0);
    EXPECT_EQ(vx_app__desktopMode->f__width, 640);
    EXPECT_EQ(vx_app__desktopMode->f__height, 480);
}

// The application hands its delegate to the host, and there is only one. Suspending tells the app
// first and resuming the audio first; each update sees the window size of its start, and a key's
// hit lives for one update.
TEST_F(AppTest, OneApplicationItsDelegateSuspendResumeAndUpdates) {
    (new LoggingApp())->m_new();
    c_GameDelegate* d = vx_app__delegate;
    EXPECT_EQ(host.Delegate(), d);
    EXPECT_EXIT((new LoggingApp())->m_new(), ::testing::ExitedWithCode(255), "");
    gc_assign(d->f__audio, static_cast<gxtkAudio*>(new LoggingAudio()));
    gc_assign(d->f__input, (new c_InputDevice())->m_new());
    d->SuspendGame();
    d->ResumeGame();
    d->UpdateGame();
    host.width = 800;
    d->KeyEvent(1, 65);
    d->UpdateGame();
    EXPECT_EQ(d->f__input->p_KeyHit(65), 0);
    EXPECT_TRUE(d->f__input->p_KeyDown(65));
    EXPECT_EQ(log, (std::vector<std::string>{"app suspend", "audio suspend", "audio resume", "app resume",
                                             "update 640", "update 800"}));
}

}  // namespace
