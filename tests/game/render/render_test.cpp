// The replay of the draw list on a real OpenGL context, read back pixel by pixel, and the image
// files chosen by the window size. (The loader's steps and restart are driven by the scenario tests.)
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/asyncevent.h"
#include "framework/audio.h"
#include "framework/graphics.h"
#include "framework/input.h"
#include "game/myapp.h"
#include "native/gxtk_audio.h"
#include "native/gxtk_graphics.h"

namespace {

// A window host whose reported size the test chooses (the framebuffer stays as opened).
class GlHost : public VxGlfwGame {
  public:
    GlHost(GLFWwindow* window, int w, int h) : width(w), height(h) { _window = window; }
    int GetDeviceWidth() override { return width; }
    int GetDeviceHeight() override { return height; }
    int Millisecs() override { return 0; }
    int width, height;
};

constexpr int kWinW = 1280, kWinH = 960;

// A PNG strip of frames of fw x fh pixels, one solid colour (0xRRGGBB) each.
void WriteStrip(const std::string& path, int fw, int fh, const std::vector<unsigned>& colours) {
    const int w = fw * static_cast<int>(colours.size());
    std::vector<unsigned char> px;
    for (int i = 0; i < w * fh; ++i) {
        const unsigned c = colours[i % w / fw];
        px.insert(px.end(), {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                             static_cast<unsigned char>(c), 255});
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_NE(stbi_write_png(path.c_str(), w, fh, 4, px.data(), w * 4), 0) << path;
}

class RenderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(glfwInit());
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        GLFWwindow* window = glfwCreateWindow(kWinW, kWinH, "render test", nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        glfwMakeContextCurrent(window);
        ++glfwGraphicsSeq;  // a new context, as the window host counts them
        host = new GlHost(window, kWinW, kWinH);
        vx_app__game = host;
        gc_assign(vx_graphics_context, (new c_GraphicsContext())->m_new());
        gc_assign(vx_asyncevent__sources, (new c_Stack2())->m_new());
        graphics = new gxtkGraphics();
        vx_graphics_SetGraphicsDevice(graphics);
        setenv("ALSOFT_DRIVERS", "null", 1);
        vx_audio_SetAudioDevice(new gxtkAudio());
        vx_input_SetInputDevice((new c_InputDevice())->m_new());

        // Image files in a data folder of our own: the strip "cells" has two 32 x 32 frames (red,
        // green) at level 1, and frames twice and four times that size in its "-hd" and "-hd2" files.
        dir = std::filesystem::temp_directory_path() / ("zarnok-render-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        for (int level : {1, 2, 4}) {
            const std::string suffix = level == 1 ? "" : level == 2 ? "-hd" : "-hd2";
            WriteStrip("data/cells" + suffix + ".png", 32 * level, 32 * level, {0xFF0000, 0x00FF00});
            WriteStrip("data/bar" + suffix + ".png", 32 * level, 16 * level, {0xFFFF00});
        }
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir); }

    void SetUp() override {
        SetSize(kWinW, kWinH);
        vx_Zarnok_overscan = 0;
        app = new c_MyApp();
        app->f_clsB = 255;  // clear to blue
        app->f_clsA = 1;
        app->f_devW = kWinW;
        app->f_devH = kWinH;
        app->p_SetHdLevel();
        app->p_CLS2D();
    }

    static void SetSize(int w, int h) {
        host->width = w;
        host->height = h;
        vx_app__devWidth = w;
        vx_app__devHeight = h;
    }

    // One frame as the delegate renders it; then the window's pixels, top row first.
    void Render() {
        graphics->BeginRender();
        vx_graphics_BeginRender();
        app->p_OnRender();
        vx_graphics_EndRender();
        graphics->EndRender();
        pixels = Array<int>(kWinW * kWinH);
        graphics->ReadPixels(pixels, 0, 0, kWinW, kWinH, 0, kWinW);
    }
    unsigned Rgb(int x, int y) { return static_cast<unsigned>(pixels[y * kWinW + x]) & 0xFFFFFF; }
    // Window pixels {x, y, 0xRRGGBB} that the last frame must show.
    template <size_t N>
    void ExpectPixels(const unsigned (&probes)[N][3]) {
        for (const auto& p : probes) EXPECT_EQ(Rgb(p[0], p[1]), p[2]) << "at " << p[0] << "," << p[1];
    }

