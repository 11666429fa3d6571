// Asset loading: images in three resolutions chosen from the device size, loaded one asset per
// update behind a spinner, at start and again whenever the window changes size.
#include "framework/app.h"
#include "framework/graphics.h"
#include "game/myapp.h"

// Resolution level and image scale from the device size.
int c_MyApp::p_SetHdLevel() {
    const int w = vx_app_DeviceWidth(), h = vx_app_DeviceHeight();
    if (w <= 630 && h <= 630) {
        f_hdLevel = 1;
        f_imgScale = 1.0f;
    } else if (w <= 1230 && h <= 1230) {
        f_hdLevel = 2;
        f_imgScale = 0.5f;
    } else {
        f_hdLevel = 4;
        f_imgScale = 0.25f;
    }
    return 0;
}

static String ImagePath(const String& name, int hdLevel) {
    if (hdLevel == 2) return name + String("-hd.png");
    if (hdLevel == 4) return name + String("-hd2.png");
    return name + String(".png");
}

int c_MyApp::p_LoadImg(int slot, const String& name, int w, int h, int frames, int flags) {
    const String path = ImagePath(name, f_hdLevel);
    f_images.Set(slot, static_cast<c_Image*>(nullptr));
    f_images.Set(slot, vx_graphics_LoadImage2(path, w * f_hdLevel, h * f_hdLevel, frames, flags));
    f_fontMetrics[3 * slot] = w * f_hdLevel;
    f_fontMetrics[3 * slot + 1] = h * f_hdLevel;
    f_fontMetrics[3 * slot + 2] = frames;
    return 0;
}

// A font: 128 glyph cells of 16 x 16 level-1 pixels; the metrics keep the glyph advance and line
// height unscaled, since text is measured in virtual pixels.
int c_MyApp::p_LoadFont(int slot, const String& name, int w, int h) {
    const String path = ImagePath(name, f_hdLevel);
    f_images.Set(slot, vx_graphics_LoadImage2(path, 16 * f_hdLevel, 16 * f_hdLevel, 128, 1));
    f_fontMetrics[3 * slot] = w;
    f_fontMetrics[3 * slot + 1] = h;
    f_fontMetrics[3 * slot + 2] = 128;
    f_font = slot;
    return 0;
}

int c_MyApp::p_Reload() {
    f_clsR = f_clsG = f_clsB = 0.0f;
    f_clsA = 1.0f;
    p_SetHdLevel();
    // What the loading screen itself draws is loaded at once.
    p_LoadImg(93, String("common/KemoLogo"), 256, 256, 1, 1);
    p_LoadFont(90, String("fonts/editundo"), 7, 10);
    f_loadStep = 1;
    return 0;
}

int c_MyApp::p_Loader() {
    p_SetHdLevel();
    const int step = f_loadStep;
    switch (step) {
        case 1:
            p_LoadImg(97, String("common/icons"), 32, 32, 16, 1);
            p_LoadSFX(96);
            break;
        case 2:
            p_LoadImg(95, String("common/Buttons"), 64, 64, 16, 1);
            break;
        case 3:
            p_LoadImg(94, String("common/dpad"), 32, 32, 16, 1);
            break;
        case 4:
            p_LoadImg(93, String("common/KemoLogo"), 256, 256, 1, 1);
            if (f_jingleDone == 0) {
                // The logo jingle plays once per run, not on every reload.
                p_PlaySFX(96, 1.0f);
                f_jingleDone = 1;
            }
            break;
        case 5:
            p_LoadImg(91, String("common/Testcard_Circle"), 256, 256, 1, 1);
            break;
        case 6:
            p_LoadFont(90, String("fonts/editundo"), 7, 10);
            break;
        case 7:
            p_LoadSFX(1);
            break;
        case 8:
            p_LoadSFX(95);
            break;
        case 9:
            p_LoadSFX(98);
            break;
        case 10:
            p_LoadSFX(99);
            break;
        case 11:
            p_LoadImg(99, String("menu"), 256, 256, 4, 1);
            break;
        case 12:
            p_LoadImg(98, String("logo"), 256, 128, 1, 1);
            break;
        case 13:
            p_LoadImg(96, String("parts"), 8, 8, 256, 1);
            break;
        case 14:
            p_LoadImg(80, String("BadgesA"), 64, 64, 64, 1);
            break;
        case 15:
            p_LoadImg(2, String("bad"), 32, 16, 128, 1);
            break;
        case 16:
            p_LoadImg(1, String("gfx"), 32, 32, 64, 1);
            break;
        case 17:
            p_LoadImg(5, String("flash"), 64, 64, 16, 1);
            break;
        default:
            if (step >= 18 && step <= 26) p_LoadSFX(step - 16);  // effects 2 to 10
            break;
    }
    if (step >= 1 && step <= 26) {
        ++f_loadStep;
    } else {
        f_loadStep = 0;
    }
    p_WaitStart(1);
    return 0;
}

// The loading screen: a spinner of fading dots around a yellow disc, an orange band and the logo.
int c_MyApp::p_WaitStart(int /*kind*/) {
    const float w = vx_Zarnok_jscrw, h = vx_Zarnok_jscrh;
    const float r = static_cast<float>(vx_Zarnok_Trunc(w < h ? w : h));
    const float cx = w / 2.0f, cy = h / 2.0f;
    const int previous = f_spinAngle;
    f_spinAngle += 16;

    p_CLS2D(40.0f, 40.0f, 80.0f, 1.0f);
    for (f_i = 0; f_i <= 10; ++f_i) {
        const float a = static_cast<float>(previous + 196 + 16 * f_i);
        p_SetCol(250.0f, 250.0f, 250.0f, static_cast<float>(f_i) / 10.0f);
        p_Blend(1);
        p_Oval(cx + vx_Zarnok_SinDeg(a) * r / 4.0f, cy - vx_Zarnok_CosDeg(a) * r / 4.0f, 8.0f, 8.0f);
    }
    p_SetCol(255.0f, 255.0f, 0.0f, 0.8f);
    p_Oval(cx, cy, 0.3f * r, 0.3f * r);
    p_SetCol(250.0f, 160.0f, 60.0f, 0.7f);
    p_Rect(0.0f, 0.4f * h, w, 0.2f * h);
    p_ResetDraw();
    p_DrawImg(93, cx, 0.48f * h, 0.0f);
    for (f_i = 0; f_i <= 10; ++f_i) {
        const float a = static_cast<float>(f_spinAngle + 16 * f_i);
        p_SetCol(50.0f, 50.0f, 50.0f, static_cast<float>(f_i) / 10.0f);
        p_Oval(cx + vx_Zarnok_SinDeg(a) * r / 4.0f, cy - vx_Zarnok_CosDeg(a) * r / 4.0f, 8.0f, 8.0f);
    }
    return 0;
}
