// Runtime benchmarks: string work the game does (concatenation, splitting the state file's fields,
// loading text), small-object allocation through the size cache, one incremental collection step,
// and a full collection over 100,000 live objects.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "runtime/runtime.h"

namespace {

// A small object: 8 bytes of object plus the header, well inside the size cache.
struct Small : Object {
    int value = 0;
};

// A node of the live graph for the collector benchmarks.
struct Link : Object {
    Link* next = nullptr;
    int value = 0;
    void mark() override {
        Object::mark();
        gc_mark_q(next);
    }
};

constexpr int kChains = 1000;
constexpr int kChainLength = 100;
constexpr int kLiveObjects = kChains * kChainLength;

Array<Link*> g_heads;

// 100,000 live objects: a rooted array of 1,000 chains of 100 links each.
void BuildLiveGraph() {
    static bool built = false;
    if (built) return;
    built = true;
    gc_add_root(g_heads);
    gc_assign(g_heads, Array<Link*>(kChains));
    for (int c = 0; c < kChains; ++c) {
        Link* head = new Link();
        g_heads.Set(c, head);
        Link* tail = head;
        for (int i = 1; i < kChainLength; ++i) {
            gc_assign(tail->next, new Link());
            tail = tail->next;
        }
        gc_collect();
    }
    // Settle: two full collections leave only the live graph, white, with the root shaded.
    for (int i = 0; i < 2; ++i) {
        gc_ext_malloced(kGcFullCollectionBytes + 1);
        gc_collect();
    }
}

bool FullCollectionDue() {
    return static_cast<int64_t>(gc_new_bytes) + gc_ext_new_bytes.load() > kGcFullCollectionBytes;
}

void BM_StringConcat(benchmark::State& state) {
    String a("Score: "), b("0000123456");
    for (auto _ : state) {
        String c = a + b;
        benchmark::DoNotOptimize(c.Data());
    }
}
BENCHMARK(BM_StringConcat);

void BM_Split100Fields(benchmark::State& state) {
    String text;
    for (int i = 0; i < 100; ++i) text = text + (i ? String("|") : String()) + String(i * 7919);
    int n = 0;
    for (auto _ : state) {
        Array<String> fields = text.Split(String("|"));
        benchmark::DoNotOptimize(fields.Data());
        if (++n % 64 == 0) gc_collect();  // the host's step after a framework call
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_Split100Fields);

void BM_Load1MiBUtf8(benchmark::State& state) {
    // Mostly ASCII with two- and three-byte sequences, as text assets are.
    std::string line = "Zarnok \xC3\xA9t\xC3\xA9 \xE2\x82\xAC 1234567890 abcdefghijklmnopqrstuvwxyz|\n";
    std::string bytes;
    while (bytes.size() + line.size() <= 1 << 20) bytes += line;
    bytes.resize(1 << 20, 'x');
    FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    for (auto _ : state) {
        std::rewind(f);
        String s = String::Load(f);
        benchmark::DoNotOptimize(s.Data());
    }
    std::fclose(f);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_Load1MiBUtf8)->Unit(benchmark::kMicrosecond);

// Steady state: garbage from earlier cycles waits on the free list, so every allocation destroys
// about one dead object and takes its block from the size cache.
void BM_AllocSmallObject(benchmark::State& state) {
    for (int i = 0; i < 400000; ++i) benchmark::DoNotOptimize(new Small());
    gc_ext_malloced(kGcFullCollectionBytes + 1);
    gc_collect();
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(new Small());
        if (++n == 256) {
            n = 0;
            gc_collect();
        }
    }
}
BENCHMARK(BM_AllocSmallObject)->Repetitions(9)->ReportAggregatesOnly(true);

// One incremental step after a framework call that allocated 32 small objects, with 100,000 live
// objects being marked. Steps that turn into full collections are left out.
void BM_IncrementalStep(benchmark::State& state) {
    BuildLiveGraph();
    for (auto _ : state) {
        for (int i = 0; i < 32; ++i) benchmark::DoNotOptimize(new Small());
        if (FullCollectionDue()) {
            gc_collect();
            state.SetIterationTime(0);
            continue;
        }
        auto start = std::chrono::steady_clock::now();
        gc_collect();
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_IncrementalStep)->UseManualTime();

// A full collection that traces all 100,000 live objects (nothing was marked incrementally).
void BM_FullCollection100k(benchmark::State& state) {
    BuildLiveGraph();
    for (auto _ : state) {
        gc_ext_malloced(kGcFullCollectionBytes + 1);
        gc_collect();
    }
    state.counters["per_live_object"] =
        benchmark::Counter(static_cast<double>(kLiveObjects),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * kLiveObjects);
}
BENCHMARK(BM_FullCollection100k)->Unit(benchmark::kMillisecond);

}  // namespace
