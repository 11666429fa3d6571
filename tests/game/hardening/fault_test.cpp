// The faults a player's machine can throw at the game, each through the scenario runner with the
// real data: the game keeps running through seeded random play (or ends cleanly when told to), no
// sanitizer reports, and a state file it had saved is never lost.
#include "hardening.h"

namespace {

namespace fs = std::filesystem;
using simtest::SimRun;

enum class Damage { Missing, Garbage, Truncated };

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
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
        HardeningTest::SetUp();
        if (!IsSkipped()) fs::remove(dir / "data");
    }

    // data/ as links to the real files; `damage` decides what becomes of each (null: nothing).
    void MakeData(const std::function<void(const fs::path&, int)>& damage = nullptr) {
        int index = 0;
        for (const auto& e : fs::recursive_directory_iterator(data)) {
            const fs::path to = dir / "data" / fs::relative(e.path(), data);
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

    // Random play (no quit controls) plus `extra` script lines, run to its last update.
    SimRun Play(int updates, const std::string& extra = "", const std::string& env = "") {
        const SimRun r = Run(updates, soak_script(7, updates) + extra, "--dump f_mode", env);
        EXPECT_NE(r.out.find("{\"pass\":" + std::to_string(updates - 1) + ","), std::string::npos)
            << "ended early";
        return r;
    }

    int TempFilesLeft() const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().filename().string().rfind(".zorbinstate.tmp", 0) == 0) ++n;
        return n;
    }
};

TEST_F(FaultTest, WithoutTheDataFolderTheGameStillRuns) {
    Play(600);
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
        Play(300, sizes);
    }
}

TEST_F(FaultTest, ADamagedOrUnreadableStateFileIsNotFatal) {
    MakeData();
    std::string damaged;
    for (int i = 0; i < 30; ++i) damaged += std::to_string(i * 7) + (i % 9 ? "|" : "|\xff\xfe\xc3|");
    WriteFile(dir / ".zorbinstate", damaged + Garbage("x", 3));
    EXPECT_NE(Play(300).out.find("Settings Checksum Invalid"), std::string::npos);

    // A folder where the state file belongs: nothing loads, saving fails, the folder stays.
    fs::remove(dir / ".zorbinstate");
    fs::create_directory(dir / ".zorbinstate");
    WriteFile(dir / ".zorbinstate" / "keep", "x");
    Play(300, "100 suspend\n101 resume\n");
    EXPECT_EQ(ReadFile(dir / ".zorbinstate" / "keep"), "x");
    EXPECT_EQ(TempFilesLeft(), 0);

    // A name that cannot be opened at all (a link to itself).
    fs::remove_all(dir / ".zorbinstate");
    fs::create_symlink(".zorbinstate", dir / ".zorbinstate");
    Play(300);
}

// A state file the game saved itself (on suspend) outlasts a full disk while saving (the file size
// limit stands in for it: writes fail), a read-only working folder, and the close request while
// the loader is still at work, which ends the program at once with status 0. No temporary file is
// left behind.
TEST_F(FaultTest, ThePreviousSaveOutlastsAFullDiskAReadOnlyFolderAndAClosedLoader) {
    MakeData();
    Play(200, "150 suspend\n151 resume\n");
    const std::string saved = ReadFile(dir / ".zorbinstate");
    EXPECT_GT(saved.size(), 100u);

    Play(900, "200 suspend\n201 resume\n700 suspend\n701 resume\n", "trap '' XFSZ; ulimit -f 0;");
    EXPECT_EQ(ReadFile(dir / ".zorbinstate"), saved);
    EXPECT_EQ(TempFilesLeft(), 0);

    Run(100, "8 key down 432; up 432\n9 expect f_mode = -1\n", "");
    EXPECT_EQ(ReadFile(dir / ".zorbinstate"), saved);

    if (std::system("unshare -rm true 2>/dev/null") != 0) GTEST_SKIP() << "no user namespaces to mount in";
    const SimRun r = Play(400, "200 suspend\n201 resume\n",
                          "unshare -rm sh -c 'mount --bind . . && mount -o remount,bind,ro . . && "
                          "cd \"$PWD\" && \"$@\"' sh");
    EXPECT_NE(r.out.find("Settings Loaded"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / ".zorbinstate"), saved);
    EXPECT_EQ(TempFilesLeft(), 0);
}

TEST_F(FaultTest, WithoutAnyAudioOutputTheGameRunsSilently) {
    MakeData();
    const SimRun r = Play(600, "", "ALSOFT_DRIVERS=no-such-driver");
    EXPECT_NE(r.out.find("OpenAl error: alcOpenDevice failed"), std::string::npos);
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
    Play(1500, pad);
}

}  // namespace
