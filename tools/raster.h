// A small 2D rasteriser for the data generator.
//
// Shapes are described by signed distance functions in "unit" coordinates: level-1 pixels of the
// frame being painted (so a 32 x 32 sprite spans 0..32 on both axes at every resolution). A Painter
// maps units to the pixels of one frame cell at scale 1, 2 or 4 and converts distances to coverage
// over one device pixel, which gives anti-aliased edges that stay one pixel soft at every
// resolution: the -hd and -hd2 images carry real detail, not an enlargement.
//
// Canvas pixels are premultiplied floats while painting; PNG output is straight 8-bit RGBA.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <type_traits>
#include <vector>

namespace datagen {

constexpr float kPi = 3.14159265358979f;

struct V2 {
    float x = 0, y = 0;
};
inline V2 operator+(V2 a, V2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline V2 operator-(V2 a, V2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline V2 operator*(V2 a, float s) {
    return {a.x * s, a.y * s};
}
inline float dot(V2 a, V2 b) {
    return a.x * b.x + a.y * b.y;
}
inline float len(V2 a) {
    return std::sqrt(a.x * a.x + a.y * a.y);
}
inline V2 rot(V2 p, float deg) {
    float r = deg * kPi / 180.f, c = std::cos(r), s = std::sin(r);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}
inline float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
inline float mix(float a, float b, float t) {
    return a + (b - a) * t;
}
inline float smooth(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Straight (not premultiplied) colour, 0..1 per channel.
struct Col {
    float r = 0, g = 0, b = 0, a = 1;
};
inline Col rgb(float r, float g, float b, float a = 1) {
    return {r, g, b, a};
}
inline Col grey(float v, float a = 1) {
    return {v, v, v, a};
}
inline Col withA(Col c, float a) {
    return {c.r, c.g, c.b, a};
}
inline Col lerp(Col a, Col b, float t) {
    return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t), mix(a.a, b.a, t)};
}
inline Col scale(Col c, float k) {
    return {c.r * k, c.g * k, c.b * k, c.a};
}
// Hue in turns (0..1), saturation and value 0..1.
Col hsv(float h, float s, float v, float a = 1);

enum class Mode { Over, Add };

// A float RGBA image, premultiplied.
class Canvas {
  public:
    Canvas(int w, int h) : w_(w), h_(h), px_(size_t(w) * h * 4, 0.f) {}
    int width() const { return w_; }
    int height() const { return h_; }
    float* at(int x, int y) { return &px_[(size_t(y) * w_ + x) * 4]; }
    const float* at(int x, int y) const { return &px_[(size_t(y) * w_ + x) * 4]; }

    void put(int x, int y, Col c, float cov, Mode m) {
        float a = c.a * cov;
        if (a <= 0.f) return;
        float* p = at(x, y);
        if (m == Mode::Over) {
            float k = 1.f - a;
            p[0] = c.r * a + p[0] * k;
            p[1] = c.g * a + p[1] * k;
            p[2] = c.b * a + p[2] * k;
            p[3] = a + p[3] * k;
        } else {
            p[0] = std::min(1.f, p[0] + c.r * a);
            p[1] = std::min(1.f, p[1] + c.g * a);
            p[2] = std::min(1.f, p[2] + c.b * a);
            p[3] = std::min(1.f, std::max(p[3], std::max(p[0], std::max(p[1], p[2]))));
        }
    }

    // Straight 8-bit RGBA; fully transparent pixels are black.
    std::vector<uint8_t> toRGBA8() const;

  private:
    int w_, h_;
    std::vector<float> px_;
};

// Paints one frame cell of a canvas in unit coordinates.
class Painter {
  public:
    Painter(Canvas& c, int ox, int oy, float unitsW, float unitsH, float scale)
        : c_(c), ox_(ox), oy_(oy), w_(unitsW), h_(unitsH), s_(scale) {}

    float W() const { return w_; }
    float H() const { return h_; }
    float scale() const { return s_; }
    // One device pixel in units.
    float px() const { return 1.f / s_; }

    // Fills the shape dist(p) <= 0 with colour(p), within the unit box [x0,x1] x [y0,y1].
    template <class D, class C>
    void fillBox(float x0, float y0, float x1, float y1, D&& dist, C&& colour, Mode m = Mode::Over) {
        forPixels(x0, y0, x1, y1, [&](int x, int y, V2 p) {
            float cov = clamp01(0.5f - dist(p) * s_);
            if (cov <= 0.f) return;
            if constexpr (std::is_same_v<std::decay_t<C>, Col>)
                c_.put(x, y, colour, cov, m);
            else
                c_.put(x, y, colour(p), cov, m);
        });
    }
    template <class D, class C>
    void fill(D&& dist, C&& colour, Mode m = Mode::Over) {
        fillBox(0, 0, w_, h_, dist, colour, m);
    }
    template <class D>
    void fillC(D&& dist, Col col, Mode m = Mode::Over) {
        fill(
            dist, [col](V2) { return col; }, m);
    }
    // An outline of width wdt centred on the shape's edge.
    template <class D>
    void stroke(D&& dist, float wdt, Col col, Mode m = Mode::Over) {
        fill([&](V2 p) { return std::fabs(dist(p)) - wdt * 0.5f; }, [col](V2) { return col; }, m);
    }
    // A soft halo around a shape: full strength inside, falling off as exp(-d / radius) outside.
    template <class D>
    void glow(D&& dist, Col col, float radius, Mode m = Mode::Over) {
        forPixels(0, 0, w_, h_, [&](int x, int y, V2 p) {
            float d = dist(p);
            // The tail is cut off smoothly between 3 and 5 radii: a long faint tail would show the
            // frame's rectangle against the dark background.
            float k = d <= 0.f ? 1.f : std::exp(-d / radius) * (1.f - smooth(3.f * radius, 5.f * radius, d));
            // Fade to nothing before the cell edge so frames never show a square border.
            k *= edgeFade(p);
            if (k > 0.002f) c_.put(x, y, col, k, m);
        });
    }
    // Per-pixel function: colour(p) returns a colour with alpha; coverage is 1.
    template <class C>
    void shade(C&& colour, Mode m = Mode::Over) {
        forPixels(0, 0, w_, h_, [&](int x, int y, V2 p) { c_.put(x, y, colour(p), 1.f, m); });
    }
    // Direct access for bitmap composition (glyphs): pixel (x, y) of the cell.
    void putPixel(int x, int y, Col c, float cov, Mode m = Mode::Over) {
        if (x < 0 || y < 0 || x >= int(w_ * s_ + 0.5f) || y >= int(h_ * s_ + 0.5f)) return;
        c_.put(ox_ + x, oy_ + y, c, cov, m);
    }

    float edgeFade(V2 p) const {
        // Zero within half a unit of the edge, so the outermost level-1 pixel ring stays clear.
        float e = std::min(std::min(p.x, w_ - p.x), std::min(p.y, h_ - p.y));
        return smooth(0.5f, 2.5f, e);
    }

  private:
    template <class F>
    void forPixels(float x0, float y0, float x1, float y1, F&& f) {
        int pw = int(w_ * s_ + 0.5f), ph = int(h_ * s_ + 0.5f);
        int ix0 = std::max(0, int(std::floor(x0 * s_)) - 1), iy0 = std::max(0, int(std::floor(y0 * s_)) - 1);
        int ix1 = std::min(pw, int(std::ceil(x1 * s_)) + 1), iy1 = std::min(ph, int(std::ceil(y1 * s_)) + 1);
        for (int y = iy0; y < iy1; ++y)
            for (int x = ix0; x < ix1; ++x) f(ox_ + x, oy_ + y, V2{(x + 0.5f) / s_, (y + 0.5f) / s_});
    }

    Canvas& c_;
    int ox_, oy_;
    float w_, h_, s_;
};

// ---- Signed distance primitives (negative inside) ----

inline float sdCircle(V2 p, V2 c, float r) {
    return len(p - c) - r;
}
inline float sdEllipse(V2 p, V2 c, float rx, float ry) {
    // A cheap approximation, exact on the axes; good enough for sprite shapes.
    V2 q{(p.x - c.x) / rx, (p.y - c.y) / ry};
    float k = len(q);
    return (k - 1.f) * std::min(rx, ry);
}
inline float sdBox(V2 p, V2 c, V2 half, float radius = 0) {
    V2 q{std::fabs(p.x - c.x) - half.x + radius, std::fabs(p.y - c.y) - half.y + radius};
    V2 m{std::max(q.x, 0.f), std::max(q.y, 0.f)};
    return len(m) + std::min(std::max(q.x, q.y), 0.f) - radius;
}
inline float sdSeg(V2 p, V2 a, V2 b, float r) {
    V2 pa = p - a, ba = b - a;
    float bb = dot(ba, ba);
    float h = bb > 0 ? clamp01(dot(pa, ba) / bb) : 0.f;
    return len(pa - ba * h) - r;
}
inline float sdRing(V2 p, V2 c, float r, float thick) {
    return std::fabs(len(p - c) - r) - thick * 0.5f;
}
float sdPoly(V2 p, const V2* v, int n);
inline float sdPoly(V2 p, const std::vector<V2>& v) {
    return sdPoly(p, v.data(), int(v.size()));
}
inline float sdPoly(V2 p, std::initializer_list<V2> v) {
    return sdPoly(p, v.begin(), int(v.size()));
}
// Regular star / polygon helpers.
std::vector<V2> starPts(V2 c, float rOut, float rIn, int points, float rotDeg);
std::vector<V2> ngonPts(V2 c, float r, int n, float rotDeg);
// A gear outline: teeth count, root and tip radius.
float sdGear(V2 p, V2 c, float rRoot, float rTip, int teeth, float rotDeg);

inline float opUnion(float a, float b) {
    return std::min(a, b);
}
inline float opSub(float a, float b) {
    return std::max(a, -b);
}
inline float opInter(float a, float b) {
    return std::max(a, b);
}
inline float opSmoothUnion(float a, float b, float k) {
    float h = clamp01(0.5f + 0.5f * (b - a) / k);
    return mix(b, a, h) - k * h * (1 - h);
}
// Mirror about the vertical line x = cx.
inline V2 mirrorX(V2 p, float cx) {
    return {cx + std::fabs(p.x - cx), p.y};
}

// A deterministic hash-based random stream.
class Rng {
  public:
    explicit Rng(uint32_t seed) : s_(seed * 2654435761u + 0x9e3779b9u) {
        if (s_ == 0) s_ = 1;
        next();
    }
    uint32_t next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    float uni() { return (next() >> 8) * (1.f / 16777216.f); }
    float range(float a, float b) { return a + (b - a) * uni(); }
    int below(int n) { return int(next() % uint32_t(n)); }

  private:
    uint32_t s_;
};

}  // namespace datagen
