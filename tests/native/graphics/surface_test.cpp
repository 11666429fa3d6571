// Surfaces and atlas pages, drawn into a real OpenGL context and read back: decoding with stb_image
// into premultiplied texels, the power-of-two fallback, pixel writes; loaded images sharing one page
// and one batch with the very pixels textures of their own give, decoded beside the game without
// keeping their pixels; and everything drawn again after the window is re-created.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "native/gxtk_atlas.h"
#include "native/gxtk_graphics.h"
#include "tests/native/graphics/gl_test_support.h"

using namespace gltest;

namespace {

struct Image {
    const char* name;
    int w, h, comp;
};
// Sizes that are and are not powers of two, every component count, and a strip too thin for a page.
const Image kImages[] = {{"a.png", 64, 32, 4}, {"b.png", 40, 40, 1},   {"c.png", 100, 60, 3},
                         {"d.png", 48, 48, 2}, {"e.png", 128, 128, 4}, {"strip.png", 90, 9, 4}};
constexpr int kCount = sizeof kImages / sizeof kImages[0];

// Component `c` of pixel (x, y) of every image: distinct enough that orientation shows.
int Texel(int x, int y, int c) {
    return (x * 37 + y * 91 + c * 71 + (x ^ y) * 13) & 255;
}

// The 0xRRGGBB a pixel of an image leaves over black: grey for one or two components, then
// premultiplied by the alpha of two or four.
uint32_t OverBlack(const Image& im, int x, int y) {
    const int alpha = im.comp % 2 == 0 ? Texel(x, y, im.comp - 1) : 255;
    uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) rgb = rgb << 8 | Texel(x, y, im.comp < 3 ? 0 : c) * alpha / 255;
    return rgb;
}

// The pixels of `im` drawn at (left, 0) over black that are not its texels, with the column and row
// past it, which stay black.
int Mismatches(const Pixels& px, const Image& im, int left) {
    int wrong = 0;
    for (int y = 0; y <= im.h; ++y)
        for (int x = 0; x <= im.w; ++x)
            wrong += px.Rgb(left + x, y) != (x < im.w && y < im.h ? OverBlack(im, x, y) : 0);
    return wrong;
}

class Surfaces : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = TempDir("surfaces");
        for (const Image& im : kImages) {
            std::vector<unsigned char> px;
            for (int y = 0; y < im.h; ++y)
                for (int x = 0; x < im.w; ++x)
                    for (int c = 0; c < im.comp; ++c)
                        px.push_back(static_cast<unsigned char>(Texel(x, y, c)));
            WritePng(dir + "/" + im.name, im.w, im.h, im.comp, px);
        }
    }
    static void TearDownTestSuite() { Shell("rm -rf '" + dir + "'"); }

    void SetUp() override {
        ASSERT_NE(nullptr, Host());
        g = new gxtkGraphics();
    }
    void TearDown() override { gxtkSurface::forcePowerOfTwo = false; }

    gxtkSurface* Load(const char* name) { return g->LoadSurface(String((dir + "/" + name).c_str())); }

    // Every image whole, its corners, rotated, scaled up and down, mirrored and as a polygon, images
    // taken in turn; the window's pixels afterwards. The scales put no pixel centre exactly on a
    // border between two texels, where nearest sampling may go either way by a rounding error.
    Pixels DrawScene(gxtkSurface* const* s, int n) {
        StartFrame(g, 20, 40, 60);
        for (int pass = 0; pass < 2; ++pass) {  // the quads, then the polygons
            for (int i = 0; i < n; ++i) {
                const float x = static_cast<float>(10 + 150 * (i % 4)),
                            y = static_cast<float>(10 + 230 * (i / 4));
                const int w = s[i]->Width(), h = s[i]->Height();
                g->SetMatrix(1, 0, 0, 1, 0, 0);
                if (pass == 1) {
                    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
                    const float v[12] = {x, y + 200,          0, 0, x + 2 * fw, y + 200, fw, 0,
                                         x, y + 200 + 2 * fh, 0, fh};
                    Array<float> tri(12);
                    for (int k = 0; k < 12; ++k) tri[k] = v[k];
                    g->DrawPoly2(tri, s[i], 0, 0);
                    continue;
                }
                g->DrawSurface(s[i], x, y);
                g->DrawSurface2(s[i], x, y + 70, w - 7, h - 5, 7, 5);
                g->SetMatrix(0.4f, 0, 0, 0.4f, x, y + 90);
                g->DrawSurface(s[i], 0, 0);
                g->SetMatrix(-2, 0, 0, 2, x + 140, y + 90);
                g->DrawSurface2(s[i], 0, 0, 0, 0, w / 2, h / 2);
                g->SetMatrix(0.866f, 0.5f, -0.5f, 0.866f, x + 60, y + 150);
                g->DrawSurface(s[i], -w / 2.0f, -h / 2.0f);
            }
        }
        g->EndRender();
        return Read(g);
    }

    static int Differences(const Pixels& a, const Pixels& b) {
        int n = 0;
        for (int i = 0; i < a.data.Length(); ++i) n += a.data[i] != b.data[i];
        return n;
    }

    inline static std::string dir;
    gxtkGraphics* g = nullptr;
};

