// The app module: the application base class a game derives from, the delegate through which the
// host reaches it, and the functions with which the game asks the host for time, the window size,
// display modes, the update rate and its saved state, or ends the program.
//
// The delegate creates the renderer, the audio device and the input device when the game starts,
// refreshes the cached window size at the start of every update and frame, routes events to the
// input device, brackets every update with the input device's per-update work and every frame with
// the graphics module's begin and end, and turns the close (432) and back (416) keys into the end
// of the program.
#pragma once

#include "host/vxgame.h"
#include "runtime/runtime.h"

class gxtkGraphics;
class gxtkAudio;
class c_InputDevice;

class c_App : public Object {
  public:
    // Registers this object as the one application and hands a new delegate to the host. A second
    // application is a runtime error ("App has already been created").
    c_App* m_new();

    virtual int p_OnCreate() { return 0; }
    virtual int p_OnSuspend() { return 0; }
    virtual int p_OnResume() { return 0; }
    virtual int p_OnUpdate() { return 0; }
    virtual int p_OnRender() { return 0; }

    int p_OnResize() { return 0; }
    int p_OnLoading() { return 0; }
    // Both end the program at once (exit status 0).
    int p_OnClose();
    int p_OnBack();
};

class c_GameDelegate : public VxGameDelegate {
  public:
    gxtkGraphics* f__graphics = nullptr;
    gxtkAudio* f__audio = nullptr;
    c_InputDevice* f__input = nullptr;

    c_GameDelegate* m_new() { return this; }
    void mark() override;

    void StartGame() override;
    void SuspendGame() override;
    void ResumeGame() override;
    void UpdateGame() override;
    void RenderGame() override;
    void KeyEvent(int event, int data) override;
    void MouseEvent(int event, int data, float x, float y) override;
    void TouchEvent(int event, int data, float x, float y) override;
    void MotionEvent(int event, int data, float x, float y, float z) override;
    void DiscardGraphics() override;
};

class c_DisplayMode : public Object {
  public:
    int f__width = 0;
    int f__height = 0;

    c_DisplayMode* m_new(int width, int height);
    c_DisplayMode* m_new2() { return this; }
};

// A red-black tree node of the integer map.
class c_Node : public Object {
  public:
    int f_key = 0;
    c_Node* f_right = nullptr;
    c_Node* f_left = nullptr;
    c_DisplayMode* f_value = nullptr;
    int f_color = 0;  // red -1, black 1
    c_Node* f_parent = nullptr;

    c_Node* m_new(int key, c_DisplayMode* value, int color, c_Node* parent);
    void mark() override;
};

// An ordered map from integers to display modes (a red-black tree).
class c_Map : public Object {
  public:
    c_Node* f_root = nullptr;

    c_Map* m_new() { return this; }
    // Negative: a goes left of b; positive: right; 0: the same key.
    virtual int p_Compare(int a, int b) = 0;
    c_Node* p_FindNode(int key);
    bool p_Contains(int key);
    // Replaces the value of an existing key (false) or inserts a new one (true).
    bool p_Set(int key, c_DisplayMode* value);
    bool p_Insert(int key, c_DisplayMode* value) { return p_Set(key, value); }
    void mark() override;

  protected:
    void p_RotateLeft(c_Node* node);
    void p_RotateRight(c_Node* node);
    void p_InsertFixup(c_Node* node);
};

class c_IntMap : public c_Map {
  public:
    c_IntMap* m_new() {
        c_Map::m_new();
        return this;
    }
    int p_Compare(int a, int b) override { return a - b; }
};

// A growable stack of display modes.
class c_Stack : public Object {
  public:
    Array<c_DisplayMode*> f_data;
    int f_length = 0;

    c_Stack* m_new() { return this; }
    void p_Push(c_DisplayMode* value);
    // A new array of exactly the pushed values (the empty array when there are none).
    Array<c_DisplayMode*> p_ToArray();
    void mark() override;
};

extern c_App* vx_app__app;
extern c_GameDelegate* vx_app__delegate;
extern VxGame* vx_app__game;
extern int vx_app__devWidth;
extern int vx_app__devHeight;
extern Array<c_DisplayMode*> vx_app__displayModes;
extern c_DisplayMode* vx_app__desktopMode;
extern int vx_app__updateRate;

// The window size as last seen at the start of an update or frame.
int vx_app_DeviceWidth();
int vx_app_DeviceHeight();
// Refreshes the cached window size from the host; `notifyApp` runs the app's resize hook on change.
int vx_app_ValidateDeviceWindow(bool notifyApp);
int vx_app_SetUpdateRate(int hertz);
int vx_app_Millisecs();
String vx_app_LoadState();
// Saves through the host; a failed save is not reported to the game.
int vx_app_SaveState(const String& state);
// Fills vx_app__displayModes with the distinct sizes of the host's modes (first appearance kept)
// and vx_app__desktopMode with the desktop size (the window size when the host has none).
int vx_app_EnumDisplayModes();
// Ends the program at once with exit status 0.
[[noreturn]] void vx_app_EndApp();
