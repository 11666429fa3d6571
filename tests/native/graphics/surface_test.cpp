// Surfaces: decoding with stb_image, premultiplied retained pixels, lazy textures per context,
// the power-of-two fallback, pixel writes, and textures rebuilt after the window is re-created.
#include <gtest/gtest.h>

#include <cstring>

#include "native/gxtk_graphics.h"
#include "tests/native/graphics/gl_test_support.h"

using namespace gltest;

namespace {

class Surfaces : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new std::string(TempDir("surfaces"));
        // 4 x 2 images; pixel (x, y) gets distinct values so that orientation shows.
        std::vector<unsigned char> grey, greyAlpha, rgb, rgba;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 4; ++x) {
                unsigned char v = static_cast<unsigned char>(40 + 50 * x + 20 * y);
                grey.push_back(v);
                greyAlpha.insert(greyAlpha.end(), {v, static_cast<unsigned char>(255 - 60 * x)});
                rgb.insert(rgb.end(),
                           {v, static_cast<unsigned char>(255 - v), static_cast<unsigned char>(10 * y)});
                rgba.insert(rgba.end(), {200, 100, 50, static_cast<unsigned char>(128 + 40 * x - 100 * y)});
            }
        }
        WritePng(*dir + "/grey.png", 4, 2, 1, grey);
        WritePng(*dir + "/greyalpha.png", 4, 2, 2, greyAlpha);
        WritePng(*dir + "/rgb.png", 4, 2, 3, rgb);
        WritePng(*dir + "/rgba.png", 4, 2, 4, rgba);
        std::vector<unsigned char> big(100 * 60 * 4);
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 100; ++x) {
                unsigned char* p = &big[(y * 100 + x) * 4];
                p[0] = static_cast<unsigned char>(x * 2);
                p[1] = static_cast<unsigned char>(y * 4);
                p[2] = 0;
                p[3] = 255;
            }
        }
        WritePng(*dir + "/big.png", 100, 60, 4, big);
        FILE* f = fopen((*dir + "/broken.png").c_str(), "wb");
        fputs("not an image", f);
        fclose(f);
    }

    static void TearDownTestSuite() {
        RemoveDir(*dir);
        delete dir;
    }

    void SetUp() override {
        ASSERT_NE(nullptr, Host());
        g = new gxtkGraphics();
        StartFrame(g);
    }
    void TearDown() override {
        g->EndRender();
        gxtkSurface::forcePowerOfTwo = false;
    }

    gxtkSurface* Load(const char* name) { return g->LoadSurface(String((*dir + "/" + name).c_str())); }

    static std::string* dir;
    gxtkGraphics* g = nullptr;
};

std::string* Surfaces::dir = nullptr;

// The 0xAARRGGBB value a premultiplied texel leaves over black.
uint32_t OverBlack(int r, int gr, int b) {
    return 0xFF000000u | (r << 16) | (gr << 8) | b;
}

TEST_F(Surfaces, DecodesEachComponentCountAndDrawsPremultipliedTexels) {
    gxtkSurface* grey = Load("grey.png");
    gxtkSurface* greyAlpha = Load("greyalpha.png");
    gxtkSurface* rgb = Load("rgb.png");
    gxtkSurface* rgba = Load("rgba.png");
    ASSERT_TRUE(grey && greyAlpha && rgb && rgba);
    EXPECT_EQ(1, grey->depth);
    EXPECT_EQ(2, greyAlpha->depth);
    EXPECT_EQ(3, rgb->depth);
    EXPECT_EQ(4, rgba->depth);
    EXPECT_EQ(4, rgba->Width());
    EXPECT_EQ(2, rgba->Height());
    EXPECT_EQ(glfwGraphicsSeq, rgba->contextSeq) << "LoadSurface makes the texture at once";

    // R = 200 at A = 128 is stored as 100 (200 * 128 / 255 = 100.39, truncated).
    EXPECT_EQ((std::vector<int>{100, 50, 25, 128}),
              (std::vector<int>{rgba->pixels[0], rgba->pixels[1], rgba->pixels[2], rgba->pixels[3]}));

    g->DrawSurface(grey, 0, 0);
    g->DrawSurface(greyAlpha, 10, 0);
    g->DrawSurface(rgb, 20, 0);
    g->DrawSurface(rgba, 30, 0);
    g->EndRender();
    Pixels px = Read(g);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            int v = 40 + 50 * x + 20 * y;
            int a = 255 - 60 * x;
            int ra = 128 + 40 * x - 100 * y;
            EXPECT_EQ(OverBlack(v, v, v), px.At(x, y)) << x << "," << y;
            int l = v * a / 255;
            EXPECT_EQ(OverBlack(l, l, l), px.At(10 + x, y)) << x << "," << y;
            EXPECT_EQ(OverBlack(v, 255 - v, 10 * y), px.At(20 + x, y)) << x << "," << y;
            EXPECT_EQ(OverBlack(200 * ra / 255, 100 * ra / 255, 50 * ra / 255), px.At(30 + x, y))
                << x << "," << y;
        }
    }
    EXPECT_EQ(0u, px.Rgb(4, 0));
    EXPECT_EQ(0u, px.Rgb(0, 2));
}

