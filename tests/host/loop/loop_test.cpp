// The main loop's scheduling, driven by a clock the test controls, and the guarded delegate calls.
#include <gtest/gtest.h>

#include "tests/host/recorder.h"

using hosttest::Call;
using hosttest::Calls;
using hosttest::Count;
using hosttest::Recorder;

namespace {

// The real loop with the platform replaced: time only moves when the test moves it.
class ClockedHost : public VxGlfwGame {
  public:
    double now = 1.0;
    double renderCost = 0.0;  // seconds each render takes
    double waitCost = 0.0;    // seconds each wait for events takes
    bool active = true;
    std::vector<int> sleeps;
    int waits = 0;
    std::vector<int> updatesPerPass;

    double Time() override { return now; }
    void SleepMs(int ms) override {
        sleeps.push_back(ms);
        now += ms / 1000.0;
    }
    void PollEvents() override {}
    void WaitEvents() override {
        ++waits;
        now += waitCost;
    }
    bool WindowOpen() override { return true; }
    bool WindowActive() override { return active; }
    void SwapBuffers() override {}

    void Passes(int n) {
        for (int i = 0; i < n; ++i) {
            int before = Count('u');
            RunPass();
            updatesPerPass.push_back(Count('u') - before);
        }
    }
};

class LoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Calls().clear();
        recorder = new Recorder();
        recorder->hook = [this](const Call& c) {
            if (c.kind == 'R') host.now += host.renderCost;
            if (c.kind == 'u' && onUpdate) onUpdate(Count('u'));
        };
        host.SetDelegate(recorder);
        host.StartGame();
    }
    ClockedHost host;
    Recorder* recorder = nullptr;
    std::function<void(int)> onUpdate;
};

TEST_F(LoopTest, SixtyHertzGivesOneUpdatePerSixtiethOfASecond) {
    host.SetUpdateRate(60);
    double start = host.now;
    while (host.now < start + 10.0) host.Passes(1);
    // 600 updates in 10 s, at most one per pass, and the loop sleeps whole milliseconds between them.
    EXPECT_NEAR(Count('u'), 600, 2);
    for (int n : host.updatesPerPass) EXPECT_LE(n, 1);
    for (int ms : host.sleeps) EXPECT_TRUE(ms == 16 || ms == 17) << ms;
    EXPECT_EQ(Count('R'), static_cast<int>(host.updatesPerPass.size()));
}

TEST_F(LoopTest, SlowRenderGivesFourUpdatesPerFrameAndNoLaterCatchUp) {
    host.SetUpdateRate(60);
    host.renderCost = 0.100;
    host.Passes(50);
    // Every frame after the first runs the limit of 4 updates and drops the rest: 40 updates a
    // second, never more than 4 per frame, and no sleeping.
    for (std::size_t i = 1; i < host.updatesPerPass.size(); ++i) EXPECT_EQ(host.updatesPerPass[i], 4) << i;
    EXPECT_TRUE(host.sleeps.empty());
    double seconds = 50 * 0.100;
    EXPECT_NEAR(Count('u') / seconds, 40.0, 1.0);

    // Back to a fast render: no burst of the dropped updates.
    host.renderCost = 0.0;
    host.updatesPerPass.clear();
    host.Passes(20);
    for (int n : host.updatesPerPass) EXPECT_LE(n, 1);
}

TEST_F(LoopTest, ChangingTheRateInsideAnUpdateEndsTheCatchUp) {
    host.SetUpdateRate(60);
    host.Passes(2);
    host.now += 1.0;  // a stall: the schedule is far behind
    int stopAt = Count('u') + 2;
    onUpdate = [&](int n) {
        if (n == stopAt) host.SetUpdateRate(30);
    };
    host.updatesPerPass.clear();
    host.Passes(1);
    EXPECT_EQ(host.updatesPerPass[0], 2);
    EXPECT_EQ(host.NextUpdate(), 0.0);
    // The next pass restarts the clock from now at the new rate: one update, then a sleep of 1/30 s.
    host.Passes(2);
    EXPECT_EQ(host.updatesPerPass[1], 1);
    ASSERT_FALSE(host.sleeps.empty());
    EXPECT_EQ(host.sleeps.back(), 33);
}

TEST_F(LoopTest, RateZeroUpdatesOncePerFrameWithoutSleeping) {
    host.renderCost = 0.005;
    host.Passes(10);
    EXPECT_EQ(Count('u'), 10);
    EXPECT_EQ(Count('R'), 10);
    EXPECT_TRUE(host.sleeps.empty());
}

TEST_F(LoopTest, SuspendedMeansRendersOnlyAndResumingStartsAFreshClock) {
    host.SetUpdateRate(60);
    host.Passes(5);
    int updates = Count('u');
    host.active = false;
    host.waitCost = 0.5;
    host.Passes(6);
    EXPECT_EQ(Count('s'), 1);
    EXPECT_EQ(Count('u'), updates);
    EXPECT_EQ(Count('R'), 11);
    EXPECT_EQ(host.waits, 5);  // the pass that noticed the loss still polled
    EXPECT_TRUE(host.Suspended());

    host.active = true;
    host.updatesPerPass.clear();
    host.Passes(3);
    EXPECT_EQ(Count('r'), 1);
    // 3 s went by while suspended; none of it is made up.
    EXPECT_EQ(host.updatesPerPass[0], 1);
    EXPECT_LE(host.updatesPerPass[1], 1);
}