// Each image of one to four components at its place, every pixel and nothing around it, and the
// corner of one, with textures of the images' own size and padded to powers of two.
TEST_F(Surfaces, DecodesEachComponentCountAndDrawsPremultipliedTexelsWithAndWithoutPowerOfTwoTextures) {
    const Image& im = kImages[2];  // 100 x 60
    for (bool pow2 : {false, true}) {
        SCOPED_TRACE(pow2 ? "power of two" : "exact size");
        gxtkSurface::forcePowerOfTwo = pow2;
        gxtkSurface* s[4];
        for (int i = 0; i < 4; ++i) ASSERT_NE(nullptr, s[i] = Load(kImages[i].name));
        EXPECT_FLOAT_EQ(pow2 ? 1.0f / 128 : 1.0f / 100, s[2]->uScale);
        StartFrame(g);
        for (int i = 0; i < 4; ++i) g->DrawSurface(s[i], 110.0f * i, 0);
        g->DrawSurface2(s[2], 200, 100, 90, 50, 10, 10);  // the bottom-right corner
        g->EndRender();
        const Pixels px = Read(g);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(0, Mismatches(px, kImages[i], 110 * i)) << kImages[i].name;
        ExpectSpots(px, {{200, 100, OverBlack(im, 90, 50)},
                         {209, 109, OverBlack(im, 99, 59)},
                         {210, 109, 0},
                         {200, 110, 0}});
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
    EXPECT_EQ((std::vector<int>{100, 50, 25, 128}), std::vector<int>(s->pixels, s->pixels + 4));
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

    // A surface's first write zeroes what it leaves out (the sanitizer build fills fresh memory).
    const size_t bytes = 16 * 16 * 4;
    gxtkSurface* fresh = g->CreateSurface(16, 16);
    g->WritePixels2(fresh, src, 0, 0, 1, 1, 0, 1);
    EXPECT_EQ(std::count(fresh->pixels + 4, fresh->pixels + bytes, 0), static_cast<long>(bytes - 4));

    gxtkSurface* grey = Load("b.png");
    unsigned char before = grey->pixels[0];
    EXPECT_FALSE(grey->SetSubData(0, 0, 1, 1, src.Data(), 1)) << "only RGBA surfaces take pixel writes";
    EXPECT_EQ(before, grey->pixels[0]);
}

TEST_F(Surfaces, AtlasPagesDrawTheSamePixelsInOneBatchWithoutKeepingDecodedPixels) {
    gxtkSurface* own[kCount];
    gxtkSurface* shared[kCount];
    for (int i = 0; i < kCount; ++i) own[i] = Load(kImages[i].name);
    const Pixels expected = DrawScene(own, kCount);
    EXPECT_EQ(2 * kCount, g->frameDrawCalls) << "a texture of its own ends the batch at every image";

    g->atlasImages = true;
    for (int i = 0; i < kCount; ++i) {
        shared[i] = Load(kImages[i].name);
        ASSERT_NE(nullptr, shared[i]);
        EXPECT_EQ(nullptr, shared[i]->pixels) << kImages[i].name;
    }
    EXPECT_EQ(nullptr, shared[kCount - 1]->page) << "a strip keeps a texture of its own";
    for (int i = 1; i < kCount - 1; ++i) EXPECT_EQ(shared[0]->page, shared[i]->page);
    EXPECT_EQ(0, Differences(expected, DrawScene(shared, kCount)));
    EXPECT_EQ(4, g->frameDrawCalls) << "the page continues the batch across images; the strip does not";
    EXPECT_EQ(nullptr, g->LoadSurface(String((dir + "/missing.png").c_str())));

    // An image written to leaves the place it shares with other loads of its file.
    gxtkSurface* written = Load("a.png");
    EXPECT_EQ(shared[0]->originX, written->originX) << "a file loaded again shares its place";
    Array<int> red(64 * 32);
    for (int i = 0; i < red.Length(); ++i) red[i] = static_cast<int>(0xFFFF0000u);
    g->WritePixels2(written, red, 0, 0, 64, 32, 0, 64);
    gxtkSurface* again = Load("a.png");
    EXPECT_EQ(shared[0]->originX, again->originX);
    StartFrame(g, 20, 40, 60);
    g->DrawSurface(written, 0, 0);
    g->DrawSurface(again, 100, 0);
    g->DrawSurface(shared[0], 200, 0);
    g->EndRender();
    const Pixels px = Read(g);
    ExpectSpots(px, {{0, 0, 0xFF0000}, {63, 31, 0xFF0000}, {64, 31, 0x14283C}});
    EXPECT_EQ(expected.Rgb(10, 10), px.Rgb(100, 0));
    EXPECT_EQ(expected.Rgb(10, 10), px.Rgb(200, 0));

    // A file loaded again while its image lives is not decoded again: its place is taken as it is.
    Shell("mv '" + dir + "/e.png' '" + dir + "/e-gone.png'");
    gxtkSurface* reused = Load("e.png");
    ASSERT_NE(nullptr, reused);
    EXPECT_EQ(128, reused->Width());
    EXPECT_EQ(shared[4]->originY, reused->originY);
    Shell("mv '" + dir + "/e-gone.png' '" + dir + "/e.png'");
}

// Images load without decoding: the decode runs on the host's worker, and an image not yet drawn
// reaches its place on the page after a frame, with the pixels a texture of its own gives. A file
// damaged past its header loads (its header was good) and draws as transparent.
TEST_F(Surfaces, AtlasImagesAreDecodedBesideTheGameAndPlacedAfterAFrame) {
    {
        // The compressed stream's header in the first IDAT chunk made invalid.
        std::ifstream in(dir + "/e.png", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bytes[bytes.find("IDAT") + 4] = '\xff';
        std::ofstream(dir + "/damaged.png", std::ios::binary) << bytes;
    }
    g->atlasImages = true;
    gxtkSurface* late = Load(kImages[0].name);
    gxtkSurface* damaged = Load("damaged.png");
    ASSERT_TRUE(late && damaged);
    EXPECT_EQ(32, late->Height());
    EXPECT_EQ(128, damaged->Width());
    EXPECT_FALSE(late->TextureLive());

    for (int frame = 0; frame < 10000 && !(late->TextureLive() && damaged->TextureLive()); ++frame) {
        StartFrame(g);
        g->EndRender();
        usleep(1000);
    }
    EXPECT_TRUE(late->TextureLive() && damaged->TextureLive()) << "placed after frames that do not draw them";
    EXPECT_EQ(nullptr, late->pixels);
    EXPECT_EQ(nullptr, late->decode);
    StartFrame(g);
    g->DrawSurface(late, 0, 0);
    g->DrawSurface(damaged, 100, 0);
    g->EndRender();
    const Pixels shot = Read(g);
    EXPECT_EQ(0, Mismatches(shot, kImages[0], 0));
    ExpectSpots(shot, {{100, 0, 0}, {227, 127, 0}});
}

// Runs last in this program: it replaces the window and its context. Pages are rebuilt from the
// files and textures of their own from the pixels kept.
TEST_F(Surfaces, ZZ_EverythingDrawsAgainAfterTheWindowIsRecreated) {
    gxtkSurface* idle = Load("b.png");  // the first texture made, never drawn again
    gxtkSurface* s[kCount];
    s[0] = Load(kImages[0].name);  // a texture of its own
    g->atlasImages = true;
    for (int i = 1; i < kCount; ++i) s[i] = Load(kImages[i].name);
    const int oldSeq = glfwGraphicsSeq;
    const Pixels before = DrawScene(s, kCount);

    Host()->SetGlfwWindow(kWidth, kHeight, 8, 8, 8, 0, 0, 0, false);
    ASSERT_EQ(oldSeq + 1, glfwGraphicsSeq);
    EXPECT_FALSE(s[0]->TextureLive() || s[1]->TextureLive());
    EXPECT_EQ(0, Differences(before, DrawScene(s, kCount)));
    // The surface not drawn keeps its stale texture, whose name the new context may have given to
    // the first one drawn: discarding it frees its pixels and deletes no texture of the new context.
    EXPECT_EQ(oldSeq, idle->contextSeq);
    idle->Discard();
    EXPECT_EQ(nullptr, idle->pixels);
    const unsigned int texture = s[0]->texture;
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(0, s[0]->Discard());
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(nullptr, s[0]->pixels);
    EXPECT_EQ(0, s[0]->Discard()) << "twice is harmless";
}

}  // namespace
