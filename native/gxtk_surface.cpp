#include "native/gxtk_surface.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "host/vxgame.h"
#include "native/gxtk_atlas.h"

bool gxtkSurface::forcePowerOfTwo = false;

namespace {

unsigned int FormatOfDepth(int depth) {
    switch (depth) {
        case 1:
            return GL_LUMINANCE;
        case 2:
            return GL_LUMINANCE_ALPHA;
        case 3:
            return GL_RGB;
        case 4:
            return GL_RGBA;
        default:
            return 0;
    }
}

int PowerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

// Decodes the surface's file again: premultiplied pixels of the surface's size and depth, or null
// when the file is gone or no longer matches.
unsigned char* ReloadPixels(const gxtkSurface* s) {
    if (s->path.Length() == 0 || !VxGame::_game) return nullptr;
    int w = 0, h = 0, d = 0;
    unsigned char* data = VxGame::_game->LoadImageData(s->path, &w, &h, &d);
    if (data && (w != s->width || h != s->height || d != s->depth)) {
        free(data);
        data = nullptr;
    }
    if (data) gxtkSurface::Premultiply(data, w * h, d);
    return data;
}

// The surfaces with a pending decode, in the order they were loaded. Not a collector root: a
// surface leaves the list when its decode is taken or dropped, at the latest when it is freed.
std::vector<gxtkSurface*>& Pending() {
    static std::vector<gxtkSurface*> pending;
    return pending;
}

void DropDecode(gxtkSurface* s) {
    if (!s->decode) return;
    s->decode.reset();
    std::vector<gxtkSurface*>& pending = Pending();
    pending.erase(std::remove(pending.begin(), pending.end(), s), pending.end());
}

// The premultiplied pixels of a surface without any in memory: from its pending decode, else from
// its file again. Null when neither gives them. The caller owns the result.
unsigned char* PixelsFromFile(gxtkSurface* s) {
    if (!s->decode) return ReloadPixels(s);
    std::shared_ptr<VxImageDecode> pending = s->decode;
    DropDecode(s);
    unsigned char* data = pending->Take();
    // A file damaged past its header: the image was given out at load, so it draws as zeros
    // (nothing, where it has alpha) rather than whatever its texture held.
    if (!data)
        data = static_cast<unsigned char*>(calloc(static_cast<size_t>(s->width) * s->height, s->depth));
    return data;
}

}  // namespace

gxtkSurface::~gxtkSurface() {
    Discard();
}

void gxtkSurface::mark() {
    Object::mark();
    gc_mark_q(page);
}

int gxtkSurface::Discard() {
    if (TextureLive()) {
        if (!page) glDeleteTextures(1, &texture);
        contextSeq = -1;
    }
    if (pixels) {
        free(pixels);
        pixels = nullptr;
    }
    DropDecode(this);
    path = String();
    return 0;
}

bool gxtkSurface::TextureLive() const {
    return glfwGraphicsSeq != 0 && contextSeq == glfwGraphicsSeq;
}

void gxtkSurface::Premultiply(unsigned char* data, int count, int depth) {
    if (depth == 2) {
        for (int i = 0; i < count; ++i, data += 2)
            data[0] = static_cast<unsigned char>(data[0] * data[1] / 255);
    } else if (depth == 4) {
        for (int i = 0; i < count; ++i, data += 4) {
            unsigned a = data[3];
            if (a == 255) continue;
            data[0] = static_cast<unsigned char>(data[0] * a / 255);
            data[1] = static_cast<unsigned char>(data[1] * a / 255);
            data[2] = static_cast<unsigned char>(data[2] * a / 255);
        }
    }
}

bool gxtkSurface::SetData(unsigned char* data, int w, int h, int d) {
    unsigned int format = FormatOfDepth(d);
    if (format == 0 || w < 0 || h < 0) {
        free(data);
        return false;
    }
    if (pixels && pixels != data) free(pixels);
    pixels = data;
    width = w;
    height = h;
    depth = d;
    glFormat = format;
    Premultiply(pixels, w * h, d);
    return true;
}

bool gxtkSurface::SetPending(std::shared_ptr<VxImageDecode> pending, int w, int h, int d) {
    unsigned int format = FormatOfDepth(d);
    if (format == 0 || w < 0 || h < 0 || !pending) return false;
    if (pixels) free(pixels);
    pixels = nullptr;
    DropDecode(this);
    decode = std::move(pending);
    Pending().push_back(this);
    width = w;
    height = h;
    depth = d;
    glFormat = format;
    return true;
}

