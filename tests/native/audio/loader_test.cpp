// The WAV and Ogg Vorbis decoders on files written by sox and oggenc, on chunk layouts that common
// writers produce, and on malformed files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "audio_test_util.h"
#include "host/audio_data.h"
#include "host/vxgame.h"

using namespace audiotest;

namespace {

using Bytes = std::vector<unsigned char>;

struct Decoded {
    unsigned char* data = nullptr;
    int length = -1, channels = -1, format = -1, hertz = -1;
    ~Decoded() { std::free(data); }
    int Bytes() const { return length * channels * format; }
};

void WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

void Decode(const std::string& path, bool ogg, Decoded* d) {
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    d->data = ogg ? LoadOGG(f, &d->length, &d->channels, &d->format, &d->hertz)
                  : LoadWAV(f, &d->length, &d->channels, &d->format, &d->hertz);
    std::fclose(f);
}

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
void Append(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
}
void Append32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// Offset of a chunk's tag in a RIFF file, or 0.
size_t FindChunk(const Bytes& b, const char* tag) {
    for (size_t at = 12; at + 8 <= b.size();) {
        if (std::memcmp(&b[at], tag, 4) == 0) return at;
        uint32_t size = U32(b, at + 4);
        at += 8 + size + (size & 1);
    }
    return 0;
}

// A sox file rewritten the way other writers lay it out: an odd-sized LIST chunk with its pad
// byte before the data, and/or an 18-byte format chunk.
Bytes WithListChunk(Bytes b) {
    size_t data = FindChunk(b, "data");
    Bytes list;
    Append(list, "LIST");
    Append32(list, 13);
    Append(list, "INFOISFT");
    Append32(list, 1);
    list.push_back('z');
    list.push_back(0);  // pad
    b.insert(b.begin() + data, list.begin(), list.end());
    Put32(b, 4, static_cast<uint32_t>(b.size() - 8));
    return b;
}
Bytes WithLongFormat(Bytes b) {
    size_t fmt = FindChunk(b, "fmt ");
    Put32(b, fmt + 4, 18);
    b.insert(b.begin() + fmt + 8 + 16, {0, 0});  // cbSize = 0
    Put32(b, 4, static_cast<uint32_t>(b.size() - 8));
    return b;
}

// A small valid mono 16-bit file built by hand: 12-byte header, 24-byte format chunk, data.
Bytes HandMade(int frames = 8) {
    Bytes b;
    Append(b, "RIFF");
    Append32(b, 0);
    Append(b, "WAVE");
    Append(b, "fmt ");
    Append32(b, 16);
    for (int v : {1, 0, 1, 0}) b.push_back(static_cast<unsigned char>(v));  // PCM, 1 channel
    Append32(b, 8000);
    Append32(b, 16000);
    for (int v : {2, 0, 16, 0}) b.push_back(static_cast<unsigned char>(v));
    Append(b, "data");
    Append32(b, static_cast<uint32_t>(frames * 2));
    for (int i = 0; i < frames * 2; ++i) b.push_back(static_cast<unsigned char>(i * 7));
    Put32(b, 4, static_cast<uint32_t>(b.size() - 8));
    return b;
}
constexpr size_t kFmtSize = 16, kChannels = 22, kBits = 34, kDataSize = 40;

class LoaderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new std::string(ScratchDir("loader-sounds"));
        struct Made {
            const char* name;
            const char* args;
        };
        for (Made m : {Made{"m8", "-r 11025 -c 1 -n -b 8 @ synth 1001s sine 440 vol 0.5"},
                       Made{"s8", "-r 22050 -c 2 -n -b 8 @ synth 1500s sine 440 vol 0.5"},
                       Made{"m16", "-r 44100 -c 1 -n -b 16 @ synth 2000s sine 440 vol 0.5"},
                       Made{"s16", "-r 48000 -c 2 -n -b 16 @ synth 2500s sine 440 vol 0.5"},
                       Made{"m24", "-r 8000 -c 3 -n -b 24 -t wavpcm @ synth 100s sine 440 vol 0.5"}}) {
            std::string args = m.args;
            args.replace(args.find('@'), 1, "'" + Path(m.name, ".wav") + "'");
            ASSERT_EQ(Shell("sox " + args), 0) << m.name;
        }
        ASSERT_EQ(Shell("sox -r 22050 -c 1 -n -b 16 '" + Path("om", ".src.wav") +
                        "' synth 3001s sine 440 vol 0.5 && oggenc -Q -o '" + Path("om", ".ogg") + "' '" +
                        Path("om", ".src.wav") + "'"),
                  0);
        ASSERT_EQ(Shell("sox -r 44100 -c 2 -n -b 16 '" + Path("os", ".src.wav") +
                        "' synth 4000s sine 440 vol 0.5 && oggenc -Q -o '" + Path("os", ".ogg") + "' '" +
                        Path("os", ".src.wav") + "'"),
                  0);
    }
    static void TearDownTestSuite() { Shell("rm -rf '" + *dir + "'"); }

    static std::string Path(const std::string& name, const std::string& ext) {
        return *dir + "/" + name + ext;
    }

    // Decodes `bytes` as WAV from an in-memory stream; true when a sound came back.
    static bool WavLoads(const Bytes& bytes, Decoded* d) {
        if (bytes.empty()) return false;  // (an empty stream cannot be opened; an empty file is tested below)
        FILE* f = fmemopen(const_cast<unsigned char*>(bytes.data()), bytes.size(), "rb");
        EXPECT_NE(f, nullptr);
        if (!f) return false;
        d->data = LoadWAV(f, &d->length, &d->channels, &d->format, &d->hertz);
        std::fclose(f);
        return d->data != nullptr;
    }
    static bool WavLoads(const Bytes& bytes) {
        Decoded d;
        return WavLoads(bytes, &d);
    }

    static std::string* dir;
};
std::string* LoaderTest::dir = nullptr;

}  // namespace

