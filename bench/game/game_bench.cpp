// The real game, driven as the scenario runner drives it (the headless host with its virtual clock,
// the real framework, renderer and data), in a private folder whose data/ is the repository's:
//  - Update: one p_OnUpdate of the title menu and of a busy playing screen (a full formation in
//    flight, the particle pool near full, the stars and the HUD), the scene restored between runs;
//  - Render: one frame of the busy scene at three window sizes: Submit is the processor time of
//    RenderGame with no OpenGL context current (every GL call a no-op), Frame the whole frame on
//    Mesa with the buffer swap; draw_calls is the frame's OpenGL draw calls;
//  - LoadSteps: the 27 loader steps at each resolution level from nothing loaded, the slowest step
//    as the time (its number in slowest_step), and the slowest frame of the second after loading
//    (frame_after_ms), when the images decoded on the host's worker reach their textures;
//  - Collector: the incremental step after an update, a full collection of the game's objects, and
//    the collected bytes allocated by one update in steady play.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/budget.h"
#include "framework/app.h"
#include "framework/graphics.h"
#include "game/myapp.h"
#include "host/sim_game.h"
#include "native/gxtk_graphics.h"

int vxInit();
int vxMain();

namespace {

struct Game {
    VxSimGame* host = nullptr;
    c_MyApp* app = nullptr;
    int pass = 0;
    Array<float> baddies, particles, stars, shots, players;
};

void Pass(Game& g) {
    g.host->SetPass(g.pass++);
    g.host->RenderGame();
    g.host->UpdateGame();
}

// Runs passes until the loader has finished (the title menu or the playing screen shows).
void LoadFully(Game& g) {
    for (int i = 0; i < 2000 && (g.app->f_loadStep != 0 || g.pass < 2); ++i) Pass(g);
}

Game& TheGame() {
    static Game* game = [] {
        Game* g = new Game();
        const std::string dir = "/tmp/zarnok-bench-" + std::to_string(getpid());
        const std::string setup =
            "mkdir -p " + dir + " && ln -sfn '" + std::string(ZARNOK_SOURCE_DIR) + "/data' " + dir + "/data";
        if (std::system(setup.c_str()) != 0 || chdir(dir.c_str()) != 0) std::exit(1);
        if (!std::getenv("ALSOFT_CONF") && !std::getenv("ALSOFT_DRIVERS"))
            setenv("ALSOFT_DRIVERS", "null", 1);
        if (!vx_sim_init_window_system()) {
            std::fprintf(stderr, "glfwInit failed: a display is needed\n");
            std::exit(1);
        }
        g->host = new VxSimGame(640, 480);
        gc_init1();
        vxInit();
        gc_init2();
        vxMain();
        g->app = dynamic_cast<c_MyApp*>(vx_app__app);
        if (!g->app) std::exit(1);
        g->host->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
        g->host->StartGame();
        LoadFully(*g);
        return g;
    }();
    return *game;
}

void Resize(Game& g, int w, int h) {
    if (g.host->GetDeviceWidth() == w && g.host->GetDeviceHeight() == h) return;
    g.host->Resize(w, h);
    Pass(g);
    LoadFully(g);
}

Array<float> Copy(const Array<float>& a) {
    Array<float> c(a.Length());
    for (int i = 0; i < a.Length(); ++i) c[i] = a[i];
    return c;
}
void Restore(Array<float>& to, const Array<float>& from) {
    for (int i = 0; i < from.Length(); ++i) to[i] = from[i];
}

// The playing screen in its busiest state: a game started, a wave launched and flown into
// formation, the particle pool filled to all but ten records with sparks and flashes.
void MakeBusy(Game& g) {
    c_MyApp* a = g.app;
    a->f_difficulty = 2;
    a->f_mode = 11;
    for (int i = 0; i < 180 && a->f_mode != 10; ++i) Pass(g);
    a->f_mode = 10;
    a->f_paused = 0;
    a->p_LaunchBaddies();
    // Every slot of the formation filled, with enemies that outlast the flight in.
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 10; ++c) a->p_AddBad(c, r, 1 + (c + 3 * r) % 32, 99);
    for (int i = 0; i < 120; ++i) Pass(g);
    const float w = vx_Zarnok_jscrw, h = vx_Zarnok_jscrh;
    for (int i = 0; i < a->f_particleMax - 10; ++i) {
        a->p_ThrowParticle(w * (i % 37) / 37.0f, h * (i % 23) / 23.0f, i % 9 == 0 ? 90 : 1, i % 8, -3717.0f,
                           -3717.0f);
    }
    g.baddies = Copy(a->f_baddies);
    g.particles = Copy(a->f_particles);
    g.stars = Copy(a->f_stars);
    g.shots = Copy(a->f_shots);
    g.players = Copy(a->f_players);
}

