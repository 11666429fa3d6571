// A small program for the fatal-path tests: it runs one of the runtime's ways to print or to end,
// chosen by its first argument, so the test can watch its output streams and exit status.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/runtime.h"

namespace {

volatile int g_zero = 0;
int* volatile g_null = nullptr;

void InstallHandlers() {
    std::signal(SIGSEGV, sighandler);
    std::signal(SIGILL, sighandler);
    std::signal(SIGFPE, sighandler);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* what = argv[1];
    const char* arg = argc > 2 ? argv[2] : "";
    if (!std::strcmp(what, "error")) vxError(String(arg));
    if (!std::strcmp(what, "atexit")) {
        std::atexit([] { std::fputs("exit handlers ran\n", stdout); });
        vxError(String(arg));
    }
    if (!std::strcmp(what, "where")) {
        dbg_info = "zarnok.cpp<12>";
        vxError(String(arg));
    }
    if (!std::strcmp(what, "inspect")) {
        // The address of a live object, for the "@" command of the handshake.
        Object* o = new Object();
        std::printf("%p\n", static_cast<void*>(o));
        std::fflush(stdout);
        vxError(String("inspect"));
    }
    if (!std::strcmp(what, "print")) {
        Char units[] = {'c', 'a', 'f', 0xE9, ' ', 0x20AC};
        vxPrint(String(units, 6));
        vxPrint(String());
        dbg_print(String(std::string(500, 'w').c_str()));
        dbg_print(String("short"));
        return 0;
    }
    if (!std::strcmp(what, "raise")) {
        InstallHandlers();
        std::raise(std::atoi(arg));
        return 3;
    }
    if (!std::strcmp(what, "unknown")) {
        std::signal(SIGUSR1, sighandler);
        std::raise(SIGUSR1);
        return 3;
    }
    if (!std::strcmp(what, "segv")) {
        InstallHandlers();
        *g_null = 1;
        return 3;
    }
    if (!std::strcmp(what, "fpe")) {
        InstallHandlers();
        return 100 / g_zero;
    }
    if (!std::strcmp(what, "uncaught")) {
        try {
            throw new ThrowableObject();
        } catch (ThrowableObject*) {
            vx_uncaught_exception();
        }
    }
    return 2;
}
