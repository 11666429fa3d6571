// The WAV reader: whatever the file claims, the sound it returns lies within the file's bytes and
// every byte of it can be read.
#include "fuzz/fuzz_util.h"
#include "host/audio_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int format = 0;
    FUZZ_CHECK(fuzz_sound(data, size, LoadWAV, &format) <= size);
    return 0;
}
