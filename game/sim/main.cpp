// zarnok-sim: runs the real game headless for a number of host passes, feeding it scripted input
// and field settings, and prints the requested fields of the game as one JSON object per line.
//
//   zarnok-sim [--size WxH] [--updates N] [--script FILE] [--dump NAMES] [--dump-every K]
//              [--draw-every K] [--screenshot FILE]
//
// A recorded game (`zarnok --record FILE`) given as the script is replayed as it was played: its
// window size, frames, clock and state file, up to its last update.
//
// Besides the game's fields and globals, --dump takes "NAME[I]" (element I of an int or float
// array, which set lines also take), `heap_bytes` (the bytes the program has allocated and not yet
// freed, the allocator's own count, without what it keeps cached) and `texts` (the lines of text
// drawn in the last update).
//
// A script line may hold several events of one kind at one pass: "P WORD A; B" stands for the lines
// "P WORD A" and "P WORD B" ("40 set f_lives 1; f_hurt 0", "30 key down 37; up 39"). The script
// may also hold expect lines, "P expect NAME OP VALUE" or "P-Q expect ...", checked after the
// update of pass P (of every pass from P to Q): the first mismatch is reported with its line and
// ends the run with status 3. OP is "=" or "!=" (as numbers to a float's precision, or else as the
// dump's JSON text), "<" or ">" (as numbers), "has" or "!has" (a part of the JSON text:
// `texts has "Top 10"`). A VALUE that names a field stands for its value (`f_a[0] = f_a[9]`).
//
// It runs in the current folder like the game (data/ and the state file are read there). Status
// lines of the game pass through on standard output. Exit status: 0 after the last pass (or the
// game's own status when it ends the program, after a last dump), 2 for a usage or script error,
// 3 for an expect line that does not hold.
// It never reads standard input: a fatal error ends it at once instead of waiting for a debugger.
#include <stb_image_write.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of live bytes (its public interface; GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/graphics.h"
#include "game/fields.h"
#include "game/myapp.h"
#include "host/script.h"
#include "host/sim_game.h"
#include "native/gxtk_graphics.h"

namespace {

struct Options {
    int width = 640, height = 480;
    int updates = 60;
    bool updatesGiven = false;
    std::string script;
    std::vector<std::string> dump;
    int dumpEvery = 0;
    int drawEvery = 1;
    std::string screenshot;
};

VxSimGame* g_host = nullptr;
Options g_options;
int g_lastDumped = -1;

[[noreturn]] void usage(const std::string& message) {
    std::fprintf(stderr, "zarnok-sim: %s\n", message.c_str());
    std::fprintf(
        stderr,
        "usage: zarnok-sim [--size WxH] [--updates N] [--script FILE] [--dump NAMES] "
        "[--dump-every K] [--draw-every K] [--screenshot FILE]\n"
        "script lines: P key|char|mouse|joy|suspend|resume|resize|set ..., "
        "P[-Q] expect NAME =|!=|<|>|has|!has VALUE; \"P WORD A; B\" for \"P WORD A\" and \"P WORD B\"\n");
    std::exit(2);
}

int positive(const std::string& text, const char* what, long most = 100000000) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < 1 || v > most) usage(std::string("bad ") + what + ": " + text);
    return static_cast<int>(v);
}

Options parse_args(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--size") {
            std::string v = value();
            size_t x = v.find('x');
            if (x == std::string::npos) usage("bad size: " + v);
            o.width = positive(v.substr(0, x), "width", kSimMaxWindowSide);
            o.height = positive(v.substr(x + 1), "height", kSimMaxWindowSide);
        } else if (a == "--updates") {
            o.updates = positive(value(), "update count");
            o.updatesGiven = true;
        } else if (a == "--script") {
            o.script = value();
        } else if (a == "--dump") {
            std::stringstream names(value());
            for (std::string n; std::getline(names, n, ',');) {
                if (!n.empty()) o.dump.push_back(n);
            }
            if (o.dump.empty()) usage("--dump needs at least one name");
        } else if (a == "--dump-every") {
            o.dumpEvery = positive(value(), "dump interval");
        } else if (a == "--draw-every") {
            o.drawEvery = positive(value(), "draw interval");
        } else if (a == "--screenshot") {
            o.screenshot = value();
        } else {
            usage("unknown argument " + a);
        }
    }
    return o;
}

void json_string(std::string* out, const String& s) {
    out->push_back('"');
    for (char c : s.ToUtf8()) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out->push_back('\\');
            out->push_back(c);
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out->append(buf);
        } else {
            out->push_back(c);
        }
    }
    out->push_back('"');
}

