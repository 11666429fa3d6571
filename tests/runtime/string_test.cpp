// Strings: conversions, searching, splitting and replacing at their edges, shared representations,
// loading text in every encoding from real files, and the UTF-8 writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace {

using V = std::vector<int>;

String U(std::initializer_list<int> units) {
    std::vector<Char> v(units.begin(), units.end());
    return String(v.data(), static_cast<int>(v.size()));
}

V Units(const String& s) {
    return V(s.Data(), s.Data() + s.Length());
}

std::string Narrow(const String& s) {
    return s.ToCString().c_str();
}

// Writes `bytes` to a real temporary file and loads it back from offset `skip`.
String LoadBytes(const std::string& bytes, long skip = 0) {
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fseek(f, skip, SEEK_SET);
    String s = String::Load(f);
    std::fclose(f);
    return s;
}

}  // namespace

TEST(String, NumberConversions) {
    // Floats: 17 significant digits, ".0" when no point or exponent shows.
    const std::pair<float, const char*> floats[] = {{1.0f, "1.0"},
                                                    {-2.5f, "-2.5"},
                                                    {0.1f, "0.10000000149011612"},
                                                    {0.0f, "0.0"},
                                                    {1e16f, "10000000272564224.0"},
                                                    {1e20f, "1.0000000200408773e+20"}};
    for (auto [f, text] : floats) EXPECT_EQ(Narrow(String(f)), text);
    EXPECT_EQ(Narrow(String(INT_MIN)), "-2147483648");
    EXPECT_EQ(Narrow(String(0)), "0");

    // Only the first 63 units are read; each unit counts by its low 8 bits (0x134 0x132 reads as "42").
    const std::pair<String, int> ints[] = {{String("  42abc"), 42},
                                           {String("abc"), 0},
                                           {String(""), 0},
                                           {String("-17"), -17},
                                           {String("+8"), 8},
                                           {String("\t\n 9"), 9},
                                           {String("-2147483648"), INT_MIN},
                                           {U({0x134, 0x132}), 42},
                                           {String(std::string(63, ' ').c_str()) + String("5"), 0},
                                           {String(std::string(62, ' ').c_str()) + String("5"), 5}};
    for (const auto& [s, value] : ints) EXPECT_EQ(s.ToInt(), value) << Narrow(s);

    // Narrow text widens bytes as signed; CString takes the low bytes back.
    EXPECT_EQ(Units(String("A\xE9\x7F\x80")), (V{0x41, 0xFFE9, 0x7F, 0xFF80}));
    EXPECT_EQ(Narrow(U({0x141, 0x42, 0xE9, 0x20AC})), "AB\xE9\xAC");
    EXPECT_STREQ(String().ToCString().c_str(), "");
}

TEST(String, SharedRepresentations) {
    String a("abc"), e;
    const String::Rep* rep = a.SharedRep();
    {
        String b = a, c;
        c = b;
        c = c;
        EXPECT_EQ(rep->refs, 3);
    }
    EXPECT_EQ(rep->refs, 1);  // a premature free would trip the sanitizer below
    String moved = std::move(a);
    EXPECT_TRUE(moved.SharedRep() == rep && rep->refs == 1);
    EXPECT_TRUE(a.Empty());  // NOLINT(bugprone-use-after-move)
    a = moved;

    // Empty results all use the static representation, whose count never moves.
    int emptyRefs = String::EmptyRep()->refs;
    for (const String& s : {String(static_cast<const char*>(nullptr)), U({}), e + e, a.Slice(3, 3),
                            a.Slice(2, 1), a.Slice(10, 20), String("xx").Replace(String("x"), String())})
        EXPECT_EQ(s.SharedRep(), String::EmptyRep());
    EXPECT_EQ(String::EmptyRep()->refs, emptyRefs);
}

