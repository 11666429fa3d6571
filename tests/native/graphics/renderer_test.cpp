// The batched renderer, drawing into a real OpenGL context and read back from the frame buffer.
#include <gtest/gtest.h>

#include <cmath>

#include "native/gxtk_graphics.h"
#include "tests/native/graphics/gl_test_support.h"

using namespace gltest;

namespace {

class Renderer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(nullptr, Host());
        g = new gxtkGraphics();
        ASSERT_EQ(kWidth, g->Width());
        StartFrame(g);
    }
    void TearDown() override { g->EndRender(); }

    static uint32_t Bytes(uint32_t r, uint32_t gr, uint32_t b, uint32_t a) {
        return r | gr << 8 | b << 16 | a << 24;
    }
    static Array<float> Floats(std::initializer_list<float> v) {
        Array<float> a(static_cast<int>(v.size()));
        int i = 0;
        for (float f : v) a[i++] = f;
        return a;
    }

    gxtkGraphics* g = nullptr;
};

// A full batch is only sent when the next quad does not fit; a change of primitive kind, surface,
// blend or scissor and a read flush the batch, a colour or matrix change does not, and Cls drops it.
TEST_F(Renderer, BatchesFlushOnlyWhenTheyMust) {
    for (int i = 0; i < 256; ++i) g->DrawRect(static_cast<float>(i), 0, 1, 1);
    EXPECT_EQ(0, g->frameDrawCalls);
    for (int i = 256; i < 300; ++i) g->DrawRect(static_cast<float>(i), 0, 1, 1);
    EXPECT_EQ(1, g->frameDrawCalls);
    EXPECT_EQ(44 * 4, g->batchCount);
    g->EndRender();
    EXPECT_EQ(2, g->frameDrawCalls);

    g->BeginRender();
    for (int i = 0; i < 5; ++i) g->DrawRect(0, 0, 1, 1), g->DrawLine(0, 0, 1, 1);
    EXPECT_EQ(9, g->frameDrawCalls);
    gxtkSurface* a = g->CreateSurface(4, 4);
    gxtkSurface* b = g->CreateSurface(4, 4);
    for (int i = 0; i < 4; ++i) g->DrawSurface(a, 0, 0), g->DrawSurface(b, 0, 0);
    EXPECT_EQ(17, g->frameDrawCalls);
    g->SetBlend(1);
    g->DrawRect(0, 0, 1, 1);
    g->SetScissor(1, 1, 2, 2);
    g->DrawRect(0, 0, 1, 1);
    Array<int> px(1);
    g->ReadPixels(px, 0, 0, 1, 1, 0, 1);
    EXPECT_EQ(20, g->frameDrawCalls);
    g->SetColor(255, 0, 0);
    g->DrawRect(0, 0, 1, 1);
    g->SetColor(0, 255, 0);
    g->SetAlpha(0.5f);
    g->SetMatrix(2, 0, 0, 2, 0, 0);
    g->DrawRect(0, 0, 1, 1);
    EXPECT_EQ(Bytes(255, 0, 0, 255), g->Vertices()[3].color);
    EXPECT_EQ(Bytes(0, 127, 0, 127), g->Vertices()[4].color) << "premultiplied";
    g->Cls(0, 0, 0);
    g->EndRender();
    EXPECT_EQ(20, g->frameDrawCalls) << "Cls discards the batch pending; an empty batch sends nothing";
}

