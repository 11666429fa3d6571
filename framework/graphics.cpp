#include "framework/graphics.h"

#include <cmath>

#include "host/files.h"

gxtkGraphics* vx_graphics_device = nullptr;
c_GraphicsContext* vx_graphics_context = nullptr;
gxtkGraphics* vx_graphics_renderDevice = nullptr;
int c_Image::m_DefaultFlags = 0;

namespace {

constexpr float kD2R = 0.017453292f;
constexpr int kInitialStack = 192;

inline int IsTransformed(float ix, float iy, float jx, float jy, float tx, float ty) {
    return (ix == 1 && iy == 0 && jx == 0 && jy == 1 && tx == 0 && ty == 0) ? 0 : 1;
}

// Sets the context's matrix and marks it for the renderer.
inline void SetContextMatrix(c_GraphicsContext* c, float ix, float iy, float jx, float jy, float tx,
                             float ty) {
    c->f_ix = ix;
    c->f_iy = iy;
    c->f_jx = jx;
    c->f_jy = jy;
    c->f_tx = tx;
    c->f_ty = ty;
    c->f_transformed = IsTransformed(ix, iy, jx, jy, tx, ty);
    c->f_matrixDirty = 1;
}

// current := current x given: the given transformation applies to points first.
inline void Compose(c_GraphicsContext* c, float a, float b, float cc, float d, float e, float f) {
    float ix = c->f_ix, iy = c->f_iy, jx = c->f_jx, jy = c->f_jy;
    SetContextMatrix(c, ix * a + jx * b, iy * a + jy * b, ix * cc + jx * d, iy * cc + jy * d,
                     ix * e + jx * f + c->f_tx, iy * e + jy * f + c->f_ty);
}

inline void Push(c_GraphicsContext* c) {
    if (c->f_stackTop + 6 > c->f_matrixStack.Length()) {
        int length = c->f_matrixStack.Length();
        gc_assign(c->f_matrixStack, c->f_matrixStack.Resize(length > 0 ? length * 2 : kInitialStack));
    }
    float* s = c->f_matrixStack.Data() + c->f_stackTop;
    s[0] = c->f_ix;
    s[1] = c->f_iy;
    s[2] = c->f_jx;
    s[3] = c->f_jy;
    s[4] = c->f_tx;
    s[5] = c->f_ty;
    c->f_stackTop += 6;
}

inline void Pop(c_GraphicsContext* c) {
    if (c->f_stackTop < 6) return;  // no matching push: ignored
    c->f_stackTop -= 6;
    const float* s = c->f_matrixStack.Data() + c->f_stackTop;
    SetContextMatrix(c, s[0], s[1], s[2], s[3], s[4], s[5]);
}

// Draws frame `frame` of `image` at (x, y) in the current matrix (the handle already applied).
inline void DrawFrame(gxtkGraphics* device, c_Image* image, float x, float y, c_Frame* f) {
    if (image->f_flags & c_Image::kWholeSurface) {
        device->DrawSurface(image->f_surface, x, y);
    } else {
        device->DrawSurface2(image->f_surface, x, y, f->f_x, f->f_y, image->f_width, image->f_height);
    }
}

}  // namespace

// ---- c_GraphicsContext ----

c_GraphicsContext* c_GraphicsContext::m_new() {
    gc_assign(f_matrixStack, Array<float>(kInitialStack));
    return this;
}

int c_GraphicsContext::p_Validate() {
    if (f_matrixDirty && vx_graphics_renderDevice) {
        vx_graphics_renderDevice->SetMatrix(f_ix, f_iy, f_jx, f_jy, f_tx, f_ty);
        f_matrixDirty = 0;
    }
    return 0;
}

void c_GraphicsContext::mark() {
    Object::mark();
    gc_mark_q(f_defaultFont);
    gc_mark_q(f_font);
    gc_mark_q(f_matrixStack);
}

// ---- c_Frame, c_Image ----

c_Frame* c_Frame::m_new(int x, int y) {
    f_x = x;
    f_y = y;
    return this;
}

c_Image* c_Image::p_Init(gxtkSurface* surface, int nframes, int flags) {
    gc_assign(f_surface, surface);
    if (nframes < 1) nframes = 0;
    f_width = nframes > 0 ? surface->Width() / nframes : 0;
    f_height = surface->Height();
    gc_assign(f_frames, Array<c_Frame*>(nframes));
    for (int i = 0; i < nframes; ++i) f_frames.Set(i, (new c_Frame())->m_new(i * f_width, 0));
    p_ApplyFlags(flags);
    return this;
}

