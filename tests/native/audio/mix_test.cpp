// Plays through OpenAL Soft's "wave" driver and reads back what was mixed.
#include <gtest/gtest.h>

#include "audio_test_util.h"
#include "host/vxgame.h"
#include "native/gxtk_audio.h"

using namespace audiotest;

namespace {

const std::string kMixFile = ConfigureOpenAL("wave");

class MixTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = ScratchDir("mix-sounds");
        // 0.2 s of a 1 kHz tone, mono, at half the output rate; 0.4 s at the output rate.
        ASSERT_EQ(Shell("sox -n -r 22050 -c 1 -b 16 '" + dir + "/tone.wav' synth 0.2 sine 1000 vol 0.5"), 0);
        ASSERT_EQ(Shell("sox -n -r 44100 -c 1 -b 16 '" + dir + "/long.wav' synth 0.4 sine 700 vol 0.5"), 0);
        new VxGlfwGame();
    }
    static void TearDownTestSuite() { Shell("rm -rf '" + dir + "'"); }

    void SetUp() override { Open(); }
    void TearDown() override { gxtkAudio::CloseDevice(); }

    void Open() {
        audio = new gxtkAudio();
        ASSERT_NE(audio->alDevice, nullptr);
        tone = audio->LoadSample(String((dir + "/tone.wav").c_str()));
        longTone = audio->LoadSample(String((dir + "/long.wav").c_str()));
        ASSERT_TRUE(tone && longTone);
        Sleep(0.05);  // let the driver start writing before anything sounds
    }
    Mix Finish() {
        gxtkAudio::CloseDevice();  // the driver completes the file on close
        return ReadMix(kMixFile);
    }
    bool WaitStopped(int channel) {
        return Await([&] { return audio->ChannelState(channel) == 0; });
    }
    ALint SourceState(int channel) {
        ALint state = 0;
        alGetSourcei(audio->channels[channel].source, AL_SOURCE_STATE, &state);
        return state;
    }

    inline static std::string dir;
    gxtkAudio* audio = nullptr;
    gxtkSample* tone = nullptr;
    gxtkSample* longTone = nullptr;
};

}  // namespace

// Rate 2 halves the duration (set before anything played: the channel's source is made for it); a
// sample at volume 0 adds nothing to the mix.
TEST_F(MixTest, ASampleSoundsForItsLengthOverItsRateAndEnds) {
    for (float rate : {1.0f, 2.0f}) {
        if (rate > 1) Open();
        audio->SetRate(3, rate);
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
        EXPECT_NEAR(Finish().Span(), 0.2 / rate, 0.025) << rate;
    }
}

TEST_F(MixTest, PanIsAnAngleThatMovesTheSoundRightOrLeft) {
    for (float pan : {1.5707964f, -1.5707964f}) {
        if (pan < 0) Open();
        audio->SetPan(6, pan);
        audio->PlaySample(tone, 6, 0);
        EXPECT_TRUE(WaitStopped(6));
        Mix mix = Finish();
        const std::vector<float>& loud = pan > 0 ? mix.right : mix.left;
        const std::vector<float>& quiet = pan > 0 ? mix.left : mix.right;
        EXPECT_GT(Mix::Energy(loud), 20 * Mix::Energy(quiet)) << pan;
    }
}

// The driver mixes in real time and, when its thread has been kept waiting, catches up with the state
// the sources have then: a silence shows in the mix only for as much of a pause as it was let run. The
// pauses last a second, so that a busy machine still leaves a clear gap.
TEST_F(MixTest, PauseHoldsThePlaceAndResumeContinues) {
    audio->PlaySample(longTone, 0, 0);
    Sleep(0.15);
    audio->PauseChannel(0);
    EXPECT_EQ(audio->ChannelState(0), 2);
    Sleep(1.0);
    audio->ResumeChannel(0);
    EXPECT_EQ(audio->ChannelState(0), 1);
    EXPECT_TRUE(WaitStopped(0));
    Mix mix = Finish();
    EXPECT_NEAR(mix.ActiveSeconds(), 0.4, 0.03);  // the whole sample, in two parts
    EXPECT_GT(mix.LongestInnerGap(), 0.2);
    EXPECT_LT(mix.LongestInnerGap(), 1.5);
}

// The looped tone on channel 0 sounds longer than its 0.2 s until the game pauses it.
TEST_F(MixTest, SuspendPausesOnlyWhatWasPlayingAndALoopSoundsOnUntilPaused) {
    audio->PlaySample(tone, 0, 1);  // playing, looped
    audio->PlaySample(tone, 1, 1);  // paused by the game
    audio->SetVolume(1, 0.0f);
    audio->PauseChannel(1);
    audio->SetVolume(2, 0.0f);
    audio->PlaySample(tone, 2, 0);  // ends by itself; this layer still thinks it plays
    Sleep(0.3);
    audio->Suspend();
    EXPECT_EQ(SourceState(0), AL_PAUSED);
    EXPECT_EQ(audio->channels[0].state, 1);
    Sleep(1.0);
    audio->Resume();
    EXPECT_EQ(SourceState(0), AL_PLAYING);
    EXPECT_EQ(SourceState(1), AL_PAUSED);   // the game's pause stands
    EXPECT_EQ(SourceState(2), AL_STOPPED);  // a finished sample is not started again
    Sleep(0.2);

    // A channel paused by the game while suspended stays paused after the resume.
    audio->Suspend();
    audio->PauseChannel(0);
    audio->Resume();
    EXPECT_EQ(audio->ChannelState(0), 2);
    EXPECT_EQ(SourceState(0), AL_PAUSED);
    Sleep(0.1);
    Mix mix = Finish();
    EXPECT_GT(mix.LongestInnerGap(), 0.2);  // silence while suspended
    EXPECT_LT(mix.LongestInnerGap(), 1.5);
    EXPECT_GT(mix.ActiveSeconds(), 0.35);
}
