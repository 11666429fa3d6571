// The graphics module over a real renderer: strips cut into frames, the matrix stack and calls
// outside a frame. (Grids, handles, rotation and ovals are read back from the window by the game's
// render tests; every sheet and the default font are loaded by the data generator's.)
#include "framework/graphics.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/native/graphics/gl_test_support.h"

using namespace gltest;

namespace {

// A renderer that also records each image draw: the whole surface as {x, y}, part of it as
// {x, y, sx, sy, sw, sh}.
class Recorder : public gxtkGraphics {
  public:
    std::vector<std::vector<float>> draws;

    int DrawSurface(gxtkSurface* s, float x, float y) override {
        draws.push_back({x, y});
        return gxtkGraphics::DrawSurface(s, x, y);
    }
    int DrawSurface2(gxtkSurface* s, float x, float y, int sx, int sy, int sw, int sh) override {
        draws.push_back({x, y, float(sx), float(sy), float(sw), float(sh)});
        return gxtkGraphics::DrawSurface2(s, x, y, sx, sy, sw, sh);
    }
};

// A w x h opaque dark grey RGBA image.
std::vector<unsigned char> Grey(int w, int h) {
    std::vector<unsigned char> px;
    for (int i = 0; i < w * h; ++i) px.insert(px.end(), {9, 9, 9, 255});
    return px;
}

class Graphics : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = TempDir("graphics-module");
        WritePng(dir + "/strip.png", 256, 64, 4, Grey(256, 64));
        WritePng(dir + "/square.png", 50, 50, 4, Grey(50, 50));
    }
    static void TearDownTestSuite() { Shell("rm -rf '" + dir + "'"); }

    void SetUp() override {
        ASSERT_NE(nullptr, Host());
        device = new Recorder();
        vx_graphics_SetGraphicsDevice(device);
        vx_graphics_context = (new c_GraphicsContext())->m_new();
        vx_graphics_renderDevice = nullptr;
    }
    void TearDown() override {
        if (vx_graphics_renderDevice) EndFrame();
    }

    static String Path(const char* name) { return String((dir + "/" + name).c_str()); }

    void BeginFrame() {
        device->BeginRender();
        vx_graphics_BeginRender();
        device->Cls(0, 0, 0);
    }
    void EndFrame() {
        vx_graphics_EndRender();
        device->EndRender();
    }

    static std::vector<float> Matrix(c_GraphicsContext* c) {
        return {c->f_ix, c->f_iy, c->f_jx, c->f_jy, c->f_tx, c->f_ty};
    }

    inline static std::string dir;
    Recorder* device = nullptr;
};

// A strip is cut into equal frames (the data generator's test loads every sheet of the game as the
// game cuts it); the whole surface is drawn at once only for one unpadded frame covering it.
TEST_F(Graphics, FramesPaddingAndTheWholeSurface) {
    c_Image* strip = vx_graphics_LoadImage(Path("strip.png"), 4, 2);  // padded: one pixel off each side
    std::vector<int> xs;
    for (int i = 0; i < strip->f_frames.Length(); ++i) xs.push_back(strip->f_frames[i]->f_x);
    EXPECT_EQ((std::vector<int>{1, 65, 129, 193}), xs);
    EXPECT_EQ(62, strip->f_width);
    ASSERT_NE(nullptr, vx_graphics_LoadImage(Path("strip.png"), 0, 0)) << "no frames, no division by zero";
    c_Image* whole = vx_graphics_LoadImage(Path("square.png"), 1, 0);
    EXPECT_EQ(c_Image::kWholeSurface, whole->f_flags);
    c_Image* padded = vx_graphics_LoadImage(Path("square.png"), 1, 2);
    EXPECT_EQ(2, padded->f_flags);
    c_Image* centred = vx_graphics_LoadImage(Path("square.png"), 1, 1);
    EXPECT_EQ(c_Image::kWholeSurface, centred->f_flags);

    BeginFrame();
    vx_graphics_DrawImage(whole, 10, 20, 0);
    vx_graphics_DrawImage(padded, 10, 20, 0);
    vx_graphics_DrawImage(centred, 10, 20, 0);
    EXPECT_EQ((std::vector<std::vector<float>>{{10, 20}, {10, 20, 1, 0, 48, 50}, {-15, -5}}), device->draws);
}

