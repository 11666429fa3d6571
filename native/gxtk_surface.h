// gxtkSurface: one image on an OpenGL texture.
//
// A surface's texture is either its own or a share of an atlas page (`page`, see gxtk_atlas.h),
// where the image lies at (`originX`, `originY`). Its pixels (rows top to bottom, `depth` bytes per
// pixel, colour premultiplied by alpha) are kept in main memory when nothing else can rebuild the
// texture: a surface loaded from a file and placed by the renderer keeps only the file's `path` and
// decodes it again when a new OpenGL context needs its texels; its first decode may still be running
// on the host's image worker (`decode`) until the texture is first made. Textures are made lazily by `Bind`:
// a texture is live exactly when `contextSeq` equals the host's `glfwGraphicsSeq`; after a window
// re-creation the stale value makes the next `Bind` build it again.
#pragma once

#include <cstdint>
#include <memory>

#include "host/image_decode.h"
#include "runtime/runtime.h"

class gxtkSurface : public Object {
  public:
    unsigned char* pixels = nullptr;  // malloc'ed, owned; may be null
    int width = 0;
    int height = 0;
    int depth = 0;              // bytes per pixel, 1-4
    unsigned int glFormat = 0;  // GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB or GL_RGBA
    int contextSeq = -1;        // glfwGraphicsSeq the texture was made under; -1: none
    unsigned int texture = 0;
    float uScale = 0.0f;                    // 1 / allocated texture width
    float vScale = 0.0f;                    // 1 / allocated texture height
    gxtkSurface* page = nullptr;            // the atlas page holding the image; null: a texture of its own
    int originX = 0, originY = 0;           // the image's top-left texel on its texture
    String path;                            // the file the pixels were decoded from; empty: none
    std::shared_ptr<VxImageDecode> decode;  // the file's pixels being decoded; null: none pending

    gxtkSurface() {}
    ~gxtkSurface() override;
    void mark() override;

    // Deletes a live texture of its own (a page's stays) and frees the pixels. Returns 0.
    virtual int Discard();
    virtual int Width() { return width; }
    virtual int Height() { return height; }
    virtual bool Loaded() { return true; }
    // Finishes a load made by gxtkGraphics::LoadSurface__UNSAFE__ on the main thread.
    virtual void OnUnsafeLoadComplete() { Bind(); }

    // Takes ownership of `data` (malloc'ed, `depth` bytes per pixel) and premultiplies it. A depth
    // outside 1-4 has no pixel format: the data is freed, the surface stays empty and the result is
    // false.
    bool SetData(unsigned char* data, int width, int height, int depth);
    // Takes the size and depth of an image whose premultiplied pixels `pending` is decoding; they
    // are waited for when first needed (a texture made, pixels written). False as SetData.
    bool SetPending(std::shared_ptr<VxImageDecode> pending, int width, int height, int depth);
    // Makes the texture of the first surface loaded whose pending decode has finished, so that its
    // pixels are freed before it is drawn and its first draw costs no upload. Whether it did.
    static bool BindOneDecoded();
    // Writes 0xAARRGGBB pixels (row r, column c at src[r * pitch + c]) into the rectangle at (x, y),
    // premultiplying them, and updates a live texture. Only RGBA surfaces accept it; a rectangle that
    // does not lie wholly inside the surface is ignored. Returns whether anything was written.
    bool SetSubData(int x, int y, int w, int h, const int* src, int pitch);
    // Binds the texture, making it first when it is not live in the current context (for an image
    // on a page: making the page live and writing the image's texels onto it). Does nothing while no
    // context exists (glfwGraphicsSeq 0).
    void Bind();
    bool TextureLive() const;
    // The surface whose texture draws this one: its page, or itself.
    gxtkSurface* TextureOwner() { return page ? page : this; }

    // Premultiplies `count` pixels of `depth` bytes in place (depths 2 and 4; others have no alpha).
    static void Premultiply(unsigned char* data, int count, int depth);

    // Simulates a driver without non-power-of-two textures (for tests): every texture is then made
    // at power-of-two size, as the fallback does when the driver refuses the exact size.
    static bool forcePowerOfTwo;
};
