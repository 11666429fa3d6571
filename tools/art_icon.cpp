// The application icon for the desktop's menus: the player's fighter climbing through a starfield
// towards an enemy, on a dark rounded tile with a neon rim.
#include <cmath>

#include "tools/assets.h"
#include "tools/neon.h"

namespace datagen {

namespace {

// A sprite painted by its own painter into a box of the icon, given in the icon's 64-unit space.
template <class F>
void sprite(Canvas& canvas, float scale, float x, float y, float unitsW, float unitsH, float size,
            F&& paint) {
    Painter p(canvas, int(std::lround(x * scale)), int(std::lround(y * scale)), unitsW, unitsH,
              scale * size / unitsW);
    paint(p);
}

}  // namespace

void paintAppIcon(Canvas& canvas) {
    const float scale = canvas.width() / 64.f;
    Painter p(canvas, 0, 0, 64, 64, scale);
    auto tile = [](V2 q) { return sdBox(q, {32, 32}, {29, 29}, 9); };
    const Col cyan = rgb(0.2f, 0.9f, 1.0f);

    p.fill(tile,
           [](V2 q) { return lerp(rgb(0.05f, 0.06f, 0.22f), rgb(0.01f, 0.01f, 0.06f), clamp01(q.y / 64)); });
    // Stars on a fixed pattern, brighter towards the top.
    for (int i = 0; i < 23; ++i) {
        V2 c{8 + std::fmod(i * 17.71f + 5, 48.f), 8 + std::fmod(i * i * 7.13f + i * 3.1f, 48.f)};
        float r = 0.35f + 0.25f * (i % 3);
        p.fillC([&](V2 q) { return opInter(sdCircle(q, c, r), tile(q)); }, grey(1, 0.9f - c.y / 90));
    }
    p.glow([&](V2 q) { return sdSeg(q, {32, 22}, {32, 30}, 0.9f); }, withA(cyan, 0.6f), 1.2f);
    p.fillC([&](V2 q) { return sdSeg(q, {32, 22}, {32, 30}, 0.7f); }, rgb(0.9f, 1, 1));
    sprite(canvas, scale, 16, 7, 32, 16, 32, [](Painter& s) { paintEnemy(s, 0); });
    sprite(canvas, scale, 15, 27, 32, 32, 34, [](Painter& s) { paintShipSheet(s, 0); });
    // The rim last, so that no halo covers it.
    p.glow([&](V2 q) { return std::fabs(tile(q)) - 0.6f; }, withA(cyan, 0.35f), 1.2f);
    p.stroke([&](V2 q) { return tile(q) + 0.7f; }, 1.3f, lighten(cyan, 0.3f));
}

}  // namespace datagen
