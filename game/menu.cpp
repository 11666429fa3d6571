// The title menu: the logo over the stars, the row of difficulty icons and the options cog that
// scrolls by drag and fling or steps with the controls, the score panel of the highlighted
// difficulty, the start and credits buttons and the quit request.
#include <cmath>

#include "game/myapp.h"

namespace {

constexpr float kIconGap = 88.0f;  // distance between two icons of the row

// Chooses icon i of the row: a difficulty starts a game with the given control style (true), the
// cog opens the options (false).
bool ChooseIcon(c_MyApp* app, int i, int controlStyle) {
    if (i > 3) {
        app->p_OpenOptions();
        return false;
    }
    app->f_difficulty = i;
    app->f_mode = 11;
    app->f_keyLatch = 1;
    app->f_pointerLatch = 1;
    app->p_PlaySFX(98, 1.0f, 1.0f, 0.0f);
    app->f_controlStyle = controlStyle;
    return true;
}

}  // namespace

// 1 when one of the ten touches lies strictly inside the box of half size (hw, hh) around (x, y).
int c_MyApp::p_TouchInBox(float x, float y, float hw, float hh) {
    if (f_pointerDown <= 0) return 0;
    for (int i = 0; i < 10; ++i) {
        const float tx = static_cast<float>(f_touchVX[i]), ty = static_cast<float>(f_touchVY[i]);
        if (x - hw < tx && tx < x + hw && y - hh < ty && ty < y + hh) return 1;
    }
    return 0;
}

// The three layers of the cog icon (slot 95 frames 8, 9, 10), turning against each other.
int c_MyApp::p_DrawCog(float x, float y, float spin1, float spin2, float spin3) {
    f_rot = spin1 * f_cogAngle;
    p_DrawImg(95, x, y, 8.0f);
    f_rot = spin2 * f_cogAngle;
    p_DrawImg(95, x, y, 9.0f);
    f_rot = spin3 * f_cogAngle;
    p_DrawImg(95, x, y, 10.0f);
    f_rot = 0.0f;
    return 0;
}

// The heading and n right-justified entries of one score list, one per line.
String c_MyApp::p_ScoreList(const String& heading, const String& single, int first, int n) {
    String text = n == 1 ? single : heading + String(" ") + String(n);
    for (int k = 0; k < n; ++k) text = text + String("\\n") + p_rstr(f_scores[first + k], 10, String(" "));
    return text;
}

// Highlights icon i and eases the row so that it comes to the centre point.
int c_MyApp::p_PickIcon(int i) {
    f_menuSel = i;
    f_menuPicked = i;
    f_scrollTarget = static_cast<float>(1 - i) * kIconGap;
    f_fling = 0.0f;
    f_menuDrag = 0.0f;
    p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
    return 0;
}

int c_MyApp::p_OpenOptions() {
    f_keyLatch = 1;
    f_pointerLatch = 1;
    p_PlaySFX(98, 1.0f, 1.0f, 0.0f);
    f_optionsOpen = 1;
    f_optionSel = 0;
    return 0;
}