TEST(SleepMillis, RoundsToWholeMillisecondsAndAtLeastOne) {
    EXPECT_EQ(VxGlfwGame::SleepMillis(0.0004), 1);
    EXPECT_EQ(VxGlfwGame::SleepMillis(0.0164), 16);
    EXPECT_EQ(VxGlfwGame::SleepMillis(0.0166), 17);
    EXPECT_EQ(VxGlfwGame::SleepMillis(0.0), 0);
    EXPECT_EQ(VxGlfwGame::SleepMillis(-0.5), 0);
}

// ---- The guarded calls --------------------------------------------------------------------------

class SuspendProbe : public Recorder {
  public:
    bool sawSuspended = false;
    void SuspendGame() override {
        sawSuspended = VxGame::_game->Suspended();
        Recorder::SuspendGame();
    }
};

TEST(Guards, StateDecidesWhatReachesTheDelegate) {
    Calls().clear();
    VxGame game;
    SuspendProbe* probe = new SuspendProbe();
    game.SetDelegate(probe);
    game.KeyEvent(1, 65);  // not started: dropped
    game.UpdateGame();
    game.RenderGame();
    game.SuspendGame();
    EXPECT_TRUE(Calls().empty());

    game.StartGame();
    game.StartGame();
    EXPECT_EQ(Count('S'), 1);

    game.SuspendGame();
    game.SuspendGame();
    EXPECT_EQ(Count('s'), 1);
    EXPECT_TRUE(probe->sawSuspended);
    game.UpdateGame();  // not while suspended
    game.RenderGame();
    game.KeyEvent(1, 432);  // keys still arrive
    game.MouseEvent(6, -1, 3, 4);
    EXPECT_EQ(Count('u'), 0);
    EXPECT_EQ(Count('R'), 1);
    EXPECT_EQ(Count('k'), 1);
    EXPECT_EQ(Count('m'), 1);

    game.ResumeGame();
    game.ResumeGame();
    EXPECT_EQ(Count('r'), 1);
    game.UpdateGame();
    EXPECT_EQ(Count('u'), 1);
}

class Thrower : public VxGameDelegate {
  public:
    void UpdateGame() override { throw new ThrowableObject(); }
};

TEST(GuardsDeathTest, AnExceptionFromTheFrameworkIsFatal) {
    EXPECT_EXIT(
        {
            VxGame game;
            game.SetDelegate(new Thrower());
            game.StartGame();
            game.UpdateGame();
        },
        ::testing::ExitedWithCode(255), "");
}

TEST(GuardsCollector, TheDelegateSurvivesCollectionsThroughTheHost) {
    VxGame game;
    Recorder* recorder = new Recorder();
    game.SetDelegate(recorder);
    game.StartGame();
    // Enough garbage for several full collections; the host marks its delegate each time.
    for (int i = 0; i < 40; ++i) {
        for (int j = 0; j < 1000; ++j) (void)Array<int>(64);
        game.UpdateGame();
    }
    EXPECT_EQ(game.Delegate(), recorder);
    Calls().clear();
    game.UpdateGame();
    EXPECT_EQ(Count('u'), 1);
}

// ---- Joysticks -------------------------------------------------------------------------

struct Pad {
    Array<float> x{2}, y{2}, z{2};
    Array<bool> buttons{32};
};

TEST(MapJoystick, ManyButtonsMoveTheLastFourToEightToEleven) {
    Pad pad;
    unsigned char states[16] = {};
    states[8] = 1;   // moves to 12
    states[12] = 1;  // one of the last four: moves to 8
    states[15] = 1;  // moves to 11
    float axes[2] = {0.5f, -0.25f};
    VxGlfwGame::MapJoystick(axes, 2, states, 16, pad.x, pad.y, pad.z, pad.buttons);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(pad.buttons[i], i == 8 || i == 11 || i == 12) << i;
    EXPECT_EQ(pad.x[0], 0.5f);
    EXPECT_EQ(pad.y[0], -0.25f);
    EXPECT_EQ(pad.z[0], 0.0f);
    EXPECT_EQ(pad.x[1], 0.0f);
}

TEST(MapJoystick, FewButtonsKeepTheirPlacesAndLeaveTheRest) {
    Pad pad;
    pad.buttons[10] = true;  // beyond the reported count: untouched
    unsigned char states[4] = {1, 0, 0, 1};
    VxGlfwGame::MapJoystick(nullptr, 0, states, 4, pad.x, pad.y, pad.z, pad.buttons);
    EXPECT_TRUE(pad.buttons[0]);
    EXPECT_FALSE(pad.buttons[1]);
    EXPECT_TRUE(pad.buttons[3]);
    EXPECT_TRUE(pad.buttons[10]);
}

TEST(MapJoystick, TwoControllerShapesGetTheirSecondStickFixed) {
    Pad pad;
    unsigned char states[18] = {};
    float five[5] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    VxGlfwGame::MapJoystick(five, 5, states, 14, pad.x, pad.y, pad.z, pad.buttons);
    EXPECT_EQ(pad.x[1], 0.5f);
    EXPECT_EQ(pad.y[1], -0.4f);
    EXPECT_EQ(pad.z[1], 0.0f);

    float four[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    VxGlfwGame::MapJoystick(four, 4, states, 18, pad.x, pad.y, pad.z, pad.buttons);
    EXPECT_EQ(pad.x[1], 0.4f);
    EXPECT_EQ(pad.y[1], -0.3f);

    // Other shapes are taken as they come.
    VxGlfwGame::MapJoystick(five, 5, states, 12, pad.x, pad.y, pad.z, pad.buttons);
    EXPECT_EQ(pad.x[1], 0.4f);
    EXPECT_EQ(pad.y[1], 0.5f);
}

}  // namespace
