// zarnok-datagen: writes the game's data tree (images at three resolutions, fonts, sound effects
// the music track and the application icon). Everything is computed from code: no clocks, no unseeded
// randomness, fixed encoder settings, so two runs give byte-identical files.
//
//   zarnok-datagen --out DIR [--if-stale] [--contact-sheets DIR]
//
// --if-stale skips the work when DIR already holds a complete tree written by this same build of
// the generator (a stamp file records a hash of the generator binary and of the glyph font).
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <stb_image_write.h>

#include "tools/assets.h"

namespace fs = std::filesystem;
using namespace datagen;

namespace {

const char* kStampName = ".datagen-stamp";
const char* kGlyphFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

const int kLevels[3] = {1, 2, 4};
const char* kSuffix[3] = {"", "-hd", "-hd2"};

struct Rendered {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
};

Rendered renderImage(const ImageAsset& a, int level) {
    int rows = (a.frames + a.cols - 1) / a.cols;
    int cw = a.fw * level, ch = a.fh * level;
    Canvas canvas(a.cols * cw, rows * ch);
    for (int f = 0; f < a.frames; ++f) {
        Painter p(canvas, (f % a.cols) * cw, (f / a.cols) * ch, float(a.fw), float(a.fh), float(level));
        a.paint(p, f);
    }
    return {canvas.width(), canvas.height(), canvas.toRGBA8()};
}

std::string imagePath(const ImageAsset& a, int li) {
    return a.name + kSuffix[li] + ".png";
}

std::string iconPath(int size) {
    return "icons/zarnok-" + std::to_string(size) + ".png";
}

std::vector<std::string> manifest() {
    std::vector<std::string> files;
    for (auto& a : imageAssets())
        for (int li = 0; li < (a.multiRes ? 3 : 1); ++li) files.push_back(imagePath(a, li));
    for (auto& s : soundPaths()) files.push_back(s);
    for (int size : kAppIconSizes) files.push_back(iconPath(size));
    return files;
}

uint64_t fnv1a(uint64_t h, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char buf[65536];
    while (in) {
        in.read(buf, sizeof buf);
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            h ^= uint8_t(buf[i]);
            h *= 1099511628211ull;
        }
    }
    return h;
}

// The stamp names the generator build and every file it wrote.
std::string stampText() {
    uint64_t h = 14695981039346656037ull;
    h = fnv1a(h, "/proc/self/exe");
    h = fnv1a(h, kGlyphFontPath);
    std::ostringstream s;
    char hex[32];
    std::snprintf(hex, sizeof hex, "%016llx", (unsigned long long)h);
    s << "zarnok-datagen " << hex << "\n";
    for (auto& f : manifest()) s << f << "\n";
    return s.str();
}

