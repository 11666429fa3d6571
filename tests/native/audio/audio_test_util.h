// Helpers for sound tests that run the real OpenAL Soft: a per-process configuration file (set
// before the first OpenAL call), the "wave" driver's mix read back from disk, and sound files
// written by sox and oggenc.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace audiotest {

inline std::string ProcessTag() {
    return std::to_string(getpid());
}

// Writes an OpenAL Soft configuration for this process and points ALSOFT_CONF at it. Returns the
// path of the mix file when the driver is "wave".
inline std::string ConfigureOpenAL(const std::string& driver, const std::string& extra = "") {
    std::string base = std::string(ZARNOK_BINARY_DIR) + "/tests/openal-" + ProcessTag();
    std::string mix = base + ".wav";
    std::ofstream conf(base + ".conf");
    conf << "[general]\ndrivers=" << driver << "\nchannels=stereo\nsample-type=int16\nfrequency=44100\n"
         << "hrtf=false\n"
         << extra << "\n[wave]\nfile=" << mix << "\n";
    conf.close();
    setenv("ALSOFT_CONF", (base + ".conf").c_str(), 1);
    std::atexit([] {
        std::string b = std::string(ZARNOK_BINARY_DIR) + "/tests/openal-" + ProcessTag();
        std::remove((b + ".conf").c_str());
        std::remove((b + ".wav").c_str());
    });
    return mix;
}

inline void Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

inline int Shell(const std::string& command) {
    return std::system(command.c_str());
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

// The mix as two float channels in -1..1 (the driver writes 16-bit stereo as configured).
struct Mix {
    std::vector<float> left, right;
    int rate = 0;

    // 10 ms windows whose level on either channel is above `threshold`.
    std::vector<bool> Active(double threshold = 0.02) const {
        std::vector<bool> out;
        const size_t w = static_cast<size_t>(rate / 100);
        for (size_t at = 0; at + w <= left.size(); at += w) {
            double l = 0, r = 0;
            for (size_t i = at; i < at + w; ++i) {
                l += left[i] * left[i];
                r += right[i] * right[i];
            }
            out.push_back(std::sqrt(std::max(l, r) / w) > threshold);
        }
        return out;
    }
    // Seconds from the first to the last active window (0 when nothing sounds).
    double Span() const {
        std::vector<bool> a = Active();
        int first = -1, last = -1;
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i]) {
                if (first < 0) first = static_cast<int>(i);
                last = static_cast<int>(i);
            }
        }
        return first < 0 ? 0.0 : (last - first + 1) / 100.0;
    }
    double ActiveSeconds() const {
        int n = 0;
        for (bool b : Active()) n += b;
        return n / 100.0;
    }
    // The longest silent run between the first and the last active window, in seconds.
    double LongestInnerGap() const {
        std::vector<bool> a = Active();
        int first = -1, last = -1;
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i]) {
                if (first < 0) first = static_cast<int>(i);
                last = static_cast<int>(i);
            }
        }
        int best = 0, run = 0;
        for (int i = first; i >= 0 && i <= last; ++i) {
            run = a[i] ? 0 : run + 1;
            best = std::max(best, run);
        }
        return best / 100.0;
    }
    double Energy(const std::vector<float>& c) const {
        double e = 0;
        for (float v : c) e += static_cast<double>(v) * v;
        return e;
    }
    float Peak() const {
        float p = 0;
        for (size_t i = 0; i < left.size(); ++i) p = std::max({p, std::fabs(left[i]), std::fabs(right[i])});
        return p;
    }
};

inline Mix ReadMix(const std::string& path) {
    std::vector<unsigned char> b = ReadFile(path);
    Mix mix;
    if (b.size() < 12) return mix;
    size_t at = 12;
    int channels = 0, bits = 0;
    while (at + 8 <= b.size()) {
        std::string tag(b.begin() + at, b.begin() + at + 4);
        uint32_t size = U32(b, at + 4);
        at += 8;
        if (tag == "fmt ") {
            channels = b[at + 2] | (b[at + 3] << 8);
            mix.rate = static_cast<int>(U32(b, at + 4));
            bits = b[at + 14] | (b[at + 15] << 8);
        } else if (tag == "data") {
            if (channels != 2 || bits != 16) return mix;
            size_t end = std::min(b.size(), at + size);
            for (size_t i = at; i + 4 <= end; i += 4) {
                mix.left.push_back(static_cast<int16_t>(b[i] | (b[i + 1] << 8)) / 32768.0f);
                mix.right.push_back(static_cast<int16_t>(b[i + 2] | (b[i + 3] << 8)) / 32768.0f);
            }
            return mix;
        }
        at += size + (size & 1);
    }
    return mix;
}

}  // namespace audiotest
