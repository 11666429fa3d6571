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
    std::vector<Char> v;
    for (int u : units) v.push_back(static_cast<Char>(u));
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
};

TEST_F(DrawTest, OmittedArgumentsAndANewPicture) {
    app->p_SetSize(2);
    EXPECT_EQ(app->f_sizeY, 2);
    app->p_Alpha(0.25f);
    app->p_SetCol(10, 20, 30);
    EXPECT_EQ(app->f_alpha, 0.25f);
    app->p_Ink(1, 2);  // clamped to 255; the alpha stays
    EXPECT_FLOAT_EQ(app->f_colR, 255);
    EXPECT_FLOAT_EQ(app->f_colG, 51);
    EXPECT_EQ(app->f_alpha, 0.25f);
    app->p_Rect(0, 0, 1, 1);
    // Starting a picture without a colour keeps the clear colour, resets the state, empties the list.
    app->p_CLS2D();
    EXPECT_EQ(app->f_clsG, 2);
    EXPECT_EQ(app->f_clsA, 0.5f);
    EXPECT_EQ(app->f_drawCount, 0);
    EXPECT_EQ(app->f_sizeX, 1);
    EXPECT_EQ(app->f_alpha, 1);
    EXPECT_EQ(app->f_blend, 1);
}

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
    EXPECT_EQ(c[0].kind, 7);
    EXPECT_EQ(c[0].x, 100);
    EXPECT_EQ(c[0].rot, -45);
    EXPECT_EQ(c[0].a, 2);
    EXPECT_EQ(c[0].b, 3);
    EXPECT_EQ(c[0].frame, 4);
    EXPECT_EQ(c[0].alpha, 0.5f);
    EXPECT_EQ(c[0].bl, 30);
    EXPECT_EQ(c[0].blend, 3);
    EXPECT_EQ(c[1].kind, -3717);
    EXPECT_EQ(c[1].a, 30);
    EXPECT_EQ(c[1].b, 40);
    EXPECT_EQ(c[1].frame, 0);
    EXPECT_EQ(c[2].kind, -3716);
    EXPECT_EQ(c[2].a, 7);
    EXPECT_EQ(c[2].b, 8);
}

TEST_F(DrawTest, The2500thCommandOfAnUpdateIsDropped) {
    for (int i = 0; i < 2499; ++i) app->p_Rect(static_cast<float>(i), 0, 1, 1);
    EXPECT_EQ(app->f_drawCount, 2499 * 15);
    app->p_Rect(-1, -1, 5, 5);
    app->p_DrawImg(1, 0, 0, 0);
    EXPECT_EQ(app->f_drawCount, 2499 * 15);
    for (int i = 2499 * 15; i < 37500; ++i) EXPECT_EQ(app->f_drawList[i], 0.0f) << i;
    // The next picture starts empty again.
    app->p_CLS2D();
    app->p_Rect(0, 0, 1, 1);
    EXPECT_EQ(app->f_drawCount, 15);
}

TEST_F(DrawTest, TextAlignmentAndKerning) {
    // "H" advances 7, "i" 7 - 3: measured width 11.
    EXPECT_EQ(app->p_TextWidth(String("Hi")), 11);
    EXPECT_EQ(app->p_TextWidth(String()), 0);
    struct Case {
        float xalign, yalign, x0, y0;
    } cases[] = {
        {0, 1, 100, 50}, {1, 1, 94.5f, 50}, {2, 1, 89, 50}, {0, 0, 100, 55}, {0, 2, 100, 45},
    };
    for (const Case& k : cases) {
        app->p_CLS2D();
        app->p_Text(100, 50, String("Hi"), k.xalign, k.yalign);
        auto c = Commands(app);
        ASSERT_EQ(c.size(), 2u) << "the trailing space is not drawn";
        EXPECT_EQ(c[0].kind, 90);
        EXPECT_EQ(c[0].frame, 'H' - 32);
        EXPECT_FLOAT_EQ(c[0].x, k.x0) << k.xalign << "," << k.yalign;
        EXPECT_FLOAT_EQ(c[0].y, k.y0) << k.xalign << "," << k.yalign;
        EXPECT_EQ(c[1].frame, 'i' - 32);
        EXPECT_FLOAT_EQ(c[1].x, k.x0 + 7);
    }
    // Every kerning class: advance of the first glyph of "<c>a" at size 2.
    app->p_SetSize(2);
    struct Kern {
        char c;
        int adj;
    } kerns[] = {{'w', 2},  {'m', 2},  {'W', 1},  {'M', 1},  {'i', -3}, {'f', -3}, {'l', -3}, {'j', -1},
                 {'s', -1}, {'k', -1}, {'r', -1}, {'z', -1}, {'t', -1}, {'n', -1}, {'a', 0},  {'Q', 0}};
    for (const Kern& k : kerns) {
        app->p_CLS2D();
        app->p_SetSize(2);
        char text[3] = {k.c, 'a', 0};
        app->p_Text(0, 0, String(text), 0, 1);
        auto c = Commands(app);
        ASSERT_EQ(c.size(), 2u);
        EXPECT_FLOAT_EQ(c[1].x - c[0].x, (7 + k.adj) * 2.0f) << k.c;
        EXPECT_EQ(c[1].a, 2.0f);
    }
}

