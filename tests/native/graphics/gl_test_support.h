// Support for rendering tests: one real window and OpenGL context, opened through the host once per
// process, pixels read back from the frame buffer, and image files written at test time.
#pragma once

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/vxgame.h"
#include "native/gxtk_graphics.h"

namespace gltest {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// The host with its 640 x 480 window (the OpenGL context is current).
inline VxGlfwGame* Host() {
    static VxGlfwGame* host = [] {
        glfwSetErrorCallback(
            [](int code, const char* text) { std::fprintf(stderr, "GLFW error %d: %s\n", code, text); });
        // A loaded X server now and then refuses a connection: try a few times before failing.
        bool ok = false;
        for (int attempt = 0; attempt < 20 && !(ok = glfwInit() == GLFW_TRUE); ++attempt) usleep(100000);
        if (!ok) {
            ADD_FAILURE() << "glfwInit failed (no display?)";
            return static_cast<VxGlfwGame*>(nullptr);
        }
        gc_init1();
        VxGlfwGame* h = new VxGlfwGame();
        h->SetGlfwWindow(kWidth, kHeight, 8, 8, 8, 0, 0, 0, false);
        return h;
    }();
    return host;
}

// Starts a frame the way the framework does: white, opaque, alpha blending, identity matrix, no
// scissor, the window cleared to (r, g, b).
inline void StartFrame(gxtkGraphics* g, float r = 0, float gr = 0, float b = 0) {
    g->BeginRender();
    g->SetColor(255, 255, 255);
    g->SetAlpha(1);
    g->SetBlend(0);
    g->SetMatrix(1, 0, 0, 1, 0, 0);
    g->SetScissor(0, 0, g->Width(), g->Height());
    g->Cls(r, gr, b);
}

// The whole window as 0xAARRGGBB values, top row first.
struct Pixels {
    Array<int> data;
    int width = 0;
    uint32_t At(int x, int y) const { return static_cast<uint32_t>(data[y * width + x]); }
    uint32_t Rgb(int x, int y) const { return At(x, y) & 0xFFFFFF; }
};

inline Pixels Read(gxtkGraphics* g) {
    Pixels p{Array<int>(g->Width() * g->Height()), g->Width()};
    g->ReadPixels(p.data, 0, 0, g->Width(), g->Height(), 0, g->Width());
    return p;
}

// Expected colours (0xRRGGBB, alpha ignored) at chosen pixels.
struct Spot {
    int x, y;
    uint32_t rgb;
};
inline void ExpectSpots(const Pixels& px, const std::vector<Spot>& spots) {
    for (const Spot& s : spots)
        EXPECT_EQ(s.rgb, px.Rgb(s.x, s.y)) << std::hex << "at " << std::dec << s.x << ", " << s.y;
}

inline int Shell(const std::string& command) {
    return std::system(command.c_str());
}

// A fresh folder below the tests' working folder, private to this process (ctest runs the tests of
// one program in parallel processes).
inline std::string TempDir(const std::string& name) {
    std::string dir = std::string(ZARNOK_BINARY_DIR) + "/tests/tmp-" + name + "-" + std::to_string(getpid());
    if (Shell("rm -rf '" + dir + "' && mkdir -p '" + dir + "'") != 0) ADD_FAILURE() << "cannot make " << dir;
    return dir;
}

// Writes a PNG of `comp` components per pixel (rows top to bottom).
inline void WritePng(const std::string& path, int w, int h, int comp, const std::vector<unsigned char>& px) {
    ASSERT_EQ(px.size(), static_cast<size_t>(w * h * comp));
    ASSERT_NE(0, stbi_write_png(path.c_str(), w, h, comp, px.data(), w * comp)) << path;
}

}  // namespace gltest
