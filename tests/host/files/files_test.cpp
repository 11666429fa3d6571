// Paths, files and the state file, on real files in a private folder.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/files.h"
#include "host/vxgame.h"

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The number of entries in a folder: a save must not leave temporary files behind.
int EntriesIn(const std::string& folder) {
    int n = 0;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir)) n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
        closedir(dir);
    }
    return n;
}

String Units(std::initializer_list<Char> units) {
    return String(std::data(units), static_cast<int>(units.size()));
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
    }
    void TearDown() override {
        ASSERT_EQ(chdir(old), 0);
        std::system(("rm -rf " + folder).c_str());
    }
    std::string folder;
    char old[4096];
    VxGlfwGame game;  // no window needed for files
};

TEST(FixDataPath, NamesBecomeDataPathsUnlessTheyCarryAPrefix) {
    EXPECT_EQ(vx_data_FixDataPath(String("player.png")), String("zorbin://data/player.png"));
    EXPECT_EQ(vx_data_FixDataPath(String("c:/games/x.png")), String("c:/games/x.png"));
    EXPECT_EQ(vx_data_FixDataPath(String("zorbin://data/x.png")), String("zorbin://data/x.png"));
    EXPECT_EQ(vx_data_FixDataPath(String("a/b:/c.png")), String("zorbin://data/a/b:/c.png"));
    EXPECT_EQ(vx_data_FixDataPath(String("/abs/x.png")), String("/abs/x.png"));
    EXPECT_EQ(vx_data_FixDataPath(String("./rel/x.png")), String("./rel/x.png"));
    EXPECT_EQ(vx_data_FixDataPath(String("sfx/001.wav")), String("zorbin://data/sfx/001.wav"));
}

TEST(PathToFilePath, LogicalAreasMapToFolders) {
    VxGlfwGame game;
    EXPECT_EQ(game.PathToFilePath(String("zorbin://data/")), String("./data/"));
    EXPECT_EQ(game.PathToFilePath(String("zorbin://data/a/b.png")), String("./data/a/b.png"));
    EXPECT_EQ(game.PathToFilePath(String("zorbin://internal/x")), String("./internal/x"));
    EXPECT_EQ(game.PathToFilePath(String("zorbin://external/y")), String("./external/y"));
    EXPECT_EQ(game.PathToFilePath(String("zorbin:foo")), String());
    EXPECT_EQ(game.PathToFilePath(String("zorbin://other/z")), String());
    EXPECT_EQ(game.PathToFilePath(String("plain/name")), String("plain/name"));
    EXPECT_EQ(game.OpenFile(String("zorbin:foo"), String("rb")), nullptr);
    VxGame base;
    EXPECT_EQ(base.PathToFilePath(String("zorbin://data/x")), String("zorbin://data/x"));
}

TEST_F(FilesTest, OpenFileTakesTheNameAsUtf8) {
    ASSERT_EQ(mkdir("data", 0777), 0);
    WriteBytes("data/caf\xC3\xA9.txt", "x");
    FILE* f = game.OpenFile(String("zorbin://data/caf") + Units({0xE9}) + String(".txt"), String("rb"));
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(game.OpenFile(String("zorbin://data/missing"), String("rb")), nullptr);
}

TEST_F(FilesTest, StateFileBytes) {
    EXPECT_EQ(game.LoadState(), String());  // none saved yet

    EXPECT_EQ(game.SaveState(String()), 0);
    ASSERT_TRUE(Exists(".zorbinstate"));
    EXPECT_EQ(ReadBytes(".zorbinstate"), "");
    EXPECT_EQ(game.LoadState(), String());

    EXPECT_EQ(game.SaveState(Units({0xE9})), 0);
    EXPECT_EQ(ReadBytes(".zorbinstate"), "\xC3\xA9");
    EXPECT_EQ(game.LoadState(), Units({0xE9}));

    // A long state, then a short one: each save replaces the whole file.
    std::string many(5000, '7');
    EXPECT_EQ(game.SaveState(String(many.c_str())), 0);
    EXPECT_EQ(game.SaveState(String("1|2|3")), 0);
    EXPECT_EQ(ReadBytes(".zorbinstate"), "1|2|3");
    EXPECT_EQ(EntriesIn("."), 1);

    // Written by something else as UTF-16: accepted on load.
    WriteBytes(".zorbinstate", std::string("\xFF\xFE\x41\x00", 4));
    EXPECT_EQ(game.LoadState(), String("A"));
}

