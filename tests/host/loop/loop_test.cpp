// The main loop's scheduling, driven by a clock the test controls, and the guarded delegate calls.
// (The joystick mapping is tested through the input module.)
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
    double now = 1.0, renderCost = 0.0, waitCost = 0.0;  // seconds each render / wait takes
    bool active = true;
    std::vector<int> sleeps, updatesPerPass;
    int waits = 0;

    double Time() override { return now; }
    void SleepMs(int ms) override { sleeps.push_back(ms), now += ms / 1000.0; }
    void PollEvents() override {}
    void WaitEvents() override { ++waits, now += waitCost; }
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
        Recorder* recorder = new Recorder();
        recorder->hook = [this](const Call& c) {
            if (c.kind == 'R') host.now += host.renderCost;
            if (c.kind == 'u' && onUpdate) onUpdate(Count('u'));
        };
        host.SetDelegate(recorder);
        host.StartGame();
    }
    ClockedHost host;
    std::function<void(int)> onUpdate;
};

TEST_F(LoopTest, SixtyHertzGivesOneUpdatePerSixtiethOfASecond) {
    host.SetUpdateRate(60);
    while (host.now < 11.0) host.Passes(1);
    // 600 updates in 10 s, at most one per pass, and the loop sleeps whole milliseconds between them.
    EXPECT_NEAR(Count('u'), 600, 2);
    for (int n : host.updatesPerPass) EXPECT_LE(n, 1);
    for (int ms : host.sleeps) EXPECT_TRUE(ms == 16 || ms == 17) << ms;
    EXPECT_EQ(Count('R'), static_cast<int>(host.updatesPerPass.size()));
    // Rounded to whole milliseconds, at least 1 while due in the future (and none when late, below).
    EXPECT_EQ(VxGlfwGame::SleepMillis(0.0004), 1);
}

TEST_F(LoopTest, SlowRenderGivesFourUpdatesPerFrameAndNoLaterCatchUp) {
    host.SetUpdateRate(60);
    host.renderCost = 0.100;
    host.Passes(50);
    // Every frame after the first runs the limit of 4 updates and drops the rest: 40 updates a second.
    for (std::size_t i = 1; i < host.updatesPerPass.size(); ++i) EXPECT_EQ(host.updatesPerPass[i], 4) << i;
    EXPECT_TRUE(host.sleeps.empty());
    EXPECT_NEAR(Count('u') / (50 * 0.100), 40.0, 1.0);
    // Back to a fast render: the schedule started afresh, so no burst of the dropped updates.
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
    EXPECT_EQ(host.waits, 5);  // waits for events instead of spinning; the pass that noticed still polled
    host.active = true;
    host.updatesPerPass.clear();
    host.Passes(3);
    EXPECT_EQ(Count('r'), 1);
    // 3 s went by while suspended; none of it is made up.
    EXPECT_EQ(host.updatesPerPass[0], 1);
    EXPECT_LE(host.updatesPerPass[1], 1);
}

// ---- The guarded calls --------------------------------------------------------------------------

TEST(Guards, StateDecidesWhatReachesTheDelegate) {
    Calls().clear();
    VxGame game;
    game.SetDelegate(new Recorder());
    // Nothing before the start; one start, suspend and resume each; no updates while suspended,
    // though renders and input still arrive.
    for (char c : std::string("kuRsSSssuRkmrru")) {
        if (c == 'S') game.StartGame();
        if (c == 's') game.SuspendGame();
        if (c == 'r') game.ResumeGame();
        if (c == 'u') game.UpdateGame();
        if (c == 'R') game.RenderGame();
        if (c == 'k') game.KeyEvent(1, 432);
        if (c == 'm') game.MouseEvent(6, -1, 3, 4);
    }
    std::string kinds;
    for (const Call& c : Calls()) kinds += static_cast<char>(c.kind);
    EXPECT_EQ(kinds, "SsRkmru");
}

TEST(GuardsDeathTest, AnExceptionFromTheFrameworkIsFatal) {
    struct Thrower : VxGameDelegate {
        void UpdateGame() override { throw new ThrowableObject(); }
    };
    VxGame game;
    game.SetDelegate(new Thrower());
    game.StartGame();
    EXPECT_EXIT(game.UpdateGame(), ::testing::ExitedWithCode(255), "");
}

}  // namespace
