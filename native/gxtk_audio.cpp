#include "native/gxtk_audio.h"

#include <cmath>
#include <cstdlib>
#include <unordered_set>
#include <vector>

#include "host/vxgame.h"

gxtkAudio* gxtkAudio::audio = nullptr;

namespace {

// Buffers of discarded samples, deleted at the next load or play once no source holds them.
std::vector<ALuint> discarded;

// Every sample alive, so that closing the device can delete the buffers they still hold.
std::unordered_set<gxtkSample*>& live_samples() {
    static auto* set = new std::unordered_set<gxtkSample*>();  // never destroyed: samples may outlive exit
    return *set;
}

ALint SourceState(ALuint source) {
    ALint state = AL_STOPPED;
    if (source) alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

bool exit_hook_installed = false;

void CloseAtExit() {
    // A process dying from a fault leaves the device alone: the fault may have struck inside
    // OpenAL, and calling into it again could hang the exit.
    if (dbg_fatal_signal) return;
    gxtkAudio::CloseDevice();
}

}  // namespace

ALuint gxtkChannel::AL_Source() {
    if (source) return source;
    alGetError();
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
        source = 0;
        // The driver has no source left: take the one of the lowest stopped effect channel. The
        // music channel (32) is not looked at, so its source is never taken.
        gxtkAudio* audio = gxtkAudio::audio;
        if (!audio) return 0;
        for (int i = 0; i < gxtkAudio::kMusicChannel; ++i) {
            gxtkChannel& other = audio->channels[i];
            if (&other == this || other.source == 0) continue;
            if (audio->ChannelState(i) == 0) {
                source = other.source;
                other.source = 0;
                break;
            }
        }
    }
    return source;
}

gxtkAudio::gxtkAudio() {
    audio = this;
    alDevice = alcOpenDevice(nullptr);
    if (!alDevice) {
        vxPrint(String("OpenAl error: alcOpenDevice failed"));
    } else {
        alContext = alcCreateContext(alDevice, nullptr);
        if (!alContext) {
            vxPrint(String("OpenAl error: alcCreateContext failed"));
        } else if (!alcMakeContextCurrent(alContext)) {
            vxPrint(String("OpenAl error: alcMakeContextCurrent failed"));
        }
    }
    if (!exit_hook_installed) {
        exit_hook_installed = true;
        std::atexit(CloseAtExit);
    }
    alDistanceModel(AL_NONE);
    for (gxtkChannel& c : channels) c = gxtkChannel();
    channels[kMusicChannel].AL_Source();
}

void gxtkAudio::mark() {
    Object::mark();
    for (gxtkChannel& c : channels) {
        if (c.state != 0 && SourceState(c.source) != AL_STOPPED) gc_mark_q(c.sample);
    }
}

int gxtkAudio::Suspend() {
    for (gxtkChannel& c : channels) {
        if (c.state == 1 && SourceState(c.source) == AL_PLAYING) alSourcePause(c.source);
    }
    return 0;
}

int gxtkAudio::Resume() {
    for (gxtkChannel& c : channels) {
        if (c.state == 1 && SourceState(c.source) == AL_PAUSED) alSourcePlay(c.source);
    }
    return 0;
}

void gxtkAudio::FlushDiscarded() {
    if (discarded.empty() || !audio) return;
    // A buffer cannot be deleted while a source holds it: let go of the buffers of sources that
    // have finished.
    for (gxtkChannel& c : audio->channels) {
        if (c.state != 0 && SourceState(c.source) == AL_STOPPED) alSourcei(c.source, AL_BUFFER, 0);
    }
    std::vector<ALuint> remaining;
    for (ALuint buffer : discarded) {
        alGetError();
        alDeleteBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) remaining.push_back(buffer);
    }
    discarded.swap(remaining);
}

gxtkSample* gxtkAudio::LoadSample(const String& path) {
    FlushDiscarded();
    gxtkSample* sample = new gxtkSample();
    if (!LoadSample__UNSAFE__(sample, path)) return nullptr;
    return sample;
}

bool gxtkAudio::LoadSample__UNSAFE__(gxtkSample* sample, const String& path) {
    if (!VxGame::_game) return false;
    int length = 0, channelCount = 0, format = 0, hertz = 0;
    unsigned char* data = VxGame::_game->LoadAudioData(path, &length, &channelCount, &format, &hertz);
    if (!data) return false;
    ALenum alFormat = 0;
    if (format == 1 && channelCount == 1) {
        alFormat = AL_FORMAT_MONO8;
    } else if (format == 1 && channelCount == 2) {
        alFormat = AL_FORMAT_STEREO8;
    } else if (format == 2 && channelCount == 1) {
        alFormat = AL_FORMAT_MONO16;
    } else if (format == 2 && channelCount == 2) {
        alFormat = AL_FORMAT_STEREO16;
    }
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, alFormat, data, length * channelCount * format, hertz);
    std::free(data);
    sample->SetBuffer(buffer);
    return true;
}

