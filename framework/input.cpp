#include "framework/input.h"

#include "host/vxgame.h"

c_InputDevice* vx_input_device = nullptr;

c_JoyState::c_JoyState() {
    gc_assign(f_joyx, Array<float>(2));
    gc_assign(f_joyy, Array<float>(2));
    gc_assign(f_joyz, Array<float>(2));
    gc_assign(f_buttons, Array<bool>(32));
}

c_JoyState* c_JoyState::m_new() {
    return this;
}

void c_JoyState::mark() {
    Object::mark();
    gc_mark_q(f_joyx);
    gc_mark_q(f_joyy);
    gc_mark_q(f_joyz);
    gc_mark_q(f_buttons);
}

c_InputDevice::c_InputDevice() {
    gc_assign(f_joyStates, Array<c_JoyState*>(kJoyUnits));
    gc_assign(f_keyDown, Array<bool>(kKeyCount));
    gc_assign(f_keyHitQueue, Array<int>(kHitQueueLength));
    gc_assign(f_keyHit, Array<int>(kKeyCount));
    gc_assign(f_charQueue, Array<int>(kCharQueueLength));
    gc_assign(f_touchX, Array<float>(kTouchCount));
    gc_assign(f_touchY, Array<float>(kTouchCount));
}

c_InputDevice* c_InputDevice::m_new() {
    for (int i = 0; i < kJoyUnits; ++i) f_joyStates.Set(i, (new c_JoyState())->m_new());
    return this;
}

void c_InputDevice::mark() {
    Object::mark();
    gc_mark_q(f_joyStates);
    gc_mark_q(f_keyDown);
    gc_mark_q(f_keyHitQueue);
    gc_mark_q(f_keyHit);
    gc_mark_q(f_charQueue);
    gc_mark_q(f_touchX);
    gc_mark_q(f_touchY);
}

void c_InputDevice::p_PutKeyHit(int key) {
    if (f_keyHitPut == f_keyHitQueue.Length()) return;
    f_keyHit[key] += 1;
    f_keyHitQueue[f_keyHitPut] = key;
    f_keyHitPut += 1;
}

void c_InputDevice::KeyDown(int key) {
    if (f_keyDown[key]) return;
    f_keyDown[key] = true;
    p_PutKeyHit(key);
    int twin = key == 1 ? 384 : key == 384 ? 1 : 0;
    if (twin) {
        f_keyDown[twin] = true;
        p_PutKeyHit(twin);
    }
}

void c_InputDevice::KeyUp(int key) {
    if (!f_keyDown[key]) return;
    f_keyDown[key] = false;
    if (key == 1) f_keyDown[384] = false;
    if (key == 384) f_keyDown[1] = false;
}

void c_InputDevice::SetMouse(float x, float y) {
    f_mouseX = x;
    f_mouseY = y;
    f_touchX[0] = x;
    f_touchY[0] = y;
}

void c_InputDevice::SetTouch(int index, float x, float y) {
    f_touchX[index] = x;
    f_touchY[index] = y;
    if (index == 0) {
        f_mouseX = x;
        f_mouseY = y;
    }
}

void c_InputDevice::p_BeginUpdate() {
    VxGame* host = VxGame::_game;
    for (int unit = 0; unit < kJoyUnits; ++unit) {
        c_JoyState* state = f_joyStates[unit];
        if (!host ||
            !host->PollJoystick(unit, state->f_joyx, state->f_joyy, state->f_joyz, state->f_buttons)) {
            // An absent unit lets go: sticks centred, buttons up (an unplugged pad must not hold a
            // direction or a button for ever). The units after it are still polled.
            for (int i = 0; i < 2; ++i) state->f_joyx[i] = state->f_joyy[i] = state->f_joyz[i] = 0.0f;
            for (int b = 0; b < 32; ++b) state->f_buttons[b] = false;
        }
        for (int b = 0; b < 32; ++b) {
            int code = 256 + unit * 32 + b;
            if (!state->f_buttons[b]) {
                f_keyDown[code] = false;
            } else if (!f_keyDown[code]) {
                f_keyDown[code] = true;
                p_PutKeyHit(code);
            }
        }
    }
}

void c_InputDevice::p_EndUpdate() {
    for (int i = 0; i < f_keyHitPut; ++i) f_keyHit[f_keyHitQueue[i]] = 0;
    f_keyHitPut = 0;
    f_charGet = 0;
    f_charPut = 0;
}

// The host and the delegate deliver only codes 1-511 and indices 0-31; anything else is ignored
// here rather than written outside the tables.
static bool ValidKey(int key) {
    return key >= 1 && key < c_InputDevice::kKeyCount;
}
static bool ValidTouch(int index) {
    return index >= 0 && index < c_InputDevice::kTouchCount;
}

void c_InputDevice::p_KeyEvent(int event, int data) {
    switch (event) {
        case 1:
            if (ValidKey(data)) KeyDown(data);
            break;
        case 2:
            if (ValidKey(data)) KeyUp(data);
            break;
        case 3:
            if (f_charPut < f_charQueue.Length()) {
                f_charQueue[f_charPut] = data;
                f_charPut += 1;
            }
            break;
        default:
            break;
    }
}

