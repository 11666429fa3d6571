// Test support: runs the scenario runner (build/zarnok-sim) in a folder of the test's own with a
// script, whose expect lines the runner checks itself, and reads back its output and screenshots.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace simtest {

namespace fs = std::filesystem;

const std::string kSim = std::string(ZARNOK_BINARY_DIR) + "/zarnok-sim";

// Script lines: a key pressed at a pass and released two passes later.
inline std::string Press(int pass, int key) {
    const std::string k = std::to_string(key);
    return std::to_string(pass) + " key down " + k + "\n" + std::to_string(pass + 2) + " key up " + k + "\n";
}
// Script lines starting a game from the title once loading has finished: the difficulty highlighted
// and Enter held for the one update before `start`, whose update prepares the game.
inline std::string StartGame(int difficulty, int start = 30) {
    const std::string p = std::to_string(start - 1), d = std::to_string(difficulty);
    return p + " set f_menuSel " + d + "; f_menuPicked " + d + "\n" + p + " key down 13\n" +
           std::to_string(start) + " key up 13\n";
}

// An RGB picture read from a PNG file; empty when it cannot be read.
struct Picture {
    int w = 0, h = 0, n = 0;
    std::vector<unsigned char> rgb;
    explicit Picture(const std::string& file) {
        if (unsigned char* px = stbi_load(file.c_str(), &w, &h, &n, 3))
            rgb.assign(px, px + static_cast<size_t>(w) * h * 3), stbi_image_free(px);
    }
    int At(int x, int y, int c) const { return rgb[(static_cast<size_t>(y) * w + x) * 3 + c]; }
};

struct SimRun {
    int status = -1;                        // exit status, or 128 + the signal that ended it
    std::string out;                        // standard output and errors: the runner's messages
    std::vector<std::string> lines, dumps;  // the lines of its output, and its dump lines
};

// Each line of the runner's output as it comes, with the runner's process id.
using OnLine = std::function<void(pid_t, const std::string&)>;

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(kSim)) GTEST_SKIP() << "no scenario runner at " << kSim;
        dir = fs::temp_directory_path() / ("zarnok-scenario-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
    }

    // Runs the runner in the test's folder with a script, as the shell command "ENV exec zarnok-sim
    // --script script.txt ARGS": `env` sets variables (the default plays sound into nothing) and may
    // start with commands ending in ';'. Standard input is a pipe that stays open and silent.
    SimRun Sim(const std::string& args, const std::string& script = "",
               const std::string& env = "ALSOFT_DRIVERS=null", const OnLine& onLine = nullptr) {
        std::ofstream(dir / "script.txt") << script;
        const std::string command =
            "cd '" + dir.string() + "' && " + env + " exec '" + kSim + "' --script script.txt " + args;
        SimRun r;
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return r;
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(in[0], 0), dup2(out[1], 1), dup2(out[1], 2);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        FILE* from = fdopen(out[0], "r");
        char* line = nullptr;
        size_t capacity = 0;
        for (ssize_t n; (n = getline(&line, &capacity, from)) > 0;) {
            const std::string l(line, static_cast<size_t>(n - (line[n - 1] == '\n')));
            if (onLine) onLine(pid, l);
            r.out += l + "\n";
            r.lines.push_back(l);
            if (l.rfind("{\"pass\":", 0) == 0) r.dumps.push_back(l);
        }
        std::free(line);
        std::fclose(from);
        int status = 0;
        waitpid(pid, &status, 0);
        close(in[1]);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return r;
    }
    // Runs a script whose expect lines must all hold (status 0).
    SimRun Expect(int updates, const std::string& script, const std::string& args = "",
                  const std::string& env = "ALSOFT_DRIVERS=null", const OnLine& onLine = nullptr) {
        SimRun r = Sim("--updates " + std::to_string(updates) + " " + args, script, env, onLine);
        EXPECT_EQ(r.status, 0) << r.out.substr(r.out.size() - std::min<size_t>(r.out.size(), 3000));
        return r;
    }

    // Links the game's generated data into the test's folder, with only the sound effects named
    // (all when none are). The data is generated once into the build tree, under a lock as test
    // processes run side by side. False when there is no generator.
    bool LinkData(const std::vector<std::string>& onlySounds = {}) {
        const fs::path cache = fs::path(ZARNOK_BINARY_DIR) / "tests" / "game-data";
        const std::string gen = std::string(ZARNOK_BINARY_DIR) + "/zarnok-datagen";
        const int lock = open((cache.string() + ".lock").c_str(), O_CREAT | O_RDWR, 0644);
        flock(lock, LOCK_EX);
        const bool made =
            fs::exists(gen) &&
            std::system(("'" + gen + "' --out '" + cache.string() + "' --if-stale >/dev/null").c_str()) == 0;
        close(lock);
        fs::remove_all(dir / "data");
        if (made && onlySounds.empty()) fs::create_directory_symlink(cache, dir / "data");
        if (!made || onlySounds.empty()) return made;
        fs::create_directories(dir / "data" / "sfx");
        for (const auto& e : fs::directory_iterator(cache))
            if (e.path().filename() != "sfx")
                fs::create_symlink(e.path(), dir / "data" / e.path().filename());
        for (const std::string& name : onlySounds)
            fs::create_symlink(cache / "sfx" / name, dir / "data" / "sfx" / name);
        return true;
    }

    fs::path dir;
};

// A test folder with the game's generated data linked in.
class DataTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        if (!IsSkipped() && !LinkData()) GTEST_SKIP() << "no data generator";
    }
};

}  // namespace simtest
