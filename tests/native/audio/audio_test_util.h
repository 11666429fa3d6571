// Helpers for sound tests that run the real OpenAL Soft: a per-process configuration file (set
// before the first OpenAL call), the "wave" driver's mix read back from disk, and scratch folders
// for sound files written by sox and oggenc.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace audiotest {

inline int Shell(const std::string& command) {
    return std::system(command.c_str());
}

// A path below the build's tests folder, private to this process.
inline std::string Private(const std::string& name) {
    return std::string(ZARNOK_BINARY_DIR) + "/tests/" + name + "-" + std::to_string(getpid());
}

// Writes an OpenAL Soft configuration for this process and points ALSOFT_CONF at it. Returns the
// path of the mix file when the driver is "wave".
inline std::string ConfigureOpenAL(const std::string& driver, const std::string& extra = "") {
    static const std::string base = Private("openal");
    std::ofstream(base + ".conf") << "[general]\ndrivers=" << driver
                                  << "\nchannels=stereo\nsample-type=int16\nfrequency=44100\nhrtf=false\n"
                                  << extra << "\n[wave]\nfile=" << base << ".wav\n";
    setenv("ALSOFT_CONF", (base + ".conf").c_str(), 1);
    std::atexit([] { Shell("rm -f '" + base + ".conf' '" + base + ".wav'"); });
    return base + ".wav";
}

inline void Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Waits up to 3 s for `done` (the mixer may run late on a busy machine); true when it came.
template <class F>
bool Await(F done) {
    for (int i = 0; i < 300 && !done(); ++i) Sleep(0.01);
    return done();
}

// A folder of its own below the build's tests folder.
inline std::string ScratchDir(const std::string& name) {
    std::string dir = Private(name);
    Shell("mkdir -p '" + dir + "'");
    return dir;
}

inline std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// The mix as two float channels in -1..1, judged in 10 ms windows whose level on either channel is
// above 0.02.
struct Mix {
    std::vector<float> left, right;
    std::vector<bool> active;
    int first = -1, last = -1;  // first and last active windows

    double ActiveSeconds() const {
        return static_cast<double>(std::count(active.begin(), active.end(), true)) / 100;
    }
    // The silent runs longer than `over` seconds between the first and the last active window.
    std::vector<double> InnerGaps(double over) const {
        std::vector<double> gaps;
        for (int i = first, run = 0; i >= 0 && i <= last; run = active[i] ? 0 : run + 1, ++i)
            if (active[i] && run > over * 100) gaps.push_back(run / 100.0);
        return gaps;
    }
};

// The mix file as sox reads it, converted to raw 16-bit stereo.
inline Mix ReadMix(const std::string& path) {
    Mix mix;
    if (Shell("sox '" + path + "' -t raw -r 44100 -e signed -b 16 -c 2 '" + path + ".raw'") != 0) return mix;
    std::vector<unsigned char> b = ReadFile(path + ".raw");
    std::remove((path + ".raw").c_str());
    for (size_t i = 0; i + 4 <= b.size(); i += 4) {
        mix.left.push_back(static_cast<int16_t>(b[i] | (b[i + 1] << 8)) / 32768.0f);
        mix.right.push_back(static_cast<int16_t>(b[i + 2] | (b[i + 3] << 8)) / 32768.0f);
    }
    for (size_t at = 0, w = 441; at + w <= mix.left.size(); at += w) {  // 10 ms windows
        double l = 0, r = 0;
        for (size_t i = at; i < at + w; ++i) l += mix.left[i] * mix.left[i], r += mix.right[i] * mix.right[i];
        mix.active.push_back(std::sqrt(std::max(l, r) / w) > 0.02);
        if (mix.active.back()) mix.last = static_cast<int>(mix.active.size()) - 1;
        if (mix.active.back() && mix.first < 0) mix.first = mix.last;
    }
    return mix;
}

}  // namespace audiotest
