// The control mapping with the cabinet protocol off and on, sticks, pointer tests, steering and
// the cabinet letters.
#include <vector>

#include "test_host.h"

namespace {

struct Row {
    int control;
    std::vector<int> keys;         // shared keyboard layout
    std::vector<int> cabinetKeys;  // what remains under the cabinet protocol
    std::vector<int> buttons;      // joystick buttons of players 0-3
};

const std::vector<Row> kRows = {
    {0, {38, 87}, {38}, {9}},
    {3, {37, 65}, {37}, {8}},
    {5, {39, 68}, {39}, {10}},
    {8, {40, 83}, {40}, {11}},
    {10, {90, 74, 32, 13}, {32, 13}, {0}},
    {11, {88, 75, 17}, {17}, {1}},
    {12, {67, 76, 16}, {16}, {2}},
    {13, {86, 73}, {}, {3}},
    {14, {66, 85}, {}, {4}},
    {15, {78, 79}, {}, {5}},
    {99, {27, 192, 46, 8}, {27, 46, 8}, {6, 7, 14}},
};

const int kAllControls[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 99};

class ControlsTest : public ShellTest {
  protected:
    // The controls active for a player while nothing else is held.
    std::vector<int> Active(int player, int mode = 0) {
        std::vector<int> out;
        for (int c : kAllControls)
            if (app->p_PlayKey(c, mode, player) != 0) out.push_back(c);
        return out;
    }
};

// Each key of the shared layout counts for every player, unless the cabinet protocol takes it;
// each joystick button counts for its own unit's player only.
TEST_F(ControlsTest, EveryKeyAndButtonOfTheMappingWithTheCabinetOffAndOn) {
    for (int cabinet = 0; cabinet <= 1; ++cabinet) {
        vx_Zarnok_iCadeControls = cabinet;
        for (const Row& row : kRows) {
            std::vector<std::pair<int, int>> inputs;  // key code, the unit it belongs to (-1: all)
            for (int key : row.keys) {
                const bool kept =
                    cabinet == 0 || std::count(row.cabinetKeys.begin(), row.cabinetKeys.end(), key);
                inputs.push_back({key, kept ? -1 : -2});  // -2: counts for nobody
            }
            for (int b : row.buttons)
                for (int unit = 0; unit < 4; ++unit) inputs.push_back({256 + 32 * unit + b, unit});
            for (auto [key, unit] : inputs) {
                KeyDown(key);
                for (int player = -1; player <= 3; ++player) {
                    std::vector<int> expected;
                    if (unit == -1 || unit == player) expected.push_back(row.control);
                    EXPECT_EQ(Active(player, key < 256), expected)
                        << "cabinet " << cabinet << " key " << key << " player " << player;
                }
                KeyUp(key);
            }
        }
    }
}

TEST_F(ControlsTest, SticksCountInModeOneOnly) {
    c_JoyState* joy = input->f_joyStates[1];
    const struct {
        float x, y;
        int control;
    } pushes[] = {
        {0.5f, 0, 5}, {-0.5f, 0, 3}, {0, 0.5f, 0}, {0, -0.5f, 8}, {0.4f, 0, -1}};  // 0.4 is not enough
    for (const auto& p : pushes) {
        joy->f_joyx[0] = p.x;
        joy->f_joyy[0] = p.y;
        for (int cabinet = 0; cabinet <= 1; ++cabinet) {
            vx_Zarnok_iCadeControls = cabinet;  // no stick under the cabinet protocol
            std::vector<int> expected;
            if (p.control >= 0 && cabinet == 0) expected.push_back(p.control);
            EXPECT_EQ(Active(1, 1), expected) << p.x << "," << p.y << " cabinet " << cabinet;
            EXPECT_EQ(Active(1, 0), std::vector<int>());
            EXPECT_EQ(Active(0, 1), std::vector<int>());
            EXPECT_EQ(Active(-1, 1), std::vector<int>());
        }
    }
}

TEST_F(ControlsTest, SharedKeyboardAndVirtualControls) {
    KeyDown(39);
    EXPECT_EQ(app->p_PlayKeyAll(5, 0), 4);
    EXPECT_EQ(app->p_PlayKey(17, 1, -1), 0);
    EXPECT_EQ(app->p_PlayKey(16, 1, 0), 0);
    KeyUp(39);
    // Virtual control entries count for every player; back has three entries.
    app->f_controls[13] = 2;
    EXPECT_EQ(app->p_PlayKey(13, 0, -1), 2);
    EXPECT_EQ(app->p_PlayKeyAll(13, 0), 8);
    for (int entry : {16, 17, 19}) {
        app->f_controls[entry] = 1;
        EXPECT_NE(app->p_PlayKey(99, 0, 2), 0) << entry;
        app->f_controls[entry] = 0;
    }
    EXPECT_EQ(app->p_PlayKey(99, 0, 2), 0);
}

TEST_F(ControlsTest, CabinetLettersHoldUntilTheirReleaseLetter) {
    const struct {
        char press, release;
        int control;  // the p_PlayKey control (99: the entry only counts as back)
        int entry;
    } rows[] = {{'W', 'E', 0, 0},   {'X', 'Z', 8, 8},   {'A', 'Q', 3, 3},   {'D', 'C', 5, 5},
                {'Y', 'T', 13, 13}, {'U', 'F', 14, 14}, {'I', 'M', 15, 15}, {'O', 'G', 99, 16},
                {'H', 'R', 10, 10}, {'J', 'N', 11, 11}, {'K', 'P', 12, 12}, {'L', 'V', 99, 17}};
    auto read = [&] {
        app->p_ReadCabinet();
        input->p_EndUpdate();
    };
    app->p_iCade(1);
    EXPECT_TRUE(host->KeyboardEnabled());
    for (const auto& r : rows) {
        for (int lower = 0; lower <= 32; lower += 32) {
            Char(r.press + lower);
            read();
            EXPECT_EQ(app->f_controls[r.entry], 2) << r.press;
            for (int u = 0; u < 3; ++u) {  // held across updates until the release letter arrives
                read();
                EXPECT_NE(app->p_PlayKey(r.control, 0, -1), 0) << r.press;
            }
            Char(r.release + lower);
            app->p_ReadCabinet();
            EXPECT_EQ(app->f_lastChar, 0);
            input->p_EndUpdate();
            EXPECT_EQ(app->f_controls[r.entry], 0) << r.release;
            EXPECT_EQ(app->p_PlayKey(r.control, 0, -1), 0) << r.release;
        }
    }
    // The W key itself is no longer read as up: only the letter it types is.
    KeyDown(87);
    EXPECT_EQ(app->p_PlayKey(0, 0, -1), 0);
}

TEST_F(ControlsTest, CabinetSwitchDiscardsQueuedLettersAndClearsOnOff) {
    Char('W');
    app->p_iCade(1);
    EXPECT_EQ(app->f_lastChar, 0);
    app->p_ReadCabinet();
    EXPECT_EQ(app->f_controls[0], 0) << "a letter typed before the switch is not cabinet input";
    Char('D');
    app->p_ReadCabinet();
    EXPECT_EQ(app->f_controls[5], 2);
    app->f_controls[19] = 1;
    app->p_iCade(0);
    EXPECT_FALSE(host->KeyboardEnabled());
    EXPECT_EQ(app->f_controls[5], 0);
    EXPECT_EQ(app->f_controls[19], 1) << "entries beyond 18 are left";
    app->p_iCade(7);
    EXPECT_EQ(vx_Zarnok_iCadeControls, 0);
    Char('W');  // with the protocol off, letters are never decoded
    app->p_ReadCabinet();
    EXPECT_EQ(app->f_controls[0], 0);
}

TEST_F(ControlsTest, ButtonsAndBoxesTestTheTouchesStrictly) {
    app->f_fontMetrics[3 * 95] = 64;
    app->f_fontMetrics[3 * 95 + 1] = 32;
    app->f_imgScale = 0.5f;
    app->p_ResetDraw();
    app->p_SetSize(2);
    for (int i = 0; i < 10; ++i) app->f_touchVX[i] = app->f_touchVY[i] = -3717;
    // p_Button: half extents 32 x 16 around (100, 100), drawn whether hit or not, hit only while
    // the pointer is down; p_Touch: a margin of 6 before and 12 after the box, only for touches
    // that are down; p_MouseIn_Centered: half extents 25 x 10.
    const struct {
        int x, y, down, button, touch, centred;
    } cases[] = {{131, 115, 1, 1, 0, 0}, {132, 115, 1, 0, 0, 0}, {100, 100, 0, 0, 0, 0}, {5, 71, 1, 0, 1, 0},
                 {4, 71, 1, 0, 0, 0},    {71, 71, 1, 0, 1, 0},   {72, 71, 1, 0, 0, 0},   {30, 30, 0, 0, 0, 0},
                 {124, 100, 1, 1, 0, 1}, {125, 100, 1, 1, 0, 0}, {124, 100, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        app->f_touchVX[4] = c.x;
        app->f_touchVY[4] = c.y;
        app->f_touchDown[4] = app->f_pointerDown = c.down;
        app->f_drawCount = 0;
        EXPECT_EQ(app->p_Button(95, 100, 100, 2), c.button) << c.x << "," << c.y << " down " << c.down;
        EXPECT_EQ(app->f_drawCount, 15);
        EXPECT_EQ(app->p_Touch(10, 10, 50, 50), c.touch) << c.x << "," << c.y << " down " << c.down;
        EXPECT_EQ(app->p_MouseIn_Centered(100, 100, 50, 20), c.centred)
            << c.x << "," << c.y << " down " << c.down;
    }
}

TEST_F(ControlsTest, SteeringInertiaAndDragStick) {
    auto steer = [&](std::initializer_list<float> moves) {
        for (float m : moves) {
            app->p_AnalogueControl();
            EXPECT_NEAR(app->f_moveY, m, 1e-5);
        }
    };
    // Touch drag from a fresh game: the first update anchors (no jump from a default anchor), the next
    // ones steer by distance / 72 outside a dead zone.
    app->f_pointerDown = 1;
    const int drag[][2] = {{100, 0}, {136, 50}, {105, 0}};  // pointer x, f_moveX x 100
    for (const auto& d : drag) {
        app->f_ptrX = d[0];
        app->p_AnalogueControl();
        EXPECT_FLOAT_EQ(app->f_moveX, d[1] / 100.0f) << d[0];
    }
    app->f_pointerDown = 0;
    app->p_AnalogueControl();
    EXPECT_EQ(app->f_anchorX, -1);
    KeyDown(38);
    steer({-0.15f, -0.3f, -0.45f, -0.6f, -0.75f, -0.9f, -1.0f});
    KeyUp(38);
    steer({-0.8f, -0.6f, -0.4f, -0.2f, 0.0f, 0.0f});
    EXPECT_EQ(app->f_velY, 0.0f);
    // The chosen joystick overrides the drag; y is turned so that up is negative.
    app->f_playerPad = 2;
    input->f_joyStates[2]->f_joyx[0] = 0.3f;
    input->f_joyStates[2]->f_joyy[0] = 0.5f;
    app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->f_moveX, 0.3f);
    EXPECT_FLOAT_EQ(app->f_moveY, -0.5f);
}

}  // namespace
