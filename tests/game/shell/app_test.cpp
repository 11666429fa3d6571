// The update dispatch without a window: the rate, the pointer, suspension.
#include "test_host.h"

namespace {

class AppTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        app->f_mode = 1;
        app->f_options[5] = 0;  // no sound device here
        app->p_ComputeScale(host->width, host->height);
    }
    void Update() {
        input->p_BeginUpdate();
        app->p_OnUpdate();
        input->p_EndUpdate();
    }
};

TEST_F(AppTest, UpdateRateSurvivesAnUpdateWithoutElapsedTime) {
    host->now = 1000;
    Update();
    host->now = 1016;
    Update();
    EXPECT_EQ(app->f_updateFps, 62);
    Update();  // no time passed: the previous rate counts
    EXPECT_EQ(app->f_updateFps, 62);
}

TEST_F(AppTest, PointerAndTouchesInVirtualPixels) {
    app->p_ComputeScale(1280, 960);  // scale 2
    auto expect = [&](std::vector<int> want) {
        EXPECT_EQ((std::vector<int>{app->f_ptrX, app->f_ptrOldX, app->f_ptrY, app->f_pointerDown,
                                    app->f_touchDown[0], app->f_touchVX[0]}),
                  want);
    };
    input->p_MouseEvent(6, 0, 100, 50);
    Update();
    expect({50, 0, 25, 0, 0, -3717});
    input->p_MouseEvent(6, 0, 300, 51);
    input->p_MouseEvent(4, 0, 301, 51);
    Update();
    expect({150, 150, 25, 1, 1, 150});  // a fresh press does not jump; the left button is touch 0
    input->p_MouseEvent(6, 0, 321, 51);
    Update();
    expect({160, 150, 25, 1, 1, 160});
    input->p_TouchEvent(7, 3, 40, 60);
    Update();
    EXPECT_EQ((std::vector<int>{app->f_touchDown[3], app->f_touchVX[3], app->f_touchVY[3]}),
              (std::vector<int>{1, 20, 30}));
    app->f_pointerLatch = 1;
    input->p_MouseEvent(5, 0, 0, 0);
    input->p_TouchEvent(8, 3, 0, 0);
    Update();
    EXPECT_EQ(app->f_pointerDown, 0);
    EXPECT_EQ(app->f_pointerLatch, 0);
}

TEST_F(AppTest, AGameSuspendedDuringPlayComesBackPausedAndSaved) {
    app->f_mode = 10;
    vx_Zarnok_iCadeControls = 1;
    app->p_OnSuspend();
    EXPECT_EQ((std::vector<float>{float(app->f_paused), float(app->f_pauseY), float(vx_app__updateRate),
                                  float(vx_Zarnok_iCadeControls), float(host->saves)}),
              (std::vector<float>{1, 240, 5, 0, 1}));
    app->f_paused = 0;
    app->p_OnResume();
    EXPECT_EQ((std::vector<float>{float(app->f_paused), float(vx_app__updateRate)}),
              (std::vector<float>{1, 60}));
    app->f_mode = 1;  // outside play nothing is paused
    app->p_OnSuspend();
    app->p_OnResume();
    EXPECT_EQ(app->f_paused, 0);
}

}  // namespace
