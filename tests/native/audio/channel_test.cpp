// Channels, sources and buffers on OpenAL Soft with a device that grants only four sources, and the
// audio module on top.
#include <gtest/gtest.h>

#include <set>

#include "audio_test_util.h"
#include "framework/audio.h"
#include "host/vxgame.h"
#include "native/gxtk_audio.h"
#include "tests/runtime/gc_test_util.h"

using namespace audiotest;

namespace {

const std::string kMixFile = ConfigureOpenAL("null", "sources=4");

class ChannelTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Asset names resolve against ./data/ in the working directory: use a folder of our own there.
        assetDir = "audio-test-" + std::to_string(getpid());
        dir = "data/" + assetDir;
        Shell("mkdir -p " + dir);
        ASSERT_EQ(Shell("sox -n -r 22050 -c 1 -b 16 " + dir + "/blip.wav synth 0.05 sine 900"), 0);
        ASSERT_EQ(Shell("sox -n -r 22050 -c 1 -b 8 " + dir + "/loop.wav synth 0.1 sine 500"), 0);
        ASSERT_EQ(
            Shell("sox -n -r 44100 -c 2 -b 16 " + dir + "/music.wav synth 0.5 sine 300 && oggenc -Q -o " +
                  dir + "/music.ogg " + dir + "/music.wav"),
            0);
        new VxGlfwGame();  // the real host loads the sounds
    }
    static void TearDownTestSuite() {
        Shell("rm -rf " + dir);
        Shell("rmdir data 2>/dev/null");
    }

    void SetUp() override {
        audio = new gxtkAudio();
        ASSERT_NE(audio->alDevice, nullptr);
        vx_audio_SetAudioDevice(audio);
        blip = Load("blip.wav");
        loop = Load("loop.wav");
        ASSERT_NE(blip, nullptr);
        ASSERT_NE(loop, nullptr);
    }
    void TearDown() override { gxtkAudio::CloseDevice(); }

    gxtkSample* Load(const std::string& name) {
        return audio->LoadSample(String((dir + "/" + name).c_str()));
    }

    static bool WaitSourceStopped(ALuint source) {
        return Await([&] {
            ALint state = 0;
            alGetSourcei(source, AL_SOURCE_STATE, &state);
            return state == AL_STOPPED;
        });
    }
    ALuint Source(int channel) { return audio->channels[channel].source; }

    inline static std::string assetDir;
    inline static std::string dir;
    gxtkAudio* audio = nullptr;
    gxtkSample* blip = nullptr;
    gxtkSample* loop = nullptr;
};

}  // namespace

TEST_F(ChannelTest, FreshChannelTakesTheLowestStoppedEffectSourceNeverTheMusicOne) {
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
    ASSERT_TRUE(WaitSourceStopped(s0));
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

TEST_F(ChannelTest, DiscardedBuffersGoOnceNoSourceHoldsThem) {
    ALuint playing = blip->buffer;
    ASSERT_NE(playing, 0u);
    audio->PlaySample(blip, 0, 0);
    blip->Discard();
    EXPECT_EQ(blip->buffer, 0u);

    gxtkSample* other = Load("loop.wav");
    EXPECT_TRUE(alIsBuffer(playing));  // still attached to the playing source: kept in the list
    ASSERT_TRUE(WaitSourceStopped(Source(0)));
    audio->PlaySample(other, 1, 0);  // flushes: the finished source lets go, the buffer goes
    EXPECT_FALSE(alIsBuffer(playing));
}

// (Missing and damaged sounds are fault tests of the game, which also hears its sounds played.)
TEST_F(ChannelTest, AudioModuleLeavesNoLoopingBehindAndStopsMissingMusic) {
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
// buffer discarded) once the channel has stopped.
TEST_F(ChannelTest, PlayingSamplesStayAliveThroughCollections) {
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
    gxtkSample* next = Load("blip.wav");  // (loaded first: a later load could reuse the name)
    audio->PlaySample(next, 0, 0);        // the stopped source lets go of the old buffer
    audio->PlaySample(next, 2, 0);        // and this flush deletes it
    EXPECT_FALSE(alIsBuffer(buffer));
    gc_clear_roots();
    rootAudio = nullptr;
}
