// Abstract controls per player over the keyboard, joysticks, sticks and the virtual controls (the
// arcade cabinet, the back key); pointer tests for buttons and boxes; analogue steering.
#include <cmath>
#include <initializer_list>

#include "framework/app.h"
#include "framework/input.h"
#include "game/myapp.h"

namespace {

bool AnyKeyDown(std::initializer_list<int> keys) {
    for (int k : keys)
        if (vx_input_KeyDown(k)) return true;
    return false;
}

// Joystick button b of a player: key code 256 + 32p + b, read only while the code exists.
bool JoyButtonDown(int player, std::initializer_list<int> buttons) {
    for (int b : buttons) {
        int code = 256 + 32 * player + b;
        if (code <= 511 && vx_input_KeyDown(code)) return true;
    }
    return false;
}

}  // namespace

int c_MyApp::p_PlayKey(int control, int mode, int player) {
    const bool cabinet = vx_Zarnok_iCadeControls == 1;
    const bool pad = player >= 0;
    // The stick counts for the four directions in mode 1 only, and not under the cabinet protocol.
    const bool stick = pad && player <= 3 && mode == 1 && !cabinet;
    bool on = false;
    int entry = 0;
    switch (control) {
        case 0:
            on = cabinet ? AnyKeyDown({38}) : AnyKeyDown({38, 87});
            on = on || (pad && JoyButtonDown(player, {9})) || (stick && vx_input_JoyY(0, player) > 0.4f);
            entry = f_controls[0];
            break;
        case 3:
            on = cabinet ? AnyKeyDown({37}) : AnyKeyDown({37, 65});
            on = on || (pad && JoyButtonDown(player, {8})) || (stick && vx_input_JoyX(0, player) < -0.4f);
            entry = f_controls[3];
            break;
        case 5:
            on = cabinet ? AnyKeyDown({39}) : AnyKeyDown({39, 68});
            on = on || (pad && JoyButtonDown(player, {10})) || (stick && vx_input_JoyX(0, player) > 0.4f);
            entry = f_controls[5];
            break;
        case 8:
            on = cabinet ? AnyKeyDown({40}) : AnyKeyDown({40, 83});
            on = on || (pad && JoyButtonDown(player, {11})) || (stick && vx_input_JoyY(0, player) < -0.4f);
            entry = f_controls[8];
            break;
        case 10:
            on = cabinet ? AnyKeyDown({32, 13}) : AnyKeyDown({90, 74, 32, 13});
            on = on || (pad && JoyButtonDown(player, {0}));
            entry = f_controls[10];
            break;
        case 11:
            on = cabinet ? AnyKeyDown({17}) : AnyKeyDown({88, 75, 17});
            on = on || (pad && JoyButtonDown(player, {1}));
            entry = f_controls[11];
            break;
        case 12:
            on = cabinet ? AnyKeyDown({16}) : AnyKeyDown({67, 76, 16});
            on = on || (pad && JoyButtonDown(player, {2}));
            entry = f_controls[12];
            break;
        case 13:
            on = !cabinet && AnyKeyDown({86, 73});
            on = on || (pad && JoyButtonDown(player, {3}));
            entry = f_controls[13];
            break;
        case 14:
            on = !cabinet && AnyKeyDown({66, 85});
            on = on || (pad && JoyButtonDown(player, {4}));
            entry = f_controls[14];
            break;
        case 15:
            on = !cabinet && AnyKeyDown({78, 79});
            on = on || (pad && JoyButtonDown(player, {5}));
            entry = f_controls[15];
            break;
        case 99:
            on = cabinet ? AnyKeyDown({27, 46, 8}) : AnyKeyDown({27, 192, 46, 8});
            on = on || (pad && JoyButtonDown(player, {6, 7, 14}));
            entry = f_controls[16] != 0 ? f_controls[16]
                                        : (f_controls[17] != 0 ? f_controls[17] : f_controls[19]);
            break;
        default:
            return 0;
    }
    // A virtual control reports its stored value (2 while a cabinet control is held).
    return on ? 1 : entry;
}

int c_MyApp::p_PlayKeyAll(int control, int mode) {
    int sum = 0;
    for (int p = 0; p < 4; ++p) sum += p_PlayKey(control, mode, p);
    return sum;
}

int c_MyApp::p_Button(int slot, float x, float y, float frame) {
    p_DrawImg(slot, x, y, frame);
    f_buttonHit = 0;
    const float hw = static_cast<float>(f_fontMetrics[3 * slot]) * f_imgScale * f_sizeX / 2.0f;
    const float hh = static_cast<float>(f_fontMetrics[3 * slot + 1]) * f_imgScale * f_sizeY / 2.0f;
    for (int i = 0; i < 10; ++i) {
        const float tx = static_cast<float>(f_touchVX[i]), ty = static_cast<float>(f_touchVY[i]);
        if (x - hw < tx && tx < x + hw && y - hh < ty && ty < y + hh && f_pointerDown >= 1) f_buttonHit = 1;
    }
    return f_buttonHit;
}

int c_MyApp::p_Touch(float x, float y, float w, float h) {
    p_Rect(x, y, w, h);
    for (int i = 0; i < 10; ++i) {
        if (f_touchDown[i] == 0) continue;
        const float tx = static_cast<float>(f_touchVX[i]), ty = static_cast<float>(f_touchVY[i]);
        if (x - 6.0f < tx && tx < x + w + 12.0f && y - 6.0f < ty && ty < y + h + 12.0f) return 1;
    }
    return 0;
}