void RestoreBusy(Game& g) {
    Restore(g.app->f_baddies, g.baddies);
    Restore(g.app->f_particles, g.particles);
    Restore(g.app->f_stars, g.stars);
    Restore(g.app->f_shots, g.shots);
    Restore(g.app->f_players, g.players);
    g.app->f_mode = 10;
}

// Records in use in an array of ten-float records.
int Live(const Array<float>& records) {
    int n = 0;
    for (int i = 0; i < records.Length(); i += 10) n += records[i] > 0.0f;
    return n;
}

void ToTitle(Game& g) {
    g.app->f_mode = 1;
    for (int i = 0; i < 5; ++i) Pass(g);
}

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

void BM_Update(benchmark::State& state) {
    Game& g = TheGame();
    Resize(g, 640, 480);
    const bool busy = state.range(0) == 1;
    if (busy) {
        MakeBusy(g);
    } else {
        ToTitle(g);
    }
    int64_t allocated = 0;
    for (auto _ : state) {
        if (busy) {
            state.PauseTiming();
            RestoreBusy(g);
            state.ResumeTiming();
        }
        const int before = gc_new_bytes;
        g.app->p_OnUpdate();
        allocated += gc_new_bytes - before;
    }
    state.counters["alloc_bytes"] = static_cast<double>(allocated) / static_cast<double>(state.iterations());
    state.SetLabel(busy ? "busy playing screen" : "title menu");
}

