#include <gtest/gtest.h>

#include <vector>

#include "framework/input.h"
#include "host/vxgame.h"

namespace {

// A host that reports the joysticks a test chooses and records which units were polled.
class JoystickHost : public VxGame {
  public:
    bool present[4] = {};
    float axisX[4] = {};
    bool buttons[4][32] = {};
    std::vector<int> polled;

    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float>,
                      Array<bool> out) override {
        polled.push_back(port);
        if (!present[port]) return false;
        joyx[0] = axisX[port];
        joyy[1] = -axisX[port];
        for (int b = 0; b < 32; ++b) out[b] = buttons[port][b];
        return true;
    }
};

class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host = new JoystickHost();  // becomes VxGame::_game
        device = (new c_InputDevice())->m_new();
        vx_input_SetInputDevice(device);
    }
    void TearDown() override {
        vx_input_device = nullptr;
        delete host;
    }

    void Down(int key) { device->p_KeyEvent(1, key); }
    void Up(int key) { device->p_KeyEvent(2, key); }
    void Update() {
        device->p_EndUpdate();
        device->p_BeginUpdate();
    }

    JoystickHost* host = nullptr;
    c_InputDevice* device = nullptr;
};

}  // namespace

TEST_F(InputTest, HitsCountPressesWithinOneUpdateAndDownStatesPersist) {
    Down(65);
    Up(65);
    EXPECT_EQ(vx_input_KeyHit(65), 1);
    EXPECT_FALSE(vx_input_KeyDown(65));

    Down(66);
    Up(66);
    Down(66);
    Down(66);  // auto-repeat: no new hit
    Down(66);
    EXPECT_EQ(vx_input_KeyHit(66), 2);
    EXPECT_TRUE(vx_input_KeyDown(66));

    Update();
    EXPECT_EQ(vx_input_KeyHit(65), 0);
    EXPECT_EQ(vx_input_KeyHit(66), 0);
    EXPECT_TRUE(vx_input_KeyDown(66));  // held until its key-up
    Up(66);
    EXPECT_FALSE(vx_input_KeyDown(66));
    EXPECT_EQ(vx_input_KeyHit(66), 0);  // a key-up never counts

    // Unknown event codes change nothing.
    device->p_KeyEvent(4, 67);
    EXPECT_FALSE(vx_input_KeyDown(67));
}

TEST_F(InputTest, LeftButtonAndFirstTouchAreTwins) {
    device->p_MouseEvent(4, 0, 10, 20);
    EXPECT_TRUE(vx_input_MouseDown(0) && vx_input_TouchDown(0));
    EXPECT_EQ(vx_input_KeyHit(1) + vx_input_KeyHit(384), 2);
    EXPECT_EQ(vx_input_TouchY(0), 20);
    device->p_MouseEvent(5, 0, 99, 99);  // an up moves nothing
    EXPECT_FALSE(vx_input_KeyDown(1) || vx_input_KeyDown(384));
    EXPECT_EQ(vx_input_MouseX(), 10);
    device->p_MouseEvent(4, 1, 30, 40);  // right button: code 2, no twin
    EXPECT_EQ(vx_input_MouseHit(1), 1);
    EXPECT_EQ(vx_input_KeyHit(384), 1);
    device->p_MouseEvent(6, -1, 31, 41);  // a move drives the first touch too
    EXPECT_EQ(vx_input_TouchX(0), 31);

    Update();
    device->p_TouchEvent(7, 0, 5, 6);
    EXPECT_EQ(vx_input_MouseHit(0), 1);
    EXPECT_EQ(vx_input_MouseX(), 5);
    device->p_TouchEvent(7, 1, 70, 80);  // a second finger leaves the pointer alone
    device->p_TouchEvent(9, 1, 71, 81);
    EXPECT_EQ(vx_input_MouseX(), 5);
    EXPECT_EQ(vx_input_TouchY(1), 81);
    device->p_TouchEvent(8, 0, 0, 0);
    EXPECT_FALSE(vx_input_MouseDown(0));
    EXPECT_TRUE(vx_input_TouchDown(1));
}

TEST_F(InputTest, HitQueueHoldsThirtyThreePressesPerUpdate) {
    for (int key = 100; key < 132; ++key) Down(key);  // 32 hits
    device->p_MouseEvent(4, 0, 0, 0);                 // 33rd: code 1; its twin 384 finds the queue full
    EXPECT_EQ(vx_input_KeyHit(1), 1);
    EXPECT_EQ(vx_input_KeyHit(384), 0);
    EXPECT_TRUE(vx_input_KeyDown(384));
    Down(200);  // 34th
    EXPECT_EQ(vx_input_KeyHit(200), 0);
    EXPECT_TRUE(vx_input_KeyDown(200));
    Up(131);
    Down(131);  // a second press of a counted key is not counted either
    EXPECT_EQ(vx_input_KeyHit(131), 1);

    Update();
    for (int key = 0; key < 512; ++key) ASSERT_EQ(device->f_keyHit[key], 0) << key;
    Up(100);
    Down(100);
    EXPECT_EQ(vx_input_KeyHit(100), 1);
}

