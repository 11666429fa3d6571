// Channels, sources and buffers, the audio module on top, and the mix they make: OpenAL Soft's
// "wave" driver writes the mix to a file that the tests read back, and its device grants only four
// sources. How the program ends: normally with nothing on standard error (the sound device is closed
// at exit), after a fault with the device left alone. (Running without a device is a fault test of
// the game.)
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <numeric>
#include <set>

#include "audio_test_util.h"
#include "framework/audio.h"
#include "host/vxgame.h"
#include "native/gxtk_audio.h"
#include "tests/runtime/gc_test_util.h"

using namespace audiotest;

namespace {

const std::string kMixFile = ConfigureOpenAL("wave", "sources=4");

class Audio : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Asset names resolve against ./data/ in the working directory: use a folder of our own there.
        assetDir = "audio-test-" + std::to_string(getpid());
        dir = "data/" + assetDir;
        const std::string sox = "mkdir -p " + dir + " && cd " + dir + " && sox -n ";
        // Mono at half the output rate, in 16 and 8 bits; mono and stereo at the output rate.
        ASSERT_EQ(Shell(sox + "-r 22050 -c 1 -b 16 blip.wav synth 0.05 sine 900"), 0);
        ASSERT_EQ(Shell(sox + "-r 22050 -c 1 -b 8 loop.wav synth 0.1 sine 500"), 0);
        ASSERT_EQ(Shell(sox + "-r 22050 -c 1 -b 16 tone.wav synth 0.2 sine 1000 vol 0.5"), 0);
        ASSERT_EQ(Shell(sox + "-r 44100 -c 1 -b 16 long.wav synth 0.4 sine 700 vol 0.5"), 0);
        ASSERT_EQ(Shell(sox + "-r 44100 -c 2 -b 16 music.wav synth 0.5 sine 300 && oggenc -Q music.wav"), 0);
        new VxGlfwGame();  // the real host loads the sounds
    }
    static void TearDownTestSuite() {
        Shell("rm -rf " + dir);
        Shell("rmdir data 2>/dev/null");
    }

    void SetUp() override { Open(); }
    void TearDown() override { gxtkAudio::CloseDevice(); }

    void Open() {
        audio = new gxtkAudio();
        ASSERT_NE(audio->alDevice, nullptr);
        vx_audio_SetAudioDevice(audio);
        blip = Load("blip.wav");
        loop = Load("loop.wav");
        tone = Load("tone.wav");  // 0.2 s
        longTone = Load("long.wav");
        ASSERT_TRUE(blip && loop && tone && longTone);
        Sleep(0.05);  // let the driver start writing before anything sounds
    }
    gxtkSample* Load(const std::string& name) {
        return audio->LoadSample(String((dir + "/" + name).c_str()));
    }
    Mix Finish() {
        gxtkAudio::CloseDevice();  // the driver completes the file on close
        return ReadMix(kMixFile);
    }
    bool WaitStopped(int channel) {
        return Await([&] { return audio->ChannelState(channel) == 0; });
    }
    ALuint Source(int channel) { return audio->channels[channel].source; }
    ALint SourceState(int channel) {
        ALint state = 0;
        alGetSourcei(Source(channel), AL_SOURCE_STATE, &state);
        return state;
    }

    inline static std::string assetDir;
    inline static std::string dir;
    gxtkAudio* audio = nullptr;
    gxtkSample *blip = nullptr, *loop = nullptr, *tone = nullptr, *longTone = nullptr;
};

}  // namespace

TEST_F(Audio, FreshChannelTakesTheLowestStoppedEffectSourceNeverTheMusicOne) {
    const ALuint music = Source(32);
    ASSERT_NE(music, 0u);  // made at construction

    for (int c = 0; c < 3; ++c) ASSERT_EQ(audio->PlaySample(loop, c, 1), 0);
    const ALuint s0 = Source(0), s1 = Source(1), s2 = Source(2);
    EXPECT_EQ(4u, std::set<ALuint>({s0, s1, s2, music}).size());

    // All four sources in use and every effect channel playing: nothing to take.
    EXPECT_EQ(audio->PlaySample(blip, 3, 0), -1);
    EXPECT_EQ(Source(3), 0u);
    EXPECT_EQ(audio->ChannelState(3), 0);

    audio->StopChannel(2);
    audio->StopChannel(0);
    EXPECT_EQ(audio->PlaySample(blip, 3, 0), 0);
    EXPECT_EQ(Source(3), s0);  // the lowest stopped channel gives its source up
    EXPECT_EQ(Source(0), 0u);
    EXPECT_EQ(Source(2), s2);

    // A sample that ended by itself leaves its channel stopped too.
    ASSERT_TRUE(Await([&] { return SourceState(3) == AL_STOPPED; }));
    EXPECT_EQ(audio->PlaySample(loop, 5, 1), 0);
    EXPECT_EQ(Source(5), s2);  // channel 2 comes before channel 3
    EXPECT_EQ(audio->PlaySample(loop, 6, 1), 0);
    EXPECT_EQ(Source(6), s0);
    EXPECT_EQ(Source(3), 0u);

    // With the music stopped, its channel still keeps its source.
    audio->StopMusic();
    EXPECT_EQ(audio->PlaySample(loop, 7, 1), -1);
    EXPECT_EQ(Source(32), music);
    audio->SetVolume(8, 0.5f);  // no source to be had: harmless
    EXPECT_EQ(audio->ChannelState(8), 0);
}

