// Sound: the effects (16-bit PCM WAV, 44.1 kHz mono) and the music track "Evolved" (Ogg Vorbis,
// 44.1 kHz stereo), all synthesised here. The music is rendered into a circular buffer (note tails
// and echoes wrap around to the start), so the track loops without a seam.
#include <cstring>

#include <vorbis/vorbisenc.h>

#include "tools/assets.h"

namespace datagen {

namespace {

constexpr int kRate = 44100;
constexpr float kTwoPi = 6.28318530718f;

float polyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.f;
    }
    if (t > 1.f - dt) {
        t = (t - 1.f) / dt;
        return t * t + t + t + 1.f;
    }
    return 0.f;
}

// Band-limited oscillators.
struct Osc {
    double ph = 0;
    float step(float f) {
        float dt = float(f / kRate);
        float t = float(ph);
        ph += dt;
        if (ph >= 1) ph -= std::floor(ph);
        return t;
    }
    float saw(float f) {
        float dt = std::min(0.5f, f / kRate), t = step(f);
        return 2.f * t - 1.f - polyBlep(t, dt);
    }
    float square(float f, float pw = 0.5f) {
        float dt = std::min(0.5f, f / kRate), t = step(f);
        float v = t < pw ? 1.f : -1.f;
        v += polyBlep(t, dt);
        float t2 = t + (1.f - pw);
        if (t2 >= 1.f) t2 -= 1.f;
        v -= polyBlep(t2, dt);
        return v;
    }
    float sine(float f) { return std::sin(kTwoPi * step(f)); }
    float tri(float f) {
        float t = step(f);
        return 4.f * std::fabs(t - 0.5f) - 1.f;
    }
};

// A state-variable filter (trapezoidal integration, stable under fast modulation).
struct Svf {
    float ic1 = 0, ic2 = 0, lp = 0, bp = 0, hp = 0;
    void run(float x, float cutoff, float q) {
        cutoff = std::clamp(cutoff, 20.f, kRate * 0.45f);
        float g = std::tan(3.14159265f * cutoff / kRate), k = 1.f / q;
        float a1 = 1.f / (1.f + g * (g + k)), a2 = g * a1, a3 = g * a2;
        float v3 = x - ic2, v1 = a1 * ic1 + a2 * v3, v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        lp = v2;
        bp = v1;
        hp = x - k * v1 - v2;
    }
};

float noise(Rng& r) {
    return r.uni() * 2.f - 1.f;
}
float mtof(float m) {
    return 440.f * std::pow(2.f, (m - 69.f) / 12.f);
}
float envAD(float t, float a, float d) {
    return t < a ? t / a : std::exp(-(t - a) / d);
}

using Mono = std::vector<float>;

Mono finish(Mono s, float peak) {
    float m = 1e-6f;
    for (float v : s) m = std::max(m, std::fabs(v));
    float k = peak / m;
    int fade = kRate / 500;  // 2 ms at each end: no click when a sound starts or is cut
    for (size_t i = 0; i < s.size(); ++i) {
        float e = 1.f;
        if (int(i) < fade) e = float(i) / fade;
        if (int(s.size() - 1 - i) < fade) e = std::min(e, float(s.size() - 1 - i) / fade);
        s[i] *= k * e;
    }
    return s;
}

// Scales to a loudness (RMS over the sound's loud part) without letting the peak pass `peak`: the
// five explosions, picked at random for the same event, then sound equally strong.
Mono finishLoud(Mono s, float rms, float peak) {
    float m = 1e-6f, sum = 0;
    size_t n = std::min(s.size(), size_t(0.25f * kRate));
    for (float v : s) m = std::max(m, std::fabs(v));
    for (size_t i = 0; i < n; ++i) sum += s[i] * s[i];
    float k = std::min(rms / std::sqrt(sum / float(n) + 1e-12f), peak / m);
    return finish(std::move(s), m * k);
}

Mono blank(float sec) {
    return Mono(size_t(sec * kRate), 0.f);
}

