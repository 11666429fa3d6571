// Runs the data generator into a scratch folder and checks the tree it writes: every image loads
// through the graphics module with exactly the frames the game's loader cuts at each resolution,
// every sound decodes through the audio loader without clipping or clicks, and the output is
// reproducible byte for byte.
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

// Rules the game's use of an image imposes on its art.
enum Rule {
    ClearEdges = 1,  // drawn additively at full frame size: nothing at the frame's border
    Detailed = 2,    // the "-hd" file is drawn at its size, not a 2 x 2 enlargement
};

struct Sheet {
    std::string name;
    int fw, fh, frames;  // frame size in level-1 pixels, frame count
    int rules;
    std::set<int> mayBeEmpty;  // frames without artwork (the space glyph, unused font cells)
};

// The loader's asset table.
const std::vector<Sheet> kSheets = {
    {"common/icons", 32, 32, 16, Detailed, {}},
    {"common/Buttons", 64, 64, 16, 0, {}},
    {"common/dpad", 32, 32, 16, 0, {}},
    {"common/KemoLogo", 256, 256, 1, 0, {}},
    {"common/Testcard_Circle", 256, 256, 1, 0, {}},
    {"fonts/editundo", 16, 16, 128, Detailed, {0, 95, 109, 110, 111, 125, 126, 127}},
    {"menu", 256, 256, 4, 0, {}},
    {"logo", 256, 128, 1, Detailed, {}},
    {"parts", 8, 8, 256, 0, {}},
    {"BadgesA", 64, 64, 64, 0, {}},
    {"bad", 32, 16, 128, Detailed, {}},
    {"gfx", 32, 32, 64, Detailed, {}},
    {"flash", 64, 64, 16, ClearEdges, {}},
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
            const Image png = loadPng(data() / (s.name + kSuffix[li] + ".png"));
            ASSERT_GT(png.w, 0) << "missing or undecodable";
            if (li == 0) baseW = png.w, baseH = png.h;
            // The higher levels are the same sheet at twice and four times the pixels, whole frames across.
            EXPECT_EQ(png.w, baseW * L);
            EXPECT_EQ(png.h, baseH * L);
            ASSERT_EQ(png.w % fw, 0);
            // As the game's loader: frame size times the level, the handle at the frame's centre.
            c_Image* im =
                vx_graphics_LoadImage2(String((s.name + kSuffix[li] + ".png").c_str()), fw, fh, s.frames, 1);
            ASSERT_NE(nullptr, im);
            ASSERT_EQ(im->f_frames.Length(), s.frames);
            EXPECT_EQ(im->f_width, fw);
            EXPECT_EQ(im->f_height, fh);
            EXPECT_EQ(im->f_handleX, fw / 2.f);
            EXPECT_EQ(im->f_handleY, fh / 2.f);
            int edgeInk = 0, blocks = 0, detailed = 0;
            for (int f = 0; f < s.frames; ++f) {
                const auto [x0, y0] = png.frame(fw, fh, f);
                EXPECT_EQ(im->f_frames[f]->f_x, x0) << "frame " << f;
                EXPECT_EQ(im->f_frames[f]->f_y, y0) << "frame " << f;
                int ink = 0;
                for (int y = 0; y < fh; ++y)
                    for (int x = 0; x < fw; ++x) {
                        const uint8_t* p = png.at(x0 + x, y0 + y);
                        ink += p[3] > 8;
                        if ((s.rules & ClearEdges) && (x == 0 || y == 0 || x == fw - 1 || y == fh - 1))
                            edgeInk += p[3] != 0;
                        if (!(s.rules & Detailed) || L != 2 || x % 2 || y % 2 || p[3] == 0) continue;
                        ++blocks;
                        for (const uint8_t* q : {png.at(x0 + x + 1, y0 + y), png.at(x0 + x, y0 + y + 1),
                                                 png.at(x0 + x + 1, y0 + y + 1)})
                            if (std::abs(p[3] - q[3]) > 12 || std::abs(p[0] - q[0]) > 12) {
                                ++detailed;
                                break;
                            }
                    }
                EXPECT_TRUE(ink > 0 || s.mayBeEmpty.count(f)) << "frame " << f << " is empty";
            }
            EXPECT_EQ(edgeInk, 0) << "ink at a frame's border";
            EXPECT_TRUE(blocks == 0 || detailed > blocks / 20)
                << detailed << " of " << blocks << " blocks show detail";
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
        // 16-bit (the WAV reader takes PCM only); effects last 0.03 to 3 s, the music at least a minute.
        EXPECT_EQ((std::vector<int>{format, hertz, channels}), (std::vector<int>{2, 44100, music ? 2 : 1}));
        EXPECT_TRUE(music ? length >= 60 * 44100 : length > 0.03 * 44100 && length < 3 * 44100) << length;
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
            // The music loops without a click: the jump from its end back to its start is no larger
            // than its usual steps. Effects are audible and silent at both ends (no click when they
            // start or are cut).
            if (music) {
                EXPECT_LT(std::abs(at(0) - at(length - 1)), 4 * sumStep / (length - 1) + 64) << c;
                EXPECT_GT(std::sqrt(sumSq / length), 1500.0) << "channel " << c << " is too quiet";
            } else {
                EXPECT_GT(peak, 8000);
                EXPECT_LT(std::max(std::abs(at(0)), std::abs(at(length - 1))), 200);
            }
        }
        std::free(s);
    }
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
