// The WAV reader: whatever the file claims, the sound it returns lies within the file's bytes and
// every byte of it can be read.
#include <cstdlib>

#include "fuzz/fuzz_util.h"
#include "host/audio_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = fuzz_open(data, size);
    FUZZ_CHECK(file != nullptr);
    int length = -1, channels = -1, format = -1, hertz = -1;
    unsigned char* sound = LoadWAV(file, &length, &channels, &format, &hertz);
    std::fclose(file);
    if (!sound) return 0;
    FUZZ_CHECK(length >= 0 && channels > 0 && format > 0);
    const size_t bytes = static_cast<size_t>(length) * channels * format;
    FUZZ_CHECK(bytes <= size);
    unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum += sound[i];
    std::free(sound);
    return static_cast<int>(sum & 0);
}
