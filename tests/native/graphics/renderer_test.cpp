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
        ASSERT_EQ(kHeight, g->Height());
        StartFrame(g);
    }
    void TearDown() override { g->EndRender(); }

    static uint32_t Bytes(uint8_t r, uint8_t gr, uint8_t b, uint8_t a) {
        return static_cast<uint32_t>(r) | (static_cast<uint32_t>(gr) << 8) |
               (static_cast<uint32_t>(b) << 16) | (static_cast<uint32_t>(a) << 24);
    }

    gxtkGraphics* g = nullptr;
};

TEST_F(Renderer, ThreeHundredRectanglesTakeTwoDrawCalls) {
    for (int i = 0; i < 256; ++i) g->DrawRect(static_cast<float>(i), 0, 1, 1);
    EXPECT_EQ(0, g->frameDrawCalls) << "a full batch is only sent when the next quad does not fit";
    EXPECT_EQ(1024, g->batchCount);
    for (int i = 256; i < 300; ++i) g->DrawRect(static_cast<float>(i), 0, 1, 1);
    EXPECT_EQ(1, g->frameDrawCalls);
    EXPECT_EQ(44 * 4, g->batchCount);
    g->EndRender();
    EXPECT_EQ(2, g->frameDrawCalls);
    EXPECT_EQ(0, g->batchCount);
}

TEST_F(Renderer, ChangingKindOrSurfaceFlushesButColourDoesNot) {
    for (int i = 0; i < 5; ++i) {
        g->DrawRect(0, 0, 1, 1);
        g->DrawLine(0, 0, 1, 1);
    }
    g->EndRender();
    EXPECT_EQ(10, g->frameDrawCalls);

    gxtkSurface* a = g->CreateSurface(4, 4);
    gxtkSurface* b = g->CreateSurface(4, 4);
    StartFrame(g);
    for (int i = 0; i < 4; ++i) {
        g->DrawSurface(a, 0, 0);
        g->DrawSurface(b, 0, 0);
    }
    g->EndRender();
    EXPECT_EQ(8, g->frameDrawCalls);

    StartFrame(g);
    g->SetColor(255, 0, 0);
    g->DrawRect(0, 0, 1, 1);
    g->SetColor(0, 255, 0);
    g->SetAlpha(0.5f);
    g->DrawRect(0, 0, 1, 1);
    EXPECT_EQ(0, g->frameDrawCalls);
    EXPECT_EQ(Bytes(255, 0, 0, 255), g->Vertices()[3].color);
    EXPECT_EQ(Bytes(0, 127, 0, 127), g->Vertices()[4].color);
    g->EndRender();
    EXPECT_EQ(1, g->frameDrawCalls);
}

TEST_F(Renderer, BlendAndScissorChangesAndPixelReadsFlush) {
    g->DrawRect(0, 0, 1, 1);
    g->SetBlend(1);
    EXPECT_EQ(1, g->frameDrawCalls);
    g->DrawRect(0, 0, 1, 1);
    g->SetScissor(1, 1, 2, 2);
    EXPECT_EQ(2, g->frameDrawCalls);
    g->DrawRect(0, 0, 1, 1);
    Array<int> px(1);
    g->ReadPixels(px, 0, 0, 1, 1, 0, 1);
    EXPECT_EQ(3, g->frameDrawCalls);
    g->SetColor(1, 2, 3);
    g->SetMatrix(2, 0, 0, 2, 0, 0);
    g->EndRender();
    EXPECT_EQ(3, g->frameDrawCalls) << "colour and matrix changes and an empty batch send nothing";
}

TEST_F(Renderer, ColourIsPremultipliedAndClampedBeforePacking) {
    g->SetColor(255, 0, 0);
    g->SetAlpha(0.5f);
    EXPECT_EQ(Bytes(127, 0, 0, 127), g->packedColor);
    g->SetColor(200, 100, 50);
    g->SetAlpha(1);
    EXPECT_EQ(Bytes(200, 100, 50, 255), g->packedColor);

    // Out-of-range values would spill into the neighbouring bytes: they are clamped.
    g->SetColor(300, -20, 256);
    EXPECT_EQ(Bytes(255, 0, 255, 255), g->packedColor);
    g->SetAlpha(1.5f);
    EXPECT_EQ(Bytes(255, 0, 255, 255), g->packedColor);
    g->SetAlpha(-1);
    EXPECT_EQ(0u, g->packedColor);
    g->SetAlpha(NAN);
    EXPECT_EQ(0u, g->packedColor);
}

TEST_F(Renderer, OvalSegmentsFollowTheSizeOnScreen) {
    struct Case {
        float w, h;
        int segments;
    } cases[] = {{10, 10, 12}, {100, 100, 100}, {30, 30, 28}, {3000, 1000, 1024}, {-50, -50, 48}, {0, 0, 12}};
    for (const Case& c : cases) {
        g->DrawOval(0, 0, c.w, c.h);
        EXPECT_EQ(c.segments, g->batchKind) << c.w << " x " << c.h;
        EXPECT_EQ(c.segments, g->batchCount);
        g->Flush();
    }
    g->SetMatrix(2, 0, 0, 2, 0, 0);  // radii 15 and 15 measure 30 + 30 on screen
    g->DrawOval(0, 0, 30, 30);
    EXPECT_EQ(60, g->batchKind);
    g->Flush();
    g->SetMatrix(0, 3, -3, 0, 5, 5);  // rotated and scaled by 3
    g->DrawOval(0, 0, 10, 10);
    EXPECT_EQ(28, g->batchKind);
}