TEST_F(InputTest, CharactersQueueUpToThirtyTwoPerUpdate) {
    EXPECT_EQ(vx_input_GetChar(), 0);
    for (int i = 0; i < 33; ++i) device->p_KeyEvent(3, 'a' + i);
    for (int i = 0; i < 32; ++i) ASSERT_EQ(vx_input_GetChar(), 'a' + i);
    EXPECT_EQ(vx_input_GetChar(), 0);

    Update();
    device->p_KeyEvent(3, 0x20AC);
    device->p_KeyEvent(3, 'x');
    Update();  // unread characters are dropped
    EXPECT_EQ(vx_input_GetChar(), 0);
    device->p_KeyEvent(3, 0x20AC);
    EXPECT_EQ(vx_input_GetChar(), 0x20AC);
}

TEST_F(InputTest, JoystickPollStopsAtTheFirstAbsentUnit) {
    host->present[0] = host->present[2] = true;
    host->axisX[0] = 0.75f;
    host->axisX[2] = -1.0f;
    host->buttons[0][3] = true;
    host->buttons[2][5] = true;

    device->p_BeginUpdate();
    EXPECT_EQ(host->polled, (std::vector<int>{0, 1}));
    EXPECT_TRUE(vx_input_JoyDown(3, 0));
    EXPECT_EQ(vx_input_JoyHit(3, 0), 1);
    EXPECT_EQ(vx_input_KeyHit(259), 1);
    EXPECT_FALSE(vx_input_JoyDown(5, 2));  // unit 2 was never reached
    EXPECT_EQ(vx_input_JoyX(0, 0), 0.75f);
    EXPECT_EQ(vx_input_JoyY(1, 0), -0.75f);
    EXPECT_EQ(vx_input_JoyX(0, 2), 0.0f);

    Update();  // held: still down, no new hit
    EXPECT_TRUE(vx_input_JoyDown(3, 0));
    EXPECT_EQ(vx_input_JoyHit(3, 0), 0);

    // With every unit present, unit 3 is polled too; a released button goes up.
    host->present[1] = host->present[3] = true;
    host->buttons[0][3] = false;
    host->buttons[3][31] = true;
    host->polled.clear();
    Update();
    EXPECT_EQ(host->polled, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_FALSE(vx_input_JoyDown(3, 0));
    EXPECT_TRUE(vx_input_JoyDown(5, 2));
    EXPECT_EQ(vx_input_KeyHit(256 + 96 + 31), 1);
    EXPECT_EQ(vx_input_JoyX(0, 2), -1.0f);

    // A unit that disappears keeps its last values and its button codes.
    host->present[0] = false;
    Update();
    EXPECT_TRUE(vx_input_JoyDown(5, 2));
    EXPECT_TRUE(vx_input_JoyDown(31, 3));
}

TEST_F(InputTest, ReadersKeepToTheirRanges) {
    for (int key : {1, 2, 3, 255, 256, 291, 384, 511}) Down(key);
    // Codes 511, 291 (joy 3 of unit 1), 384 (touch 0), 3 (mouse 2), 511 (mouse 510), 1 (touch -383),
    // 511 (touch 127), 256 (joy 0 of unit 8: 0 | 256 | 256), 511 (joy 255: 255 | 256), 256 (joy 256).
    EXPECT_EQ(std::vector<bool>(10, true),
              (std::vector<bool>{device->p_KeyDown(511), vx_input_JoyDown(3, 1), vx_input_TouchDown(0),
                                 vx_input_MouseDown(2), vx_input_MouseDown(510), vx_input_TouchDown(-383),
                                 vx_input_TouchDown(127), vx_input_JoyDown(0, 8), vx_input_JoyDown(255, 0),
                                 vx_input_JoyDown(256, 0)}));
    // Codes 0, -1, 512, 512 (mouse 511), 512 (touch 128), 0 (touch -384), 768 (joy 0 of unit 16), 257.
    EXPECT_EQ(std::vector<bool>(8, false),
              (std::vector<bool>{device->p_KeyDown(0), device->p_KeyDown(-1), device->p_KeyDown(512),
                                 vx_input_MouseDown(511), vx_input_TouchDown(128), vx_input_TouchDown(-384),
                                 vx_input_JoyDown(0, 16), vx_input_JoyDown(1, 0)}));
    // Hits, positions and sticks outside their tables read 0 (negative codes are huge unsigned).
    EXPECT_EQ(std::vector<float>(10, 0),
              (std::vector<float>{float(device->p_KeyHit(512)), float(vx_input_MouseHit(-1)),
                                  float(vx_input_JoyHit(0, -1)), device->p_TouchX(32), device->p_TouchY(-1),
                                  vx_input_JoyX(2, 0), vx_input_JoyY(0, 4), vx_input_JoyX(0, -1),
                                  vx_input_JoyY(-1, 0), vx_input_TouchX(40)}));

    // Codes outside the table from a faulty sender are ignored rather than stored.
    int hits = device->f_keyHitPut;
    Down(600);
    Down(-5);
    device->p_TouchEvent(7, 40, 1, 1);
    device->p_MouseEvent(4, 600, 1, 1);
    EXPECT_EQ(hits, device->f_keyHitPut);
}