bool gxtkSurface::BindOneDecoded() {
    if (glfwGraphicsSeq == 0) return false;
    for (gxtkSurface* s : Pending()) {
        if (!s->decode->Ready()) continue;
        s->Bind();
        return true;
    }
    return false;
}

bool gxtkSurface::SetSubData(int x, int y, int w, int h, const int* src, int pitch) {
    if (glFormat != GL_RGBA) return false;
    if (w <= 0 || h <= 0 || x < 0 || y < 0 || x > width - w || y > height - h) return false;
    if (!pixels) pixels = PixelsFromFile(this);
    // Written pixels no longer match the file: from now on they are the only copy, on a texture of
    // the surface's own (other loads of the file may share its place on a page).
    path = String();
    if (page) {
        gc_assign(page, static_cast<gxtkSurface*>(nullptr));
        originX = originY = 0;
        contextSeq = -1;
        texture = 0;
    }
    if (!pixels) {
        size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
        // Zeroed: the part not written here becomes texture content at the next upload.
        pixels = static_cast<unsigned char*>(calloc(bytes, 1));
        if (!pixels) return false;
        gc_ext_malloced(static_cast<int>(bytes));
    }
    for (int r = 0; r < h; ++r) {
        const int* in = src + static_cast<ptrdiff_t>(r) * pitch;
        unsigned char* out = pixels + (static_cast<size_t>(y + r) * width + x) * 4;
        for (int c = 0; c < w; ++c, out += 4) {
            uint32_t p = static_cast<uint32_t>(in[c]);
            uint32_t a = p >> 24;
            out[0] = static_cast<unsigned char>(((p >> 16) & 255) * a / 255);
            out[1] = static_cast<unsigned char>(((p >> 8) & 255) * a / 255);
            out[2] = static_cast<unsigned char>((p & 255) * a / 255);
            out[3] = static_cast<unsigned char>(a);
        }
    }
    if (TextureLive()) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        if (w == width) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, glFormat, GL_UNSIGNED_BYTE,
                            pixels + static_cast<size_t>(y) * width * 4);
        } else {
            for (int r = 0; r < h; ++r) {
                glTexSubImage2D(GL_TEXTURE_2D, 0, x, y + r, w, 1, glFormat, GL_UNSIGNED_BYTE,
                                pixels + (static_cast<size_t>(y + r) * width + x) * 4);
            }
        }
    }
    return true;
}

void gxtkSurface::Bind() {
    if (glfwGraphicsSeq == 0) return;
    if (page) {
        page->Bind();
        texture = page->texture;
        uScale = page->uScale;
        vScale = page->vScale;
        if (contextSeq == glfwGraphicsSeq) return;
        contextSeq = glfwGraphicsSeq;
        unsigned char* data = pixels ? pixels : PixelsFromFile(this);
        if (data) static_cast<gxtkAtlasPage*>(page)->Upload(this, data);
        if (data != pixels) free(data);
        return;
    }
    if (contextSeq == glfwGraphicsSeq) {
        glBindTexture(GL_TEXTURE_2D, texture);
        return;
    }
    contextSeq = glfwGraphicsSeq;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    // An error left over from earlier calls must not be taken for a refusal of this size.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    int texWidth = width, texHeight = height;
    bool refused = forcePowerOfTwo;
    if (!refused) {
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(glFormat), texWidth, texHeight, 0, glFormat,
                     GL_UNSIGNED_BYTE, nullptr);
        refused = glGetError() != GL_NO_ERROR;
    }
    if (refused) {
        texWidth = PowerOfTwoAtLeast(width);
        texHeight = PowerOfTwoAtLeast(height);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(glFormat), texWidth, texHeight, 0, glFormat,
                     GL_UNSIGNED_BYTE, nullptr);
    }
    uScale = 1.0f / static_cast<float>(texWidth > 0 ? texWidth : 1);
    vScale = 1.0f / static_cast<float>(texHeight > 0 ? texHeight : 1);

    unsigned char* data = pixels ? pixels : PixelsFromFile(this);
    if (data) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, glFormat, GL_UNSIGNED_BYTE, data);
    }
    if (data != pixels) free(data);
}
