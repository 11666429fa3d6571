// Enemies and waves: generating a wave from the difficulty and the level, and the step of every
// enemy record, flying in, swaying and firing in formation, or falling as a burning wreck.
//
// A wave reseeds the shared random generator, so the same difficulty always gives the same
// sequence of layouts; every draw below happens in a fixed order for the same reason.
#include <algorithm>
#include <cmath>

#include "framework/random.h"
#include "game/myapp.h"

namespace {

constexpr int kColumns = 10, kRows = 5;

// Record of formation slot (c, r) in f_baddies; columns 10 .. 15 and rows above 4 stay unused.
inline int BadIndex(int c, int r) {
    return 10 * (16 * r + c);
}

}  // namespace

int c_MyApp::p_LaunchBaddies() {
    f_bonusGiven = 0;
    f_players[51] = 40.0f;
    f_players[52] = 40.0f;
    f_players[53] = 0.5f;
    f_players[54] = 0.5f;

    ++f_level;
    vx_random_Seed = f_difficulty * 12345 + f_level;
    f_levelText = String("Level ") + String(f_level);
    f_levelTextTime = 2.0f;

    // Enemies fire more often every level. The first countdown of a wave starts at the unraised
    // value, so late waves open fire at once.
    const int v = (3 - f_difficulty) * 30 - 4 * f_level;
    f_fireDelay = static_cast<float>(v);
    f_fireInterval = std::max(v, 15);

    for (int i = 0; i < 11; ++i) vx_random_Rnd();
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) f_waveData[c + 10 * r] = 0;
    }
    // 32 placements, each mirrored, so a layout is always symmetric; a later placement may clear
    // an earlier one. Only the top row gets the three-hit kind.
    for (int i = 0; i < 32; ++i) {
        const int c = vx_Zarnok_Trunc(vx_random_Rnd() * 4.99f);
        const int r = vx_Zarnok_Trunc(vx_random_Rnd() * 4.99f);
        int value = vx_random_Rnd() * 4.0f < 1.0f ? 0 : 1;
        if (r == 0 && vx_Zarnok_Trunc(std::floor(vx_random_Rnd() * 4.99f)) <= 0) value = 2;
        f_waveData[c + 10 * r] = value;
        f_waveData[9 - c + 10 * r] = value;
    }
    const float q = vx_random_Rnd();
    const int kindA = (5 * f_difficulty + f_level) * 7 % 32 + 1;
    const int kindB = vx_Zarnok_Trunc(std::fmod(q * 4.0f + 8.0f + static_cast<float>(kindA), 32.0f) + 1.0f);
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 0; r < kRows; ++r) {
            const int entry = f_waveData[c + 10 * r];
            if (entry == 1) p_AddBad(c, r, kindA, 1);
            if (entry == 2) p_AddBad(c, r, kindB, 3);
        }
    }
    return 0;
}

int c_MyApp::p_AddBad(int c, int r, int kind, int hp) {
    if (c < 0 || c >= 16 || r < 0 || r >= 16) return 0;
    if (kind == -1) kind = vx_Zarnok_Trunc(vx_random_Rnd() * 31.99f + 1.0f);
    float* b = f_baddies.Data() + BadIndex(c, r);
    const float h = vx_Zarnok_jscrh;
    b[0] = static_cast<float>(kind);
    b[1] = 0.0f;
    b[2] = -(h + vx_random_Rnd() * h);  // one to two screen heights above the slot
    b[3] = 0.0f;
    b[4] = 0.0f;
    b[5] = vx_random_Rnd() * 360.0f;
    b[6] = vx_random_Rnd() * 1.5f + 0.5f;
    if (vx_random_Rnd() * 2.0f < 1.0f) b[6] = -(vx_random_Rnd() * 1.5f + 0.5f);
    b[7] = vx_random_Rnd() * 100.0f;
    b[8] = static_cast<float>(2 * r + 10);
    b[9] = static_cast<float>(hp);
    return 0;
}