c_Image* c_Image::p_Init2(gxtkSurface* surface, int x, int y, int width, int height, int nframes, int flags,
                          c_Image* source, int srcx, int srcy, int srcw, int srch) {
    gc_assign(f_surface, surface);
    gc_assign(f_source, source);
    f_width = width;
    f_height = height;
    if (nframes < 0) nframes = 0;
    gc_assign(f_frames, Array<c_Frame*>(nframes));
    int cx = x, cy = y;
    for (int i = 0; i < nframes; ++i) {
        if (cx + width > srcw) {
            cx = 0;
            cy += height;
        }
        if (cx + width > srcw || cy + height > srch) vxError(String("Image frame outside surface"));
        f_frames.Set(i, (new c_Frame())->m_new(cx + srcx, cy + srcy));
        cx += width;
    }
    p_ApplyFlags(flags);
    return this;
}

int c_Image::p_ApplyFlags(int flags) {
    f_flags = flags;
    int n = f_frames.Length();
    if (f_flags & kPadX) {
        for (int i = 0; i < n; ++i) f_frames[i]->f_x += 1;
        f_width -= 2;
    }
    if (f_flags & kPadY) {
        for (int i = 0; i < n; ++i) f_frames[i]->f_y += 1;
        f_height -= 2;
    }
    if (f_flags & kCentreHandle)
        p_SetHandle(static_cast<float>(f_width / 2), static_cast<float>(f_height / 2));
    if (n == 1 && f_frames[0]->f_x == 0 && f_frames[0]->f_y == 0 && f_width == f_surface->Width() &&
        f_height == f_surface->Height()) {
        f_flags |= kWholeSurface;
    }
    return 0;
}

int c_Image::p_SetHandle(float x, float y) {
    f_handleX = x;
    f_handleY = y;
    f_flags &= ~kCentreHandle;
    return 0;
}

void c_Image::mark() {
    Object::mark();
    gc_mark_q(f_surface);
    gc_mark_q(f_frames);
    gc_mark_q(f_source);
}

// ---- loading ----

c_Image* vx_graphics_LoadImage(const String& path, int frameCount, int flags) {
    if (!vx_graphics_device) return nullptr;
    gxtkSurface* surface = vx_graphics_device->LoadSurface(vx_data_FixDataPath(path));
    if (!surface) return nullptr;
    return (new c_Image())->m_new()->p_Init(surface, frameCount, flags);
}

c_Image* vx_graphics_LoadImage2(const String& path, int frameWidth, int frameHeight, int frameCount,
                                int flags) {
    if (!vx_graphics_device) return nullptr;
    gxtkSurface* surface = vx_graphics_device->LoadSurface(vx_data_FixDataPath(path));
    if (!surface) return nullptr;
    return (new c_Image())
        ->m_new()
        ->p_Init2(surface, 0, 0, frameWidth, frameHeight, frameCount, flags, nullptr, 0, 0, surface->Width(),
                  surface->Height());
}

int vx_graphics_SetFont(c_Image* font, int firstChar) {
    c_GraphicsContext* c = vx_graphics_context;
    if (!font) {
        if (!c->f_defaultFont)
            gc_assign(c->f_defaultFont, vx_graphics_LoadImage(String("tavo_font.png"), 96, 2));
        font = c->f_defaultFont;
        firstChar = 32;
    }
    gc_assign(c->f_font, font);
    c->f_firstChar = firstChar;
    return 0;
}

int vx_graphics_SetGraphicsDevice(gxtkGraphics* device) {
    gc_assign(vx_graphics_device, device);
    return 0;
}

// ---- frames ----

int vx_graphics_BeginRender() {
    gc_assign(vx_graphics_renderDevice, vx_graphics_device);
    c_GraphicsContext* c = vx_graphics_context;
    c->f_stackTop = 0;
    SetContextMatrix(c, 1, 0, 0, 1, 0, 0);
    vx_graphics_SetColor(255, 255, 255);
    vx_graphics_SetAlpha(1);
    vx_graphics_SetBlend(0);
    // The whole window: the renderer has just read its size from the host, the same size the app
    // module caches for this frame.
    gxtkGraphics* d = vx_graphics_renderDevice;
    float w = d ? static_cast<float>(d->Width()) : 0.0f;
    float h = d ? static_cast<float>(d->Height()) : 0.0f;
    vx_graphics_SetScissor(0, 0, w, h);
    return 0;
}

int vx_graphics_EndRender() {
    gc_assign(vx_graphics_renderDevice, static_cast<gxtkGraphics*>(nullptr));
    return 0;
}

// ---- state ----