TEST_F(Surfaces, MissingOrUndecodableFilesGiveNull) {
    EXPECT_EQ(nullptr, Load("nothing-here.png"));
    EXPECT_EQ(nullptr, Load("broken.png"));
    gxtkSurface* s = new gxtkSurface();
    EXPECT_FALSE(g->LoadSurface__UNSAFE__(s, String("zorbin://nowhere/x.png")));
    EXPECT_EQ(nullptr, s->pixels);
}

TEST_F(Surfaces, SubRectanglesAddressExactTexelsWithAndWithoutPowerOfTwoTextures) {
    for (bool pow2 : {false, true}) {
        SCOPED_TRACE(pow2 ? "power of two" : "exact size");
        gxtkSurface::forcePowerOfTwo = pow2;
        gxtkSurface* s = Load("big.png");
        ASSERT_NE(nullptr, s);
        EXPECT_FLOAT_EQ(pow2 ? 1.0f / 128 : 1.0f / 100, s->uScale);
        EXPECT_FLOAT_EQ(pow2 ? 1.0f / 64 : 1.0f / 60, s->vScale);
        StartFrame(g);
        g->DrawSurface(s, 0, 0);
        g->DrawSurface2(s, 200, 100, 90, 50, 10, 10);  // the bottom-right corner of the image
        g->EndRender();
        Pixels px = Read(g);
        EXPECT_EQ(OverBlack(0, 0, 0), px.At(0, 0));
        EXPECT_EQ(OverBlack(198, 236, 0), px.At(99, 59));
        EXPECT_EQ(OverBlack(100, 120, 0), px.At(50, 30));
        EXPECT_EQ(0u, px.Rgb(100, 30)) << "nothing of the padding is drawn";
        EXPECT_EQ(OverBlack(180, 200, 0), px.At(200, 100));
        EXPECT_EQ(OverBlack(198, 236, 0), px.At(209, 109));
        EXPECT_EQ(0u, px.Rgb(210, 109));
    }
}

TEST_F(Surfaces, WritePixelsPremultipliesAndUpdatesTheTexture) {
    gxtkSurface* s = g->CreateSurface(4, 3);
    EXPECT_EQ(4, s->depth);
    EXPECT_EQ(nullptr, s->pixels);
    Array<int> src(1 + 4 * 3);
    for (int i = 0; i < src.Length(); ++i)
        src[i] = static_cast<int>(0x80C86432u);  // A 128, R 200, G 100, B 50
    g->WritePixels2(s, src, 0, 0, 4, 3, 1, 4);   // whole rows at once
    ASSERT_NE(nullptr, s->pixels);
    EXPECT_EQ((std::vector<int>{100, 50, 25, 128}),
              (std::vector<int>{s->pixels[0], s->pixels[1], s->pixels[2], s->pixels[3]}));
    src[0] = static_cast<int>(0xFF00FF00u);
    src[1] = static_cast<int>(0xFF0000FFu);
    g->WritePixels2(s, src, 1, 1, 2, 1, 0, 2);  // part of one row: (1, 1) green, (2, 1) blue

    // Rectangles outside the surface or the array are ignored.
    g->WritePixels2(s, src, 3, 0, 2, 1, 0, 2);
    g->WritePixels2(s, src, -1, 0, 1, 1, 0, 1);
    g->WritePixels2(s, src, 0, 0, 4, 3, 2, 4);
    EXPECT_FALSE(s->SetSubData(0, 2, 1, 2, src.Data(), 1));

    StartFrame(g);
    g->DrawSurface(s, 0, 0);
    g->EndRender();
    Pixels px = Read(g);
    EXPECT_EQ(OverBlack(100, 50, 25), px.At(0, 0));
    EXPECT_EQ(OverBlack(0, 255, 0), px.At(1, 1));
    EXPECT_EQ(OverBlack(0, 0, 255), px.At(2, 1));
    EXPECT_EQ(OverBlack(100, 50, 25), px.At(3, 1));
    EXPECT_EQ(OverBlack(100, 50, 25), px.At(3, 2));

    gxtkSurface* grey = Load("grey.png");
    unsigned char before = grey->pixels[0];
    EXPECT_FALSE(grey->SetSubData(0, 0, 1, 1, src.Data(), 1)) << "only RGBA surfaces take pixel writes";
    EXPECT_EQ(before, grey->pixels[0]);
}

