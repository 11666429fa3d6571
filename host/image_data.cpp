// Image decoding for the native layer: the file is opened through the host's file layer (so logical
// paths such as "zorbin://data/..." work) and decoded with stb_image, keeping the image's own
// number of components (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA), rows top to bottom.
#include <stb/stb_image.h>

#include <cstdio>

#include "host/vxgame.h"

unsigned char* VxGlfwGame::LoadImageData(const String& path, int* width, int* height, int* depth) {
    FILE* file = OpenFile(path, String("rb"));
    if (!file) return nullptr;
    unsigned char* data = stbi_load_from_file(file, width, height, depth, 0);
    fclose(file);
    if (data) gc_ext_malloced(*width * *height * *depth);
    return data;
}
