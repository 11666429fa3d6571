// The saved state: options, badge flags and the highscore tables of the three difficulties in one
// "|"-separated string of decimal fields, each section guarded by its own checksum so that a damaged
// section falls back to its defaults without touching the others.
#include <cstdint>

#include "framework/app.h"
#include "game/myapp.h"

namespace {

// Sums and products wrap in 32 bits.
int Wrap(int64_t v) {
    return static_cast<int>(static_cast<uint32_t>(v));
}

int SettingsChecksum(const Array<int>& options) {
    int sum = 0;
    for (int i = 0; i <= 24; ++i) sum = Wrap(int64_t(sum) + int64_t(i) * options[i]);
    return sum;
}

int FlagWord(const Array<bool>& flags, int g) {
    uint32_t w = 0;
    for (int b = 0; b < 32; ++b)
        if (flags[32 * g + b]) w |= uint32_t(1) << b;
    return static_cast<int>(w);
}

int ScoreChecksum(const Array<int>& scores, int d) {
    int sum = 0;
    for (int k = 0; k < 10; ++k) {
        sum = Wrap(int64_t(sum) + int64_t(k + 4) * scores[10 * d + k]);
        sum = Wrap(int64_t(sum) + int64_t(d + 3 + k) * scores[30 + 10 * d + k]);
    }
    return sum;
}

}  // namespace

String c_MyApp::p_SaveString() {
    String s;
    const String bar("|");
    for (int i = 0; i <= 24; ++i) s += String(f_options[i]) + bar;
    s += String(SettingsChecksum(f_options)) + bar;
    int badgeSum = 0;
    for (int g = 0; g < 8; ++g) {
        int w = FlagWord(f_flagBits, g);
        badgeSum = Wrap(int64_t(badgeSum) + w);
        s += String(w) + bar;
    }
    s += String(badgeSum) + bar;
    for (int d = 0; d < 3; ++d) {
        for (int k = 0; k < 10; ++k) {
            s += String(f_scores[10 * d + k]) + bar;
            s += String(f_scores[30 + 10 * d + k]) + bar;
        }
        s += String(ScoreChecksum(f_scores, d)) + bar;
    }
    return s;
}

int c_MyApp::p_Save() {
    const String s = p_SaveString();
    if (vx_Zarnok_DebugMode == 1) vxPrint(s);
    vx_app_SaveState(s);
    return 0;
}

int c_MyApp::p_Load() {
    return p_LoadString(vx_app_LoadState());
}

int c_MyApp::p_LoadString(const String& state) {
    if (vx_Zarnok_DebugMode == 1) vxPrint(state);
    const Array<String> parts = state.Split(String("|"));
    const int count = parts.Length();
    auto part = [&parts](int i) { return parts[i].Slice(0, 63).ToInt(); };
    int p = 0;

    if (count >= 26) {
        for (int i = 0; i <= 24; ++i) f_options[i] = part(i);
        if (SettingsChecksum(f_options) == part(25)) {
            vxPrint(String("Settings Loaded"));
        } else {
            vxPrint(String("Settings Checksum Invalid"));
            for (int i = 0; i <= 24; ++i) f_options[i] = 0;
            f_options[5] = 1;
        }
        p = 26;
    }

    if (f_options[10] < 64) f_options[10] = 64;
    if (f_options[11] < 64) f_options[11] = 64;
    if (f_options[12] < 8) f_options[12] = 10;
    if (f_options[14] < 1) f_options[14] = 64;
    f_options[14] = 1;
    vx_Zarnok_overscan = 0.0f;

    if (count > p + 8) {
        int sum = 0;
        for (int g = 0; g < 8; ++g) {
            const uint32_t w = static_cast<uint32_t>(part(p + g));
            sum = Wrap(int64_t(sum) + static_cast<int>(w));
            for (int b = 0; b < 32; ++b) f_flagBits[32 * g + b] = ((w >> b) & 1u) != 0;
        }
        if (sum == part(p + 8)) {
            vxPrint(String("Badges Loaded"));
        } else {
            vxPrint(String("Badge Checksum Invalid"));
            for (int i = 0; i < 256; ++i) f_flagBits[i] = false;
        }
        p += 9;
    }

    for (int d = 0; d < 3; ++d) {
        if (count <= p + 20) continue;
        for (int k = 0; k < 10; ++k) {
            f_scores[10 * d + k] = part(p + 2 * k);
            f_scores[30 + 10 * d + k] = part(p + 2 * k + 1);
        }
        const String label = String("Highscore ") + String(d);
        if (ScoreChecksum(f_scores, d) == part(p + 20)) {
            vxPrint(label + String(" Loaded"));
        } else {
            vxPrint(label + String(" Checksum Invalid"));
            for (int k = 0; k < 10; ++k) {
                f_scores[10 * d + k] = 0;
                f_scores[30 + 10 * d + k] = 0;
            }
        }
        p += 21;
    }
    return 0;
}