int c_MyApp::p_MouseIn_Centered(float x, float y, float w, float h) {
    for (int i = 0; i < 10; ++i) {
        if (f_touchDown[i] == 0) continue;
        const float tx = static_cast<float>(f_touchVX[i]), ty = static_cast<float>(f_touchVY[i]);
        if (x - w / 2.0f < tx && tx < x + w / 2.0f && y - h / 2.0f < ty && ty < y + h / 2.0f) return 1;
    }
    return 0;
}

static float Clamp1(float v) {
    return v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v);
}

int c_MyApp::p_AnalogueControl() {
    f_moveX = 0.0f;
    f_moveY = 0.0f;

    // Touch-drag stick: the first point pressed is the anchor; the drag from it steers.
    if (f_pointerDown == 0) f_anchorX = -1;
    if (f_pointerDown > 0) {
        if (f_anchorX == -1) {
            f_anchorX = f_ptrX;
            f_anchorY = f_ptrY;
        } else {
            f_moveX = static_cast<float>(f_ptrX - f_anchorX) / 72.0f;
            f_moveY = static_cast<float>(f_ptrY - f_anchorY) / 72.0f;
            if (std::fabs(f_moveX) < 0.1f && std::fabs(f_moveY) < 0.1f) f_moveX = f_moveY = 0.0f;
            // The anchor follows a pointer that has moved far away.
            if (f_ptrX - f_anchorX > 64) f_anchorX += 4;
            if (f_ptrX - f_anchorX < -64) f_anchorX -= 4;
            if (f_ptrY - f_anchorY > 64) f_anchorY += 4;
            if (f_ptrY - f_anchorY < -64) f_anchorY -= 4;
        }
        p_SetCol(0.0f, 100.0f, 250.0f, 0.25f);
        p_Oval(static_cast<float>(f_anchorX), static_cast<float>(f_anchorY), 12.0f, 12.0f);
        p_Oval(static_cast<float>(f_ptrX), static_cast<float>(f_ptrY), 8.0f, 8.0f);
    }

    // Joystick of the chosen controller.
    const int unit = f_playerPad >= 0 && f_playerPad <= 3 ? f_playerPad : 0;
    const float jx = vx_input_JoyX(0, unit), jy = vx_input_JoyY(0, unit);
    if (std::fabs(jx) > 0.2f || std::fabs(jy) > 0.2f) {
        f_moveX = jx;
        f_moveY = -jy;
    }

    // Keys with inertia.
    if (p_PlayKey(0, 0, 0) != 0) {
        f_velY -= 0.15f;
        f_moveY = f_velY;
    } else if (f_velY < 0.0f) {
        f_velY += 0.2f;
        if (f_velY > 0.0f) f_velY = 0.0f;
        f_moveY = f_velY;
    }
    if (p_PlayKey(8, 0, 0) != 0) {
        f_velY += 0.15f;
        f_moveY = f_velY;
    } else if (f_velY > 0.0f) {
        f_velY -= 0.2f;
        if (f_velY < 0.0f) f_velY = 0.0f;
        f_moveY = f_velY;
    }
    if (p_PlayKey(3, 0, 0) != 0) {
        f_velX -= 0.08f;
        f_moveX = f_velX;
    } else if (f_velX < 0.0f) {
        f_velX += 0.12f;
        if (f_velX > 0.0f) f_velX = 0.0f;
        f_moveX = f_velX;
    }
    if (p_PlayKey(5, 0, 0) != 0) {
        f_velX += 0.08f;
        f_moveX = f_velX;
    } else if (f_velX > 0.0f) {
        f_velX -= 0.12f;
        if (f_velX < 0.0f) f_velX = 0.0f;
        f_moveX = f_velX;
    }

    f_moveX = Clamp1(f_moveX);
    f_moveY = Clamp1(f_moveY);
    f_velX = Clamp1(f_velX);
    f_velY = Clamp1(f_velY);

    if (std::fabs(jx) <= 0.05f && std::fabs(jy) <= 0.05f) return 0;
    if (vx_Zarnok_DebugMode == 1) {
        const float bx = vx_Zarnok_jscrw - 64.0f, by = vx_Zarnok_jscrh - 64.0f;
        p_SetCol(0.0f, 180.0f, 250.0f, 0.5f);
        p_Oval(bx, by, 12.0f, 12.0f);
        p_Oval(bx + 52.0f * jx, by + 52.0f * jy, 8.0f, 8.0f);
    }
    return 0;
}

int c_MyApp::p_iCade(int on) {
    if (on == 1) {
        // Letters now arrive as characters; whatever was typed before is not cabinet input.
        vx_app__game->SetKeyboardEnabled(true);
        vx_Zarnok_iCadeControls = 1;
        do {
            f_lastChar = vx_input_GetChar();
        } while (f_lastChar != 0);
    } else if (on == 0) {
        vx_app__game->SetKeyboardEnabled(false);
        vx_Zarnok_iCadeControls = 0;
        for (int i = 0; i <= 18; ++i) f_controls[i] = 0;
    }
    return 0;
}
