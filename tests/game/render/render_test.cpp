// The replay of the draw list on a real OpenGL context, read back pixel by pixel, and the loader
// choosing its image files by the window size.
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

// A PNG of w x h pixels, one solid colour (0xRRGGBB) per frame cell of fw x fh, row by row.
void WritePng(const std::string& path, int w, int h, int fw, int fh, const std::vector<unsigned>& colours) {
    std::vector<unsigned char> px(static_cast<size_t>(w) * h * 4);
    const int perRow = w / fw;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t cell = static_cast<size_t>((y / fh) * perRow + x / fw);
            const unsigned c = colours[cell % colours.size()];
            unsigned char* p = &px[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = (c >> 16) & 255;
            p[1] = (c >> 8) & 255;
            p[2] = c & 255;
            p[3] = 255;
        }
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_NE(stbi_write_png(path.c_str(), w, h, 4, px.data(), w * 4), 0) << path;
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
        WritePng("data/cells.png", 64, 32, 32, 32, {0xFF0000, 0x00FF00});
        WritePng("data/cells-hd.png", 128, 64, 64, 64, {0xFF0000, 0x00FF00});
        WritePng("data/cells-hd2.png", 256, 128, 128, 128, {0xFF0000, 0x00FF00});
        WritePng("data/bar.png", 32, 16, 32, 16, {0xFFFF00});
        WritePng("data/bar-hd.png", 64, 32, 64, 32, {0xFFFF00});
        WritePng("data/bar-hd2.png", 128, 64, 128, 64, {0xFFFF00});
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

    static inline GlHost* host = nullptr;
    static inline gxtkGraphics* graphics = nullptr;
    static inline std::filesystem::path dir;
    c_MyApp* app = nullptr;
    Array<int> pixels;
};

TEST_F(RenderTest, AnEmptyListOnlyClears) {
    app->f_drawCount = 14;
    Render();
    EXPECT_EQ(Rgb(0, 0), 0x0000FFu);
    EXPECT_EQ(Rgb(640, 480), 0x0000FFu);
    EXPECT_EQ(Rgb(kWinW - 1, kWinH - 1), 0x0000FFu);
    EXPECT_EQ(app->f_scaleX, 2.0f);
}

TEST_F(RenderTest, RectanglesAndOvalsLandScaled) {
    app->p_SetCol(255, 0, 0);
    app->p_Rect(10, 10, 20, 10);  // device (20, 20) - (60, 40)
    app->p_SetCol(0, 255, 0);
    app->p_Oval(100, 100, 10, 5);  // device centre (200, 200), radii 20 x 10
    app->p_SetCol(255, 255, 255, 0.5f);
    app->p_Rect(300, 300, 10, 10);  // half white over blue
    Render();
    EXPECT_EQ(Rgb(21, 21), 0xFF0000u);
    EXPECT_EQ(Rgb(58, 38), 0xFF0000u);
    EXPECT_EQ(Rgb(62, 30), 0x0000FFu);
    EXPECT_EQ(Rgb(40, 42), 0x0000FFu);
    EXPECT_EQ(Rgb(200, 200), 0x00FF00u);
    EXPECT_EQ(Rgb(217, 200), 0x00FF00u);
    EXPECT_EQ(Rgb(200, 207), 0x00FF00u);
    EXPECT_EQ(Rgb(200, 213), 0x0000FFu);
    EXPECT_EQ(Rgb(223, 200), 0x0000FFu);
    const unsigned half = Rgb(610, 610);
    EXPECT_NEAR(static_cast<int>(half >> 16), 128, 2);
    EXPECT_EQ(half & 0xFF, 0xFFu);
}

