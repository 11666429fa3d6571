// The program's hooks for the host's start-up: every module global gets its start value, the
// collector's roots are registered in their marking order, and the application object is made.
#include "framework/app.h"
#include "framework/asyncevent.h"
#include "framework/audio.h"
#include "framework/graphics.h"
#include "framework/input.h"
#include "framework/random.h"
#include "game/fields.h"
#include "game/myapp.h"
#include "host/vxgame.h"

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
    vx_Zarnok_overscan = 0.0f;
    vx_random_Seed = 1234;
    vx_Zarnok_jscrw = 640.0f;
    vx_Zarnok_jscrh = 480.0f;
    vx_app__updateRate = 0;
    vx_Zarnok_DebugMode = 0;
    vx_Zarnok_rawscrw = 640.0f;
    vx_Zarnok_rawscrh = 480.0f;
    vx_Zarnok_iCadeControls = 0;
    gc_assign(vx_asyncevent__current, static_cast<c_IAsyncEventSource*>(nullptr));
    gc_assign(vx_asyncevent__sources, (new c_Stack2())->m_new());
    gc_assign(c_Stack2::m_NIL, static_cast<c_IAsyncEventSource*>(nullptr));
    vx_Zarnok_HasMusicStream = 1;
    gc_assign(vx_Zarnok_CreditText, vx_Zarnok_BuildCreditText());
    vx_Zarnok_OnScreenControls = 0;
    vx_Zarnok_AccelerometerControls = 0;
    vxStateDigest = [] { return zarnok_state_digest(dynamic_cast<c_MyApp*>(vx_app__app)); };

    // The collector's roots, in the order they are marked.
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
    gc_add_root(vx_Zarnok_CreditText);
    return 0;
}

int vxMain() {
    (new c_MyApp())->m_new();
    return 0;
}
