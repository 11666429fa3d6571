// Test support: a private X server (Xvfb) per test program, so that windows, focus and synthetic key
// presses of one test program never meet those of another running at the same time; child processes
// with their standard output captured; small Xlib helpers that act like a window manager.
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

// Starts `args` with its standard output on `out` (stderr to /dev/null when `quiet`). `env` entries
// "NAME=value" replace or add variables; "NAME" alone removes one. Returns the process id or 0.
inline pid_t Spawn(std::vector<std::string> args, const std::vector<std::string>& env, int out, int closeFd,
                   bool quiet) {
    auto named = [](const std::string& c) { return c.substr(0, c.find('=')) + "="; };
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e) {
        bool drop = false;
        for (const std::string& c : env) drop |= std::string(*e).rfind(named(c), 0) == 0;
        if (!drop) vars.push_back(*e);
    }
    for (const std::string& c : env)
        if (c.find('=') != c.npos) vars.push_back(c);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& v : vars) envp.push_back(v.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, closeFd);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(out);
    return pid;
}

// A child process whose standard output the test reads once it has ended.
class Child {
  public:
    Child(const std::vector<std::string>& args, const std::vector<std::string>& env, bool quiet = false) {
        int fds[2];
        if (pipe(fds) == 0) pid_ = Spawn(args, env, fds[1], fds[0], quiet), out_ = fds[0];
    }
    ~Child() {
        if (pid_ > 0 && !ended_) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
        if (out_ >= 0) close(out_);
    }
    // The exit status (0-255), or -1 if it did not end within `seconds` or ended by a signal.
    int Wait(double seconds = 10.0) {
        for (int i = 0; i < seconds * 100; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
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
    bool Started() const { return pid_ > 0; }

  private:
    pid_t pid_ = 0;
    int out_ = -1;
    bool ended_ = false;
    std::string all_;
};

// `Xvfb` on a free display number chosen by the server itself.
class XServer {
  public:
    explicit XServer(std::vector<std::string> extra = {}) {
        int fds[2];
        if (pipe(fds) != 0) return;
        std::vector<std::string> args = {"Xvfb", "-displayfd",   "1",         "-screen",
                                         "0",    "1280x1024x24", "-nolisten", "tcp"};
        args.insert(args.end(), extra.begin(), extra.end());
        pid_ = Spawn(args, {}, fds[1], fds[0], true);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        for (char c; pid_ && poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n';) number += c;
        close(fds[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~XServer() {
        if (pid_ > 0) kill(pid_, SIGTERM), waitpid(pid_, nullptr, 0);
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
    if (XFetchName(dpy, window, &name) && name) out = name, XFree(name);
    return out;
}

// Runs a shell command line (test scripts only: the arguments are fixed strings).
inline int Run(const std::string& command) {
    return std::system(command.c_str());
}

}  // namespace xtest
