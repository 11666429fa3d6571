// The drawing vocabulary of the screens: a current drawing state and commands appended to the draw
// list, 15 floats each, which p_OnRender replays scaled to the device. Text is drawn glyph by glyph
// from a bitmap font held in an image slot.
#include <cmath>

#include "game/myapp.h"

namespace {

constexpr double kDegToRad = 0.017453292519943295;

// Kerning and button-glyph rules of the bitmap font. `c` is the character code minus 32.
int GlyphAdjust(int c, int adj) {
    if (c == 87 || c == 77) adj = 2;                                                          // w m
    if (c == 55 || c == 45) adj = 1;                                                          // W M
    if (c == 73 || c == 70) adj = -3;                                                         // i f
    if (c == 76) adj = -3;                                                                    // l
    if (c == 74 || c == 83 || c == 75 || c == 82 || c == 90 || c == 84 || c == 78) adj = -1;  // j s k r z t n
    return adj;
}

// The glyph frame and advance adjustment selected by the character after the button marker.
void ButtonGlyph(int ch, int controlStyle, int* frame, int* adj) {
    switch (ch) {
        case 'J':
            *frame = 96, *adj = 4;
            break;
        case 'K':
            *frame = 97, *adj = 4;
            break;
        case 'L':
            *frame = 98, *adj = 4;
            break;
        case 'I':
            *frame = 99, *adj = 4;
            break;
        case 'U':
            *frame = 100, *adj = 6;
            break;
        case 'O':
            *frame = 101, *adj = 6;
            break;
        case 'Q':
            *frame = 102, *adj = 4;
            break;
        case 'E':
            *frame = 103, *adj = 4;
            break;
        case 'F':
            *frame = 104, *adj = 4;
            break;
        case 'W':
            *frame = 105, *adj = 4;
            break;
        case 'S':
            *frame = 106, *adj = 4;
            break;
        case 'A':
            *frame = 107, *adj = 4;
            break;
        case 'D':
            *frame = 108, *adj = 4;
            break;
        default:
            *frame = ch, *adj = 4;
            break;
    }
    // The keyboard glyph set lies 16 frames above the pad set.
    if (controlStyle == 0) *frame += 16;
}

constexpr int kButtonMarker = 172;  // "¬"

}  // namespace

float vx_Zarnok_SinDeg(float degrees) {
    float r = std::fmod(degrees, 360.0f);
    if (r < 0) r += 360.0f;
    if (r == 0.0f || r == 180.0f) return 0.0f;
    if (r == 90.0f) return 1.0f;
    if (r == 270.0f) return -1.0f;
    return static_cast<float>(std::sin(degrees * kDegToRad));
}

float vx_Zarnok_CosDeg(float degrees) {
    return vx_Zarnok_SinDeg(degrees + 90.0f);
}

int vx_Zarnok_Trunc(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0f) return 2147483647;
    if (value <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<int>(value);
}

int c_MyApp::p_CLS2D(float r, float g, float b, float a) {
    if (r > kOmitted) {
        f_clsR = r;
        f_clsG = g;
        f_clsB = b;
        f_clsA = a;
    }
    p_ResetDraw();
    f_drawCount = 0;
    return 0;
}

int c_MyApp::p_ResetDraw() {
    f_sizeX = 1.0f;
    f_sizeY = 1.0f;
    f_rot = 0.0f;
    f_colR = f_colG = f_colB = 255.0f;
    f_alpha = 1.0f;
    f_blend = 1;
    return 0;
}

int c_MyApp::p_SetSize(float x, float y) {
    f_sizeX = x;
    f_sizeY = y > kOmitted ? y : x;
    return 0;
}

int c_MyApp::p_Alpha(float a) {
    f_alpha = a;
    return 0;
}

int c_MyApp::p_SetRot(float r) {
    f_rot = -r;
    return 0;
}

int c_MyApp::p_SetCol(float r, float g, float b, float a) {
    f_colR = r;
    f_colG = g;
    f_colB = b;
    if (a > kOmitted) f_alpha = a;
    return 0;
}

int c_MyApp::p_Blend(int b) {
    f_blend = b;
    return 0;
}

int c_MyApp::p_Ink(int colour, int brightness) {
    static const float kPalette[10][3] = {
        {0.3f, 0.3f, 0.3f}, {1.0f, 0.1f, 0.1f}, {1.0f, 0.5f, 0.1f}, {1.0f, 1.0f, 0.1f}, {0.1f, 1.0f, 0.1f},
        {0.1f, 1.0f, 1.0f}, {0.1f, 0.1f, 1.0f}, {0.5f, 0.1f, 1.0f}, {1.0f, 0.1f, 0.5f}, {1.0f, 1.0f, 1.0f},
    };
    const float* m = kPalette[(colour >= 1 && colour <= 9) ? colour : 0];
    float* out[3] = {&f_colR, &f_colG, &f_colB};
    for (int i = 0; i < 3; ++i) {
        float v = m[i] * static_cast<float>(brightness) * 255.0f;
        *out[i] = v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v);
    }
    return 0;
}

// Appends one command; a full list drops it without notice.
static inline float* AppendCommand(c_MyApp* app) {
    if (app->f_drawCount > kDrawLimit) return nullptr;
    float* cmd = app->f_drawList.Data() + app->f_drawCount;
    app->f_drawCount += kDrawStride;
    return cmd;
}

