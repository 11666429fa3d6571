// The data tree the generator writes: image sheets, fonts and sounds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/raster.h"

namespace datagen {

// An image sheet: `frames` cells of fw x fh level-1 pixels, laid out `cols` per row, read by the
// game's loader left to right, then top to bottom.
struct ImageAsset {
    std::string name;  // path below the data folder, without suffix and ".png"
    int fw, fh, frames, cols;
    std::function<void(Painter&, int frame)> paint;
    bool multiRes = true;  // false: one file "name.png" at level 1 only (the default font)
};

// Every image of the data tree, in a fixed order.
const std::vector<ImageAsset>& imageAssets();

// Painters, one per sheet (defined in the art_*.cpp and font.cpp files).
void paintShipSheet(Painter& p, int frame);    // "gfx"
void paintEnemy(Painter& p, int frame);        // "bad"
void paintPart(Painter& p, int frame);         // "parts"
void paintFlash(Painter& p, int frame);        // "flash"
void paintIcon(Painter& p, int frame);         // "common/icons"
void paintButton(Painter& p, int frame);       // "common/Buttons"
void paintDpad(Painter& p, int frame);         // "common/dpad"
void paintStudioLogo(Painter& p, int frame);   // "common/KemoLogo"
void paintTestcard(Painter& p, int frame);     // "common/Testcard_Circle"
void paintMenuPanel(Painter& p, int frame);    // "menu"
void paintTitleLogo(Painter& p, int frame);    // "logo"
void paintBadge(Painter& p, int frame);        // "BadgesA"
void paintGameFont(Painter& p, int frame);     // "fonts/editundo"
void paintDefaultFont(Painter& p, int frame);  // "tavo_font"

// The application icon at canvas.width() x canvas.height() pixels (a square canvas).
void paintAppIcon(Canvas& canvas);
const int kAppIconSizes[3] = {48, 128, 256};  // written as "icons/zarnok-<size>.png"

// Text drawing with the glyph source font, for the painters and the contact sheets. Draws `text`
// with its baseline at (x, y) in units, `size` units per em, centred on x when `centre` is set.
void drawText(Painter& p, float x, float y, float size, const std::string& text, Col col, bool centre);
float textWidth(float size, const std::string& text);
// Loads the glyph source font; false (with a message on stderr) when it is missing.
bool loadGlyphFont();

// Sounds.
struct SoundFile {
    std::string path;  // below the data folder
    std::vector<uint8_t> bytes;
};
// Generates the sound effects (WAV) and the music track (Ogg Vorbis).
std::vector<SoundFile> makeSounds();
std::vector<std::string> soundPaths();

}  // namespace datagen
