// The application object: construction, creation, the per-update dispatch of the screens, the
// render that replays the draw list on the device, suspension and the fullscreen switch.
#include "framework/app.h"

#include "framework/asyncevent.h"
#include "framework/audio.h"
#include "framework/graphics.h"
#include "framework/input.h"
#include "game/myapp.h"

c_MyApp::c_MyApp() {
    gc_assign(f_stars, Array<float>(5100));
    gc_assign(f_images, Array<c_Image*>(100));
    gc_assign(f_fontMetrics, Array<int>(300));
    gc_assign(f_flagBits, Array<bool>(256));
    gc_assign(f_controls, Array<int>(20));
    gc_assign(f_options, Array<int>(25));
    gc_assign(f_scores, Array<int>(150));
    gc_assign(f_sfxMap, Array<int>(33));
    gc_assign(f_drawList, Array<float>(kDrawListFloats));
    gc_assign(f_touchDown, Array<int>(10));
    gc_assign(f_touchVX, Array<int>(10));
    gc_assign(f_touchVY, Array<int>(10));
    gc_assign(f_sounds, Array<c_Sound*>(100));
    gc_assign(f_players, Array<float>(512));
    gc_assign(f_baddies, Array<float>(2560));
    gc_assign(f_particles, Array<float>(5100));
    gc_assign(f_shots, Array<float>(1024));
    gc_assign(f_waveData, Array<int>(256));
}

c_MyApp* c_MyApp::m_new() {
    c_App::m_new();
    return this;
}

void c_MyApp::mark() {
    c_App::mark();
    gc_mark_q(f_stars);
    gc_mark_q(f_images);
    gc_mark_q(f_fontMetrics);
    gc_mark_q(f_flagBits);
    gc_mark_q(f_controls);
    gc_mark_q(f_options);
    gc_mark_q(f_scores);
    gc_mark_q(f_sfxMap);
    gc_mark_q(f_drawList);
    gc_mark_q(f_touchDown);
    gc_mark_q(f_touchVX);
    gc_mark_q(f_touchVY);
    gc_mark_q(f_sounds);
    gc_mark_q(f_players);
    gc_mark_q(f_baddies);
    gc_mark_q(f_particles);
    gc_mark_q(f_shots);
    gc_mark_q(f_waveData);
}

int c_MyApp::p_OnCreate() {
    f_fullscreen = 0;
    f_jingleDone = 0;
    p_ResetStars(100);
    f_mode = 1;
    vx_app_SetUpdateRate(60);
    f_devW = vx_app_DeviceWidth();
    f_devH = vx_app_DeviceHeight();
    p_Reload();
    f_difficulty = 2;
    f_menuSlide = -32;
    f_paused = 0;
    f_pauseDir = -1;
    f_pauseY = -64;
    for (int i = 0; i < 128; ++i) f_flagBits[i] = false;
    for (int i = 0; i <= 18; ++i) f_controls[i] = 0;
    for (int i = 0; i <= 24; ++i) f_options[i] = 0;
    f_options[5] = 1;
    for (int i = 0; i <= 30; ++i) f_scores[i] = 0;
    p_Load();
    for (int i = 0; i <= 32; ++i) f_sfxMap[i] = i;
    return 0;
}

// The rate of calls, measured from the time between two calls; averaged over about ten calls.
static void MeasureRate(int* lastMs, int* fps, int* fpsAvg) {
    int now = vx_app_Millisecs();
    if (now > *lastMs) *fps = 1000 / (now - *lastMs);
    *fpsAvg = (*fpsAvg * 9 + *fps) / 10;
    *lastMs = now;
}