// (Missing and damaged sounds are fault tests of the game, which also hears its sounds played.)
TEST_F(Audio, AudioModuleLeavesNoLoopingBehindAndStopsMissingMusic) {
    c_Sound* sound = vx_audio_LoadSound(String((assetDir + "/blip.wav").c_str()));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(vx_audio_PlaySound((new c_Sound())->m_new(nullptr), 3, 0), 0);
    // A looped sample leaves no looping behind for the next one.
    vx_audio_PlaySound(sound, 5, 1);
    audio->PlaySample(loop, 5, 0);
    ALint looping = -1;
    alGetSourcei(Source(5), AL_LOOPING, &looping);
    EXPECT_EQ(looping, AL_FALSE);
    EXPECT_EQ(vx_audio_PlayMusic(String((assetDir + "/music.ogg").c_str()), 1), 0);
    EXPECT_EQ(audio->MusicState(), 1);
    EXPECT_EQ(vx_audio_PlayMusic(String("no-such-music.ogg"), 1), -1);
    EXPECT_EQ(audio->MusicState(), 0);
}

namespace {
gxtkAudio* rootAudio = nullptr;

int CollectCountingDiscards() {
    testing::internal::CaptureStdout();
    gc_full_now();
    gc_full_now();
    gc_destroy_pending();
    std::string out = testing::internal::GetCapturedStdout();
    int n = 0;
    for (size_t at = out.find("Discarding sample"); at != std::string::npos;
         at = out.find("Discarding sample", at + 1))
        ++n;
    return n;
}
}  // namespace

// A sample the game no longer holds lives while its channel plays it, and is collected (its
// buffer discarded) once the channel has stopped. A discarded buffer goes once no source holds it.
TEST_F(Audio, PlayingSamplesStayAliveAndDiscardedBuffersGoOnceNoSourceHoldsThem) {
    gc_clear_roots();
    rootAudio = audio;
    gc_add_root(rootAudio);
    CollectCountingDiscards();  // whatever earlier tests left behind

    gxtkSample* dropped = Load("loop.wav");
    ALuint buffer = dropped->buffer;
    audio->PlaySample(dropped, 0, 1);
    audio->PlaySample(Load("blip.wav"), 1, 1);
    audio->PauseChannel(1);  // paused counts as in use
    Load("blip.wav");        // never played
    EXPECT_EQ(CollectCountingDiscards(), 1);
    EXPECT_EQ(dropped->buffer, buffer);

    audio->StopChannel(0);
    audio->StopChannel(1);
    EXPECT_EQ(CollectCountingDiscards(), 2);
    gxtkSample* next = Load("long.wav");  // (loaded first: a later load could reuse the name)
    audio->PlaySample(next, 0, 0);        // the stopped source lets go of the old buffer
    audio->PlaySample(next, 2, 0);        // and this flush deletes it
    EXPECT_FALSE(alIsBuffer(buffer));

    // Discarded while it plays, a buffer stays until its sources have ended by themselves.
    const ALuint played = next->buffer;
    next->Discard();
    gxtkSample* other = Load("blip.wav");  // a flush
    EXPECT_TRUE(alIsBuffer(played));
    ASSERT_TRUE(Await([&] { return SourceState(0) == AL_STOPPED && SourceState(2) == AL_STOPPED; }));
    audio->PlaySample(other, 1, 0);  // flushes: the finished sources let go, the buffer goes
    EXPECT_FALSE(alIsBuffer(played));
    gc_clear_roots();
    rootAudio = nullptr;
}

