// The random generator.
#include <gtest/gtest.h>

#include <cstdint>

#include "framework/random.h"

// A million draws against a separate 64-bit computation of the same recurrence, and the seed
// reached after them (computed independently of this code base).
TEST(Random, LongSequenceMatchesIndependentComputation) {
    vx_random_Seed = 1234;
    uint64_t seed = 1234;
    for (int i = 0; i < 1000000; ++i) {
        seed = (seed * 1664525 + 1013904223) % 4294967296ull;
        float expected = static_cast<float>(static_cast<double>(seed >> 8) / 16777216.0);
        float got = vx_random_Rnd();
        ASSERT_EQ(got, expected) << "draw " << i;
    }
    EXPECT_EQ(static_cast<uint32_t>(vx_random_Seed), 2264701458u);
}

TEST(Random, RangesAdvanceTheSeedOnce) {
    vx_random_Seed = 1234;
    EXPECT_EQ(vx_random_Rnd2(-10.0f, 30.0f), -10.0f + 40.0f * (11984094.0f / 16777216.0f));
    EXPECT_EQ(vx_random_Rnd3(100.0f), 100.0f * (889114580u >> 8) / 16777216.0f);
    EXPECT_EQ(vx_random_Seed, 889114580);
}
