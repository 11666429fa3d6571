// Sound decoding for the native layer: WAV (PCM) and Ogg Vorbis files, read whole into memory.
#include "host/audio_data.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

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

unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz) {
    int error = 0;
    stb_vorbis* decoder = stb_vorbis_open_file(file, 0, &error, nullptr);
    if (!decoder) return nullptr;
    stb_vorbis_info info = stb_vorbis_get_info(decoder);
    int c = info.channels;
    if (c <= 0) {
        stb_vorbis_close(decoder);
        return nullptr;
    }
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
    stb_vorbis_close(decoder);
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