// Floats are printed with 9 significant digits, which read back to the same 32-bit value.
void json_float(std::string* out, float v) {
    if (v != v || v - v != 0) {
        out->append("null");
        return;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    out->append(buf);
}

template <class T, class F>
void json_array(std::string* out, const Array<T>& a, F each) {
    out->push_back('[');
    for (int i = 0; i < a.Length(); ++i) {
        if (i) out->push_back(',');
        each(a[i]);
    }
    out->push_back(']');
}

void json_value(std::string* out, const GameField& f) {
    switch (f.type) {
        case GameField::Int:
            out->append(std::to_string(*static_cast<int*>(f.ptr)));
            break;
        case GameField::Float:
            json_float(out, *static_cast<float*>(f.ptr));
            break;
        case GameField::Str:
            json_string(out, *static_cast<String*>(f.ptr));
            break;
        case GameField::IntArray:
            json_array(out, *static_cast<Array<int>*>(f.ptr), [&](int v) { out->append(std::to_string(v)); });
            break;
        case GameField::FloatArray:
            json_array(out, *static_cast<Array<float>*>(f.ptr), [&](float v) { json_float(out, v); });
            break;
        case GameField::BoolArray:
            json_array(out, *static_cast<Array<bool>*>(f.ptr),
                       [&](bool v) { out->append(v ? "true" : "false"); });
            break;
        case GameField::ImageArray:
            json_array(out, *static_cast<Array<c_Image*>*>(f.ptr),
                       [&](c_Image* v) { out->append(v ? "true" : "false"); });
            break;
        case GameField::SoundArray:
            json_array(out, *static_cast<Array<c_Sound*>*>(f.ptr),
                       [&](c_Sound* v) { out->append(v ? "true" : "false"); });
            break;
    }
}

c_MyApp* the_app() {
    return dynamic_cast<c_MyApp*>(vx_app__app);
}

size_t heap_bytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

// The lines of text drawn in the last update: glyphs of the current font on one baseline, left to
// right, run together; a gap wider than a glyph's advance is a space.
void json_texts(std::string* out) {
    const c_MyApp* app = the_app();
    std::vector<std::string> texts;
    float lastX = 0, lastY = -1e9f;
    for (int at = 0; at + kDrawStride <= app->f_drawCount; at += kDrawStride) {
        const float* f = app->f_drawList.Data() + at;
        if (static_cast<int>(f[0]) != app->f_font) {
            lastY = -1e9f;
            continue;
        }
        if (f[2] != lastY || f[1] < lastX) {
            texts.emplace_back();
        } else if (f[1] - lastX > 10.0f * f[4]) {
            texts.back() += ' ';
        }
        texts.back() += static_cast<char>(f[6] + 32);
        lastX = f[1], lastY = f[2];
    }
    out->push_back('[');
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i) out->push_back(',');
        json_string(out, String::FromUtf8(texts[i]));
    }
    out->push_back(']');
}

// A name of --dump, set or expect lines: a field or global, or "NAME[I]", element I of an int or
// float array.
bool find_field(const std::string& name, GameField* f) {
    const size_t open = name.find('[');
    if (open == std::string::npos) return zarnok_find_field(the_app(), name, f);
    char* end = nullptr;
    const long i = std::strtol(name.c_str() + open + 1, &end, 10);
    GameField a;
    if (end == name.c_str() + open + 1 || std::string(end) != "]" || i < 0 ||
        !zarnok_find_field(the_app(), name.substr(0, open), &a))
        return false;
    if (a.type == GameField::IntArray && i < static_cast<Array<int>*>(a.ptr)->Length()) {
        *f = {GameField::Int, static_cast<Array<int>*>(a.ptr)->Data() + i};
        return true;
    }
    if (a.type == GameField::FloatArray && i < static_cast<Array<float>*>(a.ptr)->Length()) {
        *f = {GameField::Float, static_cast<Array<float>*>(a.ptr)->Data() + i};
        return true;
    }
    return false;
}

// The JSON text of a name's value: a field (find_field), "heap_bytes" or "texts". False for an
// unknown name.
bool value_text(const std::string& name, std::string* out) {
    GameField f;
    if (name == "heap_bytes")
        out->append(std::to_string(heap_bytes()));
    else if (name == "texts")
        json_texts(out);
    else if (find_field(name, &f))
        json_value(out, f);
    else
        return false;
    return true;
}

