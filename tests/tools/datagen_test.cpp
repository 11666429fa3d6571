// Runs the data generator into a scratch folder and checks the tree it writes: every image holds
// exactly the frames the game's loader cuts at each resolution, the sounds are well-formed PCM
// WAV files and a loopable Ogg Vorbis track, and the output is reproducible byte for byte.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#include <stb_image.h>
#include <stb_vorbis.h>

#include "framework/graphics.h"
#include "host/files.h"
#include "tests/native/graphics/gl_test_support.h"

namespace fs = std::filesystem;

namespace {

struct Sheet {
    std::string name;
    int fw, fh, frames;
    std::set<int> mayBeEmpty;  // frames without artwork (the space glyph, unused font cells)
};

// The loader's asset table: name, frame size in level-1 pixels, frame count.
const std::vector<Sheet>& sheets() {
    static const std::vector<Sheet> s = {
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
    return s;
}

const int kLevels[3] = {1, 2, 4};
const char* kSuffix[3] = {"", "-hd", "-hd2"};

struct Image {
    int w = 0, h = 0;
    std::vector<uint8_t> px;  // RGBA
    const uint8_t* at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
};

Image loadPng(const fs::path& p) {
    Image im;
    int n = 0;
    unsigned char* d = stbi_load(p.c_str(), &im.w, &im.h, &n, 4);
    if (!d) return im;
    im.px.assign(d, d + size_t(im.w) * im.h * 4);
    stbi_image_free(d);
    return im;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int run(const std::string& args) {
    std::string cmd = std::string(ZARNOK_BINARY_DIR) + "/zarnok-datagen " + args;
    return std::system(cmd.c_str());
}

// Grid cutting as the loader does it: left to right, wrapping to the next row when a frame would
// cross the right edge. Returns the frame origins, or an empty list when a frame falls outside.
std::vector<std::pair<int, int>> cutFrames(int srcw, int srch, int fw, int fh, int frames) {
    std::vector<std::pair<int, int>> out;
    int cx = 0, cy = 0;
    for (int i = 0; i < frames; ++i) {
        if (cx + fw > srcw) {
            cx = 0;
            cy += fh;
        }
        if (cx + fw > srcw || cy + fh > srch) return {};
        out.push_back({cx, cy});
        cx += fw;
    }
    return out;
}

class DataTree : public ::testing::Test {
  protected:
    // One generated tree shared by the test processes (each test runs in its own process); the
    // generator itself skips the work when the tree is current.
    static void SetUpTestSuite() {
        dir_ = new fs::path(fs::path(ZARNOK_BINARY_DIR) / "tests" / "datagen-tree");
        status_ = run("--out " + (*dir_ / "data").string() + " --if-stale");
    }
    static void TearDownTestSuite() { delete dir_; }
    static fs::path data() { return *dir_ / "data"; }
    static fs::path* dir_;
    static int status_;
};
fs::path* DataTree::dir_ = nullptr;
int DataTree::status_ = -1;

TEST_F(DataTree, EveryImageHoldsTheLoadersFramesAtEachLevel) {
    ASSERT_EQ(status_, 0);
    for (const Sheet& s : sheets()) {
        Image base;
        for (int li = 0; li < 3; ++li) {
            SCOPED_TRACE(s.name + kSuffix[li]);
            const int L = kLevels[li];
            Image im = loadPng(data() / (s.name + kSuffix[li] + ".png"));
            ASSERT_GT(im.w, 0) << "missing or undecodable";
            if (li == 0) base = im;
            // The higher levels are the same sheet at twice and four times the pixels.
            EXPECT_EQ(im.w, base.w * L);
            EXPECT_EQ(im.h, base.h * L);
            // Whole frames across, and every frame the loader asks for lies inside the surface.
            EXPECT_EQ(im.w % (s.fw * L), 0);
            EXPECT_EQ(im.h % (s.fh * L), 0);
            auto frames = cutFrames(im.w, im.h, s.fw * L, s.fh * L, s.frames);
            ASSERT_EQ(int(frames.size()), s.frames) << "a frame falls outside the surface";
            // Every frame the game draws carries artwork.
            for (int f = 0; f < s.frames; ++f) {
                if (s.mayBeEmpty.count(f)) continue;
                int ink = 0;
                for (int y = 0; y < s.fh * L; ++y)
                    for (int x = 0; x < s.fw * L; ++x)
                        ink += im.at(frames[f].first + x, frames[f].second + y)[3] > 8;
                EXPECT_GT(ink, 0) << "frame " << f << " is empty";
            }
        }
    }
}

TEST_F(DataTree, HigherResolutionsCarryRealDetail) {
    ASSERT_EQ(status_, 0);
    // An enlargement would repeat each pixel in 2 x 2 blocks; drawn art differs within blocks.
    for (const char* name : {"gfx", "bad", "fonts/editundo", "logo", "common/icons"}) {
        SCOPED_TRACE(name);
        Image im = loadPng(data() / (std::string(name) + "-hd.png"));
        ASSERT_GT(im.w, 0);
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
        EXPECT_GT(detailed, blocks / 20) << detailed << " of " << blocks << " blocks show detail";
    }
}

TEST_F(DataTree, EnemiesAreMirrorSymmetric) {
    ASSERT_EQ(status_, 0);
    for (int li = 0; li < 3; ++li) {
        const int L = kLevels[li], fw = 32 * L, fh = 16 * L;
        Image im = loadPng(data() / (std::string("bad") + kSuffix[li] + ".png"));
        ASSERT_GT(im.w, 0);
        auto frames = cutFrames(im.w, im.h, fw, fh, 128);
        ASSERT_EQ(frames.size(), 128u);
        for (int f = 0; f < 128; ++f) {
            int worst = 0;
            for (int y = 0; y < fh; ++y)
                for (int x = 0; x < fw / 2; ++x) {
                    const uint8_t* a = im.at(frames[f].first + x, frames[f].second + y);
                    const uint8_t* b = im.at(frames[f].first + fw - 1 - x, frames[f].second + y);
                    for (int k = 0; k < 4; ++k) worst = std::max(worst, std::abs(a[k] - b[k]));
                }
            EXPECT_LE(worst, 3) << "level " << L << " frame " << f;
        }
    }
}

TEST_F(DataTree, EnemyKindsDifferFromEachOther) {
    ASSERT_EQ(status_, 0);
    Image im = loadPng(data() / "bad.png");
    ASSERT_GT(im.w, 0);
    auto frames = cutFrames(im.w, im.h, 32, 16, 128);
    ASSERT_EQ(frames.size(), 128u);
    // Compare the first frame of every pair of kinds: no two kinds may look alike.
    for (int a = 0; a < 32; ++a)
        for (int b = a + 1; b < 32; ++b) {
            long diff = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 32; ++x)
                    for (int k = 0; k < 4; ++k)
                        diff += std::abs(im.at(frames[4 * a].first + x, frames[4 * a].second + y)[k] -
                                         im.at(frames[4 * b].first + x, frames[4 * b].second + y)[k]);
            EXPECT_GT(diff / (32 * 16), 12) << "kinds " << a + 1 << " and " << b + 1 << " look alike";
        }
}

TEST_F(DataTree, AdditiveFlashesFadeOutBeforeTheFrameEdge) {
    ASSERT_EQ(status_, 0);
    for (int li = 0; li < 3; ++li) {
        const int L = kLevels[li], fs_ = 64 * L;
        Image im = loadPng(data() / (std::string("flash") + kSuffix[li] + ".png"));
        ASSERT_GT(im.w, 0);
        for (auto [fx, fy] : cutFrames(im.w, im.h, fs_, fs_, 16))
            for (int k = 0; k < fs_; ++k)
                for (auto [x, y] : {std::pair{k, 0}, {k, fs_ - 1}, {0, k}, {fs_ - 1, k}}) {
                    const uint8_t* p = im.at(fx + x, fy + y);
                    ASSERT_EQ(p[3], 0) << "level " << L << " frame at " << fx << "," << fy;
                }
    }
}

TEST_F(DataTree, DefaultFontIsOneStripWithBlankCellBorders) {
    ASSERT_EQ(status_, 0);
    Image im = loadPng(data() / "tavo_font.png");
    ASSERT_GT(im.w, 0);
    ASSERT_EQ(im.w % 96, 0);
    int cw = im.w / 96;
    ASSERT_GE(cw, 4);
    int inked = 0;
    for (int c = 0; c < 96; ++c) {
        int ink = 0;
        for (int y = 0; y < im.h; ++y) {
            // The loader skips the outer column on each side of a cell, so it must stay clear.
            EXPECT_EQ(im.at(c * cw, y)[3], 0) << "cell " << c;
            EXPECT_EQ(im.at(c * cw + cw - 1, y)[3], 0) << "cell " << c;
            for (int x = 1; x < cw - 1; ++x) ink += im.at(c * cw + x, y)[3] > 8;
        }
        inked += ink > 0;
    }
    EXPECT_EQ(inked, 94);  // every printable character but the space (and cell 95, DEL)
}

// Advance adjustment of the game's text layout for a character (code - 32), as the game applies it.
int kerning(int c) {
    if (c == 87 || c == 77) return 2;
    if (c == 55 || c == 45) return 1;
    if (c == 73 || c == 70 || c == 76) return -3;
    if (c == 74 || c == 83 || c == 75 || c == 82 || c == 90 || c == 84 || c == 78) return -1;
    return 0;
}

TEST_F(DataTree, GlyphsStayWithinTheirAdvanceSoLettersNeverTouch) {
    ASSERT_EQ(status_, 0);
    // The game draws a glyph cell centred on the pen and moves the pen by 7 + kerning font pixels,
    // so a glyph's ink must lie within [cell centre - 3.5, cell centre - 3.5 + advance).
    for (int li = 0; li < 3; ++li) {
        const int L = kLevels[li], cell = 16 * L;
        Image im = loadPng(data() / (std::string("fonts/editundo") + kSuffix[li] + ".png"));
        ASSERT_GT(im.w, 0);
        auto frames = cutFrames(im.w, im.h, cell, cell, 128);
        ASSERT_EQ(frames.size(), 128u);
        for (int f = 1; f < 95; ++f) {
            int left = cell, right = -1;
            for (int y = 0; y < cell; ++y)
                for (int x = 0; x < cell; ++x)
                    if (im.at(frames[f].first + x, frames[f].second + y)[3] > 100) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
            ASSERT_GE(right, 0) << "glyph " << char(f + 32) << " is empty";
            float boxLeft = (8 - 3.5f) * L, boxRight = boxLeft + (7 + kerning(f)) * L;
            EXPECT_GE(left, boxLeft - 1) << "'" << char(f + 32) << "' at level " << L;
            EXPECT_LE(right + 1, boxRight + 1) << "'" << char(f + 32) << "' at level " << L;
        }
    }
}

TEST_F(DataTree, TintedArtIsWhiteAndGrey) {
    ASSERT_EQ(status_, 0);
    // The game colours particles, stars, glyphs and the menu icons by multiplying with a tint, so
    // their ink carries no hue of its own (the icons' dark glass may be faintly blue).
    for (const char* name : {"parts", "fonts/editundo", "common/icons"}) {
        for (int li = 0; li < 3; ++li) {
            Image im = loadPng(data() / (std::string(name) + kSuffix[li] + ".png"));
            ASSERT_GT(im.w, 0);
            int coloured = 0;
            for (int y = 0; y < im.h; ++y)
                for (int x = 0; x < im.w; ++x) {
                    const uint8_t* p = im.at(x, y);
                    if (p[3] > 200 && p[0] + p[1] + p[2] > 300 &&
                        (std::abs(p[0] - p[1]) > 6 || std::abs(p[1] - p[2]) > 6))
                        ++coloured;
                }
            EXPECT_EQ(coloured, 0) << name << kSuffix[li];
        }
    }
}

uint32_t le32(const std::string& s, size_t at) {
    return uint8_t(s[at]) | uint8_t(s[at + 1]) << 8 | uint8_t(s[at + 2]) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}
uint16_t le16(const std::string& s, size_t at) {
    return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
}

TEST_F(DataTree, SoundEffectsArePlainSixteenBitPcmWav) {
    ASSERT_EQ(status_, 0);
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 95, 96, 98, 99}) {
        char name[32];
        std::snprintf(name, sizeof name, "sfx/%03d.wav", n);
        SCOPED_TRACE(name);
        std::string w = readFile(data() / name);
        ASSERT_GE(w.size(), 44u);
        EXPECT_EQ(w.substr(0, 4), "RIFF");
        EXPECT_EQ(le32(w, 4), w.size() - 8);
        EXPECT_EQ(w.substr(8, 4), "WAVE");
        EXPECT_EQ(w.substr(12, 4), "fmt ");
        EXPECT_EQ(le32(w, 16), 16u);
        EXPECT_EQ(le16(w, 20), 1);  // PCM
        int ch = le16(w, 22), bits = le16(w, 34);
        uint32_t rate = le32(w, 24);
        EXPECT_TRUE(ch == 1 || ch == 2);
        EXPECT_EQ(bits, 16);
        EXPECT_EQ(le32(w, 28), rate * ch * 2);
        EXPECT_EQ(le16(w, 32), ch * 2);
        EXPECT_EQ(w.substr(36, 4), "data");
        uint32_t bytes = le32(w, 40);
        EXPECT_EQ(bytes, w.size() - 44);
        double secs = double(bytes) / (rate * ch * 2);
        EXPECT_GT(secs, 0.03);
        EXPECT_LT(secs, 3.0);
        // Audible, not clipped, and silent at both ends (no click when it starts or is cut).
        int peak = 0;
        size_t samples = bytes / 2;
        for (size_t i = 0; i < samples; ++i)
            peak = std::max(peak, std::abs(int(int16_t(le16(w, 44 + 2 * i)))));
        EXPECT_GT(peak, 8000);
        EXPECT_LT(peak, 32767);
        EXPECT_LT(std::abs(int(int16_t(le16(w, 44)))), 200);
        EXPECT_LT(std::abs(int(int16_t(le16(w, 44 + 2 * (samples - 1))))), 200);
    }
}

