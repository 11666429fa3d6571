// The saved state string: format, checksums and per-section fallbacks.
#include "test_host.h"

namespace {

class SavingTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        app->f_options[5] = 1;
        testing::internal::CaptureStdout();
        app->p_LoadString(String());
        testing::internal::GetCapturedStdout();
    }
    std::string Load(const String& s) {
        testing::internal::CaptureStdout();
        app->p_LoadString(s);
        return testing::internal::GetCapturedStdout();
    }
};

std::string Zeros(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "0|";
    return s;
}

TEST_F(SavingTest, FreshStateString) {
    const std::string expected =
        "0|0|0|0|0|1|0|0|0|0|64|64|10|0|1|0|0|0|0|0|0|0|0|0|0|1483|" + Zeros(9) + Zeros(63);
    EXPECT_EQ(app->p_SaveString().ToUtf8(), expected);
}

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
    c_MyApp* other = new c_MyApp();
    testing::internal::CaptureStdout();
    other->p_LoadString(saved);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "Settings Loaded\nBadges Loaded\nHighscore 0 Loaded\nHighscore 1 Loaded\nHighscore 2 Loaded\n");
    for (int i = 0; i < 25; ++i) EXPECT_EQ(other->f_options[i], app->f_options[i]) << i;
    for (int i = 0; i < 256; ++i) EXPECT_EQ(other->f_flagBits[i], app->f_flagBits[i]) << i;
    for (int i = 0; i < 60; ++i) EXPECT_EQ(other->f_scores[i], app->f_scores[i]) << i;
    EXPECT_EQ(other->p_SaveString(), saved);
    EXPECT_TRUE(saved.Contains(String("|-")));
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
    testing::internal::CaptureStdout();
    other->p_LoadString(String::FromUtf8(s));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Highscore 1 Checksum Invalid"), std::string::npos);
    EXPECT_NE(out.find("Highscore 0 Loaded"), std::string::npos);
    EXPECT_EQ(other->f_scores[10], 0);
    EXPECT_EQ(other->f_scores[0], 700);
    EXPECT_TRUE(other->f_flagBits[3]);
}

TEST_F(SavingTest, WrongSettingsChecksumResetsOptions) {
    std::string out = Load(String("1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|19|20|21|22|23|24|25|0|"));
    EXPECT_EQ(out, "Settings Checksum Invalid\n");
    EXPECT_EQ(app->f_options[5], 1);
    EXPECT_EQ(app->f_options[0], 0);
    EXPECT_EQ(app->f_options[10], 64);
    EXPECT_EQ(app->f_options[12], 10);
    EXPECT_EQ(app->f_options[14], 1);
    // Exactly 25 parts: no settings; parts 0-8 are read as the badge section.
    out = Load(String("1|0|0|0|0|0|0|0|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0"));
    EXPECT_EQ(out, "Badges Loaded\n");
    EXPECT_TRUE(app->f_flagBits[0]);
}

}  // namespace
