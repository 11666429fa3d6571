// The input device: per-update state of keys, mouse, touches, joysticks and the accelerometer.
//
// Every input shares one space of 512 key codes: 1-3 mouse buttons (button + 1), 8-255 keyboard
// keys, 256 + 32 * unit + button joystick buttons, 384 + i touches, 416 back, 432 window close.
// Codes 1 and 384 are twins: a down or up of either applies to both. Hit counts and typed
// characters live for one update (until p_EndUpdate); down states until the matching up.
#pragma once

#include "runtime/runtime.h"

class c_JoyState : public Object {
  public:
    Array<float> f_joyx;    // x axes of the two sticks
    Array<float> f_joyy;    // y axes
    Array<float> f_joyz;    // z axes (triggers)
    Array<bool> f_buttons;  // button states as last polled

    c_JoyState();
    c_JoyState* m_new();
    void mark() override;
};

class c_InputDevice : public Object {
  public:
    static constexpr int kKeyCount = 512;
    static constexpr int kHitQueueLength = 33;
    static constexpr int kCharQueueLength = 32;
    static constexpr int kTouchCount = 32;
    static constexpr int kJoyUnits = 4;

    Array<c_JoyState*> f_joyStates;
    Array<bool> f_keyDown;
    int f_keyHitPut = 0;
    Array<int> f_keyHitQueue;
    Array<int> f_keyHit;
    int f_charGet = 0;
    int f_charPut = 0;
    Array<int> f_charQueue;
    float f_mouseX = 0, f_mouseY = 0;
    Array<float> f_touchX;
    Array<float> f_touchY;
    float f_accelX = 0, f_accelY = 0, f_accelZ = 0;

    c_InputDevice();
    // Creates the four joystick states.
    c_InputDevice* m_new();

    // Records one hit of `key` unless this update's hit queue is full.
    void p_PutKeyHit(int key);
    // Polls joysticks 0-3 through the host; an absent unit reads centred sticks and no buttons.
    void p_BeginUpdate();
    // Clears this update's hit counts and characters.
    void p_EndUpdate();

    void p_KeyEvent(int event, int data);
    void p_MouseEvent(int event, int data, float x, float y);
    void p_TouchEvent(int event, int data, float x, float y);
    void p_MotionEvent(int event, int data, float x, float y, float z);
    void p_SetKeyboardEnabled(bool enabled);

    // The next character typed during this update, or 0.
    int p_GetChar();
    int p_KeyHit(int key);
    bool p_KeyDown(int key);
    float p_MouseX();
    float p_MouseY();
    float p_TouchX(int index);
    float p_TouchY(int index);
    // Units 0-3 and sticks 0-1; anything else reads 0.
    float p_JoyX(int index, int unit);
    float p_JoyY(int index, int unit);
    float p_AccelX();
    float p_AccelY();

    void mark() override;

  private:
    void KeyDown(int key);
    void KeyUp(int key);
    void SetMouse(float x, float y);
    void SetTouch(int index, float x, float y);
};

extern c_InputDevice* vx_input_device;

int vx_input_SetInputDevice(c_InputDevice* device);
int vx_input_EnableKeyboard();
int vx_input_DisableKeyboard();
int vx_input_GetChar();
int vx_input_KeyHit(int key);
bool vx_input_KeyDown(int key);
int vx_input_MouseHit(int button);
bool vx_input_MouseDown(int button);
float vx_input_MouseX();
float vx_input_MouseY();
bool vx_input_TouchDown(int index);
float vx_input_TouchX(int index);
float vx_input_TouchY(int index);
int vx_input_JoyHit(int button, int unit);
bool vx_input_JoyDown(int button, int unit);
float vx_input_JoyX(int index, int unit);
float vx_input_JoyY(int index, int unit);
float vx_input_AccelX();
float vx_input_AccelY();
