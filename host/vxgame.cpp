// VxGame: the platform-neutral host. It holds the delegate and the started/suspended state, and
// every call into the framework goes through one of its guarded wrappers: the wrapper checks the
// state, catches a runtime exception thrown by the framework (fatal: `Die`), and gives the
// collector one step afterwards, when no framework code is running.
#include "host/vxgame.h"

VxGame* VxGame::_game = nullptr;
unsigned (*vxStateDigest)() = nullptr;

VxGame::VxGame() {
    _game = this;
}

VxGame::~VxGame() {
    if (_game == this) _game = nullptr;
}

void VxGame::SetDelegate(VxGameDelegate* delegate) {
    _delegate = delegate;
}
VxGameDelegate* VxGame::Delegate() {
    return _delegate;
}
void VxGame::SetKeyboardEnabled(bool enabled) {
    _keyboardEnabled = enabled;
}
bool VxGame::KeyboardEnabled() {
    return _keyboardEnabled;
}
void VxGame::SetUpdateRate(int hertz) {
    _updateRate = hertz;
}
int VxGame::UpdateRate() {
    return _updateRate;
}
bool VxGame::Started() {
    return _started;
}
bool VxGame::Suspended() {
    return _suspended;
}
int VxGame::Millisecs() {
    return 0;
}
bool VxGame::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) {
    return false;
}
void VxGame::OpenUrl(const String&) {}
void VxGame::SetMouseVisible(bool) {}
int VxGame::GetDeviceWidth() {
    return 0;
}
int VxGame::GetDeviceHeight() {
    return 0;
}
void VxGame::SetDeviceWindow(int, int, int) {}
Array<VxDisplayMode*> VxGame::GetDisplayModes() {
    return Array<VxDisplayMode*>();
}
VxDisplayMode* VxGame::GetDesktopMode() {
    return nullptr;
}
void VxGame::SetSwapInterval(int) {}
String VxGame::PathToFilePath(const String& path) {
    return path;
}
unsigned char* VxGame::LoadImageData(const String&, int*, int*, int*) {
    return nullptr;
}
std::shared_ptr<VxImageDecode> VxGame::StartImageData(const String& path, int* width, int* height, int* depth,
                                                      VxImageDecode::Finish finish) {
    unsigned char* data = LoadImageData(path, width, height, depth);
    if (!data) return nullptr;
    if (finish) finish(data, *width * *height, *depth);
    return VxImageDecode::Done(data);
}
unsigned char* VxGame::LoadAudioData(const String&, int*, int*, int*, int*) {
    return nullptr;
}

void VxGame::Die(ThrowableObject*) {
    vx_uncaught_exception();
}

void VxGame::gc_collect() {
    // The delegate is reachable only through the host, which is not a collected object.
    gc_mark_direct(_delegate);
    ::gc_collect();
}

// Runs one delegate operation with the exception guard and the collector step that follows it.
#define VX_GUARDED(call)                    \
    do {                                    \
        try {                               \
            if (_delegate) _delegate->call; \
        } catch (ThrowableObject * e) {     \
            Die(e);                         \
        }                                   \
        gc_collect();                       \
    } while (0)

void VxGame::StartGame() {
    if (_started) return;
    _started = true;
    VX_GUARDED(StartGame());
}

void VxGame::SuspendGame() {
    if (!_started || _suspended) return;
    _suspended = true;
    VX_GUARDED(SuspendGame());
}

void VxGame::ResumeGame() {
    if (!_started || !_suspended) return;
    _suspended = false;
    VX_GUARDED(ResumeGame());
}

void VxGame::UpdateGame() {
    if (!_started || _suspended) return;
    VX_GUARDED(UpdateGame());
}

void VxGame::RenderGame() {
    if (!_started) return;
    VX_GUARDED(RenderGame());
}

void VxGame::KeyEvent(int event, int data) {
    if (!_started) return;
    VX_GUARDED(KeyEvent(event, data));
}

void VxGame::MouseEvent(int event, int data, float x, float y) {
    if (!_started) return;
    VX_GUARDED(MouseEvent(event, data, x, y));
}

void VxGame::TouchEvent(int event, int data, float x, float y) {
    if (!_started) return;
    VX_GUARDED(TouchEvent(event, data, x, y));
}

void VxGame::MotionEvent(int event, int data, float x, float y, float z) {
    if (!_started) return;
    VX_GUARDED(MotionEvent(event, data, x, y, z));
}

void VxGame::DiscardGraphics() {
    if (!_started) return;
    VX_GUARDED(DiscardGraphics());
}
