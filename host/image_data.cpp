// Image decoding for the native layer: the file is opened through the host's file layer (so logical
// paths such as "zorbin://data/..." work) and decoded with stb_image, keeping the image's own
// number of components (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA), rows top to bottom: at once, or on
// the image worker (host/image_decode.h) once the file is open and its header read.
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

// The file at `path`, at its start, when it is a PNG file whose chunks fit and whose header gives a
// believable size; null otherwise.
FILE* OpenImage(VxGame* host, const String& path, int* width, int* height, int* depth) {
    FILE* file = host->OpenFile(path, String("rb"));
    if (!file) return nullptr;
    // stbi_info_from_file leaves the file where it found it.
    if (PngChunksFit(file) && stbi_info_from_file(file, width, height, depth) &&
        SizeBelievable(*width, *height) && *depth >= 1 && *depth <= 4)
        return file;
    fclose(file);
    return nullptr;
}

}  // namespace

unsigned char* VxGlfwGame::LoadImageData(const String& path, int* width, int* height, int* depth) {
    int w = 0, h = 0, d = 0;
    FILE* file = OpenImage(this, path, &w, &h, &d);
    if (!file) return nullptr;
    unsigned char* data = stbi_load_from_file(file, &w, &h, &d, 0);
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

std::shared_ptr<VxImageDecode> VxGlfwGame::StartImageData(const String& path, int* width, int* height,
                                                          int* depth, VxImageDecode::Finish finish) {
    int w = 0, h = 0, d = 0;
    FILE* file = OpenImage(this, path, &w, &h, &d);
    if (!file) return nullptr;
    *width = w;
    *height = h;
    *depth = d;
    // Reported now, on the main thread: the collector's pace stays the same whenever the decode ends.
    gc_ext_malloced(w * h * d);
    return VxImageDecode::Start(file, w, h, d, finish);
}