TEST(String, CompareSearchSlice) {
    EXPECT_TRUE(String() == String(""));
    EXPECT_FALSE(String("abc") == String("abcd") || String("abcd") == String("abc"));
    EXPECT_FALSE(U({0x141}) == U({0x41}));  // units differing in their high byte only
    EXPECT_TRUE(String("ab") < String("abc") && !(String("abd") < String("abc")));
    EXPECT_TRUE(U({0x7F}) < U({0xFF80}));  // unsigned units

    // Start, then the expected position: a negative start counts as 0, no overflow past the text.
    String s("abcabc");
    const std::pair<int, int> finds[] = {{0, 1}, {2, 4}, {5, -1}, {-9, 1}, {INT_MAX - 1, -1}};
    for (auto [from, at] : finds) EXPECT_EQ(s.Find(String("bc"), from), at) << from;
    EXPECT_EQ(s.Find(String("abc"), 3), 3);  // a match ending at the last unit
    EXPECT_EQ(s.Find(String("abcabcx")), -1);
    EXPECT_EQ(s.FindLast(String("ab")), 3);
    EXPECT_EQ(U({0x141, 0x42}).Find(U({0x41})), -1);
    EXPECT_TRUE(s.StartsWith(String()) && s.StartsWith(s) && s.EndsWith(String("cabc")));
    EXPECT_FALSE(s.StartsWith(String("abcabca")) || s.StartsWith(String("b")));
    EXPECT_FALSE(s.EndsWith(String("xabcabc")));

    const std::pair<std::pair<int, int>, const char*> slices[] = {
        {{1, 3}, "bc"}, {{-2, INT_MAX}, "bc"}, {{-100, 2}, "ab"}, {{2, -1}, "cab"}, {{4, 100}, "bc"}};
    for (auto [range, text] : slices) EXPECT_EQ(Narrow(s.Slice(range.first, range.second)), text);
    EXPECT_EQ(Narrow(String("MiXeD 9").ToLower()), "mixed 9");
}

TEST(String, SplitAndReplace) {
    // Text, separator, the pieces joined by "/". Occurrences do not overlap; each search starts
    // after the previous match.
    const char* splits[][3] = {{"a,b,", ",", "a/b/"}, {"a||b", "|", "a//b"},         {"|", "|", "/"},
                               {"", ",", ""},         {"abc", "", "a/b/c"},          {"aaa", "aa", "/a"},
                               {"aaaa", "aa", "//"},  {"x<->y<->z", "<->", "x/y/z"}, {"ab", "abc", "ab"}};
    for (auto [text, sep, pieces] : splits) {
        Array<String> parts = String(text).Split(String(sep));
        std::string got;
        for (int i = 0; i < parts.Length(); ++i) got += (i ? "/" : "") + Narrow(parts[i]);
        EXPECT_EQ(got, pieces) << text << " at " << sep;
        EXPECT_EQ(parts.Length(), 1 + static_cast<int>(std::count(pieces, pieces + strlen(pieces), '/')));
    }
    // The empty text at the empty separator is the shared empty array; empty pieces the empty string.
    EXPECT_TRUE(String().Split(String()).SameAs(Array<String>()));
    EXPECT_EQ(String("a||").Split(String("|"))[1].SharedRep(), String::EmptyRep());

    const char* replaces[][4] = {{"aaa", "aa", "b", "ba"},     {"a.b.c", ".", "", "abc"},
                                 {"a-b", "-", "--", "a--b"},   {"-a-", "-", "<>", "<>a<>"},
                                 {"abab", "ab", "ba", "baba"}, {"x", "x", "abc", "abc"},
                                 {"ab", "", "x", "ab"}};  // nothing to replace at the empty text
    for (const auto& [text, find, with, result] : replaces)
        EXPECT_EQ(Narrow(String(text).Replace(String(find), String(with))), result) << text;
}

