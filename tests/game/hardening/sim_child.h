// Runs the scenario runner (build/zarnok-sim) as a child process in a folder of the test's own,
// with standard output and errors read line by line as they come.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/game/scenario/sim_run.h"

namespace hardening {

namespace fs = std::filesystem;
using simtest::kSim;

struct SimResult {
    int status = -1;  // exit code, or 128 + signal
    std::vector<std::string> lines;

    bool Printed(const std::string& text) const {
        for (const auto& l : lines)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
    // Lines the sanitizers or a crash would print; empty when there are none.
    std::string Reports() const {
        std::string out;
        for (const auto& l : lines)
            if (l.find("Sanitizer") != std::string::npos || l.find("runtime error") != std::string::npos ||
                l.find("Runtime Error") != std::string::npos)
                out += l + "\n";
        return out;
    }
    // Dump lines of the runner: {"pass":N,...}.
    std::vector<std::string> Dumps() const {
        std::vector<std::string> d;
        for (const auto& l : lines)
            if (l.rfind("{\"pass\":", 0) == 0) d.push_back(l);
        return d;
    }
};

struct SimOptions {
    std::string folder;                // working folder
    std::vector<std::string> args;     // runner arguments
    std::vector<std::string> env;      // NAME=VALUE added to the environment
    std::string asanOptions;           // ":name=value..." added to the sanitizer's options
    std::vector<std::string> wrapper;  // a command that runs the runner: wrapper..., runner, args...
    long fileSizeLimit = -1;           // RLIMIT_FSIZE in bytes (SIGXFSZ ignored: writes fail instead)
    std::function<void(pid_t, const std::string&)> onLine;  // each line, while the child runs
};

inline SimResult RunSim(const SimOptions& o) {
    int fds[2];
    SimResult r;
    if (pipe(fds) != 0) return r;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        if (chdir(o.folder.c_str()) != 0) _exit(120);
        setenv("LP_NUM_THREADS", "0", 1);  // no rasteriser threads
        // The leak check at exit stops the world through a tracer, which now and then dies beside
        // the game's other threads ("LeakSanitizer has encountered a fatal error"); the runs here
        // look for memory errors, and the unit tests check for leaks.
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string options = (asan ? std::string(asan) + ":" : "") + "detect_leaks=0" + o.asanOptions;
        setenv("ASAN_OPTIONS", options.c_str(), 1);
        for (const auto& e : o.env) putenv(const_cast<char*>(e.c_str()));
        if (o.fileSizeLimit >= 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{static_cast<rlim_t>(o.fileSizeLimit), static_cast<rlim_t>(o.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv;
        for (const auto& a : o.wrapper) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(const_cast<char*>(kSim.c_str()));
        for (const auto& a : o.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(121);
    }
    close(fds[1]);
    FILE* in = fdopen(fds[0], "r");
    char* line = nullptr;
    size_t capacity = 0;
    for (ssize_t n; (n = getline(&line, &capacity, in)) >= 0;) {
        std::string l(line, static_cast<size_t>(n));
        if (!l.empty() && l.back() == '\n') l.pop_back();
        if (o.onLine) o.onLine(pid, l);
        r.lines.push_back(l);
    }
    std::free(line);
    std::fclose(in);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

// A test folder with the game's data linked in: the data/ that `make build` generated when there is
// one, else the build's own generator's (LinkData).
class HardeningTest : public simtest::SimTest {
  protected:
    bool LinkGameData() {
        const fs::path made = fs::path(ZARNOK_SOURCE_DIR) / "data";
        if (fs::exists(made / "gfx.png")) {
            fs::create_directory_symlink(made, dir / "data");
        } else if (!LinkData()) {
            return false;
        }
        dataSource = fs::read_symlink(dir / "data");
        return true;
    }
    fs::path dataSource;
};

}  // namespace hardening
