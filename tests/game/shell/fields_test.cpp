// The name table covers every field declared in the application object.
#include <cctype>
#include <fstream>
#include <set>

#include "game/fields.h"
#include "test_host.h"

namespace {

TEST_F(ShellTest, EveryDeclaredFieldIsFound) {
    // Declarations inside the class: "<type> f_a = ..., f_b = ...;" and "Array<...> f_x;": every
    // "f_" name that starts a word and is followed by " = ", ";" or ",".
    std::ifstream in(std::string(ZARNOK_SOURCE_DIR) + "/game/myapp.h");
    std::set<std::string> declared;
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (std::string line; std::getline(in, line);) {
        const std::string code = line.substr(0, line.find("//"));
        for (size_t at = code.find("f_"); at != std::string::npos; at = code.find("f_", at + 1)) {
            if (at > 0 && code[at - 1] != ' ' && code[at - 1] != ',') continue;
            size_t end = at;
            while (end < code.size() && word(code[end])) ++end;
            if (code.compare(end, 3, " = ") == 0 || code.compare(end, 1, ";") == 0 ||
                code.compare(end, 1, ",") == 0)
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

}  // namespace
