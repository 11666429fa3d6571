#include "native/gxtk_graphics.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/vxgame.h"
#include "native/gxtk_atlas.h"

namespace {

// Clamps to [lo, hi]; NaN becomes lo.
inline float Clamp(float v, float lo, float hi) {
    return v > lo ? (v < hi ? v : hi) : lo;
}

}  // namespace

gxtkGraphics::gxtkGraphics() {
    std::memset(static_cast<void*>(vertexBuffer), 0, sizeof(vertexBuffer));
    for (int q = 0; q < kMaxQuads; ++q) {
        uint16_t i = static_cast<uint16_t>(q * 4);
        uint16_t* o = quadIndexBuffer + q * 6;
        o[0] = i;
        o[1] = static_cast<uint16_t>(i + 1);
        o[2] = static_cast<uint16_t>(i + 2);
        o[3] = i;
        o[4] = static_cast<uint16_t>(i + 2);
        o[5] = static_cast<uint16_t>(i + 3);
    }
    if (VxGame::_game) {
        width = VxGame::_game->GetDeviceWidth();
        height = VxGame::_game->GetDeviceHeight();
    }
}

void gxtkGraphics::mark() {
    Object::mark();
    gc_mark_q(batchSurface);
}

int gxtkGraphics::BeginRender() {
    if (VxGame::_game) {
        width = VxGame::_game->GetDeviceWidth();
        height = VxGame::_game->GetDeviceHeight();
    }
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &vertexBuffer[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &vertexBuffer[0].u);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &vertexBuffer[0].color);

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);

    // Anything left from the last frame is dropped. The batch's kind and surface are forgotten too,
    // so the first primitive of the frame takes the path that makes a stale texture live again (the
    // window may have been re-created since the last frame).
    batchCount = 0;
    batchKind = 0;
    batchSurface = nullptr;
    frameDrawCalls = 0;
    if (additive) SetAdditive(false);
    return 1;
}

void gxtkGraphics::EndRender() {
    Flush();
    // One image decoded since it was loaded goes onto its texture after each frame: loading frames
    // take the uploads one at a time, and the decoded pixels do not pile up until first drawn.
    if (atlasImages) gxtkSurface::BindOneDecoded();
}

gxtkGraphics::Vertex* gxtkGraphics::BeginNew(int kind, int count, gxtkSurface* surface) {
    if (batchCount > 0) Flush();
    batchKind = kind;
    gc_assign(batchSurface, surface ? surface->TextureOwner() : nullptr);
    // Texture coordinates are computed from the surface's scales as vertices are written, so its
    // texture must exist in this context before that (its scales are set when it is made).
    if (surface && !surface->TextureLive()) surface->Bind();
    batchCount = count;
    return vertexBuffer;
}

void gxtkGraphics::Flush() {
    if (batchCount == 0) return;
    if (batchSurface) {
        glEnable(GL_TEXTURE_2D);
        batchSurface->Bind();
    }
    int calls = 0;
    switch (batchKind) {
        case 1:
            glDrawArrays(GL_POINTS, 0, batchCount);
            ++calls;
            break;
        case 2:
            glDrawArrays(GL_LINES, 0, batchCount);
            ++calls;
            break;
        case 3:
            glDrawArrays(GL_TRIANGLES, 0, batchCount);
            ++calls;
            break;
        case 4:
            glDrawElements(GL_TRIANGLES, batchCount / 4 * 6, GL_UNSIGNED_SHORT, quadIndexBuffer);
            ++calls;
            break;
        default:
            for (int first = 0; first < batchCount; first += batchKind) {
                glDrawArrays(GL_TRIANGLE_FAN, first, batchKind);
                ++calls;
            }
            break;
    }
    if (batchSurface) glDisable(GL_TEXTURE_2D);
    frameDrawCalls += calls;
    totalDrawCalls += calls;
    batchCount = 0;
}

