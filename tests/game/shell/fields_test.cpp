// The name table covers every field of the application object and the number-valued globals.
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

#include "framework/random.h"
#include "game/fields.h"
#include "test_host.h"

namespace {

TEST_F(ShellTest, EveryDeclaredFieldIsFound) {
    std::ifstream in(std::string(ZARNOK_SOURCE_DIR) + "/game/myapp.h");
    std::stringstream text;
    text << in.rdbuf();
    const std::string header = text.str();
    // Declarations inside the class: "<type> f_a = ..., f_b = ...;" and "Array<...> f_x;".
    std::set<std::string> declared;
    std::istringstream lines(header);
    for (std::string line; std::getline(lines, line);) {
        const std::string code = line.substr(0, line.find("//"));
        for (size_t at = code.find("f_"); at != std::string::npos; at = code.find("f_", at + 2)) {
            if (at > 0 && code[at - 1] != ' ' && code[at - 1] != ',') continue;
            size_t end = at;
            while (end < code.size() &&
                   (std::isalnum(static_cast<unsigned char>(code[end])) || code[end] == '_'))
                ++end;
            const std::string rest = code.substr(end);
            if (rest.rfind(" = ", 0) == 0 || rest.rfind(";", 0) == 0 || rest.rfind(",", 0) == 0)
                declared.insert(code.substr(at, end - at));
        }
    }
    ASSERT_GT(declared.size(), 100u);
    for (const std::string& name : declared) {
        GameField f;
        EXPECT_TRUE(zarnok_find_field(app, name, &f)) << name;
    }
    GameField f;
    EXPECT_FALSE(zarnok_find_field(app, "f_nothing", &f));
    EXPECT_FALSE(zarnok_find_field(app, "", &f));
}

TEST_F(ShellTest, FieldsPointIntoTheAppAndTheGlobals) {
    GameField f;
    ASSERT_TRUE(zarnok_find_field(app, "f_mode", &f));
    EXPECT_EQ(f.type, GameField::Int);
    EXPECT_EQ(f.ptr, &app->f_mode);
    ASSERT_TRUE(zarnok_find_field(app, "f_baddies", &f));
    EXPECT_EQ(f.type, GameField::FloatArray);
    EXPECT_EQ(static_cast<Array<float>*>(f.ptr)->Length(), 2560);
    ASSERT_TRUE(zarnok_find_field(app, "f_levelText", &f));
    EXPECT_EQ(f.type, GameField::Str);
    ASSERT_TRUE(zarnok_find_field(app, "f_flagBits", &f));
    EXPECT_EQ(f.type, GameField::BoolArray);
    ASSERT_TRUE(zarnok_find_field(app, "f_images", &f));
    EXPECT_EQ(f.type, GameField::ImageArray);
    ASSERT_TRUE(zarnok_find_field(app, "f_sounds", &f));
    EXPECT_EQ(f.type, GameField::SoundArray);
    ASSERT_TRUE(zarnok_find_field(app, "vx_random_Seed", &f));
    EXPECT_EQ(f.type, GameField::Int);
    EXPECT_EQ(f.ptr, &vx_random_Seed);
    ASSERT_TRUE(zarnok_find_field(app, "vx_Zarnok_jscrw", &f));
    EXPECT_EQ(f.type, GameField::Float);
    for (const char* g : {"vx_Zarnok_overscan", "vx_Zarnok_jscrh", "vx_Zarnok_DebugMode", "vx_Zarnok_rawscrw",
                          "vx_Zarnok_rawscrh", "vx_Zarnok_iCadeControls", "vx_Zarnok_HasMusicStream",
                          "vx_Zarnok_OnScreenControls", "vx_Zarnok_AccelerometerControls", "vx_app__devWidth",
                          "vx_app__devHeight", "vx_app__updateRate", "c_Image::m_DefaultFlags"}) {
        EXPECT_TRUE(zarnok_find_field(app, g, &f)) << g;
    }
    // Globals need no app; fields do.
    EXPECT_TRUE(zarnok_find_field(nullptr, "vx_random_Seed", &f));
    EXPECT_FALSE(zarnok_find_field(nullptr, "f_mode", &f));
}

}  // namespace