void dump(int pass) {
    if (pass == g_lastDumped || g_options.dump.empty()) return;
    g_lastDumped = pass;
    std::string line = "{\"pass\":" + std::to_string(pass);
    for (const std::string& name : g_options.dump) {
        line += ",";
        json_string(&line, String::FromUtf8(name));
        line += ":";
        value_text(name, &line);
    }
    line += "}\n";
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// One check of an expect line (see the top of the file), for the passes first .. last.
struct Expect {
    int first = 0, last = 0, line = 0;
    std::string name, op, value;
};
std::vector<Expect> g_expects;

// Reads the expect line "P[-Q] expect NAME OP VALUE", line n of the script.
void take_expect(const std::string& text, int n) {
    std::istringstream words(text.substr(0, text.find('#')));
    std::string passes, word;
    Expect e;
    e.line = n;
    words >> passes >> word >> e.name >> e.op >> std::ws;
    std::getline(words, e.value);
    while (!e.value.empty() && std::isspace(static_cast<unsigned char>(e.value.back()))) e.value.pop_back();
    char* end = nullptr;
    e.first = e.last = static_cast<int>(std::strtol(passes.c_str(), &end, 10));
    if (*end == '-') e.last = static_cast<int>(std::strtol(end + 1, &end, 10));
    std::string ignored;
    if (*end || !std::isdigit(static_cast<unsigned char>(passes[0])) || e.last < e.first ||
        e.last >= g_options.updates || e.value.empty() || !value_text(e.name, &ignored) ||
        !(e.op == "=" || e.op == "!=" || e.op == "<" || e.op == ">" || e.op == "has" || e.op == "!has"))
        usage(g_options.script + ": line " + std::to_string(n) + ": bad expect line");
    g_expects.push_back(e);
}

// Prepares a script for the parser: a line of several events of one kind at one pass, "P WORD A;
// B; ...", becomes the lines "P WORD A", "P WORD B", ...; expect lines are taken out (leaving blank
// lines). `from` gets the script line of each line of the result.
std::string prepare_script(const std::string& text, std::vector<int>* from) {
    std::istringstream in(text);
    std::string out;
    int n = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string pass, word, part;
        words >> pass >> word;
        std::vector<std::string> parts;
        // A recorded state line keeps its text as it is.
        while (word != "state" && line.find(';') != std::string::npos && std::getline(words, part, ';'))
            parts.push_back(pass + " " + word + " " + part);
        if (parts.empty()) parts.push_back(line);
        ++n;
        for (const std::string& p : parts) {
            if (word == "expect") take_expect(p, n);
            out += word == "expect" ? "\n" : p + "\n";
            from->push_back(n);
        }
    }
    return out;
}

// Checks the expect lines of a pass; a mismatch ends the run with status 3.
void check_expects(int pass) {
    for (const Expect& e : g_expects) {
        if (pass < e.first || pass > e.last) continue;
        std::string actual, value;
        value_text(e.name, &actual);
        if (!value_text(e.value, &value)) value = e.value;  // a name stands for its value
        char *endA = nullptr, *endV = nullptr;
        const double a = std::strtod(actual.c_str(), &endA), v = std::strtod(value.c_str(), &endV);
        const bool numbers = !actual.empty() && !*endA && !*endV;
        // A float field prints 9 digits: "0.49" stands for the float nearest 0.49.
        const bool equal =
            numbers ? a == v || static_cast<float>(a) == static_cast<float>(v) : actual == value;
        const bool has = actual.find(value) != std::string::npos;
        const bool ok = e.op == "="      ? equal
                        : e.op == "!="   ? !equal
                        : e.op == "has"  ? has
                        : e.op == "!has" ? !has
                                         : numbers && (e.op == "<" ? a < v : a > v);
        if (ok) continue;
        std::fprintf(stderr, "zarnok-sim: %s:%d: after pass %d, %s is %s, expected %s %s\n",
                     g_options.script.c_str(), e.line, pass, e.name.c_str(), actual.c_str(), e.op.c_str(),
                     value.c_str());
        std::exit(3);
    }
}

// The game may end the program itself (quit, F4, the close key): the last dump comes first.
void dump_at_exit() {
    if (g_host) dump(g_host->Pass());
}

// 1 for an int field or global, 2 for a float one, 0 for any other name.
int settable_type(const std::string& name) {
    GameField f;
    if (!find_field(name, &f)) return 0;
    return f.type == GameField::Int ? 1 : f.type == GameField::Float ? 2 : 0;
}

// A set line: writes the named field of the game.
void set_field(const SimEvent& e) {
    GameField f;
    if (!find_field(e.name, &f)) return;
    if (f.type == GameField::Int) *static_cast<int*>(f.ptr) = e.a;
    if (f.type == GameField::Float) *static_cast<float*>(f.ptr) = e.x;
}

