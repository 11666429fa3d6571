// The host: the window, the OpenGL context, the fixed-rate main loop, events, files and the state
// file. `VxGame` is the platform-neutral part (the started/suspended state machine and the guarded
// calls into the framework); `VxGlfwGame` implements it on GLFW 3 and runs the loop. The framework
// reaches the host only through `VxGame`'s virtual operations, and the host reaches the framework
// only through a `VxGameDelegate`.
#pragma once

#include <cstdio>
#include <memory>

#include "host/image_decode.h"
#include "runtime/runtime.h"

// The framework's side of the host: every operation does nothing here. Event codes: 1 key down,
// 2 key up, 3 character, 4/5/6 mouse down/up/move, 7/8/9 touch down/up/move, 10 accelerometer.
class VxGameDelegate : public Object {
  public:
    virtual void StartGame() {}
    virtual void SuspendGame() {}
    virtual void ResumeGame() {}
    virtual void UpdateGame() {}
    virtual void RenderGame() {}
    virtual void KeyEvent(int /*event*/, int /*data*/) {}
    virtual void MouseEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/) {}
    virtual void TouchEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/) {}
    virtual void MotionEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/, float /*z*/) {}
    virtual void DiscardGraphics() {}
};

class VxDisplayMode : public Object {
  public:
    int width = 0, height = 0, depth = 0, hertz = 0, flags = 0;
};

class VxGlfwVideoMode : public Object {
  public:
    int Width = 0, Height = 0, RedBits = 0, GreenBits = 0, BlueBits = 0;
};

// Incremented each time a window, and with it a new OpenGL context, is opened; 0 before the first.
// Textures remember the value they were made under.
extern int glfwGraphicsSeq;

class VxGame {
  public:
    VxGame();
    virtual ~VxGame();

    static VxGame* _game;

    virtual void SetDelegate(VxGameDelegate* delegate);
    virtual VxGameDelegate* Delegate();
    virtual void SetKeyboardEnabled(bool enabled);
    virtual bool KeyboardEnabled();
    virtual void SetUpdateRate(int hertz);
    virtual int UpdateRate();
    virtual bool Started();
    virtual bool Suspended();
    virtual int Millisecs();
    virtual void GetDate(Array<int> date);
    virtual int SaveState(const String& state);
    virtual String LoadState();
    virtual String LoadString(const String& path);
    virtual bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons);
    virtual void OpenUrl(const String& url);
    virtual void SetMouseVisible(bool visible);
    virtual int GetDeviceWidth();
    virtual int GetDeviceHeight();
    virtual void SetDeviceWindow(int width, int height, int flags);
    virtual Array<VxDisplayMode*> GetDisplayModes();
    virtual VxDisplayMode* GetDesktopMode();
    virtual void SetSwapInterval(int interval);
    virtual String PathToFilePath(const String& path);
    virtual FILE* OpenFile(const String& path, const String& mode);
    // The raw bytes of a file in a new malloc'ed block owned by the caller; null if it cannot be opened.
    virtual unsigned char* LoadData(const String& path, int* length);
    // Decoded image (rows top to bottom, `depth` 1-4 bytes per pixel, malloc'ed) or null.
    virtual unsigned char* LoadImageData(const String& path, int* width, int* height, int* depth);
    // The same image with its size and depth read from the file now and its pixels decoded (and
    // passed through `finish`) on a worker thread; null when the file cannot be opened or its header
    // is not an image's. Here: decoded at once by LoadImageData.
    virtual std::shared_ptr<VxImageDecode> StartImageData(const String& path, int* width, int* height,
                                                          int* depth, VxImageDecode::Finish finish);
    // Decoded sound (length in sample frames, format = bytes per sample, malloc'ed) or null.
    virtual unsigned char* LoadAudioData(const String& path, int* length, int* channels, int* format,
                                         int* hertz);
    [[noreturn]] virtual void Die(ThrowableObject* exception);
    virtual void gc_collect();

    // Guarded calls into the delegate: each checks the started/suspended state, catches a thrown
    // runtime exception (reported by Die) and is followed by one collector step.
    virtual void StartGame();
    virtual void SuspendGame();
    virtual void ResumeGame();
    virtual void UpdateGame();
    virtual void RenderGame();
    virtual void KeyEvent(int event, int data);
    virtual void MouseEvent(int event, int data, float x, float y);
    virtual void TouchEvent(int event, int data, float x, float y);
    virtual void MotionEvent(int event, int data, float x, float y, float z);
    virtual void DiscardGraphics();

  protected:
    VxGameDelegate* _delegate = nullptr;
    bool _keyboardEnabled = false;
    int _updateRate = 0;
    bool _started = false;
    bool _suspended = false;
};

struct GLFWwindow;

class VxGlfwGame : public VxGame {
  public:
    VxGlfwGame();
    ~VxGlfwGame() override;

    static VxGlfwGame* _glfwGame;

