// Sound decoding for the native layer: WAV (PCM) and Ogg Vorbis files, read whole into memory.
#include "host/audio_data.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include "host/vxgame.h"

namespace {

// A WAV reader that knows how many bytes are left in the file, so that no size taken from the
// file can make it allocate or skip more than the file holds.
class WavReader {
  public:
    explicit WavReader(FILE* file) : file_(file) {}

    // False when the file cannot be measured (not seekable).
    bool Measure() {
        long start = std::ftell(file_);
        if (start < 0 || std::fseek(file_, 0, SEEK_END) != 0) return false;
        long end = std::ftell(file_);
        if (end < 0 || std::fseek(file_, start, SEEK_SET) != 0) return false;
        remaining_ = static_cast<uint64_t>(end - start);
        return true;
    }

    uint64_t Remaining() const { return remaining_; }

    // The next four bytes compared with `tag`; a tag that cannot be read matches nothing.
    bool Tag(const char* tag) {
        char buf[4];
        if (!Read(buf, 4)) return false;
        return std::memcmp(buf, tag, 4) == 0;
    }

    bool U16(uint32_t* value) {
        unsigned char b[2];
        if (!Read(b, 2)) return false;
        *value = b[0] | (b[1] << 8);
        return true;
    }

    bool U32(uint32_t* value) {
        unsigned char b[4];
        if (!Read(b, 4)) return false;
        *value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
        return true;
    }

    bool Read(void* out, uint64_t count) {
        if (count > remaining_) return false;
        if (count && std::fread(out, 1, count, file_) != count) return false;
        remaining_ -= count;
        return true;
    }

    // Skips `count` bytes; a chunk's pad byte may be missing at the very end of the file.
    bool Skip(uint64_t count, bool allowShortPad = false) {
        if (count > remaining_) {
            if (!(allowShortPad && count == remaining_ + 1)) return false;
            count = remaining_;
        }
        if (count && std::fseek(file_, static_cast<long>(count), SEEK_CUR) != 0) return false;
        remaining_ -= count;
        return true;
    }

  private:
    FILE* file_;
    uint64_t remaining_ = 0;
};

}  // namespace

unsigned char* LoadWAV(FILE* file, int* length, int* channels, int* format, int* hertz) {
    WavReader in(file);
    if (!in.Measure()) return nullptr;

    uint32_t riffSize;
    if (!in.Tag("RIFF") || !in.U32(&riffSize) || !in.Tag("WAVE")) return nullptr;

    // The format chunk must come first.
    uint32_t fmtLength, audioFormat, channelCount, rate, byteRate, blockAlign, bits;
    if (!in.Tag("fmt ") || !in.U32(&fmtLength)) return nullptr;
    if (fmtLength < 16 || fmtLength > in.Remaining()) return nullptr;
    if (!in.U16(&audioFormat) || audioFormat != 1) return nullptr;
    if (!in.U16(&channelCount) || !in.U32(&rate) || !in.U32(&byteRate) || !in.U16(&blockAlign) ||
        !in.U16(&bits)) {
        return nullptr;
    }
    // Zero channels or fewer than 8 bits per sample would make a frame zero bytes long.
    uint32_t bytesPerSample = bits >> 3;
    if (channelCount == 0 || bytesPerSample == 0) return nullptr;
    // Extra format bytes, and the pad byte that follows every odd-sized chunk.
    if (!in.Skip(fmtLength - 16 + (fmtLength & 1))) return nullptr;

    for (;;) {
        char tag[4];
        uint32_t size;
        if (!in.Read(tag, 4) || !in.U32(&size)) return nullptr;
        if (size > in.Remaining()) return nullptr;  // claims more than the file holds
        if (std::memcmp(tag, "data", 4) != 0) {
            if (!in.Skip(static_cast<uint64_t>(size) + (size & 1), true)) return nullptr;
            continue;
        }
        unsigned char* data = static_cast<unsigned char*>(std::malloc(size ? size : 1));
        if (!data) return nullptr;
        if (!in.Read(data, size)) {
            std::free(data);
            return nullptr;
        }
        uint32_t frameBytes = channelCount * bytesPerSample;
        *length = static_cast<int>(size / frameBytes);
        *channels = static_cast<int>(channelCount);
        *format = static_cast<int>(bytesPerSample);
        *hertz = static_cast<int>(rate);
        return data;
    }
}

