// Test support: a private X server (Xvfb) per test program, so that windows, focus and synthetic
// key presses of one test program never meet those of another running at the same time, and small
// Xlib helpers that act like a window manager or another client.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace xtest {

// Starts `Xvfb` on a free display number chosen by the server itself.
class XServer {
  public:
    explicit XServer(std::vector<std::string> extra = {}) {
        int fds[2];
        if (pipe(fds) != 0) return;
        std::vector<std::string> args = {
            "Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (pid_ && poll(&p, 1, 10000) > 0) {
            char c;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number.push_back(c);
        }
        close(fds[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~XServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& Name() const { return name_; }
    bool Ok() const { return !name_.empty(); }

  private:
    pid_t pid_ = 0;
    std::string name_;
};

// What a window manager sends when its close button is pressed.
inline void SendCloseRequest(Display* dpy, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, window, False, NoEventMask, &event);
    XSync(dpy, False);
}

inline std::string WindowName(Display* dpy, Window window) {
    char* name = nullptr;
    std::string out;
    if (XFetchName(dpy, window, &name) && name) {
        out = name;
        XFree(name);
    }
    return out;
}

// Runs a shell command line (test scripts only: the arguments are fixed strings).
inline int Run(const std::string& command) {
    return std::system(command.c_str());
}

}  // namespace xtest