TEST_F(Renderer, PolygonsOfTooFewOrTooManyVerticesAreIgnored) {
    Array<float> seven(7);
    g->DrawPoly(seven);
    EXPECT_EQ(3, g->batchKind);
    EXPECT_EQ(3, g->batchCount);
    g->Flush();
    g->DrawPoly(Array<float>(0));
    g->DrawPoly(Array<float>(1));
    g->DrawPoly(Array<float>(2050));
    EXPECT_EQ(0, g->batchCount);
    g->DrawPoly(Array<float>(2048));
    EXPECT_EQ(1024, g->batchKind);
    g->DrawPoly2(Array<float>(8), nullptr, 0, 0);  // no surface: nothing
    EXPECT_EQ(1024, g->batchCount);
}

TEST_F(Renderer, PrimitivesCoverTheirPixels) {
    g->SetColor(255, 0, 0);
    g->DrawRect(10, 20, 30, 40);
    g->SetColor(0, 255, 0);
    g->DrawLine(100, 5.5f, 120, 5.5f);
    g->SetColor(0, 0, 255);
    g->DrawPoint(3.5f, 4.5f);
    g->SetColor(255, 255, 0);
    g->DrawOval(200, 100, 40, 20);
    Array<float> tri(6);
    float t[] = {300, 300, 340, 300, 300, 340};
    for (int i = 0; i < 6; ++i) tri[i] = t[i];
    g->SetColor(0, 255, 255);
    g->DrawPoly(tri);
    Array<float> pent(10);  // a pentagon as one fan: kind 5
    float p[] = {400, 400, 440, 400, 450, 430, 420, 450, 390, 430};
    for (int i = 0; i < 10; ++i) pent[i] = p[i];
    g->SetColor(255, 0, 255);
    g->DrawPoly(pent);
    g->DrawPoly(pent);  // two polygons of 5 in one batch: two fans
    int before = g->frameDrawCalls;
    g->EndRender();
    EXPECT_EQ(2, g->frameDrawCalls - before);

    Pixels px = Read(g);
    // Rectangle [10, 40) x [20, 60), exactly.
    EXPECT_EQ(0xFFFF0000u, px.At(10, 20));
    EXPECT_EQ(0xFFFF0000u, px.At(39, 59));
    EXPECT_EQ(0u, px.Rgb(9, 20));
    EXPECT_EQ(0u, px.Rgb(40, 20));
    EXPECT_EQ(0u, px.Rgb(10, 19));
    EXPECT_EQ(0u, px.Rgb(10, 60));
    // Line along row 5 from x 100 to 119.
    EXPECT_EQ(0x00FF00u, px.Rgb(100, 5));
    EXPECT_EQ(0x00FF00u, px.Rgb(119, 5));
    EXPECT_EQ(0u, px.Rgb(120, 5));
    EXPECT_EQ(0u, px.Rgb(110, 4));
    EXPECT_EQ(0u, px.Rgb(110, 6));
    // Point.
    EXPECT_EQ(0x0000FFu, px.Rgb(3, 4));
    EXPECT_EQ(0u, px.Rgb(4, 4));
    // Ellipse centred on (220, 110), radii 20 and 10.
    EXPECT_EQ(0xFFFF00u, px.Rgb(220, 110));
    EXPECT_EQ(0xFFFF00u, px.Rgb(202, 110));
    EXPECT_EQ(0xFFFF00u, px.Rgb(220, 101));
    EXPECT_EQ(0u, px.Rgb(201, 101)) << "the box's corner is outside the ellipse";
    EXPECT_EQ(0u, px.Rgb(220, 121));
    // Triangle.
    EXPECT_EQ(0x00FFFFu, px.Rgb(305, 305));
    EXPECT_EQ(0u, px.Rgb(335, 335));
    // Pentagon.
    EXPECT_EQ(0xFF00FFu, px.Rgb(420, 425));
    EXPECT_EQ(0u, px.Rgb(445, 445));
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
    g->DrawRect(60, 0, 10, 10);
    g->EndRender();

    Pixels px = Read(g);
    uint32_t a = px.At(5, 5);
    EXPECT_EQ(127, Red(a));
    EXPECT_EQ(0, Green(a));
    EXPECT_NEAR(100 * 128 / 255.0, Blue(a), 1.0);
    EXPECT_EQ(0x6464C8u, px.Rgb(25, 5));
    EXPECT_EQ(0xC8C8FFu, px.Rgb(45, 5));
    uint32_t q = px.At(65, 5);  // (0, 63, 0, 63) over (0, 0, 100)
    EXPECT_EQ(0, Red(q));
    EXPECT_EQ(63, Green(q));
    EXPECT_NEAR(100 * 192 / 255.0, Blue(q), 1.0);
}