// range(0) x range(1): the window; range(2): 0 submission only, 1 the whole frame with the swap.
void BM_Render(benchmark::State& state) {
    Game& g = TheGame();
    Resize(g, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    MakeBusy(g);
    RestoreBusy(g);
    g.app->p_OnUpdate();  // the busy scene's drawing list
    const bool frame = state.range(2) == 1;
    // The first frames after a change of window compile the rasteriser's code for new states.
    for (int i = 0; i < 3; ++i) g.host->RenderGame();
    glFinish();
    if (!frame) glfwMakeContextCurrent(nullptr);
    for (auto _ : state) {
        g.host->RenderGame();
        if (frame) glFinish();
    }
    if (!frame) glfwMakeContextCurrent(g.host->Window());
    state.counters["draw_calls"] = vx_graphics_device->frameDrawCalls;
    state.counters["enemies"] = Live(g.app->f_baddies);
    state.counters["particles"] = Live(g.app->f_particles);
    state.counters["mode"] = g.app->f_mode;
}

// Every loader step of one resolution level, from nothing loaded; the time is the slowest step.
void BM_LoadSteps(benchmark::State& state) {
    Game& g = TheGame();
    Resize(g, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ToTitle(g);
    int slowestStep = 0;
    double slowestFrame = 0;
    for (auto _ : state) {
        for (int i = 0; i < g.app->f_images.Length(); ++i)
            g.app->f_images.Set(i, static_cast<c_Image*>(nullptr));
        // A frame without drawing lets go of the renderer's last texture. Two whole collector
        // cycles: the first finds the images unreachable, the second frees them.
        vx_graphics_device->BeginRender();
        vx_graphics_device->EndRender();
        for (int cycle = 0; cycle < 2; ++cycle) {
            gc_ext_malloced(kGcFullCollectionBytes + 1);
            g.host->gc_collect();
            gc_mark_queued(INT_MAX);
        }
        double slowest = 0;
        Clock::time_point t = Clock::now();
        g.app->p_Reload();
        int step = 0;
        while (true) {
            const double s = Since(t);
            if (s > slowest) {
                slowest = s;
                slowestStep = step;
            }
            if (g.app->f_loadStep == 0 || step == 40) break;
            step = g.app->f_loadStep;
            t = Clock::now();
            g.app->p_Loader();
        }
        state.SetIterationTime(slowest);
        // The images are decoded beside the game and put on their textures one a frame: the
        // slowest of the next second's frames (paced at 60 Hz) shows what that costs a frame.
        slowestFrame = 0;
        for (int i = 0; i < 60; ++i) {
            t = Clock::now();
            Pass(g);
            slowestFrame = std::max(slowestFrame, Since(t));
            std::this_thread::sleep_until(t + std::chrono::microseconds(16667));
        }
    }
    state.counters["slowest_step"] = slowestStep;
    state.counters["frame_after_ms"] = slowestFrame * 1000;
    state.counters["level"] = g.app->f_hdLevel;
    ToTitle(g);
}

// range(0): 0 the incremental step after an update of the busy scene, 1 a full collection.
void BM_Collector(benchmark::State& state) {
    Game& g = TheGame();
    Resize(g, 640, 480);
    MakeBusy(g);
    const bool full = state.range(0) == 1;
    for (auto _ : state) {
        RestoreBusy(g);
        g.app->p_OnUpdate();
        Clock::time_point t;
        if (full) {
            gc_ext_malloced(kGcFullCollectionBytes + 1);
            t = Clock::now();
            g.host->gc_collect();
            gc_mark_queued(INT_MAX);
        } else {
            t = Clock::now();
            g.host->gc_collect();
        }
        state.SetIterationTime(Since(t));
    }
    state.SetLabel(full ? "full collection" : "incremental step");
}

}  // namespace

BENCHMARK(BM_Update)->Arg(0)->Arg(1)->ArgName("busy")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Render)
    ->ArgNames({"w", "h", "frame"})
    ->Args({640, 480, 0})
    ->Args({1280, 720, 0})
    ->Args({1920, 1080, 0})
    ->Args({640, 480, 1})
    ->Args({1280, 720, 1})
    ->Args({1920, 1080, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSteps)
    ->ArgNames({"w", "h"})
    ->Args({600, 400})
    ->Args({1024, 768})
    ->Args({1920, 1080})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
// A fixed count: each iteration also runs a busy update, so timing only the collection would
// otherwise repeat it until the collection alone adds up to the minimum time.
BENCHMARK(BM_Collector)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("full")
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    using bench::Budget;
    std::vector<Budget> budgets = {
        {"update: busy playing screen (processor time)", "BM_Update/busy:1", bench::CpuMicros, 50, "us"},
        {"update: collected bytes allocated, busy playing screen", "BM_Update/busy:1", bench::Counter, 0, "B",
         "alloc_bytes"},
        {"update: collected bytes allocated, title menu", "BM_Update/busy:0", bench::Counter, 0, "B",
         "alloc_bytes"},
        {"collector: full collection", "BM_Collector/full:1/iterations:300/manual_time", bench::RealMicros,
         1000, "us"},
    };
    for (const char* size : {"640/h:480", "1280/h:720", "1920/h:1080"}) {
        const std::string at = std::string("w:") + size;
        budgets.push_back({"render: busy submission at " + at + " (processor time)",
                           "BM_Render/" + at + "/frame:0", bench::CpuMicros, 500, "us"});
        budgets.push_back({"render: busy draw calls at " + at, "BM_Render/" + at + "/frame:0", bench::Counter,
                           8, "", "draw_calls"});
    }
    for (const char* size : {"w:600/h:400", "w:1024/h:768", "w:1920/h:1080"}) {
        budgets.push_back({std::string("loading: slowest loader step at ") + size,
                           std::string("BM_LoadSteps/") + size + "/iterations:1/manual_time",
                           bench::RealMicros, 16000, "us"});
    }
    return bench::RunWithBudgets(argc, argv, "game_bench", budgets);
}
