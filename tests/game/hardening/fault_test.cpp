// The faults a player's machine can throw at the game, each through the scenario runner with the
// real data: the game keeps running through seeded random play (or ends cleanly when told to), no
// sanitizer reports, and a state file it had saved is never lost.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim_child.h"
#include "soak_script.h"

namespace {

namespace fs = std::filesystem;
using hardening::RunSim;
using hardening::SimOptions;
using hardening::SimResult;

enum class Damage { Missing, Garbage, Truncated };

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string U32(uint32_t v) {
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// Garbage that gets past the first checks of each reader: a WAV whose header claims gigabytes, a
// PNG header claiming 30000 x 30000 pixels, Ogg pages of noise.
std::string Garbage(const fs::path& file, unsigned salt) {
    std::string noise;
    for (unsigned i = 0, x = salt * 2654435761u + 1; i < 3000; ++i)
        noise += char((x = x * 1103515245u + 12345u) >> 24);
    const std::string ext = file.extension().string();
    if (ext == ".wav")
        return "RIFF" + U32(0xfffffff8u) + "WAVEfmt " + U32(16) + std::string("\1\0\2\0", 4) + U32(44100) +
               U32(176400) + std::string("\4\0\20\0", 4) + "data" + U32(0xfffffff0u) + noise;
    if (ext == ".png")
        return std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x75\x30\0\0\x75\x30\x08\x06\0\0\0", 29) +
               noise;
    if (ext == ".ogg") return "OggS" + noise;
    return noise;
}

class FaultTest : public hardening::HardeningTest {
  protected:
    void SetUp() override {
#if !defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "the fault tests run in the sanitizer build (make test-asan)";
#endif
        SimTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(LinkGameData()) << "no game data and no generator";
        fs::remove(dir / "data");
    }

    // data/ as links to the real files; `damage` decides what becomes of each (null: nothing).
    void MakeData(const std::function<void(const fs::path&, int)>& damage = nullptr) {
        int index = 0;
        for (const auto& e : fs::recursive_directory_iterator(dataSource)) {
            const fs::path to = dir / "data" / fs::relative(e.path(), dataSource);
            if (e.is_directory()) {
                fs::create_directories(to);
                continue;
            }
            fs::create_directories(to.parent_path());
            fs::create_symlink(e.path(), to);
            if (damage) damage(to, index++);
        }
    }

    static void Spoil(const fs::path& file, Damage how, unsigned salt) {
        const fs::path real = fs::read_symlink(file);
        fs::remove(file);
        if (how == Damage::Garbage) WriteFile(file, Garbage(file, salt));
        if (how == Damage::Truncated) {
            const std::string bytes = ReadFile(real);
            WriteFile(file, bytes.substr(0, bytes.size() * (1 + salt % 7) / 9));
        }
    }

    // Random play (no quit controls) plus `extra` script lines; the run must reach its end cleanly.
    SimResult Play(int updates, const std::string& extra = "", SimOptions o = {}) {
        WriteFile(dir / "play.txt", soak_script(7, updates) + extra);
        o.folder = dir.string();
        o.args = {"--updates", std::to_string(updates), "--script", "play.txt", "--dump", "f_mode"};
        SimResult r = RunSim(o);
        EXPECT_EQ(r.Reports(), "");
        return r;
    }
    void ExpectRanToTheEnd(const SimResult& r, int updates) {
        EXPECT_EQ(r.status, 0);
        const auto dumps = r.Dumps();
        ASSERT_FALSE(dumps.empty());
        EXPECT_EQ(dumps.back().rfind("{\"pass\":" + std::to_string(updates - 1) + ",", 0), 0u)
            << dumps.back();
    }

    // A state file written by the game itself (it saves on suspend).
    std::string SaveOnce() {
        const SimResult r = Play(200, "150 suspend\n151 resume\n");
        ExpectRanToTheEnd(r, 200);
        const std::string state = ReadFile(dir / ".zorbinstate");
        EXPECT_GT(state.size(), 100u);
        return state;
    }
    int TempFilesLeft() const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().filename().string().rfind(".zorbinstate.tmp", 0) == 0) ++n;
        return n;
    }
};

TEST_F(FaultTest, WithoutTheDataFolderTheGameStillRuns) {
    ExpectRanToTheEnd(Play(600), 600);
}

// Every image, sound and the music at once in each way, then a third of the files at a time with
// the ways mixed. Each run visits the three image resolutions, so every damaged file is loaded.
TEST_F(FaultTest, DamagedDataFilesKeepTheGameRunning) {
    const std::string sizes = "0 resize 320 240\n100 resize 640 480\n200 resize 1280 960\n";
    for (int run = 0; run < 6; ++run) {
        fs::remove_all(dir / "data");
        MakeData([run](const fs::path& f, int i) {
            if (run < 3) Spoil(f, Damage(run), static_cast<unsigned>(i));
            if (run >= 3 && i % 3 == run - 3) Spoil(f, Damage((i / 3 + run) % 3), static_cast<unsigned>(i));
        });
        SCOPED_TRACE("run " + std::to_string(run));
        ExpectRanToTheEnd(Play(300, sizes), 300);
    }
}

