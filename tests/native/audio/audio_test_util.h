// Helpers for sound tests that run the real OpenAL Soft: a per-process configuration file (set
// before the first OpenAL call), the "wave" driver's mix read back from disk, and scratch folders
// for sound files written by sox and oggenc.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

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

inline std::string ProcessTag() {
    return std::to_string(getpid());
}

inline int Shell(const std::string& command) {
    return std::system(command.c_str());
}

// Writes an OpenAL Soft configuration for this process and points ALSOFT_CONF at it. Returns the
// path of the mix file when the driver is "wave".
inline std::string ConfigureOpenAL(const std::string& driver, const std::string& extra = "") {
    static const std::string base = std::string(ZARNOK_BINARY_DIR) + "/tests/openal-" + ProcessTag();
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
    std::string dir = std::string(ZARNOK_BINARY_DIR) + "/tests/" + name + "-" + ProcessTag();
    Shell("mkdir -p '" + dir + "'");
    return dir;
}

inline std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline uint32_t U32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// The mix as two float channels in -1..1, judged in 10 ms windows whose level on either channel is above
// 0.02.
struct Mix {
    std::vector<float> left, right;
    std::vector<bool> active;
    int first = -1, last = -1;  // first and last active windows

    void Measure() {
        const size_t w = 441;  // 10 ms at the mix's 44100 Hz
        for (size_t at = 0; at + w <= left.size(); at += w) {
            double l = 0, r = 0;
            for (size_t i = at; i < at + w; ++i) {
                l += left[i] * left[i];
                r += right[i] * right[i];
            }
            active.push_back(std::sqrt(std::max(l, r) / w) > 0.02);
            if (!active.back()) continue;
            last = static_cast<int>(active.size()) - 1;
            if (first < 0) first = last;
        }
    }
    // Seconds from the first to the last active window (0 when nothing sounds).
    double Span() const { return first < 0 ? 0.0 : (last - first + 1) / 100.0; }
    double ActiveSeconds() const {
        int n = 0;
        for (bool b : active) n += b;
        return n / 100.0;
    }
    // The longest silent run between the first and the last active window, in seconds.
    double LongestInnerGap() const {
        int best = 0, run = 0;
        for (int i = first; i >= 0 && i <= last; ++i) {
            run = active[i] ? 0 : run + 1;
            best = std::max(best, run);
        }
        return best / 100.0;
    }
    static double Energy(const std::vector<float>& c) {
        double e = 0;
        for (float v : c) e += static_cast<double>(v) * v;
        return e;
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
    mix.Measure();
    return mix;
}

}  // namespace audiotest
