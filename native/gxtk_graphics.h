// gxtkGraphics: the batched 2D renderer.
//
// Every primitive is transformed on the processor by the current 2D affine matrix, given the one
// packed premultiplied colour of the moment, and appended to a single interleaved vertex batch of
// 1024 vertices (x, y float; u, v float; R, G, B, A bytes: 20 bytes each). The batch goes to OpenGL
// (1.1 fixed function, client arrays) only when it must: when the kind of primitive or the texture
// changes, when it is full, before a blend or scissor change or a pixel transfer, and at EndRender.
// Images on one atlas page share its texture (see gxtk_atlas.h), so drawing them in turn continues
// one batch.
//
// Batch kinds: 1 points, 2 lines, 3 triangles, 4 quads (drawn as indexed triangles through a fixed
// index list), n >= 5 polygons of n vertices (one triangle fan per polygon). A primitive is never
// split across two batches.
//
// Colours are 0-255 per channel and alpha 0-1; values outside those ranges are clamped before
// packing, so they can never spill into a neighbouring byte of the packed colour.
//
// The window size comes from the host (VxGame::_game), read at construction and at every
// BeginRender. Main thread only.
#pragma once

#include <cstdint>

#include "host/vxgame.h"
#include "native/gxtk_surface.h"
#include "runtime/runtime.h"

class gxtkGraphics : public Object {
  public:
    struct Vertex {
        float x, y;
        float u, v;
        uint32_t color;  // bytes R, G, B, A in memory
    };
    static_assert(sizeof(Vertex) == 20, "the vertex layout handed to OpenGL is 20 bytes");

    static constexpr int kMaxVertices = 1024;
    static constexpr int kMaxQuads = kMaxVertices / 4;

    int width = 0;
    int height = 0;
    uint32_t packedColor = 0;
    float red = 0, green = 0, blue = 0;
    float alpha = 0;
    float ix = 1, iy = 0, jx = 0, jy = 1, tx = 0, ty = 0;
    bool transformed = false;
    bool additive = false;
    int batchKind = 0;
    int batchCount = 0;
    gxtkSurface* batchSurface = nullptr;  // the surface whose texture the batch draws with

    // OpenGL draw calls issued since the last BeginRender, and since construction.
    int frameDrawCalls = 0;
    int64_t totalDrawCalls = 0;

    // Whether LoadSurface puts images on shared atlas pages, decodes them on the host's image worker
    // and frees the decoded pixels once they are on a live texture (decoding the file again when a
    // new context needs them). Off, every image is decoded at once, has a texture of its own and
    // keeps its pixels.
    bool atlasImages = false;

    gxtkGraphics();
    void mark() override;

    virtual int Width() { return width; }
    virtual int Height() { return height; }
    // Sets up the window-sized projection and the client arrays; drops anything left in the batch.
    // Always returns 1.
    virtual int BeginRender();
    // Flushes the last batch; with `atlasImages`, then makes the texture of one image whose decode
    // has finished since it was loaded.
    virtual void EndRender();
    virtual void DiscardGraphics() {}

    // A surface decoded from the image file at `path`, with its texture made at once when a context
    // exists; null when the file cannot be opened or decoded. With `atlasImages`, the texture is made
    // when first drawn, null means the file cannot be opened or its header read, and a file whose
    // earlier image is still on a live page is not decoded again.
    virtual gxtkSurface* LoadSurface(const String& path);
    // An RGBA surface of the given size without pixels (an empty texture).
    virtual gxtkSurface* CreateSurface(int width, int height);
    // Decodes `path` into `surface` without touching OpenGL; false when it cannot.
    virtual bool LoadSurface__UNSAFE__(gxtkSurface* surface, const String& path);

    // Clears the window (within the scissor, when one is set) and discards the pending batch.
    virtual int Cls(float r, float g, float b);
    virtual int SetAlpha(float a);
    virtual int SetColor(float r, float g, float b);
    // 1 additive; anything else premultiplied alpha blending.
    virtual int SetBlend(int mode);
    // Additive drawing that continues the batch: under premultiplied alpha blending a source alpha
    // of 0 adds the colour to what is there, as (GL_ONE, GL_ONE) does, so only the alpha byte of the
    // packed colour changes (the frame buffer's own alpha channel, where there is one, is kept
    // instead of summed). Reset by BeginRender.
    int SetAdditive(bool on);
    // Window pixels, y down. The whole window turns the scissor test off.
    virtual int SetScissor(int x, int y, int w, int h);
    virtual int SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);

    virtual int DrawPoint(float x, float y);
    virtual int DrawRect(float x, float y, float w, float h);
    virtual int DrawLine(float x1, float y1, float x2, float y2);
    // An ellipse in the bounding box; its segment count (12-1024) follows its size on screen.
    virtual int DrawOval(float x, float y, float w, float h);
    // x, y pairs; fewer than 1 or more than 1024 vertices draw nothing.
    virtual int DrawPoly(Array<float> xy);
    // x, y, s, t quadruples; s, t are surface pixels offset by (srcx, srcy).
    virtual int DrawPoly2(Array<float> xyst, gxtkSurface* surface, int srcx, int srcy);
    virtual int DrawSurface(gxtkSurface* surface, float x, float y);
    virtual int DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw, int srch);
    // Reads a window rectangle into `pixels` as 0xAARRGGBB (premultiplied, as in the frame buffer),
    // top row first, row i at pixels[offset + i * pitch]. A rectangle or array range out of bounds
    // reads nothing.
    virtual int ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch);
    // Writes 0xAARRGGBB values from `pixels` into a rectangle of `surface` (see SetSubData). An array
    // range out of bounds writes nothing.
    virtual int WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w, int h, int offset,
                             int pitch);

    // Reserves `count` vertices (1-1024) of `kind` and `surface` (null: untextured), flushing first
    // when the batch holds another kind or texture or has no room, and making the surface's texture
    // live first when it is not. Returns where to write them.
    Vertex* Begin(int kind, int count, gxtkSurface* surface) {
        if (kind == batchKind && batchCount + count <= kMaxVertices &&
            (surface ? surface->TextureOwner() == batchSurface && JoinsPage(surface)
                     : batchSurface == nullptr)) {
            Vertex* v = vertexBuffer + batchCount;
            batchCount += count;
            return v;
        }
        return BeginNew(kind, count, surface);
    }
    // Draws and empties the batch if it holds anything.
    void Flush();

    const Vertex* Vertices() const { return vertexBuffer; }
    const uint16_t* QuadIndices() const { return quadIndexBuffer; }

  private:
    // Whether `surface`, whose texture the batch draws with, is live, after writing its texels into
    // the batch's page when it is an image on it drawn for the first time: that touches only its own
    // place, which nothing queued reads, so the batch goes on.
    static bool JoinsPage(gxtkSurface* surface) {
        if (surface->contextSeq == glfwGraphicsSeq) return true;
        if (!surface->page) return false;
        surface->Bind();
        return true;
    }
    Vertex* BeginNew(int kind, int count, gxtkSurface* surface);
    void UpdatePackedColor();
    void WriteQuad(Vertex* v, float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1);

    Vertex vertexBuffer[kMaxVertices];
    uint16_t quadIndexBuffer[kMaxQuads * 6];
};