void gxtkGraphics::UpdatePackedColor() {
    float a = Clamp(alpha, 0.0f, 1.0f);
    uint32_t r = static_cast<uint32_t>(Clamp(red, 0.0f, 255.0f) * a);
    uint32_t g = static_cast<uint32_t>(Clamp(green, 0.0f, 255.0f) * a);
    uint32_t b = static_cast<uint32_t>(Clamp(blue, 0.0f, 255.0f) * a);
    uint32_t al = additive ? 0 : static_cast<uint32_t>(255.0f * a);
    packedColor = (al << 24) | (b << 16) | (g << 8) | r;
}

int gxtkGraphics::Cls(float r, float g, float b) {
    batchCount = 0;
    glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return 0;
}

int gxtkGraphics::SetAlpha(float a) {
    alpha = a;
    UpdatePackedColor();
    return 0;
}

int gxtkGraphics::SetColor(float r, float g, float b) {
    red = r;
    green = g;
    blue = b;
    UpdatePackedColor();
    return 0;
}

int gxtkGraphics::SetBlend(int mode) {
    Flush();
    if (mode == 1) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    return 0;
}

int gxtkGraphics::SetAdditive(bool on) {
    additive = on;
    UpdatePackedColor();
    return 0;
}

int gxtkGraphics::SetScissor(int x, int y, int w, int h) {
    Flush();
    if (x == 0 && y == 0 && w == Width() && h == Height()) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        // A negative size would be refused by OpenGL and leave the old rectangle: clip to nothing.
        if (w < 0) w = 0;
        if (h < 0) h = 0;
        glEnable(GL_SCISSOR_TEST);
        glScissor(x, Height() - y - h, w, h);
    }
    return 0;
}

int gxtkGraphics::SetMatrix(float ix_, float iy_, float jx_, float jy_, float tx_, float ty_) {
    ix = ix_;
    iy = iy_;
    jx = jx_;
    jy = jy_;
    tx = tx_;
    ty = ty_;
    transformed = !(ix_ == 1 && iy_ == 0 && jx_ == 0 && jy_ == 1 && tx_ == 0 && ty_ == 0);
    return 0;
}

int gxtkGraphics::DrawPoint(float x, float y) {
    Vertex* v = Begin(1, 1, nullptr);
    if (transformed) {
        float px = x;
        x = ix * px + jx * y + tx;
        y = iy * px + jy * y + ty;
    }
    v->x = x;
    v->y = y;
    v->color = packedColor;
    return 0;
}

int gxtkGraphics::DrawLine(float x1, float y1, float x2, float y2) {
    Vertex* v = Begin(2, 2, nullptr);
    if (transformed) {
        v[0].x = ix * x1 + jx * y1 + tx;
        v[0].y = iy * x1 + jy * y1 + ty;
        v[1].x = ix * x2 + jx * y2 + tx;
        v[1].y = iy * x2 + jy * y2 + ty;
    } else {
        v[0].x = x1;
        v[0].y = y1;
        v[1].x = x2;
        v[1].y = y2;
    }
    v[0].color = packedColor;
    v[1].color = packedColor;
    return 0;
}

// Writes the quad (x0, y0) (x1, y0) (x1, y1) (x0, y1) with its texture corners; each corner is
// transformed on its own, so a rotated or scaled quad lands exactly where its corners map.
inline void gxtkGraphics::WriteQuad(Vertex* v, float x0, float y0, float x1, float y1, float u0, float v0,
                                    float u1, float v1) {
    uint32_t c = packedColor;
    if (transformed) {
        v[0].x = ix * x0 + jx * y0 + tx;
        v[0].y = iy * x0 + jy * y0 + ty;
        v[1].x = ix * x1 + jx * y0 + tx;
        v[1].y = iy * x1 + jy * y0 + ty;
        v[2].x = ix * x1 + jx * y1 + tx;
        v[2].y = iy * x1 + jy * y1 + ty;
        v[3].x = ix * x0 + jx * y1 + tx;
        v[3].y = iy * x0 + jy * y1 + ty;
    } else {
        v[0].x = x0;
        v[0].y = y0;
        v[1].x = x1;
        v[1].y = y0;
        v[2].x = x1;
        v[2].y = y1;
        v[3].x = x0;
        v[3].y = y1;
    }
    v[0].u = u0;
    v[0].v = v0;
    v[1].u = u1;
    v[1].v = v0;
    v[2].u = u1;
    v[2].v = v1;
    v[3].u = u0;
    v[3].v = v1;
    v[0].color = c;
    v[1].color = c;
    v[2].color = c;
    v[3].color = c;
}

