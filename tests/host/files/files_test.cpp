// Paths, files and the state file, on real files in a private folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "host/files.h"
#include "host/vxgame.h"

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

String E9() {
    return String(u"\u00e9", 1);
}

// Each test runs in a folder of its own, which is the working directory, as for the game.
class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zarnok-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        ASSERT_NE(getcwd(old, sizeof old), nullptr);
        ASSERT_EQ(chdir(folder.c_str()), 0);
        ASSERT_EQ(mkdir("data", 0777), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(old), 0);
        std::system(("rm -rf " + folder).c_str());
    }
    std::string folder;
    char old[4096];
    VxGlfwGame game;  // no window needed for files
};

TEST(Paths, DataPathsAndLogicalAreas) {
    // Each row: a name, what vx_data_FixDataPath makes of it, and what PathToFilePath makes of that
    // ("-" for nothing).
    std::istringstream table(
        "player.png zorbin://data/player.png ./data/player.png  c:/games/x.png c:/games/x.png c:/games/x.png "
        "a/b:/c.png zorbin://data/a/b:/c.png ./data/a/b:/c.png  /abs/x.png /abs/x.png /abs/x.png "
        "./rel/x ./rel/x ./rel/x  zorbin://internal/x zorbin://internal/x ./internal/x "
        "zorbin://external/y zorbin://external/y ./external/y  zorbin://other/z zorbin://other/z -");
    VxGlfwGame game;
    for (std::string name, fixed, file; table >> name >> fixed >> file;) {
        EXPECT_EQ(vx_data_FixDataPath(String(name.c_str())), String(fixed.c_str())) << name;
        EXPECT_EQ(game.PathToFilePath(String(fixed.c_str())), String(file == "-" ? "" : file.c_str()))
            << fixed;
    }
    EXPECT_EQ(game.PathToFilePath(String("zorbin:foo")), String());
    EXPECT_EQ(game.OpenFile(String("zorbin:foo"), String("rb")), nullptr);
}

TEST_F(FilesTest, StateFileBytesAndAFolderGone) {
    EXPECT_EQ(game.LoadState(), String());  // none saved yet
    EXPECT_EQ(game.SaveState(String()), 0);
    EXPECT_TRUE(Exists(".zorbinstate"));
    EXPECT_EQ(ReadBytes(".zorbinstate"), "");
    EXPECT_EQ(game.SaveState(E9()), 0);
    EXPECT_EQ(ReadBytes(".zorbinstate"), "\xC3\xA9");
    EXPECT_EQ(game.LoadState(), E9());
    // A long state, then a short one: each save replaces the whole file.
    EXPECT_EQ(game.SaveState(String(std::string(5000, '7').c_str())), 0);
    EXPECT_EQ(game.SaveState(String("1|2|3")), 0);
    EXPECT_EQ(ReadBytes(".zorbinstate"), "1|2|3");
    // Written by something else as UTF-16: accepted on load.
    WriteBytes(".zorbinstate", std::string("\xFF\xFE\x41\x00", 4));
    EXPECT_EQ(game.LoadState(), String("A"));
    // A folder that has gone away fails the save and loads nothing. (A save failing part way, as on a
    // full disk, and the temporary files saves leave behind are fault tests of the game.)
    ASSERT_EQ(std::system(("rm -rf " + folder).c_str()), 0);
    EXPECT_EQ(game.SaveState(String("1")), -1);
    EXPECT_EQ(game.LoadState(), String());
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
}

TEST_F(FilesTest, LoadStringAndLoadData) {
    // The file's name reaches the file system as UTF-8; a leading byte-order mark is dropped.
    WriteBytes("data/caf\xC3\xA9.txt", "\xEF\xBB\xBFhi \xC3\xA9");
    EXPECT_EQ(game.LoadString(String("zorbin://data/caf") + E9() + String(".txt")), String("hi ") + E9());
    EXPECT_EQ(game.LoadString(String("zorbin://data/none.txt")), String());

    std::string bytes;
    for (int i = 0; i < 10000; ++i) bytes.push_back(static_cast<char>(i * 7));
    WriteBytes("data/blob.bin", bytes);
    int before = gc_ext_new_bytes.load(), length = -1;
    unsigned char* data = game.LoadData(String("zorbin://data/blob.bin"), &length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), length), bytes);
    EXPECT_EQ(gc_ext_new_bytes.load() - before, 10000);
    std::free(data);
    length = 42;
    EXPECT_EQ(game.LoadData(String("zorbin://data/none.bin"), &length), nullptr);
    EXPECT_EQ(length, 42);
}

// A date array of any length takes the entries that fit (year, month, ..., 0 for the last).
TEST(GetDate, FillsOnlyTheEntriesThereAre) {
    Array<int> date(8), three(3);
    date[7] = -5;
    VxGame().GetDate(date);
    VxGame().GetDate(three);
    EXPECT_TRUE(date[0] >= 2024 && three[0] >= 2024 && date[6] == 0 && date[7] == -5);
}

TEST_F(FilesTest, OpenUrlPassesTheUrlAsOneArgumentWithoutAShell) {
    // A stand-in opener that records its arguments.
    WriteBytes("xdg-open",
               "#!/bin/sh\nd=\"$(dirname \"$0\")\"\nprintf '%s\\n' \"$#\" \"$@\" > \"$d/args.tmp\"\n"
               "mv \"$d/args.tmp\" \"$d/args\"\n");
    ASSERT_EQ(chmod("xdg-open", 0755), 0);
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (folder + ":" + oldPath).c_str(), 1);
    std::string url = "https://example.test/a b?x=1&y=$(touch pwned);touch pwned2";
    game.OpenUrl(String(url.c_str()));
    setenv("PATH", oldPath.c_str(), 1);
    for (int i = 0; i < 1000 && !Exists("args"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadBytes("args"), "1\n" + url + "\n");
    EXPECT_FALSE(Exists("pwned") || Exists("pwned2"));
}

}  // namespace
