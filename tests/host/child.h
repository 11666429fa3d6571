// Test support: a child process with its standard output read line by line.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace xtest {

class Child {
  public:
    // `env` entries "NAME=value" replace or add variables; "NAME" alone removes one.
    Child(const std::vector<std::string>& args, const std::vector<std::string>& env) {
        std::vector<std::string> vars;
        for (char** e = environ; *e; ++e) {
            std::string v = *e;
            bool replaced = false;
            for (const std::string& change : env) {
                std::string name = change.substr(0, change.find('='));
                replaced |= v.compare(0, name.size() + 1, name + "=") == 0;
            }
            if (!replaced) vars.push_back(v);
        }
        for (const std::string& change : env)
            if (change.find('=') != std::string::npos) vars.push_back(change);
        std::vector<char*> envp, argv;
        for (auto& v : vars) envp.push_back(v.data());
        envp.push_back(nullptr);
        std::vector<std::string> a = args;
        for (auto& s : a) argv.push_back(s.data());
        argv.push_back(nullptr);

        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
    }
    ~Child() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }

    // The next line of output (without its newline), or false at the end or after `seconds`.
    bool ReadLine(std::string& line, double seconds = 10.0) {
        auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (;;) {
            size_t nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                all_ += line + "\n";
                return true;
            }
            int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                    .count());
            if (left <= 0) return false;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, left) <= 0) return false;
            char chunk[256];
            ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0) return false;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }
    // Everything until the end of the output.
    std::string ReadAll(double seconds = 10.0) {
        std::string line;
        while (ReadLine(line, seconds)) {
        }
        return all_;
    }
    // The exit status (0-255), or -1 if it did not end in time or ended by a signal.
    int Wait(double seconds = 10.0) {
        auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
                return WIFEXITED(status) ? status_ : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    bool Started() const { return pid_ > 0; }

  private:
    pid_t pid_ = 0;
    int out_ = -1;
    int status_ = -1;
    std::string buffer_, all_;
};

}  // namespace xtest