TEST_F(FaultTest, ADamagedOrUnreadableStateFileIsNotFatal) {
    MakeData();
    std::string damaged;
    for (int i = 0; i < 30; ++i) damaged += std::to_string(i * 7) + (i % 9 ? "|" : "|\xff\xfe\xc3|");
    WriteFile(dir / ".zorbinstate", damaged + Garbage("x", 3));
    SimResult r = Play(300);
    ExpectRanToTheEnd(r, 300);
    EXPECT_TRUE(r.Printed("Settings Checksum Invalid"));

    // A folder where the state file belongs: nothing loads, saving fails, the folder stays.
    fs::remove(dir / ".zorbinstate");
    fs::create_directory(dir / ".zorbinstate");
    WriteFile(dir / ".zorbinstate" / "keep", "x");
    ExpectRanToTheEnd(Play(300, "100 suspend\n101 resume\n"), 300);
    EXPECT_EQ(ReadFile(dir / ".zorbinstate" / "keep"), "x");
    EXPECT_EQ(TempFilesLeft(), 0);

    // A name that cannot be opened at all (a link to itself).
    fs::remove_all(dir / ".zorbinstate");
    fs::create_symlink(".zorbinstate", dir / ".zorbinstate");
    ExpectRanToTheEnd(Play(300), 300);
}

// The disk full while saving: writes fail (the file size limit stands in for a full disk) and the
// previous save stays, byte for byte, with no temporary file left behind.
TEST_F(FaultTest, AFullDiskKeepsThePreviousSave) {
    MakeData();
    const std::string saved = SaveOnce();
    SimOptions o;
    o.fileSizeLimit = 0;
    ExpectRanToTheEnd(Play(900, "200 suspend\n201 resume\n700 suspend\n701 resume\n", o), 900);
    EXPECT_EQ(ReadFile(dir / ".zorbinstate"), saved);
    EXPECT_EQ(TempFilesLeft(), 0);
}

TEST_F(FaultTest, AReadOnlyWorkingFolderKeepsThePreviousSave) {
    MakeData();
    const std::string saved = SaveOnce();
    if (std::system("unshare -rm true 2>/dev/null") != 0) GTEST_SKIP() << "no user namespaces to mount in";
    SimOptions o;
    o.wrapper = {"unshare", "-rm", "sh", "-c",
                 "mount --bind . . && mount -o remount,bind,ro . . && cd \"$PWD\" && exec \"$0\" \"$@\""};
    const SimResult r = Play(400, "200 suspend\n201 resume\n", o);
    ExpectRanToTheEnd(r, 400);
    EXPECT_TRUE(r.Printed("Settings Loaded"));
    EXPECT_EQ(ReadFile(dir / ".zorbinstate"), saved);
    EXPECT_EQ(TempFilesLeft(), 0);
}

TEST_F(FaultTest, WithoutAnyAudioOutputTheGameRunsSilently) {
    MakeData();
    SimOptions o;
    o.env = {"ALSOFT_DRIVERS=no-such-driver"};
    const SimResult r = Play(600, "", o);
    ExpectRanToTheEnd(r, 600);
    EXPECT_TRUE(r.Printed("OpenAl error: alcOpenDevice failed"));
}

// The close request while the loader is still at work ends the program at once with status 0,
// and the state file is left as it was.
TEST_F(FaultTest, ClosingTheWindowWhileLoadingEndsCleanly) {
    MakeData();
    const std::string saved = SaveOnce();
    WriteFile(dir / "close.txt", "8 key down 432\n8 key up 432\n");
    SimOptions o;
    o.folder = dir.string();
    o.args = {"--updates", "100", "--script", "close.txt", "--dump", "f_loadStep", "--dump-every", "1"};
    const SimResult r = RunSim(o);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.Reports(), "");
    const auto dumps = r.Dumps();
    ASSERT_FALSE(dumps.empty());
    EXPECT_EQ(dumps.back().rfind("{\"pass\":8,", 0), 0u) << dumps.back();
    EXPECT_EQ(dumps.back().find("\"f_loadStep\":0"), std::string::npos) << "still loading";
    EXPECT_EQ(ReadFile(dir / ".zorbinstate"), saved);
}

// A gamepad that steers and fires, then goes away in the middle of play, twice over.
TEST_F(FaultTest, AGamepadUnpluggedMidGameIsNotMissed) {
    MakeData();
    std::string pad;
    for (int p = 40; p < 1400; p += 200) {
        pad += std::to_string(p) + " joy 0 axis 0 " + (p % 400 ? "0.9" : "-0.9") + "\n";
        pad += std::to_string(p + 5) + " joy 0 button 0 1\n" + std::to_string(p + 60) + " joy 0 button 0 0\n";
        pad += std::to_string(p + 100) + " joy 0 unplug\n";
    }
    ExpectRanToTheEnd(Play(1500, pad), 1500);
}

}  // namespace