TEST_F(LoaderTest, SoxFilesLoadWithTheirLengthChannelsAndRate) {
    struct Expect {
        const char* name;
        int length, channels, format, hertz;
    };
    for (Expect e :
         {Expect{"m8", 1001, 1, 1, 11025}, Expect{"s8", 1500, 2, 1, 22050}, Expect{"m16", 2000, 1, 2, 44100},
          Expect{"s16", 2500, 2, 2, 48000}, Expect{"m24", 100, 3, 3, 8000}}) {
        Decoded d;
        Decode(Path(e.name, ".wav"), false, &d);
        ASSERT_NE(d.data, nullptr) << e.name;
        EXPECT_EQ(d.length, e.length) << e.name;
        EXPECT_EQ(d.channels, e.channels) << e.name;
        EXPECT_EQ(d.format, e.format) << e.name;
        EXPECT_EQ(d.hertz, e.hertz) << e.name;
    }

    // The samples as stored, compared with sox's own raw extraction.
    ASSERT_EQ(Shell("sox '" + Path("s16", ".wav") + "' -t raw '" + Path("s16", ".raw") + "'"), 0);
    Bytes raw = ReadFile(Path("s16", ".raw"));
    Decoded d;
    Decode(Path("s16", ".wav"), false, &d);
    ASSERT_EQ(raw.size(), static_cast<size_t>(d.Bytes()));
    EXPECT_EQ(std::memcmp(raw.data(), d.data, raw.size()), 0);
}