TEST_F(Renderer, ScissorClipsWithTheYFlipAndLimitsCls) {
    g->SetScissor(50, 60, 10, 5);
    g->SetColor(255, 255, 255);
    g->DrawRect(0, 0, kWidth, kHeight);
    g->SetScissor(100, 10, 4, 4);
    g->Cls(0, 255, 0);
    g->SetScissor(0, 0, g->Width(), g->Height());
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST)) << "the whole window turns the scissor off";
    g->EndRender();

    Pixels px = Read(g);
    EXPECT_EQ(0xFFFFFFu, px.Rgb(50, 60));
    EXPECT_EQ(0xFFFFFFu, px.Rgb(59, 64));
    EXPECT_EQ(0u, px.Rgb(49, 60));
    EXPECT_EQ(0u, px.Rgb(60, 60));
    EXPECT_EQ(0u, px.Rgb(50, 59));
    EXPECT_EQ(0u, px.Rgb(50, 65));
    EXPECT_EQ(0x00FF00u, px.Rgb(100, 10));
    EXPECT_EQ(0x00FF00u, px.Rgb(103, 13));
    EXPECT_EQ(0u, px.Rgb(104, 13));
    EXPECT_EQ(0u, px.Rgb(100, 14));
}

TEST_F(Renderer, ClsDiscardsTheDrawingPendingInTheBatch) {
    g->SetColor(255, 0, 0);
    g->DrawRect(0, 0, 10, 10);
    g->Cls(0, 0, 0);
    g->EndRender();
    EXPECT_EQ(0, g->frameDrawCalls);
    EXPECT_EQ(0u, Read(g).Rgb(5, 5));
}

TEST_F(Renderer, MatrixIsAppliedPerCornerOnTheProcessor) {
    // 90 degrees counter-clockwise on the y-down screen about (100, 100): x runs up, y runs right.
    g->SetMatrix(0, -1, 1, 0, 100, 100);
    EXPECT_TRUE(g->transformed);
    g->SetColor(255, 0, 0);
    g->DrawRect(0, 0, 10, 2);
    const gxtkGraphics::Vertex* v = g->Vertices();
    EXPECT_FLOAT_EQ(100, v[0].x);
    EXPECT_FLOAT_EQ(100, v[0].y);
    EXPECT_FLOAT_EQ(100, v[1].x);
    EXPECT_FLOAT_EQ(90, v[1].y);
    EXPECT_FLOAT_EQ(102, v[2].x);
    EXPECT_FLOAT_EQ(90, v[2].y);
    g->SetMatrix(1, 0, 0, 1, 0, 0);
    EXPECT_FALSE(g->transformed);
    g->EndRender();
    Pixels px = Read(g);
    EXPECT_EQ(0xFF0000u, px.Rgb(100, 90));
    EXPECT_EQ(0xFF0000u, px.Rgb(101, 99));
    EXPECT_EQ(0u, px.Rgb(100, 100));
    EXPECT_EQ(0u, px.Rgb(102, 95));
}

TEST_F(Renderer, ReadPixelsPutsTheTopRowFirstAndChecksItsBounds) {
    g->SetColor(255, 0, 0);
    g->DrawRect(0, 0, 4, 1);  // top row red
    g->SetColor(0, 0, 255);
    g->DrawRect(0, 1, 4, 1);  // second row blue

    // 4 x 2 into an array with pitch 5, starting at 1.
    Array<int> px(11);
    for (int i = 0; i < 11; ++i) px[i] = 7;
    g->ReadPixels(px, 0, 0, 4, 2, 1, 5);
    EXPECT_EQ(7, px[0]);
    EXPECT_EQ(static_cast<int>(0xFFFF0000u), px[1]);
    EXPECT_EQ(static_cast<int>(0xFFFF0000u), px[4]);
    EXPECT_EQ(7, px[5]);
    EXPECT_EQ(static_cast<int>(0xFF0000FFu), px[6]);
    EXPECT_EQ(static_cast<int>(0xFF0000FFu), px[9]);
    EXPECT_EQ(7, px[10]);

    // Ranges outside the array read nothing.
    for (int i = 0; i < 11; ++i) px[i] = 7;
    g->ReadPixels(px, 0, 0, 4, 2, 3, 5);  // the last row would end past the array
    g->ReadPixels(px, 0, 0, 4, 3, 0, 4);
    g->ReadPixels(px, 0, 0, 4, 2, -1, 5);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(7, px[i]) << i;

    // A negative pitch stores the rows bottom-up: top row at 6..9, second row at 1..4.
    g->ReadPixels(px, 0, 0, 4, 2, 6, -5);
    EXPECT_EQ(static_cast<int>(0xFFFF0000u), px[6]);
    EXPECT_EQ(static_cast<int>(0xFFFF0000u), px[9]);
    EXPECT_EQ(static_cast<int>(0xFF0000FFu), px[1]);
    EXPECT_EQ(7, px[5]);
}

}  // namespace
