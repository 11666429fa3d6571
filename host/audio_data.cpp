// Sound decoding for the native layer (to be written).
#include "host/vxgame.h"

unsigned char* VxGlfwGame::LoadAudioData(const String&, int*, int*, int*, int*) {
    return nullptr;
}
