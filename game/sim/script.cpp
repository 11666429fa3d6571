#include "game/sim/script.h"

#include <algorithm>
#include <cmath>
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

}  // namespace

bool sim_parse_script(const std::string& text, std::vector<SimEvent>* events, std::string* error,
                      int (*known_name)(const std::string& name)) {
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

        SimEvent e;
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
            ok = parse_int(w[2], &e.a) && parse_int(w[3], &h) && e.a > 0 && h > 0;
            e.b = h;
        } else if (what == "set" && n == 4) {
            e.kind = SimEvent::Set;
            e.name = w[2];
            const int type = known_name ? known_name(e.name) : 0;
            ok = type == 1 ? parse_int(w[3], &e.a)
                           : type == 2 && parse_float(w[3], &e.x) && std::isfinite(e.x);
            if (type == 1) e.x = static_cast<float>(e.a);
        } else {
            ok = false;
        }
        if (!ok) {
            *error = "line " + std::to_string(number) + ": cannot read \"" + line + "\"";
            return false;
        }
        events->push_back(e);
    }
    std::stable_sort(events->begin(), events->end(),
                     [](const SimEvent& l, const SimEvent& r) { return l.pass < r.pass; });
    return true;
}
