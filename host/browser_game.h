// VxBrowserGame: the host in a web page (the WebAssembly build, `make web`). The window is the
// page's canvas through Emscripten's GLFW, so keys, characters and the mouse arrive through the
// GLFW host's callbacks; what differs lives here:
//
// - the main loop is driven by the browser's frame callback: each frame follows the focus, runs
//   the updates that are due with the desktop's catch-up rule, then renders;
// - the page losing the focus or being hidden suspends the game, as the desktop window does;
// - the canvas follows the size of the page, and full screen is the browser's full-screen mode;
// - the data is the preloaded package under "/data", and the state file lives in "/save", a
//   folder kept in IndexedDB and written back after every save (host/browser_pre.js);
// - gamepads come from the browser's Gamepad API.
//
// With a scenario script (the scenario runner's format, handed over by the page before start-up),
// the game runs one update per frame on the runner's clock and gets the script's input instead of
// the player's, up to the update of the script's last line, where it stands still: the page then
// holds the game `zarnok-sim --script FILE --updates LAST+1` ends with.
#pragma once

#include <string>
#include <vector>

#include "host/script.h"
#include "host/vxgame.h"

class VxBrowserGame : public VxZorbinGame {
  public:
    VxBrowserGame();

    static VxBrowserGame* _browserGame;

    // Opens the canvas, starts the game and hands the loop to the browser; it never returns.
    void Run() override;
    // One frame callback of the browser.
    void Frame();
    // The page's focus or visibility changed: suspend or resume now (a hidden page gets no frames).
    void FocusChanged();

    // Plays the script (parsed from `text`) instead of the player's input; false with `error` on a
    // bad script. Call before Run.
    bool UseScript(const std::string& text, std::string* error);
    // The number of updates run so far.
    int Updates() const { return _updates; }

    void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth, int stencil,
                       bool fullscreen) override;
    VxGlfwVideoMode* GetGlfwDesktopMode() override;
    VxDisplayMode* GetDesktopMode() override;
    Array<VxDisplayMode*> GetDisplayModes() override;
    int GetDeviceWidth() override;
    int GetDeviceHeight() override;
    int Millisecs() override;
    int SaveState(const String& state) override;
    String PathToFilePath(const String& path) override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override;
    void UpdateGame() override;
    // The player's keys and mouse; ignored while a script plays.
    void KeyEvent(int event, int data) override;
    void MouseEvent(int event, int data, float x, float y) override;

  protected:
    bool WindowActive() override;

  private:
    // Whether the next update falls due before the middle of the next frame.
    bool UpdateDue();

    bool _scripted = false;
    std::vector<SimEvent> _script;
    size_t _nextEvent = 0;
    int _updates = 0;
    int _lastPass = -1;
};