// Colours and alpha are clamped before packing; an oval has as many segments as its size on screen
// asks for; polygons of too few or too many vertices are ignored.
TEST_F(Renderer, ColoursOvalsAndPolygonsReachTheBatchWithinBounds) {
    struct Colour {
        float r, gr, b, a;
        uint32_t packed;
    } colours[] = {
        {300, -20, 256, 1.5f, Bytes(255, 0, 255, 255)}, {255, 255, 255, -1, 0}, {255, 255, 255, NAN, 0}};
    for (const Colour& c : colours) {
        g->SetColor(c.r, c.gr, c.b);
        g->SetAlpha(c.a);
        EXPECT_EQ(c.packed, g->packedColor) << c.r << " " << c.gr << " " << c.b << " " << c.a;
    }
    struct Oval {
        float w, h;
        int segments;
        float m[6];
    } ovals[] = {{10, 10, 12, {1, 0, 0, 1, 0, 0}},
                 {3000, 1000, 1024, {1, 0, 0, 1, 0, 0}},
                 {-50, -50, 48, {1, 0, 0, 1, 0, 0}},
                 {10, 10, 28, {0, 3, -3, 0, 5, 5}}};
    for (const Oval& c : ovals) {
        g->SetMatrix(c.m[0], c.m[1], c.m[2], c.m[3], c.m[4], c.m[5]);
        g->DrawOval(0, 0, c.w, c.h);
        EXPECT_EQ(c.segments, g->batchKind) << c.w << " x " << c.h << " scale " << c.m[0] + c.m[1];
        EXPECT_EQ(c.segments, g->batchCount);
        g->Flush();
    }
    g->DrawPoly(Array<float>(7));
    EXPECT_EQ(3, g->batchCount);
    g->Flush();
    for (int n : {0, 1, 2050}) g->DrawPoly(Array<float>(n));
    EXPECT_EQ(0, g->batchCount);
    g->DrawPoly(Array<float>(2048));
    EXPECT_EQ(1024, g->batchKind);
    g->DrawPoly2(Array<float>(8), nullptr, 0, 0);  // no surface: nothing
    EXPECT_EQ(1024, g->batchCount);
}

TEST_F(Renderer, PrimitivesCoverTheirPixels) {
    g->SetColor(255, 0, 0);
    g->DrawRect(10, 20, 30, 40);
    // 90 degrees counter-clockwise on the y-down screen about (100, 100): x runs up, y runs right.
    g->SetMatrix(0, -1, 1, 0, 100, 100);
    g->DrawRect(0, 0, 10, 2);
    g->SetMatrix(1, 0, 0, 1, 0, 0);
    EXPECT_FALSE(g->transformed);
    g->SetColor(0, 255, 0);
    g->DrawLine(100, 5.5f, 120, 5.5f);
    g->SetColor(0, 0, 255);
    g->DrawPoint(3.5f, 4.5f);
    g->SetColor(255, 255, 0);
    g->DrawOval(200, 100, 40, 20);
    g->SetColor(0, 255, 255);
    g->DrawPoly(Floats({300, 300, 340, 300, 300, 340}));
    g->SetColor(255, 0, 255);
    Array<float> pent = Floats({400, 400, 440, 400, 450, 430, 420, 450, 390, 430});
    g->DrawPoly(pent);
    g->DrawPoly(pent);  // two polygons of 5 in one batch: two fans
    int before = g->frameDrawCalls;
    g->EndRender();
    EXPECT_EQ(2, g->frameDrawCalls - before);

    // The rectangle is [10, 40) x [20, 60) exactly, the rotated one [100, 102) x [90, 100), the line
    // runs along row 5 from x 100 to 119, the ellipse about (220, 110) with radii 20 and 10 leaves its
    // box's corner clear.
    const Pixels px = Read(g);
    ExpectSpots(px,
                {{10, 20, 0xFF0000}, {39, 59, 0xFF0000}, {9, 20, 0}, {40, 20, 0}, {10, 19, 0}, {10, 60, 0}});
    ExpectSpots(px, {{100, 90, 0xFF0000}, {101, 99, 0xFF0000}, {100, 100, 0}, {102, 95, 0}});
    ExpectSpots(px, {{100, 5, 0x00FF00}, {119, 5, 0x00FF00}, {120, 5, 0}, {110, 4, 0}, {110, 6, 0}});
    ExpectSpots(px, {{3, 4, 0x0000FF}, {4, 4, 0}, {305, 305, 0x00FFFF}, {335, 335, 0}});
    ExpectSpots(
        px, {{220, 110, 0xFFFF00}, {202, 110, 0xFFFF00}, {220, 101, 0xFFFF00}, {201, 101, 0}, {220, 121, 0}});
    ExpectSpots(px, {{420, 425, 0xFF00FF}, {445, 445, 0}});
}