    static inline GlHost* host = nullptr;
    static inline gxtkGraphics* graphics = nullptr;
    static inline std::filesystem::path dir;
    c_MyApp* app = nullptr;
    Array<int> pixels;
};

TEST_F(RenderTest, ShapesAndImageFramesLandScaledWithRotationAndBlend) {
    app->f_drawCount = 14;  // less than one command: nothing but the clear
    Render();
    const unsigned cleared[][3] = {{640, 480, 0x0000FF}, {kWinW - 1, kWinH - 1, 0x0000FF}};
    ExpectPixels(cleared);
    EXPECT_EQ(app->f_scaleX, 2.0f);
    app->p_CLS2D();
    app->p_SetCol(255, 0, 0);
    app->p_Rect(10, 10, 20, 10);  // device (20, 20) - (60, 40)
    app->p_SetCol(0, 255, 0);
    app->p_Oval(100, 100, 10, 5);  // device centre (200, 200), radii 20 x 10
    app->p_SetCol(255, 255, 255, 0.5f);
    app->p_Rect(300, 300, 10, 10);  // half white over blue
    app->p_ResetDraw();
    app->p_LoadImg(7, String("cells"), 32, 32, 2, 1);
    app->p_LoadImg(8, String("bar"), 32, 16, 1, 1);
    ASSERT_NE(app->f_images[7], nullptr);
    app->p_DrawImg(7, 100, 300, 1);  // green, device square (168, 568) - (232, 632)
    app->p_DrawImg(7, 200, 300, 0);  // red
    app->p_SetRot(90);               // the bar stands upright: device centre (800, 200), 32 x 64
    app->p_DrawImg(8, 400, 100, 0);
    app->p_ResetDraw();
    app->p_DrawImg(3, 500, 100, 0);   // no image in the slot
    app->p_DrawImg(7, 500, 200, 9);   // no such frame
    app->p_DrawImg(99, 500, 300, 0);  // no image either
    app->p_SetCol(0, 255, 0);         // additive: green light over the red frame gives yellow
    app->p_Blend(3);
    app->p_Rect(195, 295, 10, 10);
    Render();
    const unsigned drawn[][3] = {
        {21, 21, 0xFF0000},   {58, 38, 0xFF0000},    {62, 30, 0x0000FF},   {40, 42, 0x0000FF},
        {217, 200, 0x00FF00}, {200, 207, 0x00FF00},  {200, 213, 0x0000FF}, {223, 200, 0x0000FF},
        {170, 570, 0x00FF00}, {230, 630, 0x00FF00},  {165, 600, 0x0000FF}, {236, 600, 0x0000FF},
        {370, 600, 0xFF0000}, {400, 600, 0xFFFF00},  {800, 170, 0xFFFF00}, {800, 230, 0xFFFF00},
        {825, 200, 0x0000FF}, {1000, 200, 0x0000FF}, {1000, 400, 0x0000FF}};
    ExpectPixels(drawn);
    EXPECT_NEAR(static_cast<int>(Rgb(610, 610) >> 16), 128, 2);
    EXPECT_EQ(Rgb(610, 610) & 0xFF, 0xFFu);
}

TEST_F(RenderTest, EveryResolutionLoadsItsOwnFileAndDrawsTheSameVirtualSize) {
    const int sizes[][3] = {{600, 400, 32}, {1024, 768, 64}, {1280, 720, 128}};  // window, frame pixels
    for (const auto& s : sizes) {
        SetSize(s[0], s[1]);
        app->p_SetHdLevel();
        app->p_LoadImg(7, String("cells"), 32, 32, 2, 1);
        ASSERT_NE(app->f_images[7], nullptr) << s[0];
        EXPECT_EQ(app->f_images[7]->f_width, s[2]) << s[0];
        EXPECT_EQ(app->f_fontMetrics[21], s[2]) << s[0];
    }
    // At level 4 on the 1280 x 960 window (scale 2): the 128-pixel frame still covers 64 pixels.
    SetSize(kWinW, kWinH);
    app->p_DrawImg(7, 100, 100, 1);
    Render();
    const unsigned level4[][3] = {
        {200, 200, 0x00FF00}, {169, 169, 0x00FF00}, {165, 200, 0x0000FF}, {235, 200, 0x0000FF}};
    ExpectPixels(level4);
    app->p_LoadImg(7, String("nothing"), 32, 32, 2, 1);  // a missing file leaves the slot empty
    EXPECT_EQ(app->f_images[7], nullptr);
}

}  // namespace
