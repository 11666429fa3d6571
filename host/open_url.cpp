// Opening a URL on the desktop: xdg-open, started without a shell. (The browser build opens it in
// a new tab instead, host/browser_game.cpp.)
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>
#include <thread>

#include "host/vxgame.h"

extern char** environ;

void VxGlfwGame::OpenUrl(const String& url) {
    // The URL is one argument of xdg-open, never seen by a shell.
    std::string target = url.ToUtf8();
    char program[] = "xdg-open";
    char* argv[] = {program, target.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) return;
    // Reap the opener when it finishes so it does not linger as a zombie.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}