// Rate 2 halves the duration (set before anything played: the channel's source is made for it); a
// sample at volume 0 adds nothing to the mix. The pan is an angle: a right angle puts the sound on
// the right, minus one on the left.
TEST_F(Audio, ASampleSoundsForItsLengthOverItsRateOnItsSideAndEnds) {
    for (float rate : {1.0f, 2.0f}) {
        if (rate > 1) Open();
        const bool right = rate == 1;
        audio->SetRate(3, rate);
        audio->SetPan(3, right ? 1.5707964f : -1.5707964f);
        EXPECT_EQ(audio->PlaySample(tone, 3, 0), 0);
        EXPECT_EQ(audio->ChannelState(3), 1);
        EXPECT_TRUE(WaitStopped(3));  // noticed on asking
        // Once finished, pausing and resuming do nothing.
        audio->PauseChannel(3);
        audio->ResumeChannel(3);
        EXPECT_EQ(SourceState(3), AL_STOPPED);
        audio->SetVolume(5, 0.0f);
        audio->PlaySample(longTone, 5, 0);
        EXPECT_TRUE(WaitStopped(5));
        Mix mix = Finish();
        EXPECT_NEAR(mix.ActiveSeconds(), 0.2 / rate, 0.025) << rate;
        auto energy = [](const std::vector<float>& c) {
            return std::inner_product(c.begin(), c.end(), c.begin(), 0.0);
        };
        EXPECT_GT(energy(right ? mix.right : mix.left), 20 * energy(right ? mix.left : mix.right));
    }
}

// A channel paused by the game, then the whole device suspended: each holds the sound for a second
// and the mix shows both silences. The driver mixes in real time and, when its thread has been kept
// waiting, catches up with the state the sources have then: a silence shows only for as much of a
// hold as it was let run, so the holds last a second to leave clear gaps on a busy machine.
TEST_F(Audio, PauseAndSuspendHoldTheSoundAndResumeContinues) {
    audio->PlaySample(longTone, 0, 0);
    Sleep(0.15);
    audio->PauseChannel(0);
    EXPECT_EQ(audio->ChannelState(0), 2);
    Sleep(1.0);
    audio->ResumeChannel(0);
    EXPECT_EQ(audio->ChannelState(0), 1);
    // Started at once, so that no silence falls between the two holds.
    audio->PlaySample(tone, 1, 1);  // looped: sounds on until suspended
    audio->PlaySample(tone, 2, 1);
    audio->SetVolume(2, 0.0f);
    audio->PauseChannel(2);  // paused by the game
    Sleep(0.3);
    EXPECT_TRUE(WaitStopped(0));  // the rest of the long tone played out
    audio->Suspend();
    EXPECT_EQ(SourceState(1), AL_PAUSED);
    EXPECT_EQ(audio->ChannelState(1), 1);  // the game still sees it play
    Sleep(1.0);
    audio->Resume();
    EXPECT_EQ(SourceState(1), AL_PLAYING);
    EXPECT_EQ(SourceState(2), AL_PAUSED);  // the game's pause stands
    Sleep(0.2);
    Mix mix = Finish();
    const std::vector<double> gaps = mix.InnerGaps(0.2);
    ASSERT_EQ(gaps.size(), 2u);
    for (double gap : gaps) EXPECT_LT(gap, 1.5);
    EXPECT_GT(mix.ActiveSeconds(), 0.5);
}

// The probe plays a 0.3 s tone and ends by returning from main, through the empty fatal error or by
// a fault. A fault ends the program with its report and leaves the device alone (OpenAL says it was
// not closed): closing it from inside the fault's handler could hang.
TEST(QuitTest, ReturningOrQuittingPrintsNothingOnStandardErrorAndAFaultLeavesTheDeviceAlone) {
    const std::string base = ScratchDir("quit-probe"), sound = base + "/tone.wav";
    ASSERT_EQ(Shell("sox -n -r 22050 -c 1 -b 16 '" + sound + "' synth 0.3 sine 440"), 0);
    const struct {
        const char* mode;
        int status;
        std::string out, err;
    } cases[] = {
        {"return", 0, "played 0\n", ""},
        {"quit", 0, "played 0\n", ""},
        {"segv", 255, "played 0\nZorbin Runtime Error : Memory access violation\n\n", "1 device not closed"}};
    for (const auto& c : cases) {
        int raw = Shell(std::string("'") + ZARNOK_BINARY_DIR + "/tests/audio_quit_probe' " + c.mode + " '" +
                        sound + "' </dev/null >'" + base + "/out' 2>'" + base + "/err'");
        std::vector<unsigned char> out = ReadFile(base + "/out"), err = ReadFile(base + "/err");
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, c.status) << c.mode;
        EXPECT_EQ(std::string(out.begin(), out.end()), c.out) << c.mode;
        const std::string errors(err.begin(), err.end());
        EXPECT_TRUE(c.err.empty() ? errors.empty() : errors.find(c.err) != std::string::npos) << errors;
    }
    Shell("rm -rf '" + base + "'");
}
