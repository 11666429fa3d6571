// Interface art: icons, menu buttons, the d-pad sheet, the studio emblem, the test-card circle,
// menu panels, the title logo and the badge emblems.
#include "tools/assets.h"
#include "tools/neon.h"

namespace datagen {

namespace {

enum Sym {
    kShip,
    kStar,
    kBolt,
    kSkull,
    kCrown,
    kHeart,
    kTarget,
    kChevrons,
    kPlay,
    kPause,
    kCross,
    kGear,
    kSpeaker,
    kNote,
    kFullscreen,
    kHome,
    kTrophy,
    kInfo,
    kPlus,
    kMinus,
    kCheck,
    kLeft,
    kRight,
    kLock,
    kSymCount
};

// Symbols designed in a box of about -8..8 units around the origin.
float symDist(int sym, V2 l) {
    switch (sym) {
        case kShip: {
            V2 m{std::fabs(l.x), l.y};
            return std::min(
                sdPoly(m, {{0, -8}, {2.5f, -1}, {7.5f, 5}, {7.5f, 7.5f}, {2, 5.5f}, {0, 7}, {0, -8}}),
                sdPoly(l, {{0, -8},
                           {2.5f, -1},
                           {7.5f, 5},
                           {7.5f, 7.5f},
                           {2, 5.5f},
                           {0, 7},
                           {-2, 5.5f},
                           {-7.5f, 7.5f},
                           {-7.5f, 5},
                           {-2.5f, -1}}));
        }
        case kStar: {
            static const std::vector<V2> star = starPts({0, 0.5f}, 8.2f, 3.6f, 5, 0);
            return sdPoly(l, star);
        }
        case kBolt:
            return sdPoly(l,
                          {{2, -8.5f}, {-5.5f, 1.5f}, {-0.5f, 1.5f}, {-2.5f, 8.5f}, {5.5f, -2}, {0.5f, -2}});
        case kSkull: {
            float head = opUnion(sdCircle(l, {0, -1.5f}, 6.5f), sdBox(l, {0, 4}, {3.8f, 3.2f}, 1.2f));
            V2 m{std::fabs(l.x), l.y};
            float holes = std::min(sdCircle(m, {2.7f, -1.2f}, 2.1f),
                                   sdPoly(l, {{0, 1.5f}, {1.1f, 3.6f}, {-1.1f, 3.6f}}));
            holes = std::min(holes, sdBox(m, {1.3f, 6.3f}, {0.35f, 1.2f}));
            return opSub(head, holes);
        }
        case kCrown:
            return opUnion(sdPoly(l, {{-8, -4}, {-4, 1}, {0, -7}, {4, 1}, {8, -4}, {6.5f, 5}, {-6.5f, 5}}),
                           sdBox(l, {0, 7}, {6.5f, 1.2f}, 0.4f));
        case kHeart: {
            V2 m{std::fabs(l.x), l.y};
            return opUnion(sdCircle(m, {3.6f, -2.5f}, 4.1f), sdPoly(m, {{0, 8}, {7.3f, -0.5f}, {0, -3}}));
        }
        case kTarget:
            return std::min(std::min(sdRing(l, {0, 0}, 6.2f, 1.6f), sdCircle(l, {0, 0}, 2.0f)),
                            std::min(sdBox(l, {0, 0}, {0.7f, 8.5f}), sdBox(l, {0, 0}, {8.5f, 0.7f})));
        case kChevrons: {
            float d = 1e9f;
            for (int i = 0; i < 3; ++i) {
                V2 m{std::fabs(l.x), l.y - (i - 1) * 5.f};
                d = std::min(d, sdSeg(m, {0, -2}, {6.5f, 2.2f}, 1.3f));
            }
            return d;
        }
        case kPlay:
            return sdPoly(l, {{-4.5f, -7}, {7.5f, 0}, {-4.5f, 7}}) - 0.6f;
        case kPause:
            return std::min(sdBox(l, {-3.2f, 0}, {1.8f, 6.5f}, 0.6f),
                            sdBox(l, {3.2f, 0}, {1.8f, 6.5f}, 0.6f));
        case kCross:
            return std::min(sdSeg(l, {-5.5f, -5.5f}, {5.5f, 5.5f}, 1.7f),
                            sdSeg(l, {5.5f, -5.5f}, {-5.5f, 5.5f}, 1.7f));
        case kGear:
            return opSub(sdGear(l, {0, 0}, 5.8f, 8.2f, 8, 0), sdCircle(l, {0, 0}, 2.6f));
        case kSpeaker: {
            float body = sdPoly(l, {{-7.5f, -2.5f}, {-4, -2.5f}, {1, -7}, {1, 7}, {-4, 2.5f}, {-7.5f, 2.5f}});
            float w1 = opInter(sdRing(l, {0.5f, 0}, 4.2f, 1.3f), -l.x + 2.5f);
            float w2 = opInter(sdRing(l, {0.5f, 0}, 7.4f, 1.3f), -l.x + 3.5f);
            return std::min(body, std::min(w1, w2));
        }
        case kNote:
            return std::min(
                std::min(sdEllipse(l, {-3.5f, 5}, 3.2f, 2.4f), sdBox(l, {-0.6f, -1.5f}, {0.8f, 6.5f})),
                sdPoly(l, {{-1.4f, -8}, {6, -5}, {6, -2}, {-1.4f, -5}}));
        case kFullscreen: {
            V2 m{std::fabs(l.x), std::fabs(l.y)};
            return std::min(sdBox(m, {5.5f, 7}, {2.5f, 0.8f}), sdBox(m, {7.2f, 5.3f}, {0.8f, 2.5f}));
        }
        case kHome:
            return opSub(
                opUnion(sdPoly(l, {{0, -8}, {8, -0.5f}, {-8, -0.5f}}), sdBox(l, {0, 3.5f}, {5.5f, 4.5f})),
                sdBox(l, {0, 5}, {1.6f, 3.2f}));
        case kTrophy: {
            float bowl = opUnion(opInter(sdCircle(l, {0, -4.5f}, 6.f), -(l.y + 4.5f)),
                                 sdBox(l, {0, -5.5f}, {6.f, 1.2f}, 0.4f));
            V2 m{std::fabs(l.x), l.y};
            float handles = opInter(sdRing(m, {5.8f, -3.2f}, 2.6f, 1.3f), -(m.x - 6.f));
            float foot = std::min(sdBox(l, {0, 3.f}, {1.f, 2.5f}), sdBox(l, {0, 6.8f}, {4.2f, 1.3f}, 0.4f));
            return std::min(std::min(bowl, handles), foot);
        }
        case kInfo:
            return std::min(sdCircle(l, {0, -5.8f}, 1.8f), sdBox(l, {0, 2.5f}, {1.6f, 5.2f}, 0.5f));
        case kPlus:
            return std::min(sdBox(l, {0, 0}, {1.6f, 7}, 0.5f), sdBox(l, {0, 0}, {7, 1.6f}, 0.5f));
        case kMinus:
            return sdBox(l, {0, 0}, {7, 1.6f}, 0.5f);
        case kCheck:
            return std::min(sdSeg(l, {-6, 0}, {-2, 5}, 1.6f), sdSeg(l, {-2, 5}, {6.5f, -5.5f}, 1.6f));
        case kLeft:
            return std::min(sdSeg(l, {-6, 0}, {6, 0}, 1.5f),
                            std::min(sdSeg(l, {-6, 0}, {-1, -5}, 1.5f), sdSeg(l, {-6, 0}, {-1, 5}, 1.5f)));
        case kRight:
            return std::min(sdSeg(l, {6, 0}, {-6, 0}, 1.5f),
                            std::min(sdSeg(l, {6, 0}, {1, -5}, 1.5f), sdSeg(l, {6, 0}, {1, 5}, 1.5f)));
        case kLock:
            return std::min(sdBox(l, {0, 3}, {6, 5}, 1),
                            opInter(sdRing(l, {0, -2.5f}, 4.2f, 1.8f), l.y + 2.f));
        default:
            return 1e9f;
    }
}

template <class F>
void symbol(Painter& p, int sym, V2 c, float s, F&& colour, float glowA = 0.f, Col glowCol = rgb(1, 1, 1)) {
    auto d = [&](V2 q) { return symDist(sym, (q - c) * (1.f / s)) * s; };
    if (glowA > 0) p.glow(d, withA(glowCol, glowA), 1.2f * s);
    p.fill(d, colour);
}
void symbolC(Painter& p, int sym, V2 c, float s, Col col, float glowA = 0.f) {
    symbol(
        p, sym, c, s, [col](V2) { return col; }, glowA, col);
}

}  // namespace

// ---- common/icons: white, tinted by the game ----

void paintIcon(Painter& p, int f) {
    const V2 c{16, 16};
    if (f == 6) {
        // The selection ring: a bright ring with ticks and a halo.
        auto ring = [&](V2 q) { return sdRing(q, c, 13.2f, 1.5f); };
        p.glow(ring, grey(1, 0.5f), 1.5f);
        p.fillC(ring, grey(1));
        for (int k = 0; k < 8; ++k) {
            V2 a = c + rot(V2{0, -11.f}, 45.f * k), b = c + rot(V2{0, -9.3f}, 45.f * k);
            p.fillC([&](V2 q) { return sdSeg(q, a, b, 0.55f); }, grey(1, 0.85f));
        }
        return;
    }
    static const int syms[16] = {kPause,      kCross, kLeft,   kPlay, kGear, kSpeaker, -1,     kNote,
                                 kFullscreen, kHome,  kTrophy, kInfo, kStar, kPlus,    kMinus, kCheck};
    // A dark glass disc with a white rim and symbol: the tint colours the rim and symbol only.
    p.fill([&](V2 q) { return sdCircle(q, c, 13.6f); },
           [&](V2 q) { return rgb(0, 0, 0.02f, mix(0.35f, 0.6f, clamp01((q.y - 3) / 26))); });
    p.glow([&](V2 q) { return sdRing(q, c, 13.2f, 1.6f); }, grey(1, 0.25f), 1.0f);
    p.fillC([&](V2 q) { return sdRing(q, c, 13.2f, 1.6f); }, grey(1));
    p.fillC([&](V2 q) { return opInter(sdRing(q, c, 11.3f, 0.6f), q.y - 12.f); }, grey(1, 0.35f));
    float s = (syms[f] == kPlay) ? 0.82f : 0.72f;
    symbol(
        p, syms[f], c + V2{syms[f] == kPlay ? 0.6f : 0.f, 0}, s,
        [&](V2 q) { return grey(mix(1.f, 0.78f, clamp01((q.y - 9) / 14))); }, 0.3f);
}

// ---- common/Buttons: difficulty medallions, cog layers, emblem ----

namespace {

void medallion(Painter& p, Col hue, int pips) {
    const V2 c{32, 32};
    auto disc = [&](V2 q) { return sdCircle(q, c, 26.f); };
    p.glow(disc, withA(hue, 0.45f), 3.f);
    p.fill(disc, [&](V2 q) {
        float t = clamp01(len(q - V2{26, 22}) / 36.f);
        return lerp(withA(scale(hue, 0.42f), 1), rgb(0.02f, 0.02f, 0.08f), t);
    });
    p.fillC([&](V2 q) { return sdRing(q, c, 24.8f, 2.4f); }, lighten(hue, 0.15f));
    p.fillC([&](V2 q) { return sdRing(q, c, 20.6f, 0.8f); }, withA(hue, 0.6f));
    // Rank chevrons, one per difficulty step.
    float top = 32 - (pips - 1) * 4.2f;
    for (int i = 0; i < pips; ++i) {
        float y = top + i * 8.4f;
        auto chev = [&](V2 q) {
            V2 m{std::fabs(q.x - 32), q.y - y};
            return sdSeg(m, {0, -3.2f}, {10.5f, 3.2f}, 2.3f);
        };
        p.glow(chev, withA(lighten(hue, 0.4f), 0.55f), 1.6f);
        p.fill(chev,
               [&](V2 q) { return lerp(rgb(1, 1, 1), lighten(hue, 0.35f), clamp01((q.y - y + 3) / 7)); });
    }
    // Stars on the rim mark the level.
    for (int i = 0; i < pips; ++i) {
        float a = (i - (pips - 1) * 0.5f) * 24.f;
        V2 sc = c + rot(V2{0, 22.6f}, a);
        const auto pts = starPts(sc, 3.4f, 1.5f, 5, a + 180);
        p.fillC([&](V2 q) { return sdPoly(q, pts); }, rgb(1, 1, 0.85f));
    }
}

void cogLayer(Painter& p, int layer) {
    const V2 c{32, 32};
    if (layer == 0) {
        auto d = [&](V2 q) { return opSub(sdGear(q, c, 23.5f, 29.f, 12, 0), sdCircle(q, c, 17.2f)); };
        p.glow(d, rgb(0.2f, 0.85f, 1, 0.35f), 2.f);
        p.fill(d, [&](V2 q) {
            return lerp(rgb(0.55f, 0.75f, 0.95f), rgb(0.12f, 0.2f, 0.4f), clamp01((q.y - 4) / 56));
        });
        p.stroke([&](V2 q) { return d(q) + 0.5f; }, 1.f, rgb(0.5f, 0.95f, 1));
        for (int k = 0; k < 6; ++k) {
            V2 h = c + rot(V2{0, -20.3f}, 30.f + 60.f * k);
            p.fillC([&](V2 q) { return sdCircle(q, h, 1.6f); }, rgb(0.05f, 0.08f, 0.2f));
        }
    } else if (layer == 1) {
        auto d = [&](V2 q) { return opSub(sdGear(q, c, 13.f, 16.4f, 8, 22.5f), sdCircle(q, c, 8.6f)); };
        p.glow(d, rgb(1, 0.3f, 0.8f, 0.4f), 1.6f);
        p.fill(d, [&](V2 q) {
            return lerp(rgb(1, 0.55f, 0.85f), rgb(0.45f, 0.08f, 0.35f), clamp01((q.y - 16) / 32));
        });
        p.stroke([&](V2 q) { return d(q) + 0.45f; }, 0.9f, rgb(1, 0.7f, 0.95f));
    } else {
        auto d = [&](V2 q) { return opSub(sdGear(q, c, 5.6f, 8.2f, 6, 0), sdCircle(q, c, 2.3f)); };
        p.glow(d, rgb(1, 0.9f, 0.3f, 0.5f), 1.4f);
        p.fill(d, [&](V2 q) { return lerp(rgb(1, 1, 0.8f), rgb(1, 0.6f, 0.1f), clamp01((q.y - 24) / 16)); });
    }
}

void emblem(Painter& p) {
    // The game's monogram: a Z of neon tubes inside a hexagon.
    const V2 c{32, 32};
    const auto hexPts = ngonPts(c, 24, 6, 30);
    auto hex = [&](V2 q) { return std::fabs(sdPoly(q, hexPts)) - 1.6f; };
    p.fillC([&](V2 q) { return sdPoly(q, hexPts); }, rgb(0.03f, 0.02f, 0.1f, 0.9f));
    p.glow(hex, rgb(0.2f, 0.9f, 1, 0.5f), 2.f);
    p.fillC(hex, rgb(0.5f, 1, 1));
    auto z = [&](V2 q) {
        return std::min(std::min(sdSeg(q, {21, 20}, {43, 20}, 2.6f), sdSeg(q, {43, 20}, {21, 44}, 2.6f)),
                        sdSeg(q, {21, 44}, {43, 44}, 2.6f));
    };
    p.glow(z, rgb(1, 0.3f, 0.8f, 0.6f), 2.5f);
    p.fill(z, [&](V2 q) { return lerp(rgb(1, 0.85f, 1), rgb(1, 0.3f, 0.75f), clamp01((q.y - 18) / 28)); });
    p.fillC([&](V2 q) { return sdSeg(q, {22, 19.5f}, {42, 19.5f}, 0.7f); }, rgb(1, 1, 1, 0.8f));
}

}  // namespace

void paintButton(Painter& p, int f) {
    const V2 c{32, 32};
    switch (f) {
        case 0:
            return medallion(p, rgb(0.25f, 1.f, 0.45f), 1);
        case 1:
            return medallion(p, rgb(1.f, 0.72f, 0.15f), 2);
        case 2:
            return medallion(p, rgb(1.f, 0.22f, 0.35f), 3);
        case 8:
            return cogLayer(p, 0);
        case 9:
            return cogLayer(p, 1);
        case 10:
            return cogLayer(p, 2);
        case 11:
            for (int l = 0; l < 3; ++l) cogLayer(p, l);
            return;
        case 12:
            return emblem(p);
        default:
            break;
    }
    static const int syms[16] = {0, 0, 0, kLock, kTrophy, kSpeaker, kNote,  kFullscreen,
                                 0, 0, 0, 0,     0,       kLeft,    kRight, kInfo};
    Col hue = hsv(0.55f + f * 0.07f, 0.7f, 1);
    auto disc = [&](V2 q) { return sdCircle(q, c, 24.f); };
    neonBody(p, disc, hue, 2.5f, 0.4f, 2.0f, 0.35f, 0.1f);
    symbolC(p, syms[f], c, 1.5f, rgb(1, 1, 1), 0.4f);
}

// ---- common/dpad: on-screen controls, white ----

void paintDpad(Painter& p, int f) {
    const V2 c{16, 16};
    const Col on = grey(1), off = grey(0.6f, 0.8f), back = rgb(0, 0, 0.03f, 0.45f);
    if (f <= 8) {
        auto cross = [&](V2 q) {
            return opUnion(sdBox(q, c, {4.6f, 13.f}, 1.5f), sdBox(q, c, {13.f, 4.6f}, 1.5f));
        };
        p.fillC([&](V2 q) { return cross(q) - 1.f; }, back);
        p.fill(cross, [&](V2 q) { return grey(mix(0.75f, 0.45f, clamp01((q.y - 3) / 26)), 0.9f); });
        p.stroke([&](V2 q) { return cross(q) + 0.4f; }, 0.8f, on);
        p.fillC([&](V2 q) { return sdCircle(q, c, 2.5f); }, grey(0.3f));
        // Arrows on the arms; the pressed direction(s) light up.
        static const int dirs[9][2] = {{-1, -1}, {0, -1}, {1, -1}, {2, -1}, {3, -1},
                                       {0, 3},   {0, 2},  {1, 3},  {1, 2}};
        for (int k = 0; k < 4; ++k) {
            bool lit = dirs[f][0] == k || dirs[f][1] == k;
            float a = k == 0 ? 0.f : k == 1 ? 180.f : k == 2 ? 270.f : 90.f;
            V2 t = c + rot(V2{0, -10.5f}, a), l = c + rot(V2{-2.6f, -7.3f}, a),
               r = c + rot(V2{2.6f, -7.3f}, a);
            if (lit)
                p.glow(
                    [&](V2 q) {
                        return sdBox(q, c + rot(V2{0, -8.6f}, a), {4.6f, 4.6f}, 1.2f);
                    },
                    grey(1, 0.6f), 1.5f);
            p.fillC([&](V2 q) { return sdPoly(q, {t, r, l}); }, lit ? on : grey(0.15f, 0.9f));
        }
        return;
    }
    if (f <= 12) {
        const V2 pos[4] = {{0, 8}, {8, 0}, {-8, 0}, {0, -8}};
        for (int b = 0; b < 4; ++b) {
            V2 bc = c + pos[b];
            bool lit = b == f - 9;
            if (lit) p.glow([&](V2 q) { return sdCircle(q, bc, 5.f); }, grey(1, 0.6f), 1.5f);
            p.fillC([&](V2 q) { return sdCircle(q, bc, 5.f); }, lit ? on : back);
            p.stroke([&](V2 q) { return sdCircle(q, bc, 4.6f); }, 0.9f, lit ? on : off);
        }
        return;
    }
    if (f == 13) {  // stick base
        p.fillC([&](V2 q) { return sdCircle(q, c, 14.f); }, back);
        p.fillC([&](V2 q) { return sdRing(q, c, 13.f, 1.4f); }, off);
        p.fillC([&](V2 q) { return sdRing(q, c, 8.f, 0.6f); }, grey(0.6f, 0.5f));
        return;
    }
    if (f == 14) {  // stick knob
        p.glow([&](V2 q) { return sdCircle(q, c, 8.f); }, grey(1, 0.4f), 1.5f);
        p.fill([&](V2 q) { return sdCircle(q, c, 8.f); },
               [&](V2 q) {
                   return grey(mix(1.f, 0.55f, clamp01(len(q - V2{13, 12}) / 12)));
               });
        return;
    }
    // Touch marker.
    p.glow([&](V2 q) { return sdRing(q, c, 10.f, 1.2f); }, grey(1, 0.5f), 1.5f);
    p.fillC([&](V2 q) { return sdRing(q, c, 10.f, 1.2f); }, on);
    p.fillC([&](V2 q) { return sdCircle(q, c, 3.f); }, on);
}

// ---- common/KemoLogo: the studio emblem, a planet with a ringed orbit and a comet ----

void paintStudioLogo(Painter& p, int) {
    const V2 c{128, 128};
    auto disc = [&](V2 q) { return sdCircle(q, c, 108.f); };
    p.glow(disc, rgb(0.5f, 0.2f, 1, 0.45f), 6.f);
    p.fill(disc, [&](V2 q) {
        float t = clamp01(len(q - V2{110, 90}) / 170.f);
        return lerp(rgb(0.16f, 0.06f, 0.32f), rgb(0.01f, 0.01f, 0.06f), t);
    });
    // Stars inside the disc.
    Rng r(77);
    for (int i = 0; i < 60; ++i) {
        V2 s{r.range(30, 226), r.range(30, 226)};
        float sr = r.range(0.6f, 1.6f);
        if (len(s - c) > 100) continue;
        p.fillC([&](V2 q) { return sdCircle(q, s, sr); }, grey(1, r.range(0.4f, 0.9f)));
    }
    p.fillC([&](V2 q) { return sdRing(q, c, 104.f, 5.f); }, rgb(0.3f, 0.95f, 1));
    p.fillC([&](V2 q) { return sdRing(q, c, 96.f, 2.f); }, rgb(1, 0.35f, 0.8f, 0.9f));
    // The orbit behind the planet (upper half), the planet, then the orbit in front (lower half).
    auto orbit = [&](V2 q) {
        V2 l = rot(q - c, -18.f);
        return std::fabs(sdEllipse(l, {0, 0}, 84.f, 24.f)) - 3.f;
    };
    auto behind = [&](V2 q) { return opInter(orbit(q), rot(q - c, -18.f).y); };
    auto front = [&](V2 q) { return opInter(orbit(q), -rot(q - c, -18.f).y); };
    p.glow(behind, rgb(1, 0.6f, 0.2f, 0.4f), 3.f);
    p.fillC(behind, rgb(1, 0.7f, 0.3f));
    auto planet = [&](V2 q) { return sdCircle(q, c, 46.f); };
    p.glow(planet, rgb(0.3f, 0.8f, 1, 0.5f), 5.f);
    p.fill(planet, [&](V2 q) {
        V2 l = q - c;
        float shade = clamp01(0.25f + dot(l, V2{-0.011f, -0.013f}) + 0.4f);
        float band = 0.5f + 0.5f * std::sin((l.y + 0.15f * l.x) * 0.16f);
        Col base = lerp(rgb(0.1f, 0.35f, 0.8f), rgb(0.25f, 0.85f, 1.f), band * 0.6f);
        return lerp(rgb(0.02f, 0.03f, 0.15f), lighten(base, 0.15f), shade);
    });
    p.fill([&](V2 q) { return sdEllipse(q, {112, 108}, 12, 7); }, [&](V2) { return rgb(1, 1, 1, 0.35f); });
    p.glow(front, rgb(1, 0.6f, 0.2f, 0.5f), 3.f);
    p.fill(front,
           [&](V2 q) { return lerp(rgb(1, 0.95f, 0.6f), rgb(1, 0.45f, 0.15f), clamp01((q.x - 44) / 170)); });
    // A comet crossing the top right.
    auto tail = [&](V2 q) { return sdSeg(q, {150, 78}, {196, 46}, 0.5f); };
    p.glow(tail, rgb(0.6f, 1, 1, 0.5f), 3.5f);
    neonLight(p, {196, 46}, 4.5f, rgb(0.5f, 1, 1), 4.f);
}

// ---- common/Testcard_Circle ----

void paintTestcard(Painter& p, int) {
    const V2 c{128, 128};
    const float R = 122;
    static const Col bars[8] = {rgb(0.9f, 0.9f, 0.9f), rgb(0.9f, 0.9f, 0.1f),   rgb(0.1f, 0.9f, 0.9f),
                                rgb(0.1f, 0.9f, 0.1f), rgb(0.9f, 0.1f, 0.9f),   rgb(0.9f, 0.1f, 0.1f),
                                rgb(0.1f, 0.1f, 0.9f), rgb(0.05f, 0.05f, 0.05f)};
    auto inside = [&](V2 q) { return sdCircle(q, c, R); };
    p.fill(inside, [&](V2 q) {
        if (q.y < 76) {  // colour bars
            int i = std::clamp(int((q.x - 6) / 244.f * 8), 0, 7);
            return bars[i];
        }
        if (q.y < 84) return grey(0.05f);
        if (q.y < 188) {  // dark centre for the scrolling credits, with a faint grid
            float gx = std::fabs(std::fmod(q.x + 1000.f, 16.f) - 8.f),
                  gy = std::fabs(std::fmod(q.y + 1000.f, 16.f) - 8.f);
            float line = std::max(clamp01(1 - (8 - gx) / (0.6f / p.scale() + 0.4f)),
                                  clamp01(1 - (8 - gy) / (0.6f / p.scale() + 0.4f)));
            return lerp(grey(0.12f), grey(0.22f), line * 0.7f);
        }
        if (q.y < 192) return grey(0.05f);
        if (q.y < 216) {  // grey steps
            int i = std::clamp(int((q.x - 6) / 244.f * 6), 0, 5);
            return grey(i / 5.f);
        }
        // Frequency gratings: stripes that get finer to the right.
        float f = 0.15f + (q.x - 6) / 244.f * 0.9f;
        float v = 0.5f + 0.5f * std::sin(q.x * f * 2.f);
        return grey(v * 0.9f + 0.05f);
    });
    // The castellated rim: black and white blocks, then a white ring.
    p.fill([&](V2 q) { return sdRing(q, c, R - 3.f, 6.f); },
           [&](V2 q) {
               float a = std::atan2(q.y - c.y, q.x - c.x);
               int seg = int(std::floor((a + kPi) / (2 * kPi) * 48));
               return seg % 2 ? grey(0.95f) : grey(0.05f);
           });
    p.fillC([&](V2 q) { return sdRing(q, c, R + 0.5f, 2.f); }, grey(1));
    // Cross-hair and centre marks.
    p.fillC([&](V2 q) { return opInter(sdBox(q, c, {0.6f, R - 8}), inside(q)); }, grey(0.8f, 0.55f));
    p.fillC([&](V2 q) { return opInter(sdBox(q, c, {R - 8, 0.6f}), inside(q)); }, grey(0.8f, 0.55f));
    p.fillC([&](V2 q) { return sdRing(q, c, 36.f, 1.2f); }, grey(0.85f, 0.6f));
}

// ---- menu: panels and backdrops ----

void paintMenuPanel(Painter& p, int f) {
    const V2 c{128, 128};
    if (f == 2) {
        // A neon horizon: sun with slits over a perspective grid.
        p.fill(
            [&](V2 q) {
                return sdBox(q, c, {120, 120}, 18);
            },
            [&](V2 q) {
                return lerp(rgb(0.06f, 0.0f, 0.16f), rgb(0.35f, 0.05f, 0.35f), clamp01((q.y - 8) / 120));
            });
        auto sun = [&](V2 q) {
            float d = opInter(sdCircle(q, {128, 118}, 58), q.y - 128);
            for (int i = 0; i < 5; ++i) d = opSub(d, sdBox(q, {128, 94.f + i * 7.f}, {70, 0.6f + i * 0.6f}));
            return d;
        };
        p.glow(sun, rgb(1, 0.4f, 0.5f, 0.5f), 6);
        p.fill(sun,
               [&](V2 q) { return lerp(rgb(1, 0.95f, 0.4f), rgb(1, 0.2f, 0.6f), clamp01((q.y - 60) / 68)); });
        p.fill(
            [&](V2 q) {
                return opInter(sdBox(q, {128, 188}, {120, 60}, 0), sdBox(q, c, {120, 120}, 18));
            },
            [&](V2 q) {
                float depth = (q.y - 128) / 120.f;
                float gx = (q.x - 128) / std::max(0.05f, depth);
                float lx = std::fabs(std::fmod(gx + 4000.f, 24.f) - 12.f);
                float ly = std::fabs(std::fmod(1.f / std::max(0.02f, depth) * 12.f, 12.f) - 6.f);
                // Lines thin out towards the horizon, where they would crowd into noise.
                float fadeY = smooth(0.08f, 0.3f, depth);
                float line = std::max(clamp01(1.f - lx * depth * 0.6f), clamp01(1.f - ly * 0.5f) * fadeY);
                return lerp(rgb(0.02f, 0, 0.08f), rgb(0.3f, 0.9f, 1), line * clamp01(depth * 3));
            });
        p.stroke([&](V2 q) { return sdBox(q, c, {119, 119}, 18); }, 2.5f, rgb(1, 0.4f, 0.85f));
        return;
    }
    Col hue = f == 0 ? rgb(0.25f, 0.9f, 1) : f == 1 ? rgb(1, 0.35f, 0.8f) : rgb(1, 0.75f, 0.25f);
    auto panel = [&](V2 q) { return sdBox(q, c, {116, 116}, 16); };
    p.glow(panel, withA(hue, 0.35f), 5);
    p.fill(panel, [&](V2 q) {
        return lerp(rgb(0.05f, 0.05f, 0.16f, 0.92f), rgb(0.0f, 0.0f, 0.06f, 0.92f), clamp01(q.y / 256));
    });
    if (f == 3) {
        Rng r(31337);
        for (int i = 0; i < 90; ++i) {
            V2 s{r.range(20, 236), r.range(20, 236)};
            float sr = r.range(0.5f, 1.8f);
            p.fillC([&](V2 q) { return sdCircle(q, s, sr); }, grey(1, r.range(0.3f, 0.9f)));
        }
    } else {
        // A faint grid and a title bar.
        p.fill(panel, [&](V2 q) {
            float gx = std::fabs(std::fmod(q.x, 16.f) - 8.f), gy = std::fabs(std::fmod(q.y, 16.f) - 8.f);
            float line = std::max(clamp01(gx - 7.2f), clamp01(gy - 7.2f));
            return withA(hue, line * 0.25f);
        });
        p.fill(
            [&](V2 q) {
                return sdBox(q, {128, 36}, {100, 12}, 6);
            },
            [&](V2 q) {
                return lerp(withA(hue, 0.85f), withA(scale(hue, 0.4f), 0.85f), clamp01((q.y - 24) / 24));
            });
    }
    p.stroke([&](V2 q) { return panel(q) + 1.5f; }, 3.f, lighten(hue, 0.2f));
    for (int k = 0; k < 4; ++k) {
        V2 corner = c + rot(V2{-104, -104}, 90.f * k);
        neonLight(p, corner, 3.f, hue, 3.f);
    }
}

// ---- logo: ZARNOK in neon tubes ----

void paintTitleLogo(Painter& p, int) {
    struct Stroke {
        float ax, ay, bx, by;
    };
    const float lw = 29, lh = 48, gap = 7.5f, x0 = (256 - 6 * lw - 5 * gap) / 2, y0 = 26;
    std::vector<std::pair<V2, V2>> segs;
    auto add = [&](int letter, std::initializer_list<Stroke> st) {
        float ox = x0 + letter * (lw + gap);
        for (auto& s : st)
            segs.push_back({{ox + s.ax * lw, y0 + s.ay * lh}, {ox + s.bx * lw, y0 + s.by * lh}});
    };
    add(0, {{0, 0, 1, 0}, {1, 0, 0, 1}, {0, 1, 1, 1}});                        // Z
    add(1, {{0, 1, 0.5f, 0}, {0.5f, 0, 1, 1}, {0.22f, 0.64f, 0.78f, 0.64f}});  // A
    add(2, {{0, 1, 0, 0},
            {0, 0, 0.68f, 0},
            {0.68f, 0, 0.98f, 0.16f},
            {0.98f, 0.16f, 0.98f, 0.36f},  // R
            {0.98f, 0.36f, 0.68f, 0.52f},
            {0.68f, 0.52f, 0, 0.52f},
            {0.5f, 0.52f, 1, 1}});
    add(3, {{0, 1, 0, 0}, {0, 0, 1, 1}, {1, 1, 1, 0}});                  // N
    add(5, {{0, 0, 0, 1}, {1, 0, 0.06f, 0.55f}, {0.32f, 0.38f, 1, 1}});  // K
    const float r = 3.6f;
    float oX = x0 + 4 * (lw + gap);
    auto dO = [&](V2 q) {
        return std::fabs(sdBox(q, {oX + lw / 2, y0 + lh / 2}, {lw / 2, lh / 2}, lw * 0.45f)) - r;
    };
    auto d = [&](V2 q) {
        float m = dO(q);
        for (auto& s : segs) m = std::min(m, sdSeg(q, s.first, s.second, r));
        return m;
    };
    // Speed lines under the word.
    for (int i = 0; i < 3; ++i) {
        float y = y0 + lh + 14 + i * 7.f, half = 100.f - i * 26.f;
        auto line = [&](V2 q) { return sdSeg(q, {128 - half, y}, {128 + half, y}, 1.4f - i * 0.3f); };
        p.glow(line, rgb(1, 0.3f, 0.7f, 0.35f), 2.f);
        p.fill(line, [&](V2 q) {
            return lerp(rgb(1, 0.8f, 0.3f), rgb(1, 0.3f, 0.75f), std::fabs(q.x - 128) / half);
        });
    }
    p.glow(d, rgb(1, 0.25f, 0.75f, 0.55f), 6.f);
    p.fillC([&](V2 q) { return d(q) - 2.4f; }, rgb(0.02f, 0.0f, 0.1f, 0.9f));
    p.fill(d, [&](V2 q) {
        float t = clamp01((q.y - y0 + r) / (lh + 2 * r));
        if (t < 0.5f) return lerp(rgb(0.55f, 1, 1), rgb(0.25f, 0.6f, 1), t * 2);
        return lerp(rgb(0.95f, 0.3f, 0.85f), rgb(1, 0.55f, 0.35f), (t - 0.5f) * 2);
    });
    // The horizon cut across the letters, then the hot core of the tubes.
    p.fillC([&](V2 q) { return opInter(d(q), std::fabs(q.y - (y0 + lh * 0.5f)) - 0.7f); },
            rgb(0.02f, 0, 0.1f, 0.8f));
    p.fillC([&](V2 q) { return d(q) + 2.3f; }, rgb(1, 1, 1, 0.75f));
}

// ---- BadgesA: 64 badge emblems ----

void paintBadge(Painter& p, int f) {
    const V2 c{32, 32};
    int shape = f % 4;
    static const int syms[16] = {kShip,   kStar, kBolt, kSkull, kCrown, kHeart, kTarget, kChevrons,
                                 kTrophy, kGear, kNote, kLock,  kCheck, kHome,  kPlus,   kInfo};
    int sym = syms[(f / 4) % 16];
    Col hue = hsv(std::fmod(0.13f * f + 0.02f * (f / 16), 1.f), 0.75f, 1);
    const auto hexPts = ngonPts(c, 26, 6, 0);
    const auto starP = starPts(c, 28, 20, 8, 22.5f);
    auto d = [&](V2 q) {
        switch (shape) {
            case 0:
                return sdCircle(q, c, 24.f);
            case 1:
                return sdPoly(q, {{10, 11}, {32, 5}, {54, 11}, {52, 36}, {32, 58}, {12, 36}}) - 1.f;
            case 2:
                return sdPoly(q, hexPts) - 1.f;
            default:
                return sdPoly(q, starP) - 1.f;
        }
    };
    neonBody(p, d, hue, 2.2f, 0.45f, 2.2f, 0.45f, 0.12f);
    p.stroke([&](V2 q) { return d(q) + 5.f; }, 0.9f, withA(lighten(hue, 0.4f), 0.7f));
    symbol(
        p, sym, c, 1.45f,
        [&](V2 q) { return lerp(rgb(1, 1, 1), lighten(hue, 0.5f), clamp01((q.y - 20) / 24)); }, 0.5f,
        lighten(hue, 0.5f));
}

}  // namespace datagen
