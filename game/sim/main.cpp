// zarnok-sim: runs the real game headless for a number of host passes, feeding it scripted input
// and field settings, and prints the requested fields of the game as one JSON object per line.
//
//   zarnok-sim [--size WxH] [--updates N] [--script FILE] [--dump NAMES] [--dump-every K]
//              [--draw-every K] [--screenshot FILE]
//
// A recorded game (`zarnok --record FILE`) given as the script is replayed as it was played: its
// window size, frames, clock and state file, up to its last update.
//
// Besides the game's fields and globals, --dump takes `heap_bytes`: the bytes the program has
// allocated and not yet freed (the allocator's own count, without what it keeps cached).
//
// It runs in the current folder like the game (data/ and the state file are read there). Status
// lines of the game pass through on standard output. Exit status: 0 after the last pass (or the
// game's own status when it ends the program, after a last dump), 2 for a usage or script error.
// It never reads standard input: a fatal error ends it at once instead of waiting for a debugger.
#include <stb_image_write.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of live bytes (its public interface; GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

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
    std::fprintf(stderr,
                 "usage: zarnok-sim [--size WxH] [--updates N] [--script FILE] [--dump NAMES] "
                 "[--dump-every K] [--draw-every K] [--screenshot FILE]\n");
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

void dump(int pass) {
    if (pass == g_lastDumped || g_options.dump.empty()) return;
    g_lastDumped = pass;
    std::string line = "{\"pass\":" + std::to_string(pass);
    for (const std::string& name : g_options.dump) {
        if (name == "heap_bytes") {
            line += ",\"heap_bytes\":" + std::to_string(heap_bytes());
            continue;
        }
        GameField f;
        if (!zarnok_find_field(the_app(), name, &f)) continue;
        line += ",";
        json_string(&line, String::FromUtf8(name));
        line += ":";
        json_value(&line, f);
    }
    line += "}\n";
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// The game may end the program itself (quit, F4, the close key): the last dump comes first.
void dump_at_exit() {
    if (g_host) dump(g_host->Pass());
}

// 1 for an int field or global, 2 for a float one, 0 for any other name.
int settable_type(const std::string& name) {
    GameField f;
    if (!zarnok_find_field(the_app(), name, &f)) return 0;
    return f.type == GameField::Int ? 1 : f.type == GameField::Float ? 2 : 0;
}

// A set line: writes the named field of the game.
void set_field(const SimEvent& e) {
    GameField f;
    if (!zarnok_find_field(the_app(), e.name, &f)) return;
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
        GameField f;
        if (name != "heap_bytes" && !zarnok_find_field(the_app(), name, &f)) usage("unknown name " + name);
    }
    // Set lines name fields of the game object, so the script is read once the game exists.
    std::vector<SimEvent> events;
    std::string error;
    SimRecording recording;
    if (!sim_parse_script(scriptText, &events, &error, settable_type, &recording))
        usage(g_options.script + ": " + error);
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