// ---- Effects ----

Mono sfxLaser() {
    Mono s = blank(0.17f);
    Osc a, b;
    Svf f;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float fr = 300.f + 1700.f * std::exp(-t / 0.035f);
        float v = a.square(fr, 0.3f) * 0.6f + b.saw(fr * 1.505f) * 0.4f;
        f.run(v, 2500.f + 6000.f * std::exp(-t / 0.03f), 1.2f);
        s[i] = f.lp * envAD(t, 0.002f, 0.05f);
    }
    return finish(s, 0.6f);
}

Mono sfxEnemyShot() {
    Mono s = blank(0.28f);
    Osc a, m;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float fr = 180.f + 650.f * std::exp(-t / 0.06f);
        float mod = m.sine(fr * 2.01f) * 2.2f * std::exp(-t / 0.08f);
        a.ph += mod * 0.002;
        float v = a.tri(fr) * 0.8f + 0.2f * std::sin(kTwoPi * 32.f * t) * a.tri(fr * 0.5f);
        s[i] = v * envAD(t, 0.004f, 0.08f);
    }
    return finish(s, 0.7f);
}

Mono sfxShipHit() {
    Mono s = blank(0.95f);
    Osc o;
    Svf f;
    Rng r(4);
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        f.run(noise(r), 300.f + 5000.f * std::exp(-t / 0.12f), 0.9f);
        float thud = o.sine(40.f + 180.f * std::exp(-t / 0.07f)) * envAD(t, 0.002f, 0.25f);
        float v = f.lp * envAD(t, 0.003f, 0.22f) * 0.9f + thud * 0.9f;
        s[i] = std::tanh(v * 2.2f);
    }
    return finish(s, 0.85f);
}

Mono sfxSpark() {
    Mono s = blank(0.1f);
    Osc a, b, c;
    Svf f;
    Rng r(5);
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float ring = a.sine(2310.f) * 0.5f + b.sine(3730.f) * 0.35f + c.sine(5140.f) * 0.25f;
        f.run(noise(r), 6000.f, 0.7f);
        s[i] = ring * envAD(t, 0.001f, 0.025f) + f.hp * envAD(t, 0.0005f, 0.008f) * 0.8f;
    }
    return finish(s, 0.7f);
}

// Five explosions of different character.
Mono sfxExplosion(int kind) {
    Rng r(100 + kind);
    Svf f, g;
    Osc o;
    if (kind == 0) {  // crisp burst
        Mono s = blank(0.7f);
        for (size_t i = 0; i < s.size(); ++i) {
            float t = float(i) / kRate;
            f.run(noise(r), 200.f + 4500.f * std::exp(-t / 0.12f), 0.8f);
            s[i] = f.lp * envAD(t, 0.002f, 0.16f);
        }
        return finishLoud(s, 0.22f, 0.9f);
    }
    if (kind == 1) {  // deep boom
        Mono s = blank(1.15f);
        for (size_t i = 0; i < s.size(); ++i) {
            float t = float(i) / kRate;
            f.run(noise(r), 150.f + 1500.f * std::exp(-t / 0.1f), 0.7f);
            float boom = o.sine(30.f + 90.f * std::exp(-t / 0.15f)) * envAD(t, 0.003f, 0.35f);
            s[i] = std::tanh((f.lp * envAD(t, 0.003f, 0.3f) + boom) * 1.6f);
        }
        return finishLoud(s, 0.22f, 0.9f);
    }
    if (kind == 2) {  // crunchy, sample-and-hold
        Mono s = blank(0.6f);
        float held = 0;
        float phase = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            float t = float(i) / kRate;
            phase += (9000.f * std::exp(-t / 0.15f) + 400.f) / kRate;
            if (phase >= 1) {
                phase -= std::floor(phase);
                held = noise(r);
            }
            float q = std::round(held * 6.f) / 6.f;
            s[i] = q * envAD(t, 0.002f, 0.14f);
        }
        return finishLoud(s, 0.22f, 0.9f);
    }
    if (kind == 3) {  // double burst with a falling tone
        Mono s = blank(0.85f);
        for (size_t i = 0; i < s.size(); ++i) {
            float t = float(i) / kRate;
            float e = envAD(t, 0.002f, 0.1f) + (t > 0.12f ? 0.8f * envAD(t - 0.12f, 0.002f, 0.2f) : 0.f);
            f.run(noise(r), 900.f + 2500.f * std::exp(-t / 0.2f), 1.6f);
            float tone = o.saw(60.f + 300.f * std::exp(-t / 0.1f)) * envAD(t, 0.002f, 0.12f) * 0.3f;
            s[i] = f.bp * e * 1.5f + tone;
        }
        return finishLoud(s, 0.22f, 0.9f);
    }
    // sizzle: crackle over a soft thump
    Mono s = blank(0.95f);
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        f.run(noise(r), 3500.f, 0.7f);
        float crack = (r.uni() < 0.004f * std::exp(-t / 0.4f) * 8.f) ? noise(r) * 2.f : 0.f;
        g.run(crack, 2500.f, 2.f);
        float thump = o.sine(45.f + 70.f * std::exp(-t / 0.05f)) * envAD(t, 0.002f, 0.12f);
        s[i] = f.hp * envAD(t, 0.01f, 0.28f) * 0.5f + g.bp * 1.2f + thump * 0.8f;
    }
    return finishLoud(s, 0.22f, 0.9f);
}