int gxtkGraphics::DrawRect(float x, float y, float w, float h) {
    Vertex* v = Begin(4, 4, nullptr);
    WriteQuad(v, x, y, x + w, y + h, 0, 0, 0, 0);
    return 0;
}

int gxtkGraphics::DrawSurface(gxtkSurface* surface, float x, float y) {
    if (!surface) return 0;
    Vertex* v = Begin(4, 4, surface);
    float w = static_cast<float>(surface->Width());
    float h = static_cast<float>(surface->Height());
    int ox = surface->originX, oy = surface->originY;
    WriteQuad(v, x, y, x + w, y + h, static_cast<float>(ox) * surface->uScale,
              static_cast<float>(oy) * surface->vScale,
              static_cast<float>(ox + surface->Width()) * surface->uScale,
              static_cast<float>(oy + surface->Height()) * surface->vScale);
    return 0;
}

int gxtkGraphics::DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw,
                               int srch) {
    if (!surface) return 0;
    Vertex* v = Begin(4, 4, surface);
    float us = surface->uScale, vs = surface->vScale;
    srcx += surface->originX;
    srcy += surface->originY;
    WriteQuad(v, x, y, x + static_cast<float>(srcw), y + static_cast<float>(srch),
              static_cast<float>(srcx) * us, static_cast<float>(srcy) * vs,
              static_cast<float>(srcx + srcw) * us, static_cast<float>(srcy + srch) * vs);
    return 0;
}

int gxtkGraphics::DrawOval(float x, float y, float w, float h) {
    float rx = w * 0.5f, ry = h * 0.5f;
    float cx = x + rx, cy = y + ry;

    // The segment count follows the ellipse's size on screen.
    float s;
    if (transformed) {
        s = std::trunc(rx * std::sqrt(ix * ix + iy * iy) + ry * std::sqrt(jx * jx + jy * jy));
    } else {
        s = std::fabs(std::trunc(rx)) + std::fabs(std::trunc(ry));
    }
    int n;
    if (!(s > 11.0f)) {  // also NaN
        n = 12;
    } else if (s > 1024.0f) {
        n = 1024;
    } else {
        n = static_cast<int>(s) & ~3;
    }

    Vertex* v = Begin(n, n, nullptr);
    uint32_t c = packedColor;
    for (int k = 0; k < n; ++k) {
        float theta = static_cast<float>(k) * 6.2831855f / static_cast<float>(n);
        float px = cx + std::cos(theta) * rx;
        float py = cy - std::sin(theta) * ry;
        if (transformed) {
            v[k].x = ix * px + jx * py + tx;
            v[k].y = iy * px + jy * py + ty;
        } else {
            v[k].x = px;
            v[k].y = py;
        }
        v[k].color = c;
    }
    return 0;
}

int gxtkGraphics::DrawPoly(Array<float> xy) {
    int n = xy.Length() / 2;
    if (n < 1 || n > kMaxVertices) return 0;
    Vertex* v = Begin(n, n, nullptr);
    const float* p = xy.Data();
    uint32_t c = packedColor;
    for (int k = 0; k < n; ++k, p += 2) {
        if (transformed) {
            v[k].x = ix * p[0] + jx * p[1] + tx;
            v[k].y = iy * p[0] + jy * p[1] + ty;
        } else {
            v[k].x = p[0];
            v[k].y = p[1];
        }
        v[k].color = c;
    }
    return 0;
}

