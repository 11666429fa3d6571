// The program's two hooks on the host's start-up: vxInit gives every module global its starting
// value and registers the collector's roots in the order they are marked; vxMain creates the
// application.
#include "framework/app.h"
#include "framework/asyncevent.h"
#include "framework/audio.h"
#include "framework/graphics.h"
#include "framework/input.h"
#include "framework/random.h"

namespace {

// Until the game arrives: a window that updates 60 times a second and does nothing else.
class c_EmptyApp : public c_App {
  public:
    c_EmptyApp* m_new() {
        c_App::m_new();
        return this;
    }
    int p_OnCreate() override {
        vx_app_SetUpdateRate(60);
        return 0;
    }
};

}  // namespace

int vxInit() {
    gc_assign(vx_app__app, static_cast<c_App*>(nullptr));
    gc_assign(vx_app__delegate, static_cast<c_GameDelegate*>(nullptr));
    vx_app__game = VxGame::_game;
    gc_assign(vx_graphics_device, static_cast<gxtkGraphics*>(nullptr));
    gc_assign(vx_graphics_context, (new c_GraphicsContext())->m_new());
    c_Image::m_DefaultFlags = 0;
    gc_assign(vx_audio_device, static_cast<gxtkAudio*>(nullptr));
    gc_assign(vx_input_device, static_cast<c_InputDevice*>(nullptr));
    vx_app__devWidth = 0;
    vx_app__devHeight = 0;
    gc_assign(vx_app__displayModes, Array<c_DisplayMode*>());
    gc_assign(vx_app__desktopMode, static_cast<c_DisplayMode*>(nullptr));
    gc_assign(vx_graphics_renderDevice, static_cast<gxtkGraphics*>(nullptr));
    vx_random_Seed = 1234;
    vx_app__updateRate = 0;
    gc_assign(vx_asyncevent__current, static_cast<c_IAsyncEventSource*>(nullptr));
    gc_assign(vx_asyncevent__sources, (new c_Stack2())->m_new());
    gc_assign(c_Stack2::m_NIL, static_cast<c_IAsyncEventSource*>(nullptr));

    gc_add_root(vx_app__app);
    gc_add_root(vx_app__delegate);
    gc_add_root(vx_graphics_device);
    gc_add_root(vx_graphics_context);
    gc_add_root(vx_audio_device);
    gc_add_root(vx_input_device);
    gc_add_root(vx_app__displayModes);
    gc_add_root(vx_app__desktopMode);
    gc_add_root(vx_graphics_renderDevice);
    gc_add_root(vx_asyncevent__current);
    gc_add_root(vx_asyncevent__sources);
    gc_add_root(c_Stack2::m_NIL);
    return 0;
}

int vxMain() {
    (new c_EmptyApp())->m_new();
    return 0;
}
