// The WAV and Ogg Vorbis decoders on files written by sox and oggenc, and on malformed files.
// (Random damage and truncation are left to the fuzz targets and the game's fault tests.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "audio_test_util.h"
#include "host/audio_data.h"

using namespace audiotest;

namespace {

using Bytes = std::vector<unsigned char>;

struct Decoded {
    unsigned char* data = nullptr;
    int length = -1, channels = -1, format = -1, hertz = -1;
    ~Decoded() { std::free(data); }
    int Bytes() const { return length * channels * format; }
};

// Decodes from `f` and closes it; true when a sound came back.
bool Decode(FILE* f, bool ogg, Decoded* d) {
    if (!f) return false;
    d->data = ogg ? LoadOGG(f, &d->length, &d->channels, &d->format, &d->hertz)
                  : LoadWAV(f, &d->length, &d->channels, &d->format, &d->hertz);
    std::fclose(f);
    return d->data != nullptr;
}
bool Decode(const std::string& path, bool ogg, Decoded* d) {
    return Decode(std::fopen(path.c_str(), "rb"), ogg, d);
}
// The frames of `bytes` decoded as WAV from an in-memory stream, or -1.
int WavFrames(const Bytes& bytes) {
    Decoded d;
    return Decode(fmemopen(const_cast<unsigned char*>(bytes.data()), bytes.size(), "rb"), false, &d)
               ? d.length
               : -1;
}

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
// A small valid mono 16-bit file built by hand: 12-byte header, 24-byte format chunk (PCM, 1
// channel, 8000 Hz, 16000 bytes a second, 2 bytes a frame, 16 bits), 8 frames of data.
Bytes HandMade() {
    const std::string head(
        "RIFF\x34\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x40\x1f\0\0\x80\x3e\0\0\2\0\x10\0data\x10\0\0\0", 44);
    Bytes b(head.begin(), head.end());
    for (int i = 0; i < 16; ++i) b.push_back(static_cast<unsigned char>(i * 7));
    return b;
}
constexpr size_t kFmtSize = 16, kChannels = 22, kBits = 34, kDataSize = 40;

// Files written at test time by sox (Ogg Vorbis through oggenc from a sox file ".src.wav").
struct Made {
    const char* name;
    int hertz, channels, bits, length;
} const kMade[] = {{"m8.wav", 11025, 1, 8, 1001},   {"s8.wav", 22050, 2, 8, 1500},
                   {"m16.wav", 44100, 1, 16, 2000}, {"s16.wav", 48000, 2, 16, 2500},
                   {"m24.wav", 8000, 3, 24, 100},   {"om.ogg", 22050, 1, 16, 3001},
                   {"os.ogg", 44100, 2, 16, 4000}};

class LoaderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = ScratchDir("loader-sounds");
        for (const Made& m : kMade) {
            std::string path = dir + "/" + m.name, ogg = std::string(m.name).ends_with(".ogg") ? path : "";
            if (!ogg.empty()) path.replace(path.size() - 4, 4, ".src.wav");
            std::string cmd = "sox -r " + std::to_string(m.hertz) + " -c " + std::to_string(m.channels) +
                              " -n -b " + std::to_string(m.bits) + " -t wavpcm '" + path + "' synth " +
                              std::to_string(m.length) + "s sine 440 vol 0.5";
            if (!ogg.empty()) cmd += " && oggenc -Q -o '" + ogg + "' '" + path + "'";
            ASSERT_EQ(Shell(cmd), 0) << m.name;
        }
    }
    static void TearDownTestSuite() { Shell("rm -rf '" + dir + "'"); }

    inline static std::string dir;
};

}  // namespace

