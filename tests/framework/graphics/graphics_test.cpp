// The graphics module over a real renderer: images and frames, the matrix stack, lazy matrix
// validation, the default font, and drawing read back from the frame buffer.
#include "framework/graphics.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/native/graphics/gl_test_support.h"

using namespace gltest;

namespace {

// A renderer that also records the calls the module makes.
class Recorder : public gxtkGraphics {
  public:
    std::vector<std::string> calls;

    static std::string Fmt(const char* name, std::initializer_list<float> args) {
        std::string s = name;
        for (float a : args) {
            char b[32];
            std::snprintf(b, sizeof b, " %g", a);
            s += b;
        }
        return s;
    }
    int SetMatrix(float a, float b, float c, float d, float e, float f) override {
        calls.push_back(Fmt("SetMatrix", {a, b, c, d, e, f}));
        return gxtkGraphics::SetMatrix(a, b, c, d, e, f);
    }
    int DrawOval(float x, float y, float w, float h) override {
        calls.push_back(Fmt("DrawOval", {x, y, w, h}));
        return gxtkGraphics::DrawOval(x, y, w, h);
    }
    int DrawSurface(gxtkSurface* s, float x, float y) override {
        calls.push_back(Fmt("DrawSurface", {x, y}));
        return gxtkGraphics::DrawSurface(s, x, y);
    }
    int DrawSurface2(gxtkSurface* s, float x, float y, int sx, int sy, int sw, int sh) override {
        calls.push_back(Fmt("DrawSurface2", {x, y, float(sx), float(sy), float(sw), float(sh)}));
        return gxtkGraphics::DrawSurface2(s, x, y, sx, sy, sw, sh);
    }
};

std::vector<unsigned char> Solid(int w, int h, unsigned char r, unsigned char g, unsigned char b) {
    std::vector<unsigned char> px;
    for (int i = 0; i < w * h; ++i) px.insert(px.end(), {r, g, b, 255});
    return px;
}

class Graphics : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new std::string(TempDir("graphics-module"));
        WritePng(*dir + "/strip.png", 256, 64, 4, Solid(256, 64, 9, 9, 9));
        WritePng(*dir + "/square.png", 50, 50, 4, Solid(50, 50, 9, 9, 9));
        // 96 x 128 grid of 32 x 32 cells, cell (cx, cy) coloured (80 cx, 60 cy, 200).
        std::vector<unsigned char> grid;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 96; ++x) {
                grid.insert(grid.end(), {static_cast<unsigned char>(80 * (x / 32)),
                                         static_cast<unsigned char>(60 * (y / 32)), 200, 255});
            }
        }
        WritePng(*dir + "/grid.png", 96, 128, 4, grid);
        // 20 x 10: left half red, right half green.
        std::vector<unsigned char> halves;
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 20; ++x) {
                if (x < 10) {
                    halves.insert(halves.end(), {255, 0, 0, 255});
                } else {
                    halves.insert(halves.end(), {0, 255, 0, 255});
                }
            }
        }
        WritePng(*dir + "/halves.png", 20, 10, 4, halves);
    }

    static void TearDownTestSuite() {
        RemoveDir(*dir);
        delete dir;
    }

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

    static String Path(const char* name) { return String((*dir + "/" + name).c_str()); }

    void BeginFrame() {
        device->BeginRender();
        vx_graphics_BeginRender();
        device->Cls(0, 0, 0);
        device->calls.clear();
    }
    void EndFrame() {
        vx_graphics_EndRender();
        device->EndRender();
    }

    static std::vector<int> FrameXs(c_Image* image) {
        std::vector<int> xs;
        for (int i = 0; i < image->f_frames.Length(); ++i) xs.push_back(image->f_frames[i]->f_x);
        return xs;
    }

    static std::string* dir;
    Recorder* device = nullptr;
};

std::string* Graphics::dir = nullptr;

