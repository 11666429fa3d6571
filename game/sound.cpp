// Sound effects on 24 rotating channels and the one music track, both obeying the sound option
// (f_options[5]: 0 off, 1 effects and music, 2 effects only, 3 music only).
#include "framework/audio.h"
#include "game/myapp.h"

int c_MyApp::p_LoadSFX(int n) {
    if (n < 0 || n > 99) return 0;
    const String name =
        n < 10 ? String("sfx/00") + String(n) + String(".wav") : String("sfx/0") + String(n) + String(".wav");
    f_sounds.Set(n, vx_audio_LoadSound(name));
    return 0;
}

int c_MyApp::p_PlaySFX(int n, float rate, float volume, float pan) {
    const int option = f_options[5];
    if (option != 1 && option != 2) return 0;
    f_sfxChannel = (f_sfxChannel + 1) % 24;
    const int channel = f_sfxMap[f_sfxChannel];
    // The oldest of the 24 effects is cut off.
    vx_audio_StopChannel(channel);
    vx_audio_PlaySound(n >= 0 && n < f_sounds.Length() ? f_sounds[n] : nullptr, channel, 0);
    vx_audio_SetChannelRate(channel, rate);
    vx_audio_SetChannelVolume(channel, volume);
    vx_audio_SetChannelPan(channel, pan);
    return 0;
}

int c_MyApp::p_PlayTune(const String& name, int loop) {
    const String path = String("sfx/") + name + String(".ogg");
    if (f_musicOn != 0) {
        vx_audio_StopMusic();
        f_musicOn = 0;
    }
    const int option = f_options[5];
    if (option == 1 || option == 3) {
        vx_audio_PlayMusic(path, loop);
        f_musicOn = 1;
    }
    return 0;
}

int c_MyApp::p_StopTune() {
    vx_audio_StopMusic();
    f_musicOn = 0;
    return 0;
}