Mono sfxPickup() {
    Mono s = blank(0.36f);
    Osc o;
    const float notes[3] = {76, 81, 88};
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        int k = std::min(2, int(t / 0.07f));
        float tt = t - k * 0.07f;
        s[i] = o.square(mtof(notes[k]), 0.25f) * envAD(tt, 0.002f, k == 2 ? 0.12f : 0.05f) * 0.6f;
    }
    return finish(s, 0.6f);
}

Mono sfxPowerDown() {
    Mono s = blank(0.65f);
    Osc o;
    Svf f;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float fr = 80.f + 720.f * std::exp(-t / 0.2f);
        fr *= 1.f + 0.03f * std::sin(kTwoPi * 14.f * t);
        f.run(o.saw(fr), 2500.f, 1.f);
        s[i] = f.lp * envAD(t, 0.005f, 0.25f);
    }
    return finish(s, 0.65f);
}

// The logo jingle: a rising arpeggio of bell tones settling on a shimmering chord.
Mono sfxJingle() {
    Mono s = blank(1.9f);
    const float notes[6] = {57, 64, 69, 71, 72, 76};
    for (int n = 0; n < 6; ++n) {
        float start = n * 0.09f, f = mtof(notes[n] + 12);
        Osc car, mod;
        for (size_t i = size_t(start * kRate); i < s.size(); ++i) {
            float t = float(i) / kRate - start;
            float m = mod.sine(f * 3.5f) * 1.8f * std::exp(-t / 0.3f);
            car.ph += m * f / kRate * 0.25;
            float v = car.sine(f) * envAD(t, 0.003f, n >= 3 ? 0.7f : 0.35f);
            s[i] += v * (n >= 3 ? 0.28f : 0.35f);
        }
    }
    // A short echo for sparkle.
    size_t d = size_t(0.14f * kRate);
    for (size_t i = d; i < s.size(); ++i) s[i] += s[i - d] * 0.35f;
    return finish(s, 0.8f);
}

Mono sfxConfirm() {
    Mono s = blank(0.24f);
    Osc o;
    Svf f;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float fr = t < 0.07f ? 880.f : 1318.5f;
        float tt = t < 0.07f ? t : t - 0.07f;
        f.run(o.square(fr, 0.4f), 4000.f, 0.9f);
        s[i] = f.lp * envAD(tt, 0.002f, t < 0.07f ? 0.05f : 0.08f);
    }
    return finish(s, 0.6f);
}

