// Sprites of the playing screen: the ship sheet "gfx", the enemies "bad", the particle shapes
// "parts" and the explosion flashes "flash".
#include "tools/assets.h"
#include "tools/neon.h"

namespace datagen {

namespace {

std::vector<V2> mirrored(const std::vector<V2>& right, float cx) {
    // `right` runs from the top of the centre line down the right side; the left is its mirror.
    std::vector<V2> v = right;
    for (int i = int(right.size()) - 1; i >= 0; --i)
        if (std::fabs(right[i].x - cx) > 1e-4f) v.push_back({2 * cx - right[i].x, right[i].y});
    return v;
}

// The player's fighter, pointing up. `accent` tints the wing stripes and the halo.
void paintShip(Painter& p, Col accent, float bank) {
    const float cx = 16;
    std::vector<V2> hull =
        mirrored({{16, 1.5f}, {18.2f, 8}, {19.6f, 16}, {19.2f, 24}, {17.6f, 27.5f}, {16, 27.5f}}, cx);
    std::vector<V2> wing =
        mirrored({{16, 12}, {20, 13}, {29.5f - bank, 22}, {29.5f - bank, 26.5f}, {19, 24.5f}, {16, 24}}, cx);
    auto dHull = [&](V2 q) { return sdPoly(q, hull); };
    auto dWing = [&](V2 q) { return sdPoly(q, wing); };
    auto dGuns = [&](V2 q) {
        V2 m = mirrorX(q, cx);
        return sdSeg(m, {27.6f - bank, 16.5f}, {27.6f - bank, 25}, 0.9f);
    };
    auto dAll = [&](V2 q) { return opUnion(opUnion(dHull(q), dWing(q)), dGuns(q)); };

    // Engine flame below the hull.
    p.glow([&](V2 q) { return sdSeg(q, {16, 27}, {16, 30.5f}, 1.4f); }, rgb(1, 0.45f, 0.9f, 0.7f), 1.2f);
    p.fill(
        [&](V2 q) {
            return sdSeg(q, {16, 27}, {16, 30}, 1.1f);
        },
        [&](V2 q) { return lerp(rgb(1, 1, 1), rgb(1, 0.4f, 0.85f), clamp01((q.y - 27) / 3.5f)); });

    p.glow(dAll, withA(accent, 0.45f), 1.6f);
    // Wings: dark steel with the accent colour along the rim.
    p.fill(dWing, [&](V2 q) {
        return lerp(rgb(0.30f, 0.34f, 0.48f), rgb(0.10f, 0.11f, 0.2f), clamp01((q.y - 12) / 14));
    });
    p.stroke([&](V2 q) { return dWing(q) + 0.45f; }, 0.9f, lighten(accent, 0.2f));
    p.fill([&](V2 q) { return sdSeg(mirrorX(q, cx), {20.5f, 18.5f}, {26.5f - bank, 23.5f}, 0.55f); }, accent);
    p.fill(dGuns,
           [&](V2 q) { return lerp(rgb(0.85f, 0.9f, 1), rgb(0.3f, 0.35f, 0.5f), clamp01((q.y - 16) / 9)); });
    // Hull: light metal, darker to the sides and the tail.
    p.fill(dHull, [&](V2 q) {
        float side = std::fabs(q.x - cx) / 4.f;
        float t = clamp01((q.y - 2) / 26) * 0.6f + side * 0.35f;
        return lerp(rgb(0.92f, 0.96f, 1.0f), rgb(0.30f, 0.36f, 0.55f), clamp01(t));
    });
    p.stroke([&](V2 q) { return dHull(q) + 0.4f; }, 0.8f, lighten(accent, 0.5f));
    // Spine and cockpit.
    p.fill([&](V2 q) { return sdSeg(q, {16, 17}, {16, 25}, 0.5f); }, withA(accent, 0.8f));
    auto dPit = [&](V2 q) { return sdEllipse(q, {16, 10.5f}, 1.9f, 3.6f); };
    p.fill(dPit,
           [&](V2 q) { return lerp(rgb(0.75f, 1, 1), rgb(0.05f, 0.35f, 0.65f), clamp01((q.y - 7.5f) / 6)); });
    p.fill([&](V2 q) { return sdEllipse(q, {15.4f, 9.2f}, 0.6f, 1.3f); }, rgb(1, 1, 1, 0.9f));
}

// The small thruster glow drawn beneath every enemy.
void paintThruster(Painter& p, Col hue) {
    auto d = [&](V2 q) {
        float w = 5.5f - std::max(0.f, q.y - 12) * 0.28f;
        return sdEllipse(q, {16, 15}, std::max(0.5f, w), 9.f);
    };
    p.glow(d, withA(hue, 0.5f), 2.5f);
    p.shade([&](V2 q) {
        float r = len(V2{(q.x - 16) / 4.5f, (q.y - 13) / 9.f});
        float k = clamp01(1 - r) * p.edgeFade(q);
        return withA(lerp(hue, rgb(1, 1, 1), k * k), k * 0.95f);
    });
}

void paintShot(Painter& p, Col hue, bool bolt) {
    if (bolt) {
        auto d = [&](V2 q) { return sdSeg(q, {16, 8}, {16, 24}, 1.6f); };
        p.glow(d, withA(hue, 0.6f), 2.2f);
        p.fill(d, [&](V2 q) {
            return lerp(rgb(1, 1, 1), lighten(hue, 0.3f), clamp01(std::fabs(q.x - 16) / 1.6f));
        });
        p.fill([&](V2 q) { return sdSeg(q, {16, 9}, {16, 21}, 0.6f); }, rgb(1, 1, 1));
    } else {
        auto d = [&](V2 q) { return sdCircle(q, {16, 16}, 4.2f); };
        p.glow(d, withA(hue, 0.65f), 2.6f);
        p.fill(d, [&](V2 q) { return lerp(rgb(1, 1, 1), hue, clamp01(len(q - V2{16, 16}) / 4.2f)); });
        for (int k = 0; k < 4; ++k) {
            V2 a = V2{16, 16} + rot(V2{0, -7}, 45.f + 90.f * k);
            p.fill([&](V2 q) { return sdSeg(q, {16, 16}, a, 0.35f); }, withA(lighten(hue, 0.5f), 0.8f));
        }
    }
}

void paintPickup(Painter& p, int k) {
    Col hue = hsv(k / 8.f + 0.05f, 0.75f, 1);
    V2 c{16, 16};
    const auto hexPts = ngonPts(c, 11, 6, 0);
    auto d = [&](V2 q) { return sdPoly(q, hexPts); };
    neonBody(p, d, hue, 1.6f, 0.45f, 1.1f, 0.5f, 0.2f);
    // A symbol per pickup: bolt, plus, shield, star, ring, arrows, dot, cross.
    Col w = rgb(1, 1, 1);
    switch (k % 8) {
        case 0:
            p.fillC(
                [&](V2 q) {
                    return sdPoly(q, {{17.5f, 9}, {12.5f, 17}, {16, 17}, {14.5f, 23}, {19.5f, 15}, {16, 15}});
                },
                w);
            break;
        case 1:
            p.fillC([&](V2 q) { return opUnion(sdBox(q, c, {1.3f, 5}), sdBox(q, c, {5, 1.3f})); }, w);
            break;
        case 2:
            p.stroke(
                [&](V2 q) {
                    return sdPoly(q, {{11.5f, 11}, {20.5f, 11}, {20.5f, 16}, {16, 22}, {11.5f, 16}});
                },
                1.4f, w);
            break;
        case 3: {
            const auto pts = starPts(c, 6, 2.6f, 5, 0);
            p.fillC([&](V2 q) { return sdPoly(q, pts); }, w);
            break;
        }
        case 4:
            p.stroke([&](V2 q) { return sdCircle(q, c, 4.5f); }, 1.5f, w);
            break;
        case 5:
            for (int i = 0; i < 2; ++i)
                p.fillC(
                    [&](V2 q) {
                        return sdPoly(q,
                                      {{16, 10.f + 5 * i}, {20.5f, 14.5f + 5 * i}, {11.5f, 14.5f + 5 * i}});
                    },
                    w);
            break;
        case 6:
            p.fillC([&](V2 q) { return sdCircle(q, c, 3.2f); }, w);
            break;
        default:
            p.fillC(
                [&](V2 q) {
                    return opUnion(sdSeg(q, {12.5f, 12.5f}, {19.5f, 19.5f}, 1.2f),
                                   sdSeg(q, {19.5f, 12.5f}, {12.5f, 19.5f}, 1.2f));
                },
                w);
    }
}

void paintRock(Painter& p, int k) {
    Rng r(700 + k);
    std::vector<V2> pts;
    int n = 7 + r.below(4);
    float base = 7.5f + r.uni() * 5.5f;
    for (int i = 0; i < n; ++i) {
        float a = (360.f * i / n + r.range(-12, 12)) * kPi / 180.f;
        float rr = base * r.range(0.72f, 1.05f);
        pts.push_back({16 + std::sin(a) * rr, 16 - std::cos(a) * rr});
    }
    Col tone = hsv(0.62f + r.range(-0.08f, 0.08f), 0.25f, 1);
    auto d = [&](V2 q) { return sdPoly(q, pts); };
    p.glow(d, withA(tone, 0.2f), 1.2f);
    p.fill(d, [&](V2 q) {
        float l = clamp01(0.75f - dot(q - V2{16, 16}, V2{0.05f, 0.06f}));
        return withA(scale(tone, 0.18f + 0.5f * l), 1);
    });
    p.stroke([&](V2 q) { return d(q) + 0.4f; }, 0.8f, scale(tone, 0.85f));
    for (int c = 0; c < 3; ++c) {
        V2 cc{16 + r.range(-base, base) * 0.45f, 16 + r.range(-base, base) * 0.45f};
        float cr = r.range(1.0f, 2.2f);
        p.fillC([&](V2 q) { return opInter(sdCircle(q, cc, cr), d(q) + 0.8f); },
                withA(scale(tone, 0.12f), 0.8f));
        p.stroke([&](V2 q) { return opInter(sdCircle(q, cc, cr), d(q) + 0.8f); }, 0.5f,
                 withA(scale(tone, 0.7f), 0.7f));
    }
}

}  // namespace

void paintShipSheet(Painter& p, int f) {
    const Col cyan = rgb(0.2f, 0.9f, 1.0f);
    if (f == 0) return paintShip(p, cyan, 0);
    if (f <= 8) return paintShip(p, hsv(0.5f + f / 8.f, 0.8f, 1), (f % 2) ? 1.5f : 0.f);
    if (f == 9) return paintThruster(p, rgb(1.f, 0.35f, 0.75f));
    if (f <= 14) return paintThruster(p, hsv(0.95f + (f - 9) * 0.12f, 0.75f, 1));
    if (f == 15) {
        // A spent shot: a faint spark.
        p.glow([](V2 q) { return sdCircle(q, {16, 16}, 0.8f); }, rgb(0.7f, 0.95f, 1, 0.35f), 1.5f);
        return;
    }
    if (f == 16) return paintShot(p, cyan, true);
    if (f == 17) return paintShot(p, rgb(1.f, 0.3f, 0.7f), false);
    if (f <= 23) return paintShot(p, hsv((f - 18) / 6.f + 0.1f, 0.8f, 1), f % 2 == 0);
    if (f <= 31) return paintPickup(p, f - 24);
    return paintRock(p, f - 32);
}

// ---- Enemies ----
//
// 32 kinds, four animation frames each. Eight body plans, each in four variants with their own
// colour and features. Every kind is mirror-symmetric and drawn with bold shapes and a bright core
// so that it still reads when squeezed to half width as the second layer of another enemy.

namespace {

struct EnemyStyle {
    Col hue;
    int plan, variant;
    float t;  // animation phase, 0..1
};

// Eyes in a row, mirrored about the centre line. Each layer is painted for all eyes at once, so
// overlapping halos blend the same way on both sides.
void eyes(Painter& p, int count, float y, float spread, float r, Col hue, float look) {
    std::vector<float> xs;  // offsets from the centre line, right half
    if (count % 2 == 1) xs.push_back(0);
    for (int i = 0; i < count / 2; ++i) xs.push_back(spread * (i + (count % 2 == 1 ? 1.f : 0.5f)));
    auto d = [&](V2 q, float dy, float rr) {
        V2 m = mirrorX(q, 16);
        float best = 1e9f;
        for (float x : xs) best = std::min(best, sdCircle(m, {16 + x, y + dy}, rr));
        return best;
    };
    p.glow([&](V2 q) { return d(q, 0, r); }, withA(hue, 0.5f), 0.8f);
    p.fillC([&](V2 q) { return d(q, 0, r); }, rgb(1, 1, 1));
    p.fillC([&](V2 q) { return d(q, look * r * 0.35f, r * 0.5f); }, scale(hue, 0.35f));
}

// A glowing light and its mirror image.
void lightPair(Painter& p, V2 c, float r, Col hue, float haloR) {
    auto d = [&](V2 q) { return sdCircle(mirrorX(q, 16), c, r); };
    p.glow(d, withA(hue, 0.6f), haloR);
    p.fill(d, [&](V2 q) {
        return lerp(rgb(1, 1, 1), lighten(hue, 0.3f), clamp01(len(mirrorX(q, 16) - c) / r));
    });
}

void enemyCrab(Painter& p, const EnemyStyle& s) {
    float open = 0.5f + 0.5f * std::sin(s.t * 2 * kPi);
    float leg = std::sin(s.t * 2 * kPi) * 0.9f;
    float bodyR = 6.6f + s.variant * 0.3f;
    auto dBody = [&](V2 q) { return sdEllipse(q, {16, 8}, bodyR, 4.3f); };
    auto dLegs = [&](V2 q) {
        V2 m = mirrorX(q, 16);
        float d = 1e9f;
        for (int i = 0; i < 3; ++i)
            d = std::min(d, sdSeg(m, {18.f + i * 2, 10},
                                  {20.f + i * 2.6f, 14.5f + (i % 2 ? leg : -leg) * 0.6f}, 0.55f));
        return d;
    };
    auto dClaw = [&](V2 q) {
        V2 m = mirrorX(q, 16);
        V2 c{26.5f, 4.5f + s.variant * 0.4f};
        float ring = sdCircle(m, c, 3.2f);
        float cut = sdPoly(
            m, {{c.x - 0.5f, c.y}, {c.x + 5, c.y - 1.5f - open * 2.5f}, {c.x + 5, c.y + 1.5f + open * 1.5f}});
        float arm = sdSeg(m, {21, 7}, c, 1.1f);
        return opUnion(opSub(ring, cut), arm);
    };
    auto dSpikes = [&](V2 q) {
        if (s.variant != 3) return 1e9f;
        V2 m = mirrorX(q, 16);
        return std::min(sdPoly(m, {{16.f, 5}, {17.2f, 1.2f}, {18.4f, 5}}),
                        sdPoly(m, {{19, 5.5f}, {21.f, 2.f}, {21.6f, 6}}));
    };
    auto dAll = [&](V2 q) { return opUnion(opUnion(opUnion(dBody(q), dClaw(q)), dLegs(q)), dSpikes(q)); };
    neonBody(p, dAll, s.hue);
    if (s.variant >= 2)
        p.fillC(
            [&](V2 q) {
                return sdSeg(mirrorX(q, 16), {17.5f, 4.5f}, {19.5f, 0.8f}, 0.5f);
            },
            lighten(s.hue, 0.4f));
    eyes(p, s.variant == 1 ? 3 : 2, 7.5f, 2.6f, 1.35f, s.hue, std::sin(s.t * 2 * kPi));
}

void enemySquid(Painter& p, const EnemyStyle& s) {
    float w = s.t * 2 * kPi;
    auto dHead = [&](V2 q) {
        float dome = sdEllipse(q, {16, 6.2f}, 6.2f + s.variant * 0.4f, 5.2f);
        return opSub(dome, sdBox(q, {16, 13}, {10, 2.2f}));
    };
    int n = 2 + s.variant % 2;
    auto dTent = [&](V2 q) {
        V2 m = mirrorX(q, 16);
        float d = 1e9f;
        for (int i = 0; i < n; ++i) {
            float x0 = 16.8f + i * (5.f / n) * 1.3f;
            float sway = std::sin(w + i * 1.3f) * 1.2f;
            V2 a{x0, 9.5f}, b{x0 + 0.8f + sway * 0.5f, 12.5f}, c{x0 + 0.2f + sway, 15.2f};
            d = std::min(d, std::min(sdSeg(m, a, b, 0.9f), sdSeg(m, b, c, 0.6f)));
        }
        return d;
    };
    auto dFins = [&](V2 q) {
        if (s.variant != 1) return 1e9f;
        return sdPoly(mirrorX(q, 16), {{21.5f, 3.5f}, {25.5f + std::sin(w) * 0.6f, 1.5f}, {23.f, 8.f}});
    };
    auto dAll = [&](V2 q) { return opUnion(opUnion(dHead(q), dTent(q)), dFins(q)); };
    neonBody(p, dAll, s.hue);
    if (s.variant >= 2) {
        for (int k = 0; k < 3; ++k) {
            float a = 60.f * (k - 1);
            V2 c = V2{16, 6.2f} + rot(V2{0, -3.2f}, a);
            p.fillC([&](V2 q) { return sdCircle(q, c, 0.8f); }, withA(lighten(s.hue, 0.6f), 0.9f));
        }
    }
    eyes(p, s.variant == 3 ? 1 : 2, 7.f, 2.4f, s.variant == 3 ? 2.0f : 1.3f, s.hue, std::cos(w));
}

void enemySaucer(Painter& p, const EnemyStyle& s) {
    auto dDisc = [&](V2 q) { return sdEllipse(q, {16, 9}, 13.f - s.variant * 0.6f, 3.2f); };
    auto dDome = [&](V2 q) { return opSub(sdCircle(q, {16, 8}, 4.8f), sdBox(q, {16, 11}, {6, 2.5f})); };
    auto dFins = [&](V2 q) {
        if (s.variant < 2) return 1e9f;
        return sdSeg(mirrorX(q, 16), {22, 11}, {24.5f, 14.5f}, 0.7f);
    };
    neonBody(
        p, [&](V2 q) { return opUnion(dDisc(q), dFins(q)); }, s.hue);
    if (s.variant == 1) {
        p.fillC([&](V2 q) { return sdSeg(q, {16, 3.5f}, {16, 1.2f}, 0.45f); }, lighten(s.hue, 0.3f));
        lightPair(p, {16, 1.2f}, 0.9f + 0.3f * std::sin(s.t * 2 * kPi), s.hue, 0.8f);
    }
    // Glass dome.
    p.glow(dDome, withA(lighten(s.hue, 0.5f), 0.4f), 1.0f);
    p.fill(dDome, [&](V2 q) {
        return lerp(rgb(0.9f, 1, 1, 0.95f), withA(scale(s.hue, 0.5f), 0.9f), clamp01((q.y - 4) / 5));
    });
    p.fillC([&](V2 q) { return sdEllipse(q, {16, 5.4f}, 1.6f, 0.7f); }, rgb(1, 1, 1, 0.9f));
    // Rim lights chase outwards, symmetric about the centre.
    int lights = 3;
    for (int i = 0; i < lights; ++i) {
        V2 lc{16 + 3.2f + i * 3.2f, 9.6f};
        bool on = int(s.t * 4 + 0.01f) % lights == i || s.variant == 3;
        if (on)
            lightPair(p, lc, 0.9f, s.hue, 0.7f);
        else
            p.fillC([&](V2 q) { return sdCircle(mirrorX(q, 16), lc, 0.8f); }, scale(s.hue, 0.6f));
    }
}

void enemyBat(Painter& p, const EnemyStyle& s) {
    float flap = std::sin(s.t * 2 * kPi);
    auto dBody = [&](V2 q) { return sdEllipse(q, {16, 8}, 3.2f, 5.f); };
    auto dWing = [&](V2 q) {
        V2 m = mirrorX(q, 16);
        float tipY = 4.f - flap * 3.5f;
        const V2 w[8] = {{17.5f, 5},
                         {23, 3.f - flap * 1.5f},
                         {30.5f - s.variant * 0.5f, tipY},
                         {27, 9.5f - flap},
                         {24.5f, 8.5f},
                         {22.5f, 11.5f - flap * 0.5f},
                         {19.5f, 10},
                         {17.5f, 11}};
        return sdPoly(m, w, 8);
    };
    auto dEars = [&](V2 q) {
        V2 m = mirrorX(q, 16);
        return sdPoly(m, {{16.6f, 4}, {18.5f, 0.6f - s.variant * 0.1f}, {18.8f, 4.5f}});
    };
    auto dTail = [&](V2 q) {
        if (s.variant != 3) return 1e9f;
        return std::min(sdSeg(q, {16, 12}, {16, 14.2f}, 0.6f),
                        sdPoly(mirrorX(q, 16), {{16, 13}, {17.6f, 14.4f}, {16, 15.8f}}));
    };
    auto dAll = [&](V2 q) { return opUnion(opUnion(opUnion(dBody(q), dWing(q)), dEars(q)), dTail(q)); };
    neonBody(p, dAll, s.hue);
    // Wing ribs.
    p.fillC(
        [&](V2 q) {
            V2 m = mirrorX(q, 16);
            return std::min(sdSeg(m, {18, 7}, {23, 3.2f - flap * 1.5f}, 0.35f),
                            sdSeg(m, {18, 8}, {27, 9.5f - flap}, 0.35f));
        },
        withA(lighten(s.hue, 0.3f), 0.8f));
    eyes(p, 2, 7, 1.5f, 1.0f, rgb(1, 0.2f, 0.2f), 0);
    if (s.variant % 2 == 1)
        p.fillC(
            [&](V2 q) {
                return sdPoly(mirrorX(q, 16), {{15.2f, 10.5f}, {16.8f, 10.5f}, {16.f, 12.8f}});
            },
            rgb(1, 1, 1));
}

void enemyBeetle(Painter& p, const EnemyStyle& s) {
    float step = std::sin(s.t * 2 * kPi);
    auto dShell = [&](V2 q) { return sdEllipse(q, {16, 8.6f}, 6.5f, 5.8f); };
    auto dHead = [&](V2 q) { return sdEllipse(q, {16, 3.0f}, 3.0f, 2.2f); };
    auto dLegs = [&](V2 q) {
        V2 m = mirrorX(q, 16);
        float d = 1e9f;
        for (int i = 0; i < 3; ++i) {
            float ph = (i % 2 ? step : -step) * 0.8f;
            d = std::min(d, sdSeg(m, {20.5f, 6.f + i * 3}, {25.5f, 4.f + i * 4 + ph}, 0.6f));
        }
        return d;
    };
    auto dHorn = [&](V2 q) {
        V2 m = mirrorX(q, 16);
        if (s.variant % 2 == 0) return sdSeg(m, {17, 2}, {20.f + s.variant * 0.3f, -0.2f}, 0.6f);
        return sdSeg(m, {16, 1.5f}, {16, -0.5f}, 0.9f);
    };
    auto dJaws = [&](V2 q) {
        if (s.variant != 3) return 1e9f;
        V2 m = mirrorX(q, 16);
        float open = 0.6f + 0.6f * step;
        return std::min(sdSeg(m, {17.2f, 1.8f}, {19.f + open, 0.6f}, 0.55f),
                        sdSeg(m, {19.f + open, 0.6f}, {18.f + open * 0.5f, -0.6f}, 0.45f));
    };
    auto dAll = [&](V2 q) {
        return opUnion(opUnion(opUnion(opUnion(dShell(q), dHead(q)), dLegs(q)), dHorn(q)), dJaws(q));
    };
    neonBody(p, dAll, s.hue);
    // Wing-case split and spots.
    p.fillC([&](V2 q) { return sdSeg(q, {16, 4.5f}, {16, 14}, 0.4f); }, withA(lighten(s.hue, 0.5f), 0.9f));
    int spots = 1 + s.variant;
    for (int i = 0; i < spots && i < 3; ++i) {
        V2 c{18.8f + (i % 2) * 1.3f, 7.f + i * 2.3f};
        p.fillC([&](V2 q) { return sdCircle(mirrorX(q, 16), c, 0.9f); }, lighten(s.hue, 0.6f));
    }
    eyes(p, 2, 3.1f, 2.2f, 0.8f, s.hue, 0);
}

void enemyCrystal(Painter& p, const EnemyStyle& s) {
    float pulse = 0.5f + 0.5f * std::cos(s.t * 2 * kPi);
    V2 c{16, 8};
    auto dCore = [&](V2 q) {
        return sdPoly(q,
                      {{16, 0.8f}, {21.f + s.variant * 0.5f, 8}, {16, 15.2f}, {11.f - s.variant * 0.5f, 8}});
    };
    auto dShards = [&](V2 q) {
        V2 m = mirrorX(q, 16);
        float out = 2.f + pulse * 1.6f;
        float a = sdPoly(
            m, {{22.5f + out * 0.3f, 8}, {25.f + out, 5.5f}, {28.5f + out * 0.6f, 8}, {25.f + out, 10.5f}});
        if (s.variant >= 2) a = std::min(a, sdPoly(m, {{19, 2.5f}, {22.5f, 0.5f}, {21.5f, 4}}));
        return a;
    };
    neonBody(
        p, [&](V2 q) { return opUnion(dCore(q), dShards(q)); }, s.hue, 1.5f, 0.45f);
    // Facets.
    p.fillC(
        [&](V2 q) {
            return std::min(sdSeg(q, {16, 1.5f}, {16, 14.5f}, 0.3f), sdSeg(q, {11.8f, 8}, {20.2f, 8}, 0.3f));
        },
        withA(lighten(s.hue, 0.6f), 0.7f));
    if (s.variant == 3) {
        auto ring = [&](V2 q) { return std::fabs(sdEllipse(q, c, 9.5f + pulse, 2.4f)) - 0.45f; };
        p.glow(ring, withA(s.hue, 0.4f), 0.8f);
        p.fillC(ring, lighten(s.hue, 0.5f));
    }
    neonLight(p, c, 1.3f + pulse * 0.9f, s.hue, 1.0f + pulse);
}

void enemySkull(Painter& p, const EnemyStyle& s) {
    float jaw = 0.5f + 0.5f * std::sin(s.t * 2 * kPi);
    auto dFace = [&](V2 q) { return sdBox(q, {16, 6.2f}, {6.2f + s.variant * 0.3f, 5.0f}, 3.2f); };
    auto dJaw = [&](V2 q) { return sdBox(q, {16, 12.2f + jaw * 1.2f}, {4.2f, 1.9f}, 1.0f); };
    auto dHorns = [&](V2 q) {
        if (s.variant == 0) return 1e9f;
        V2 m = mirrorX(q, 16);
        return sdPoly(m, {{20, 2.5f}, {25.5f + s.variant * 0.5f, -0.5f}, {22.8f, 4.5f}});
    };
    auto dAll = [&](V2 q) { return opUnion(opUnion(dFace(q), dJaw(q)), dHorns(q)); };
    neonBody(p, dAll, s.hue);
    // Glowing eye sockets and teeth.
    p.fillC(
        [&](V2 q) {
            return sdEllipse(mirrorX(q, 16), {18.8f, 6.2f}, 1.9f, 1.6f);
        },
        rgb(0.02f, 0.02f, 0.05f));
    lightPair(p, {18.8f, 6.4f}, 0.8f + jaw * 0.3f, s.variant == 2 ? rgb(0.3f, 1, 0.4f) : rgb(1, 0.25f, 0.2f),
              0.8f);
    p.fillC(
        [&](V2 q) {
            return sdPoly(q, {{16, 8.5f}, {16.9f, 10.2f}, {15.1f, 10.2f}});
        },
        rgb(0.02f, 0.02f, 0.05f));
    for (int i = -1; i <= 1; ++i)
        p.fillC(
            [&](V2 q) {
                return sdBox(q, {16 + i * 1.6f, 11.6f + jaw * 1.2f}, {0.45f, 0.8f}, 0.2f);
            },
            lighten(s.hue, 0.7f));
}

void enemyEye(Painter& p, const EnemyStyle& s) {
    float ph = s.t * 2 * kPi;
    float spike = 0.6f + 0.4f * std::sin(ph);
    V2 c{16, 8};
    int n = 6 + 2 * s.variant;
    auto dSpikes = [&](V2 q) {
        V2 m = mirrorX(q, 16) - c;
        float a = std::atan2(m.x, -m.y);
        float sector = 2 * kPi / n;
        float local = a - std::round(a / sector) * sector;
        float r = len(m);
        V2 t{r * std::sin(local), r * std::cos(local)};
        return sdPoly(t, {{-1.3f, 4.5f}, {0, 6.2f + spike * 1.3f}, {1.3f, 4.5f}});
    };
    auto dBall = [&](V2 q) { return sdCircle(q, c, 5.3f); };
    neonBody(
        p, [&](V2 q) { return opUnion(dBall(q), dSpikes(q)); }, s.hue);
    // The eye looks up and down and narrows.
    float lid = 2.0f + 1.0f * std::cos(ph);
    p.fillC([&](V2 q) { return opInter(sdCircle(q, c, 4.0f), std::fabs(q.y - 8) - lid); },
            rgb(0.95f, 0.97f, 1));
    V2 iris = c + V2{0, std::sin(ph) * 0.9f};
    p.fillC([&](V2 q) { return opInter(sdCircle(q, iris, 2.1f), std::fabs(q.y - 8) - lid); },
            lighten(s.hue, 0.1f));
    p.fillC([&](V2 q) { return opInter(sdEllipse(q, iris, 0.6f, 1.3f), std::fabs(q.y - 8) - lid); },
            rgb(0, 0, 0));
    p.fillC([&](V2 q) { return sdCircle(q, iris + V2{0, -1.1f}, 0.45f); }, rgb(1, 1, 1, 0.9f));
}

}  // namespace

void paintEnemy(Painter& p, int frame) {
    int kind = frame / 4;
    EnemyStyle s;
    s.plan = kind % 8;
    s.variant = kind / 8;
    s.t = (frame % 4) / 4.f;
    // Hues spread by the golden ratio so that neighbouring kinds differ clearly.
    float h = std::fmod(0.07f + s.plan * 0.618034f + s.variant * 0.27f, 1.f);
    s.hue = hsv(h, 0.78f - 0.08f * (s.variant % 2), 1.f);
    switch (s.plan) {
        case 0:
            enemyCrab(p, s);
            break;
        case 1:
            enemySquid(p, s);
            break;
        case 2:
            enemySaucer(p, s);
            break;
        case 3:
            enemyBat(p, s);
            break;
        case 4:
            enemyBeetle(p, s);
            break;
        case 5:
            enemyCrystal(p, s);
            break;
        case 6:
            enemySkull(p, s);
            break;
        default:
            enemyEye(p, s);
            break;
    }
}

// ---- Particle shapes: white and grey, tinted by the game ----

void paintPart(Painter& p, int frame) {
    int fam = frame / 16, v = frame % 16;
    V2 c{4, 4};
    float size = 0.62f + 0.38f * ((v * 7) % 16) / 15.f;  // 0.62 .. 1.0
    float bright = 0.62f + 0.38f * ((v * 11 + 5) % 16) / 15.f;
    float ang = v * 23.f;
    Col w = grey(bright);
    float R = 3.6f * size;
    auto star = [&](int pts, float inner) {
        auto pts_ = starPts(c, R, R * inner, pts, ang);
        p.glow([&](V2 q) { return sdPoly(q, pts_); }, grey(bright, 0.3f), 0.6f);
        p.fillC([&](V2 q) { return sdPoly(q, pts_); }, w);
    };
    switch (fam) {
        case 0:  // soft dot
            p.shade([&](V2 q) {
                float k = clamp01(1 - len(q - c) / R);
                return grey(bright, k * k);
            });
            break;
        case 1:  // hard dot with halo
            p.glow([&](V2 q) { return sdCircle(q, c, R * 0.45f); }, grey(bright, 0.4f), 0.8f);
            p.fillC([&](V2 q) { return sdCircle(q, c, R * 0.45f); }, w);
            break;
        case 2:
            star(4, 0.28f);
            break;
        case 3:
            star(5, 0.45f);
            break;
        case 4:
            star(6, 0.5f);
            break;
        case 5:
            star(8, 0.35f);
            break;
        case 6:
            p.stroke([&](V2 q) { return sdCircle(q, c, R * 0.75f); }, 0.9f, w);
            break;
        case 7:
            p.fillC([&](V2 q) { return sdPoly(q, ngonPts(c, R, 4, ang)); }, w);
            break;
        case 8: {
            V2 a = rot(V2{R, 0}, ang), b = rot(V2{0, R}, ang);
            p.fillC(
                [&](V2 q) { return std::min(sdSeg(q, c - a, c + a, 0.6f), sdSeg(q, c - b, c + b, 0.6f)); },
                w);
            break;
        }
        case 9:
            p.fillC([&](V2 q) { return sdPoly(q, ngonPts(c, R, 3, ang)); }, w);
            break;
        case 10:
            p.fillC([&](V2 q) { return sdPoly(q, ngonPts(c, R * 0.85f, 4, ang + 45)); }, w);
            break;
        case 11:
            p.fillC([&](V2 q) { return sdPoly(q, ngonPts(c, R * 0.85f, 6, ang)); }, w);
            break;
        case 12: {  // debris shard
            Rng r(900 + v);
            std::vector<V2> pts;
            for (int i = 0; i < 5; ++i) {
                float a = (72.f * i + r.range(-20, 20) + ang) * kPi / 180.f;
                float rr = R * r.range(0.45f, 1.0f);
                pts.push_back({4 + std::sin(a) * rr, 4 - std::cos(a) * rr});
            }
            p.fillC([&](V2 q) { return sdPoly(q, pts); }, w);
            break;
        }
        case 13: {  // streak
            V2 a = rot(V2{0, R}, ang);
            p.fill([&](V2 q) { return sdSeg(q, c - a, c + a, 0.55f); },
                   [&](V2 q) { return grey(bright, clamp01(1.2f - len(q - c) / R)); });
            break;
        }
        case 14:  // crescent
            p.fillC(
                [&](V2 q) {
                    return opSub(sdCircle(q, c, R * 0.85f),
                                 sdCircle(q, c + rot(V2{1.4f * size, -0.8f}, ang), R * 0.75f));
                },
                w);
            break;
        default:  // twinkle
            p.shade([&](V2 q) {
                V2 d = q - c;
                float k = clamp01(1 - len(d) / (R * 0.5f));
                float arms = std::max(clamp01(1 - std::fabs(d.x) / 0.5f) * clamp01(1 - std::fabs(d.y) / R),
                                      clamp01(1 - std::fabs(d.y) / 0.5f) * clamp01(1 - std::fabs(d.x) / R));
                return grey(bright, std::max(k, arms));
            });
    }
}

// ---- Explosion flashes, drawn additively: black is transparent ----

void paintFlash(Painter& p, int frame) {
    Rng r(4242 + frame * 17);
    int rays = 5 + frame % 6 * 2 + (frame / 6);
    float rayLen = 0.55f + 0.35f * r.uni();
    float rayW = 0.18f + 0.3f * r.uni();
    float ringR = (frame % 3 == 0) ? 0.45f + 0.3f * r.uni() : -1.f;
    bool streak = frame % 4 == 1;
    float phases[24];
    for (float& ph : phases) ph = r.uni();
    float twist = r.range(-0.6f, 0.6f);
    p.shade([&](V2 q) {
        V2 d = (q - V2{32, 32}) * (1.f / 30.f);  // unit radius = 30 level-1 pixels
        float rr = len(d);
        float a = std::atan2(d.y, d.x) + twist * rr;
        float core = std::exp(-rr * rr * 14.f);
        float body = std::exp(-rr * rr * 3.2f) * 0.55f;
        // Rays of uneven length.
        float u = (a / (2 * kPi) + 0.5f) * rays;
        int idx = (int(std::floor(u)) % rays + rays) % rays;  // the twist can carry u below 0
        float fu = u - std::floor(u);
        float lenK = rayLen * (0.6f + 0.6f * phases[idx % 24]);
        float ray = std::pow(std::max(0.f, 1 - std::fabs(fu - 0.5f) * 2 / rayW), 2.f) *
                    std::max(0.f, 1 - rr / lenK) * 0.8f;
        float ring = ringR > 0 ? std::exp(-std::pow((rr - ringR) / 0.05f, 2.f)) * 0.5f : 0.f;
        float str =
            streak ? std::exp(-std::pow(d.y / 0.035f, 2.f)) * std::max(0.f, 1 - std::fabs(d.x)) * 0.7f : 0.f;
        float v = core + body + ray + ring + str;
        v *= clamp01((1.f - rr) / 0.15f);  // nothing reaches the frame edge
        Col c = heat(std::min(1.f, v));
        return withA(c, c.a * clamp01(v * 1.6f));
    });
}

}  // namespace datagen
