// Recording a full picture into the draw list: a list's worth of sprites and lines of text, as a
// busy update of the playing screen does. Recording must not allocate: the "alloc_bytes" counter
// reports the collector's allocations per picture.
#include <benchmark/benchmark.h>

#include "game/myapp.h"

namespace {

c_MyApp* App() {
    static c_MyApp* app = [] {
        c_MyApp* a = new c_MyApp();
        a->f_font = 90;
        a->f_fontMetrics[270] = 7;
        a->f_fontMetrics[271] = 10;
        return a;
    }();
    return app;
}

void BM_RecordSprites(benchmark::State& state) {
    c_MyApp* app = App();
    int64_t allocated = 0;
    for (auto _ : state) {
        const int before = gc_new_bytes;
        app->p_CLS2D(0, 0, 0, 1);
        for (int i = 0; i < 2400; ++i) {
            app->p_SetCol(static_cast<float>(i & 255), 128, 64, 0.5f);
            app->p_SetRot(static_cast<float>(i));
            app->p_DrawImg(96, static_cast<float>(i % 640), static_cast<float>(i % 480),
                           static_cast<float>(i & 255));
        }
        allocated += gc_new_bytes - before;
        benchmark::DoNotOptimize(app->f_drawCount);
    }
    state.counters["alloc_bytes"] = benchmark::Counter(static_cast<double>(allocated) / state.iterations());
    state.SetItemsProcessed(state.iterations() * 2400);
}
BENCHMARK(BM_RecordSprites);

void BM_RecordText(benchmark::State& state) {
    c_MyApp* app = App();
    const String line("Highscore  000123  Level 7  \\nwave cleared: m w i l j");
    for (auto _ : state) {
        app->p_CLS2D();
        for (int i = 0; i < 20; ++i) app->p_Text(320, static_cast<float>(20 * i), line, 1, 1);
        benchmark::DoNotOptimize(app->f_drawCount);
    }
    state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(BM_RecordText);

}  // namespace
