// Strings: conversions, searching, splitting and replacing at their edges, shared representations,
// loading text in every encoding from real files, and the UTF-8 writer.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace {

String U(std::initializer_list<int> units) {
    std::vector<Char> v;
    for (int u : units) v.push_back(static_cast<Char>(u));
    return String(v.data(), static_cast<int>(v.size()));
}

std::vector<int> Units(const String& s) {
    std::vector<int> out;
    for (int i = 0; i < s.Length(); ++i) out.push_back(s[i]);
    return out;
}

std::string Narrow(const String& s) {
    return s.ToCString().c_str();
}

std::vector<std::string> Pieces(const Array<String>& a) {
    std::vector<std::string> out;
    for (int i = 0; i < a.Length(); ++i) out.push_back(Narrow(a[i]));
    return out;
}

// Writes `bytes` to a real temporary file and loads it back from the start.
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

TEST(StringConversion, FloatsUseSeventeenDigitsAndKeepAFractionMark) {
    EXPECT_EQ(Narrow(String(1.0f)), "1.0");
    EXPECT_EQ(Narrow(String(3.0f)), "3.0");
    EXPECT_EQ(Narrow(String(-2.5f)), "-2.5");
    EXPECT_EQ(Narrow(String(0.5f)), "0.5");
    EXPECT_EQ(Narrow(String(0.1f)), "0.10000000149011612");
    EXPECT_EQ(Narrow(String(100000000.0f)), "100000000.0");
    EXPECT_EQ(Narrow(String(0.0f)), "0.0");
    // 17 digits without a point still get ".0"; an exponent form gets nothing appended.
    EXPECT_EQ(Narrow(String(1e16f)), "10000000272564224.0");
    EXPECT_EQ(Narrow(String(1e20f)), "1.0000000200408773e+20");
}

TEST(StringConversion, IntegersBothWays) {
    EXPECT_EQ(Narrow(String(-7)), "-7");
    EXPECT_EQ(Narrow(String(0)), "0");
    EXPECT_EQ(Narrow(String(INT_MIN)), "-2147483648");
    EXPECT_EQ(Narrow(String(INT_MAX)), "2147483647");

    EXPECT_EQ(String("  42abc").ToInt(), 42);
    EXPECT_EQ(String("abc").ToInt(), 0);
    EXPECT_EQ(String("").ToInt(), 0);
    EXPECT_EQ(String("-17").ToInt(), -17);
    EXPECT_EQ(String("+8").ToInt(), 8);
    EXPECT_EQ(String("\t\n 9").ToInt(), 9);
    EXPECT_EQ(String("12 34").ToInt(), 12);
    EXPECT_EQ(String("-2147483648").ToInt(), INT_MIN);
    // Only the first 63 units are read.
    EXPECT_EQ((String(std::string(63, ' ').c_str()) + String("5")).ToInt(), 0);
    EXPECT_EQ((String(std::string(62, ' ').c_str()) + String("5")).ToInt(), 5);
    EXPECT_EQ(String(std::string(63, '1').c_str()).ToInt(), String(std::string(70, '1').c_str()).ToInt());
    // Each unit counts by its low 8 bits: 0x134 0x132 reads as "42".
    EXPECT_EQ(U({0x134, 0x132}).ToInt(), 42);
}

TEST(StringConversion, NarrowTextWidensBytesAsSigned) {
    String s("A\xE9\x7F\x80");
    EXPECT_EQ(Units(s), (std::vector<int>{0x41, 0xFFE9, 0x7F, 0xFF80}));
    EXPECT_EQ(String("").SharedRep(), String::EmptyRep());
    EXPECT_EQ(String(static_cast<const char*>(nullptr)).SharedRep(), String::EmptyRep());
    EXPECT_EQ(U({}).SharedRep(), String::EmptyRep());
    Char c = 'x';
    EXPECT_EQ(String(&c, 0).SharedRep(), String::EmptyRep());
    EXPECT_EQ(Units(String::FromChar(0x20AC)), (std::vector<int>{0x20AC}));
}

TEST(StringConversion, CStringTakesLowBytesAndIsShared) {
    String s = U({0x141, 0x42, 0xE9, 0x20AC});
    String::CString c = s.ToCString();
    EXPECT_EQ(std::string(c.c_str()), std::string("AB\xE9\xAC"));
    String::CString copy = c;
    EXPECT_EQ(copy.c_str(), c.c_str());
    {
        String::CString third(String("other"));
        third = copy;
        EXPECT_EQ(third.c_str(), c.c_str());
    }
    EXPECT_STREQ(c.c_str(), "AB\xE9\xAC");
    EXPECT_STREQ(String().ToCString().c_str(), "");
}

