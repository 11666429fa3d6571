// Recorded games. `VxRecordingGame` is the window host that also writes down everything the game
// gets from the host, as the scenario runner's script lines numbered by the update before which it
// happened: input events, focus changes, each frame rendered, the window size when it changes, the
// gamepads when they change, every clock reading and every load of the state file. The file is
// flushed after every update, so a crash keeps what was played. The runner (`zarnok-sim --script`)
// and the window (`zarnok --replay`) play such a file back to the same game (host/sim_game.h).
#pragma once

#include <cstdio>
#include <string>

#include "host/vxgame.h"

// The host the game program's command line asks for:
//
//   zarnok [--record FILE | --replay FILE]
//
// --record plays as usual and writes the game into FILE; --replay shows a recorded game (or a
// scenario script) in the window instead. A bad command line or replay file ends the program with
// status 2 and a message.
VxGlfwGame* vx_host_for_command_line(int argc, char** argv);

class VxRecordingGame : public VxZorbinGame {
  public:
    // Records into `file` (taken over); the header is written with the first window.
    explicit VxRecordingGame(FILE* file);
    ~VxRecordingGame() override;

    void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth, int stencil,
                       bool fullscreen) override;
    // The size the recording says the window has: a change shows at the next call into the game.
    int GetDeviceWidth() override { return _width; }
    int GetDeviceHeight() override { return _height; }
    int Millisecs() override;
    String LoadState() override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override;

    void SuspendGame() override;
    void ResumeGame() override;
    void UpdateGame() override;
    void RenderGame() override;
    void KeyEvent(int event, int data) override;
    void MouseEvent(int event, int data, float x, float y) override;

  private:
    // Writes one line of the current update; `Observe` first writes a size change of the window.
    void Line(const std::string& text);
    void Observe();

    struct Joy {
        bool present = false;
        float axes[6] = {};
        bool buttons[32] = {};
    };
    FILE* _file;
    int _pass = 0;
    int _width = 0, _height = 0;
    bool _headerDone = false;
    // Inside SetGlfwWindow: the keys it releases are the host's own doing, which a replay repeats.
    bool _switching = false;
    Joy _joys[4];
};
