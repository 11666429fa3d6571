#include "framework/random.h"

#include <cstdint>

int vx_random_Seed = 1234;

float vx_random_Rnd() {
    // Unsigned arithmetic: the same bits as the signed wrap, without relying on -fwrapv.
    uint32_t seed = static_cast<uint32_t>(vx_random_Seed) * 1664525u + 1013904223u;
    vx_random_Seed = static_cast<int>(seed);
    return static_cast<float>(seed >> 8) * 5.9604645e-8f;
}

float vx_random_Rnd2(float low, float high) {
    float range = high - low;
    float r = vx_random_Rnd();
    return low + range * r;
}

float vx_random_Rnd3(float range) {
    return vx_random_Rnd() * range;
}