// Pointer and touches in virtual-screen pixels.
int c_MyApp::p_UpdatePointer() {
    const float o = vx_Zarnok_overscan;
    const float devW = static_cast<float>(vx_app_DeviceWidth());
    const float devH = static_cast<float>(vx_app_DeviceHeight());
    const float yoff = devW != 0.0f ? devH / devW * o : 0.0f;
    const bool left = vx_input_MouseDown(0) != 0;

    f_ptrOldX = f_ptrX;
    f_ptrOldY = f_ptrY;
    f_ptrX = vx_Zarnok_Trunc((vx_input_MouseX() - o) / f_scaleX);
    f_ptrY = vx_Zarnok_Trunc((vx_input_MouseY() - yoff) / f_scaleY);
    if (left && f_mouseWasDown == 0) {
        // A fresh press starts where it is: no jump from the previous position.
        f_ptrOldX = f_ptrX;
        f_ptrOldY = f_ptrY;
    }
    f_pointerDown = left ? 1 : 0;
    f_mouseWasDown = left ? 1 : 0;

    for (int i = 0; i < 10; ++i) {
        f_touchDown[i] = 0;
        f_touchVX[i] = kTouchUp;
        f_touchVY[i] = kTouchUp;
        if (vx_input_TouchDown(i)) {
            f_touchDown[i] = 1;
            f_touchVX[i] = vx_Zarnok_Trunc((vx_input_TouchX(i) - o) / f_scaleX);
            f_touchVY[i] = vx_Zarnok_Trunc((vx_input_TouchY(i) - yoff) / f_scaleY);
            f_pointerDown = 1;
        }
    }
    if (f_pointerDown == 0) f_pointerLatch = 0;
    return 0;
}

int c_MyApp::p_UpdateLatches() {
    static const int kControls[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 16, 17, 99};
    auto active = [this](int control) {
        for (int p = 0; p < 4; ++p)
            if (p_PlayKey(control, 1, p) != 0) return true;
        return false;
    };
    bool any = false;
    for (int control : kControls) {
        if (active(control)) {
            any = true;
            break;
        }
    }
    if (!any) f_keyLatch = 0;
    if (f_keyLatch == 0 && f_pointerLatch == 0 && active(99) && f_mode == 1 &&
        (f_creditsOpen != 0 || f_optionsOpen != 0)) {
        f_creditsOpen = 0;
        f_keyLatch = 1;
        f_pointerLatch = 1;
    }
    if (f_optionsOpen != 0) {
        f_keyLatch = 1;
        f_pointerLatch = 1;
    }
    return 0;
}

// One cabinet letter: a press letter holds its control (2) until the release letter clears it.
int c_MyApp::p_ApplyCabinetLetter(int ch) {
    // press, release, control entry
    static const struct {
        char press, release;
        int entry;
    } kLetters[] = {
        {'W', 'E', 0},  {'X', 'Z', 8},  {'A', 'Q', 3},  {'D', 'C', 5},  {'Y', 'T', 13}, {'U', 'F', 14},
        {'I', 'M', 15}, {'O', 'G', 16}, {'H', 'R', 10}, {'J', 'N', 11}, {'K', 'P', 12}, {'L', 'V', 17},
    };
    if (ch >= 'a' && ch <= 'z') ch -= 'a' - 'A';
    for (const auto& l : kLetters) {
        if (ch == l.press) f_controls[l.entry] = 2;
        if (ch == l.release) f_controls[l.entry] = 0;
    }
    return 0;
}

int c_MyApp::p_ReadCabinet() {
    if (vx_Zarnok_iCadeControls != 1) return 0;
    for (;;) {
        f_lastChar = vx_input_GetChar();
        if (f_lastChar == 0) break;
        p_ApplyCabinetLetter(f_lastChar);
    }
    return 0;
}

// Moves a box's slide position one step toward 30 while open, toward 0 while closed.
static void Slide(int* slide, int open) {
    if (open != 0) {
        if (*slide < 30) ++*slide;
    } else if (*slide > 0) {
        --*slide;
    }
}

