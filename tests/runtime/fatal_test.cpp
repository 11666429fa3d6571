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
    bool closedInput = false;  // standard input not open at all
    bool inspect = false;      // the child's first output line is an address: send "@address" first
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
        if (c.closedInput) close(0);
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
    if (c.inspect) {
        std::string address;
        for (char ch; read(out[0], &ch, 1) == 1 && ch != '\n';) address.push_back(ch);
        c.input = "@" + address + "\n" + c.input;
    }
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
    const std::string boom = Report("boom");
    const Case cases[] = {
        // An empty message ends silently, whatever the input says.
        {{"error", ""}, "x\n", 0, "", ""},
        // End of input, or no input at all: status 255 after the report and the handshake.
        {{"error", "Image frame outside surface"}, "", 255, Report("Image frame outside surface"), kHs},
        {{"error", "App has already been created"},
         "",
         255,
         Report("App has already been created"),
         kHs,
         true},
        // q quits with 0; anything unknown is echoed back on standard output and ends with 255.
        {{"error", "boom"}, "q\n", 0, boom, kHs},
        {{"error", "boom"}, "x\n", 255, boom + "????? x ?????", kHs},
        // r lets the program go on, so the report comes again; then the input ends.
        {{"error", "boom"}, "r\n", 255, Report("boom", 2), kHs + kHs},
        // Every stepping command returns likewise; "?" lines are skipped without a new handshake.
        {{"error", "boom"}, "s\n?\ne\nl\n?\nq\n", 0, Report("boom", 4), kHs + kHs + kHs + kHs},
        // A command without its line feed, or longer than a command line, is the end of input.
        {{"error", "boom"}, "q", 255, boom, kHs},
        {{"error", "boom"}, std::string(300, 'q') + "\n", 255, boom, kHs},
        // "@address" prints the object's debug text on standard error; "@0" an empty line.
        {{"inspect"}, "@0\nq\n", 0, Report("inspect"), kHs + "+Object\n\n\n", false, true},
        // The source position appears in the report and the handshake.
        {{"where", "lost"},
         "q\n",
         0,
         "Zorbin Runtime Error : lost\nzarnok.cpp<12>\n\n",
         "{{~~zarnok.cpp<12>~~}}\n\n"},
        // The fatal exit runs the handlers registered for exit (static destructors among them).
        {{"atexit", "late"}, "", 255, Report("late") + "exit handlers ran\n", kHs},
        // Signals become the same report; real faults as well as raised signals.
        {{"raise", std::to_string(SIGILL)}, "", 255, Report("Illegal instruction"), kHs},
        {{"unknown"}, "", 255, Report("Unknown signal"), kHs},
        {{"segv"}, "q\n", 0, Report("Memory access violation"), kHs},
        {{"fpe"}, "", 255, Report("Floating point exception"), kHs},
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