namespace {

// The decoder works inside one block the loader owns, so that a damaged file can neither make it
// allocate what the file merely claims (a comment list of four billion entries) nor leak what it
// set up before it gave up. A stream that needs more starts again with a block twice as large.
constexpr int kVorbisArenaFirst = 256 * 1024;
constexpr int kVorbisArenaLimit = 32 * 1024 * 1024;

// The decoder trusts the header packets' sizes. A comment length near 2^31 overflows its size
// arithmetic, a list longer than its packet writes before a block, and after a failed list
// allocation its clean-up dereferences null. A codebook's entries times its dimensions is an int
// product that sizes its tables, so a large one wraps and the tables overlap the decoder's own
// state; and a lookup table's size comes from floating-point powers that leave the int range for
// books of many dimensions. So the comment header and the codebooks are checked here first.
// Real encoders' books are thousands of times smaller than the limits below.
constexpr size_t kVorbisMaxHeaderPacket = 4 * 1024 * 1024;

uint32_t ReadU32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// The comment and set-up headers, the second and third packets of the stream, gathered from the
// Ogg pages; false when the stream ends first or a packet is implausibly large.
bool ReadHeaderPackets(FILE* file, std::vector<unsigned char>* comment, std::vector<unsigned char>* setup) {
    std::vector<unsigned char>* packets[] = {nullptr, comment, setup};
    int index = 0;
    for (;;) {
        unsigned char page[27], lacing[255], segment[255];
        if (std::fread(page, 1, 27, file) != 27 || std::memcmp(page, "OggS", 4) != 0) return false;
        const int segments = page[26];
        if (std::fread(lacing, 1, segments, file) != static_cast<size_t>(segments)) return false;
        for (int s = 0; s < segments; ++s) {
            const size_t n = lacing[s];
            if (std::fread(segment, 1, n, file) != n) return false;
            if (std::vector<unsigned char>* packet = packets[index]) {
                packet->insert(packet->end(), segment, segment + n);
                if (packet->size() > kVorbisMaxHeaderPacket) return false;
            }
            if (n < 255 && ++index > 2) return true;
        }
    }
}

// The arena size that holds the comment header with room for the rest of the set-up; 0 when the
// header is damaged.
int VorbisFirstArena(const std::vector<unsigned char>& b) {
    if (b.size() < 15) return 0;
    auto rounded = [](uint64_t n) { return (n + 7) & ~uint64_t(7); };
    size_t at = 7;
    const uint32_t vendor = ReadU32(b, at);
    if (vendor > b.size() - 15) return 0;
    at += 4 + vendor;
    const uint32_t count = ReadU32(b, at);
    at += 4;
    uint64_t need = rounded(vendor + 1ull);
    if (count < 0x80000000u) {  // a negative count reads as no list
        if (count > (b.size() - at) / 4) return 0;
        need += rounded(8ull * count);
        for (uint32_t i = 0; i < count; ++i) {
            if (b.size() - at < 4) return 0;
            const uint32_t length = ReadU32(b, at);
            at += 4;
            if (length > b.size() - at) return 0;
            at += length;
            need += rounded(length + 1ull);
        }
    }
    return kVorbisArenaFirst + static_cast<int>(need);
}

// A packet's bits, least significant first; reading past its end gives zeros and sets `over`.
struct PacketBits {
    const std::vector<unsigned char>& bytes;
    uint64_t at = 0;
    bool over = false;

    uint32_t Get(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++at) {
            if (at >= bytes.size() * 8ull) {
                over = true;
                break;
            }
            v |= ((bytes[at / 8] >> (at % 8)) & 1u) << i;
        }
        return v;
    }
    void Skip(uint64_t n) {
        if (n > bytes.size() * 8ull - at) over = true;
        at = over ? bytes.size() * 8ull : at + n;
    }
};

// a to the power n, or cap + 1 when that is more than cap.
uint64_t PowerUpTo(uint64_t a, uint64_t n, uint64_t cap) {
    uint64_t p = 1;
    for (; n > 0; --n)
        if ((p *= a) > cap) return cap + 1;
    return p;
}

