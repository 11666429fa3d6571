// The fatal paths end to end: a child program prints or dies in each of the runtime's ways, with a
// chosen standard input, and the test checks its standard output, standard error and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Case {
    std::string args;   // for the shell
    std::string input;  // the whole of standard input
    int status;         // exit status (-1 when the child did not exit normally)
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    std::remove(path.c_str());
    return s.str();
}

// Runs the child as `c` describes, its streams in files; returns what really happened.
Case RunChild(const Case& c) {
    const std::string base = "fatal-" + std::to_string(getpid());
    std::ofstream(base + ".in", std::ios::binary) << c.input;
    const std::string command = std::string("'") + ZARNOK_FATAL_CHILD + "' " + c.args + " <" + base +
                                ".in >" + base + ".out 2>" + base + ".err";
    const int status = std::system(command.c_str());
    Case r = c;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(base + ".out");
    r.err = Slurp(base + ".err");
    std::remove((base + ".in").c_str());
    return r;
}

const std::string kHs = "{{~~(null)~~}}\n\n";  // the debugger handshake

std::string Report(const std::string& message, int times = 1) {
    std::string out;
    for (int i = 0; i < times; ++i) out += "Zorbin Runtime Error : " + message + "\n\n";
    return out;
}

}  // namespace

TEST(FatalPaths, OutputStreamsAndStatus) {
    const Case cases[] = {
        // An empty message ends silently with 0 (the game's way to quit), whatever the input says.
        {"error ''", "x\n", 0, "", ""},
        // The report and the debugger handshake, both with the source position; at the end of input
        // the program ends with 255, running the handlers registered for exit.
        {"where lost", "", 255, "Zorbin Runtime Error : lost\nzarnok.cpp<12>\n\nexit handlers ran\n",
         "{{~~zarnok.cpp<12>~~}}\n\n"},
        // r and the stepping commands let the program go on, so the report comes again; "?" lines are
        // skipped without a new handshake; q quits with 0, anything unknown is echoed and ends with 255.
        {"error boom", "r\ns\n?\nq\n", 0, Report("boom", 3), kHs + kHs + kHs},
        {"error boom", "x\n", 255, Report("boom") + "????? x ?????", kHs},
        // A real fault becomes the same report.
        {"segv", "q\n", 0, Report("Memory access violation"), kHs},
        // An uncaught exception: one line, no handshake.
        {"uncaught", "q\n", 255, "Zorbin Runtime Error : Uncaught Zorbin Exception\n", ""},
        // vxPrint writes UTF-8 lines; dbg_print writes one byte per unit, longer than its first buffer.
        {"print", "", 0, "caf\xC3\xA9 \xE2\x82\xAC\n\n", std::string(500, 'w') + "\nshort\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args + " input " + c.input);
        Case r = RunChild(c);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}
