// Glyphs: the game's bitmap font "fonts/editundo" (with pad-button and key-cap glyphs), the
// framework's default font "tavo_font" and text for the other painters and the contact sheets.
// Letter shapes come from DejaVu Sans Bold (Debian's fonts-dejavu-core; its licence allows
// redistributing rendered glyphs), rasterised with stb_truetype at each resolution.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>

#include <stb_truetype.h>

#include "tools/assets.h"

namespace datagen {

namespace {

std::vector<unsigned char> g_fontData;
stbtt_fontinfo g_font;
bool g_fontOk = false;

// Coverage of one glyph, cell-sized, at the painter's resolution.
// It covers the pixels (ox .. ox + w - 1, oy .. oy + h - 1) of the painter's cell.
struct Cover {
    int w, h, ox = 0, oy = 0;
    std::vector<float> v;
    Cover(int w_, int h_, int ox_ = 0, int oy_ = 0)
        : w(w_), h(h_), ox(ox_), oy(oy_), v(size_t(w_) * h_, 0.f) {}
    float at(int x, int y) const { return (x < 0 || y < 0 || x >= w || y >= h) ? 0.f : v[size_t(y) * w + x]; }
};

// Adds the glyph of codepoint cp with its origin (pen, baseline) at pixel (ox, oy).
void addGlyph(Cover& c, int cp, float scaleX, float scaleY, float ox, float oy) {
    int ix = int(std::floor(ox)), iy = int(std::floor(oy));
    float sx = ox - ix, sy = oy - iy;
    int x0, y0, x1, y1;
    stbtt_GetCodepointBitmapBoxSubpixel(&g_font, cp, scaleX, scaleY, sx, sy, &x0, &y0, &x1, &y1);
    int gw = x1 - x0, gh = y1 - y0;
    if (gw <= 0 || gh <= 0) return;
    std::vector<unsigned char> bmp(size_t(gw) * gh);
    stbtt_MakeCodepointBitmapSubpixel(&g_font, bmp.data(), gw, gh, gw, scaleX, scaleY, sx, sy, cp);
    for (int y = 0; y < gh; ++y)
        for (int x = 0; x < gw; ++x) {
            int px = ix + x0 + x - c.ox, py = iy + y0 + y - c.oy;
            if (px < 0 || py < 0 || px >= c.w || py >= c.h) continue;
            float& d = c.v[size_t(py) * c.w + px];
            d = std::min(1.f, d + bmp[size_t(y) * gw + x] / 255.f);
        }
}

// Sharpens anti-aliased edges of small glyphs: at one or two pixels per unit a soft edge pixel
// blurs the letter, so partial coverage is pushed towards empty or full.
void sharpen(Cover& c, float scale) {
    if (scale >= 4) return;
    float lo = scale < 2 ? 0.2f : 0.1f, hi = 1.f - lo;
    for (float& v : c.v) v = smooth(lo, hi, v);
}

// Paints coverage: an optional soft dark rim (readable over bright backgrounds), then the ink.
void paintCover(Painter& p, const Cover& c, Col ink, float rimUnits, float rimAlpha) {
    if (rimUnits > 0) {
        int r = std::max(1, int(std::lround(rimUnits * p.scale())));
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                float m = 0;
                for (int dy = -r; dy <= r; ++dy)
                    for (int dx = -r; dx <= r; ++dx)
                        if (dx * dx + dy * dy <= r * r + r) m = std::max(m, c.at(x + dx, y + dy));
                if (m > 0) p.putPixel(x + c.ox, y + c.oy, rgb(0, 0, 0, rimAlpha), m);
            }
    }
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            if (float v = c.at(x, y); v > 0) p.putPixel(x + c.ox, y + c.oy, ink, v);
}

// Advance adjustment of the game's text layout for a frame number (character code - 32).
int kerning(int c) {
    switch (c) {
        case 87:
        case 77:
            return 2;  // w m
        case 55:
        case 45:
            return 1;  // W M
        case 73:
        case 70:
        case 76:
            return -3;  // i f l
        case 74:
        case 83:
        case 75:
        case 82:
        case 90:
        case 84:
        case 78:
            return -1;  // j s k r z t n
        default:
            return 0;
    }
}

// Draws one character squeezed to fit maxInk units of width, ink centred on cx, baseline at by.
void fittedChar(Cover& c, float scale, int cp, float em, float maxInk, float cx, float by) {
    float fs = stbtt_ScaleForMappingEmToPixels(&g_font, em);
    int x0, y0, x1, y1;
    if (!stbtt_GetCodepointBox(&g_font, cp, &x0, &y0, &x1, &y1)) return;
    float inkW = (x1 - x0) * fs;
    float sq = inkW > maxInk ? maxInk / inkW : 1.f;
    float scaleX = fs * sq * scale, scaleY = fs * scale;
    float ox = cx * scale - (x0 + x1) * 0.5f * scaleX;
    addGlyph(c, cp, scaleX, scaleY, ox, by * scale);
}

const char kButtonLetters[] = "JKLIUOQEFWSAD";

// Where a glyph's ink is centred in its 16-unit cell. The game draws each cell centred on the pen
// and then advances by 7 plus the character's adjustment; centring the ink within that advance
// (which starts 3.5 units left of the cell centre) keeps the gaps between letters even.
float glyphCentre(int advance) {
    return std::min(4.5f + advance * 0.5f, 10.5f);
}
int buttonAdvance(int i) {
    return (kButtonLetters[i] == 'U' || kButtonLetters[i] == 'O') ? 7 + 6 : 7 + 4;
}

// Pad glyphs, frames 96-108: face buttons, shoulders, triggers, the menu button and the d-pad.
void padGlyph(Painter& p, int i) {
    const V2 c{glyphCentre(buttonAdvance(i)), 8.5f};
    const Col on = grey(1), off = grey(0.55f, 0.9f), dark = rgb(0, 0, 0, 0.55f);
    char k = kButtonLetters[i];
    if (k == 'J' || k == 'K' || k == 'L' || k == 'I') {
        // Four face buttons in a diamond; the named one is lit.
        const V2 pos[4] = {{0, 3.3f}, {3.3f, 0}, {-3.3f, 0}, {0, -3.3f}};
        int lit = k == 'J' ? 0 : k == 'K' ? 1 : k == 'L' ? 2 : 3;
        p.fillC([&](V2 q) { return sdCircle(q, c, 5.6f); }, dark);
        for (int b = 0; b < 4; ++b) {
            V2 bc = c + pos[b];
            if (b == lit)
                p.fillC([&](V2 q) { return sdCircle(q, bc, 2.0f); }, on);
            else
                p.stroke([&](V2 q) { return sdCircle(q, bc, 1.3f); }, 0.8f, off);
        }
    } else if (k == 'U' || k == 'O') {
        // Shoulder bumpers: a wide rounded bar, rounder on the outer side.
        float dir = k == 'U' ? -1.f : 1.f;
        auto d = [&](V2 q) {
            float bar = sdBox(q, {c.x, 9}, {4.9f, 2.2f}, 1.6f);
            float cap = sdCircle(q, {c.x + dir * 2.3f, 8.2f}, 2.7f);
            return opUnion(bar, cap);
        };
        p.fillC([&](V2 q) { return d(q) - 0.5f; }, dark);
        p.fillC(d, on);
        p.fillC([&](V2 q) { return sdSeg(q, {c.x - 3.2f, 9.2f}, {c.x + 3.2f, 9.2f}, 0.45f); }, grey(0.1f));
    } else if (k == 'Q' || k == 'E') {
        // Triggers: a tall rounded paddle.
        float lean = k == 'Q' ? -1.f : 1.f;
        auto d = [&](V2 q) {
            V2 r = rot(q - c, lean * 12.f);
            return sdBox(r, {0, 0}, {2.8f, 4.6f}, 2.4f);
        };
        p.fillC([&](V2 q) { return d(q) - 0.6f; }, dark);
        p.fillC(d, on);
        p.fillC(
            [&](V2 q) {
                return sdSeg(rot(q - c, lean * 12.f), {-1.2f, -2.2f}, {1.2f, -2.2f}, 0.4f);
            },
            grey(0.1f));
    } else if (k == 'F') {
        // The menu button: a pill with three lines.
        p.fillC([&](V2 q) { return sdBox(q, c, {4.4f, 3.2f}, 1.6f); }, dark);
        p.stroke([&](V2 q) { return sdBox(q, c, {4.0f, 2.8f}, 1.4f); }, 0.8f, on);
        for (int l = -1; l <= 1; ++l)
            p.fillC(
                [&](V2 q) {
                    return sdSeg(q, {c.x - 1.8f, 8.5f + l * 1.3f}, {c.x + 1.8f, 8.5f + l * 1.3f}, 0.4f);
                },
                on);
    } else {
        // The d-pad with one arm lit.
        int lit = k == 'W' ? 0 : k == 'S' ? 1 : k == 'A' ? 2 : 3;
        auto cross = [&](V2 q) {
            return opUnion(sdBox(q, c, {1.9f, 5.4f}, 0.6f), sdBox(q, c, {5.4f, 1.9f}, 0.6f));
        };
        p.fillC([&](V2 q) { return cross(q) - 0.7f; }, dark);
        p.stroke(cross, 0.7f, off);
        const V2 arm[4] = {{0, -3.4f}, {0, 3.4f}, {-3.4f, 0}, {3.4f, 0}};
        V2 a = c + arm[lit];
        V2 half = lit < 2 ? V2{1.9f, 2.0f} : V2{2.0f, 1.9f};
        p.fillC([&](V2 q) { return sdBox(q, a, half, 0.6f); }, on);
    }
}

// Keyboard key caps, frames 112-124: a key with its letter.
void keyGlyph(Painter& p, int i) {
    const V2 c{glyphCentre(buttonAdvance(i)), 8.5f};
    p.fillC([&](V2 q) { return sdBox(q, c, {5.2f, 5.2f}, 1.8f); }, rgb(0, 0, 0, 0.6f));
    p.stroke([&](V2 q) { return sdBox(q, c, {4.7f, 4.7f}, 1.5f); }, 0.9f, grey(1));
    // A lighter lower lip gives the cap some depth.
    p.fillC([&](V2 q) { return opInter(sdBox(q, c, {4.2f, 4.2f}, 1.2f), 11.2f - q.y); }, grey(1, 0.18f));
    Cover cv(int(16 * p.scale()), int(16 * p.scale()));
    fittedChar(cv, p.scale(), kButtonLetters[i], 7.4f, 5.5f, c.x, 11.2f);
    sharpen(cv, p.scale());
    paintCover(p, cv, grey(1), 0, 0);
}

}  // namespace

