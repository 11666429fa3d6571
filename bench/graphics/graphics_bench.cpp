// A busy frame of sprites: 2,500 rotated 32 x 32 images at 0.5 to 2 times their size (DrawImage2),
// at 640 x 480, from one image or from three images taken in turn. The images are loaded from files
// as the game loads its own (on atlas pages), so images taken in turn continue one batch. Two
// measurements of each:
//  - Submit: vertex generation and batching alone, with no OpenGL context current, so that every GL
//    call is the dispatcher's no-op and nothing is rasterised;
//  - Frame: the whole frame into the real context (Mesa), buffer swap included.
// The counter draw_calls is the frame's OpenGL draw calls.
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>
#include <stb/stb_image_write.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/budget.h"
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
        s->device->atlasImages = true;
        gc_add_root(s->device);
        vx_graphics_SetGraphicsDevice(s->device);
        vx_graphics_context = (new c_GraphicsContext())->m_new();
        gc_add_root(vx_graphics_context);
        const std::string dir = "/tmp/zarnok-bench-sprites-" + std::to_string(getpid());
        if (std::system(("mkdir -p " + dir).c_str()) != 0) std::exit(1);
        for (int t = 0; t < 3; ++t) {
            std::vector<unsigned char> px;
            for (int i = 0; i < 32 * 32; ++i) {
                unsigned char v = static_cast<unsigned char>(i);
                px.insert(px.end(), {static_cast<unsigned char>(t == 0 ? 0x40 : v),
                                     static_cast<unsigned char>(t == 1 ? 0x40 : v),
                                     static_cast<unsigned char>(t == 2 ? 0x40 : v), 255});
            }
            const std::string path = dir + "/sprite" + std::to_string(t) + ".png";
            stbi_write_png(path.c_str(), 32, 32, 4, px.data(), 32 * 4);
            gxtkSurface* surface = s->device->LoadSurface(String(path.c_str()));
            if (!surface) std::exit(1);
            s->images[t] = (new c_Image())->m_new()->p_Init(surface, 1, c_Image::kCentreHandle);
            gc_add_root(s->images[t]);
        }
        if (std::system(("rm -rf " + dir).c_str()) != 0) std::exit(1);
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

void BM_Frame(benchmark::State& state) {
    Scene& s = TheScene();
    int textures = static_cast<int>(state.range(0));
    for (auto _ : state) {
        DrawFrame(s, textures);
        glfwSwapBuffers(s.host->Window());
    }
    glFinish();
    Report(state, s);
}

}  // namespace

BENCHMARK(BM_Submit)->Arg(1)->Arg(3)->ArgName("images")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame)->Arg(1)->Arg(3)->ArgName("images")->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
    return bench::RunWithBudgets(argc, argv, "graphics_bench",
                                 {{"sprites: frame of three images in turn / one image",
                                   "BM_Frame/images:3/real_time",
                                   bench::RealRatio,
                                   1.25,
                                   "x",
                                   {},
                                   "BM_Frame/images:1/real_time"}});
}