TEST_F(DataTree, MusicIsALoopableOggTrackOfAtLeastAMinute) {
    ASSERT_EQ(status_, 0);
    int channels = 0, rate = 0;
    short* out = nullptr;
    int frames = stb_vorbis_decode_filename((data() / "sfx/Evolved.ogg").c_str(), &channels, &rate, &out);
    ASSERT_GT(frames, 0);
    std::unique_ptr<short, void (*)(void*)> hold(out, std::free);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 44100);
    EXPECT_GE(double(frames) / rate, 60.0);
    // The jump from the last sample back to the first is no larger than the track's usual
    // sample-to-sample steps: looping does not click.
    for (int c = 0; c < channels; ++c) {
        double sumStep = 0, sumSq = 0;
        for (int i = 1; i < frames; ++i) {
            sumStep += std::abs(out[i * channels + c] - out[(i - 1) * channels + c]);
            sumSq += double(out[i * channels + c]) * out[i * channels + c];
        }
        double meanStep = sumStep / (frames - 1);
        double seam = std::abs(out[c] - out[(frames - 1) * channels + c]);
        EXPECT_LT(seam, 4 * meanStep + 64) << "channel " << c;
        EXPECT_GT(std::sqrt(sumSq / frames), 1500.0) << "channel " << c << " is too quiet";
    }
}