bool loadGlyphFont() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", std::ios::binary);
        g_fontData.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        g_fontOk = !g_fontData.empty() && stbtt_InitFont(&g_font, g_fontData.data(),
                                                         stbtt_GetFontOffsetForIndex(g_fontData.data(), 0));
    });
    if (!g_fontOk)
        std::fprintf(stderr,
                     "zarnok-datagen: cannot read /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf "
                     "(install fonts-dejavu-core)\n");
    return g_fontOk;
}

float textWidth(float size, const std::string& text) {
    float fs = stbtt_ScaleForMappingEmToPixels(&g_font, size), w = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        int adv, lsb;
        stbtt_GetCodepointHMetrics(&g_font, (unsigned char)text[i], &adv, &lsb);
        w += adv * fs;
        if (i + 1 < text.size())
            w += fs *
                 stbtt_GetCodepointKernAdvance(&g_font, (unsigned char)text[i], (unsigned char)text[i + 1]);
    }
    return w;
}

void drawText(Painter& p, float x, float y, float size, const std::string& text, Col col, bool centre) {
    if (centre) x -= textWidth(size, text) * 0.5f;
    float s = p.scale();
    float fs = stbtt_ScaleForMappingEmToPixels(&g_font, size) * s;
    // The cover spans only the band the text occupies.
    int bx0 = int(std::floor(x * s)) - 2, by0 = int(std::floor((y - size * 1.05f) * s)) - 2;
    int bw = int(std::ceil(textWidth(size, text) * s)) + 6, bh = int(std::ceil(size * 1.4f * s)) + 4;
    Cover cv(bw, bh, bx0, by0);
    float pen = x * s;
    for (size_t i = 0; i < text.size(); ++i) {
        int cp = (unsigned char)text[i];
        addGlyph(cv, cp, fs, fs, pen, y * s);
        int adv, lsb;
        stbtt_GetCodepointHMetrics(&g_font, cp, &adv, &lsb);
        pen += adv * fs;
        if (i + 1 < text.size())
            pen += fs * stbtt_GetCodepointKernAdvance(&g_font, cp, (unsigned char)text[i + 1]);
    }
    paintCover(p, cv, col, 0, 0);
}