TEST_F(Renderer, AlphaAndAdditiveBlendingOverAKnownBackground) {
    g->Cls(0, 0, 100);
    g->SetColor(255, 0, 0);
    g->SetAlpha(0.5f);
    g->DrawRect(0, 0, 10, 10);  // (127, 0, 0, 127) over (0, 0, 100)
    g->SetBlend(1);
    g->SetColor(100, 100, 100);
    g->SetAlpha(1);
    g->DrawRect(20, 0, 10, 10);  // (100, 100, 100) added to (0, 0, 100)
    g->DrawRect(40, 0, 10, 10);
    g->DrawRect(40, 0, 10, 10);  // twice: saturates blue
    g->SetBlend(2);              // anything but 1 is alpha blending
    g->SetColor(0, 255, 0);
    g->SetAlpha(0.25f);
    g->DrawRect(60, 0, 10, 10);  // (0, 63, 0, 63) over (0, 0, 100)
    g->EndRender();

    Pixels px = Read(g);
    ExpectSpots(px, {{25, 5, 0x6464C8}, {45, 5, 0xC8C8FF}});
    EXPECT_EQ(0x7F0000u, px.Rgb(5, 5) & 0xFFFF00);
    EXPECT_NEAR(100 * 128 / 255.0, px.At(5, 5) & 255, 1.0);
    EXPECT_EQ(0x003F00u, px.Rgb(65, 5) & 0xFFFF00);
    EXPECT_NEAR(100 * 192 / 255.0, px.At(65, 5) & 255, 1.0);
}

TEST_F(Renderer, ScissorClipsWithTheYFlipAndLimitsCls) {
    g->SetScissor(50, 60, 10, 5);
    g->DrawRect(0, 0, kWidth, kHeight);
    g->SetScissor(100, 10, 4, 4);
    g->Cls(0, 255, 0);
    g->SetScissor(0, 0, g->Width(), g->Height());
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST)) << "the whole window turns the scissor off";
    g->EndRender();
    const std::vector<Spot> spots = {
        {50, 60, 0xFFFFFF}, {59, 64, 0xFFFFFF},  {49, 60, 0},         {60, 60, 0},  {50, 59, 0},
        {50, 65, 0},        {100, 10, 0x00FF00}, {103, 13, 0x00FF00}, {104, 13, 0}, {100, 14, 0}};
    ExpectSpots(Read(g), spots);
}

TEST_F(Renderer, ReadPixelsPutsTheTopRowFirstAndChecksItsBounds) {
    g->SetColor(255, 0, 0);
    g->DrawRect(0, 0, 4, 1);  // top row red
    g->SetColor(0, 0, 255);
    g->DrawRect(0, 1, 4, 1);  // second row blue
    const int R = static_cast<int>(0xFFFF0000u), B = static_cast<int>(0xFF0000FFu);
    auto read = [&](int offset, int pitch, int rows) {
        Array<int> px(11);
        for (int i = 0; i < 11; ++i) px[i] = 7;
        g->ReadPixels(px, 0, 0, 4, rows, offset, pitch);
        return std::vector<int>(px.Data(), px.Data() + 11);
    };
    // 4 x 2 into an array with pitch 5 from 1; a negative pitch stores the rows bottom-up.
    EXPECT_EQ((std::vector<int>{7, R, R, R, R, 7, B, B, B, B, 7}), read(1, 5, 2));
    EXPECT_EQ((std::vector<int>{7, B, B, B, B, 7, R, R, R, R, 7}), read(6, -5, 2));
    // Ranges outside the array read nothing.
    std::vector<int> untouched(11, 7);
    EXPECT_EQ(untouched, read(3, 5, 2));
    EXPECT_EQ(untouched, read(0, 4, 3));
    EXPECT_EQ(untouched, read(-1, 5, 2));
}

}  // namespace