TEST(StringSharing, CopiesShareOneCountedRepresentation) {
    String a("shared text");
    const String::Rep* rep = a.SharedRep();
    EXPECT_EQ(rep->refs, 1);
    {
        String b = a;
        String c;
        c = b;
        EXPECT_EQ(b.SharedRep(), rep);
        EXPECT_EQ(rep->refs, 3);
        c = c;  // self-assignment keeps the count
        EXPECT_EQ(rep->refs, 3);
    }
    // Releasing the copies keeps the text alive (a premature free would trip the sanitizer).
    EXPECT_EQ(rep->refs, 1);
    EXPECT_EQ(Narrow(a), "shared text");

    String moved = std::move(a);
    EXPECT_EQ(moved.SharedRep(), rep);
    EXPECT_EQ(rep->refs, 1);
    EXPECT_TRUE(a.Empty());  // NOLINT(bugprone-use-after-move)

    // Empty strings all use the static representation and never change its count.
    int emptyRefs = String::EmptyRep()->refs;
    {
        String e1, e2("");
        String e3 = e1;
        e2 = e3;
    }
    EXPECT_EQ(String::EmptyRep()->refs, emptyRefs);
}

TEST(StringSharing, EmptyOperandsAndMissesShareInsteadOfCopying) {
    String a("abc"), e;
    EXPECT_EQ((a + e).SharedRep(), a.SharedRep());
    EXPECT_EQ((e + a).SharedRep(), a.SharedRep());
    EXPECT_EQ((e + e).SharedRep(), String::EmptyRep());
    EXPECT_EQ(a.Replace(String("x"), String("y")).SharedRep(), a.SharedRep());
    EXPECT_EQ(a.Split(String(",")).Length(), 1);
    EXPECT_EQ(a.Split(String(","))[0].SharedRep(), a.SharedRep());
    EXPECT_EQ(a.Slice(0).SharedRep(), a.SharedRep());
    EXPECT_EQ(a.Slice(-100, 100).SharedRep(), a.SharedRep());
    EXPECT_EQ(a.ToLower().SharedRep(), a.SharedRep());

    String sum = a + String("de");
    EXPECT_EQ(Narrow(sum), "abcde");
    EXPECT_NE(sum.SharedRep(), a.SharedRep());
    String acc;
    for (int i = 0; i < 3; ++i) acc += String(i);
    EXPECT_EQ(Narrow(acc), "012");
}

TEST(StringCompare, UnitByUnit) {
    EXPECT_TRUE(String("abc") == String("abc"));
    EXPECT_FALSE(String("abc") == String("abcd"));
    EXPECT_FALSE(String("abcd") == String("abc"));
    EXPECT_TRUE(String() == String(""));
    // Units that differ only in their high byte are different.
    EXPECT_FALSE(U({0x141}) == U({0x41}));
    EXPECT_TRUE(String("ab") != String("aB"));
    EXPECT_TRUE(String("ab") < String("abc"));
    EXPECT_TRUE(String("abc") < String("abd"));
    EXPECT_FALSE(String("abd") < String("abc"));
    EXPECT_TRUE(U({0x7F}) < U({0xFF80}));  // unsigned units
}

TEST(StringSearch, FindPrefixSuffixSlice) {
    String s("abcabc");
    EXPECT_EQ(s.Find(String("bc")), 1);
    EXPECT_EQ(s.Find(String("bc"), 2), 4);
    EXPECT_EQ(s.Find(String("bc"), 5), -1);
    EXPECT_EQ(s.Find(String("bc"), -9), 1);  // a negative start counts as 0
    EXPECT_EQ(s.Find(String("abc"), 3), 3);  // a match ending at the last unit
    EXPECT_EQ(s.Find(String("abcabcx")), -1);
    EXPECT_EQ(s.Find(String("c"), 100), -1);
    EXPECT_EQ(s.FindLast(String("ab")), 3);
    EXPECT_EQ(U({0x141, 0x42}).Find(U({0x41})), -1);

    EXPECT_TRUE(s.StartsWith(String("abc")));
    EXPECT_TRUE(s.StartsWith(String()));
    EXPECT_TRUE(s.StartsWith(s));
    EXPECT_FALSE(s.StartsWith(String("abcabca")));
    EXPECT_FALSE(s.StartsWith(String("b")));
    EXPECT_TRUE(s.EndsWith(String("cabc")));
    EXPECT_FALSE(s.EndsWith(String("xabcabc")));

    EXPECT_EQ(Narrow(s.Slice(1, 3)), "bc");
    EXPECT_EQ(Narrow(s.Slice(-2)), "bc");
    EXPECT_EQ(Narrow(s.Slice(-100, 2)), "ab");
    EXPECT_EQ(Narrow(s.Slice(2, -1)), "cab");
    EXPECT_EQ(Narrow(s.Slice(4, 100)), "bc");
    EXPECT_EQ(s.Slice(3, 3).SharedRep(), String::EmptyRep());
    EXPECT_EQ(s.Slice(4, 2).SharedRep(), String::EmptyRep());
    EXPECT_EQ(s.Slice(10, 20).SharedRep(), String::EmptyRep());
    EXPECT_EQ(Narrow(String("MiXeD 9").ToLower()), "mixed 9");
}

