// The sound layer on OpenAL: one device and context, 33 channels (0-31 effects, 32 music), samples
// held in OpenAL buffers.
//
// Sources are created lazily, one per channel on first use. When the driver grants no more, a
// channel takes the source of the lowest-numbered effect channel that has stopped; the music
// channel gets its source at construction and so never loses it. Buffers of discarded samples are
// deleted at the next load or play, once no source holds them any more.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include "runtime/runtime.h"

class gxtkSample;

struct gxtkChannel {
    ALuint source = 0;             // 0 until the channel first needs one
    gxtkSample* sample = nullptr;  // sample last started on the channel
    int flags = 0;                 // flags of that start (non-zero loops)
    int state = 0;                 // 0 stopped, 1 playing, 2 paused, as this layer last knew it

    // The channel's source, created or taken from a stopped effect channel when needed; 0 if none
    // could be had.
    ALuint AL_Source();
};

class gxtkAudio : public Object {
  public:
    static constexpr int kChannels = 33;
    static constexpr int kMusicChannel = 32;

    ALCdevice* alDevice = nullptr;
    ALCcontext* alContext = nullptr;
    gxtkChannel channels[kChannels];

    // The audio object (the last one constructed).
    static gxtkAudio* audio;

    // Opens the default device; on failure prints one "OpenAl error: ..." line and stays silent.
    gxtkAudio();

    // Keeps alive the samples of channels that are playing or paused.
    void mark() override;

    // Pauses the sources that are playing, leaving every channel's state alone.
    virtual int Suspend();
    // Restarts the sources of playing channels that Suspend paused.
    virtual int Resume();
    // A new sample holding the decoded file, or null.
    virtual gxtkSample* LoadSample(const String& path);
    virtual bool LoadSample__UNSAFE__(gxtkSample* sample, const String& path);
    // 0, or -1 when no source could be had for the channel.
    virtual int PlaySample(gxtkSample* sample, int channel, int flags);
    virtual int StopChannel(int channel);
    virtual int PauseChannel(int channel);
    virtual int ResumeChannel(int channel);
    virtual int ChannelState(int channel);
    virtual int SetVolume(int channel, float volume);
    // `pan` is an angle in radians: 0 straight ahead, pi/2 right, -pi/2 left.
    virtual int SetPan(int channel, float pan);
    virtual int SetRate(int channel, float rate);
    // Decodes the whole file and plays it on channel 32; -1 when it cannot be loaded.
    virtual int PlayMusic(const String& path, int flags);
    virtual int StopMusic();
    virtual int PauseMusic();
    virtual int ResumeMusic();
    virtual int MusicState();
    virtual int SetMusicVolume(float volume);

    // Deletes every source and buffer and closes the context and the device. Runs at process exit
    // (so that the driver has nothing to complain about); afterwards the object plays nothing.
    static void CloseDevice();

  private:
    static void FlushDiscarded();
};

class gxtkSample : public Object {
  public:
    ALuint buffer = 0;

    gxtkSample();
    explicit gxtkSample(ALuint buffer);
    ~gxtkSample() override;

    void SetBuffer(ALuint buffer);
    // Hands the buffer to the list of buffers to delete; the sample then holds none.
    virtual int Discard();
};