TEST_F(RenderTest, ImagesLandOnTheirHandleWithFrameRotationAndBlend) {
    app->p_LoadImg(7, String("cells"), 32, 32, 2, 1);
    app->p_LoadImg(8, String("bar"), 32, 16, 1, 1);
    ASSERT_NE(app->f_images[7], nullptr);
    app->p_DrawImg(7, 100, 300, 1);  // green, device square (168, 568) - (232, 632)
    app->p_DrawImg(7, 200, 300, 0);  // red
    app->p_SetRot(90);               // the bar stands upright: 16 wide, 32 tall
    app->p_DrawImg(8, 400, 100, 0);
    app->p_ResetDraw();
    app->p_DrawImg(3, 500, 100, 0);   // no image in the slot
    app->p_DrawImg(7, 500, 200, 9);   // no such frame
    app->p_DrawImg(99, 500, 300, 0);  // no image either
    // Additive: green light over the red frame gives yellow.
    app->p_SetCol(0, 255, 0);
    app->p_Blend(3);
    app->p_Rect(195, 295, 10, 10);
    Render();
    EXPECT_EQ(Rgb(200, 600), 0x00FF00u);
    EXPECT_EQ(Rgb(170, 570), 0x00FF00u);
    EXPECT_EQ(Rgb(230, 630), 0x00FF00u);
    EXPECT_EQ(Rgb(165, 600), 0x0000FFu);
    EXPECT_EQ(Rgb(236, 600), 0x0000FFu);
    EXPECT_EQ(Rgb(370, 600), 0xFF0000u);
    EXPECT_EQ(Rgb(400, 600), 0xFFFF00u) << "additive blend";
    // The rotated bar: device centre (800, 200), 32 wide and 64 tall.
    EXPECT_EQ(Rgb(800, 170), 0xFFFF00u);
    EXPECT_EQ(Rgb(800, 230), 0xFFFF00u);
    EXPECT_EQ(Rgb(825, 200), 0x0000FFu);
    EXPECT_EQ(Rgb(1000, 200), 0x0000FFu);
    EXPECT_EQ(Rgb(1000, 400), 0x0000FFu);
}

TEST_F(RenderTest, EveryResolutionDrawsTheSameVirtualSize) {
    struct {
        int w, h, level, frame;
    } sizes[] = {{600, 400, 1, 32}, {1024, 768, 2, 64}, {1280, 720, 4, 128}};
    for (const auto& s : sizes) {
        SetSize(s.w, s.h);
        app->p_SetHdLevel();
        EXPECT_EQ(app->f_hdLevel, s.level);
        app->p_LoadImg(7, String("cells"), 32, 32, 2, 1);
        ASSERT_NE(app->f_images[7], nullptr) << s.w;
        EXPECT_EQ(app->f_images[7]->f_width, s.frame);
        EXPECT_EQ(app->f_fontMetrics[21], s.frame);
        EXPECT_EQ(app->f_fontMetrics[23], 2);
    }
    // At level 4 on the 1280 x 960 window (scale 2): the 128-pixel frame still covers 64 pixels.
    SetSize(kWinW, kWinH);
    app->f_devW = kWinW;
    app->f_devH = kWinH;
    app->p_DrawImg(7, 100, 100, 1);
    Render();
    EXPECT_EQ(Rgb(200, 200), 0x00FF00u);
    EXPECT_EQ(Rgb(169, 169), 0x00FF00u);
    EXPECT_EQ(Rgb(165, 200), 0x0000FFu);
    EXPECT_EQ(Rgb(235, 200), 0x0000FFu);
    // A missing file leaves the slot empty.
    app->p_LoadImg(7, String("nothing"), 32, 32, 2, 1);
    EXPECT_EQ(app->f_images[7], nullptr);
}

TEST_F(RenderTest, LoaderTakes27UpdatesAndRestartsOnAResize) {
    app->f_options[5] = 0;
    app->p_Reload();
    EXPECT_EQ(app->f_loadStep, 1);
    EXPECT_EQ(app->f_font, 90);
    int updates = 0;
    while (app->f_loadStep > 0 && updates < 100) {
        app->p_Loader();
        ++updates;
        // The loading screen is the whole picture of each step.
        EXPECT_EQ(app->f_drawList[0], -3716.0f);
        EXPECT_EQ(app->f_clsR, 40.0f);
    }
    EXPECT_EQ(updates, 27);
    EXPECT_EQ(app->f_jingleDone, 1);
    EXPECT_EQ(app->f_i, 11);
    EXPECT_EQ(app->f_spinAngle, 27 * 16);
    // The frame sizes of the asset table, at this window's level 4.
    EXPECT_EQ(app->f_fontMetrics[3 * 96], 8 * 4);
    EXPECT_EQ(app->f_fontMetrics[3 * 2 + 1], 16 * 4);
    EXPECT_EQ(app->f_fontMetrics[3 * 90], 7);
    EXPECT_EQ(app->f_fontMetrics[3 * 90 + 2], 128);

    // A new window size restarts loading from step 1 at the next update.
    app->p_CLS2D();
    Render();
    EXPECT_EQ(app->f_loadStep, 0);
    SetSize(800, 600);
    app->p_CLS2D();
    Render();
    EXPECT_EQ(app->f_loadStep, 1);
    EXPECT_EQ(app->f_devW, 800);
    app->p_Loader();
    EXPECT_EQ(app->f_loadStep, 2);
    EXPECT_EQ(app->f_hdLevel, 2);
}

}  // namespace
