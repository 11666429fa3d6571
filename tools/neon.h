// The shared neon look: dark glassy bodies with bright rims and a soft halo, hot white cores.
#pragma once

#include "tools/raster.h"

namespace datagen {

inline Col lighten(Col c, float t) {
    return lerp(c, rgb(1, 1, 1, c.a), t);
}

// A body: halo, vertical gradient fill (light top, dark bottom), and a bright rim just inside the edge.
template <class D>
void neonBody(Painter& p, D&& d, Col hue, float glowR = 1.3f, float glowA = 0.4f, float rim = 0.9f,
              float fillTop = 0.55f, float fillBottom = 0.16f) {
    float y0 = 0, y1 = p.H();
    p.glow(d, withA(hue, glowA), glowR);
    p.fill(d, [&](V2 q) {
        float t = clamp01((q.y - y0) / (y1 - y0));
        return withA(scale(hue, mix(fillTop, fillBottom, t)), 1.f);
    });
    p.stroke([&](V2 q) { return d(q) + rim * 0.5f; }, rim, lighten(hue, 0.25f));
}

// A glowing light: halo plus a white-hot core.
inline void neonLight(Painter& p, V2 c, float r, Col hue, float haloR = 1.2f) {
    p.glow([&](V2 q) { return sdCircle(q, c, r); }, withA(hue, 0.6f), haloR);
    p.fill([&](V2 q) { return sdCircle(q, c, r); },
           [&](V2 q) { return lerp(rgb(1, 1, 1), lighten(hue, 0.3f), clamp01(len(q - c) / r)); });
}

// Heat palette for flashes and flames: 0 transparent, then red, orange, yellow, white.
inline Col heat(float t) {
    t = clamp01(t);
    if (t < 0.25f) return rgb(1.f, 0.15f, 0.25f, t / 0.25f);
    if (t < 0.5f) return lerp(rgb(1.f, 0.15f, 0.25f), rgb(1.f, 0.55f, 0.1f), (t - 0.25f) / 0.25f);
    if (t < 0.75f) return lerp(rgb(1.f, 0.55f, 0.1f), rgb(1.f, 0.95f, 0.35f), (t - 0.5f) / 0.25f);
    return lerp(rgb(1.f, 0.95f, 0.35f), rgb(1, 1, 1), (t - 0.75f) / 0.25f);
}

}  // namespace datagen