Mono sfxMove() {
    Mono s = blank(0.07f);
    Osc o;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        s[i] = o.sine(1250.f - 300.f * t / 0.07f) * envAD(t, 0.001f, 0.018f) +
               o.tri(2500.f) * envAD(t, 0.0005f, 0.004f) * 0.3f;
    }
    return finish(s, 0.55f);
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

std::vector<uint8_t> wav(const Mono& s) {
    std::vector<uint8_t> b;
    uint32_t data = uint32_t(s.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, 36 + data);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, 1);  // mono
    put32(b, kRate);
    put32(b, kRate * 2);
    put16(b, 2);
    put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, data);
    for (float v : s) put16(b, uint16_t(int16_t(std::lround(std::clamp(v, -1.f, 1.f) * 32767.f))));
    return b;
}

// ---- Music ----

constexpr int kStep = 5292;  // one sixteenth at 125 beats per minute
constexpr int kBars = 32;
constexpr int kLen = kBars * 16 * kStep;  // 61.44 s

struct Track {
    std::vector<float> l = std::vector<float>(kLen, 0.f), r = std::vector<float>(kLen, 0.f);
    void add(long i, float v, float pan) {
        size_t k = size_t(((i % kLen) + kLen) % kLen);
        l[k] += v * std::sqrt(0.5f * (1.f - pan));
        r[k] += v * std::sqrt(0.5f * (1.f + pan));
    }
};

// Sidechain-style pump: quieter just after every beat (where the kick sits). The dip eases in over
// a few milliseconds; a sudden gain step would click.
float pump(long i) {
    float t = float(i % (4 * kStep)) / kRate;
    return 1.f - 0.55f * std::min(1.f, t / 0.006f) * std::exp(-t / 0.09f);
}

void kick(Track& tr, long at, float vel) {
    Osc o;
    int n = int(0.32f * kRate);
    for (int i = 0; i < n; ++i) {
        float t = float(i) / kRate;
        float v = o.sine(45.f + 95.f * std::exp(-t / 0.035f)) * envAD(t, 0.001f, 0.11f);
        v += (i < 80 ? (1.f - i / 80.f) * 0.3f * std::min(1.f, i / 6.f) : 0.f);
        tr.add(at + i, std::tanh(v * 1.5f) * vel, 0);
    }
}

void snare(Track& tr, long at, float vel, Rng& rng) {
    Osc o;
    Svf f;
    int n = int(0.25f * kRate);
    for (int i = 0; i < n; ++i) {
        float t = float(i) / kRate;
        f.run(noise(rng), 1800.f, 0.8f);
        float v = (f.hp * 0.7f + f.bp * 0.5f) * envAD(t, 0.001f, 0.07f) +
                  o.sine(190.f - 30.f * t) * envAD(t, 0.001f, 0.04f) * 0.6f;
        tr.add(at + i, v * vel, 0.05f);
    }
}

void hat(Track& tr, long at, float vel, bool open, Rng& rng) {
    Svf f;
    int n = int((open ? 0.2f : 0.06f) * kRate);
    for (int i = 0; i < n; ++i) {
        float t = float(i) / kRate;
        f.run(noise(rng), 8000.f, 0.7f);
        tr.add(at + i, f.hp * envAD(t, 0.0005f, open ? 0.07f : 0.015f) * vel, -0.2f);
    }
}

void bass(Track& tr, long at, int len, float midi, float vel, float bright) {
    Osc a, b;
    Svf f;
    int n = len + int(0.03f * kRate);
    float fr = mtof(midi);
    for (int i = 0; i < n; ++i) {
        float t = float(i) / kRate;
        float env = (i < len) ? std::min(1.f, t / 0.003f) * (0.75f + 0.25f * std::exp(-t / 0.06f))
                              : 0.75f * std::exp(-float(i - len) / (0.008f * kRate));
        f.run(a.saw(fr) * 0.7f + b.square(fr * 0.5f) * 0.4f, 180.f + bright * 1600.f * std::exp(-t / 0.07f),
              1.3f);
        tr.add(at + i, f.lp * env * vel * pump(at + i), 0);
    }
}