TEST_F(LoaderTest, SoxAndOggencFilesLoadWithTheirLengthChannelsAndRate) {
    for (const Made& m : kMade) {
        std::string file = m.name;
        Decoded d;
        ASSERT_TRUE(Decode(dir + "/" + file, file.ends_with(".ogg"), &d)) << file;
        EXPECT_EQ((std::vector<int>{m.length, m.channels, m.bits / 8, m.hertz}),
                  (std::vector<int>{d.length, d.channels, d.format, d.hertz}))
            << file;
    }

    // The samples against sox's own raw extraction of the source: the same for WAV; close for Vorbis,
    // which is lossy.
    for (auto [file, source, tolerance] : {std::tuple{"s16.wav", "s16.wav", 0.0},
                                           {"om.ogg", "om.src.wav", 0.01},
                                           {"os.ogg", "os.src.wav", 0.01}}) {
        ASSERT_EQ(Shell("sox '" + dir + "/" + source + "' -t raw '" + dir + "/raw'"), 0);
        const Bytes raw = ReadFile(dir + "/raw");
        Decoded d;
        ASSERT_TRUE(Decode(dir + "/" + file, std::string(file).ends_with(".ogg"), &d));
        ASSERT_EQ(raw.size(), static_cast<size_t>(d.Bytes())) << file;
        const int16_t* a = reinterpret_cast<const int16_t*>(raw.data());
        const int16_t* b = reinterpret_cast<const int16_t*>(d.data);
        double err = 0, sig = 0;
        for (size_t i = 0; i < raw.size() / 2; ++i) {
            err += (a[i] - b[i]) * static_cast<double>(a[i] - b[i]);
            sig += a[i] * static_cast<double>(a[i]);
        }
        EXPECT_LE(err, sig * tolerance) << file;
    }
}

TEST_F(LoaderTest, OtherWritersLayoutsLoadAndMalformedWavFilesGiveNull) {
    ASSERT_EQ(WavFrames(HandMade()), 8);
    // An 18-byte format chunk, and an odd-sized LIST chunk with its pad byte before the data.
    Bytes layout = HandMade();
    Put32(layout, kFmtSize, 18);
    layout.insert(layout.begin() + 36, {0, 0, 'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0});
    EXPECT_EQ(WavFrames(layout), 8);
    Decoded none;
    EXPECT_FALSE(Decode("/dev/null", false, &none));
    EXPECT_EQ(-1, WavFrames(Bytes{'R', 'I', 'F', 'F'}));
    // The hand-made file with one byte (width 1) or number (width 4) changed, or cut to a size.
    struct Change {
        const char* what;
        size_t at;
        uint32_t value;
        int width;
    };
    for (Change c :
         {Change{"RIFX", 3, 'X', 1}, Change{"not WAVE", 8, 'A', 1}, Change{"float samples", 20, 3, 1},
          Change{"zero channels", kChannels, 0, 1}, Change{"zero bits", kBits, 0, 1},
          Change{"four bits", kBits, 4, 1}, Change{"format size -1", kFmtSize, 0xffffffffu, 4},
          Change{"format size 14", kFmtSize, 14, 4}, Change{"format size past the end", kFmtSize, 1000, 4},
          Change{"data size -1", kDataSize, 0xffffffffu, 4},
          Change{"data size past the end", kDataSize, 17, 4}, Change{"truncated data", 59, 0, 0},
          Change{"no data chunk", 36, 0, 0}, Change{"data tag only", 40, 0, 0}}) {
        Bytes b = HandMade();
        if (c.width == 1) b[c.at] = static_cast<unsigned char>(c.value);
        if (c.width == 4) Put32(b, c.at, c.value);
        if (c.width == 0) b.resize(c.at);
        EXPECT_EQ(WavFrames(b), -1) << c.what;
    }
    // A first chunk that is not the format, and a huge chunk before the data.
    for (auto [at, chunk] : {std::pair<size_t, std::string>{12, std::string("LIST\4\0\0\0INFO", 12)},
                             {36, "junk\xf0\xff\xff\x7f"}}) {
        Bytes b = HandMade();
        b.insert(b.begin() + static_cast<long>(at), chunk.begin(), chunk.end());
        EXPECT_EQ(WavFrames(b), -1) << at;
    }
}
