// Helpers shared by the fuzz targets.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The input as a read-only stream (an empty input reads as an empty file).
inline FILE* fuzz_open(const uint8_t* data, size_t size) {
    if (size == 0) return std::fopen("/dev/null", "rb");
    return fmemopen(const_cast<uint8_t*>(data), size, "rb");
}

// A broken invariant: ends the run so that libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

// The input given to a sound reader (LoadWAV, LoadOGG) as a file. The sound it returns has a sane
// shape and every byte of it can be read; returns its size in bytes (0 for none) and its bytes per
// sample in `*format`.
inline size_t fuzz_sound(const uint8_t* data, size_t size,
                         unsigned char* (*read)(FILE*, int*, int*, int*, int*), int* format) {
    FILE* file = fuzz_open(data, size);
    FUZZ_CHECK(file != nullptr);
    int length = -1, channels = -1, hertz = -1;
    *format = -1;
    unsigned char* sound = read(file, &length, &channels, format, &hertz);
    std::fclose(file);
    if (!sound) return 0;
    FUZZ_CHECK(length >= 0 && channels > 0 && *format > 0);
    const size_t bytes = static_cast<size_t>(length) * channels * *format;
    volatile unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum = sum + sound[i];
    std::free(sound);
    return bytes;
}