void pad(Track& tr, long at, int len, const float* midi, int count, float vel) {
    int rel = int(0.5f * kRate);
    for (int c = 0; c < count; ++c) {
        for (int side = 0; side < 2; ++side) {
            Osc a, b;
            a.ph = 0.13 * c + 0.4 * side;
            b.ph = 0.57 * c + 0.2 * side;
            Svf f;
            float fr = mtof(midi[c]);
            float d1 = side ? 1.004f : 0.996f, d2 = side ? 0.9985f : 1.0015f;
            for (int i = 0; i < len + rel; ++i) {
                float t = float(i) / kRate;
                float env =
                    std::min(1.f, t / 0.25f) * (i < len ? 1.f : std::exp(-float(i - len) / (0.15f * kRate)));
                f.run(a.saw(fr * d1) + b.saw(fr * d2), 1300.f + 400.f * std::sin(t * 1.3f), 0.8f);
                float v = f.lp * env * vel * pump(at + i);
                tr.add(at + i, v, side ? 0.7f : -0.7f);
            }
        }
    }
}

void pluck(Track& tr, std::vector<float>& send, long at, float midi, float vel, float pan) {
    Osc o;
    Svf f;
    int n = int(0.2f * kRate);
    float fr = mtof(midi);
    for (int i = 0; i < n; ++i) {
        float t = float(i) / kRate;
        f.run(o.square(fr, 0.3f), 1200.f + 3500.f * std::exp(-t / 0.04f), 1.1f);
        float v = f.lp * envAD(t, 0.002f, 0.06f) * vel;
        tr.add(at + i, v, pan);
        send[size_t(((at + i) % kLen + kLen) % kLen)] += v * 0.5f;
    }
}

void lead(Track& tr, std::vector<float>& send, long at, int len, float midi, float vel, bool bright) {
    Osc a, b, c;
    Svf f;
    int rel = int(0.12f * kRate);
    float fr = mtof(midi);
    for (int i = 0; i < len + rel; ++i) {
        float t = float(i) / kRate;
        float vib = 1.f + 0.012f * std::sin(kTwoPi * 5.5f * t) * clamp01((t - 0.18f) / 0.2f);
        float env = std::min(1.f, t / 0.01f) * (0.8f + 0.2f * std::exp(-t / 0.1f));
        if (i >= len) env *= std::exp(-float(i - len) / (0.04f * kRate));
        float v = a.saw(fr * vib) * 0.45f + b.saw(fr * vib * 1.005f) * 0.35f +
                  c.square(fr * vib * (bright ? 2.f : 1.f), 0.5f) * 0.25f;
        f.run(v, (bright ? 4200.f : 3000.f) + 2500.f * std::exp(-t / 0.08f), 1.0f);
        float o = f.lp * env * vel;
        tr.add(at + i, o, 0.1f);
        send[size_t(((at + i) % kLen + kLen) % kLen)] += o * 0.8f;
    }
}

struct Note {
    int step, len;
    float midi;
};

// Lead melody over the eight-bar progression (A minor).
const std::vector<std::vector<Note>> kMelody = {
    {{0, 4, 76}, {4, 2, 74}, {6, 2, 72}, {8, 4, 69}, {12, 2, 72}, {14, 2, 76}},
    {{0, 6, 77}, {6, 2, 76}, {8, 4, 72}, {12, 4, 69}},
    {{0, 4, 79}, {4, 4, 76}, {8, 2, 72}, {10, 2, 74}, {12, 4, 76}},
    {{0, 6, 74}, {6, 2, 71}, {8, 4, 67}, {12, 2, 71}, {14, 2, 74}},
    {{0, 3, 76}, {3, 5, 81}, {8, 2, 79}, {10, 2, 76}, {12, 4, 72}},
    {{0, 4, 77}, {4, 4, 81}, {8, 4, 79}, {12, 4, 77}},
    {{0, 6, 79}, {6, 2, 77}, {8, 2, 76}, {10, 2, 74}, {12, 4, 71}},
    {{0, 4, 71}, {4, 4, 76}, {8, 4, 80}, {12, 4, 83}},
};

