// Surfaces: decoding with stb_image, premultiplied retained pixels, lazy textures per context,
// the power-of-two fallback, pixel writes, and textures rebuilt after the window is re-created.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "native/gxtk_graphics.h"
#include "tests/native/graphics/gl_test_support.h"

using namespace gltest;

namespace {

using Texels = std::vector<unsigned char>;

class Surfaces : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = TempDir("surfaces");
        // 4 x 2 images; pixel (x, y) gets distinct values so that orientation shows.
        Texels grey, greyAlpha, rgb, rgba, big;
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
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 100; ++x)
                big.insert(big.end(),
                           {static_cast<unsigned char>(x * 2), static_cast<unsigned char>(y * 4), 0, 255});
        WritePng(dir + "/grey.png", 4, 2, 1, grey);
        WritePng(dir + "/greyalpha.png", 4, 2, 2, greyAlpha);
        WritePng(dir + "/rgb.png", 4, 2, 3, rgb);
        WritePng(dir + "/rgba.png", 4, 2, 4, rgba);
        WritePng(dir + "/big.png", 100, 60, 4, big);
    }
    static void TearDownTestSuite() { Shell("rm -rf '" + dir + "'"); }

    void SetUp() override {
        ASSERT_NE(nullptr, Host());
        g = new gxtkGraphics();
        StartFrame(g);
    }
    void TearDown() override {
        g->EndRender();
        gxtkSurface::forcePowerOfTwo = false;
    }

    gxtkSurface* Load(const char* name) { return g->LoadSurface(String((dir + "/" + name).c_str())); }
    static std::vector<int> FirstTexel(gxtkSurface* s) {
        return {s->pixels[0], s->pixels[1], s->pixels[2], s->pixels[3]};
    }

    inline static std::string dir;
    gxtkGraphics* g = nullptr;
};

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

    g->DrawSurface(grey, 0, 0);
    g->DrawSurface(greyAlpha, 10, 0);
    g->DrawSurface(rgb, 20, 0);
    g->DrawSurface(rgba, 30, 0);
    g->EndRender();
    Pixels px = Read(g);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            int v = 40 + 50 * x + 20 * y, l = v * (255 - 60 * x) / 255, ra = 128 + 40 * x - 100 * y;
            EXPECT_EQ(OverBlack(v, v, v), px.At(x, y));
            EXPECT_EQ(OverBlack(l, l, l), px.At(10 + x, y));
            EXPECT_EQ(OverBlack(v, 255 - v, 10 * y), px.At(20 + x, y));
            EXPECT_EQ(OverBlack(200 * ra / 255, 100 * ra / 255, 50 * ra / 255), px.At(30 + x, y));
        }
    }
    ExpectSpots(px, {{4, 0, 0}, {0, 2, 0}});
}

TEST_F(Surfaces, SubRectanglesAddressExactTexelsWithAndWithoutPowerOfTwoTextures) {
    for (bool pow2 : {false, true}) {
        SCOPED_TRACE(pow2 ? "power of two" : "exact size");
        gxtkSurface::forcePowerOfTwo = pow2;
        gxtkSurface* s = Load("big.png");
        ASSERT_NE(nullptr, s);
        EXPECT_FLOAT_EQ(pow2 ? 1.0f / 128 : 1.0f / 100, s->uScale);
        StartFrame(g);
        g->DrawSurface(s, 0, 0);
        g->DrawSurface2(s, 200, 100, 90, 50, 10, 10);  // the bottom-right corner of the image
        g->EndRender();
        // Nothing of the padding is drawn.
        const std::vector<Spot> spots = {{0, 0, 0},    {99, 59, 0xC6EC00},   {50, 30, 0x647800},
                                         {100, 30, 0}, {200, 100, 0xB4C800}, {209, 109, 0xC6EC00},
                                         {210, 109, 0}};
        ExpectSpots(Read(g), spots);
    }
}

TEST_F(Surfaces, WritePixelsPremultipliesAndUpdatesTheTexture) {
    gxtkSurface* s = g->CreateSurface(4, 3);
    EXPECT_EQ(nullptr, s->pixels);
    Array<int> src(1 + 4 * 3);
    for (int i = 0; i < src.Length(); ++i)
        src[i] = static_cast<int>(0x80C86432u);  // A 128, R 200, G 100, B 50
    g->WritePixels2(s, src, 0, 0, 4, 3, 1, 4);   // whole rows at once
    ASSERT_NE(nullptr, s->pixels);
    EXPECT_EQ((std::vector<int>{100, 50, 25, 128}), FirstTexel(s));
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
    ExpectSpots(Read(g),
                {{0, 0, 0x643219}, {1, 1, 0x00FF00}, {2, 1, 0x0000FF}, {3, 1, 0x643219}, {3, 2, 0x643219}});

    // A surface's first write zeroes what it leaves out, whatever the heap held before.
    const size_t bytes = 16 * 16 * 4;
    void* dirty = std::malloc(bytes);
    std::memset(dirty, 0xAB, bytes);
    std::free(dirty);
    gxtkSurface* fresh = g->CreateSurface(16, 16);
    g->WritePixels2(fresh, src, 0, 0, 1, 1, 0, 1);
    EXPECT_EQ(std::count(fresh->pixels + 4, fresh->pixels + bytes, 0), static_cast<long>(bytes - 4));

    gxtkSurface* grey = Load("grey.png");
    unsigned char before = grey->pixels[0];
    EXPECT_FALSE(grey->SetSubData(0, 0, 1, 1, src.Data(), 1)) << "only RGBA surfaces take pixel writes";
    EXPECT_EQ(before, grey->pixels[0]);
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
    EXPECT_EQ(oldSeq, idle->contextSeq) << "a surface not drawn keeps its stale texture";
    Pixels px = Read(g);
    EXPECT_EQ(OverBlack(100, 50, 25), px.At(0, 0));
    EXPECT_EQ(OverBlack(100, 50, 25), px.At(10, 0));
    EXPECT_EQ(OverBlack(200 * 28 / 255, 100 * 28 / 255, 50 * 28 / 255), px.At(10, 1));

    // Discarding a stale surface deletes no texture of the new context but frees the pixels;
    // discarding a live one deletes its texture.
    idle->Discard();
    EXPECT_EQ(nullptr, idle->pixels);
    unsigned int texture = drawn->texture;
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(0, drawn->Discard());
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(nullptr, drawn->pixels);
    EXPECT_EQ(0, drawn->Discard()) << "twice is harmless";
}

}  // namespace
