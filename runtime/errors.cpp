#include "runtime/errors.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/gc.h"

const char* dbg_info = nullptr;
int dbg_stepmode = 0;
int dbg_suspend = 0;
volatile std::sig_atomic_t dbg_fatal_signal = 0;

int vxPrint(const String& text) {
    std::string line = text.ToUtf8();
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    return 0;
}

void vxError(const String& message) {
    if (message.Empty()) std::exit(0);
    dbg_error(message.ToCString().c_str());
}

String dbg_stacktrace() {
    if (!dbg_info || !*dbg_info) return String();
    return String(dbg_info) + String("\n");
}

int dbg_print(const String& text) {
    static std::string buf;  // grows to the text's length plus 100 when too small
    if (buf.capacity() < static_cast<size_t>(text.Length()) + 1)
        buf.reserve(static_cast<size_t>(text.Length()) + 100);
    buf.assign(text.ToCString().c_str(), static_cast<size_t>(text.Length()));
    buf.push_back('\n');
    std::fwrite(buf.data(), 1, buf.size(), stderr);
    std::fflush(stderr);
    return 0;
}

void dbg_error(const char* message) {
    for (;;) {
        vxPrint(String("Zorbin Runtime Error : ") + String(message));
        vxPrint(dbg_stacktrace());
        dbg_stop();
    }
}

void dbg_stop() {
    std::fprintf(stderr, "{{~~%s~~}}\n\n", dbg_info ? dbg_info : "(null)");
    std::fflush(stderr);
    for (;;) {
        char line[256];
        if (!std::fgets(line, sizeof line, stdin)) std::exit(-1);
        size_t n = std::strlen(line);
        if (n == 0 || line[n - 1] != '\n') std::exit(-1);
        switch (line[0]) {
            case '?':
                continue;
            case '@': {
                void* p = nullptr;
                if (std::sscanf(line + 1, "%p", &p) == 1 && p) {
                    dbg_print(static_cast<Object*>(p)->debug());
                } else {
                    dbg_print(String());
                }
                continue;
            }
            case 'r':
                dbg_stepmode = 0;
                dbg_suspend = 0;
                return;
            case 's':
                dbg_stepmode = 's';
                dbg_suspend = 1;
                return;
            case 'e':
                dbg_stepmode = 'e';
                dbg_suspend = 1;
                return;
            case 'l':
                dbg_stepmode = 'l';
                dbg_suspend = 0;
                return;
            case 'q':
                std::exit(0);
            default:
                line[n - 1] = 0;
                std::printf("????? %s ?????", line);
                std::fflush(stdout);
                std::exit(-1);
        }
    }
}

void sighandler(int signal) {
    dbg_fatal_signal = signal;
    const char* text = "Unknown signal";
    switch (signal) {
        case SIGFPE:
            text = "Floating point exception";
            break;
        case SIGSEGV:
            text = "Memory access violation";
            break;
        case SIGILL:
            text = "Illegal instruction";
            break;
    }
    dbg_error(text);
}

void vx_uncaught_exception() {
    vxPrint(String("Zorbin Runtime Error : Uncaught Zorbin Exception"));
    std::exit(-1);
}