TEST_F(Surfaces, SurfaceMadeBeforeAnyContextGetsItsTextureAtFirstDraw) {
    int seq = glfwGraphicsSeq;
    glfwGraphicsSeq = 0;  // as before the window opens
    gxtkSurface* s = g->CreateSurface(2, 2);
    Array<int> src(4);
    for (int i = 0; i < 4; ++i) src[i] = static_cast<int>(0xFFFF8000u);
    EXPECT_TRUE(s->SetSubData(0, 0, 2, 2, src.Data(), 2));
    glfwGraphicsSeq = seq;
    EXPECT_EQ(-1, s->contextSeq);
    EXPECT_EQ(0.0f, s->uScale);

    g->DrawSurface(s, 5, 5);
    EXPECT_EQ(seq, s->contextSeq);
    EXPECT_FLOAT_EQ(1.0f, g->Vertices()[2].u) << "texture coordinates use the new texture's scales";
    g->EndRender();
    Pixels px = Read(g);
    EXPECT_EQ(OverBlack(255, 128, 0), px.At(5, 5));
    EXPECT_EQ(OverBlack(255, 128, 0), px.At(6, 6));
}

TEST_F(Surfaces, DiscardReleasesTextureAndPixels) {
    gxtkSurface* s = Load("rgba.png");
    unsigned int texture = s->texture;
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(0, s->Discard());
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(-1, s->contextSeq);
    EXPECT_EQ(nullptr, s->pixels);
    EXPECT_EQ(0, s->Discard()) << "twice is harmless";
}

// Runs last in this program: it replaces the window and its context.
TEST_F(Surfaces, ZZ_TexturesAreRebuiltAfterTheWindowIsRecreated) {
    gxtkSurface* drawn = Load("rgba.png");
    gxtkSurface* idle = Load("rgb.png");
    int oldSeq = glfwGraphicsSeq;
    g->DrawSurface(drawn, 0, 0);
    g->EndRender();
    ASSERT_EQ(OverBlack(100, 50, 25), Read(g).At(0, 0));

    Host()->SetGlfwWindow(kWidth, kHeight, 8, 8, 8, 0, 0, 0, false);
    ASSERT_EQ(oldSeq + 1, glfwGraphicsSeq);
    EXPECT_FALSE(drawn->TextureLive());

    StartFrame(g);
    g->DrawSurface(drawn, 0, 0);
    g->DrawSurface(drawn, 10, 0);
    g->EndRender();
    EXPECT_EQ(glfwGraphicsSeq, drawn->contextSeq);
    EXPECT_EQ(oldSeq, idle->contextSeq) << "a surface not drawn keeps its stale texture";
    Pixels px = Read(g);
    EXPECT_EQ(OverBlack(100, 50, 25), px.At(0, 0));
    EXPECT_EQ(OverBlack(100, 50, 25), px.At(10, 0));
    EXPECT_EQ(OverBlack(200 * 28 / 255, 100 * 28 / 255, 50 * 28 / 255), px.At(10, 1));

    // Discarding a stale surface deletes no texture of the new context but frees the pixels.
    idle->Discard();
    EXPECT_EQ(nullptr, idle->pixels);
    EXPECT_TRUE(glIsTexture(drawn->texture));
}

}  // namespace
