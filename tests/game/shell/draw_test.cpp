// The draw list, the drawing state and bitmap text.
#include <vector>

#include "test_host.h"

namespace {

struct Cmd {
    float kind, x, y, rot, a, b, frame, alpha, r, g, bl, blend;
};

std::vector<Cmd> Commands(c_MyApp* app) {
    std::vector<Cmd> out;
    for (int at = 0; at + 15 <= app->f_drawCount; at += 15) {
        const float* c = app->f_drawList.Data() + at;
        out.push_back({c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[10], c[11], c[12], c[13]});
    }
    return out;
}

String Units(std::initializer_list<int> units) {
    std::vector<Char> v(units.begin(), units.end());
    return String(v.data(), static_cast<int>(v.size()));
}

class DrawTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        app->f_font = 90;
        app->f_fontMetrics[270] = 7;   // glyph advance
        app->f_fontMetrics[271] = 10;  // line height
        app->p_CLS2D(1, 2, 3, 0.5f);
    }
    // The glyph commands of one text at size `size`.
    std::vector<Cmd> Text(float x, float y, const String& text, float xalign = 0, float yalign = 1,
                          float size = 1) {
        app->p_CLS2D();
        app->p_SetSize(size);
        app->p_Text(x, y, text, xalign, yalign);
        return Commands(app);
    }
};

TEST_F(DrawTest, CommandsRecordTheStateOfTheirMoment) {
    app->p_SetCol(10, 20, 30, 0.5f);
    app->p_Blend(3);
    app->p_SetRot(45);
    app->p_SetSize(2, 3);
    app->p_DrawImg(7, 100, 50, 4);
    app->p_Rect(1, 2, 30, 40);
    app->p_Oval(5, 6, 7, 8);
    auto c = Commands(app);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ((std::vector<float>{c[0].kind, c[0].x, c[0].rot, c[0].a, c[0].b, c[0].frame, c[0].alpha,
                                  c[0].bl, c[0].blend}),
              (std::vector<float>{7, 100, -45, 2, 3, 4, 0.5f, 30, 3}));
    EXPECT_EQ((std::vector<float>{c[1].kind, c[1].a, c[1].b, c[1].frame}),
              (std::vector<float>{-3717, 30, 40, 0}));
    EXPECT_EQ((std::vector<float>{c[2].kind, c[2].a, c[2].b}), (std::vector<float>{-3716, 7, 8}));
    app->p_Ink(1, 2);  // clamped to 255; the alpha stays
    EXPECT_FLOAT_EQ(app->f_colR, 255);
    EXPECT_FLOAT_EQ(app->f_colG, 51);
    EXPECT_EQ(app->f_alpha, 0.5f);
    // A new picture without a colour keeps the clear colour, resets the state, empties the list.
    app->p_CLS2D();
    EXPECT_EQ((std::vector<float>{app->f_clsG, app->f_clsA, float(app->f_drawCount), app->f_sizeX,
                                  app->f_alpha, float(app->f_blend)}),
              (std::vector<float>{2, 0.5f, 0, 1, 1, 1}));
}

TEST_F(DrawTest, The2500thCommandOfAnUpdateIsDropped) {
    for (int i = 0; i < 2499; ++i) app->p_Rect(static_cast<float>(i), 0, 1, 1);
    EXPECT_EQ(app->f_drawCount, 2499 * 15);
    app->p_Rect(-1, -1, 5, 5);
    app->p_DrawImg(1, 0, 0, 0);
    EXPECT_EQ(app->f_drawCount, 2499 * 15);
    for (int i = 2499 * 15; i < 37500; ++i) ASSERT_EQ(app->f_drawList[i], 0.0f) << i;
    app->p_CLS2D();  // the next picture starts empty again
    app->p_Rect(0, 0, 1, 1);
    EXPECT_EQ(app->f_drawCount, 15);
}

TEST_F(DrawTest, TextAlignmentAndKerning) {
    // "H" advances 7, "i" 7 - 3: measured width 11; the trailing space is not drawn.
    EXPECT_EQ(app->p_TextWidth(String("Hi")), 11);
    EXPECT_EQ(app->p_TextWidth(String()), 0);
    const float aligned[][4] = {
        {0, 1, 100, 50}, {1, 1, 94.5f, 50}, {2, 1, 89, 50}, {0, 0, 100, 55}, {0, 2, 100, 45}};
    for (const auto& k : aligned) {
        auto c = Text(100, 50, String("Hi"), k[0], k[1]);
        ASSERT_EQ(c.size(), 2u);
        EXPECT_EQ((std::vector<float>{c[0].kind, c[0].frame, c[0].x, c[0].y, c[1].frame, c[1].x}),
                  (std::vector<float>{90, 'H' - 32, k[2], k[3], 'i' - 32, k[2] + 7}))
            << k[0] << "," << k[1];
    }
    // Every kerning class: advance of the first glyph of "<c>a" at size 2.
    const std::pair<char, int> kerns[] = {{'w', 2},  {'m', 2},  {'W', 1},  {'M', 1},  {'i', -3}, {'f', -3},
                                          {'l', -3}, {'j', -1}, {'s', -1}, {'k', -1}, {'r', -1}, {'z', -1},
                                          {'t', -1}, {'n', -1}, {'a', 0},  {'Q', 0}};
    for (auto [ch, adj] : kerns) {
        auto c = Text(0, 0, Units({ch, 'a'}), 0, 1, 2);
        ASSERT_EQ(c.size(), 2u);
        EXPECT_FLOAT_EQ(c[1].x - c[0].x, (7 + adj) * 2.0f) << ch;
        EXPECT_EQ(c[1].a, 2.0f);
    }
}

TEST_F(DrawTest, TextLineBreaksRotationAndUndrawnCharacters) {
    auto c = Text(20, 30, String("A\\nB"));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_FLOAT_EQ(c[1].x, 20);
    EXPECT_FLOAT_EQ(c[1].y, 40);
    // A second break goes two lines down from the start, whatever the pen did meanwhile.
    c = Text(20, 30, String("AB\\nC\\nD"));
    ASSERT_EQ(c.size(), 4u);
    EXPECT_FLOAT_EQ(c[3].x, 20);
    EXPECT_FLOAT_EQ(c[3].y, 50);
    // Spaces advance without drawing; code 0 neither draws nor advances.
    c = Text(0, 0, Units({'A', 0, ' ', 'B'}));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_FLOAT_EQ(c[1].x, 14);
    // Rotated by 90 (stored as -90), the baseline runs down the screen.
    app->p_SetRot(90);
    app->p_Text(100, 100, String("AB"), 0, 1);
    c = Commands(app);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_NEAR(c[3].x, 100, 1e-4);
    EXPECT_NEAR(c[3].y, 107, 1e-4);
    EXPECT_EQ(c[3].rot, -90);
}

}  // namespace