std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = readFile(e.path());
    return files;
}

TEST_F(DataTree, IfStaleSkipsACurrentTreeAndRebuildsAnIncompleteOneIdentically) {
    ASSERT_EQ(status_, 0);
    // A private copy, so that the other tests can go on reading the shared tree.
    fs::path mine = fs::path(ZARNOK_BINARY_DIR) / "tests" / ("datagen-" + std::to_string(getpid()));
    fs::remove_all(mine);
    fs::create_directories(mine);
    fs::copy(data(), mine / "data", fs::copy_options::recursive);
    fs::path tree = mine / "data";
    auto before = snapshot(tree);
    ASSERT_GT(before.size(), 50u);
    auto mtime = [](const fs::path& p) { return fs::last_write_time(p); };
    auto logoTime = mtime(tree / "logo.png");

    // A current tree is left alone; the contact sheets can still be written from it.
    fs::path sheets = mine / "sheets";
    ASSERT_EQ(run("--out " + tree.string() + " --if-stale --contact-sheets " + sheets.string()), 0);
    EXPECT_EQ(mtime(tree / "logo.png"), logoTime);
    for (const char* s : {"contact.png", "contact-hd.png", "contact-hd2.png"}) {
        Image im = loadPng(sheets / s);
        EXPECT_GT(im.w, 256) << s;
        EXPECT_GT(im.h, 256) << s;
    }

    // A missing file makes the tree stale; the rebuild reproduces every file byte for byte.
    fs::remove(tree / "bad-hd.png");
    ASSERT_EQ(run("--out " + tree.string() + " --if-stale"), 0);
    EXPECT_NE(mtime(tree / "logo.png"), logoTime) << "the whole tree is written again";
    auto after = snapshot(tree);
    ASSERT_EQ(after.size(), before.size());
    for (auto& [name, bytes] : before) {
        ASSERT_TRUE(after.count(name)) << name;
        EXPECT_TRUE(after[name] == bytes) << name << " differs between two runs";
    }
    fs::remove_all(mine);
}

