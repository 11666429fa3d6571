// The program's start-up: the host the command line asks for (host/recording.h), the windowing
// library, signal handlers, the locale, the collector, the program's globals and application
// object, then the main loop.
#include <GLFW/glfw3.h>

#include <clocale>
#include <csignal>
#include <cstdlib>

#include "host/recording.h"
#include "host/vxgame.h"

int VxZorbinGame::Main(int argc, char** argv) {
    // The host lives for the whole process.
    VxGlfwGame* game = vx_host_for_command_line(argc, argv);

    // Hats are reported as axes by the host (see PollJoystick), not as extra buttons.
#if GLFW_VERSION_MAJOR > 3 || GLFW_VERSION_MINOR >= 3
    glfwInitHint(GLFW_JOYSTICK_HAT_BUTTONS, GLFW_FALSE);
#endif
    if (!glfwInit()) {
        vxPrint(String("glfwInit failed"));
        std::exit(-1);
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

    if (game->Delegate()) game->Run();

    glfwTerminate();
    return 0;
}
