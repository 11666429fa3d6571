// Integer and float absolute value and maximum.
#pragma once

// Two's complement: the most negative value maps to itself.
int vx_math_Abs(int x);
// x when x >= 0 (so -0.0 stays -0.0), else -x.
float vx_math_Abs2(float x);
// a when a >= b, else b.
int vx_math_Max(int a, int b);
// a when a > b, else b (a NaN first argument gives b).
float vx_math_Max2(float a, float b);
