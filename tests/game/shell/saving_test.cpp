// The saved state string: a round trip of every entry, and a damaged section falling back alone.
#include "test_host.h"

namespace {

class SavingTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        app->f_options[5] = 1;
        Load(app, String());
    }
    // Loads a state string into `into`; what the loader printed.
    static std::string Load(c_MyApp* into, const String& s) {
        testing::internal::CaptureStdout();
        into->p_LoadString(s);
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(SavingTest, RoundTripReproducesEveryEntry) {
    for (int i = 0; i < 25; ++i) app->f_options[i] = i * 3 - 7;
    app->f_options[10] = 100;
    app->f_options[11] = 90;
    app->f_options[12] = 12;
    app->f_options[14] = 1;
    for (int i = 0; i < 256; i += 7) app->f_flagBits[i] = true;
    app->f_flagBits[31] = true;  // a negative flag word
    for (int i = 0; i < 60; ++i) app->f_scores[i] = 1000000 * (i + 1) + i;
    const String saved = app->p_SaveString();
    EXPECT_TRUE(saved.Contains(String("|-")));
    c_MyApp* other = new c_MyApp();
    EXPECT_EQ(Load(other, saved),
              "Settings Loaded\nBadges Loaded\nHighscore 0 Loaded\nHighscore 1 Loaded\nHighscore 2 Loaded\n");
    EXPECT_EQ(other->p_SaveString(), saved) << "every entry came back";
}

TEST_F(SavingTest, ADamagedSectionFallsBackAlone) {
    app->f_scores[10] = 500;  // difficulty 2, top score
    app->f_scores[0] = 700;
    app->f_flagBits[3] = true;
    std::string s = app->p_SaveString().ToUtf8();
    // The difficulty-2 section starts at field 56; its first field is top[0].
    size_t at = 0;
    for (int i = 0; i < 56; ++i) at = s.find('|', at) + 1;
    ASSERT_EQ(s.compare(at, 4, "500|"), 0);
    s.replace(at, 3, "501");
    c_MyApp* other = new c_MyApp();
    const std::string out = Load(other, String::FromUtf8(s));
    EXPECT_NE(out.find("Highscore 1 Checksum Invalid"), std::string::npos);
    EXPECT_NE(out.find("Highscore 0 Loaded"), std::string::npos);
    EXPECT_EQ(other->f_scores[10], 0);
    EXPECT_EQ(other->f_scores[0], 700);
    EXPECT_TRUE(other->f_flagBits[3]);
}

}  // namespace
