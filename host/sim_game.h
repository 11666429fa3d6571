// A scripted host: the real framework and game, driven pass by pass by a script (host/script.h)
// instead of the window system, with a virtual clock. For the scenario runner it opens an invisible
// window only for the OpenGL context, so drawing is real and can be read back; for `zarnok --replay`
// it shows a recorded game in a visible window at the normal rate.
//
// One pass is one pass of the host loop with exactly one update: RenderGame, then the pass's
// scripted events, then UpdateGame. Millisecs is trunc(pass * 1000 / 60). A recorded game instead
// renders where its render lines say, and its clock and state-file answers come from the recording;
// the state file itself is then left alone (saves are kept in memory).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "host/script.h"
#include "host/vxgame.h"

class VxSimGame : public VxGlfwGame {
  public:
    VxSimGame(int width, int height, bool visible = false);

    // Makes the host play the recorded game `events` (read from `source`, named in messages).
    void UseRecording(const SimRecording& recording, const std::vector<SimEvent>& events,
                      const std::string& source);
    bool Recorded() const { return _recorded; }

    // One event of the script (every kind but set lines, which name the game's fields).
    void Deliver(const SimEvent& e);
    // The pass's implicit render (none in a recorded game, nor when `render` is false), then its
    // events from `*next` on. Set lines go to `other` first.
    void BeginPass(int pass, const std::vector<SimEvent>& events, size_t* next,
                   void (*other)(const SimEvent&) = nullptr, bool render = true);

    // For a replay in the visible window: the script Run shows.
    void SetScript(const std::vector<SimEvent>& events) { _script = events; }
    // Shows the whole script in the visible window, one pass every 60th of a second, and ends the
    // program. The player's input is ignored but for Escape, F4 and the close request, which end
    // the replay.
    [[noreturn]] void Run() override;

    // The pass the game is in; Millisecs follows it.
    void SetPass(int pass) { _pass = pass; }
    int Pass() const { return _pass; }

    // Scripted joysticks: axes 0-5 as the window host hands them to the framework (x, y, z of stick
    // 0, then stick 1; right and up positive) and buttons 0-31 in the framework's numbering. A unit
    // is present from its first event on.
    void SetJoyAxis(int unit, int axis, float value);
    void SetJoyButton(int unit, int button, bool down);
    void UnplugJoy(int unit);

    // Changes the window size, as a user dragging the window's border would.
    void Resize(int width, int height);

    int Millisecs() override;
    String LoadState() override;
    int SaveState(const String& state) override;
    // A recorded game's update is followed by its check.
    void UpdateGame() override;
    void KeyEvent(int event, int data) override;
    void MouseEvent(int event, int data, float x, float y) override;
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

  protected:
    void ReleaseHeldKeys() override;

  private:
    // Ends the program with status 2: the replay left the recording at `line`.
    [[noreturn]] void Refuse(int line, const std::string& what);
    // The next answer of a recorded game, checked to belong to the current pass.
    const SimEvent* Answer(std::deque<SimEvent>* answers, const char* what);

    struct Joy {
        bool present = false;
        float axes[6] = {};
        bool buttons[32] = {};
    };
    int _width, _height;
    int _pass = 0;
    Joy _joys[4];
    bool _held[512] = {};  // framework key codes held down by the script
    bool _delivering = false;
    bool _recorded = false;
    std::string _source;
    int _desktop[5] = {1920, 1080, 8, 8, 8};
    std::vector<SimEvent> _script;
    std::deque<SimEvent> _clock, _states, _checks;
    SimEvent _answer;
    int _lastClock = 0;
    String _saved;
};

// Initialises the window system for the scenario runner; false when there is no display.
bool vx_sim_init_window_system();
