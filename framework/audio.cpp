#include "framework/audio.h"

#include "host/files.h"

gxtkAudio* vx_audio_device = nullptr;

c_Sound* c_Sound::m_new(gxtkSample* sample) {
    gc_assign(f_sample, sample);
    return this;
}

void c_Sound::mark() {
    Object::mark();
    gc_mark_q(f_sample);
}

int vx_audio_SetAudioDevice(gxtkAudio* device) {
    gc_assign(vx_audio_device, device);
    return 0;
}

int vx_audio_PlaySound(c_Sound* sound, int channel, int flags) {
    if (sound && sound->f_sample) vx_audio_device->PlaySample(sound->f_sample, channel, flags);
    return 0;
}

int vx_audio_StopChannel(int channel) {
    vx_audio_device->StopChannel(channel);
    return 0;
}

int vx_audio_SetChannelVolume(int channel, float volume) {
    vx_audio_device->SetVolume(channel, volume);
    return 0;
}

int vx_audio_SetChannelPan(int channel, float pan) {
    vx_audio_device->SetPan(channel, pan);
    return 0;
}

int vx_audio_SetChannelRate(int channel, float rate) {
    vx_audio_device->SetRate(channel, rate);
    return 0;
}

int vx_audio_StopMusic() {
    vx_audio_device->StopMusic();
    return 0;
}

int vx_audio_PauseMusic() {
    vx_audio_device->PauseMusic();
    return 0;
}

int vx_audio_ResumeMusic() {
    vx_audio_device->ResumeMusic();
    return 0;
}

c_Sound* vx_audio_LoadSound(const String& path) {
    gxtkSample* sample = vx_audio_device->LoadSample(vx_data_FixDataPath(path));
    if (!sample) return nullptr;
    return (new c_Sound())->m_new(sample);
}

int vx_audio_PlayMusic(const String& path, int flags) {
    return vx_audio_device->PlayMusic(vx_data_FixDataPath(path), flags);
}