// Chords: root (bass octave) and three pad tones.
struct Chord {
    float root;
    float tones[3];
};
const Chord kChords[8] = {
    {45, {57, 60, 64}}, {41, {57, 60, 65}}, {48, {55, 60, 64}}, {43, {55, 59, 62}},
    {45, {57, 60, 64}}, {41, {57, 60, 65}}, {43, {55, 59, 62}}, {40, {56, 59, 64}},
};

std::vector<uint8_t> encodeOgg(const Track& tr);

std::vector<uint8_t> makeMusic() {
    Track tr;
    std::vector<float> send(kLen, 0.f);
    Rng rng(2024);
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& ch = kChords[bar % 8];
        long b0 = long(bar) * 16 * kStep;
        bool breakdown = bar >= 24 && bar < 28;
        bool drums = !breakdown;
        // Drums.
        for (int s = 0; s < 16; ++s) {
            long at = b0 + long(s) * kStep;
            if (drums && s % 4 == 0) kick(tr, at, 0.95f);
            if (drums && bar >= 8 && (s == 4 || s == 12)) snare(tr, at, 0.55f, rng);
            if (bar == 31 && s >= 8) snare(tr, at, 0.18f + 0.04f * (s - 8), rng);
            if (bar == 27 && s >= 12) snare(tr, at, 0.12f + 0.05f * (s - 12), rng);
            float hv = (s % 2 == 1) ? 0.22f : 0.12f;
            if (!breakdown || s % 2 == 1) hat(tr, at, hv, bar >= 16 && bar < 24 && s % 4 == 2, rng);
        }
        // Bass: eighths with octave jumps.
        if (!(bar >= 24 && bar < 26)) {
            static const int oct[8] = {0, 0, 12, 0, 0, 12, 0, 12};
            for (int e = 0; e < 8; ++e)
                bass(tr, b0 + long(e) * 2 * kStep, int(kStep * 1.7f), ch.root + oct[e], 0.42f,
                     breakdown ? 0.3f : 1.f);
        }
        // Pad.
        pad(tr, b0, 16 * kStep, ch.tones, 3, 0.065f);
        // Arpeggio.
        if (bar >= 4) {
            const float seq[8] = {ch.tones[0] + 12, ch.tones[1] + 12, ch.tones[2] + 12, ch.tones[1] + 24,
                                  ch.tones[2] + 12, ch.tones[1] + 12, ch.tones[0] + 12, ch.tones[2]};
            for (int s = 0; s < 16; ++s)
                pluck(tr, send, b0 + long(s) * kStep, seq[s % 8], breakdown ? 0.16f : 0.11f,
                      (s % 2) ? 0.35f : -0.35f);
        }
        // Lead.
        bool partA = (bar >= 8 && bar < 16) || (bar >= 28);
        bool partB = bar >= 16 && bar < 24;
        if (partA || partB) {
            for (const Note& n : kMelody[bar % 8]) {
                if (partA) {
                    lead(tr, send, b0 + long(n.step) * kStep, n.len * kStep - kStep / 4, n.midi, 0.2f, false);
                } else {
                    // The second part plays the line an octave up in driving eighths.
                    for (int k = 0; k < n.len; k += 2)
                        lead(tr, send, b0 + long(n.step + k) * kStep,
                             std::min(2, n.len - k) * kStep - kStep / 3, n.midi + 12, 0.13f, true);
                }
            }
        }
    }
    // Ping-pong echo of the lead and arpeggio, three sixteenths apart, computed around the loop
    // twice so that echoes from the end of the track sound at its start.
    const int d = 3 * kStep;
    const float fb = 0.38f;
    std::vector<float> el(kLen, 0.f), er(kLen, 0.f);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < kLen; ++i) {
            int j = (i - d + kLen) % kLen;
            el[i] = send[j] + fb * er[j];
            er[i] = fb * el[j];
        }
    for (int i = 0; i < kLen; ++i) {
        tr.l[i] += el[i] * 0.35f;
        tr.r[i] += er[i] * 0.35f + el[i] * 0.08f;
    }
    // Gentle saturation, then normalise.
    float m = 1e-6f;
    for (int i = 0; i < kLen; ++i) {
        tr.l[i] = std::tanh(tr.l[i] * 1.2f);
        tr.r[i] = std::tanh(tr.r[i] * 1.2f);
        m = std::max(m, std::max(std::fabs(tr.l[i]), std::fabs(tr.r[i])));
    }
    for (int i = 0; i < kLen; ++i) {
        tr.l[i] *= 0.9f / m;
        tr.r[i] *= 0.9f / m;
    }
    return encodeOgg(tr);
}