int vx_graphics_SetColor(float r, float g, float b) {
    c_GraphicsContext* c = vx_graphics_context;
    c->f_red = r;
    c->f_green = g;
    c->f_blue = b;
    if (vx_graphics_renderDevice) vx_graphics_renderDevice->SetColor(r, g, b);
    return 0;
}

int vx_graphics_SetAlpha(float a) {
    vx_graphics_context->f_alpha = a;
    if (vx_graphics_renderDevice) vx_graphics_renderDevice->SetAlpha(a);
    return 0;
}

int vx_graphics_SetBlend(int mode) {
    vx_graphics_context->f_blend = mode;
    if (vx_graphics_renderDevice) vx_graphics_renderDevice->SetAdditive(mode == 1);
    return 0;
}

int vx_graphics_SetScissor(float x, float y, float w, float h) {
    c_GraphicsContext* c = vx_graphics_context;
    c->f_scissorX = x;
    c->f_scissorY = y;
    c->f_scissorWidth = w;
    c->f_scissorHeight = h;
    if (vx_graphics_renderDevice) {
        vx_graphics_renderDevice->SetScissor(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                                             static_cast<int>(h));
    }
    return 0;
}

// ---- matrix ----

int vx_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty) {
    SetContextMatrix(vx_graphics_context, ix, iy, jx, jy, tx, ty);
    return 0;
}

int vx_graphics_SetMatrix2(Array<float> m) {
    if (m.Length() < 6) return 0;
    return vx_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int vx_graphics_Transform(float a, float b, float c, float d, float e, float f) {
    Compose(vx_graphics_context, a, b, c, d, e, f);
    return 0;
}

int vx_graphics_Transform2(Array<float> m) {
    if (m.Length() < 6) return 0;
    return vx_graphics_Transform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int vx_graphics_Translate(float x, float y) {
    return vx_graphics_Transform(1, 0, 0, 1, x, y);
}

int vx_graphics_Scale(float x, float y) {
    return vx_graphics_Transform(x, 0, 0, y, 0, 0);
}

int vx_graphics_Rotate(float degrees) {
    double theta = static_cast<double>(degrees * kD2R);
    float s = static_cast<float>(std::sin(theta));
    float c = static_cast<float>(std::cos(theta));
    return vx_graphics_Transform(c, -s, s, c, 0, 0);
}

int vx_graphics_PushMatrix() {
    Push(vx_graphics_context);
    return 0;
}

int vx_graphics_PopMatrix() {
    Pop(vx_graphics_context);
    return 0;
}

// ---- drawing ----

int vx_graphics_DrawRect(float x, float y, float w, float h) {
    gxtkGraphics* d = vx_graphics_renderDevice;
    if (!d) return 0;
    vx_graphics_context->p_Validate();
    d->DrawRect(x, y, w, h);
    return 0;
}

int vx_graphics_DrawLine(float x1, float y1, float x2, float y2) {
    gxtkGraphics* d = vx_graphics_renderDevice;
    if (!d) return 0;
    vx_graphics_context->p_Validate();
    d->DrawLine(x1, y1, x2, y2);
    return 0;
}

int vx_graphics_DrawEllipse(float x, float y, float xRadius, float yRadius) {
    gxtkGraphics* d = vx_graphics_renderDevice;
    if (!d) return 0;
    vx_graphics_context->p_Validate();
    d->DrawOval(x - xRadius, y - yRadius, xRadius * 2, yRadius * 2);
    return 0;
}

int vx_graphics_DrawImage(c_Image* image, float x, float y, int frame) {
    gxtkGraphics* d = vx_graphics_renderDevice;
    if (!d || !image || frame < 0 || frame >= image->f_frames.Length()) return 0;
    vx_graphics_context->p_Validate();
    DrawFrame(d, image, x - image->f_handleX, y - image->f_handleY, image->f_frames[frame]);
    return 0;
}

int vx_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX, float scaleY,
                           int frame) {
    gxtkGraphics* d = vx_graphics_renderDevice;
    if (!d || !image || frame < 0 || frame >= image->f_frames.Length()) return 0;
    c_GraphicsContext* c = vx_graphics_context;
    Push(c);
    Compose(c, 1, 0, 0, 1, x, y);
    double theta = static_cast<double>(rotation * kD2R);
    float cs = static_cast<float>(std::cos(theta));
    float sn = static_cast<float>(std::sin(theta));
    Compose(c, cs, -sn, sn, cs, 0, 0);
    Compose(c, scaleX, 0, 0, scaleY, 0, 0);
    Compose(c, 1, 0, 0, 1, -image->f_handleX, -image->f_handleY);
    c->p_Validate();
    DrawFrame(d, image, 0, 0, image->f_frames[frame]);
    Pop(c);
    return 0;
}