// Whether every codebook of the set-up header is one the decoder sizes safely (see above).
bool VorbisCodebooksSafe(const std::vector<unsigned char>& setup) {
    if (setup.size() < 8) return false;
    PacketBits in{setup, 7 * 8};
    const int books = static_cast<int>(in.Get(8)) + 1;
    for (int i = 0; i < books; ++i) {
        if (in.Get(24) != 0x564342) return false;
        const uint64_t dimensions = in.Get(16), entries = in.Get(24);
        if (entries * dimensions * sizeof(float) > kVorbisArenaLimit) return false;
        if (in.Get(1)) {  // lengths given as runs
            uint64_t done = 0;
            for (int length = static_cast<int>(in.Get(5)) + 1; done < entries; ++length) {
                if (length >= 32 || in.over) return false;
                done += in.Get(std::bit_width(static_cast<uint32_t>(entries - done)));
            }
        } else {
            const bool sparse = in.Get(1);
            for (uint64_t e = 0; e < entries && !in.over; ++e)
                if (!sparse || in.Get(1)) in.Get(5);
        }
        const uint32_t lookup = in.Get(4);
        if (lookup == 1 || lookup == 2) {
            in.Skip(64);  // the minimum and the step
            const int bits = static_cast<int>(in.Get(4)) + 1;
            in.Skip(1);
            uint64_t values = entries * dimensions;
            if (lookup == 1 && entries > 0 && dimensions > 0) {
                // The largest r with r^dimensions <= entries; the decoder's estimate of it may be
                // one off, and its powers of one more than that must stay within an int.
                uint64_t r = static_cast<uint64_t>(std::pow(double(entries), 1.0 / double(dimensions)));
                while (r > 0 && PowerUpTo(r, dimensions, entries) > entries) --r;
                while (PowerUpTo(r + 1, dimensions, entries) <= entries) ++r;
                if (PowerUpTo(r + 2, dimensions, INT32_MAX) > INT32_MAX) return false;
                values = r;
            }
            in.Skip(values * bits);
        }
        if (in.over) return false;
    }
    return true;
}

struct VorbisDecoder {
    stb_vorbis* decoder = nullptr;
    char* arena = nullptr;

    ~VorbisDecoder() {
        if (decoder) stb_vorbis_close(decoder);
        std::free(arena);
    }

    bool Open(FILE* file) {
        long start = std::ftell(file);
        if (start < 0) return false;
        std::vector<unsigned char> comment, setup;
        if (!ReadHeaderPackets(file, &comment, &setup) || !VorbisCodebooksSafe(setup)) return false;
        const int first = VorbisFirstArena(comment);
        if (first == 0) return false;
        for (int size = first; size <= kVorbisArenaLimit; size *= 2) {
            std::free(arena);
            arena = static_cast<char*>(std::malloc(size));
            if (!arena || std::fseek(file, start, SEEK_SET) != 0) return false;
            stb_vorbis_alloc alloc{arena, size};
            int error = 0;
            decoder = stb_vorbis_open_file(file, 0, &error, &alloc);
            if (decoder) return true;
            if (error != VORBIS_outofmem) return false;
        }
        return false;
    }
};

}  // namespace

unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz) {
    VorbisDecoder vorbis;
    if (!vorbis.Open(file)) return nullptr;
    stb_vorbis* decoder = vorbis.decoder;
    stb_vorbis_info info = stb_vorbis_get_info(decoder);
    int c = info.channels;
    if (c <= 0) return nullptr;
    size_t step = static_cast<size_t>(c) * 4096;
    size_t capacity = step;
    size_t used = 0;
    short* buffer = static_cast<short*>(std::malloc(capacity * sizeof(short)));
    while (buffer) {
        int frames = stb_vorbis_get_frame_short_interleaved(decoder, c, buffer + used,
                                                            static_cast<int>(capacity - used));
        if (frames <= 0) break;
        used += static_cast<size_t>(frames) * c;
        if (capacity < used + step) {
            capacity *= 2;
            short* grown = static_cast<short*>(std::realloc(buffer, capacity * sizeof(short)));
            if (!grown) std::free(buffer);
            buffer = grown;
        }
    }
    if (!buffer) return nullptr;
    // Samples beyond what a 32-bit length can describe are not playable anyway.
    if (used / c > 0x7fffffff / (2 * static_cast<size_t>(c))) {
        std::free(buffer);
        return nullptr;
    }
    short* shrunk = static_cast<short*>(std::realloc(buffer, (used ? used : 1) * sizeof(short)));
    if (shrunk) buffer = shrunk;
    *length = static_cast<int>(used / c);
    *channels = c;
    *format = 2;
    *hertz = static_cast<int>(info.sample_rate);
    return reinterpret_cast<unsigned char*>(buffer);
}

unsigned char* VxGlfwGame::LoadAudioData(const String& path, int* length, int* channels, int* format,
                                         int* hertz) {
    FILE* file = OpenFile(path, String("rb"));
    if (!file) return nullptr;
    String lower = path.ToLower();
    unsigned char* data = nullptr;
    if (lower.EndsWith(String(".wav"))) {
        data = LoadWAV(file, length, channels, format, hertz);
    } else if (lower.EndsWith(String(".ogg"))) {
        data = LoadOGG(file, length, channels, format, hertz);
    }
    std::fclose(file);
    if (data) gc_ext_malloced(*length * *channels * *format);
    return data;
}
