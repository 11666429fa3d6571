// The random generator and the polling of async event sources.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/asyncevent.h"
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
        ASSERT_LT(got, 1.0f);
    }
    EXPECT_EQ(static_cast<uint32_t>(vx_random_Seed), 2264701458u);
}

TEST(Random, RangesAdvanceTheSeedOnce) {
    vx_random_Seed = 1234;
    EXPECT_EQ(vx_random_Rnd2(-10.0f, 30.0f), -10.0f + 40.0f * (11984094.0f / 16777216.0f));
    EXPECT_EQ(vx_random_Rnd3(100.0f), 100.0f * (889114580u >> 8) / 16777216.0f);
    EXPECT_EQ(vx_random_Seed, 889114580);
}

namespace {

class Source : public Object, public c_IAsyncEventSource {
  public:
    std::vector<int>* log = nullptr;
    int id = 0;
    bool removeSelf = false;
    bool reenter = false;

    void p_UpdateAsyncEvents() override {
        log->push_back(id);
        if (reenter) vx_asyncevent_UpdateAsyncEvents();  // must return at once
        if (removeSelf) {
            c_Stack2* s = vx_asyncevent__sources;
            int n = s->p_Length2();
            int at = 0;
            while (s->p_Get(at) != this) ++at;
            for (int i = at; i + 1 < n; ++i) s->f_data.Set(i, s->p_Get(i + 1));
            s->p_Length(n - 1);
            vx_asyncevent__current = nullptr;
        }
    }
};

Source* MakeSource(std::vector<int>* log, int id) {
    Source* s = new Source();
    s->log = log;
    s->id = id;
    return s;
}

}  // namespace

TEST(AsyncEvent, PollsEverySourceAndCopesWithSelfRemoval) {
    vx_asyncevent__sources = nullptr;
    vx_asyncevent_UpdateAsyncEvents();  // no list yet
    vx_asyncevent__sources = (new c_Stack2())->m_new();
    vx_asyncevent_UpdateAsyncEvents();  // empty list
    EXPECT_EQ(vx_asyncevent__current, nullptr);

    std::vector<int> log;
    c_Stack2* s = vx_asyncevent__sources;
    s->p_Length(4);
    for (int i = 0; i < 4; ++i) s->f_data.Set(i, MakeSource(&log, i));
    static_cast<Source*>(s->p_Get(1))->removeSelf = true;
    static_cast<Source*>(s->p_Get(2))->reenter = true;

    vx_asyncevent_UpdateAsyncEvents();
    // Source 2 moves into slot 1 when source 1 leaves, and is still polled; the nested call from
    // source 2 polls nothing.
    EXPECT_EQ(log, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(s->p_Length2(), 3);
    EXPECT_EQ(vx_asyncevent__current, nullptr);

    log.clear();
    vx_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(log, (std::vector<int>{0, 2, 3}));
    vx_asyncevent__sources = nullptr;
}
