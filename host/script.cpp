#include "host/script.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

bool parse_int(const std::string& word, int* out) {
    if (word.empty()) return false;
    size_t used = 0;
    try {
        long v = std::stol(word, &used, 10);
        if (used != word.size() || v < -2147483648L || v > 2147483647L) return false;
        *out = static_cast<int>(v);
        return true;
    } catch (...) {
        return false;
    }
}

bool parse_float(const std::string& word, float* out) {
    if (word.empty()) return false;
    size_t used = 0;
    try {
        *out = std::stof(word, &used);
        return used == word.size();
    } catch (...) {
        return false;
    }
}

// Reads a header line of a recorded game into `r`; false if it is none or malformed.
bool parse_header(const std::vector<std::string>& w, SimRecording* r, bool first, std::string* why) {
    if (first) {
        int version = 0;
        if (w.size() != 2 || w[0] != "zarnok-recording" || !parse_int(w[1], &version)) return false;
        r->present = true;
        if (version != kSimRecordingVersion) {
            *why = "a recording of version " + w[1] + "; this program replays version " +
                   std::to_string(kSimRecordingVersion);
            return false;
        }
        return true;
    }
    auto positive = [](const std::string& word, int* out) {
        return parse_int(word, out) && *out > 0 && *out <= kSimMaxWindowSide;
    };
    if (w[0] == "size" && w.size() == 3) return positive(w[1], &r->width) && positive(w[2], &r->height);
    if (w[0] == "desktop" && w.size() == 6) {
        for (int i = 0; i < 5; ++i)
            if (!parse_int(w[i + 1], &r->desktop[i]) || r->desktop[i] < 0) return false;
        return true;
    }
    return false;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string sim_encode_state(const std::u16string& state) {
    std::string out;
    for (char16_t u : state) {
        if (u > 0x20 && u < 0x7F && u != '%' && u != '#') {
            out.push_back(static_cast<char>(u));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%%%04X", static_cast<unsigned>(u));
            out.append(buf);
        }
    }
    return out;
}

bool sim_decode_state(const std::string& text, std::u16string* state) {
    state->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            state->push_back(static_cast<char16_t>(static_cast<unsigned char>(text[i])));
            continue;
        }
        unsigned u = 0;
        for (int k = 1; k <= 4; ++k) {
            const int d = i + k < text.size() ? hex_digit(text[i + k]) : -1;
            if (d < 0) return false;
            u = u * 16 + static_cast<unsigned>(d);
        }
        state->push_back(static_cast<char16_t>(u));
        i += 4;
    }
    return true;
}

