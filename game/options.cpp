// The options box: slides up over the title menu or the pause menu and sets the sound mode, the
// arcade-cabinet protocol and full screen; it hands over to the credits from the title.
#include "framework/audio.h"
#include "game/myapp.h"

namespace {

// Every control the box listens to; it keeps its key latch until all of them are released.
constexpr int kBoxControls[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 16, 17, 99};

}  // namespace

int c_MyApp::p_AnyControl(std::initializer_list<int> controls) {
    for (int c : controls)
        if (p_PlayKeyAll(c, 1) != 0) return 1;
    return 0;
}

// The label of the sound setting; a value out of range is reset to off and shows nothing this update.
String c_MyApp::p_SoundLabel() {
    int& sound = f_options[5];
    if (vx_Zarnok_HasMusicStream == 1) {
        static const char* const kLabels[] = {"Sound : Off", "Sound : SFX + Music", "Sound : SFX",
                                              "Sound : Music"};
        if (sound >= 0 && sound <= 3) return String(kLabels[sound]);
    } else if (sound == 0 || sound == 1) {
        return String(sound == 0 ? "Sound : Off" : "Sound : On");
    }
    sound = 0;
    return String();
}

// Steps the sound setting; a setting without music stops the tune that plays.
int c_MyApp::p_CycleSound() {
    int& sound = f_options[5];
    if (vx_Zarnok_HasMusicStream == 1) {
        sound = (sound + 1) % 4;
        if (sound == 0 || sound == 2) {
            vx_audio_StopMusic();
            f_musicOn = 0;
        }
    } else {
        sound = sound == 0 ? 1 : 0;
    }
    return 0;
}

int c_MyApp::p_CloseOptions() {
    f_optionsOpen = 0;
    p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
    p_Save();
    return 0;
}

int c_MyApp::p_OptionBox() {
    const float W = vx_Zarnok_jscrw, H = vx_Zarnok_jscrh;
    const int s = f_optionsSlide;
    p_ResetDraw();
    // The screen underneath ignores input while the box is shown; the box itself while it slides.
    f_keyLatch = 1;
    f_pointerLatch = 1;
    if (s != 30) {
        f_optKeyLatch = 1;
        f_optPtrLatch = 1;
    }

    // Panel, rising from below.
    p_SetCol(150.0f, 75.0f, 0.0f, 0.85f);
    p_Rect(50.0f, static_cast<float>((30 - s) * 24), W - 100.0f, H);

    // Back cog, sliding in from the left.
    p_SetCol(255.0f, 255.0f, 255.0f, 1.0f);
    p_SetSize(f_optionSel == 0 ? 2.0f : 1.5f);
    f_cogAngle += 0.2f;
    const float cx = static_cast<float>((3 * s - 90) * 4 + 100), cy = 60.0f;
    p_DrawCog(cx, cy, 0.66f, -0.33f, -1.0f);
    const int cogHit =
        p_TouchInBox(cx, cy, static_cast<float>(f_fontMetrics[285]) * f_imgScale * f_sizeX / 2.0f,
                     static_cast<float>(f_fontMetrics[286]) * f_imgScale * f_sizeY / 2.0f);
    if ((cogHit != 0 || p_AnyControl({99}) != 0) && f_optKeyLatch == 0 && f_optPtrLatch == 0)
        p_CloseOptions();
    p_ResetDraw();
    p_SetSize(2.0f);
    p_Text(cx + 76.0f, 60.0f, String("<[BACK]"), 0.0f, 1.0f);

    // Items, numbered from 1 in the order shown.
    const int press = p_AnyControl({10, 11, 12, 13, 14, 15});
    float y = static_cast<float>((30 - s) * 24 + 130);
    int number = 0;
    auto item = [&](float x, float barX, float barW, const String& label) {
        ++number;
        if (number == f_optionSel) {
            p_SetCol(0.0f, 180.0f, 255.0f, 0.5f);
        } else {
            p_SetCol(0.0f, 0.0f, 160.0f, 0.5f);
        }
        const int touched = p_Touch(barX, y - 2.0f, barW, 24.0f);
        p_SetCol(255.0f, 255.0f, 255.0f, 1.0f);
        p_Text(x, y, label, 0.0f, 0.0f);
        if (touched != 0) f_optionSel = number;
        // 1 by a touch, 2 by a control on the selected item, 0 when not activated.
        return touched != 0 ? 1 : (number == f_optionSel && press != 0 ? 2 : 0);
    };

    if (item(100.0f, 84.0f, W - 168.0f, p_SoundLabel()) != 0 && f_optKeyLatch == 0 && f_optPtrLatch == 0) {
        p_CycleSound();
        f_optKeyLatch = f_optPtrLatch = 1;
        p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
    }
    // The two switches below also wait for a held control to be released, so that holding the
    // button does not flip them back and forth once per update.
    y += 40.0f;
    int how =
        item(100.0f, 84.0f, W - 168.0f, String(vx_Zarnok_iCadeControls == 1 ? "iCade : On" : "iCade : Off"));
    if (how != 0 && f_optPtrLatch == 0 && (how == 1 || f_optKeyLatch == 0)) {
        vx_Zarnok_iCadeControls = 1 - vx_Zarnok_iCadeControls;
        p_iCade(vx_Zarnok_iCadeControls);
        f_optKeyLatch = f_optPtrLatch = 1;
        p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
        for (f_i = 0; f_i <= 19; ++f_i) f_controls[f_i] = 0;
    }
    y += 40.0f;
    how = item(100.0f, 84.0f, W - 168.0f, String(f_fullscreen == 0 ? "Fullscreen" : "Windowed"));
    if (how != 0 && f_optPtrLatch == 0 && (how == 1 || f_optKeyLatch == 0)) {
        f_optKeyLatch = f_optPtrLatch = 1;
        p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
        p_FullscreenFlip();
    }
    if (f_paused == 0) {
        y += 50.0f;
        const float x = W - 264.0f;
        if (item(x, x - 16.0f, 180.0f, String("Credits")) != 0 && f_optKeyLatch == 0 && f_optPtrLatch == 0) {
            f_creditsOpen = 1;
            f_optionsOpen = 0;
            f_optKeyLatch = f_optPtrLatch = 0;
        }
    }

    // Navigation between the cog and the items.
    if (f_optKeyLatch == 0) {
        if (f_optionSel == 0 && p_AnyControl({15, 10, 11}) != 0) {
            f_optKeyLatch = 1;
            p_CloseOptions();
        } else if (f_optionSel > 0 && p_AnyControl({0, 3}) != 0) {
            --f_optionSel;
            f_optKeyLatch = 1;
            p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
        } else if (f_optionSel < number && p_AnyControl({8, 5}) != 0) {
            ++f_optionSel;
            f_optKeyLatch = 1;
            p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
        }
    }

    if (f_pointerDown == 0) f_optPtrLatch = 0;
    bool anyHeld = false;
    for (int c : kBoxControls) anyHeld = anyHeld || p_PlayKeyAll(c, 1) != 0;
    if (!anyHeld) f_optKeyLatch = 0;
    p_ResetDraw();
    return 0;
}
