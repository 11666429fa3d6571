// A busy frame: 2,500 sprites drawn with DrawImage2 (rotation and scale) at 640 x 480, from one
// texture, or from three textures taken in turn (every sprite then changes the texture and ends a
// batch). Two measurements of each:
//  - Submit: vertex generation and batching alone, with no OpenGL context current, so that every GL
//    call is the dispatcher's no-op and nothing is rasterised;
//  - MesaFrame: the whole frame into the real context (Mesa), glFinish excluded from the timing.
// The counter per_sprite is the processor time of the calling thread per sprite.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/graphics.h"
#include "host/vxgame.h"

namespace {

constexpr int kSprites = 2500;

struct Scene {
    VxGlfwGame* host = nullptr;
    gxtkGraphics* device = nullptr;
    c_Image* images[3] = {};
    std::vector<float> x, y, rotation, scale;
};

Scene& TheScene() {
    static Scene* scene = [] {
        Scene* s = new Scene();
        if (!glfwInit()) {
            std::fprintf(stderr, "glfwInit failed: a display is needed\n");
            std::exit(1);
        }
        gc_init1();
        s->host = new VxGlfwGame();
        s->host->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
        s->device = new gxtkGraphics();
        gc_add_root(s->device);
        vx_graphics_SetGraphicsDevice(s->device);
        vx_graphics_context = (new c_GraphicsContext())->m_new();
        gc_add_root(vx_graphics_context);
        for (int t = 0; t < 3; ++t) {
            gxtkSurface* surface = s->device->CreateSurface(32, 32);
            Array<int> px(32 * 32);
            for (int i = 0; i < px.Length(); ++i)
                px[i] = static_cast<int>(0xFF000000u | (0x40u << (8 * t)) | i);
            s->device->WritePixels2(surface, px, 0, 0, 32, 32, 0, 32);
            s->images[t] = (new c_Image())->m_new()->p_Init(surface, 1, c_Image::kCentreHandle);
            gc_add_root(s->images[t]);
        }
        unsigned seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return static_cast<float>((seed >> 8) & 0xFFFF) / 65535.0f;
        };
        for (int i = 0; i < kSprites; ++i) {
            s->x.push_back(next() * 640);
            s->y.push_back(next() * 480);
            s->rotation.push_back(next() * 360);
            s->scale.push_back(0.5f + next() * 1.5f);
        }
        return s;
    }();
    return *scene;
}

void DrawFrame(Scene& s, int textures) {
    s.device->BeginRender();
    vx_graphics_BeginRender();
    s.device->Cls(0, 0, 0);
    for (int i = 0; i < kSprites; ++i) {
        vx_graphics_DrawImage2(s.images[i % textures], s.x[i], s.y[i], s.rotation[i], s.scale[i],
                               s.scale[i] * 0.75f, 0);
    }
    vx_graphics_EndRender();
    s.device->EndRender();
}

void Report(benchmark::State& state, Scene& s) {
    state.SetItemsProcessed(state.iterations() * kSprites);
    state.counters["per_sprite"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kSprites,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["draw_calls"] = s.device->frameDrawCalls;
}

void BM_Submit(benchmark::State& state) {
    Scene& s = TheScene();
    int textures = static_cast<int>(state.range(0));
    glfwMakeContextCurrent(nullptr);  // every GL call is now a no-op
    for (auto _ : state) DrawFrame(s, textures);
    glfwMakeContextCurrent(s.host->Window());
    Report(state, s);
}

void BM_MesaFrame(benchmark::State& state) {
    Scene& s = TheScene();
    int textures = static_cast<int>(state.range(0));
    for (auto _ : state) {
        DrawFrame(s, textures);
        state.PauseTiming();
        glFinish();
        state.ResumeTiming();
    }
    Report(state, s);
}

}  // namespace

BENCHMARK(BM_Submit)->Arg(1)->Arg(3)->ArgName("textures")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MesaFrame)->Arg(1)->Arg(3)->ArgName("textures")->Unit(benchmark::kMicrosecond);
