// Shared by the screen tests: the generated art (made once per test program) and PNG pixels.
#pragma once

#include <stb/stb_image.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace screens {

namespace fs = std::filesystem;

// The data folder made by the data generator, or empty when it cannot be made; removed at exit.
inline fs::path Data() {
    static const struct Made {
        fs::path dir = fs::temp_directory_path() / ("zarnok-screens-data-" + std::to_string(getpid()));
        bool ok = std::system(("'" + std::string(ZARNOK_BINARY_DIR) + "/zarnok-datagen' --out '" +
                               dir.string() + "' >/dev/null 2>&1")
                                  .c_str()) == 0;
        ~Made() { fs::remove_all(dir); }
    } made;
    return made.ok ? made.dir : fs::path();
}

// An RGB picture read from a PNG file; empty when it cannot be read.
struct Picture {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    explicit Picture(const fs::path& file) {
        int n = 0;
        if (unsigned char* px = stbi_load(file.c_str(), &w, &h, &n, 3)) {
            rgb.assign(px, px + static_cast<size_t>(w) * h * 3);
            stbi_image_free(px);
        }
    }
    int At(int x, int y, int c) const { return rgb[(static_cast<size_t>(y) * w + x) * 3 + c]; }
    // Pixels of the box whose brightest channel exceeds `level`: where images and text were drawn.
    int Bright(int x0, int y0, int x1, int y1, int level = 160) const {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (std::max({At(x, y, 0), At(x, y, 1), At(x, y, 2)}) > level) ++count;
        return count;
    }
};

}  // namespace screens
