// Opens the sound device, plays a sample and ends the way the program does: by returning from main
// ("return"), through the empty fatal error ("quit") or by a fault ("segv"). The quit test checks
// what it prints.
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include "host/vxgame.h"
#include "native/gxtk_audio.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    new VxGlfwGame();
    gxtkAudio* audio = new gxtkAudio();
    gxtkSample* sample = audio->LoadSample(String(argv[2]));
    int played = sample ? audio->PlaySample(sample, 0, 1) : -2;
    vxPrint(String("played ") + String(played));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (std::strcmp(argv[1], "quit") == 0) vxError(String(""));
    if (std::strcmp(argv[1], "segv") == 0) {
        std::signal(SIGSEGV, sighandler);
        std::raise(SIGSEGV);
    }
    return 0;
}
