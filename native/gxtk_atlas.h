// gxtkAtlasPage: one large RGBA texture shared by several loaded images, so that drawing from
// different images in turn continues one batch.
//
// A page is a gxtkSurface without pixels of its own; its images are gxtkSurfaces whose `page`
// points to it and whose `originX`, `originY` give their top-left texel on it. Every image is
// surrounded by a one-texel border repeating its edge texels, so that a texture coordinate that
// lands on (or a rounding error beyond) the image's edge reads what a texture of its own would give
// with GL_CLAMP_TO_EDGE, never a neighbour.
//
// A page is a grid of 64 x 64 cells of 33 texels; an image with its border takes the cells it covers,
// at the first free place in quadrant order (top-left, top-right, bottom-left, bottom-right, down to
// single cells) aligned to its size. Images whose sizes are powers of two up to 1024 therefore fill
// quadrants the way square tiles do, with the one spare texel per cell side taking the borders:
// four of 1024 x 1024 fill a page, a 1024 x 512 leaves room for two of 512 x 512 beside it. Space is
// never given back. The pages are listed, and the list keeps them alive for the collector, so that
// loading a file again takes its earlier place on them rather than new space.
#pragma once

#include <cstdint>
#include <vector>

#include "native/gxtk_surface.h"

class gxtkAtlasPage : public gxtkSurface {
  public:
    static constexpr int kBorder = 1;
    static constexpr int kCell = 33;
    static constexpr int kCells = 64;
    static constexpr int kSide = kCell * kCells;
    // Images with a side above the largest or below the smallest keep a texture of their own (a
    // strip such as a one-row font would take a whole row of cells for little).
    static constexpr int kMaxImageSide = 1024;
    static constexpr int kMinImageSide = 32;

    gxtkAtlasPage();
    ~gxtkAtlasPage() override;

    // Places the image of `surface` (its size and depth set, `path` the file it came from) on a
    // page, reusing the place of a living image of the same file; false when the image is too
    // large for a page or the driver's textures are too small for one.
    static bool Place(gxtkSurface* surface);
    // Makes `surface` (its `path` set) the image of a living earlier load of the same file whose
    // texels are on a live page, without decoding anything; false when there is none.
    static bool Reuse(gxtkSurface* surface);

    // Writes an image's premultiplied pixels (`depth` bytes each) with their border into the live
    // page texture at its place, expanded to RGBA.
    void Upload(const gxtkSurface* image, const unsigned char* pixels);

  private:
    struct Placed {
        String path;
        int x, y, width, height, depth;
        unsigned int glFormat;
        int seq;  // glfwGraphicsSeq the texels were written under; -1: not written
    };
    bool Reserve(int width, int height, int* x, int* y);
    void Assign(gxtkSurface* surface, const Placed& place);

    bool used[kCells][kCells] = {};  // [row][column]
    std::vector<Placed> placed;
};