TEST(StringSplit, PiecesAtTheEdges) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Pieces(String("a,b,").Split(String(","))), (V{"a", "b", ""}));
    EXPECT_EQ(Pieces(String("a||b").Split(String("|"))), (V{"a", "", "b"}));
    EXPECT_EQ(Pieces(String("|").Split(String("|"))), (V{"", ""}));
    EXPECT_EQ(Pieces(String(",a").Split(String(","))), (V{"", "a"}));
    EXPECT_EQ(Pieces(String("").Split(String(","))), (V{""}));
    EXPECT_EQ(Pieces(String("abc").Split(String(""))), (V{"a", "b", "c"}));
    // Occurrences do not overlap; each search starts after the previous match.
    EXPECT_EQ(Pieces(String("aaa").Split(String("aa"))), (V{"", "a"}));
    EXPECT_EQ(Pieces(String("aaaa").Split(String("aa"))), (V{"", "", ""}));
    EXPECT_EQ(Pieces(String("x<->y<->z").Split(String("<->"))), (V{"x", "y", "z"}));
    EXPECT_EQ(Pieces(String("ab").Split(String("abc"))), (V{"ab"}));

    // The empty text at the empty separator is the shared empty array.
    Array<String> none = String().Split(String());
    EXPECT_EQ(none.Length(), 0);
    EXPECT_TRUE(none.SameAs(Array<String>()));
    // Empty pieces are the shared empty string.
    EXPECT_EQ(String("a||").Split(String("|"))[1].SharedRep(), String::EmptyRep());

    // Many fields, with units above 0xFF passing through untouched.
    String field = U({0x20AC, 'x'});
    String text = field;
    for (int i = 1; i < 100; ++i) text = text + String("|") + field;
    Array<String> parts = text.Split(String("|"));
    ASSERT_EQ(parts.Length(), 100);
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(parts[i] == field) << i;
}

TEST(StringReplace, NonOverlappingLeftToRight) {
    EXPECT_EQ(Narrow(String("aaa").Replace(String("aa"), String("b"))), "ba");
    EXPECT_EQ(Narrow(String("a.b.c").Replace(String("."), String(""))), "abc");
    EXPECT_EQ(Narrow(String("a-b").Replace(String("-"), String("--"))), "a--b");
    EXPECT_EQ(Narrow(String("-a-").Replace(String("-"), String("<>"))), "<>a<>");
    EXPECT_EQ(Narrow(String("abab").Replace(String("ab"), String("ba"))), "baba");
    EXPECT_EQ(String("xx").Replace(String("x"), String()).SharedRep(), String::EmptyRep());
    EXPECT_EQ(Narrow(String("x").Replace(String("x"), String("abc"))), "abc");
}

TEST(StringLoad, EveryEncodingFromAFile) {
    using V = std::vector<int>;
    EXPECT_EQ(Units(LoadBytes("\xEF\xBB\xBF\x41")), (V{0x41}));
    EXPECT_EQ(Units(LoadBytes(std::string("\xFF\xFE\x41\x00\x42\x00", 6))), (V{0x41, 0x42}));
    EXPECT_EQ(Units(LoadBytes(std::string("\xFE\xFF\x00\x41", 4))), (V{0x41}));
    EXPECT_EQ(Units(LoadBytes(std::string("\xFE\xFF\x20\xAC\xD8\x3D", 6))), (V{0x20AC, 0xD83D}));
    EXPECT_EQ(Units(LoadBytes(std::string("\xFF\xFE\xAC\x20\x00", 5))), (V{0x20AC}));  // odd byte dropped
    EXPECT_EQ(LoadBytes("\xFE\xFF").SharedRep(), String::EmptyRep());
    EXPECT_EQ(LoadBytes("\xFF\xFE").SharedRep(), String::EmptyRep());
    EXPECT_EQ(Units(LoadBytes("\xC3\xA9")), (V{0xE9}));
    EXPECT_EQ(Units(LoadBytes("a\xE2\x82\xAC"
                              "b")),
              (V{'a', 0x20AC, 'b'}));
    EXPECT_EQ(Units(LoadBytes("\xED\xA0\xBD")), (V{0xD83D}));  // a lone surrogate, as written
    EXPECT_EQ(Units(LoadBytes(std::string("a\0b", 3))), (V{'a', 0, 'b'}));
    EXPECT_EQ(LoadBytes("").SharedRep(), String::EmptyRep());
    EXPECT_EQ(LoadBytes("\xEF\xBB\xBF").SharedRep(), String::EmptyRep());
    // Loading starts at the file's current position.
    EXPECT_EQ(Units(LoadBytes("XYZ", 1)), (V{'Y', 'Z'}));
}