static inline void FillCommand(c_MyApp* app, float* cmd, float kind, float x, float y, float a, float b,
                               float frame) {
    cmd[0] = kind;
    cmd[1] = x;
    cmd[2] = y;
    cmd[3] = app->f_rot;
    cmd[4] = a;
    cmd[5] = b;
    cmd[6] = frame;
    cmd[7] = app->f_alpha;
    cmd[8] = 0.0f;
    cmd[9] = 0.0f;
    cmd[10] = app->f_colR;
    cmd[11] = app->f_colG;
    cmd[12] = app->f_colB;
    cmd[13] = static_cast<float>(app->f_blend);
    cmd[14] = 0.0f;
}

int c_MyApp::p_DrawImg(int slot, float x, float y, float frame) {
    if (float* cmd = AppendCommand(this))
        FillCommand(this, cmd, static_cast<float>(slot), x, y, f_sizeX, f_sizeY, frame);
    return 0;
}

int c_MyApp::p_Rect(float x, float y, float w, float h) {
    if (float* cmd = AppendCommand(this))
        FillCommand(this, cmd, static_cast<float>(kRectKind), x, y, w, h, 0.0f);
    return 0;
}

int c_MyApp::p_Oval(float x, float y, float rx, float ry) {
    if (float* cmd = AppendCommand(this))
        FillCommand(this, cmd, static_cast<float>(kOvalKind), x, y, rx, ry, 0.0f);
    return 0;
}

// The measured width of a text in virtual pixels at the current size: each glyph advances by the
// font's width plus its kerning; a button glyph ("¬" and its letter) counts as one glyph with 2.
int c_MyApp::p_TextWidth(const String& text) {
    float glyphW = static_cast<float>(f_fontMetrics[3 * f_font]);
    float w = 0.0f;
    int n = text.Length();
    for (int i = 0; i < n; ++i) {
        int ch = text[i];
        int adj;
        if (ch == kButtonMarker) {
            ++i;  // the selecting letter belongs to the glyph
            adj = 2;
        } else {
            adj = GlyphAdjust(ch - 32, 0);
        }
        w = static_cast<float>(vx_Zarnok_Trunc(w + (glyphW + static_cast<float>(adj)) * f_sizeX));
    }
    return vx_Zarnok_Trunc(w);
}

int c_MyApp::p_Text(float x, float y, const String& text, float xalign, float yalign) {
    const float glyphW = static_cast<float>(f_fontMetrics[3 * f_font]);
    const float glyphH = static_cast<float>(f_fontMetrics[3 * f_font + 1]);
    const float w = static_cast<float>(p_TextWidth(text));
    const float r = f_rot;
    const float lineH = glyphH * f_sizeY;

    // Start point: xalign 0/1/2 puts x at the left, middle or right; yalign 0/1/2 puts y at the
    // top, middle or bottom of the glyphs, all along the rotated baseline.
    const float a1 = -r - 90.0f, a2 = -r;
    const float x0 =
        x + vx_Zarnok_SinDeg(a1) * w * xalign / 2.0f + vx_Zarnok_SinDeg(a2) * lineH * (yalign - 1.0f) / 2.0f;
    const float y0 =
        y - vx_Zarnok_CosDeg(a1) * w * xalign / 2.0f - vx_Zarnok_CosDeg(a2) * lineH * (yalign - 1.0f) / 2.0f;
    const float lineSin = vx_Zarnok_SinDeg(180.0f - r), lineCos = vx_Zarnok_CosDeg(180.0f - r);
    const float stepSin = vx_Zarnok_SinDeg(90.0f - r), stepCos = vx_Zarnok_CosDeg(90.0f - r);

    // The text is read with one space appended, without building a new string.
    const int n = text.Length() + 1;
    auto at = [&text, n](int i) -> int { return i < n - 1 ? text[i] : ' '; };
    float penX = x0, penY = y0;
    int lines = 0;
    for (int i = 0; i < n; ++i) {
        int ch = at(i);
        if (ch == '\\' && i + 1 < n && at(i + 1) == 'n') {
            ++lines;
            float d = static_cast<float>(lines) * lineH;
            penX = x0 + lineSin * d;
            penY = y0 - lineCos * d;
            ++i;
            continue;
        }
        if (ch == 0) continue;
        int c = ch - 32;
        int adj = 0;
        if (c == kButtonMarker - 32) {
            int sel = i + 1 < n ? at(++i) : 0;
            ButtonGlyph(sel, f_controlStyle, &c, &adj);
        }
        adj = GlyphAdjust(c, adj);
        if (c >= 1 && c <= 127) p_DrawImg(f_font, penX, penY, static_cast<float>(c));
        float step = (glyphW + static_cast<float>(adj)) * f_sizeX;
        penX += stepSin * step;
        penY -= stepCos * step;
    }
    return 0;
}

String c_MyApp::p_rstr(int value, int n, const String& pad) {
    String s;
    for (f_i = 1; f_i <= n; ++f_i) s += pad;
    s += String(value);
    int len = s.Length();
    return n >= len ? s : s.Slice(len - (n > 0 ? n : 0));
}