TEST_F(Graphics, StripsAreCutIntoEqualFramesAndFlagsPadAndCentre) {
    c_Image* image = vx_graphics_LoadImage(Path("strip.png"), 4, 0);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(64, image->f_width);
    EXPECT_EQ(64, image->f_height);
    EXPECT_EQ((std::vector<int>{0, 64, 128, 192}), FrameXs(image));
    EXPECT_EQ(0, image->f_flags);

    image = vx_graphics_LoadImage(Path("strip.png"), 4, 2);
    EXPECT_EQ(62, image->f_width);
    EXPECT_EQ((std::vector<int>{1, 65, 129, 193}), FrameXs(image));

    image = vx_graphics_LoadImage(Path("strip.png"), 4, 3);
    EXPECT_EQ(2, image->f_flags) << "the centre-handle bit does not stay";
    EXPECT_EQ(31, image->f_handleX);
    EXPECT_EQ(32, image->f_handleY);

    image = vx_graphics_LoadImage(Path("strip.png"), 1, 4 | 1);
    EXPECT_EQ(256, image->f_width);
    EXPECT_EQ(62, image->f_height);
    EXPECT_EQ(1, image->f_frames[0]->f_y);
    EXPECT_EQ(31, image->f_handleY);

    image = vx_graphics_LoadImage(Path("strip.png"), 0, 0);
    ASSERT_NE(nullptr, image) << "no frames, but no division by zero either";
    EXPECT_EQ(0, image->f_frames.Length());

    EXPECT_EQ(nullptr, vx_graphics_LoadImage(Path("missing.png"), 1, 0));
    EXPECT_EQ(nullptr, vx_graphics_LoadImage2(Path("missing.png"), 8, 8, 1, 0));
}

TEST_F(Graphics, WholeSurfaceOnlyForOneUnpaddedFrameCoveringTheSurface) {
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
    EXPECT_EQ((std::vector<std::string>{"SetMatrix 1 0 0 1 0 0", "DrawSurface 10 20",
                                        "DrawSurface2 10 20 1 0 48 50", "DrawSurface -15 -5"}),
              device->calls);
}

TEST_F(Graphics, GridsAreCutLeftToRightThenTopToBottom) {
    c_Image* image = vx_graphics_LoadImage2(Path("grid.png"), 32, 32, 10, 0);
    ASSERT_NE(nullptr, image);
    std::vector<std::pair<int, int>> got,
        want = {{0, 0}, {32, 0}, {64, 0}, {0, 32}, {32, 32}, {64, 32}, {0, 64}, {32, 64}, {64, 64}, {0, 96}};
    for (int i = 0; i < image->f_frames.Length(); ++i)
        got.push_back({image->f_frames[i]->f_x, image->f_frames[i]->f_y});
    EXPECT_EQ(want, got);
    EXPECT_EQ(0, image->f_flags & c_Image::kWholeSurface);

    // Frame 4 is the cell (1, 1); the handle is its centre.
    image->p_SetHandle(16, 16);
    BeginFrame();
    vx_graphics_DrawImage(image, 316, 316, 4);
    EndFrame();
    Pixels px = Read(device);
    EXPECT_EQ(0x503CC8u, px.Rgb(300, 300));
    EXPECT_EQ(0x503CC8u, px.Rgb(331, 331));
    EXPECT_EQ(0u, px.Rgb(299, 300));
    EXPECT_EQ(0u, px.Rgb(332, 331));
    EXPECT_EQ(0u, px.Rgb(300, 332));
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
    EXPECT_EQ(192, c->f_matrixStack.Length());
    vx_graphics_Translate(10, 20);
    vx_graphics_Scale(2, 3);
    EXPECT_EQ(1, c->f_transformed);
    // Points are scaled first, then translated.
    EXPECT_EQ((std::vector<float>{2, 0, 0, 3, 10, 20}),
              (std::vector<float>{c->f_ix, c->f_iy, c->f_jx, c->f_jy, c->f_tx, c->f_ty}));
    vx_graphics_Translate(1, 1);  // in scaled units
    EXPECT_EQ(12, c->f_tx);
    EXPECT_EQ(23, c->f_ty);

    vx_graphics_PushMatrix();
    vx_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    EXPECT_EQ(0, c->f_transformed);
    vx_graphics_PopMatrix();
    EXPECT_EQ(12, c->f_tx);
    EXPECT_EQ(2, c->f_ix);
    EXPECT_EQ(0, c->f_stackTop);

    // A pop without a push changes nothing.
    vx_graphics_PopMatrix();
    EXPECT_EQ(0, c->f_stackTop);
    EXPECT_EQ(12, c->f_tx);

    Array<float> m(6);
    float v[] = {0, 1, -1, 0, 5, 6};
    for (int i = 0; i < 6; ++i) m[i] = v[i];
    vx_graphics_SetMatrix2(m);
    vx_graphics_Transform2(m);  // two quarter turns and the translations
    EXPECT_EQ((std::vector<float>{-1, 0, 0, -1, -1, 11}),
              (std::vector<float>{c->f_ix, c->f_iy, c->f_jx, c->f_jy, c->f_tx, c->f_ty}));

    // 33 pushes outgrow the 32 places; the next frame starts with an empty stack.
    for (int i = 0; i < 33; ++i) vx_graphics_PushMatrix();
    EXPECT_EQ(384, c->f_matrixStack.Length());
    EXPECT_EQ(33 * 6, c->f_stackTop);
    for (int i = 0; i < 33; ++i) vx_graphics_PopMatrix();
    EXPECT_EQ(-1, c->f_ix) << "the saved matrices survive the growth";
    for (int i = 0; i < 3; ++i) vx_graphics_PushMatrix();
    BeginFrame();
    EXPECT_EQ(0, c->f_stackTop);
    EXPECT_EQ(0, c->f_transformed);
    EXPECT_EQ(1, c->f_ix);
}

