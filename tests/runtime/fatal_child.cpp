// A small program for the fatal-path tests: it runs one of the runtime's ways to print or to end,
// chosen by its first argument, so the test can watch its output streams and exit status.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/runtime.h"

namespace {
int* volatile g_null = nullptr;
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* what = argv[1];
    String arg(argc > 2 ? argv[2] : "");
    std::signal(SIGSEGV, sighandler);
    if (!std::strcmp(what, "error")) vxError(arg);
    if (!std::strcmp(what, "where")) {
        std::atexit([] { std::fputs("exit handlers ran\n", stdout); });
        dbg_info = "zarnok.cpp<12>";
        vxError(arg);
    }
    if (!std::strcmp(what, "print")) {
        Char units[] = {'c', 'a', 'f', 0xE9, ' ', 0x20AC};
        vxPrint(String(units, 6));
        vxPrint(String());
        dbg_print(String(std::string(500, 'w').c_str()));
        dbg_print(String("short"));
        return 0;
    }
    if (!std::strcmp(what, "segv")) *g_null = 1;
    if (!std::strcmp(what, "uncaught")) {
        try {
            throw new ThrowableObject();
        } catch (ThrowableObject*) {
            vx_uncaught_exception();
        }
    }
    return 3;
}