TEST(StringLoad, InvalidUtf8FallsBackToOneUnitPerByte) {
    using V = std::vector<int>;
    EXPECT_EQ(Units(LoadBytes("\x41\xE9\x42")), (V{0x41, 0xE9, 0x42}));  // Latin-1 e-acute
    EXPECT_EQ(Units(LoadBytes("\xC3\xA9\x80")), (V{0xC3, 0xA9, 0x80}));  // stray continuation
    EXPECT_EQ(Units(LoadBytes("\xC3\x41")), (V{0xC3, 0x41}));            // lead without continuation
    EXPECT_EQ(Units(LoadBytes("\x41\xE2\x82")), (V{0x41, 0xE2, 0x82}));  // cut short at the end
    EXPECT_EQ(Units(LoadBytes("\xE2\x41\x82")), (V{0xE2, 0x41, 0x82}));  // second byte no continuation
    EXPECT_EQ(Units(LoadBytes("\xF0\x9F\x98\x80")), (V{0xF0, 0x9F, 0x98, 0x80}));  // four-byte lead
    EXPECT_EQ(Units(LoadBytes("\xEF\xBB")), (V{0xEF, 0xBB}));                      // too short for a mark
    // The mark is dropped from the fallback as well.
    EXPECT_EQ(Units(LoadBytes("\xEF\xBB\xBF\x41\xE9")), (V{0x41, 0xE9}));
    // A valid start does not stop the fallback from taking the whole text.
    EXPECT_EQ(Units(LoadBytes("\xC3\xA9z\xFF")), (V{0xC3, 0xA9, 'z', 0xFF}));
}

TEST(StringLoad, TextsLongerThanOneReadBlock) {
    // A two-byte sequence straddling the 4096-byte block boundary, then more blocks.
    std::string bytes(4095, 'a');
    bytes += "\xC3\xA9";
    for (int i = 0; i < 3000; ++i) bytes += "\xE2\x82\xAC";
    String s = LoadBytes(bytes);
    ASSERT_EQ(s.Length(), 4095 + 1 + 3000);
    EXPECT_EQ(s[4094], 'a');
    EXPECT_EQ(s[4095], 0xE9);
    EXPECT_EQ(s[4096], 0x20AC);
    EXPECT_EQ(s[s.Length() - 1], 0x20AC);

    // Exactly one block: the second read returns nothing.
    EXPECT_EQ(LoadBytes(std::string(4096, 'q')).Length(), 4096);
    // An invalid byte far behind the first block still turns the whole text into bytes.
    std::string bad = std::string(9000, 'b') + "\xE9";
    String fallback = LoadBytes(bad);
    ASSERT_EQ(fallback.Length(), 9001);
    EXPECT_EQ(fallback[9000], 0xE9);
}

TEST(StringUtf8, WriterEncodesEveryUnitOnItsOwn) {
    EXPECT_EQ(U({0xE9}).ToUtf8(), "\xC3\xA9");
    EXPECT_EQ(U({0x20AC}).ToUtf8(), "\xE2\x82\xAC");
    EXPECT_EQ(U({0x7F, 0x80}).ToUtf8(), "\x7F\xC2\x80");
    EXPECT_EQ(U({0x7FF, 0x800}).ToUtf8(), "\xDF\xBF\xE0\xA0\x80");
    EXPECT_EQ(U({0xFFFF}).ToUtf8(), "\xEF\xBF\xBF");
    // Lone surrogates and pairs alike become three-byte sequences, one per unit.
    EXPECT_EQ(U({0xD800}).ToUtf8(), "\xED\xA0\x80");
    EXPECT_EQ(U({0xDFFF}).ToUtf8(), "\xED\xBF\xBF");
    EXPECT_EQ(U({0xD83D, 0xDE00}).ToUtf8(), "\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(U({0}).ToUtf8(), std::string(1, '\0'));
    EXPECT_EQ(String().ToUtf8(), "");
}

TEST(StringUtf8, EveryUnitSurvivesWriteAndLoad) {
    std::vector<Char> all(65536);
    for (int u = 0; u < 65536; ++u) all[u] = static_cast<Char>(u);
    String text(all.data(), 65536);
    std::string bytes = text.ToUtf8();
    EXPECT_EQ(bytes.size(), 128u + 2u * (0x800 - 0x80) + 3u * (0x10000 - 0x800));
    EXPECT_TRUE(LoadBytes(bytes) == text);
    EXPECT_TRUE(String::FromUtf8(bytes) == text);
    // A byte-order mark in front changes nothing.
    EXPECT_TRUE(LoadBytes("\xEF\xBB\xBF" + bytes) == text);
}
