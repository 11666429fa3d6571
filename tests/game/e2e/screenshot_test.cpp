// The README's screenshot: a wave in full flight, made by the scenario runner into the build tree
// (docs/screenshot.png there), so the committed copy can always be refreshed from the suite.
#include <stb/stb_image.h>

#include <set>

#include "tests/game/e2e/game_driver.h"

namespace {

using namespace e2e;

TEST_F(GameTest, TheReadmeScreenshotShowsAWaveInFlight) {
    const fs::path shot = fs::path(ZARNOK_BINARY_DIR) / "docs" / "screenshot.png";
    fs::create_directories(shot.parent_path());
    fs::remove(shot);
    // Difficulty 2; the ship steers left, then right, and slows time for a moment.
    std::ofstream(dir / "shot.txt")
        << "0 set f_difficulty 2\n30 set f_mode 11\n100 key down 37\n160 key up 37\n"
           "200 key down 39\n260 key up 39\n330 key down 32\n345 key up 32\n";
    int status = -1;
    Sim("--script shot.txt --updates 360 --dump f_mode,f_score --screenshot " + Quote(shot.string()),
        &status);
    ASSERT_EQ(status, 0);

    int w = 0, h = 0, n = 0, cw = 0, ch = 0;
    unsigned char* pixels = stbi_load(shot.string().c_str(), &w, &h, &n, 3);
    ASSERT_NE(pixels, nullptr);
    std::set<int> colours;
    for (int i = 0; i < w * h; ++i)
        colours.insert(pixels[3 * i] << 16 | pixels[3 * i + 1] << 8 | pixels[3 * i + 2]);
    stbi_image_free(pixels);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_GT(colours.size(), 200u) << "ships, enemies, shots and the HUD";

    // The committed copy is one made here.
    const std::string committed = (fs::path(ZARNOK_SOURCE_DIR) / "docs" / "screenshot.png").string();
    ASSERT_TRUE(stbi_info(committed.c_str(), &cw, &ch, &n)) << "copy " << shot << " to docs/";
    EXPECT_EQ(cw, w);
    EXPECT_EQ(ch, h);
}

}  // namespace