int gxtkAudio::PlaySample(gxtkSample* sample, int channel, int flags) {
    FlushDiscarded();
    gxtkChannel& c = channels[channel];
    ALuint source = c.AL_Source();
    if (!source) return -1;
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(sample->buffer));
    alSourcei(source, AL_LOOPING, flags ? AL_TRUE : AL_FALSE);
    alSourcePlay(source);
    gc_assign(c.sample, sample);
    c.flags = flags;
    c.state = 1;
    return 0;
}

int gxtkAudio::StopChannel(int channel) {
    gxtkChannel& c = channels[channel];
    if (c.state != 0) {
        alSourceStop(c.source);
        c.state = 0;
    }
    return 0;
}

int gxtkAudio::PauseChannel(int channel) {
    gxtkChannel& c = channels[channel];
    if (c.state == 1) {
        if (SourceState(c.source) == AL_STOPPED) {
            c.state = 0;
        } else {
            alSourcePause(c.source);
            c.state = 2;
        }
    }
    return 0;
}

int gxtkAudio::ResumeChannel(int channel) {
    gxtkChannel& c = channels[channel];
    if (c.state == 2) {
        alSourcePlay(c.source);
        c.state = 1;
    }
    return 0;
}

int gxtkAudio::ChannelState(int channel) {
    gxtkChannel& c = channels[channel];
    if (c.state == 1 && SourceState(c.source) == AL_STOPPED) c.state = 0;
    return c.state;
}

int gxtkAudio::SetVolume(int channel, float volume) {
    alSourcef(channels[channel].AL_Source(), AL_GAIN, volume);
    return 0;
}

int gxtkAudio::SetPan(int channel, float pan) {
    alSource3f(channels[channel].AL_Source(), AL_POSITION, std::sin(pan), 0.0f, -std::cos(pan));
    return 0;
}

int gxtkAudio::SetRate(int channel, float rate) {
    alSourcef(channels[channel].AL_Source(), AL_PITCH, rate);
    return 0;
}

int gxtkAudio::PlayMusic(const String& path, int flags) {
    StopMusic();
    gxtkSample* sample = LoadSample(path);
    if (!sample) return -1;
    PlaySample(sample, kMusicChannel, flags);
    return 0;
}

int gxtkAudio::StopMusic() {
    return StopChannel(kMusicChannel);
}

int gxtkAudio::PauseMusic() {
    return PauseChannel(kMusicChannel);
}

int gxtkAudio::ResumeMusic() {
    return ResumeChannel(kMusicChannel);
}

int gxtkAudio::MusicState() {
    return ChannelState(kMusicChannel);
}

int gxtkAudio::SetMusicVolume(float volume) {
    return SetVolume(kMusicChannel, volume);
}

void gxtkAudio::CloseDevice() {
    gxtkAudio* a = audio;
    if (!a || !a->alDevice) return;
    if (a->alContext) {
        alcMakeContextCurrent(a->alContext);
        for (gxtkChannel& c : a->channels) {
            if (c.source) {
                alSourceStop(c.source);
                alSourcei(c.source, AL_BUFFER, 0);
                alDeleteSources(1, &c.source);
            }
            c = gxtkChannel();
        }
        for (gxtkSample* sample : live_samples()) {
            if (sample->buffer) alDeleteBuffers(1, &sample->buffer);
            sample->buffer = 0;
        }
        for (ALuint buffer : discarded) alDeleteBuffers(1, &buffer);
        discarded.clear();
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(a->alContext);
        a->alContext = nullptr;
    }
    alcCloseDevice(a->alDevice);
    a->alDevice = nullptr;
}

gxtkSample::gxtkSample() {
    live_samples().insert(this);
}

gxtkSample::gxtkSample(ALuint b) : buffer(b) {
    live_samples().insert(this);
}

gxtkSample::~gxtkSample() {
    vxPrint(String("Discarding sample"));
    Discard();
    live_samples().erase(this);
}

void gxtkSample::SetBuffer(ALuint b) {
    buffer = b;
}

int gxtkSample::Discard() {
    if (buffer) {
        discarded.push_back(buffer);
        buffer = 0;
    }
    return 0;
}