int c_MyApp::p_DoBaddies() {
    f_allArrived = 1;
    f_badCount = 0;
    f_liveBadCount = 0;
    const float w = vx_Zarnok_jscrw, h = vx_Zarnok_jscrh;
    const float pitch = f_speed * 0.7f + 0.3f;
    const int ms = vx_app_Millisecs();
    float* shots = f_shots.Data();
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 0; r < kRows; ++r) {
            float* b = f_baddies.Data() + BadIndex(c, r);
            if (b[0] == 0.0f) continue;
            const float x = 48.0f * c + f_players[51] + b[1] + 4.0f * vx_Zarnok_SinDeg(2.0f * b[5]);
            const float y = 26.0f * r + 8.0f + f_players[52] + b[2] - 3.0f * vx_Zarnok_CosDeg(6.0f * b[5]);
            // Four frames every 480 ms, a little out of step from slot to slot.
            int anim = (16 * c + ms + 10 * r) / 120 % 4;
            if (anim < 0) anim += 4;
            const int layer = vx_Zarnok_Trunc(b[8]);
            if (b[0] > 0.0f) {
                const int kind = vx_Zarnok_Trunc(b[0]);
                ++f_badCount;
                ++f_liveBadCount;
                if (y < 0.0f) f_allArrived = 0;
                b[7] += vx_random_Rnd() + 0.5f;

                // The countdown is reloaded to at least 15, so at most one enemy fires an update.
                if (vx_random_Rnd() * 60.0f < 1.0f && f_fireDelay < 0.0f && f_paused == 0) {
                    f_fireDelay = static_cast<float>(f_fireInterval);
                    b[7] = 0.0f;
                    for (int j = 99; j >= 21; --j) {
                        float* s = shots + 10 * j;
                        if (s[0] != 0.0f) continue;
                        s[0] = 2.0f;
                        s[1] = x;
                        s[2] = y;
                        s[3] = 0.0f;
                        s[4] = 8.0f;
                        p_PlaySFX(3, pitch, 1, 0);
                        break;
                    }
                }

                b[5] = std::fmod(b[6] * f_speed + b[5], 360.0f);
                if (x < 32.0f) f_players[54] = 0.5f;
                if (x > w - 32.0f) f_players[54] = -0.5f;
                if (b[2] < 0.0f && f_paused == 0)
                    b[2] = std::min(b[2] + (vx_random_Rnd() * 4.0f + 2.0f) * f_speed, 0.0f);

                // Body, then the second layer squeezed to half width, then the shadow-dot below.
                const int a = kind - 1;
                p_SetSize(1.0f, 1.0f);
                p_DrawImg(2, x, y - 4.0f, static_cast<float>(anim + 4 * a));
                p_SetSize(0.5f, 1.0f);
                p_DrawImg(2, x, y, static_cast<float>(anim + 4 * ((a + layer) % 32)));
                p_SetSize(0.5f, 0.5f);
                p_DrawImg(1, x, y + 5.0f, 9.0f);

                for (int j = 0; j <= 20; ++j) {
                    float* s = shots + 10 * j;
                    if (!(std::abs(s[1] - x) < 26.0f && std::abs(s[2] - y) < 14.0f && s[0] > 0.0f)) continue;
                    s[0] = 0.0f;
                    b[9] -= 1.0f;
                    p_ThrowParticle(x, y, 90, 9, kOmitted, kOmitted);
                    const float wobble = vx_random_Rnd();
                    p_PlaySFX(5, pitch + wobble * 0.3f - 0.15f, 1, 0);
                    f_score += 5;
                    f_players[10] += 5.0f;
                }

                if (b[9] < 1.0f) {
                    b[0] = -b[0];
                    for (int k = 0; k < 7; ++k) {
                        const float u = vx_random_Rnd();
                        p_ThrowParticle(x, y, 3, 9, static_cast<float>(225 + 45 * k), u * 0.06f + 0.18f);
                    }
                    const float wobble = vx_random_Rnd();
                    const float pick = vx_random_Rnd();
                    p_PlaySFX(vx_Zarnok_Trunc(pick * 4.99f + 6.0f), pitch + wobble * 0.3f - 0.15f, 1, 0);
                    b[9] = 10000.0f;
                    b[4] = 0.0f;
                }
            } else {
                // A wreck keeps the wave alive until it has left the screen.
                ++f_badCount;
                if (f_paused == 0) {
                    b[4] += 0.075f * f_speed;
                    b[2] += b[4] * f_speed;
                }
                // Drawn as a streak of stretched copies that lengthens as the wreck speeds up,
                // fading toward its tail.
                const int a = vx_Zarnok_Trunc(-b[0]) - 1;
                const float body = static_cast<float>(anim + 4 * (a % 32));
                const float second = static_cast<float>(anim + 4 * ((a + layer) % 32));
                p_SetSize(0.5f, 2.0f);
                p_Alpha(0.35f);
                p_DrawImg(2, x, y - 6.0f * b[4], body);
                p_SetSize(0.5f, 1.5f);
                p_Alpha(0.5f);
                p_DrawImg(2, x, y - 4.0f * b[4], second);
                p_SetSize(0.5f, 1.25f);
                p_Alpha(0.75f);
                p_DrawImg(2, x, y - 2.0f * b[4], second);
                p_SetSize(0.5f, 1.0f);
                p_Alpha(1.0f);
                p_DrawImg(2, x, y, second);
                p_SetSize(0.5f, 0.5f);
                p_DrawImg(1, x, y + 5.0f, 9.0f);

                const float shipX = f_players[1], shipY = f_players[2];
                if (f_hurt < 1.0f && std::abs(x - shipX) < 24.0f && std::abs(y - 3.0f * b[4] - shipY) < 32.0f)
                    p_LoseLife(1, x, y);
                if (y > h + 128.0f) b[0] = 0.0f;
            }
        }
    }
    return 0;
}
