#include <cstdio>
#include <map>

#include "hardening.h"

namespace {

// xorshift64*: the same numbers on every platform, unlike the standard distributions.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    template <class T, size_t N>
    T Pick(const T (&items)[N]) {
        return items[Below(static_cast<int>(N))];
    }

  private:
    uint64_t state_;
};

// Arrows, Enter, Space, Shift, Ctrl, Tab, the letters and digits a player reaches for, F1 (debug) and
// F2 (info); F11 (full screen) comes with the resizes. Never F4 (115), Escape (27), ` (192), Delete
// (46), Backspace (8), the back request (416) or the close request (432).
const int kKeys[] = {37, 38, 39, 40, 37, 39, 37, 39, 13, 13, 32, 32, 16,  17,  9,  65, 68,
                     83, 87, 88, 90, 67, 86, 78, 77, 80, 49, 50, 51, 112, 113, 65, 90};
// Joystick buttons except 6, 7 and 14, which mean back.
const int kButtons[] = {0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 15, 16, 0, 0, 1};

}  // namespace

std::string soak_script(uint64_t seed, int updates) {
    Random r(seed);
    std::multimap<int, std::string> later;  // releases and resumes, by pass
    std::string out;
    auto emit = [&out](int pass, const std::string& what) {
        out += std::to_string(pass) + " " + what + "\n";
    };
    int width = 640, height = 480;
    bool suspended = false;
    for (int pass = 0; pass < updates; ++pass) {
        for (auto it = later.begin(); it != later.end() && it->first <= pass; it = later.erase(it)) {
            emit(pass, it->second);
            if (it->second == "resume") suspended = false;
        }
        // The first 10,000 updates visit every image resolution and the full screen once, so that
        // what the game holds afterwards is no more than it has held before.
        static const struct {
            int pass;
            const char* what;
        } kTour[] = {{1000, "resize 1280 960"}, {2500, "resize 320 240"}, {4000, "resize 640 480"},
                     {5500, "key down 122"},    {5502, "key up 122"},     {7000, "key down 122"},
                     {7002, "key up 122"}};
        for (const auto& t : kTour)
            if (t.pass == pass) emit(pass, t.what);
        // Before a checkpoint: the same window and screen every time, and no random input.
        const int next = soak_next_checkpoint(pass);
        // A 320 x 240 window and a new game first, then the full-screen key twice: each switch
        // makes a new GL context, so the last one holds only the textures of the images in use.
        if (next - pass == kSoakQuiet) {
            width = 320, height = 240;
            emit(pass, "resize 320 240");
            emit(pass, "set f_difficulty 1");
            emit(pass, "set f_mode 11");
        }
        if (next - pass == kSoakQuiet - 1000 || next - pass == kSoakQuiet - 2000) {
            emit(pass, "key down 122");
            later.emplace(pass + 2, "key up 122");
        }
        if (next - pass <= kSoakQuiet) continue;
        if (pass % 5000 == 100) {
            // A new game every 5,000 updates, whatever the menus are doing, so that play is covered.
            emit(pass, "set f_difficulty " + std::to_string(r.Between(1, 3)));
            emit(pass, "set f_mode 11");
        }
        if (r.Below(100) >= 30) continue;  // about one pass in three has something new
        const int roll = r.Below(1000);
        if (roll < 420) {
            const int key = r.Pick(kKeys);
            emit(pass, "key down " + std::to_string(key));
            later.emplace(pass + r.Between(1, 90), "key up " + std::to_string(key));
        } else if (roll < 520) {
            // Printable characters and a few beyond ASCII; not the cabinet's back letters O and L.
            int c = r.Below(8) == 0 ? r.Between(0xa0, 0x2fff) : r.Between(32, 126);
            if (c == 'O' || c == 'o' || c == 'L' || c == 'l') c = 'W';
            emit(pass, "char " + std::to_string(c));
        } else if (roll < 760) {
            // A press, a drag, a release; now and then a little outside the window.
            const int b = r.Below(6) == 0 ? r.Between(2, 3) : 1;
            int x = r.Between(-20, width + 20), y = r.Between(-20, height + 20);
            emit(pass, "mouse down " + std::to_string(b) + " " + std::to_string(x) + " " + std::to_string(y));
            const int hold = r.Between(1, 40);
            for (int step = 1; step < hold; step += r.Between(1, 4)) {
                x += r.Between(-30, 30);
                y += r.Between(-30, 30);
                later.emplace(pass + step, "mouse move " + std::to_string(x) + " " + std::to_string(y));
            }
            later.emplace(pass + hold, "mouse up " + std::to_string(b) + " " + std::to_string(x) + " " +
                                           std::to_string(y));
        } else if (roll < 930) {
            const int unit = r.Below(8) < 6 ? 0 : r.Between(1, 3);
            if (r.Below(2) == 0) {
                const int axis = r.Below(6);
                char value[16];
                std::snprintf(value, sizeof value, "%.2f", r.Between(-100, 100) / 100.0);
                emit(pass, "joy " + std::to_string(unit) + " axis " + std::to_string(axis) + " " + value);
            } else {
                const int b = r.Pick(kButtons);
                emit(pass, "joy " + std::to_string(unit) + " button " + std::to_string(b) + " 1");
                later.emplace(pass + r.Between(1, 60),
                              "joy " + std::to_string(unit) + " button " + std::to_string(b) + " 0");
            }
        } else if (roll < 960) {
            emit(pass, "joy " + std::to_string(r.Below(4)) + " unplug");
        } else if (roll < 995) {
            if (!suspended) {
                suspended = true;
                emit(pass, "suspend");
                later.emplace(pass + r.Between(1, 120), "resume");
            }
        } else if (r.Below(2) == 0) {
            // The full-screen key, now and then only: each switch reloads every image.
            emit(pass, "key down 122");
            later.emplace(pass + r.Between(1, 30), "key up 122");
        } else if (r.Below(2) == 0) {
            // A resize also reloads every image.
            width = r.Below(4) == 0 ? r.Between(40, 320) : r.Between(320, 1024);
            height = r.Below(4) == 0 ? r.Between(40, 240) : r.Between(240, 768);
            emit(pass, "resize " + std::to_string(width) + " " + std::to_string(height));
        }
    }
    for (const auto& [pass, what] : later) emit(updates, what);  // after the run: harmless
    return out;
}
