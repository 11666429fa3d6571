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

TEST_F(AppTest, FunctionKeysToggleOnTheirHit) {
    KeyDown(112);
    Update();
    EXPECT_EQ(vx_Zarnok_DebugMode, 1);
    Update();  // held, no new hit
    EXPECT_EQ(vx_Zarnok_DebugMode, 1);
    KeyUp(112);
    KeyDown(112);
    Update();
    EXPECT_EQ(vx_Zarnok_DebugMode, 0);
    KeyDown(113);
    Update();
    EXPECT_EQ(app->f_showInfo, 1);
}

TEST_F(AppTest, DebugLineIsQueuedLast) {
    app->f_font = 90;
    app->f_fontMetrics[270] = 7;
    app->f_fontMetrics[271] = 10;
    Update();
    const int before = app->f_drawCount;
    vx_Zarnok_DebugMode = 1;
    Update();
    // The render rate, the two scales, then the trailing space: one glyph per character after the
    // menu's picture, starting at x 16 with their top at 464.
    const String line = String(0) + String(":") + String(1.0f) + String(",") + String(1.0f);
    EXPECT_EQ(app->f_drawCount, before + line.Length() * 15);
    const float* first = app->f_drawList.Data() + before;
    EXPECT_EQ(first[0], 90);
    EXPECT_EQ(first[1], 16);
    EXPECT_EQ(first[2], 480 - 16 + 5);
    EXPECT_EQ(first[6], '0' - 32);
}

TEST_F(AppTest, QuitKeysEndTheProgramWithStatusZero) {
    EXPECT_EXIT(
        {
            KeyDown(115);
            Update();
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            KeyDown(432);
            Update();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(AppTest, PointerAndTouchesInVirtualPixels) {
    app->p_ComputeScale(1280, 960);  // scale 2
    input->p_MouseEvent(6, 0, 100, 50);
    Update();
    EXPECT_EQ(app->f_ptrX, 50);
    EXPECT_EQ(app->f_pointerDown, 0);
    EXPECT_EQ(app->f_touchVX[0], -3717);
    input->p_MouseEvent(6, 0, 300, 51);
    input->p_MouseEvent(4, 0, 301, 51);
    Update();
    // A fresh press does not jump from the previous position.
    EXPECT_EQ(app->f_ptrX, 150);
    EXPECT_EQ(app->f_ptrOldX, 150);
    EXPECT_EQ(app->f_ptrY, 25);
    EXPECT_EQ(app->f_pointerDown, 1);
    EXPECT_EQ(app->f_touchDown[0], 1) << "the left button is touch 0";
    EXPECT_EQ(app->f_touchVX[0], 150);
    input->p_MouseEvent(6, 0, 321, 51);
    Update();
    EXPECT_EQ(app->f_ptrOldX, 150);
    EXPECT_EQ(app->f_ptrX, 160);
    input->p_TouchEvent(7, 3, 40, 60);
    Update();
    EXPECT_EQ(app->f_touchDown[3], 1);
    EXPECT_EQ(app->f_touchVX[3], 20);
    EXPECT_EQ(app->f_touchVY[3], 30);
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

TEST_F(AppTest, BackRequestAndUpdateRate) {
    KeyDown(416);
    input->p_BeginUpdate();
    app->p_OnUpdate();
    EXPECT_EQ(app->f_controls[19], 1);
    input->p_EndUpdate();
    host->now = 1000;
    Update();
    host->now = 1016;
    Update();
    EXPECT_EQ(app->f_updateFps, 62);
    host->now = 1016;  // no time passed: the previous rate counts
    Update();
    EXPECT_EQ(app->f_updateFps, 62);
}

TEST_F(AppTest, AGameSuspendedDuringPlayComesBackPaused) {
    app->f_mode = 10;
    app->f_controls[3] = 2;
    vx_Zarnok_iCadeControls = 1;
    app->p_OnSuspend();
    EXPECT_EQ(app->f_paused, 1);
    EXPECT_EQ(app->f_pauseDir, 1);
    EXPECT_EQ(app->f_pauseY, 240);
    EXPECT_EQ(app->f_controls[3], 0);
    EXPECT_EQ(vx_Zarnok_iCadeControls, 0);
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
    EXPECT_EQ(app->f_paused, 0);
    EXPECT_EQ(app->f_pauseY, 0);
    app->p_OnResume();
    EXPECT_EQ(app->f_paused, 0);
}

TEST_F(AppTest, NoScreenRunsWhileLoading) {
    app->f_loadStep = 0;
    app->f_mode = 2;
    Update();
    EXPECT_EQ(app->f_mode, 1) << "mode 2 returns to the title in the same update";
}

}  // namespace

namespace {

TEST(CreditText, ShapeOfTheRoll) {
    const Array<String> lines = vx_Zarnok_BuildCreditText();
    ASSERT_EQ(lines.Length(), 50);
    const std::set<int> empty = {0, 4, 6, 10, 12, 14, 17, 22, 23, 25, 27, 36, 38, 47};
    const std::set<int> separators = {5, 11, 24, 37, 48};
    int credits = 0;
    for (int i = 0; i < 50; ++i) {
        EXPECT_LE(lines[i].Length(), 18) << i;
        if (empty.count(i)) {
            EXPECT_TRUE(lines[i].Empty()) << i;
        } else if (separators.count(i)) {
            EXPECT_EQ(lines[i], String("-=-=-")) << i;
        } else if (i != 49) {
            EXPECT_FALSE(lines[i].Empty()) << i;
            ++credits;
        }
    }
    EXPECT_EQ(credits, 30);
    EXPECT_EQ(lines[49], String("End"));
    EXPECT_EQ(lines[16], lines[21]);
    EXPECT_EQ(lines[16], lines[29]);
}

}  // namespace