void appendPage(std::vector<uint8_t>& out, const ogg_page& og) {
    out.insert(out.end(), og.header, og.header + og.header_len);
    out.insert(out.end(), og.body, og.body + og.body_len);
}

std::vector<uint8_t> encodeOgg(const Track& tr) {
    std::vector<uint8_t> out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, kRate, 0.45f) != 0) return out;
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "Evolved");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x5a41524e);  // a fixed serial number keeps the file reproducible
    ogg_packet h, hc, hcode;
    vorbis_analysis_headerout(&vd, &vc, &h, &hc, &hcode);
    ogg_stream_packetin(&os, &h);
    ogg_stream_packetin(&os, &hc);
    ogg_stream_packetin(&os, &hcode);
    ogg_page og;
    while (ogg_stream_flush(&os, &og)) appendPage(out, og);
    const int chunk = 1024;
    bool eos = false;
    for (int pos = 0; !eos;) {
        int n = std::min(chunk, kLen - pos);
        if (n > 0) {
            float** buf = vorbis_analysis_buffer(&vd, n);
            std::memcpy(buf[0], &tr.l[pos], sizeof(float) * n);
            std::memcpy(buf[1], &tr.r[pos], sizeof(float) * n);
            vorbis_analysis_wrote(&vd, n);
            pos += n;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og)) {
                    appendPage(out, og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
        if (n <= 0 && !eos) {
            // Everything is submitted; flush what remains.
            while (ogg_stream_flush(&os, &og)) {
                appendPage(out, og);
                if (ogg_page_eos(&og)) eos = true;
            }
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

}  // namespace

std::vector<std::string> soundPaths() {
    return {"sfx/001.wav", "sfx/002.wav", "sfx/003.wav", "sfx/004.wav", "sfx/005.wav",
            "sfx/006.wav", "sfx/007.wav", "sfx/008.wav", "sfx/009.wav", "sfx/010.wav",
            "sfx/095.wav", "sfx/096.wav", "sfx/098.wav", "sfx/099.wav", "sfx/Evolved.ogg"};
}

std::vector<SoundFile> makeSounds() {
    std::vector<SoundFile> out;
    out.push_back({"sfx/001.wav", wav(sfxPickup())});
    out.push_back({"sfx/002.wav", wav(sfxLaser())});
    out.push_back({"sfx/003.wav", wav(sfxEnemyShot())});
    out.push_back({"sfx/004.wav", wav(sfxShipHit())});
    out.push_back({"sfx/005.wav", wav(sfxSpark())});
    for (int k = 0; k < 5; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "sfx/%03d.wav", 6 + k);
        out.push_back({name, wav(sfxExplosion(k))});
    }
    out.push_back({"sfx/095.wav", wav(sfxPowerDown())});
    out.push_back({"sfx/096.wav", wav(sfxJingle())});
    out.push_back({"sfx/098.wav", wav(sfxConfirm())});
    out.push_back({"sfx/099.wav", wav(sfxMove())});
    out.push_back({"sfx/Evolved.ogg", makeMusic()});
    return out;
}

}  // namespace datagen
