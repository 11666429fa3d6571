#include "host/vxgame.h"

int main(int argc, char** argv) {
    return VxZorbinGame::Main(argc, argv);
}
