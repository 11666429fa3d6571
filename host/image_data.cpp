// Image decoding for the native layer: the file is opened through the host's file layer (so logical
// paths such as "zorbin://data/..." work) and decoded with stb_image, keeping the image's own
// number of components (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA), rows top to bottom.
//
// Only PNG files reach the decoder. The game's images are PNG, and the decoder's other formats
// (JPEG first) write outside their tables on damaged files, so they are refused before decoding.
#include <stb/stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/vxgame.h"

namespace {

// No texture is larger than this on any side; a header claiming more is damage, and believing it
// would have the decoder fill gigabytes from a file of a few bytes.
constexpr int kMaxImageSide = 16384;
constexpr long long kMaxImagePixels = 32LL * 1024 * 1024;

// A PNG file whose chunks all lie within the file. The decoder grows its buffer to whatever a chunk
// claims before it reads, so a damaged length would cost gigabytes.
bool PngChunksFit(FILE* file) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    unsigned char head[8];
    if (std::fread(head, 1, 8, file) != 8 || std::memcmp(head, kSignature, 8) != 0) return false;
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file);
    long at = 8;
    bool fit = true;
    while (fit && at < size) {
        if (at + 12 > size) {  // a chunk cut off within its header
            fit = false;
            break;
        }
        if (std::fseek(file, at, SEEK_SET) != 0 || std::fread(head, 1, 8, file) != 8) return false;
        const unsigned long length = (unsigned long)head[0] << 24 | head[1] << 16 | head[2] << 8 | head[3];
        fit = length <= static_cast<unsigned long>(size - at - 12);
        if (std::memcmp(head + 4, "IEND", 4) == 0) break;
        at += 12 + static_cast<long>(length);
    }
    return std::fseek(file, 0, SEEK_SET) == 0 && fit;
}

bool SizeBelievable(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           static_cast<long long>(width) * height <= kMaxImagePixels;
}

}  // namespace

unsigned char* VxGlfwGame::LoadImageData(const String& path, int* width, int* height, int* depth) {
    FILE* file = OpenFile(path, String("rb"));
    if (!file) return nullptr;
    int w = 0, h = 0, d = 0;
    unsigned char* data = nullptr;
    // stbi_info_from_file leaves the file where it found it.
    if (PngChunksFit(file) && stbi_info_from_file(file, &w, &h, &d) && SizeBelievable(w, h)) {
        data = stbi_load_from_file(file, &w, &h, &d, 0);
    }
    fclose(file);
    // Some decoders accept an image with no rows; nothing can draw it.
    if (data && (!SizeBelievable(w, h) || d < 1 || d > 4)) {
        stbi_image_free(data);
        data = nullptr;
    }
    if (!data) return nullptr;
    *width = w;
    *height = h;
    *depth = d;
    gc_ext_malloced(w * h * d);
    return data;
}