TEST_F(FilesTest, AFailedSaveKeepsThePreviousState) {
    ASSERT_EQ(game.SaveState(String("10|20|30")), 0);

    // The disk "fills up" after 4 bytes: the write fails part way.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = game.SaveState(String("99|99|99|99|99|99"));
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, -2);
    EXPECT_EQ(ReadBytes(".zorbinstate"), "10|20|30");
    EXPECT_EQ(game.LoadState(), String("10|20|30"));
    EXPECT_EQ(EntriesIn("."), 1);  // no temporary file left behind
}

TEST_F(FilesTest, SavingIntoAVanishedFolderReportsMinusOne) {
    ASSERT_EQ(rmdir(folder.c_str()), 0);
    EXPECT_EQ(game.SaveState(String("1")), -1);
    EXPECT_EQ(game.LoadState(), String());
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
}

TEST_F(FilesTest, LoadStringAndLoadData) {
    ASSERT_EQ(mkdir("data", 0777), 0);
    WriteBytes("data/text.txt", "\xEF\xBB\xBFhi \xC3\xA9");
    EXPECT_EQ(game.LoadString(String("zorbin://data/text.txt")), String("hi ") + Units({0xE9}));
    EXPECT_EQ(game.LoadString(String("zorbin://data/none.txt")), String());

    std::string bytes;
    for (int i = 0; i < 10000; ++i) bytes.push_back(static_cast<char>(i * 7));
    WriteBytes("data/blob.bin", bytes);
    int before = gc_ext_new_bytes.load();
    int length = -1;
    unsigned char* data = game.LoadData(String("zorbin://data/blob.bin"), &length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(length, 10000);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 10000), bytes);
    EXPECT_EQ(gc_ext_new_bytes.load() - before, 10000);
    std::free(data);

    WriteBytes("data/empty.bin", "");
    data = game.LoadData(String("zorbin://data/empty.bin"), &length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(length, 0);
    std::free(data);

    length = 42;
    EXPECT_EQ(game.LoadData(String("zorbin://data/none.bin"), &length), nullptr);
    EXPECT_EQ(length, 42);
}

TEST(GetDate, FillsOnlyTheEntriesThereAre) {
    VxGame game;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);

    Array<int> three(3);
    game.GetDate(three);
    EXPECT_EQ(three[0], local.tm_year + 1900);
    EXPECT_EQ(three[1], local.tm_mon + 1);
    EXPECT_EQ(three[2], local.tm_mday);

    Array<int> ten(10);
    for (int i = 0; i < 10; ++i) ten[i] = -5;
    game.GetDate(ten);
    EXPECT_GE(ten[3], 0);
    EXPECT_LE(ten[3], 23);
    EXPECT_EQ(ten[6], 0);
    EXPECT_EQ(ten[7], -5);
    EXPECT_EQ(ten[9], -5);
}

TEST_F(FilesTest, OpenUrlPassesTheUrlAsOneArgumentWithoutAShell) {
    // A stand-in opener that records its arguments.
    WriteBytes("xdg-open",
               "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$(dirname \"$0\")/args.tmp\"\n"
               "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args\"\n");
    ASSERT_EQ(chmod("xdg-open", 0755), 0);
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (folder + ":" + oldPath).c_str(), 1);
    std::string url = "https://example.test/a b?x=1&y=$(touch pwned);touch pwned2";
    game.OpenUrl(String(url.c_str()));
    setenv("PATH", oldPath.c_str(), 1);
    for (int i = 0; i < 500 && !Exists("args"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadBytes("args"), "1\n" + url + "\n");
    EXPECT_FALSE(Exists("pwned"));
    EXPECT_FALSE(Exists("pwned2"));
}

}  // namespace
