// The graphics module: the drawing state of the game (one graphics context with its matrix stack,
// colour, alpha, blend, scissor and font), images cut into frames, and the drawing functions that
// forward to the renderer (gxtkGraphics).
//
// Colour, alpha, blend and scissor reach the renderer as soon as they change; the matrix only when
// the next primitive is drawn (c_GraphicsContext::p_Validate), so any number of matrix operations
// between two draws cost one SetMatrix.
//
// Caller errors are ignored, never allowed to touch memory they do not own:
//  - drawing calls outside vx_graphics_BeginRender / vx_graphics_EndRender (no render device) draw
//    nothing; state setters there only update the context (BeginRender resets it anyway);
//  - vx_graphics_PopMatrix without a matching push leaves the matrix and the stack as they are;
//  - a frame number outside an image's frames, or a null image, draws nothing.
// Frames that do not fit the source rectangle when an image is cut are a runtime error.
#pragma once

#include "native/gxtk_graphics.h"
#include "runtime/runtime.h"

class c_Image;

class c_GraphicsContext : public Object {
  public:
    c_Image* f_defaultFont = nullptr;
    c_Image* f_font = nullptr;
    int f_firstChar = 0;
    int f_stackTop = 0;  // floats in use on f_matrixStack, 6 per saved matrix
    float f_ix = 1, f_iy = 0, f_jx = 0, f_jy = 1, f_tx = 0, f_ty = 0;
    int f_transformed = 0;
    int f_matrixDirty = 0;  // 1: the renderer has not been given the current matrix
    float f_red = 0, f_green = 0, f_blue = 0;
    float f_alpha = 0;
    int f_blend = 0;
    float f_scissorX = 0, f_scissorY = 0, f_scissorWidth = 0, f_scissorHeight = 0;
    Array<float> f_matrixStack;

    // Identity matrix, everything else zero, room for 32 saved matrices.
    c_GraphicsContext* m_new();
    // Passes a changed matrix to the render device.
    int p_Validate();
    void mark() override;
};

class c_Frame : public Object {
  public:
    int f_x = 0;
    int f_y = 0;

    c_Frame* m_new(int x, int y);
};

class c_Image : public Object {
  public:
    static constexpr int kCentreHandle = 1;
    static constexpr int kPadX = 2;
    static constexpr int kPadY = 4;
    static constexpr int kWholeSurface = 0x10000;

    static int m_DefaultFlags;

    gxtkSurface* f_surface = nullptr;
    int f_width = 0;   // of one frame, after PadX
    int f_height = 0;  // of one frame, after PadY
    Array<c_Frame*> f_frames;
    int f_flags = 0;
    float f_handleX = 0, f_handleY = 0;
    c_Image* f_source = nullptr;

    c_Image* m_new() { return this; }
    // A horizontal strip of `nframes` frames of equal width. Fewer than 1 frame gives an image
    // without frames (nothing to draw).
    c_Image* p_Init(gxtkSurface* surface, int nframes, int flags);
    // Frames of width x height cut from the source rectangle (srcx, srcy, srcw, srch), left to right
    // and then top to bottom, starting at (x, y) within it; "Image frame outside surface" when they
    // do not fit.
    c_Image* p_Init2(gxtkSurface* surface, int x, int y, int width, int height, int nframes, int flags,
                     c_Image* source, int srcx, int srcy, int srcw, int srch);
    int p_ApplyFlags(int flags);
    int p_SetHandle(float x, float y);
    int p_Width() { return f_width; }
    int p_Height() { return f_height; }
    int p_Frames() { return f_frames.Length(); }
    void mark() override;
};

extern gxtkGraphics* vx_graphics_device;
extern c_GraphicsContext* vx_graphics_context;
extern gxtkGraphics* vx_graphics_renderDevice;

// The image file at `path` (a data name, see vx_data_FixDataPath) as `frameCount` frames in one
// horizontal strip; null when it cannot be loaded.
c_Image* vx_graphics_LoadImage(const String& path, int frameCount, int flags);
// The image file at `path` cut into a grid of frameWidth x frameHeight frames; null when it cannot
// be loaded.
c_Image* vx_graphics_LoadImage2(const String& path, int frameWidth, int frameHeight, int frameCount,
                                int flags);
// The font image; null selects the default font "tavo_font.png" (loaded on first use) from 32.
int vx_graphics_SetFont(c_Image* font, int firstChar);
int vx_graphics_SetGraphicsDevice(gxtkGraphics* device);
int vx_graphics_BeginRender();
int vx_graphics_EndRender();

int vx_graphics_SetColor(float r, float g, float b);
int vx_graphics_SetAlpha(float a);
int vx_graphics_SetBlend(int mode);
int vx_graphics_SetScissor(float x, float y, float w, float h);

int vx_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
int vx_graphics_SetMatrix2(Array<float> m);
int vx_graphics_Transform(float a, float b, float c, float d, float e, float f);
int vx_graphics_Transform2(Array<float> m);
int vx_graphics_Translate(float x, float y);
int vx_graphics_Scale(float x, float y);
int vx_graphics_Rotate(float degrees);
int vx_graphics_PushMatrix();
int vx_graphics_PopMatrix();

int vx_graphics_DrawRect(float x, float y, float w, float h);
int vx_graphics_DrawLine(float x1, float y1, float x2, float y2);
// An ellipse given by its centre and radii.
int vx_graphics_DrawEllipse(float x, float y, float xRadius, float yRadius);
// Frame `frame` of the image with its handle at (x, y).
int vx_graphics_DrawImage(c_Image* image, float x, float y, int frame);
// The same, rotated (degrees, counter-clockwise on screen) and scaled about the handle.
int vx_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX, float scaleY,
                           int frame);