bool treeIsCurrent(const fs::path& out, const std::string& stamp) {
    std::ifstream in(out / kStampName, std::ios::binary);
    if (!in) return false;
    std::string have((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (have != stamp) return false;
    std::error_code ec;
    for (auto& f : manifest())
        if (!fs::is_regular_file(out / f, ec) || fs::file_size(out / f, ec) == 0) return false;
    return true;
}

bool writeFile(const fs::path& path, const void* data, size_t n) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    // A private temporary name, then an atomic rename: a reader never sees a partial file, and
    // two generators writing the same tree at once (identical content) do not mix their bytes.
    fs::path tmp = path;
    tmp += ".tmp" + std::to_string(getpid());
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "zarnok-datagen: cannot write %s: %s\n", tmp.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(data, 1, n, f) == n;
    ok = (std::fclose(f) == 0) && ok;
    if (ok) fs::rename(tmp, path, ec);
    if (!ok || ec) {
        std::fprintf(stderr, "zarnok-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

void appendBytes(void* ctx, void* data, int size) {
    auto* v = static_cast<std::vector<uint8_t>*>(ctx);
    v->insert(v->end(), (uint8_t*)data, (uint8_t*)data + size);
}

bool writePng(const fs::path& path, int w, int h, const std::vector<uint8_t>& rgba) {
    std::vector<uint8_t> png;
    if (!stbi_write_png_to_func(appendBytes, &png, w, h, 4, rgba.data(), w * 4)) {
        std::fprintf(stderr, "zarnok-datagen: PNG encoding failed for %s\n", path.c_str());
        return false;
    }
    return writeFile(path, png.data(), png.size());
}

// ---- Contact sheets ----

void blit(Canvas& sheet, const Rendered& img, int x0, int y0, int zoom) {
    for (int y = 0; y < img.h * zoom; ++y)
        for (int x = 0; x < img.w * zoom; ++x) {
            const uint8_t* s = &img.rgba[(size_t(y / zoom) * img.w + x / zoom) * 4];
            sheet.put(x0 + x, y0 + y, rgb(s[0] / 255.f, s[1] / 255.f, s[2] / 255.f, s[3] / 255.f), 1.f,
                      Mode::Over);
        }
}

Rendered contactSheet(const std::vector<ImageAsset>& assets, const std::vector<Rendered>& imgs) {
    const int margin = 16, label = 18, maxW = 4096;
    struct Place {
        int x, y, zoom;
    };
    auto titleOf = [&](size_t i) {
        const ImageAsset& a = assets[i];
        int scale = imgs[i].w / (a.fw * a.cols);
        char title[160];
        std::snprintf(title, sizeof title, "%s  %dx%d px, %d frames of %dx%d", a.name.c_str(), imgs[i].w,
                      imgs[i].h, a.frames, a.fw * scale, a.fh * scale);
        return std::string(title);
    };
    std::vector<Place> place(assets.size());
    int x = margin, y = margin, rowH = 0, sheetW = 0;
    for (size_t i = 0; i < assets.size(); ++i) {
        const ImageAsset& a = assets[i];
        int cell = std::min(a.fw, a.fh) * imgs[i].w / (a.fw * a.cols);
        int zoom = std::max(1, (28 + cell - 1) / cell);
        int w = imgs[i].w * zoom, h = imgs[i].h * zoom + label;
        w = std::max(w, int(textWidth(12, titleOf(i))) + 8);
        if (x > margin && x + w > maxW) {
            x = margin;
            y += rowH + margin;
            rowH = 0;
        }
        place[i] = {x, y + label, zoom};
        x += w + margin;
        rowH = std::max(rowH, h);
        sheetW = std::max(sheetW, x);
    }
    int sheetH = y + rowH + margin;
    Canvas sheet(sheetW, sheetH);
    Painter all(sheet, 0, 0, float(sheetW), float(sheetH), 1.f);
    all.shade([](V2) { return rgb(0, 0, 20 / 255.f); });
    for (size_t i = 0; i < assets.size(); ++i) {
        const ImageAsset& a = assets[i];
        const Place& pl = place[i];
        const Rendered& img = imgs[i];
        int scale = img.w / (a.fw * a.cols);
        drawText(all, float(pl.x), float(pl.y - 5), 12, titleOf(i), rgb(1, 0.85f, 0.4f), false);
        blit(sheet, img, pl.x, pl.y, pl.zoom);
        int cw = a.fw * scale * pl.zoom, ch = a.fh * scale * pl.zoom;
        Col grid = rgb(0.35f, 0.45f, 1.f, 0.7f);
        for (int f = 0; f < a.frames; ++f) {
            int fx = pl.x + (f % a.cols) * cw, fy = pl.y + (f / a.cols) * ch;
            for (int k = 0; k < cw; ++k) {
                sheet.put(fx + k, fy, grid, 1, Mode::Over);
                sheet.put(fx + k, fy + ch - 1, grid, 1, Mode::Over);
            }
            for (int k = 1; k < ch - 1; ++k) {
                sheet.put(fx, fy + k, grid, 1, Mode::Over);
                sheet.put(fx + cw - 1, fy + k, grid, 1, Mode::Over);
            }
            std::string n = std::to_string(f);
            float tw = textWidth(9, n);
            for (int yy = 1; yy < 10; ++yy)
                for (int xx = 1; xx < int(tw) + 3; ++xx)
                    sheet.put(fx + xx, fy + yy, rgb(0, 0, 0, 0.6f), 1, Mode::Over);
            drawText(all, float(fx + 2), float(fy + 9), 9, n, rgb(1, 1, 0.5f), false);
        }
    }
    return {sheet.width(), sheet.height(), sheet.toRGBA8()};
}

int usage() {
    std::fprintf(stderr, "usage: zarnok-datagen --out DIR [--if-stale] [--contact-sheets DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string outDir, sheetDir;
    bool ifStale = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--out" && i + 1 < argc)
            outDir = argv[++i];
        else if (a == "--contact-sheets" && i + 1 < argc)
            sheetDir = argv[++i];
        else if (a == "--if-stale")
            ifStale = true;
        else
            return usage();
    }
    if (outDir.empty() && sheetDir.empty()) return usage();

    std::string stamp = stampText();
    bool writeTree = !outDir.empty();
    if (writeTree && ifStale && treeIsCurrent(outDir, stamp)) {
        writeTree = false;
        if (sheetDir.empty()) return 0;
    }
    if (!loadGlyphFont()) return 1;
    if (writeTree) {
        // Remove the stamp first: an interrupted run must not leave a tree that looks complete.
        std::error_code ec;
        fs::create_directories(outDir, ec);
        fs::remove(fs::path(outDir) / kStampName, ec);
    }

    stbi_write_png_compression_level = 8;
    const auto& assets = imageAssets();
    // Jobs: the sounds, then every image at every level. Each job writes its own files, so the
    // order in which the threads pick them does not affect the output.
    struct Job {
        int asset, level;  // asset -1: the sounds; -2: the application icon at size index `level`
    };
    std::vector<Job> jobs{{-1, 0}, {-2, 0}, {-2, 1}, {-2, 2}};
    for (int li = 2; li >= 0; --li)
        for (int i = 0; i < int(assets.size()); ++i)
            if (assets[i].multiRes || li == 0) jobs.push_back({i, li});
    std::vector<std::vector<Rendered>> keep(3, std::vector<Rendered>(assets.size()));
    std::atomic<int> next{0};
    std::atomic<bool> ok{true};
    auto worker = [&] {
        for (int j; (j = next++) < int(jobs.size());) {
            const Job& job = jobs[j];
            if (job.asset == -2) {
                int size = kAppIconSizes[job.level];
                Canvas icon(size, size);
                paintAppIcon(icon);
                if (writeTree && !writePng(fs::path(outDir) / iconPath(size), size, size, icon.toRGBA8()))
                    ok = false;
                continue;
            }
            if (job.asset < 0) {
                if (!writeTree) continue;
                for (auto& s : makeSounds())
                    if (!writeFile(fs::path(outDir) / s.path, s.bytes.data(), s.bytes.size())) ok = false;
                continue;
            }
            const ImageAsset& a = assets[job.asset];
            Rendered r = renderImage(a, kLevels[job.level]);
            if (writeTree && !writePng(fs::path(outDir) / imagePath(a, job.level), r.w, r.h, r.rgba))
                ok = false;
            if (!sheetDir.empty()) keep[job.level][job.asset] = std::move(r);
        }
    };
    unsigned n = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < n; ++t) threads.emplace_back(worker);
    worker();
    for (auto& t : threads) t.join();
    if (!ok) return 1;

    if (writeTree && !writeFile(fs::path(outDir) / kStampName, stamp.data(), stamp.size())) return 1;

    if (!sheetDir.empty()) {
        stbi_write_png_compression_level = 3;  // review sheets: quicker to write, size matters little
        for (int li = 0; li < 3; ++li) {
            // The default font exists at level 1 only; show it on the first sheet.
            std::vector<ImageAsset> as;
            std::vector<Rendered> rs;
            for (size_t i = 0; i < assets.size(); ++i)
                if (!keep[li][i].rgba.empty()) {
                    as.push_back(assets[i]);
                    rs.push_back(std::move(keep[li][i]));
                }
            Rendered sheet = contactSheet(as, rs);
            std::string name = std::string("contact") + (li == 0 ? "" : kSuffix[li]) + ".png";
            if (!writePng(fs::path(sheetDir) / name, sheet.w, sheet.h, sheet.rgba)) return 1;
        }
    }
    return 0;
}
