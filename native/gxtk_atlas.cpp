#include "native/gxtk_atlas.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/vxgame.h"

namespace {

// The pages alive, oldest first.
std::vector<gxtkAtlasPage*>& Pages() {
    static std::vector<gxtkAtlasPage*> pages;
    return pages;
}

// The list is a collector root. It hands pages to later loads, so a page whose images have all
// died must stay alive: were it collected, a load between the end of a cycle and the page's
// destruction could take the condemned page and keep it after it is freed. Pages are bounded by
// the images of the resolution levels the game has loaded, and a reload reuses its place.
void MarkPages(void*) {
    for (gxtkAtlasPage* p : Pages()) gc_mark_q(p);
}

// Whether the driver takes textures of a page's size (asked once per context).
bool PagesFit() {
    static int askedSeq = -1;
    static bool fit = false;
    if (askedSeq != glfwGraphicsSeq) {
        askedSeq = glfwGraphicsSeq;
        GLint maxSide = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
        fit = maxSide >= gxtkAtlasPage::kSide;
    }
    return fit;
}

}  // namespace

gxtkAtlasPage::gxtkAtlasPage() {
    width = kSide;
    height = kSide;
    depth = 4;
    glFormat = GL_RGBA;
    static bool rooted = false;
    if (!rooted) {
        gc_add_root(MarkPages, nullptr);
        rooted = true;
    }
    Pages().push_back(this);
}

gxtkAtlasPage::~gxtkAtlasPage() {
    std::vector<gxtkAtlasPage*>& pages = Pages();
    pages.erase(std::remove(pages.begin(), pages.end(), this), pages.end());
}

bool gxtkAtlasPage::Reserve(int w, int h, int* x, int* y) {
    const int wc = (w + 2 * kBorder + kCell - 1) / kCell, hc = (h + 2 * kBorder + kCell - 1) / kCell;
    if (wc > kCells || hc > kCells) return false;
    int ax = 1, ay = 1;
    while (ax * 2 <= wc) ax *= 2;
    while (ay * 2 <= hc) ay *= 2;
    // Cells in Z order: bits of the index alternate between column and row, so every quadrant is
    // visited whole before the next.
    for (int i = 0; i < kCells * kCells; ++i) {
        int cx = 0, cy = 0;
        for (int bit = 0; (1 << (2 * bit)) < kCells * kCells; ++bit) {
            cx |= ((i >> (2 * bit)) & 1) << bit;
            cy |= ((i >> (2 * bit + 1)) & 1) << bit;
        }
        if (cx % ax || cy % ay || cx + wc > kCells || cy + hc > kCells) continue;
        bool free = true;
        for (int r = cy; r < cy + hc && free; ++r)
            for (int c = cx; c < cx + wc && free; ++c) free = !used[r][c];
        if (!free) continue;
        for (int r = cy; r < cy + hc; ++r)
            for (int c = cx; c < cx + wc; ++c) used[r][c] = true;
        *x = cx * kCell + kBorder;
        *y = cy * kCell + kBorder;
        return true;
    }
    return false;
}

bool gxtkAtlasPage::Place(gxtkSurface* surface) {
    const int w = surface->width, h = surface->height;
    if (w < kMinImageSide || h < kMinImageSide || w > kMaxImageSide || h > kMaxImageSide || !PagesFit())
        return false;
    std::vector<gxtkAtlasPage*>& pages = Pages();
    gxtkAtlasPage* page = nullptr;
    int x = 0, y = 0;
    const Placed* same = nullptr;
    for (gxtkAtlasPage* p : pages) {
        for (const Placed& e : p->placed) {
            if (e.width == w && e.height == h && e.depth == surface->depth && e.path == surface->path) {
                page = p;
                same = &e;
            }
        }
    }
    if (same) {
        x = same->x;
        y = same->y;
    } else {
        // Only the newest page takes new images: pages fill in the order images load, so images
        // loaded together (one resolution's set after a change of window size) stay together.
        if (!pages.empty() && pages.back()->Reserve(w, h, &x, &y)) page = pages.back();
        if (!page) {
            page = new gxtkAtlasPage();
            page->Reserve(w, h, &x, &y);
        }
        page->placed.push_back({surface->path, x, y, w, h, surface->depth, surface->glFormat, -1});
        same = &page->placed.back();
    }
    page->Assign(surface, *same);
    return true;
}

void gxtkAtlasPage::Assign(gxtkSurface* surface, const Placed& place) {
    gc_assign(surface->page, static_cast<gxtkSurface*>(this));
    surface->originX = place.x;
    surface->originY = place.y;
    // The texels of an earlier image of the same file may already be on the live page.
    if (place.seq == glfwGraphicsSeq && TextureLive()) {
        surface->contextSeq = glfwGraphicsSeq;
        surface->texture = texture;
        surface->uScale = uScale;
        surface->vScale = vScale;
    }
}

bool gxtkAtlasPage::Reuse(gxtkSurface* surface) {
    for (gxtkAtlasPage* p : Pages()) {
        if (!p->TextureLive()) continue;
        for (const Placed& e : p->placed) {
            if (e.seq != glfwGraphicsSeq || !(e.path == surface->path)) continue;
            surface->width = e.width;
            surface->height = e.height;
            surface->depth = e.depth;
            surface->glFormat = e.glFormat;
            p->Assign(surface, e);
            return true;
        }
    }
    return false;
}

void gxtkAtlasPage::Upload(const gxtkSurface* image, const unsigned char* src) {
    const int w = image->width, h = image->height, d = image->depth;
    const int bw = w + 2 * kBorder, bh = h + 2 * kBorder;
    unsigned char* rgba = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(bw) * bh * 4));
    if (!rgba) return;
    for (int by = 0; by < bh; ++by) {
        const int sy = std::min(std::max(by - kBorder, 0), h - 1);
        const unsigned char* row = src + static_cast<size_t>(sy) * w * d;
        unsigned char* out = rgba + static_cast<size_t>(by) * bw * 4;
        for (int bx = 0; bx < bw; ++bx, out += 4) {
            const unsigned char* p =
                row + static_cast<size_t>(std::min(std::max(bx - kBorder, 0), w - 1)) * d;
            switch (d) {
                case 1:
                    out[0] = out[1] = out[2] = p[0];
                    out[3] = 255;
                    break;
                case 2:
                    out[0] = out[1] = out[2] = p[0];
                    out[3] = p[1];
                    break;
                case 3:
                    std::memcpy(out, p, 3);
                    out[3] = 255;
                    break;
                default:
                    std::memcpy(out, p, 4);
                    break;
            }
        }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, image->originX - kBorder, image->originY - kBorder, bw, bh, GL_RGBA,
                    GL_UNSIGNED_BYTE, rgba);
    std::free(rgba);
    for (Placed& e : placed) {
        if (e.x == image->originX && e.y == image->originY) e.seq = glfwGraphicsSeq;
    }
}
