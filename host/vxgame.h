// The host: the window, the OpenGL context, the fixed-rate main loop, events, files and the state
// file. `VxGame` is the platform-neutral part (the started/suspended state machine and the guarded
// calls into the framework); `VxGlfwGame` implements it on GLFW 3 and runs the loop. The framework
// reaches the host only through `VxGame`'s virtual operations, and the host reaches the framework
// only through a `VxGameDelegate`.
#pragma once

#include <cstdio>

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
    unsigned char* LoadAudioData(const String& path, int* length, int* channels, int* format,
                                 int* hertz) override;

    virtual void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                               int stencil, bool fullscreen);
    virtual VxGlfwVideoMode* GetGlfwDesktopMode();
    virtual Array<VxGlfwVideoMode*> GetGlfwVideoModes();
    virtual void Run();

    GLFWwindow* Window() const { return _window; }

  protected:
    double _updatePeriod = 0.0;
    double _nextUpdate = 0.0;
    int _swapInterval = -1;
    GLFWwindow* _window = nullptr;
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
