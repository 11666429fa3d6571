// The audio module: loaded sounds as collected objects, and the channel and music operations of
// the audio device passed through unchanged (channel numbers, volume, pan in radians, rate).
// Channels 0-31 play effects, 32 the music.
#pragma once

#include "native/gxtk_audio.h"
#include "runtime/runtime.h"

class c_Sound : public Object {
  public:
    gxtkSample* f_sample = nullptr;

    c_Sound* m_new(gxtkSample* sample);
    void mark() override;
};

extern gxtkAudio* vx_audio_device;

int vx_audio_SetAudioDevice(gxtkAudio* device);
// The sound of an asset name (mapped to the data folder), or null when it cannot be loaded.
c_Sound* vx_audio_LoadSound(const String& path);
// Plays on `channel`; non-zero flags loop. A null sound, or one without a sample, plays nothing.
int vx_audio_PlaySound(c_Sound* sound, int channel, int flags);
int vx_audio_StopChannel(int channel);
int vx_audio_SetChannelVolume(int channel, float volume);
int vx_audio_SetChannelPan(int channel, float pan);
int vx_audio_SetChannelRate(int channel, float rate);
// 0, or -1 when the file cannot be loaded (the music channel is stopped either way).
int vx_audio_PlayMusic(const String& path, int flags);
int vx_audio_StopMusic();
int vx_audio_PauseMusic();
int vx_audio_ResumeMusic();
