// Atlas pages: loaded images share one texture and draw in one batch, with the very pixels they give
// on textures of their own; their decoded pixels are not kept, a file loaded again reuses its place,
// written images keep their own texels, and everything draws again after the window is re-created.
#include <gtest/gtest.h>
#include <unistd.h>

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

class Atlas : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = TempDir("atlas");
        for (const Image& im : kImages) {
            std::vector<unsigned char> px;
            for (int y = 0; y < im.h; ++y)
                for (int x = 0; x < im.w; ++x)
                    for (int c = 0; c < im.comp; ++c)
                        px.push_back(
                            static_cast<unsigned char>((x * 37 + y * 91 + c * 71 + (x ^ y) * 13) & 255));
            WritePng(dir + "/" + im.name, im.w, im.h, im.comp, px);
        }
    }
    static void TearDownTestSuite() { Shell("rm -rf '" + dir + "'"); }

    void SetUp() override {
        ASSERT_NE(nullptr, Host());
        g = new gxtkGraphics();
    }

    gxtkSurface* Load(const char* name) { return g->LoadSurface(String((dir + "/" + name).c_str())); }

    // Every image whole, its corners, rotated, scaled up and down, mirrored and as a polygon, images
    // taken in turn; the window's pixels afterwards. The scales put no pixel centre exactly on a
    // border between two texels, where nearest sampling may go either way by a rounding error.
    Pixels DrawScene(gxtkSurface* const* s, int n) {
        StartFrame(g, 20, 40, 60);
        for (int i = 0; i < n; ++i) {
            const float x = static_cast<float>(10 + 150 * (i % 4)),
                        y = static_cast<float>(10 + 230 * (i / 4));
            const int w = s[i]->Width(), h = s[i]->Height();
            g->SetMatrix(1, 0, 0, 1, 0, 0);
            g->DrawSurface(s[i], x, y);
            g->DrawSurface2(s[i], x, y + 70, w - 7, h - 5, 7, 5);
            g->SetMatrix(0.4f, 0, 0, 0.4f, x, y + 90);
            g->DrawSurface(s[i], 0, 0);
            g->SetMatrix(-2, 0, 0, 2, x + 140, y + 90);
            g->DrawSurface2(s[i], 0, 0, 0, 0, w / 2, h / 2);
            g->SetMatrix(0.866f, 0.5f, -0.5f, 0.866f, x + 60, y + 150);
            g->DrawSurface(s[i], -w / 2.0f, -h / 2.0f);
        }
        g->SetMatrix(1, 0, 0, 1, 0, 0);
        for (int i = 0; i < n; ++i) {
            const float x = static_cast<float>(10 + 150 * (i % 4)),
                        y = static_cast<float>(10 + 230 * (i / 4));
            const int w = s[i]->Width(), h = s[i]->Height();
            Array<float> tri(12);
            const float fw = static_cast<float>(w), fh = static_cast<float>(h);
            const float v[12] = {x, y + 200, 0, 0, x + 2 * fw, y + 200, fw, 0, x, y + 200 + 2 * fh, 0, fh};
            for (int k = 0; k < 12; ++k) tri[k] = v[k];
            g->DrawPoly2(tri, s[i], 0, 0);
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

TEST_F(Atlas, PagesDrawTheSamePixelsInOneBatchWithoutKeepingDecodedPixels) {
    constexpr int n = sizeof kImages / sizeof kImages[0];
    gxtkSurface* own[n];
    gxtkSurface* shared[n];
    for (int i = 0; i < n; ++i) own[i] = Load(kImages[i].name);
    const Pixels expected = DrawScene(own, n);
    EXPECT_EQ(2 * n, g->frameDrawCalls) << "a texture of its own ends the batch at every image";

    g->atlasImages = true;
    for (int i = 0; i < n; ++i) {
        shared[i] = Load(kImages[i].name);
        ASSERT_NE(nullptr, shared[i]);
        EXPECT_EQ(nullptr, shared[i]->pixels) << kImages[i].name;
    }
    EXPECT_EQ(nullptr, shared[n - 1]->page) << "a strip keeps a texture of its own";
    for (int i = 1; i < n - 1; ++i) EXPECT_EQ(shared[0]->page, shared[i]->page);
    EXPECT_EQ(0, Differences(expected, DrawScene(shared, n)));
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
TEST_F(Atlas, ImagesAreDecodedBesideTheGameAndPlacedAfterAFrame) {
    std::vector<unsigned char> px;
    for (int i = 0; i < 80 * 70; ++i)
        px.insert(px.end(), {static_cast<unsigned char>(i * 7), static_cast<unsigned char>(i / 80 * 3), 200,
                             static_cast<unsigned char>(255 - i % 80)});
    WritePng(dir + "/late.png", 80, 70, 4, px);
    {
        // The compressed stream's header in the first IDAT chunk made invalid.
        std::ifstream in(dir + "/e.png", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bytes[bytes.find("IDAT") + 4] = '\xff';
        std::ofstream(dir + "/damaged.png", std::ios::binary) << bytes;
    }
    gxtkSurface* own = Load("late.png");
    g->atlasImages = true;
    gxtkSurface* late = Load("late.png");
    gxtkSurface* damaged = Load("damaged.png");
    ASSERT_TRUE(own && late && damaged);
    EXPECT_EQ(70, late->Height());
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
    StartFrame(g, 20, 40, 60);
    g->DrawSurface(own, 0, 0);
    g->DrawSurface(late, 100, 0);
    g->DrawSurface(damaged, 200, 0);
    g->EndRender();
    const Pixels shot = Read(g);
    for (int y = 0; y < 70; y += 3)
        for (int x = 0; x < 80; x += 3) ASSERT_EQ(shot.Rgb(x, y), shot.Rgb(100 + x, y)) << x << "," << y;
    ExpectSpots(shot, {{200, 0, 0x14283C}, {327, 127, 0x14283C}});
}

// Runs last in this program: it replaces the window and its context.
TEST_F(Atlas, ZZ_PagesAreRebuiltFromTheFilesAfterTheWindowIsRecreated) {
    constexpr int n = sizeof kImages / sizeof kImages[0];
    gxtkSurface* s[n];
    g->atlasImages = true;
    for (int i = 0; i < n; ++i) s[i] = Load(kImages[i].name);
    gxtkSurface* written = g->CreateSurface(4, 4);
    Array<int> blue(16);
    for (int i = 0; i < 16; ++i) blue[i] = static_cast<int>(0xFF0000FFu);
    g->WritePixels2(written, blue, 0, 0, 4, 4, 0, 4);
    const Pixels before = DrawScene(s, n);

    Host()->SetGlfwWindow(kWidth, kHeight, 8, 8, 8, 0, 0, 0, false);
    EXPECT_FALSE(s[0]->TextureLive());
    EXPECT_EQ(0, Differences(before, DrawScene(s, n)));
    StartFrame(g);
    g->DrawSurface(written, 0, 0);
    g->EndRender();
    EXPECT_EQ(0x0000FFu, Read(g).Rgb(3, 3));
}

}  // namespace
