// The control mapping with the cabinet protocol off and on, the cabinet letters and steering.
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
