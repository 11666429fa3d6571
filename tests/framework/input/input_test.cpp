#include <gtest/gtest.h>

#include <vector>

#include "framework/input.h"
#include "host/vxgame.h"

namespace {

// A host whose joysticks report what a test sets, as GLFW reports it (down positive, hats as
// bits), through the window host's own mapping.
class JoystickHost : public VxGame {
  public:
    struct Pad {
        bool present = false;
        std::vector<float> axes;
        std::vector<unsigned char> hats, buttons;
    } pads[4];

    void Set(int unit, std::vector<float> axes, std::vector<unsigned char> hats, std::vector<int> held,
             int buttonCount = 12) {
        Pad& pad = pads[unit];
        pad = {true, std::move(axes), std::move(hats), std::vector<unsigned char>(buttonCount)};
        for (int b : held) pad.buttons[b] = 1;
    }

    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override {
        const Pad& pad = pads[port];
        if (!pad.present) return false;
        VxGlfwGame::MapJoystick(pad.axes.data(), int(pad.axes.size()), pad.hats.data(), int(pad.hats.size()),
                                pad.buttons.data(), int(pad.buttons.size()), joyx, joyy, joyz, buttons);
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
    Down(66);
    Up(66);
    for (int i = 0; i < 3; ++i) Down(66);  // a press, then auto-repeat: no new hit
    EXPECT_EQ(vx_input_KeyHit(65) + 10 * vx_input_KeyHit(66), 1 + 20);
    EXPECT_TRUE(!vx_input_KeyDown(65) && vx_input_KeyDown(66));
    device->p_KeyEvent(4, 67);  // unknown event codes change nothing
    EXPECT_FALSE(vx_input_KeyDown(67));
    Update();
    EXPECT_EQ(vx_input_KeyHit(65) + vx_input_KeyHit(66), 0);
    EXPECT_TRUE(vx_input_KeyDown(66));  // held until its key-up
    Up(66);
    EXPECT_FALSE(vx_input_KeyDown(66));
    EXPECT_EQ(vx_input_KeyHit(66), 0);  // a key-up never counts
}

// The left button and the first touch are twins (the game's pointer tests drive them); the right
// button and further fingers have none, and an up moves nothing.
TEST_F(InputTest, OnlyTheLeftButtonAndTheFirstTouchAreTwins) {
    device->p_MouseEvent(4, 1, 30, 40);  // right button: code 2
    EXPECT_EQ(vx_input_MouseHit(1) + vx_input_KeyHit(2), 2);
    EXPECT_EQ(vx_input_KeyHit(384) + vx_input_KeyHit(385), 0);
    device->p_MouseEvent(5, 1, 99, 99);
    EXPECT_EQ(vx_input_MouseX(), 30);
    device->p_TouchEvent(7, 1, 70, 80);  // a second finger leaves the pointer alone
    device->p_TouchEvent(9, 1, 71, 81);
    EXPECT_EQ(vx_input_MouseX(), 30);
    EXPECT_EQ(vx_input_TouchY(1), 81);
    EXPECT_FALSE(vx_input_MouseDown(0));
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
    Up(100);
    Down(100);
    EXPECT_EQ(vx_input_KeyHit(100), 1);
}

// Up to 32 characters queue in one update; those unread at its end are dropped.
TEST_F(InputTest, CharactersQueueUpToThirtyTwoPerUpdate) {
    for (int i = 0; i < 33; ++i) device->p_KeyEvent(3, 'a' + i);
    for (int i = 0; i < 32; ++i) ASSERT_EQ(vx_input_GetChar(), 'a' + i);
    EXPECT_EQ(vx_input_GetChar(), 0);
    Update();
    device->p_KeyEvent(3, 'x');
    Update();
    EXPECT_EQ(vx_input_GetChar(), 0);
    device->p_KeyEvent(3, 0x20AC);
    EXPECT_EQ(vx_input_GetChar(), 0x20AC);
}

TEST_F(InputTest, JoystickDirectionsAndUnplugging) {
    enum : unsigned char { kUp = 1, kRight = 2, kDown = 4, kLeft = 8 };  // GLFW's hat bits
    // One pad as GLFW reports it, and what the game reads: both sticks with up and right positive.
    struct Row {
        const char* what;
        int unit;
        std::vector<float> axes;
        std::vector<unsigned char> hats;
        int buttonCount;
        float x0, y0, x1, y1;
    } rows[] = {
        {"stick up", 0, {0, -1}, {}, 12, 0, 1, 0, 0},
        {"stick right and half down", 0, {1, 0.5f}, {}, 12, 1, -0.5f, 0, 0},
        {"hat up", 1, {}, {kUp}, 12, 0, 1, 0, 0},
        {"hat left and down", 1, {}, {kLeft | kDown}, 12, -1, -1, 0, 0},
        {"second stick up and right", 2, {0, 0, 0, 0.25f, -1, 0.5f}, {}, 12, 0, 0, 0.25f, 1},
        {"hat after three axes: second stick", 2, {0, 0, 0}, {kUp | kRight}, 12, 0, 0, 1, 1},
        {"14 buttons, 5 axes: second stick up on axis 3", 3, {0, 0, 0, -1, 0.5f}, {}, 14, 0, 0, 0.5f, 1},
        {"18 buttons, 4 axes: second stick up on axis 2", 3, {0, 0, -1, 0.5f}, {}, 18, 0, 0, 0.5f, 1},
    };
    for (const Row& r : rows) {
        host->Set(r.unit, r.axes, r.hats, {}, r.buttonCount);
        Update();
        EXPECT_EQ((std::vector<float>{vx_input_JoyX(0, r.unit), vx_input_JoyY(0, r.unit),
                                      vx_input_JoyX(1, r.unit), vx_input_JoyY(1, r.unit)}),
                  (std::vector<float>{r.x0, r.y0, r.x1, r.y1}))
            << r.what;
    }

    // Buttons: a press counts one hit, a held button none; of more than 12, the last four move to
    // 8..11 and those from 8 on move up by four.
    host->Set(0, {1, 0}, {}, {0, 6});
    host->Set(3, {}, {}, {8, 15}, 16);
    Update();
    EXPECT_TRUE(vx_input_JoyDown(0, 0) && vx_input_JoyDown(6, 0) && vx_input_JoyDown(11, 3));
    EXPECT_TRUE(vx_input_JoyDown(12, 3) && !vx_input_JoyDown(8, 3));
    EXPECT_EQ(vx_input_KeyHit(256 + 6) + vx_input_KeyHit(256 + 96 + 11), 2);
    Update();
    EXPECT_EQ(vx_input_JoyHit(6, 0), 0);

    // Unit 0 is unplugged with its stick right and two buttons held: it lets go at once, and the
    // units after it are still polled (a button pressed on unit 1 counts its hit).
    host->pads[0].present = false;
    host->Set(1, {}, {kDown}, {3});
    Update();
    EXPECT_EQ(vx_input_JoyX(0, 0), 0.0f);
    EXPECT_FALSE(vx_input_JoyDown(0, 0) || vx_input_JoyDown(6, 0));
    EXPECT_EQ(vx_input_JoyY(0, 1), -1.0f);
    EXPECT_EQ(vx_input_JoyHit(3, 1), 1);
    EXPECT_TRUE(vx_input_JoyDown(11, 3));
    // Plugged in again, it is read afresh: a button still held counts as a new press.
    host->Set(0, {}, {}, {6});
    Update();
    EXPECT_EQ(vx_input_JoyHit(6, 0), 1);
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
