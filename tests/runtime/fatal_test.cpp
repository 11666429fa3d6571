// The fatal paths end to end: a child program prints or dies in each of the runtime's ways, with a
// chosen standard input, and the test checks its standard output, standard error and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string ReadAll(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
}

struct Case {
    std::vector<std::string> args;
    std::string input;  // written to standard input, followed by its end
    int status;         // exit status (-1 when the child did not exit normally)
    std::string out, err;
};

// Runs the child as `c` describes; returns `c` with what really happened in status, out and err.
Case RunChild(Case c) {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) return {{}, "", -2, "no pipes", ""};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        static std::string path = ZARNOK_FATAL_CHILD;
        std::vector<char*> argv{path.data()};
        for (std::string& a : c.args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    Case r = c;
    std::thread errReader([&] { r.err = ReadAll(err[0]); });
    signal(SIGPIPE, SIG_IGN);  // the child may have ended already
    if (write(in[1], c.input.data(), c.input.size()) < 0) {
    }
    close(in[1]);
    r.out = ReadAll(out[0]);
    errReader.join();
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
        {{"error", ""}, "x\n", 0, "", ""},
        // The report and the debugger handshake, both with the source position; at the end of input
        // the program ends with 255, running the handlers registered for exit.
        {{"where", "lost"},
         "",
         255,
         "Zorbin Runtime Error : lost\nzarnok.cpp<12>\n\nexit handlers ran\n",
         "{{~~zarnok.cpp<12>~~}}\n\n"},
        // r and the stepping commands let the program go on, so the report comes again; "?" lines are
        // skipped without a new handshake; q quits with 0, anything unknown is echoed and ends with 255.
        {{"error", "boom"}, "r\ns\n?\nq\n", 0, Report("boom", 3), kHs + kHs + kHs},
        {{"error", "boom"}, "x\n", 255, Report("boom") + "????? x ?????", kHs},
        // A real fault becomes the same report.
        {{"segv"}, "q\n", 0, Report("Memory access violation"), kHs},
        // An uncaught exception: one line, no handshake.
        {{"uncaught"}, "q\n", 255, "Zorbin Runtime Error : Uncaught Zorbin Exception\n", ""},
        // vxPrint writes UTF-8 lines; dbg_print writes one byte per unit, longer than its first buffer.
        {{"print"}, "", 0, "caf\xC3\xA9 \xE2\x82\xAC\n\n", std::string(500, 'w') + "\nshort\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : "") + " input " + c.input);
        Case r = RunChild(c);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}
