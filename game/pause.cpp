// The pause menu: a panel that drops into the middle of the playing screen with three round
// buttons, quit (into the game-over sequence), resume and options.
#include <cmath>

#include "game/myapp.h"

// Leaves the pause: the panel slides out and the game runs again once it has gone.
int c_MyApp::p_Resume() {
    f_paused = 1;
    f_pauseDir = -1;
    p_PlaySFX(98, 1.0f, 0.5f, 0.0f);
    return 0;
}

// Ends the game from the pause: the game-over sequence takes over.
int c_MyApp::p_QuitGame() {
    f_paused = 0;
    f_pauseDir = -1;
    f_pauseY = -64;
    f_gameOverTimer = 1;
    p_PlaySFX(98, 0.5f, 0.5f, 0.0f);
    return 0;
}

// The selection ring around the pause button in focus.
int c_MyApp::p_PauseRing(float x, float y) {
    p_SetSize(2.5f);
    p_SetCol(255.0f, 255.0f, 100.0f, 1.0f);
    p_DrawImg(97, x, y, 6.0f);
    return 0;
}

int c_MyApp::p_PauseMenu() {
    const float W = vx_Zarnok_jscrw, H = vx_Zarnok_jscrh;
    const float y = static_cast<float>(f_pauseY);

    // Veil over the game, darker the lower the panel.
    p_ResetDraw();
    p_SetCol(0.0f, 0.0f, 0.0f, std::fabs(y) / (0.8f * H));
    p_Rect(0.0f, 0.0f, W, H);

    // Slide in to mid-height, or out above the top.
    if (f_pauseDir == 1 && y < 0.5f * H) f_pauseY += 24;
    if (f_pauseDir == -1) {
        if (y < -63.0f) {
            f_paused = 0;
        } else {
            f_pauseY -= 24;
            if (f_pauseY < -32) f_paused = 0;
        }
    }

    // Panel: a bar above, the body, a bar below.
    const bool wide = f_landscape == 1;
    const float hw = wide ? 128.0f : 96.0f, bodyW = wide ? 140.0f : 128.0f, bodyH = wide ? 52.0f : 80.0f;
    p_SetCol(255.0f, 255.0f, 10.0f, 0.6f);
    p_Rect(0.5f * W - hw, y - bodyH - 12.0f, 2.0f * hw, 8.0f);
    p_SetCol(255.0f, 150.0f, 10.0f, 0.7f);
    p_Rect(0.5f * W - bodyW, y - bodyH, 2.0f * bodyW, 2.0f * bodyH);
    p_SetCol(10.0f, 150.0f, 255.0f, 0.6f);
    p_Rect(0.5f * W - hw, y + bodyH + 4.0f, 2.0f * hw, 8.0f);

    // Resume, in the middle.
    p_SetSize(2.0f);
    p_SetCol(50.0f, 50.0f, 250.0f, 1.0f);
    if (p_Button(97, 0.5f * W, y, 3.0f) != 0 && f_pointerLatch == 0) {
        f_pointerLatch = 1;
        p_Resume();
    }
    if (f_pauseSel == 0) {
        p_PauseRing(0.5f * W, y);
        if (f_keyLatch == 0) {
            if (p_AnyControl({10}) != 0) {
                f_keyLatch = 1;
                p_Resume();
            } else if (p_AnyControl({3, 0}) != 0) {
                f_keyLatch = 1;
                f_pauseSel = -1;
                p_PlaySFX(98, 0.8f, 0.5f, 0.0f);
            } else if (p_AnyControl({5}) != 0) {
                f_keyLatch = 1;
                f_pauseSel = 1;
                p_PlaySFX(98, 1.2f, 0.5f, 0.0f);
            }
        }
    }

    // Quit, top left of the panel.
    const float qx = 0.5f * W - hw - (wide ? 12.0f : 0.0f), qy = y - (wide ? 64.0f : 96.0f);
    p_SetSize(2.0f);
    p_SetCol(255.0f, 50.0f, 50.0f, 1.0f);
    if (p_Button(97, qx, qy, 1.0f) != 0 && f_pointerLatch == 0) {
        f_pointerLatch = 1;
        p_QuitGame();
    }
    if (f_pauseSel == -1) {
        p_PauseRing(qx, qy);
        if (f_keyLatch == 0) {
            if (p_AnyControl({10}) != 0) {
                f_keyLatch = 1;
                p_QuitGame();
            } else if (p_AnyControl({5, 8}) != 0) {
                f_keyLatch = 1;
                f_pauseSel = 0;
                p_PlaySFX(98, 0.8f, 0.5f, 0.0f);
            }
        }
    }

    // Options cog, top right of the panel; it stands still while the options box is open.
    const float ox = 0.5f * W + hw + (wide ? 12.0f : 0.0f), oy = qy;
    p_ResetDraw();
    if (f_optionsOpen != 1) f_cogAngle += 0.2f;
    f_rot = 0.66f * f_cogAngle;
    const int cogHit = p_Button(95, ox, oy, 8.0f);
    f_rot = -0.33f * f_cogAngle;
    p_DrawImg(95, ox, oy, 9.0f);
    p_DrawImg(95, ox, oy, 10.0f);
    f_rot = 0.0f;
    if (cogHit != 0 && f_pointerLatch == 0) {
        f_optionsOpen = 1;
        f_pointerLatch = 1;
        p_PlaySFX(99, 1.0f, 1.0f, 0.0f);
    }
    if (f_pauseSel == 1) {
        p_PauseRing(ox, oy);
        if (f_keyLatch == 0) {
            if (p_AnyControl({10}) != 0) {
                f_optionsOpen = 1;
                f_keyLatch = 1;
                p_PlaySFX(98, 1.0f, 0.5f, 0.0f);
            } else if (p_AnyControl({3, 8}) != 0) {
                f_keyLatch = 1;
                f_pauseSel = 0;
                p_PlaySFX(98, 0.8f, 0.5f, 0.0f);
            }
        }
    }

    // Back resumes.
    if (p_AnyControl({99}) != 0 && f_keyLatch == 0) {
        f_keyLatch = 1;
        p_Resume();
    }
    p_ResetDraw();
    return 0;
}
