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
// sample at volume 0 adds nothing to the mix. The pan is an angle: a right angle puts the sound on
// the right, minus one on the left.
TEST_F(MixTest, ASampleSoundsForItsLengthOverItsRateOnItsSideAndEnds) {
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
        EXPECT_NEAR(mix.Span(), 0.2 / rate, 0.025) << rate;
        EXPECT_GT(Mix::Energy(right ? mix.right : mix.left), 20 * Mix::Energy(right ? mix.left : mix.right));
    }
}

// A channel paused by the game, then the whole device suspended: each holds the sound for a second
// and the mix shows both silences. The driver mixes in real time and, when its thread has been kept
// waiting, catches up with the state the sources have then: a silence shows only for as much of a
// hold as it was let run, so the holds last a second to leave clear gaps on a busy machine.
TEST_F(MixTest, PauseAndSuspendHoldTheSoundAndResumeContinues) {
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
