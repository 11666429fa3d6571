// The one random generator of the program: a linear congruential generator over a 32-bit seed that
// wraps modulo 2^32. Every draw advances the seed exactly once; code that inlines the formula must
// advance it the same way, so that the game's waves stay reproducible from a seed.
#pragma once

// Starts at 1234; the game sets it directly at the start of every wave.
extern int vx_random_Seed;

// A float in [0, 1): the top 24 bits of the new seed, times 2^-24 (exact in a 32-bit float).
float vx_random_Rnd();
// low + (high - low) * Rnd().
float vx_random_Rnd2(float low, float high);
// Rnd() * range.
float vx_random_Rnd3(float range);
