// Image decoding for the native layer (to be written).
#include "host/vxgame.h"

unsigned char* VxGlfwGame::LoadImageData(const String&, int*, int*, int*) {
    return nullptr;
}
