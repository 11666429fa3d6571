#include "framework/mathutil.h"

#include <cstdint>

int vx_math_Abs(int x) {
    return x >= 0 ? x : static_cast<int>(0u - static_cast<uint32_t>(x));
}

float vx_math_Abs2(float x) {
    return x >= 0 ? x : -x;
}

int vx_math_Max(int a, int b) {
    return a >= b ? a : b;
}

float vx_math_Max2(float a, float b) {
    return a > b ? a : b;
}
