// A headless host for the scenario runner: the real framework and game, driven pass by pass by a
// script instead of the window system, with a virtual clock. It opens an invisible window only for
// the OpenGL context, so drawing is real and can be read back.
//
// One pass is one pass of the host loop with exactly one update: RenderGame, then the pass's
// scripted events, then UpdateGame. Millisecs is trunc(pass * 1000 / 60).
#pragma once

#include "host/vxgame.h"

class VxSimGame : public VxGlfwGame {
  public:
    VxSimGame(int width, int height);

    // The pass the game is in; Millisecs follows it.
    void SetPass(int pass) { _pass = pass; }
    int Pass() const { return _pass; }

    // Scripted joysticks: axes 0-5 as the window host reads them (x, y, z of stick 0, then stick 1)
    // and buttons 0-31 in the framework's numbering. A unit is present from its first event on.
    void SetJoyAxis(int unit, int axis, float value);
    void SetJoyButton(int unit, int button, bool down);
    void UnplugJoy(int unit);

    // Changes the window size, as a user dragging the window's border would.
    void Resize(int width, int height);

    int Millisecs() override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override;
    int GetDeviceWidth() override { return _width; }
    int GetDeviceHeight() override { return _height; }
    Array<VxDisplayMode*> GetDisplayModes() override;
    VxDisplayMode* GetDesktopMode() override;
    VxGlfwVideoMode* GetGlfwDesktopMode() override;
    void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth, int stencil,
                       bool fullscreen) override;
    void SetMouseVisible(bool) override {}
    void OpenUrl(const String&) override {}

  private:
    struct Joy {
        bool present = false;
        float axes[6] = {};
        bool buttons[32] = {};
    };
    int _width, _height;
    int _pass = 0;
    Joy _joys[4];
};

// Initialises the window system for the scenario runner; false when there is no display.
bool vx_sim_init_window_system();
