// The update dispatch without a window: global keys, pointer, latches, boxes, suspension.
#include <set>

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

TEST_F(AppTest, FunctionKeysToggleOnTheirHitAndBackIsRequested) {
    KeyDown(112);
    Update();
    EXPECT_EQ(vx_Zarnok_DebugMode, 1);
    Update();  // held, no new hit
    EXPECT_EQ(vx_Zarnok_DebugMode, 1);
    KeyUp(112);
    KeyDown(112);
    KeyDown(113);
    KeyDown(416);
    app->f_keyLatch = 1;  // a press held from before: the title's back request would end the program
    input->p_BeginUpdate();
    app->p_OnUpdate();
    EXPECT_EQ(vx_Zarnok_DebugMode, 0);
    EXPECT_EQ(app->f_showInfo, 1);
    EXPECT_EQ(app->f_controls[19], 1) << "the back request";
    input->p_EndUpdate();
}

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

TEST_F(AppTest, BackClosesTheCreditsBoxOnceAndTheBoxesSlide) {
    app->f_creditsOpen = 1;
    for (int i = 0; i < 40; ++i) Update();
    EXPECT_EQ(app->f_creditsSlide, 30);
    KeyDown(27);
    Update();
    EXPECT_EQ(app->f_creditsOpen, 0);
    EXPECT_EQ(app->f_keyLatch, 1);
    EXPECT_EQ(app->f_pointerLatch, 1);
    EXPECT_EQ(app->f_creditsSlide, 29);
    // While back is still held the latch stays; once nothing is held it clears.
    Update();
    EXPECT_EQ(app->f_keyLatch, 1);
    KeyUp(27);
    Update();
    EXPECT_EQ(app->f_keyLatch, 0);
    // The options box holds both latches while it is open.
    app->f_optionsOpen = 1;
    Update();
    EXPECT_EQ(app->f_keyLatch, 1);
    EXPECT_EQ(app->f_pointerLatch, 1);
    EXPECT_EQ(app->f_optionsSlide, 1);
}

TEST_F(AppTest, AGameSuspendedDuringPlayComesBackPaused) {
    app->f_mode = 10;
    app->f_controls[3] = 2;
    vx_Zarnok_iCadeControls = 1;
    app->p_OnSuspend();
    EXPECT_EQ((std::vector<int>{app->f_paused, app->f_pauseDir, app->f_controls[3], vx_Zarnok_iCadeControls}),
              (std::vector<int>{1, 1, 0, 0}));
    EXPECT_EQ(app->f_pauseY, 240);
    EXPECT_EQ(vx_app__updateRate, 5);
    EXPECT_EQ(host->saves, 1);
    app->f_paused = 0;
    app->p_OnResume();
    EXPECT_EQ(app->f_paused, 1);
    EXPECT_EQ(app->f_pauseY, 240);
    EXPECT_EQ(vx_app__updateRate, 60);
    EXPECT_FALSE(host->KeyboardEnabled());
    // Outside play nothing is paused.
    app->f_mode = 1;
    app->p_OnSuspend();
    app->p_OnResume();
    EXPECT_EQ(app->f_paused, 0);
    EXPECT_EQ(app->f_pauseY, 0);
}

TEST_F(AppTest, NoScreenRunsWhileLoading) {
    app->f_loadStep = 0;
    app->f_mode = 2;
    Update();
    EXPECT_EQ(app->f_mode, 1) << "mode 2 returns to the title in the same update";
}

TEST(CreditText, ShapeOfTheRoll) {
    const Array<String> lines = vx_Zarnok_BuildCreditText();
    ASSERT_EQ(lines.Length(), 50);
    const std::set<int> empty = {0, 4, 6, 10, 12, 14, 17, 22, 23, 25, 27, 36, 38, 47},
                        separators = {5, 11, 24, 37, 48};
    for (int i = 0; i < 49; ++i) {
        EXPECT_LE(lines[i].Length(), 18) << i;
        EXPECT_EQ(lines[i].Empty(), empty.count(i) > 0) << i;
        EXPECT_EQ(lines[i] == String("-=-=-"), separators.count(i) > 0) << i;
    }
    EXPECT_EQ(lines[49], String("End"));
}

}  // namespace
