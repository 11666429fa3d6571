// The Ogg path: stb_vorbis decodes the whole file into one block of 16-bit samples, or the reader
// gives null.
#include "fuzz/fuzz_util.h"
#include "host/audio_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int format = 0;
    if (fuzz_sound(data, size, LoadOGG, &format) > 0) FUZZ_CHECK(format == 2);
    return 0;
}
