// Runs the data generator into a scratch folder and checks the tree it writes: every image loads
// through the graphics module with exactly the frames the game's loader cuts at each resolution,
// every sound decodes through the audio loader, the art keeps the rules the game draws it by, and
// the output is reproducible byte for byte.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/graphics.h"
#include "host/files.h"
#include "tests/native/graphics/gl_test_support.h"

namespace fs = std::filesystem;

namespace {

struct Sheet {
    std::string name;
    int fw, fh, frames;        // frame size in level-1 pixels, frame count
    std::set<int> mayBeEmpty;  // frames without artwork (the space glyph, unused font cells)
};

// The loader's asset table.
const std::vector<Sheet> kSheets = {
    {"common/icons", 32, 32, 16, {}},
    {"common/Buttons", 64, 64, 16, {}},
    {"common/dpad", 32, 32, 16, {}},
    {"common/KemoLogo", 256, 256, 1, {}},
    {"common/Testcard_Circle", 256, 256, 1, {}},
    {"fonts/editundo", 16, 16, 128, {0, 95, 109, 110, 111, 125, 126, 127}},
    {"menu", 256, 256, 4, {}},
    {"logo", 256, 128, 1, {}},
    {"parts", 8, 8, 256, {}},
    {"BadgesA", 64, 64, 64, {}},
    {"bad", 32, 16, 128, {}},
    {"gfx", 32, 32, 64, {}},
    {"flash", 64, 64, 16, {}},
};
const int kLevels[3] = {1, 2, 4};
const std::string kSuffix[3] = {"", "-hd", "-hd2"};

struct Image {
    int w = 0, h = 0;
    std::vector<uint8_t> px;  // RGBA
    const uint8_t* at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
    // Frame f's corner: the loader cuts left to right, then top to bottom.
    std::pair<int, int> frame(int fw, int fh, int f) const { return {f % (w / fw) * fw, f / (w / fw) * fh}; }
};

Image loadPng(const fs::path& p) {
    Image im;
    int n = 0;
    if (unsigned char* d = stbi_load(p.c_str(), &im.w, &im.h, &n, 4)) {
        im.px.assign(d, d + size_t(im.w) * im.h * 4);
        stbi_image_free(d);
    }
    return im;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int run(const std::string& args) {
    return std::system((std::string(ZARNOK_BINARY_DIR) + "/zarnok-datagen " + args).c_str());
}

class DataTree : public ::testing::Test {
  protected:
    // One generated tree shared by the test processes (each test runs in its own process); the
    // generator itself skips the work when the tree is current.
    static void SetUpTestSuite() { status_ = run("--out " + data().string() + " --if-stale"); }
    void SetUp() override { ASSERT_EQ(status_, 0); }
    static fs::path data() { return fs::path(ZARNOK_BINARY_DIR) / "tests" / "datagen-tree" / "data"; }
    static Image load(const std::string& name, int li) {
        return loadPng(data() / (name + kSuffix[li] + ".png"));
    }
    // Graphics module calls run with the tree's folder as working directory, as the game runs.
    static void InTree() {
        ASSERT_NE(nullptr, gltest::Host());
        fs::current_path(data().parent_path());
        vx_graphics_SetGraphicsDevice(new gxtkGraphics());
        vx_graphics_context = (new c_GraphicsContext())->m_new();
    }
    static inline int status_ = -1;
};

TEST_F(DataTree, TheGraphicsModuleLoadsEveryImageAsTheGameCutsIt) {
    InTree();
    for (const Sheet& s : kSheets) {
        int baseW = 0, baseH = 0;
        for (int li = 0; li < 3; ++li) {
            const int L = kLevels[li], fw = s.fw * L, fh = s.fh * L;
            SCOPED_TRACE(s.name + kSuffix[li]);
            const Image png = load(s.name, li);
            ASSERT_GT(png.w, 0) << "missing or undecodable";
            if (li == 0) baseW = png.w, baseH = png.h;
            // The higher levels are the same sheet at twice and four times the pixels, whole frames across.
            EXPECT_EQ(png.w, baseW * L);
            EXPECT_EQ(png.h, baseH * L);
            ASSERT_EQ(png.w % fw, 0);
            ASSERT_LE(png.frame(fw, fh, s.frames - 1).second + fh, png.h) << "a frame falls outside";
            // As the game's loader: frame size times the level, the handle at the frame's centre.
            c_Image* im =
                vx_graphics_LoadImage2(String((s.name + kSuffix[li] + ".png").c_str()), fw, fh, s.frames, 1);
            ASSERT_NE(nullptr, im);
            ASSERT_EQ(im->f_frames.Length(), s.frames);
            EXPECT_EQ(im->f_width, fw);
            EXPECT_EQ(im->f_height, fh);
            EXPECT_EQ(im->f_handleX, fw / 2.f);
            EXPECT_EQ(im->f_handleY, fh / 2.f);
            for (int f = 0; f < s.frames; ++f) {
                const auto [x0, y0] = png.frame(fw, fh, f);
                EXPECT_EQ(im->f_frames[f]->f_x, x0) << "frame " << f;
                EXPECT_EQ(im->f_frames[f]->f_y, y0) << "frame " << f;
                if (s.mayBeEmpty.count(f)) continue;
                int ink = 0;  // every frame the game draws carries artwork
                for (int y = 0; y < fh; ++y)
                    for (int x = 0; x < fw; ++x) ink += png.at(x0 + x, y0 + y)[3] > 8;
                EXPECT_GT(ink, 0) << "frame " << f << " is empty";
            }
        }
    }
    // The default font: 96 cells in one strip, each losing its blank outer column on either side.
    vx_graphics_context->f_defaultFont = nullptr;
    vx_graphics_SetFont(nullptr, 0);
    c_Image* font = vx_graphics_context->f_font;
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(font->f_frames.Length(), 96);
    EXPECT_EQ(font->f_width, font->f_surface->Width() / 96 - 2);
    const Image strip = loadPng(data() / "tavo_font.png");
    const int cw = strip.w / 96;
    int inked = 0;
    for (int c = 0; c < 96; ++c) {
        int ink = 0;
        for (int y = 0; y < strip.h; ++y) {
            EXPECT_EQ(strip.at(c * cw, y)[3] | strip.at(c * cw + cw - 1, y)[3], 0) << "cell " << c;
            for (int x = 1; x < cw - 1; ++x) ink += strip.at(c * cw + x, y)[3] > 8;
        }
        inked += ink > 0;
    }
    EXPECT_EQ(inked, 94);  // every printable character but the space (and cell 95, DEL)
}

TEST_F(DataTree, HigherResolutionsCarryRealDetail) {
    // An enlargement would repeat each pixel in 2 x 2 blocks; drawn art differs within blocks.
    for (const char* name : {"gfx", "bad", "fonts/editundo", "logo", "common/icons"}) {
        const Image im = load(name, 1);
        ASSERT_GT(im.w, 0) << name;
        int blocks = 0, detailed = 0;
        for (int y = 0; y + 1 < im.h; y += 2)
            for (int x = 0; x + 1 < im.w; x += 2) {
                const uint8_t* a = im.at(x, y);
                if (a[3] == 0) continue;
                ++blocks;
                for (auto [dx, dy] : {std::pair{1, 0}, {0, 1}, {1, 1}}) {
                    const uint8_t* b = im.at(x + dx, y + dy);
                    if (std::abs(a[3] - b[3]) > 12 || std::abs(a[0] - b[0]) > 12) {
                        ++detailed;
                        break;
                    }
                }
            }
        EXPECT_GT(detailed, blocks / 20) << name << ": " << detailed << " of " << blocks << " blocks";
    }
}

TEST_F(DataTree, EnemiesAreMirrorSymmetricAndEveryKindDiffers) {
    for (int li = 0; li < 3; ++li) {
        const int fw = 32 * kLevels[li], fh = 16 * kLevels[li];
        const Image im = load("bad", li);
        ASSERT_GT(im.w, 0);
        auto px = [&](int f, int x, int y, int k) {
            const auto [x0, y0] = im.frame(fw, fh, f);
            return int(im.at(x0 + x, y0 + y)[k]);
        };
        for (int f = 0; f < 128; ++f) {
            int worst = 0;
            for (int y = 0; y < fh; ++y)
                for (int x = 0; x < fw / 2; ++x)
                    for (int k = 0; k < 4; ++k)
                        worst = std::max(worst, std::abs(px(f, x, y, k) - px(f, fw - 1 - x, y, k)));
            EXPECT_LE(worst, 3) << "level " << kLevels[li] << " frame " << f;
        }
        if (li > 0) continue;
        // The first frames of any two kinds differ clearly.
        for (int a = 0; a < 32; ++a)
            for (int b = a + 1; b < 32; ++b) {
                long diff = 0;
                for (int y = 0; y < fh; ++y)
                    for (int x = 0; x < fw; ++x)
                        for (int k = 0; k < 4; ++k) diff += std::abs(px(4 * a, x, y, k) - px(4 * b, x, y, k));
                EXPECT_GT(diff / (fw * fh), 12) << "kinds " << a + 1 << " and " << b + 1 << " look alike";
            }
    }
}

TEST_F(DataTree, AdditiveFlashesFadeOutBeforeTheFrameEdge) {
    for (int li = 0; li < 3; ++li) {
        const int n = 64 * kLevels[li];
        const Image im = load("flash", li);
        ASSERT_GT(im.w, 0);
        for (int f = 0; f < 16; ++f) {
            const auto [fx, fy] = im.frame(n, n, f);
            for (int k = 0; k < n; ++k)
                for (auto [x, y] : {std::pair{k, 0}, {k, n - 1}, {0, k}, {n - 1, k}})
                    ASSERT_EQ(im.at(fx + x, fy + y)[3], 0) << "level " << kLevels[li] << " frame " << f;
        }
    }
}

TEST_F(DataTree, GlyphsStayWithinTheirAdvanceSoLettersNeverTouch) {
    // The game's kerning by frame (character - 32), added to the advance of 7.
    auto kerning = [](int c) {
        if (c == 87 || c == 77) return 2;
        if (c == 55 || c == 45) return 1;
        if (c == 73 || c == 70 || c == 76) return -3;
        return std::set<int>{74, 83, 75, 82, 90, 84, 78}.count(c) ? -1 : 0;
    };
    // A glyph cell is drawn centred on the pen, so its ink must lie within
    // [cell centre - 3.5, cell centre - 3.5 + advance).
    for (int li = 0; li < 3; ++li) {
        const int L = kLevels[li], cell = 16 * L;
        const Image im = load("fonts/editundo", li);
        ASSERT_GT(im.w, 0);
        for (int f = 1; f < 95; ++f) {
            const auto [x0, y0] = im.frame(cell, cell, f);
            int left = cell, right = -1;
            for (int y = 0; y < cell; ++y)
                for (int x = 0; x < cell; ++x)
                    if (im.at(x0 + x, y0 + y)[3] > 100) left = std::min(left, x), right = std::max(right, x);
            const float boxLeft = (8 - 3.5f) * L, boxRight = boxLeft + (7 + kerning(f)) * L;
            EXPECT_GE(left, boxLeft - 1) << "'" << char(f + 32) << "' at level " << L;
            EXPECT_LE(right, boxRight) << "'" << char(f + 32) << "' at level " << L;
        }
    }
}

TEST_F(DataTree, TintedArtIsWhiteAndGrey) {
    // Particles, stars, glyphs and the menu icons are coloured by multiplying with a tint, so
    // their bright ink carries no hue of its own (the icons' dark glass may be faintly blue).
    for (const char* name : {"parts", "fonts/editundo", "common/icons"})
        for (int li = 0; li < 3; ++li) {
            const Image im = load(name, li);
            ASSERT_GT(im.w, 0);
            int coloured = 0;
            for (size_t i = 0; i < im.px.size(); i += 4) {
                const uint8_t* p = &im.px[i];
                coloured += p[3] > 200 && p[0] + p[1] + p[2] > 300 &&
                            (std::abs(p[0] - p[1]) > 6 || std::abs(p[1] - p[2]) > 6);
            }
            EXPECT_EQ(coloured, 0) << name << kSuffix[li];
        }
}

TEST_F(DataTree, TheAudioLoaderDecodesEverySound) {
    InTree();
    for (const char* name :
         {"001.wav", "002.wav", "003.wav", "004.wav", "005.wav", "006.wav", "007.wav", "008.wav", "009.wav",
          "010.wav", "095.wav", "096.wav", "098.wav", "099.wav", "Evolved.ogg"}) {
        SCOPED_TRACE(name);
        const bool music = std::string(name) == "Evolved.ogg";
        int length = 0, channels = 0, format = 0, hertz = 0;
        short* s = reinterpret_cast<short*>(gltest::Host()->LoadAudioData(
            vx_data_FixDataPath(String("sfx/") + String(name)), &length, &channels, &format, &hertz));
        ASSERT_NE(nullptr, s);
        EXPECT_EQ(format, 2);  // 16-bit (the WAV reader takes PCM only)
        EXPECT_EQ(hertz, 44100);
        EXPECT_EQ(channels, music ? 2 : 1);
        if (music) {
            EXPECT_GE(length, 60 * 44100);
        } else {
            EXPECT_GT(length, 0.03 * 44100);
            EXPECT_LT(length, 3 * 44100);
        }
        for (int c = 0; c < channels && length > 1; ++c) {
            auto at = [&](int i) { return int(s[i * channels + c]); };
            int peak = 0;
            double sumStep = 0, sumSq = 0;
            for (int i = 0; i < length; ++i) {
                peak = std::max(peak, std::abs(at(i)));
                sumSq += double(at(i)) * at(i);
                if (i) sumStep += std::abs(at(i) - at(i - 1));
            }
            EXPECT_LT(peak, 32767) << "clipped";
            if (music) {
                // Looping does not click: the jump from the end back to the start is no larger
                // than the track's usual sample-to-sample steps.
                EXPECT_LT(std::abs(at(0) - at(length - 1)), 4 * sumStep / (length - 1) + 64) << c;
                EXPECT_GT(std::sqrt(sumSq / length), 1500.0) << "channel " << c << " is too quiet";
            } else {
                // Audible, and silent at both ends (no click when it starts or is cut).
                EXPECT_GT(peak, 8000);
                EXPECT_LT(std::abs(at(0)), 200);
                EXPECT_LT(std::abs(at(length - 1)), 200);
            }
        }
        std::free(s);
    }
}

TEST_F(DataTree, TheShipDrawsOverTheClearColourAndTheFlashAddsLight) {
    InTree();
    c_Image* gfx = vx_graphics_LoadImage2(String("gfx-hd2.png"), 128, 128, 64, 1);
    c_Image* flash = vx_graphics_LoadImage2(String("flash-hd2.png"), 256, 256, 16, 1);
    ASSERT_NE(nullptr, gfx);
    ASSERT_NE(nullptr, flash);
    gxtkGraphics* device = vx_graphics_device;
    device->BeginRender();
    vx_graphics_BeginRender();
    device->Cls(0, 0, 20);
    vx_graphics_DrawImage(gfx, 160, 240, 0);
    vx_graphics_SetBlend(1);
    vx_graphics_DrawImage(flash, 460, 240, 3);
    vx_graphics_EndRender();
    device->EndRender();
    const gltest::Pixels px = gltest::Read(device);
    auto sum = [&](int x, int y) {
        return gltest::Red(px.At(x, y)) + gltest::Green(px.At(x, y)) + gltest::Blue(px.At(x, y));
    };
    // The hull is bright at the ship's centre line; the frame's corners show the clear colour.
    int brightest = 0;
    for (int y = 200; y < 260; ++y) brightest = std::max(brightest, sum(160, y));
    EXPECT_GT(brightest, 450);
    for (auto [x, y] : {std::pair{97, 177}, {222, 177}, {97, 302}, {222, 302}})
        EXPECT_EQ(px.Rgb(x, y), 0x000014u);
    // The flash is white-hot at its centre and adds nothing at the edge of its frame.
    EXPECT_GT(sum(460, 240), 600);
    EXPECT_EQ(px.Rgb(460 - 127, 240), 0x000014u);
}

std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = readFile(e.path());
    return files;
}

TEST_F(DataTree, AStaleTreeIsRebuiltByteForByte) {
    // A private copy, so that the other tests can go on reading the shared tree.
    const fs::path mine = fs::path(ZARNOK_BINARY_DIR) / "tests" / ("datagen-" + std::to_string(getpid()));
    const fs::path tree = mine / "data";
    fs::remove_all(mine);
    fs::create_directories(mine);
    fs::copy(data(), tree, fs::copy_options::recursive);
    const auto before = snapshot(tree);
    ASSERT_GT(before.size(), 50u);
    auto logoTime = fs::last_write_time(tree / "logo.png");
    const std::string rebuild = "--out " + tree.string() + " --if-stale";

    // A current tree is left alone; the contact sheets can still be written from it.
    ASSERT_EQ(run(rebuild + " --contact-sheets " + (mine / "sheets").string()), 0);
    EXPECT_EQ(fs::last_write_time(tree / "logo.png"), logoTime);
    for (const char* s : {"contact.png", "contact-hd.png", "contact-hd2.png"}) {
        const Image im = loadPng(mine / "sheets" / s);
        EXPECT_GT(im.w, 256) << s;
        EXPECT_GT(im.h, 256) << s;
    }
    // A missing file, or a stamp from another generator build, makes the tree stale; each rebuild
    // writes the whole tree again and reproduces every file byte for byte.
    for (int stampOnly = 0; stampOnly <= 1; ++stampOnly) {
        SCOPED_TRACE(stampOnly ? "foreign stamp" : "missing file");
        if (stampOnly)
            std::ofstream(tree / ".datagen-stamp", std::ios::trunc) << "zarnok-datagen 0000000000000000\n";
        else
            fs::remove(tree / "bad-hd.png");
        ASSERT_EQ(run(rebuild), 0);
        EXPECT_NE(fs::last_write_time(tree / "logo.png"), logoTime);
        logoTime = fs::last_write_time(tree / "logo.png");
        auto after = snapshot(tree);
        ASSERT_EQ(after.size(), before.size());
        for (auto& [name, bytes] : before)
            EXPECT_TRUE(after[name] == bytes) << name << " differs between two runs";
    }
    fs::remove_all(mine);
}

TEST(DataGenerator, RejectsBadArgumentsAndAnUnwritableFolder) {
    EXPECT_NE(run("--bogus 2>/dev/null"), 0);
    EXPECT_NE(run("--out 2>/dev/null"), 0);
    // A regular file where the data folder should be: nothing can be written below it.
    const fs::path blocker =
        fs::path(ZARNOK_BINARY_DIR) / "tests" / ("datagen-blocker-" + std::to_string(getpid()));
    std::ofstream(blocker) << "not a folder";
    EXPECT_NE(run("--out " + blocker.string() + " 2>/dev/null"), 0);
    fs::remove(blocker);
}

}  // namespace