    void SetUpdateRate(int hertz) override;
    int Millisecs() override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override;
    void OpenUrl(const String& url) override;
    void SetMouseVisible(bool visible) override;
    int GetDeviceWidth() override;
    int GetDeviceHeight() override;
    void SetDeviceWindow(int width, int height, int flags) override;
    Array<VxDisplayMode*> GetDisplayModes() override;
    VxDisplayMode* GetDesktopMode() override;
    void SetSwapInterval(int interval) override;
    String PathToFilePath(const String& path) override;
    unsigned char* LoadImageData(const String& path, int* width, int* height, int* depth) override;
    std::shared_ptr<VxImageDecode> StartImageData(const String& path, int* width, int* height, int* depth,
                                                  VxImageDecode::Finish finish) override;
    unsigned char* LoadAudioData(const String& path, int* length, int* channels, int* format,
                                 int* hertz) override;

    virtual void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                               int stencil, bool fullscreen);
    virtual VxGlfwVideoMode* GetGlfwDesktopMode();
    virtual Array<VxGlfwVideoMode*> GetGlfwVideoModes();
    // Opens the first window, starts the game and runs passes until the window is no longer open.
    virtual void Run();
    // One pass of the main loop: render and swap, sleep until the next update is due, dispatch
    // events, follow the focus, then run the updates that are due (at most 4).
    virtual void RunPass();

    GLFWwindow* Window() const { return _window; }
    double NextUpdate() const { return _nextUpdate; }

    // The event callbacks, after GLFW has handed them to the host. `action` is 0 for a release and
    // 1 for a press (a key repeat counts as a press).
    void OnKey(int key, int action);
    void OnChar(int character);
    void OnMouseButton(int button, int action);
    void OnMousePos(int x, int y);
    void OnWindowClose();
    void OnFocus(bool focused) { _focused = focused; }
    void OnIconify(bool iconified) { _iconified = iconified; }

    // GLFW key code to framework key code (0 for keys the framework does not know).
    static int TransKey(int glfwKey);
    // The character a special key types (arrows and paging keys as code | 0x10000), or 0.
    static int KeyToChar(int key);
    // Fills the framework's joystick arrays from what GLFW reports: axes, hats (GLFW_HAT_* bits, added
    // as two axes each) and button states (1 pressed). Vertical directions change sign: GLFW reads
    // down as positive, the framework up. The last four of more than 12 buttons move to 8-11, and
    // two controller shapes get their second stick fixed up. At most 6 axes and 32 buttons count.
    static void MapJoystick(const float* axes, int axisCount, const unsigned char* hats, int hatCount,
                            const unsigned char* states, int buttonCount, Array<float> joyx,
                            Array<float> joyy, Array<float> joyz, Array<bool> buttons);
    // The whole milliseconds the loop sleeps for a positive delay in seconds: rounded to the
    // nearest, at least 1.
    static int SleepMillis(double seconds);

  protected:
    // The loop's view of the platform. The GLFW versions use the timer, the window and the event
    // queue; tests and the scenario runner override them to drive the loop with their own clock.
    virtual double Time();
    virtual void SleepMs(int milliseconds);
    virtual void PollEvents();
    virtual void WaitEvents();
    virtual bool WindowOpen();
    // Focused and not iconified, as the window's last focus and iconify events said. A new window
    // counts as focused until it hears otherwise: the player made it by a key press in the old one,
    // and the focus may reach it late (a window manager) or never (none, for a full-screen window).
    virtual bool WindowActive();
    virtual void SwapBuffers();
    // Before a new window replaces the old one: a key-up for every key held down in the old one.
    virtual void ReleaseHeldKeys();
    // Lets the window's input, focus and close events reach the game, or (off) drops them all.
    void ListenToWindow(bool on);
    // Steps of a pass that every host loop shares. FollowFocus suspends the game when the window
    // has lost the focus and resumes it when it is back (restarting the clock either way);
    // RunUpdates runs the updates that are due (one when the rate is 0, otherwise at most 4, then
    // the backlog is dropped).
    void FollowFocus();
    void RunUpdates();

    double _updatePeriod = 0.0;
    double _nextUpdate = 0.0;
    int _swapInterval = -1;
    // A headless host (the scenario runner) keeps its window hidden and never full screen: the
    // window only carries the OpenGL context.
    bool _headless = false;
    GLFWwindow* _window = nullptr;
    bool _mouseVisible = true;
    bool _focused = false, _iconified = false;
};

// The concrete host of this program; adds nothing to VxGlfwGame.
class VxZorbinGame : public VxGlfwGame {
  public:
    // The whole start-up and run of the program (called by main).
    static int Main(int argc, char** argv);
};

// Provided by the program (the game): assigns every module global and registers the collector's
// roots in their marking order; creates the application object.
int vxInit();
int vxMain();
// Set by the program if it can: a digest of the whole game state. A recorded game carries it after
// every update, so that a replay shows it reaches the same game or stops where it does not.
extern unsigned (*vxStateDigest)();