TEST(GraphicsDeathTest, FramesOutsideTheSurfaceAreARuntimeError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto cut = [](int frames) {
        gxtkSurface* surface = new gxtkSurface();  // 96 x 128, no pixels needed
        surface->width = 96;
        surface->height = 128;
        return (new c_Image())->m_new()->p_Init2(surface, 0, 0, 32, 32, frames, 0, nullptr, 0, 0, 96, 128);
    };
    EXPECT_EQ(12, cut(12)->f_frames.Length());
    EXPECT_EXIT(
        {
            // The fatal report goes to standard output; the debugger handshake reads standard input.
            dup2(2, 1);
            if (!freopen("/dev/null", "r", stdin)) std::abort();
            cut(13);
        },
        ::testing::ExitedWithCode(255), "Zorbin Runtime Error : Image frame outside surface");
}

TEST_F(Graphics, MatrixCompositionAndTheStack) {
    c_GraphicsContext* c = vx_graphics_context;
    vx_graphics_Translate(10, 20);
    vx_graphics_Scale(2, 3);
    EXPECT_EQ(1, c->f_transformed);
    // Points are scaled first, then translated.
    EXPECT_EQ((std::vector<float>{2, 0, 0, 3, 10, 20}), Matrix(c));
    vx_graphics_Translate(1, 1);  // in scaled units: (12, 23), checked after the pop below

    vx_graphics_PushMatrix();
    vx_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    EXPECT_EQ(0, c->f_transformed);
    vx_graphics_PopMatrix();
    vx_graphics_PopMatrix();  // a pop without a push changes nothing
    EXPECT_EQ((std::vector<float>{2, 0, 0, 3, 12, 23}), Matrix(c));
    EXPECT_EQ(0, c->f_stackTop);

    // 33 pushes outgrow the 32 places.
    for (int i = 0; i < 33; ++i) vx_graphics_PushMatrix();
    for (int i = 0; i < 33; ++i) vx_graphics_PopMatrix();
    EXPECT_EQ((std::vector<float>{2, 0, 0, 3, 12, 23}), Matrix(c)) << "the saved matrices survive the growth";

    // The next frame starts with an empty stack, the identity and the default state.
    for (int i = 0; i < 3; ++i) vx_graphics_PushMatrix();
    BeginFrame();
    vx_graphics_SetColor(10, 20, 30);
    vx_graphics_SetAlpha(0.5f);
    vx_graphics_SetBlend(1);
    vx_graphics_SetScissor(1.9f, 2, 3, 4);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    EndFrame();
    EXPECT_EQ(nullptr, vx_graphics_renderDevice);
    BeginFrame();
    EXPECT_EQ((std::vector<float>{1, 0, 0, 1, 0, 0}), Matrix(c));
    EXPECT_EQ((std::vector<int>{0, 0, 0}), (std::vector<int>{c->f_stackTop, c->f_transformed, c->f_blend}));
    EXPECT_EQ(0xFFFFFFFFu, device->packedColor) << "white and opaque";
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

TEST_F(Graphics, CallsOutsideAFrameAndBadFramesDrawNothing) {
    c_Image* image = vx_graphics_LoadImage(Path("strip.png"), 4, 0);
    device->BeginRender();
    vx_graphics_DrawRect(0, 0, 10, 10);
    vx_graphics_DrawLine(0, 0, 10, 10);
    vx_graphics_DrawEllipse(0, 0, 10, 10);
    vx_graphics_DrawImage(image, 0, 0, 0);
    vx_graphics_DrawImage2(image, 0, 0, 0, 1, 1, 0);
    vx_graphics_SetColor(1, 2, 3);
    EXPECT_EQ(1, vx_graphics_context->f_red) << "the context still takes the state";
    EXPECT_EQ(0, device->batchCount);
    EXPECT_TRUE(device->draws.empty());

    vx_graphics_BeginRender();
    for (int frame : {-1, 4, 1000000, 0}) {
        c_Image* which = frame ? image : nullptr;
        vx_graphics_DrawImage(which, 0, 0, frame);
        vx_graphics_DrawImage2(which, 0, 0, 0, 1, 1, frame);
    }
    EXPECT_EQ(0, device->batchCount);
    EXPECT_EQ(0, vx_graphics_context->f_stackTop);
    vx_graphics_DrawImage(image, 0, 0, 3);
    EXPECT_EQ(4, device->batchCount);
}

}  // namespace
