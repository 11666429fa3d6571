// The program's start-up: the command line, the windowing library, the host, signal handlers, the
// locale, the collector, the program's globals and application object, then the main loop.
//
//   zarnok [--record FILE | --replay FILE]
//
// --record plays as usual and writes the game into FILE; --replay shows a recorded game (or a
// scenario script) in the window instead of playing. Exit status 2 for a bad command line or file.
#include <GLFW/glfw3.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/recording.h"
#include "host/script.h"
#include "host/sim_game.h"
#include "host/vxgame.h"

namespace {

[[noreturn]] void Usage(const std::string& message) {
    std::fprintf(stderr, "zarnok: %s\nusage: zarnok [--record FILE | --replay FILE]\n", message.c_str());
    std::exit(2);
}

// Reads the game a replay shows.
void ReadReplay(const std::string& path, std::vector<SimEvent>* events, SimRecording* recording) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Usage("cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!sim_parse_script(text.str(), events, &error, nullptr, recording)) Usage(path + ": " + error);
}

}  // namespace

int VxZorbinGame::Main(int argc, char** argv) {
    std::string record, replay;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--record" || a == "--replay") && i + 1 < argc) {
            (a == "--record" ? record : replay) = argv[++i];
        } else {
            Usage(a == "--record" || a == "--replay" ? a + " needs a file" : "unknown argument " + a);
        }
    }
    if (!record.empty() && !replay.empty()) Usage("--record and --replay exclude each other");
    FILE* recordFile = nullptr;
    if (!record.empty() && !(recordFile = std::fopen(record.c_str(), "w"))) Usage("cannot write " + record);
    std::vector<SimEvent> events;
    SimRecording recording;
    if (!replay.empty()) ReadReplay(replay, &events, &recording);

    // Hats are reported as axes by the host (see PollJoystick), not as extra buttons.
    glfwInitHint(GLFW_JOYSTICK_HAT_BUTTONS, GLFW_FALSE);
    if (!glfwInit()) {
        vxPrint(String("glfwInit failed"));
        std::exit(-1);
    }

    // The host lives for the whole process.
    VxGlfwGame* game = nullptr;
    VxSimGame* replayer = nullptr;
    if (!replay.empty()) {
        game = replayer = new VxSimGame(640, 480, true);
        if (recording.present) replayer->UseRecording(recording, events, replay);
    } else {
        game = recordFile ? new VxRecordingGame(recordFile) : new VxZorbinGame();
    }

    std::signal(SIGSEGV, sighandler);
    std::signal(SIGILL, sighandler);
    std::signal(SIGFPE, sighandler);

    if (!std::setlocale(LC_CTYPE, "en_US.UTF-8")) std::setlocale(LC_CTYPE, "");

    gc_init1();

    try {
        vxInit();
        gc_init2();
        vxMain();
    } catch (ThrowableObject* e) {
        glfwTerminate();
        game->Die(e);
    }

    if (game->Delegate() && replayer) replayer->Replay(events, events.empty() ? 1 : events.back().pass + 1);
    if (game->Delegate()) game->Run();

    glfwTerminate();
    return 0;
}