TEST_F(LoaderTest, ListChunksAndLongFormatChunksAreSkipped) {
    for (const char* name : {"m8", "s16"}) {
        Bytes sox = ReadFile(Path(name, ".wav"));
        Decoded plain;
        ASSERT_TRUE(WavLoads(sox, &plain));
        std::vector<unsigned char> expected(plain.data, plain.data + plain.Bytes());
        for (const Bytes& variant :
             {WithListChunk(sox), WithLongFormat(sox), WithListChunk(WithLongFormat(sox))}) {
            Decoded d;
            ASSERT_TRUE(WavLoads(variant, &d)) << name;
            EXPECT_EQ(d.length, plain.length) << name;
            EXPECT_EQ(d.channels, plain.channels) << name;
            EXPECT_EQ(std::vector<unsigned char>(d.data, d.data + d.Bytes()), expected) << name;
        }
    }
}

TEST_F(LoaderTest, OggFilesDecodeCompletelyToSixteenBits) {
    struct Expect {
        const char* name;
        int length, channels, hertz;
    };
    for (Expect e : {Expect{"om", 3001, 1, 22050}, Expect{"os", 4000, 2, 44100}}) {
        Decoded d;
        Decode(Path(e.name, ".ogg"), true, &d);
        ASSERT_NE(d.data, nullptr) << e.name;
        EXPECT_EQ(d.length, e.length) << e.name;
        EXPECT_EQ(d.channels, e.channels) << e.name;
        EXPECT_EQ(d.format, 2) << e.name;
        EXPECT_EQ(d.hertz, e.hertz) << e.name;

        // Close to the source samples (lossy, so within a margin).
        Decoded src;
        Decode(Path(e.name, ".src.wav"), false, &src);
        ASSERT_EQ(src.Bytes(), d.Bytes());
        const int16_t* a = reinterpret_cast<const int16_t*>(src.data);
        const int16_t* b = reinterpret_cast<const int16_t*>(d.data);
        double err = 0, sig = 0;
        for (int i = 0; i < d.length * d.channels; ++i) {
            err += (a[i] - b[i]) * static_cast<double>(a[i] - b[i]);
            sig += a[i] * static_cast<double>(a[i]);
        }
        EXPECT_LT(err, sig * 0.01) << e.name;
    }
}