TEST(String, LoadEveryEncodingFromAFile) {
    const std::pair<std::string, V> cases[] = {
        // UTF-8 with and without the mark; units above 7FF; a lone surrogate as written; NUL.
        {"\xEF\xBB\xBF\x41", {0x41}},
        {"a\xE2\x82\xAC", {'a', 0x20AC}},
        {"\xED\xA0\xBD", {0xD83D}},
        {std::string({'a', 0, 'b'}), {'a', 0, 'b'}},
        {"\xEF\xBB\xBF", {}},
        // UTF-16 of either byte order; an odd last byte is dropped.
        {std::string({'\xFF', '\xFE', 'A', 0, 'B', 0}), {0x41, 0x42}},
        {std::string({'\xFE', '\xFF', 0, 'A'}), {0x41}},
        {"\xFE\xFF\x20\xAC\xD8\x3D", {0x20AC, 0xD83D}},
        {std::string({'\xFF', '\xFE', '\xAC', ' ', 0}), {0x20AC}},
        {"\xFF\xFE", {}},
        // Invalid UTF-8: one unit per byte, for the whole text (the mark still dropped).
        {"\x41\xE9\x42", {0x41, 0xE9, 0x42}},
        {"\xC3\xA9\x80", {0xC3, 0xA9, 0x80}},            // stray continuation
        {"\xC3\x41", {0xC3, 0x41}},                      // lead without continuation
        {"\x41\xE2\x82", {0x41, 0xE2, 0x82}},            // cut short at the end
        {"\xF0\x9F\x98\x80", {0xF0, 0x9F, 0x98, 0x80}},  // four-byte lead
        {"\xEF\xBB", {0xEF, 0xBB}},                      // too short for a mark
    };
    for (const auto& [bytes, units] : cases) {
        String s = LoadBytes(bytes);
        EXPECT_EQ(Units(s), units) << testing::PrintToString(bytes);
        if (units.empty()) {
            EXPECT_EQ(s.SharedRep(), String::EmptyRep());
        }
    }
    EXPECT_EQ(Units(LoadBytes("XYZ", 1)), (V{'Y', 'Z'}));  // from the file's current position

    // A two-byte sequence straddling the 4096-byte read block, then more blocks.
    std::string bytes = std::string(4095, 'a') + "\xC3\xA9";
    for (int i = 0; i < 3000; ++i) bytes += "\xE2\x82\xAC";
    String s = LoadBytes(bytes);
    ASSERT_EQ(s.Length(), 4095 + 1 + 3000);
    EXPECT_EQ(V(s.Data() + 4094, s.Data() + 4097), (V{'a', 0xE9, 0x20AC}));
    EXPECT_EQ(s[s.Length() - 1], 0x20AC);
    // An invalid byte far behind the first block still turns the whole text into bytes.
    String fallback = LoadBytes(std::string(9000, 'b') + "\xE9");
    ASSERT_EQ(fallback.Length(), 9001);
    EXPECT_EQ(fallback[9000], 0xE9);
}

TEST(String, Utf8WriterEncodesEveryUnitOnItsOwn) {
    EXPECT_EQ(U({0x7F, 0x80}).ToUtf8(), "\x7F\xC2\x80");
    EXPECT_EQ(U({0x7FF, 0x800}).ToUtf8(), "\xDF\xBF\xE0\xA0\x80");
    // Lone surrogates and pairs alike become three-byte sequences, one per unit.
    EXPECT_EQ(U({0xD800}).ToUtf8(), "\xED\xA0\x80");
    EXPECT_EQ(U({0xD83D, 0xDE00}).ToUtf8(), "\xED\xA0\xBD\xED\xB8\x80");

    // Every unit survives writing and loading, with or without a mark in front.
    std::vector<Char> all(65536);
    for (int u = 0; u < 65536; ++u) all[u] = static_cast<Char>(u);
    String text(all.data(), 65536);
    std::string utf8 = text.ToUtf8();
    EXPECT_EQ(utf8.size(), 128u + 2u * (0x800 - 0x80) + 3u * (0x10000 - 0x800));
    EXPECT_TRUE(LoadBytes(utf8) == text);
    EXPECT_TRUE(LoadBytes("\xEF\xBB\xBF" + utf8) == text);
}