TEST_F(Graphics, TheMatrixReachesTheRendererOncePerChangeAtTheNextPrimitive) {
    BeginFrame();
    vx_graphics_DrawRect(0, 0, 1, 1);
    vx_graphics_DrawRect(0, 0, 1, 1);
    vx_graphics_Translate(5, 0);
    vx_graphics_Rotate(30);
    vx_graphics_Scale(2, 2);
    vx_graphics_SetColor(1, 2, 3);
    vx_graphics_DrawLine(0, 0, 1, 1);
    vx_graphics_DrawEllipse(100, 100, 10, 20);
    vx_graphics_PushMatrix();
    vx_graphics_PopMatrix();  // sets the same matrix again: sent again
    vx_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    vx_graphics_DrawEllipse(100, 100, 10, 20);
    ASSERT_EQ(5u, device->calls.size());
    EXPECT_EQ("SetMatrix 1 0 0 1 0 0", device->calls[0]);
    EXPECT_EQ(0u, device->calls[1].rfind("SetMatrix 1.73205 -1 1 1.73205 5 0", 0)) << device->calls[1];
    EXPECT_EQ("DrawOval 90 80 20 40", device->calls[2]) << "centre and radii become a bounding box";
    EXPECT_EQ("SetMatrix 1 0 0 1 0 0", device->calls[3]);
    EXPECT_EQ("DrawOval 90 80 20 40", device->calls[4]);
}

TEST_F(Graphics, RotateTurnsCounterClockwiseOnScreen) {
    BeginFrame();
    vx_graphics_Translate(100, 100);
    vx_graphics_Rotate(90);
    vx_graphics_DrawRect(0, 0, 10, 1);
    EndFrame();
    Pixels px = Read(device);
    EXPECT_EQ(0xFFFFFFu, px.Rgb(100, 95)) << "the rectangle extends upwards from the origin";
    EXPECT_EQ(0xFFFFFFu, px.Rgb(100, 90));
    EXPECT_EQ(0u, px.Rgb(100, 101));
    EXPECT_EQ(0u, px.Rgb(105, 100));
    EXPECT_EQ(0u, px.Rgb(99, 95));
}

TEST_F(Graphics, DrawImage2RotatesAndScalesAboutTheHandle) {
    c_Image* image = vx_graphics_LoadImage(Path("halves.png"), 1, 1);  // handle (10, 5)
    ASSERT_NE(nullptr, image);
    BeginFrame();
    vx_graphics_Translate(7, 7);  // DrawImage2 leaves the matrix as it found it
    vx_graphics_DrawImage2(image, 193, 143, 90, 2, 1, 0);
    EXPECT_EQ(7, vx_graphics_context->f_tx);
    EXPECT_EQ(0, vx_graphics_context->f_stackTop);
    EndFrame();
    // Scaled to 40 x 10 about (10, 5), turned a quarter counter-clockwise, handle on (200, 150):
    // the left (red) half lies below the handle, the right (green) half above.
    Pixels px = Read(device);
    EXPECT_EQ(0xFF0000u, px.Rgb(196, 151));
    EXPECT_EQ(0xFF0000u, px.Rgb(204, 169));
    EXPECT_EQ(0x00FF00u, px.Rgb(196, 148));
    EXPECT_EQ(0x00FF00u, px.Rgb(204, 130));
    EXPECT_EQ(0u, px.Rgb(200, 128));
    EXPECT_EQ(0u, px.Rgb(200, 171));
    EXPECT_EQ(0u, px.Rgb(194, 150));
    EXPECT_EQ(0u, px.Rgb(206, 150));
}