TEST_F(LoaderTest, MalformedWavFilesGiveNull) {
    ASSERT_TRUE(WavLoads(HandMade()));
    std::string empty = Path("empty", ".wav");
    WriteFile(empty, Bytes{});
    Decoded none;
    Decode(empty, false, &none);
    EXPECT_EQ(none.data, nullptr);
    EXPECT_FALSE(WavLoads(Bytes{'R', 'I', 'F', 'F'}));

    struct Case {
        const char* what;
        void (*mutate)(Bytes&);
    };
    for (Case c : {
             Case{"RIFX", [](Bytes& b) { b[3] = 'X'; }},
             Case{"not WAVE", [](Bytes& b) { b[8] = 'A'; }},
             Case{"float samples", [](Bytes& b) { b[20] = 3; }},
             Case{"zero channels", [](Bytes& b) { b[kChannels] = 0; }},
             Case{"zero bits", [](Bytes& b) { b[kBits] = 0; }},
             Case{"four bits", [](Bytes& b) { b[kBits] = 4; }},
             Case{"format size -1", [](Bytes& b) { Put32(b, kFmtSize, 0xffffffffu); }},
             Case{"format size 14", [](Bytes& b) { Put32(b, kFmtSize, 14); }},
             Case{"format size past the end", [](Bytes& b) { Put32(b, kFmtSize, 1000); }},
             Case{"data size -1", [](Bytes& b) { Put32(b, kDataSize, 0xffffffffu); }},
             Case{"data size past the end", [](Bytes& b) { Put32(b, kDataSize, 17); }},
             Case{"truncated data", [](Bytes& b) { b.pop_back(); }},
             Case{"no data chunk", [](Bytes& b) { b.resize(36); }},
             Case{"data tag only", [](Bytes& b) { b.resize(40); }},
             Case{"first chunk not fmt",
                  [](Bytes& b) {
                      Bytes list{'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
                      b.insert(b.begin() + 12, list.begin(), list.end());
                  }},
             Case{"huge chunk before the data",
                  [](Bytes& b) {
                      Bytes junk{'j', 'u', 'n', 'k', 0xf0, 0xff, 0xff, 0x7f};
                      b.insert(b.begin() + 36, junk.begin(), junk.end());
                  }},
         }) {
        Bytes b = HandMade();
        c.mutate(b);
        EXPECT_FALSE(WavLoads(b)) << c.what;
    }
}

// Every prefix of a file cuts into its data, so none of them may load; and random damage to the
// headers never makes the reader go beyond the file.
TEST_F(LoaderTest, TruncatedAndDamagedFilesNeverReadPastTheFile) {
    Bytes full = WithListChunk(WithLongFormat(ReadFile(Path("m16", ".wav"))));
    ASSERT_TRUE(WavLoads(full));
    for (size_t n = 0; n < full.size(); n += (n < 200 ? 1 : 97)) {
        ASSERT_FALSE(WavLoads(Bytes(full.begin(), full.begin() + n))) << n;
    }

    std::mt19937 rng(5);
    Bytes small = WithListChunk(HandMade(4));
    int loaded = 0;
    for (int i = 0; i < 3000; ++i) {
        Bytes b = small;
        int hits = 1 + static_cast<int>(rng() % 4);
        for (int h = 0; h < hits; ++h) b[rng() % 80 % b.size()] = static_cast<unsigned char>(rng());
        Decoded d;
        if (WavLoads(b, &d)) {
            ++loaded;
            ASSERT_GE(d.channels, 1);
            ASSERT_GE(d.format, 1);
            ASSERT_LE(static_cast<size_t>(d.Bytes()), b.size());
        }
    }
    EXPECT_GT(loaded, 300);  // damage to the samples themselves is harmless
    EXPECT_LT(loaded, 2700);
}

TEST_F(LoaderTest, DamagedOggFilesDoNotCrash) {
    Bytes ogg = ReadFile(Path("os", ".ogg"));
    std::string path = Path("case", ".ogg");
    WriteFile(path, Bytes(ogg.size(), 0x55));
    Decoded garbage;
    Decode(path, true, &garbage);
    EXPECT_EQ(garbage.data, nullptr);

    WriteFile(path, Bytes(ogg.begin(), ogg.begin() + ogg.size() / 2));
    Decoded half;
    Decode(path, true, &half);
    if (half.data) {
        EXPECT_LT(half.length, 4000);
    }
}

TEST_F(LoaderTest, HostPicksTheDecoderByExtension) {
    VxGlfwGame host;
    int length = 0, channels = 0, format = 0, hertz = 0;
    // Upper-case extensions are recognised.
    Shell("cp '" + Path("m16", ".wav") + "' '" + Path("UP", ".WAV") + "' && cp '" + Path("om", ".ogg") +
          "' '" + Path("UP", ".Ogg") + "' && cp '" + Path("m16", ".wav") + "' '" + Path("wav", ".mp3") + "'");
    unsigned char* wav =
        host.LoadAudioData(String(Path("UP", ".WAV").c_str()), &length, &channels, &format, &hertz);
    ASSERT_NE(wav, nullptr);
    EXPECT_EQ(length, 2000);
    std::free(wav);
    unsigned char* ogg =
        host.LoadAudioData(String(Path("UP", ".Ogg").c_str()), &length, &channels, &format, &hertz);
    ASSERT_NE(ogg, nullptr);
    EXPECT_EQ(length, 3001);
    EXPECT_EQ(format, 2);
    std::free(ogg);
    EXPECT_EQ(host.LoadAudioData(String(Path("wav", ".mp3").c_str()), &length, &channels, &format, &hertz),
              nullptr);
    EXPECT_EQ(host.LoadAudioData(String(Path("none", ".wav").c_str()), &length, &channels, &format, &hertz),
              nullptr);
}