bool sim_parse_script(const std::string& text, std::vector<SimEvent>* events, std::string* error,
                      int (*known_name)(const std::string& name), SimRecording* recording) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream in(line);
        std::vector<std::string> w;
        for (std::string word; in >> word;) w.push_back(word);
        if (w.empty()) continue;

        SimRecording* r = recording;
        const bool first = r && !r->present && events->empty() && w[0] == "zarnok-recording";
        if (first || (r && r->present && (w[0] == "size" || w[0] == "desktop"))) {
            std::string why;
            if (parse_header(w, r, first, &why)) continue;
            *error = "line " + std::to_string(number) + ": " +
                     (why.empty() ? "cannot read \"" + line + "\"" : why);
            return false;
        }

        SimEvent e;
        e.line = number;
        bool ok = parse_int(w[0], &e.pass) && e.pass >= 0 && w.size() >= 2;
        const std::string what = ok ? w[1] : "";
        auto n = w.size();
        if (!ok) {
        } else if (what == "key" && n == 4 && (w[2] == "down" || w[2] == "up")) {
            e.kind = w[2] == "down" ? SimEvent::KeyDown : SimEvent::KeyUp;
            ok = parse_int(w[3], &e.a);
        } else if (what == "char" && n == 3) {
            e.kind = SimEvent::Char;
            ok = parse_int(w[2], &e.a);
        } else if (what == "mouse" && n == 6 && (w[2] == "down" || w[2] == "up")) {
            e.kind = w[2] == "down" ? SimEvent::MouseDown : SimEvent::MouseUp;
            ok = parse_int(w[3], &e.a) && parse_float(w[4], &e.x) && parse_float(w[5], &e.y);
        } else if (what == "mouse" && n == 5 && w[2] == "move") {
            e.kind = SimEvent::MouseMove;
            ok = parse_float(w[3], &e.x) && parse_float(w[4], &e.y);
        } else if (what == "joy" && n >= 4) {
            ok = parse_int(w[2], &e.a) && e.a >= 0 && e.a <= 3;
            if (ok && w[3] == "axis" && n == 6) {
                e.kind = SimEvent::JoyAxis;
                ok = parse_int(w[4], &e.index) && e.index >= 0 && e.index <= 5 && parse_float(w[5], &e.x);
            } else if (ok && w[3] == "button" && n == 6) {
                e.kind = SimEvent::JoyButton;
                ok = parse_int(w[4], &e.index) && e.index >= 0 && e.index <= 31 && parse_int(w[5], &e.b) &&
                     (e.b == 0 || e.b == 1);
            } else if (ok && w[3] == "unplug" && n == 4) {
                e.kind = SimEvent::JoyUnplug;
            } else {
                ok = false;
            }
        } else if (what == "suspend" && n == 2) {
            e.kind = SimEvent::Suspend;
        } else if (what == "resume" && n == 2) {
            e.kind = SimEvent::Resume;
        } else if (what == "resize" && n == 4) {
            e.kind = SimEvent::Resize;
            int h = 0;
            ok = parse_int(w[2], &e.a) && parse_int(w[3], &h) && e.a > 0 && h > 0 &&
                 e.a <= kSimMaxWindowSide && h <= kSimMaxWindowSide;
            e.b = h;
        } else if (what == "set" && n == 4) {
            e.kind = SimEvent::Set;
            e.name = w[2];
            const int type = known_name ? known_name(e.name) : 0;
            ok = type == 1 ? parse_int(w[3], &e.a)
                           : type == 2 && parse_float(w[3], &e.x) && std::isfinite(e.x);
            if (type == 1) e.x = static_cast<float>(e.a);
        } else if (what == "render" && n == 2 && r && r->present) {
            e.kind = SimEvent::Render;
        } else if (what == "clock" && n == 3 && r && r->present) {
            e.kind = SimEvent::Clock;
            ok = parse_int(w[2], &e.a);
        } else if (what == "check" && n == 3 && r && r->present && w[2].size() == 8) {
            e.kind = SimEvent::Check;
            char* end = nullptr;
            e.digest = static_cast<unsigned>(std::strtoul(w[2].c_str(), &end, 16));
            ok = *end == 0 && w[2].find_first_not_of("0123456789abcdef") == std::string::npos;
        } else if (what == "state" && (n == 3 || n == 4) && r && r->present) {
            e.kind = SimEvent::State;
            int length = -1;
            ok = parse_int(w[2], &length) && sim_decode_state(n == 4 ? w[3] : "", &e.text) &&
                 static_cast<int>(e.text.size()) == length;
        } else {
            ok = false;
        }
        if (ok && r && r->present && !events->empty() && e.pass < events->back().pass) {
            *error = "line " + std::to_string(number) + ": update " + w[0] + " comes after update " +
                     std::to_string(events->back().pass);
            return false;
        }
        if (!ok) {
            *error = "line " + std::to_string(number) + ": cannot read \"" + line + "\"";
            return false;
        }
        events->push_back(e);
    }
    if (recording && recording->present && (recording->width == 0 || recording->desktop[0] < 0)) {
        *error = "line 1: the recording's header has no size or no desktop line";
        return false;
    }
    std::stable_sort(events->begin(), events->end(),
                     [](const SimEvent& l, const SimEvent& r) { return l.pass < r.pass; });
    return true;
}