TEST_F(Graphics, BeginRenderResetsTheStateAndTheRenderer) {
    BeginFrame();
    vx_graphics_SetColor(10, 20, 30);
    vx_graphics_SetAlpha(0.5f);
    vx_graphics_SetBlend(1);
    vx_graphics_SetScissor(1.9f, 2, 3, 4);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    EndFrame();
    BeginFrame();
    c_GraphicsContext* c = vx_graphics_context;
    EXPECT_EQ(device, vx_graphics_renderDevice);
    EXPECT_EQ(255, c->f_red);
    EXPECT_EQ(1, c->f_alpha);
    EXPECT_EQ(0, c->f_blend);
    EXPECT_EQ(static_cast<float>(kWidth), c->f_scissorWidth);
    EXPECT_EQ(0xFFFFFFFFu, device->packedColor);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EndFrame();
    EXPECT_EQ(nullptr, vx_graphics_renderDevice);
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
    EXPECT_TRUE(device->calls.empty());

    vx_graphics_BeginRender();
    for (int frame : {-1, 4, 1000000}) {
        vx_graphics_DrawImage(image, 0, 0, frame);
        vx_graphics_DrawImage2(image, 0, 0, 0, 1, 1, frame);
    }
    vx_graphics_DrawImage(nullptr, 0, 0, 0);
    vx_graphics_DrawImage2(nullptr, 0, 0, 0, 1, 1, 0);
    EXPECT_EQ(0, device->batchCount);
    EXPECT_EQ(0, vx_graphics_context->f_stackTop);
    vx_graphics_DrawImage(image, 0, 0, 3);
    EXPECT_EQ(4, device->batchCount);
}

TEST_F(Graphics, DefaultFontIsLoadedOnceFromTheDataFolder) {
    char old[4096];
    ASSERT_NE(nullptr, getcwd(old, sizeof old));
    std::string empty = TempDir("font-missing"), with = TempDir("font");
    ASSERT_EQ(0, mkdir((with + "/data").c_str(), 0755));
    WritePng(with + "/data/tavo_font.png", 96 * 8, 8, 2, std::vector<unsigned char>(96 * 8 * 8 * 2, 255));

    ASSERT_EQ(0, chdir(empty.c_str()));
    vx_graphics_SetFont(nullptr, 0);
    EXPECT_EQ(nullptr, vx_graphics_context->f_font);
    EXPECT_EQ(32, vx_graphics_context->f_firstChar);

    ASSERT_EQ(0, chdir(with.c_str()));
    vx_graphics_SetFont(nullptr, 0);
    ASSERT_EQ(0, chdir(old));
    c_Image* font = vx_graphics_context->f_font;
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(font, vx_graphics_context->f_defaultFont);
    EXPECT_EQ(96, font->f_frames.Length());
    EXPECT_EQ(6, font->f_width) << "one pixel of padding left and right of each glyph";
    EXPECT_EQ(1, font->f_frames[0]->f_x);
    EXPECT_EQ(9, font->f_frames[1]->f_x);

    c_Image* other = vx_graphics_LoadImage(Path("strip.png"), 4, 0);
    vx_graphics_SetFont(other, 65);
    EXPECT_EQ(other, vx_graphics_context->f_font);
    EXPECT_EQ(65, vx_graphics_context->f_firstChar);
    vx_graphics_SetFont(nullptr, 65);
    EXPECT_EQ(font, vx_graphics_context->f_font) << "the default font is not loaded again";
    EXPECT_EQ(32, vx_graphics_context->f_firstChar);
    RemoveDir(empty);
    RemoveDir(with);
}

}  // namespace