void paintGameFont(Painter& p, int frame) {
    if (frame >= 96 && frame <= 108) return padGlyph(p, frame - 96);
    if (frame >= 112 && frame <= 124) return keyGlyph(p, frame - 112);
    int cp = frame + 32;
    if (cp <= 32 || cp >= 127) return;
    // Cap height 7 and the game's fixed advance of 7 plus its kerning: each glyph is fitted to the
    // width its advance leaves, centred on the pen.
    float maxInk = float(7 + kerning(frame)) - 1.2f;
    Cover cv(int(16 * p.scale()), int(16 * p.scale()));
    fittedChar(cv, p.scale(), cp, 9.6f, maxInk, glyphCentre(7 + kerning(frame)), 12.f);
    sharpen(cv, p.scale());
    paintCover(p, cv, grey(1), 0.55f, 0.45f);
}

void paintDefaultFont(Painter& p, int frame) {
    int cp = frame + 32;
    if (cp <= 32 || cp >= 127) return;
    Cover cv(int(p.W() * p.scale()), int(p.H() * p.scale()));
    fittedChar(cv, p.scale(), cp, 11.f, 7.f, p.W() * 0.5f, 12.f);
    sharpen(cv, p.scale());
    paintCover(p, cv, grey(1), 0, 0);
}

}  // namespace datagen
