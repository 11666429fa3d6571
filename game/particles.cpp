// Particles and the starfield.
#include <cmath>

#include "framework/random.h"
#include "game/myapp.h"

// Scatters stars 0 .. n over the virtual screen (n becomes the star count when it is 1 .. 499).
int c_MyApp::p_ResetStars(int n) {
    if (n >= 1 && n < 500) {
        f_starCount = n;
    } else {
        n = f_starCount;
    }
    const float w = vx_Zarnok_jscrw, h = vx_Zarnok_jscrh;
    for (int i = 0; i <= n; ++i) {
        float* star = f_stars.Data() + 10 * i;
        star[0] = static_cast<float>(vx_Zarnok_Trunc(std::floor(vx_random_Rnd() * 255.99f)));
        star[1] = vx_random_Rnd() * (w + 16.0f) - 8.0f;
        star[2] = vx_random_Rnd() * (h + 16.0f) - 8.0f;
        star[3] = vx_random_Rnd() * 0.6f + 0.2f;
        star[5] = vx_random_Rnd() * 360.0f;
        star[6] = vx_random_Rnd() - 0.5f;
    }
    return 0;
}

int c_MyApp::p_ThrowParticle(float, float, int, int, float, float) {
    return 0;
}
int c_MyApp::p_FreeParticle() {
    return -1;
}
int c_MyApp::p_ResetParticles(int) {
    return 0;
}
int c_MyApp::p_DoParticles() {
    return 0;
}
int c_MyApp::p_DoStars(float, float) {
    return 0;
}
int c_MyApp::p_Rand(float, float) {
    return 0;
}
