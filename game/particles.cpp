// Particles and the starfield: two fixed pools of ten-float records in the game object, moved and
// drawn once per update. Every random value comes from the shared generator, so the draws below
// happen in a fixed order and a replay of the same input gives the same picture.
#include <algorithm>
#include <cmath>

#include "framework/random.h"
#include "game/myapp.h"

namespace {

// Both pools hold 510 records; a count set from outside never walks past them.
constexpr int kPoolLast = 509;

inline int LastRecord(int n) {
    return std::min(n, kPoolLast);
}

inline int RandomFrame(float range) {
    return vx_Zarnok_Trunc(std::floor(vx_random_Rnd() * range));
}

}  // namespace

// Scatters stars 0 .. n over the virtual screen (n becomes the star count when it is 1 .. 499).
int c_MyApp::p_ResetStars(int n) {
    if (n >= 1 && n < 500) {
        f_starCount = n;
    } else {
        n = f_starCount;
    }
    const float w = vx_Zarnok_jscrw, h = vx_Zarnok_jscrh;
    for (int i = 0; i <= LastRecord(n); ++i) {
        float* star = f_stars.Data() + 10 * i;
        star[0] = static_cast<float>(RandomFrame(255.99f));
        star[1] = vx_random_Rnd() * (w + 16.0f) - 8.0f;
        star[2] = vx_random_Rnd() * (h + 16.0f) - 8.0f;
        star[3] = vx_random_Rnd() * 0.6f + 0.2f;
        star[5] = vx_random_Rnd() * 360.0f;
        star[6] = vx_random_Rnd() - 0.5f;
    }
    return 0;
}

// Starts one particle in the highest free record. The random angle and speed are drawn even when
// the pool is full, so a full pool does not shift the generator's later draws.
int c_MyApp::p_ThrowParticle(float x, float y, int kind, int colour, float angle, float speed) {
    if (angle == kOmitted) angle = vx_random_Rnd() * 360.0f;
    if (speed == kOmitted) speed = vx_random_Rnd() * 5.0f + 3.0f;
    const int at = p_FreeParticle();
    if (at < 0) return 0;
    float* p = f_particles.Data() + at;
    p[0] = static_cast<float>(kind);
    p[1] = x;
    p[2] = y;
    p[3] = vx_Zarnok_SinDeg(angle) * speed;  // angle 0 points up, 90 right
    p[4] = -vx_Zarnok_CosDeg(angle) * speed;
    p[5] = vx_random_Rnd() * 360.0f;
    p[6] = vx_random_Rnd() * 16.0f - 8.0f;
    p[7] = vx_random_Rnd() * 0.6f + 0.7f;
    p[8] = static_cast<float>(colour);
    p[9] = static_cast<float>(RandomFrame(255.99f));
    if (kind >= 90 && kind <= 92) {
        // Flashes stay where they are thrown and turn one way or the other.
        p[3] = p[4] = 0.0f;
        p[8] = 9.0f;
        p[9] = static_cast<float>(RandomFrame(15.99f));
        p[6] = vx_random_Rnd() * 8.0f + 4.0f;
        p[7] = 2.0f;
        if (vx_random_Rnd() * 2.0f < 1.0f) p[6] = -(vx_random_Rnd() * 8.0f + 4.0f);
    }
    return 0;
}

// Array index (10 x record) of the highest free record among 0 .. f_particleMax, or -1.
int c_MyApp::p_FreeParticle() {
    for (int i = LastRecord(f_particleMax); i >= 0; --i) {
        if (f_particles[10 * i] == 0.0f) return 10 * i;
    }
    return -1;
}

int c_MyApp::p_ResetParticles(int n) {
    if (n >= 1 && n < 500) {
        f_particleMax = n;
    } else {
        n = f_particleMax;
    }
    for (int i = 0; i <= LastRecord(n); ++i) f_particles[10 * i] = 0.0f;
    return 0;
}

int c_MyApp::p_DoParticles() {
    for (int i = 0; i <= LastRecord(f_particleMax); ++i) {
        float* p = f_particles.Data() + 10 * i;
        const int kind = vx_Zarnok_Trunc(p[0]);
        if (kind <= 0) continue;
        p[1] += p[3] * f_speed;
        p[2] += p[4] * f_speed;
        p[5] += p[6] * f_speed;
        p_SetRot(p[5]);
        // Falling debris drifts to a stop and drops; ring pieces burst outward. Once per update,
        // whatever the game speed.
        if (kind == 2) {
            p[3] *= 0.95f;
            p[4] += 0.2f;
        } else if (kind == 3) {
            p[3] *= 1.1f;
            p[4] *= 1.1f;
        }
        p_Alpha(std::min(p[7], 1.0f));
        p_Ink(vx_Zarnok_Trunc(p[8]), 1);
        p_SetSize(2.0f, 2.0f);
        if (kind <= 9) p_DrawImg(96, p[1], p[2], p[9]);
        if (kind >= 90 && kind <= 92) {
            // A spark flash shrinks away; the two large flashes swell as they fade.
            const float size =
                kind == 90 ? p[7] * 0.25f + 0.1f : (kind == 91 ? 8.0f - 4.0f * p[7] : 12.0f - 6.0f * p[7]);
            p_Blend(3);
            p_SetSize(size, size);
            p_DrawImg(5, p[1], p[2], p[9]);
            p[7] -= (kind == 90 ? 0.01f : 0.05f) * f_speed;
            p_Blend(1);
        }
        p[7] -= 0.01f * f_speed;
        if (p[7] < 0.0f) p[0] = 0.0f;
    }
    p_ResetDraw();
    return 0;
}

// Drifts the stars by (dx, dy) times their depth, wraps them around a margin beyond the visible
// screen (a wrapped star comes back with a new depth, frame and cross position) and draws them.
int c_MyApp::p_DoStars(float dx, float dy) {
    p_ResetDraw();
    p_SetSize(0.5f, 0.5f);
    const float w = vx_Zarnok_jscrw, h = vx_Zarnok_jscrh, o = vx_Zarnok_overscan;
    const float m = o + 16.0f, spanW = w + 2.0f * o + 32.0f, spanH = h + 2.0f * o + 32.0f;
    for (int i = 0; i <= LastRecord(f_starCount); ++i) {
        float* s = f_stars.Data() + 10 * i;
        s[1] += dx * s[3];
        s[2] += dy * s[3];
        auto renew = [s](int across, float extent) {
            s[across] = vx_random_Rnd() * (extent + 16.0f) - 8.0f;
            s[3] = vx_random_Rnd() * 0.6f + 0.2f;
            s[0] = static_cast<float>(RandomFrame(255.99f));
        };
        if (s[1] < -m) {
            s[1] += spanW;
            renew(2, h);
        }
        if (s[1] > w + m) {
            s[1] -= spanW;
            renew(2, h);
        }
        if (s[2] < -m) {
            s[2] += spanH;
            renew(1, w);
        }
        if (s[2] > h + m) {
            s[2] -= spanH;
            renew(1, w);
        }
        s[5] += s[6];
        p_Alpha(s[3]);
        p_DrawImg(96, s[1], s[2], s[0]);
    }
    p_ResetDraw();
    return 0;
}

// A random integer low .. high inclusive for integral bounds.
int c_MyApp::p_Rand(float low, float high) {
    return vx_Zarnok_Trunc(std::floor(low + (high + 0.99f - low) * vx_random_Rnd()));
}
