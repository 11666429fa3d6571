#include "tools/raster.h"

namespace datagen {

Col hsv(float h, float s, float v, float a) {
    h = h - std::floor(h);
    float hh = h * 6.f;
    int i = int(hh) % 6;
    float f = hh - std::floor(hh);
    float p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (i) {
        case 0:
            return {v, t, p, a};
        case 1:
            return {q, v, p, a};
        case 2:
            return {p, v, t, a};
        case 3:
            return {p, q, v, a};
        case 4:
            return {t, p, v, a};
        default:
            return {v, p, q, a};
    }
}

std::vector<uint8_t> Canvas::toRGBA8() const {
    std::vector<uint8_t> out(size_t(w_) * h_ * 4);
    for (size_t i = 0; i < size_t(w_) * h_; ++i) {
        const float* p = &px_[i * 4];
        float a = clamp01(p[3]);
        uint8_t A = uint8_t(std::lround(a * 255.f));
        if (A == 0) {
            out[i * 4 + 0] = out[i * 4 + 1] = out[i * 4 + 2] = out[i * 4 + 3] = 0;
            continue;
        }
        for (int k = 0; k < 3; ++k) out[i * 4 + k] = uint8_t(std::lround(clamp01(p[k] / a) * 255.f));
        out[i * 4 + 3] = A;
    }
    return out;
}

float sdPoly(V2 p, const V2* v, int n) {
    float d = dot(p - v[0], p - v[0]);
    float s = 1.f;
    for (int i = 0, j = n - 1; i < n; j = i, i++) {
        V2 e = v[j] - v[i], w = p - v[i];
        float ee = dot(e, e);
        V2 b = w - e * (ee > 0 ? clamp01(dot(w, e) / ee) : 0.f);
        d = std::min(d, dot(b, b));
        bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
}

std::vector<V2> starPts(V2 c, float rOut, float rIn, int points, float rotDeg) {
    std::vector<V2> v;
    for (int i = 0; i < points * 2; ++i) {
        float a = (rotDeg + 180.f * i / points) * kPi / 180.f;
        float r = (i % 2 == 0) ? rOut : rIn;
        v.push_back({c.x + std::sin(a) * r, c.y - std::cos(a) * r});
    }
    return v;
}

std::vector<V2> ngonPts(V2 c, float r, int n, float rotDeg) {
    std::vector<V2> v;
    for (int i = 0; i < n; ++i) {
        float a = (rotDeg + 360.f * i / n) * kPi / 180.f;
        v.push_back({c.x + std::sin(a) * r, c.y - std::cos(a) * r});
    }
    return v;
}

float sdGear(V2 p, V2 c, float rRoot, float rTip, int teeth, float rotDeg) {
    V2 q = p - c;
    float r = len(q);
    float a = std::atan2(q.x, -q.y) - rotDeg * kPi / 180.f;
    float sector = 2 * kPi / teeth;
    float local = a - std::round(a / sector) * sector;
    V2 t{r * std::sin(local), r * std::cos(local)};
    float depth = rTip - rRoot;
    float halfW = rRoot * sector * 0.26f;
    // A slightly tapered tooth: narrower at the tip.
    float taper = clamp01((t.y - rRoot) / depth) * halfW * 0.3f;
    float tooth = sdBox({t.x, t.y}, {0, rRoot + depth * 0.5f - 0.5f}, {halfW - taper, depth * 0.5f + 0.5f},
                        std::min(0.8f, halfW * 0.3f));
    return opUnion(r - rRoot, tooth);
}

}  // namespace datagen
