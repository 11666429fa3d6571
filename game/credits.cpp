// The credits box, drawn as a television test card: a grid of cells with coloured gradient borders,
// corner discs with the window and virtual sizes and the two rates, and the endless scroll of the
// credit lines in the middle. It flies in cell by cell and flies apart when it closes.
#include <cmath>
#include <cstdlib>

#include "framework/app.h"
#include "game/myapp.h"

namespace {

// A colour channel: truncated and held to 0 .. 255.
float Channel(float v) {
    const int i = vx_Zarnok_Trunc(v);
    return static_cast<float>(i < 0 ? 0 : (i > 255 ? 255 : i));
}

// Offset of a cell from the centre of the grid, with the centre pair both counted outward.
int FlyIndex(int i, int half) {
    const int d = i - half;
    return d <= 0 ? d - 1 : d;
}

}  // namespace

int c_MyApp::p_CreditBox() {
    const float W = vx_Zarnok_jscrw, H = vx_Zarnok_jscrh;
    const int s = f_creditsSlide, k = 30 - s;
    const float fk = static_cast<float>(k), fade = static_cast<float>(s) / 30.0f;

    // Grid: cells of L pixels, centred on the screen.
    const float L = W / 12.0f > H / 12.0f ? W / 12.0f : H / 12.0f;
    const int n = vx_Zarnok_Trunc(W / L), m = vx_Zarnok_Trunc(H / L);
    const float x0 = W / 2.0f - static_cast<float>(n) * L / 2.0f,
                y0 = H / 2.0f - static_cast<float>(m) * L / 2.0f;
    const float c = s < 20 ? L * static_cast<float>(s) / 20.0f : L;

    p_ResetDraw();
    p_Alpha(fade);
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= m; ++j) {
            const int di = FlyIndex(i, n / 2), dj = FlyIndex(j, m / 2);
            const float x =
                fk * static_cast<float>(di * std::abs(di)) + static_cast<float>(i) * L + x0 - c / 2.0f;
            const float y =
                fk * static_cast<float>(dj * std::abs(dj)) + static_cast<float>(j) * L + y0 - c / 2.0f;
            const bool border = i == 0 || j == 0 || i == n || j == m;
            const float base = border ? 0.0f : 255.0f;
            p_SetCol(base, base, base);
            p_Rect(x, y, c + 1.0f, c + 1.0f);
            if (!border) {
                // Grey cells leave white grid lines; part of the second-last row merges into a bar.
                p_SetCol(128.0f, 128.0f, 128.0f);
                if (j == m - 1 && i >= 4 && i < n - 2) {
                    p_Rect(x - 6.0f, y + 2.0f, i == n - 3 ? c + 4.0f : c + 24.0f, c - 4.0f);
                } else {
                    p_Rect(x + 2.0f, y + 2.0f, c - 4.0f, c - 4.0f);
                }
                continue;
            }
            if ((i == 0 || i == n) && (j == 0 || j == m)) continue;  // corners stay black
            const float a = static_cast<float>(i - 1), b = static_cast<float>(j - 1);
            const float across = 512.0f / static_cast<float>(n - 2) * a,
                        down = 512.0f / static_cast<float>(m - 2) * b;
            const float r1 = Channel(across), r2 = Channel(512.0f - across), g1 = Channel(down),
                        g2 = Channel(512.0f - down), q = Channel(255.0f / static_cast<float>(n - 2) * a);
            if (j == 0) {
                p_SetCol(r1, r2, 0.0f);
            } else if (j == m) {
                p_SetCol(q, q, q);
            } else if (i == 0) {
                p_SetCol(0.0f, g2, g1);
            } else {
                p_SetCol(g2, 0.0f, g1);
            }
            if (j == 0 || j == m) {
                p_Rect(x + 8.0f, y, c - 16.0f, c);
            } else {
                p_Rect(x, y + 8.0f, c, c - 16.0f);
            }
        }
    }

    // The circle in the middle and the credit lines scrolling through it, fading at both ends.
    // On a wide screen the circle shrinks so that it stays clear of the logo in the bar below.
    const float cy = H / 2.0f - 24.0f * fk, logoY = y0 + static_cast<float>(m - 1) * L;
    const float room = (logoY - 30.0f - H / 2.0f) / 128.0f;
    p_SetSize(room < 1.0f ? room : 1.0f);
    p_SetCol(255.0f, 255.0f, 255.0f);
    p_DrawImg(91, W / 2.0f, cy, 0.0f);
    p_SetSize(1.0f);
    f_creditsScroll -= 0.3f;
    if (p_AnyControl({0, 8}) != 0) f_creditsScroll -= 1.5f;
    if (f_creditsScroll < -16.0f) {
        f_creditsScroll += 16.0f;
        ++f_creditsLine;
    }
    const int shown = vx_Zarnok_CreditText.Length() - 1;  // the last line is never shown
    for (int r = -3; r <= 4 && shown > 0; ++r) {
        int line = (r + f_creditsLine) % shown;
        if (line < 0) line += shown;
        const float offset = 16.0f * static_cast<float>(r) + f_creditsScroll;
        float alpha = 1.0f - (std::fabs(offset) / 40.0f - 0.3f);
        alpha = alpha < 0.0f ? 0.0f : (alpha > 1.0f ? 1.0f : alpha);
        p_Alpha(alpha);
        // Beside the circle's crosshair, or centred in a shrunk circle.
        if (room >= 1.0f) {
            p_Text(W / 2.0f + 24.0f, cy + offset, vx_Zarnok_CreditText[line], 0.8f, 0.8f);
        } else {
            p_Text(W / 2.0f, cy + offset, vx_Zarnok_CreditText[line], 1.0f, 0.8f);
        }
    }
    p_SetSize(0.4f);
    p_Alpha(fade);
    p_DrawImg(98, W / 2.0f, logoY + 4.0f * fk, 0.0f);

    // Corner discs: the device size and update rate, the virtual size and render rate, a button
    // and the studio logo.
    p_ResetDraw();
    p_Alpha(fade);
    const float left = x0 + 1.5f * L - 6.0f * fk, right = x0 + (static_cast<float>(n) - 1.5f) * L + 6.0f * fk;
    const float top = y0 + 1.5f * L - 3.0f * fk, bottom = y0 + (static_cast<float>(m) - 1.5f) * L + 3.0f * fk;
    const float discs[4][2] = {{left, top}, {right, top}, {left, bottom}, {right, bottom}};
    for (const auto& d : discs) {
        p_SetCol(255.0f, 255.0f, 255.0f);
        p_Oval(d[0], d[1], c, c);
        p_SetCol(128.0f, 128.0f, 128.0f);
        p_Oval(d[0], d[1], c - 3.0f, c - 3.0f);
    }
    p_SetCol(255.0f, 255.0f, 255.0f);
    const String rows[2][3] = {
        {String(vx_app_DeviceWidth()), String(vx_app_DeviceHeight()), String(f_updateFpsAvg)},
        {String(vx_Zarnok_Trunc(vx_Zarnok_jscrw)), String(vx_Zarnok_Trunc(vx_Zarnok_jscrh)),
         String(f_renderFpsAvg)}};
    for (int side = 0; side < 2; ++side)
        for (int row = 0; row < 3; ++row)
            p_Text(side == 0 ? left : right, top + 16.0f * static_cast<float>(row - 1), rows[side][row], 0.8f,
                   0.8f);
    p_DrawImg(95, left, bottom, 12.0f);
    p_SetSize(0.3f);
    p_DrawImg(93, right, bottom, 0.0f);
    p_ResetDraw();

    // Closing: a press anywhere, or a button.
    if (f_pointerDown > 0 && f_pointerLatch == 0) {
        f_pointerLatch = 1;
        f_creditsOpen = 0;
        p_PlaySFX(99, 1.0f);
    }
    if (f_keyLatch == 0 && p_AnyControl({15, 10, 11}) != 0) {
        f_keyLatch = 1;
        f_creditsOpen = 0;
        p_PlaySFX(99, 1.0f);
    }
    return 0;
}
