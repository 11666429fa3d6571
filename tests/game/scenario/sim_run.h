// Test support: runs the scenario runner (build/zarnok-sim) in a folder of the test's own with a
// script, and reads back its dump lines.
#pragma once

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace simtest {

namespace fs = std::filesystem;

const std::string kSim = std::string(ZARNOK_BINARY_DIR) + "/zarnok-sim";

struct SimRun {
    int status = -1;
    std::vector<std::string> lines, dumps;  // standard output, and its dump lines
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
                                "' --script script.txt " + args + " 2>/dev/null";
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
        return r;
    }

    // The integer value of a name in a dump line.
    static long Value(const std::string& line, const std::string& name) {
        const size_t at = line.find("\"" + name + "\":");
        EXPECT_NE(at, std::string::npos) << name << " not in " << line;
        return at == std::string::npos ? 0 : std::stol(line.substr(at + name.size() + 3));
    }
    // The value of a float field in a dump line.
    static double Real(const std::string& line, const std::string& name) {
        const size_t at = line.find("\"" + name + "\":");
        EXPECT_NE(at, std::string::npos) << name << " not in " << line;
        return at == std::string::npos ? 0 : std::stod(line.substr(at + name.size() + 3));
    }
    // The numbers of an array in a dump line.
    static std::vector<double> Numbers(const std::string& line, const std::string& name) {
        std::vector<double> out;
        size_t at = line.find("\"" + name + "\":[");
        EXPECT_NE(at, std::string::npos) << name << " not in the dump";
        if (at == std::string::npos) return out;
        const char* p = line.c_str() + at + name.size() + 4;
        for (char* end; *p && *p != ']'; p = *end == ',' ? end + 1 : end) {
            out.push_back(std::strtod(p, &end));
            if (end == p) break;
        }
        return out;
    }

    // Gives the test's folder the game's generated data: generated once into the build tree (under
    // a lock, as test processes run side by side) and linked in, without the sound files named.
    // False when there is no generator.
    bool LinkData(const std::vector<std::string>& withoutSounds = {}) {
        const fs::path cache = fs::path(ZARNOK_BINARY_DIR) / "tests" / "game-data";
        const std::string gen = std::string(ZARNOK_BINARY_DIR) + "/zarnok-datagen";
        if (!fs::exists(gen)) return false;
        const int lock = open((cache.string() + ".lock").c_str(), O_CREAT | O_RDWR, 0644);
        flock(lock, LOCK_EX);
        const std::string cmd = "'" + gen + "' --out '" + cache.string() + "' --if-stale >/dev/null 2>&1";
        const bool made = std::system(cmd.c_str()) == 0;
        flock(lock, LOCK_UN);
        close(lock);
        if (!made) return false;
        if (withoutSounds.empty()) {
            fs::create_directory_symlink(cache, dir / "data");
            return true;
        }
        fs::create_directories(dir / "data" / "sfx");
        for (const auto& e : fs::directory_iterator(cache))
            if (e.path().filename() != "sfx")
                fs::create_symlink(e.path(), dir / "data" / e.path().filename());
        for (const auto& e : fs::directory_iterator(cache / "sfx")) {
            const std::string name = e.path().filename().string();
            if (std::find(withoutSounds.begin(), withoutSounds.end(), name) == withoutSounds.end())
                fs::create_symlink(e.path(), dir / "data" / "sfx" / name);
        }
        return true;
    }

    fs::path dir;
};

}  // namespace simtest
