// Status output and the end of the program.
//
// `vxPrint` writes one line to standard output. `vxError` ends the program: with an empty message
// normally (exit status 0), otherwise with the fatal report "Zorbin Runtime Error : <message>" on
// standard output, a debugger handshake on standard error and standard input, and status -1 (255).
// `sighandler` turns hardware faults into the same report.
#pragma once

#include <csignal>

#include "runtime/vxstring.h"

extern const char* dbg_info;
extern int dbg_stepmode;
extern int dbg_suspend;
// The signal whose fatal report is running (0 when none): exit handlers that would call into a
// library the fault may have struck skip their work.
extern volatile std::sig_atomic_t dbg_fatal_signal;

int vxPrint(const String& text);
[[noreturn]] void vxError(const String& message);
[[noreturn]] void dbg_error(const char* message);
String dbg_stacktrace();
int dbg_print(const String& text);
void dbg_stop();
void sighandler(int signal);
// The report for a runtime exception nobody caught; ends the process with status -1.
[[noreturn]] void vx_uncaught_exception();