bool screenshot(const std::string& path) {
    int w = g_host->GetDeviceWidth(), h = g_host->GetDeviceHeight();
    if (!vx_graphics_device || w <= 0 || h <= 0) return false;
    Array<int> pixels(w * h);
    vx_graphics_device->ReadPixels(pixels, 0, 0, w, h, 0, w);
    std::vector<unsigned char> rgba(static_cast<size_t>(w) * h * 4);
    for (int i = 0; i < w * h; ++i) {
        unsigned p = static_cast<unsigned>(pixels[i]);
        rgba[4 * i + 0] = static_cast<unsigned char>(p >> 16);
        rgba[4 * i + 1] = static_cast<unsigned char>(p >> 8);
        rgba[4 * i + 2] = static_cast<unsigned char>(p);
        rgba[4 * i + 3] = 255;
    }
    return stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A batch tool: the fatal report's debugger handshake must find no input, not wait for it.
    if (!std::freopen("/dev/null", "r", stdin)) std::fclose(stdin);
    g_options = parse_args(argc, argv);

    std::string scriptText;
    if (!g_options.script.empty()) {
        std::error_code ec;
        std::ifstream in(g_options.script, std::ios::binary);
        if (!in || std::filesystem::is_directory(g_options.script, ec))
            usage("cannot read script " + g_options.script);
        std::stringstream text;
        text << in.rdbuf();
        scriptText = text.str();
    }

    // Headless runs play sound into nothing unless OpenAL Soft is configured otherwise.
    if (!std::getenv("ALSOFT_CONF") && !std::getenv("ALSOFT_DRIVERS")) setenv("ALSOFT_DRIVERS", "null", 1);

    if (!vx_sim_init_window_system()) {
        std::puts("glfwInit failed");
        return 255;
    }
    g_host = new VxSimGame(g_options.width, g_options.height);
    std::signal(SIGSEGV, sighandler);
    std::signal(SIGILL, sighandler);
    std::signal(SIGFPE, sighandler);
    gc_init1();
    try {
        vxInit();
        gc_init2();
        vxMain();
    } catch (ThrowableObject* ex) {
        g_host->Die(ex);
    }
    if (!the_app()) usage("the program created no game");
    for (const std::string& name : g_options.dump) {
        std::string ignored;
        if (!value_text(name, &ignored)) usage("unknown name " + name);
    }
    std::vector<int> from;
    scriptText = prepare_script(scriptText, &from);
    // Set lines name fields of the game object, so the script is read once the game exists.
    std::vector<SimEvent> events;
    std::string error;
    SimRecording recording;
    if (!sim_parse_script(scriptText, &events, &error, settable_type, &recording)) {
        // The parser counts the prepared lines; the message names the script's.
        if (error.rfind("line ", 0) == 0)
            error = "line " + std::to_string(from.at(std::atoi(error.c_str() + 5) - 1)) +
                    error.substr(error.find(':'));
        usage(g_options.script + ": " + error);
    }
    for (SimEvent& e : events) e.line = from.at(e.line - 1);
    if (recording.present) {
        // A recorded game has its own window size, and runs to its last update unless told otherwise.
        g_host->UseRecording(recording, events, g_options.script);
        g_options.width = recording.width;
        g_options.height = recording.height;
        if (!g_options.updatesGiven) g_options.updates = events.empty() ? 1 : events.back().pass + 1;
    }
    size_t late = 0;
    for (const SimEvent& e : events) late += e.pass >= g_options.updates;
    if (late > 0) {
        std::fprintf(stderr, "zarnok-sim: %zu script event(s) at pass %d or later are never delivered\n",
                     late, g_options.updates);
    }

    g_host->SetGlfwWindow(g_options.width, g_options.height, 8, 8, 8, 0, 0, 0, false);
    std::atexit(dump_at_exit);
    g_host->StartGame();

    // With --draw-every K a pass draws only every Kth time, and whenever the window size or the
    // screen changed since the last drawing: long runs spend their time in the game, not in the
    // software rasteriser, and still draw every screen and every size they reach.
    size_t next = 0;
    int drawnW = -1, drawnH = -1, drawnMode = -1;
    for (int pass = 0; pass < g_options.updates; ++pass) {
        const int w = g_host->GetDeviceWidth(), h = g_host->GetDeviceHeight(), mode = the_app()->f_mode;
        const bool draw = pass % g_options.drawEvery == 0 || w != drawnW || h != drawnH || mode != drawnMode;
        if (draw) drawnW = w, drawnH = h, drawnMode = mode;
        g_host->BeginPass(pass, events, &next, set_field, draw);
        g_host->UpdateGame();
        check_expects(pass);
        if (g_options.dumpEvery > 0 && (pass + 1) % g_options.dumpEvery == 0) dump(pass);
    }
    dump(g_options.updates - 1);

    if (!g_options.screenshot.empty()) {
        g_host->RenderGame();
        if (!screenshot(g_options.screenshot)) {
            std::fprintf(stderr, "zarnok-sim: cannot write %s\n", g_options.screenshot.c_str());
            return 1;
        }
    }
    return 0;
}