int gxtkGraphics::DrawPoly2(Array<float> xyst, gxtkSurface* surface, int srcx, int srcy) {
    int n = xyst.Length() / 4;
    if (n < 1 || n > kMaxVertices || !surface) return 0;
    Vertex* v = Begin(n, n, surface);
    const float* p = xyst.Data();
    float us = surface->uScale, vs = surface->vScale;
    float sx = static_cast<float>(srcx + surface->originX), sy = static_cast<float>(srcy + surface->originY);
    uint32_t c = packedColor;
    for (int k = 0; k < n; ++k, p += 4) {
        if (transformed) {
            v[k].x = ix * p[0] + jx * p[1] + tx;
            v[k].y = iy * p[0] + jy * p[1] + ty;
        } else {
            v[k].x = p[0];
            v[k].y = p[1];
        }
        v[k].u = (p[2] + sx) * us;
        v[k].v = (p[3] + sy) * vs;
        v[k].color = c;
    }
    return 0;
}

namespace {

// Whether rows 0..h-1 of w elements starting at offset + i * pitch all lie inside an array of
// `length` elements.
bool RowsInside(int length, int w, int h, int offset, int pitch) {
    if (w <= 0 || h <= 0) return false;
    int64_t first = offset;
    int64_t last = static_cast<int64_t>(offset) + static_cast<int64_t>(h - 1) * pitch;
    int64_t lo = first < last ? first : last;
    int64_t hi = first < last ? last : first;
    return lo >= 0 && hi + w <= length;
}

}  // namespace

int gxtkGraphics::ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch) {
    Flush();
    if (!RowsInside(pixels.Length(), w, h, offset, pitch)) return 0;
    std::vector<uint32_t> buffer(static_cast<size_t>(w) * static_cast<size_t>(h));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, height - y - h, w, h, GL_BGRA, GL_UNSIGNED_BYTE, buffer.data());
    int* out = pixels.Data();
    for (int i = 0; i < h; ++i) {
        std::memcpy(out + offset + static_cast<ptrdiff_t>(i) * pitch,
                    buffer.data() + static_cast<size_t>(h - 1 - i) * w, static_cast<size_t>(w) * 4);
    }
    return 0;
}

int gxtkGraphics::WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w, int h,
                               int offset, int pitch) {
    Flush();
    if (!surface || !RowsInside(pixels.Length(), w, h, offset, pitch)) return 0;
    surface->SetSubData(x, y, w, h, pixels.Data() + offset, pitch);
    return 0;
}

gxtkSurface* gxtkGraphics::LoadSurface(const String& path) {
    gxtkSurface* surface = new gxtkSurface();
    if (!atlasImages) {
        if (!LoadSurface__UNSAFE__(surface, path)) return nullptr;
        surface->Bind();
        return surface;
    }
    surface->path = path;
    if (gxtkAtlasPage::Reuse(surface)) return surface;
    if (!VxGame::_game) return nullptr;
    // The pixels are decoded on the host's worker while the game goes on, and taken when the
    // texture is first made (the image's first draw), so a large image costs no update its decode.
    // They are freed once on the texture: the file gives them again for a new context.
    int w = 0, h = 0, d = 0;
    std::shared_ptr<VxImageDecode> decode =
        VxGame::_game->StartImageData(path, &w, &h, &d, gxtkSurface::Premultiply);
    if (!surface->SetPending(std::move(decode), w, h, d)) return nullptr;
    gxtkAtlasPage::Place(surface);
    return surface;
}

gxtkSurface* gxtkGraphics::CreateSurface(int w, int h) {
    gxtkSurface* surface = new gxtkSurface();
    surface->width = w > 0 ? w : 0;
    surface->height = h > 0 ? h : 0;
    surface->depth = 4;
    surface->glFormat = GL_RGBA;
    surface->Bind();
    return surface;
}

bool gxtkGraphics::LoadSurface__UNSAFE__(gxtkSurface* surface, const String& path) {
    if (!surface || !VxGame::_game) return false;
    int w = 0, h = 0, d = 0;
    unsigned char* data = VxGame::_game->LoadImageData(path, &w, &h, &d);
    if (!data) return false;
    return surface->SetData(data, w, h, d);
}