// Runs a block with the generated tree's folder as working directory, as the game runs.
class InTree {
  public:
    explicit InTree(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
    ~InTree() { fs::current_path(old_); }

  private:
    fs::path old_;
};

TEST_F(DataTree, TheGraphicsModuleLoadsEveryImageAsTheGameCutsIt) {
    ASSERT_EQ(status_, 0);
    ASSERT_NE(nullptr, gltest::Host());
    gxtkGraphics* device = new gxtkGraphics();
    vx_graphics_SetGraphicsDevice(device);
    vx_graphics_context = (new c_GraphicsContext())->m_new();
    InTree cwd(*dir_);
    for (const Sheet& s : sheets())
        for (int li = 0; li < 3; ++li) {
            const int L = kLevels[li];
            std::string file = s.name + kSuffix[li] + ".png";
            SCOPED_TRACE(file);
            // As the game's loader: frame size times the level, the handle at the frame's centre.
            c_Image* im = vx_graphics_LoadImage2(String(file.c_str()), s.fw * L, s.fh * L, s.frames, 1);
            ASSERT_NE(nullptr, im);
            ASSERT_EQ(im->f_frames.Length(), s.frames);
            EXPECT_EQ(im->f_width, s.fw * L);
            EXPECT_EQ(im->f_height, s.fh * L);
            EXPECT_EQ(im->f_handleX, s.fw * L / 2.f);
            EXPECT_EQ(im->f_handleY, s.fh * L / 2.f);
            auto want =
                cutFrames(im->f_surface->Width(), im->f_surface->Height(), s.fw * L, s.fh * L, s.frames);
            ASSERT_EQ(int(want.size()), s.frames);
            for (int f = 0; f < s.frames; ++f) {
                EXPECT_EQ(im->f_frames[f]->f_x, want[f].first) << "frame " << f;
                EXPECT_EQ(im->f_frames[f]->f_y, want[f].second) << "frame " << f;
            }
        }
    // The default font: 96 cells in one strip, each losing one pixel on either side.
    vx_graphics_context->f_defaultFont = nullptr;
    vx_graphics_SetFont(nullptr, 0);
    c_Image* font = vx_graphics_context->f_font;
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(font->f_frames.Length(), 96);
    EXPECT_EQ(font->f_width, font->f_surface->Width() / 96 - 2);
}

TEST_F(DataTree, TheShipDrawsOverTheClearColourAndTheFlashAddsLight) {
    ASSERT_EQ(status_, 0);
    ASSERT_NE(nullptr, gltest::Host());
    gxtkGraphics* device = new gxtkGraphics();
    vx_graphics_SetGraphicsDevice(device);
    vx_graphics_context = (new c_GraphicsContext())->m_new();
    InTree cwd(*dir_);
    c_Image* gfx = vx_graphics_LoadImage2(String("gfx-hd2.png"), 128, 128, 64, 1);
    c_Image* flash = vx_graphics_LoadImage2(String("flash-hd2.png"), 256, 256, 16, 1);
    ASSERT_NE(nullptr, gfx);
    ASSERT_NE(nullptr, flash);
    device->BeginRender();
    vx_graphics_BeginRender();
    device->Cls(0, 0, 20);
    vx_graphics_DrawImage(gfx, 160, 240, 0);
    vx_graphics_SetBlend(1);
    vx_graphics_DrawImage(flash, 460, 240, 3);
    vx_graphics_EndRender();
    device->EndRender();
    gltest::Pixels px = gltest::Read(device);
    auto sum = [&](int x, int y) {
        uint32_t p = px.At(x, y);
        return gltest::Red(p) + gltest::Green(p) + gltest::Blue(p);
    };
    // The hull is bright at the ship's centre line; the frame's corners show the clear colour.
    int brightest = 0;
    for (int y = 200; y < 260; ++y) brightest = std::max(brightest, sum(160, y));
    EXPECT_GT(brightest, 450);
    for (auto [x, y] : {std::pair{97, 177}, {222, 177}, {97, 302}, {222, 302}})
        EXPECT_EQ(px.Rgb(x, y), 0x000014u) << x << "," << y;
    // The flash is white-hot at its centre and adds nothing at the edge of its frame.
    EXPECT_GT(sum(460, 240), 600);
    EXPECT_EQ(px.Rgb(460 - 127, 240), 0x000014u);
}

TEST_F(DataTree, TheAudioLoaderDecodesEverySound) {
    ASSERT_EQ(status_, 0);
    ASSERT_NE(nullptr, gltest::Host());
    InTree cwd(*dir_);
    for (const char* name : {"sfx/001.wav", "sfx/002.wav", "sfx/003.wav", "sfx/004.wav", "sfx/005.wav",
                             "sfx/006.wav", "sfx/007.wav", "sfx/008.wav", "sfx/009.wav", "sfx/010.wav",
                             "sfx/095.wav", "sfx/096.wav", "sfx/098.wav", "sfx/099.wav", "sfx/Evolved.ogg"}) {
        SCOPED_TRACE(name);
        int length = 0, channels = 0, format = 0, hertz = 0;
        unsigned char* data = gltest::Host()->LoadAudioData(vx_data_FixDataPath(String(name)), &length,
                                                            &channels, &format, &hertz);
        ASSERT_NE(nullptr, data);
        std::free(data);
        EXPECT_EQ(format, 2);
        EXPECT_EQ(hertz, 44100);
        if (std::string(name).find(".ogg") != std::string::npos) {
            EXPECT_EQ(channels, 2);
            EXPECT_GE(length, 60 * 44100);
        } else {
            EXPECT_EQ(channels, 1);
            EXPECT_GT(length, 1000);
        }
    }
}

TEST(DataGenerator, RejectsAnUnknownOption) {
    EXPECT_NE(run("--bogus 2>/dev/null"), 0);
    EXPECT_NE(run("--out 2>/dev/null"), 0);
}

TEST(DataGenerator, ReportsAnOutputFolderItCannotWrite) {
    // A regular file where the data folder should be: nothing can be written below it.
    fs::path blocker =
        fs::path(ZARNOK_BINARY_DIR) / "tests" / ("datagen-blocker-" + std::to_string(getpid()));
    std::ofstream(blocker) << "not a folder";
    EXPECT_NE(run("--out " + blocker.string() + " 2>/dev/null"), 0);
    fs::remove(blocker);
}

TEST_F(DataTree, AStampFromAnotherGeneratorBuildMakesTheTreeStale) {
    ASSERT_EQ(status_, 0);
    fs::path mine = fs::path(ZARNOK_BINARY_DIR) / "tests" / ("datagen-stamp-" + std::to_string(getpid()));
    fs::remove_all(mine);
    fs::create_directories(mine);
    fs::copy(data(), mine / "data", fs::copy_options::recursive);
    std::string stamp = readFile(mine / "data" / ".datagen-stamp");
    ASSERT_EQ(stamp.rfind("zarnok-datagen ", 0), 0u);
    std::ofstream(mine / "data" / ".datagen-stamp", std::ios::trunc) << "zarnok-datagen 0000000000000000\n";
    fs::remove(mine / "data" / "sfx" / "099.wav");
    ASSERT_EQ(run("--out " + (mine / "data").string() + " --if-stale"), 0);
    EXPECT_EQ(readFile(mine / "data" / ".datagen-stamp"), stamp);
    EXPECT_EQ(readFile(mine / "data" / "sfx" / "099.wav"), readFile(data() / "sfx" / "099.wav"));
    fs::remove_all(mine);
}

}  // namespace