TEST_F(DrawTest, TextButtonGlyphs) {
    // Keyboard glyph set: 16 frames above the pad set; advance 4 (6 for U and O).
    app->p_Text(0, 0, Units({172, 'J', 'a'}), 0, 1);
    auto c = Commands(app);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].frame, 96 + 16);
    EXPECT_FLOAT_EQ(c[1].x - c[0].x, 11);
    app->p_CLS2D();
    app->f_controlStyle = 2;
    app->p_Text(0, 0, Units({172, 'O', 'a'}), 0, 1);
    c = Commands(app);
    EXPECT_EQ(c[0].frame, 101);
    EXPECT_FLOAT_EQ(c[1].x - c[0].x, 13);
    // Any other letter selects its own code; a frame that equals a kerning class takes that class.
    app->p_CLS2D();
    app->p_Text(0, 0, Units({172, '7', 'a'}), 0, 1);
    c = Commands(app);
    EXPECT_EQ(c[0].frame, 55);
    EXPECT_FLOAT_EQ(c[1].x - c[0].x, 8);
    // A button glyph is measured as one glyph with 2: width (7 + 2) + (7 + 0).
    EXPECT_EQ(app->p_TextWidth(Units({172, 'J', 'a'})), 16);
}

TEST_F(DrawTest, TextLineBreaksAndUndrawnCharacters) {
    app->p_Text(20, 30, String("A\\nB"), 0, 1);
    auto c = Commands(app);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_FLOAT_EQ(c[1].x, 20);
    EXPECT_FLOAT_EQ(c[1].y, 40);
    // A second break goes two lines down from the start, whatever the pen did meanwhile.
    app->p_CLS2D();
    app->p_Text(20, 30, String("AB\\nC\\nD"), 0, 1);
    c = Commands(app);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_FLOAT_EQ(c[3].x, 20);
    EXPECT_FLOAT_EQ(c[3].y, 50);
    // Spaces advance without drawing; code 0 neither draws nor advances.
    app->p_CLS2D();
    app->p_Text(0, 0, Units({'A', 0, ' ', 'B'}), 0, 1);
    c = Commands(app);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_FLOAT_EQ(c[1].x, 14);
}

TEST_F(DrawTest, RotatedTextRunsAlongItsAngle) {
    app->p_SetRot(90);  // stored rotation -90: the baseline runs down the screen
    app->p_Text(100, 100, String("AB"), 0, 1);
    auto c = Commands(app);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_NEAR(c[1].x, 100, 1e-4);
    EXPECT_NEAR(c[1].y, 107, 1e-4);
    EXPECT_EQ(c[0].rot, -90);
}

TEST_F(DrawTest, RightJustifiedNumbers) {
    EXPECT_EQ(app->p_rstr(123, 6, String("0")), String("000123"));
    EXPECT_EQ(app->p_rstr(42, 10, String(" ")), String("        42"));
    EXPECT_EQ(app->p_rstr(1234567, 3, String("0")), String("567"));
    EXPECT_EQ(app->f_i, 4);
    EXPECT_EQ(app->p_rstr(-5, 4, String("0")), String("00-5"));
}

}  // namespace