int c_MyApp::p_OnUpdate() {
    // Back request and the global keys.
    f_controls[19] = vx_input_KeyHit(416);
    if (vx_input_KeyHit(112)) vx_Zarnok_DebugMode = vx_Zarnok_DebugMode == 1 ? 0 : 1;
    if (vx_input_KeyHit(113)) f_showInfo = f_showInfo == 1 ? 0 : 1;
    if (vx_input_KeyHit(122)) p_FullscreenFlip();
    if (vx_input_KeyHit(115) || vx_input_KeyHit(432)) vxError(String());

    vx_asyncevent_UpdateAsyncEvents();

    if (vx_Zarnok_HasMusicStream == 1 && f_musicOn == 1) {
        if (f_paused != 0) {
            vx_audio_PauseMusic();
        } else {
            vx_audio_ResumeMusic();
        }
    }

    MeasureRate(&f_updateMs, &f_updateFps, &f_updateFpsAvg);
    p_UpdatePointer();
    p_UpdateLatches();

    if (f_loadStep == 0) {
        switch (f_mode) {
            case 1:
                p_Menu();
                break;
            case 2:
                p_LoadMenu();
                p_PlaySFX(96, 1.0f);
                f_mode = 1;
                break;
            case 10:
                p_Game();
                p_InGame();
                break;
            case 11:
                p_LoadGame();
                break;
            default:
                break;
        }
        // The game-over overlay runs once per update: over the game in its last 90 updates, then
        // fading over the title (the mode is read once, so the switch to 2 does not run it twice).
        const int mode = f_mode;
        if ((mode == 10 && f_gameOverTimer > 0) || mode == 1 || mode == 2) p_GameOver();
        if (f_mode == 1 && (f_creditsOpen != 0 || f_creditsSlide > 0)) p_CreditBox();
        Slide(&f_creditsSlide, f_creditsOpen);
        if (f_optionsOpen != 0 || f_optionsSlide > 0) p_OptionBox();
        Slide(&f_optionsSlide, f_optionsOpen);
    }
    if (f_loadStep > 0) p_Loader();

    p_ReadCabinet();

    if (vx_Zarnok_DebugMode == 1) {
        p_ResetDraw();
        p_Text(16.0f, vx_Zarnok_jscrh - 16.0f,
               String(f_renderFpsAvg) + String(":") + String(f_scaleX) + String(",") + String(f_scaleY), 0.0f,
               0.0f);
    }
    return 0;
}

// Virtual screen and scale for a device size: one side of the virtual screen is the design size,
// the other follows the window's aspect ratio.
int c_MyApp::p_ComputeScale(int devW, int devH) {
    const float w = static_cast<float>(devW), h = static_cast<float>(devH);
    const float rw = vx_Zarnok_rawscrw, rh = vx_Zarnok_rawscrh, o = vx_Zarnok_overscan;
    const float sx = (w - 2.0f * o) / rw;
    const float sy = (h - 2.0f * o) / rh;
    // The fitted side is the design size exactly and the other side is derived from it in one
    // rounding (w / (w / rw) comes out a hair below rw, and every later truncation would then be a
    // pixel off).
    if (sx >= sy) {
        f_scaleX = f_scaleY = sx;
        vx_Zarnok_jscrw = rw;
        vx_Zarnok_jscrh = h * rw / w;
    } else {
        f_scaleX = f_scaleY = sy;
        vx_Zarnok_jscrw = w * rh / h;
        vx_Zarnok_jscrh = rh;
    }
    f_landscape = vx_Zarnok_jscrh <= vx_Zarnok_jscrw ? 1 : 0;
    return 0;
}

// Replays the recorded commands through the graphics module, scaled to the device.
int c_MyApp::p_Replay() {
    if (f_drawCount < kDrawStride) return 0;
    const float o = vx_Zarnok_overscan;
    const float devW = static_cast<float>(vx_app_DeviceWidth());
    const float devH = static_cast<float>(vx_app_DeviceHeight());
    const float yoff = devW != 0.0f ? o * (devH / devW) : 0.0f;
    const float* list = f_drawList.Data();
    const int end = f_drawCount <= kDrawListFloats ? f_drawCount : kDrawListFloats;
    for (int at = 0; at + kDrawStride <= end; at += kDrawStride) {
        const float* cmd = list + at;
        const float x = f_scaleX * cmd[1] + o;
        const float y = f_scaleY * cmd[2] + yoff;
        vx_graphics_SetAlpha(cmd[7]);
        vx_graphics_SetColor(cmd[10], cmd[11], cmd[12]);
        vx_graphics_SetBlend(cmd[13] == 3.0f ? 1 : 0);
        const float kind = cmd[0];
        if (kind == static_cast<float>(kRectKind)) {
            vx_graphics_DrawRect(x, y, cmd[4] * f_scaleX, cmd[5] * f_scaleY);
        } else if (kind == static_cast<float>(kOvalKind)) {
            vx_graphics_DrawEllipse(x, y, cmd[4] * f_scaleX, cmd[5] * f_scaleY);
        } else if (kind > -1.0f) {
            const int slot = vx_Zarnok_Trunc(kind);
            c_Image* image = slot < f_images.Length() ? f_images[slot] : nullptr;
            const int frame = vx_Zarnok_Trunc(cmd[6]);
            // A slot without image or a frame the image does not have draws nothing.
            if (image != nullptr && frame >= 0 && frame < image->f_frames.Length()) {
                vx_graphics_DrawImage2(image, x, y, cmd[3], cmd[4] * f_scaleX * f_imgScale,
                                       cmd[5] * f_scaleY * f_imgScale, frame);
            }
        }
    }
    return 0;
}

