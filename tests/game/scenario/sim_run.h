// Test support: runs the scenario runner (build/zarnok-sim) in a folder of the test's own with a
// script, whose expect lines the runner checks itself, and reads back its output and screenshots.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace simtest {

namespace fs = std::filesystem;

const std::string kSim = std::string(ZARNOK_BINARY_DIR) + "/zarnok-sim";

// Script lines: a key pressed at a pass and released two passes later.
inline std::string Press(int pass, int key) {
    return std::to_string(pass) + " key down " + std::to_string(key) + "\n" + std::to_string(pass + 2) +
           " key up " + std::to_string(key) + "\n";
}
// Script lines starting a game from the title once loading has finished: the difficulty highlighted
// and Enter held for the one update before `start`, whose update prepares the game.
inline std::string StartGame(int difficulty, int start = 30) {
    const std::string p = std::to_string(start - 1), d = std::to_string(difficulty);
    return p + " set f_menuSel " + d + "\n" + p + " set f_menuPicked " + d + "\n" + p + " key down 13\n" +
           std::to_string(start) + " key up 13\n";
}

// An RGB picture read from a PNG file; empty when it cannot be read.
struct Picture {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    explicit Picture(const std::string& file) {
        int n = 0;
        if (unsigned char* px = stbi_load(file.c_str(), &w, &h, &n, 3)) {
            rgb.assign(px, px + static_cast<size_t>(w) * h * 3);
            stbi_image_free(px);
        }
    }
    int At(int x, int y, int c) const { return rgb[(static_cast<size_t>(y) * w + x) * 3 + c]; }
};

struct SimRun {
    int status = -1;
    std::vector<std::string> lines, dumps;  // standard output, and its dump lines
    std::string err;                        // standard error: the runner's messages
};

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

    // Runs the runner in the test's folder with a script; `env` is put before the command (the
    // default plays sound into nothing).
    SimRun Sim(const std::string& args, const std::string& script = "",
               const std::string& env = "ALSOFT_DRIVERS=null") {
        std::ofstream(dir / "script.txt") << script;
        const std::string cmd = "cd '" + dir.string() + "' && " + env + " '" + kSim +
                                "' --script script.txt " + args + " 2>err.txt";
        SimRun r;
        FILE* p = popen(cmd.c_str(), "r");
        char* buf = nullptr;
        size_t size = 0;
        for (ssize_t n; (n = getline(&buf, &size, p)) > 0;) {
            r.lines.push_back(std::string(buf, buf[n - 1] == '\n' ? n - 1 : n));
            if (r.lines.back().rfind("{\"pass\":", 0) == 0) r.dumps.push_back(r.lines.back());
        }
        free(buf);
        const int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        std::ifstream err(dir / "err.txt");
        r.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
        return r;
    }

    // The numbers of a field in a dump line (one for a number field).
    static std::vector<double> Numbers(const std::string& line, const std::string& name) {
        std::vector<double> out;
        const size_t at = line.find("\"" + name + "\":");
        EXPECT_NE(at, std::string::npos) << name << " not in " << line.substr(0, 200);
        if (at == std::string::npos) return out;
        const char* p = line.c_str() + at + name.size() + 3;
        for (char* end = nullptr;; p = end + 1) {
            const double v = std::strtod(p + (*p == '['), &end);
            if (end == p + (*p == '[')) break;
            out.push_back(v);
            if (*end != ',' || end[1] == '"') break;
        }
        return out;
    }
    static double Value(const std::string& line, const std::string& name) {
        return Numbers(line, name).at(0);
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
        if (!made) return false;
        if (onlySounds.empty()) {
            fs::create_directory_symlink(cache, dir / "data");
            return true;
        }
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

}  // namespace simtest
