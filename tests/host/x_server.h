// Test support: a private X server (Xvfb) per test program, so that windows, focus and synthetic key
// presses of one test program never meet those of another running at the same time; child processes
// with their standard output captured; small Xlib helpers that act like a window manager.
#pragma once

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

// A child process with its standard output captured (its errors dropped when `quiet`); tests change
// its environment through env(1).
class Child {
  public:
    explicit Child(std::vector<std::string> args, bool quiet = false) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
    }
    ~Child() {
        if (pid_ > 0 && !ended_ && kill(pid_, SIGTERM) == 0 && Wait(5) < 0 && !ended_)
            kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
        if (out_ >= 0) close(out_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The exit status (0-255), or -1 if it did not end within `seconds` or ended by a signal.
    int Wait(double seconds = 10.0) {
        for (int i = 0; i < seconds * 100; ++i) {
            int status = 0;
            if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    // What it printed so far, read until `until` has appeared or the output ends (or 10 s of silence).
    std::string Output(const std::string& until = "") {
        char chunk[256];
        pollfd p{out_, POLLIN, 0};
        for (ssize_t n; (until.empty() || all_.find(until) == all_.npos) && poll(&p, 1, 10000) > 0 &&
                        (n = read(out_, chunk, sizeof chunk)) > 0;)
            all_.append(chunk, n);
        return all_;
    }

  private:
    pid_t pid_ = 0;
    int out_ = -1;
    bool ended_ = false;
    std::string all_;
};

// `Xvfb` on a free display number, which the server chooses and prints.
class XServer {
  public:
    explicit XServer(std::vector<std::string> extra = {})
        : xvfb_(Args(extra), true), name_(":" + xvfb_.Output("\n")) {
        if (name_.back() == '\n')
            name_.pop_back();
        else
            name_.clear();
    }
    const std::string& Name() const { return name_; }
    bool Ok() const { return !name_.empty(); }

  private:
    static std::vector<std::string> Args(std::vector<std::string> extra) {
        std::vector<std::string> args = {"Xvfb", "-displayfd",   "1",         "-screen",
                                         "0",    "1280x1024x24", "-nolisten", "tcp"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    Child xvfb_;
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

// Runs a shell command line (test scripts only: the arguments are fixed strings).
inline int Run(const std::string& command) {
    return std::system(command.c_str());
}

}  // namespace xtest