int c_MyApp::p_OnRender() {
    MeasureRate(&f_renderMs, &f_renderFps, &f_renderFpsAvg);

    const int devW = vx_app_DeviceWidth(), devH = vx_app_DeviceHeight();
    // The window is cleared by a filled rectangle, so a clear alpha below 1 leaves a trail.
    vx_graphics_SetColor(f_clsR, f_clsG, f_clsB);
    vx_graphics_SetAlpha(f_clsA);
    vx_graphics_DrawRect(-1.0f, -1.0f, static_cast<float>(devW + 2), static_cast<float>(devH + 2));
    vx_graphics_SetColor(255.0f, 255.0f, 255.0f);
    vx_graphics_SetAlpha(1.0f);

    if (devW != f_devW || devH != f_devH) {
        // New window size: the next update reloads every image at the matching resolution.
        f_devW = devW;
        f_devH = devH;
        f_loadStep = 1;
    }
    p_ComputeScale(devW, devH);
    p_Replay();

    vx_graphics_SetAlpha(0.5f);
    vx_graphics_SetColor(255.0f, 255.0f, 255.0f);
    return 0;
}

// The pause state a suspension leaves behind: a game in play comes back paused with the pause
// panel already in place; elsewhere nothing is paused.
static void SuspendPause(c_MyApp* app) {
    if (app->f_mode < 10) {
        app->f_paused = 0;
        app->f_pauseDir = 0;
        app->f_pauseY = 0;
    } else {
        app->f_paused = 1;
        app->f_pauseDir = 1;
        app->f_pauseY = vx_Zarnok_Trunc(vx_Zarnok_jscrh / 2.0f);
    }
}

int c_MyApp::p_OnSuspend() {
    vx_app__game->SetKeyboardEnabled(false);
    vx_Zarnok_iCadeControls = 0;
    for (int i = 0; i <= 18; ++i) f_controls[i] = 0;
    SuspendPause(this);
    vx_app_SetUpdateRate(5);
    p_Save();
    return 0;
}

int c_MyApp::p_OnResume() {
    SuspendPause(this);
    vx_app_SetUpdateRate(60);
    vx_app__game->SetKeyboardEnabled(false);
    vx_Zarnok_iCadeControls = 0;
    for (int i = 0; i <= 18; ++i) f_controls[i] = 0;
    return 0;
}

int c_MyApp::p_FullscreenFlip() {
    VxGlfwGame* host = VxGlfwGame::_glfwGame;
    f_fullscreen = f_fullscreen == 1 ? 0 : 1;
    if (host == nullptr) return 0;
    VxGlfwVideoMode* desktop = host->GetGlfwDesktopMode();
    int w = desktop ? desktop->Width : 640, h = desktop ? desktop->Height : 480;
    int red = desktop ? desktop->RedBits : 8, green = desktop ? desktop->GreenBits : 8,
        blue = desktop ? desktop->BlueBits : 8;
    if (f_fullscreen == 1) {
        host->SetGlfwWindow(w, h, red, green, blue, 0, 0, 0, true);
    } else {
        host->SetGlfwWindow(640, 480, red, green, blue, 0, 0, 0, false);
    }
    return 0;
}