int c_MyApp::p_Menu() {
    const float W = vx_Zarnok_jscrw, H = vx_Zarnok_jscrh;
    p_CLS2D(0.0f, 0.0f, 20.0f, 1.0f);
    p_DoStars(0.0f, 0.5f);
    if (f_menuSlide < 0) f_menuSlide = vx_Zarnok_Trunc(static_cast<float>(f_menuSlide) + 0.25f);
    const float a = static_cast<float>(f_menuSlide);
    f_panelW = 140.0f;
    const bool noBox = f_creditsOpen == 0 && f_optionsOpen == 0;

    // Quit request: the back control on any controller, with no press still held from before.
    if (f_keyLatch == 0 && f_pointerLatch == 0 && p_PlayKeyAll(99, 1) != 0) vxError(String());

    // Logo, sliding down into place; on a narrow screen it shrinks to the room left of the panel.
    p_ResetDraw();
    const float logoSize = std::fmin(1.5f, (W - 156.0f) / 256.0f);
    p_SetSize(logoSize);
    p_DrawImg(98, logoSize < 1.5f ? (W - 140.0f) * 0.5f : W * 0.4f, 12.0f * a + 96.0f, 0.0f);

    // Score panel, sliding in from the right, with the highlighted difficulty's two lists.
    const float panelX = W - 140.0f - 4.0f * a;
    p_SetCol(0.0f, 0.0f, 0.0f, 0.4f);
    p_Rect(panelX, 0.0f, 140.0f, H);
    const int base = 10 * (f_difficulty - 1);
    const int lineH = vx_Zarnok_Trunc(1.5f * static_cast<float>(f_fontMetrics[3 * f_font + 1]));
    int n = lineH > 0 ? vx_Zarnok_Trunc((H - 90.0f - H * 0.5f) / static_cast<float>(lineH)) : 10;
    n = n < 1 ? 1 : (n > 10 ? 10 : n);
    // The last list follows the top list closely, so that both clear the credits button above and
    // the start button below.
    const float topY = 62.0f, lastY = topY + static_cast<float>((n + 1) * lineH) + 12.0f;
    if (noBox && f_menuSel < 4 && base >= 0 && base <= 20) {
        p_SetSize(1.5f);
        p_SetCol(255.0f, 200.0f, 100.0f, 1.0f);
        p_Text(panelX + 20.0f, topY, p_ScoreList(String("Top"), String("Highscore"), base, n), 0.0f, 0.0f);
        p_SetCol(200.0f, 255.0f, 100.0f, 1.0f);
        p_Text(panelX + 20.0f, lastY, p_ScoreList(String("Last"), String("Last"), 30 + base, n), 0.0f, 0.0f);
    }

    // Highlight: a difficulty selects the lists; the cog turns while highlighted.
    if (f_menuSel < 1 || f_menuSel > 4) f_menuSel = 1;
    if (f_menuSel <= 3) f_difficulty = f_menuSel;
    if (f_menuSel == 4) f_cogAngle += 0.5f;

    // The row eases toward its target; a fling pushes the target and dies away.
    if (f_pointerDown == 0) f_menuDrag = 0.0f;
    f_scrollTarget += f_fling;
    f_scroll -= (f_scroll - f_scrollTarget) * 0.125f;
    if (f_fling != 0.0f) {
        f_fling *= 0.2f;
        if (std::fabs(f_fling) < 3.0f) f_fling = 0.0f;
    }

    // The icon row: along x in landscape, along y in portrait, centred on P.
    const bool across = f_landscape == 1;
    const float px = (W - 140.0f) * 0.5f, py = across ? H - 96.0f : H * 0.6f;
    if (noBox) {
        int nearest = 0;
        float nearestD = 1024.0f;
        bool startDrawn = false;
        for (int i = 1; i <= 4; ++i) {
            const float along = f_scroll + static_cast<float>(i - 1) * kIconGap;
            const float x = across ? px + along : px, y = across ? py : py + along;
            // Bounce limits: the row may not leave its end icons off the centre for long.
            const float pos = across ? x : y;
            if (i == 1 && pos > (across ? (W - 140.0f) * 0.75f : H * 0.75f)) {
                f_menuSel = 1;
                f_scrollTarget -= 8.0f;
            }
            if (i == 4 && pos < (across ? W * 0.25f : H * 0.45f)) {
                f_menuSel = 4;
                f_scrollTarget += 8.0f;
            }
            const bool lit = i == f_menuSel;
            p_SetSize(lit ? 1.75f : 1.0f);
            f_rot = 0.0f;
            const float d = std::sqrt((x - px) * (x - px) + (y - py) * (y - py));
            if (d < nearestD) {
                nearestD = d;
                nearest = i;
            }
            p_Alpha(lit ? 1.0f : std::fmax(1.0f - d / 480.0f, 0.5f));
            if (i <= 3) {
                p_DrawImg(95, x, y, static_cast<float>(i - 1));
            } else {
                p_DrawCog(x, y, 0.66f, -0.33f, -1.0f);
            }
            int touched =
                p_TouchInBox(x, y, static_cast<float>(f_fontMetrics[285]) * f_imgScale * f_sizeX / 2.0f,
                             static_cast<float>(f_fontMetrics[286]) * f_imgScale * f_sizeY / 2.0f);
            if (touched != 0 && !lit && f_keyLatch == 0 && f_pointerLatch == 0) {
                p_PickIcon(i);
                f_keyLatch = 1;
                f_pointerLatch = 1;
            }
            if (lit && i <= 3 && !startDrawn) {
                startDrawn = true;
                p_SetSize(2.2f);
                p_SetCol(100.0f, 255.0f, 100.0f, 0.5f);
                if (p_Button(97, W - 70.0f, H - 40.0f - 4.0f * a, 3.0f) != 0) touched = 1;
                p_SetSize(1.0f);
                p_SetCol(255.0f, 255.0f, 255.0f, 1.0f);
            }
            if (touched != 0 && i == f_menuSel && f_keyLatch == 0 && f_pointerLatch == 0 &&
                ChooseIcon(this, i, 2))
                f_playerPad = 0;
        }
        if (nearest != f_menuSel && f_menuPicked == 0) {
            f_menuSel = nearest;
            p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
        }
        if (std::fabs(f_scroll - f_scrollTarget) < 32.0f) f_menuPicked = 0;
    }

    // Controls, on all four controllers.
    auto any = [this](std::initializer_list<int> controls) {
        for (int c : controls)
            if (p_PlayKeyAll(c, 1) != 0) return true;
        return false;
    };
    if (f_keyLatch == 0 && noBox) {
        if (f_menuSel >= 2 && any({0, 3})) {
            p_PickIcon(f_menuSel - 1);
            f_keyLatch = 1;
        } else if (f_menuSel < 4 && any({8, 5})) {
            p_PickIcon(f_menuSel + 1);
            f_keyLatch = 1;
        }
    }
    static const int kConfirm[] = {10, 11, 12, 13, 16, 17};
    auto confirmOn = [this](int player) {
        for (int c : kConfirm)
            if (p_PlayKey(c, 1, player) != 0) return true;
        return false;
    };
    if (f_keyLatch == 0 && noBox && (confirmOn(0) || confirmOn(1) || confirmOn(2) || confirmOn(3))) {
        if (ChooseIcon(this, f_menuSel, 0)) {
            // The lowest controller with a confirm steers; the shared keyboard counts as the first.
            for (int j = 3; j >= 0; --j)
                if (confirmOn(j)) f_playerPad = j;
            if (confirmOn(-1)) f_playerPad = 0;
        }
    }
    if (f_keyLatch == 0 && noBox && any({15})) {
        f_keyLatch = 1;
        p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
        f_creditsOpen = 1;
    }

    // Credits button.
    p_ResetDraw();
    p_SetSize(0.22f);
    if (p_Button(93, W - 70.0f, 4.0f * a + 30.0f, 0.0f) != 0 && f_pointerLatch == 0 && noBox) {
        f_pointerLatch = 1;
        p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
        f_creditsOpen = 1;
    }

    // Dragging the row; a drag of more than a few pixels is no longer a tap.
    if (f_optionsOpen == 0 && f_pointerDown >= 1) {
        f_menuDrag = 1.5f * static_cast<float>(across ? f_ptrX - f_ptrOldX : f_ptrY - f_ptrOldY);
        if (std::fabs(f_menuDrag) > 2.0f) {
            f_pointerLatch = 2;
            f_fling += f_menuDrag;
        }
    }
    return 0;
}