void c_InputDevice::p_MouseEvent(int event, int data, float x, float y) {
    switch (event) {
        case 4:
            if (ValidKey(data + 1)) KeyDown(data + 1);
            SetMouse(x, y);
            break;
        case 5:
            if (ValidKey(data + 1)) KeyUp(data + 1);
            break;
        case 6:
            SetMouse(x, y);
            break;
        default:
            break;
    }
}

void c_InputDevice::p_TouchEvent(int event, int data, float x, float y) {
    if (!ValidTouch(data)) return;
    switch (event) {
        case 7:
            KeyDown(384 + data);
            SetTouch(data, x, y);
            break;
        case 8:
            KeyUp(384 + data);
            break;
        case 9:
            SetTouch(data, x, y);
            break;
        default:
            break;
    }
}

void c_InputDevice::p_MotionEvent(int event, int /*data*/, float x, float y, float z) {
    if (event != 10) return;
    f_accelX = x;
    f_accelY = y;
    f_accelZ = z;
}

void c_InputDevice::p_SetKeyboardEnabled(bool enabled) {
    if (VxGame::_game) VxGame::_game->SetKeyboardEnabled(enabled);
}

int c_InputDevice::p_GetChar() {
    if (f_charGet == f_charPut) return 0;
    int c = f_charQueue[f_charGet];
    f_charGet += 1;
    return c;
}

int c_InputDevice::p_KeyHit(int key) {
    return ValidKey(key) ? f_keyHit[key] : 0;
}

bool c_InputDevice::p_KeyDown(int key) {
    return ValidKey(key) ? f_keyDown[key] : false;
}

float c_InputDevice::p_MouseX() {
    return f_mouseX;
}
float c_InputDevice::p_MouseY() {
    return f_mouseY;
}

float c_InputDevice::p_TouchX(int index) {
    return ValidTouch(index) ? f_touchX[index] : 0.0f;
}
float c_InputDevice::p_TouchY(int index) {
    return ValidTouch(index) ? f_touchY[index] : 0.0f;
}

float c_InputDevice::p_JoyX(int index, int unit) {
    if (unit < 0 || unit >= kJoyUnits || index < 0 || index > 1) return 0.0f;
    return f_joyStates[unit]->f_joyx[index];
}
float c_InputDevice::p_JoyY(int index, int unit) {
    if (unit < 0 || unit >= kJoyUnits || index < 0 || index > 1) return 0.0f;
    return f_joyStates[unit]->f_joyy[index];
}

float c_InputDevice::p_AccelX() {
    return f_accelX;
}
float c_InputDevice::p_AccelY() {
    return f_accelY;
}

int vx_input_SetInputDevice(c_InputDevice* device) {
    gc_assign(vx_input_device, device);
    return 0;
}

int vx_input_EnableKeyboard() {
    VxGame::_game->SetKeyboardEnabled(true);
    return 1;
}

int vx_input_DisableKeyboard() {
    VxGame::_game->SetKeyboardEnabled(false);
    return 1;
}

int vx_input_GetChar() {
    return vx_input_device->p_GetChar();
}

int vx_input_KeyHit(int key) {
    return vx_input_device->p_KeyHit(key);
}

bool vx_input_KeyDown(int key) {
    return vx_input_device->p_KeyDown(key);
}

int vx_input_MouseHit(int button) {
    if (button < 0 || button > 510) return 0;
    return vx_input_device->p_KeyHit(button + 1);
}

bool vx_input_MouseDown(int button) {
    if (button < 0 || button > 510) return false;
    return vx_input_device->p_KeyDown(button + 1);
}

float vx_input_MouseX() {
    return vx_input_device->p_MouseX();
}
float vx_input_MouseY() {
    return vx_input_device->p_MouseY();
}

bool vx_input_TouchDown(int index) {
    if (index < -383 || index > 127) return false;
    return vx_input_device->p_KeyDown(384 + index);
}

float vx_input_TouchX(int index) {
    return vx_input_device->p_TouchX(index);
}
float vx_input_TouchY(int index) {
    return vx_input_device->p_TouchY(index);
}

// The joystick code is button OR 256 OR unit * 32; a code that, taken unsigned, lies beyond the
// table reads 0.
static int JoyCode(int button, int unit) {
    return button | 256 | (unit * 32);
}

int vx_input_JoyHit(int button, int unit) {
    unsigned code = static_cast<unsigned>(JoyCode(button, unit));
    if (code > 511) return 0;
    return vx_input_device->p_KeyHit(static_cast<int>(code));
}

bool vx_input_JoyDown(int button, int unit) {
    unsigned code = static_cast<unsigned>(JoyCode(button, unit));
    if (code > 511) return false;
    return vx_input_device->p_KeyDown(static_cast<int>(code));
}

float vx_input_JoyX(int index, int unit) {
    return vx_input_device->p_JoyX(index, unit);
}
float vx_input_JoyY(int index, int unit) {
    return vx_input_device->p_JoyY(index, unit);
}

float vx_input_AccelX() {
    return vx_input_device->p_AccelX();
}
float vx_input_AccelY() {
    return vx_input_device->p_AccelY();
}
