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

enum class Input { Text, Closed };

struct Result {
    int status = -1;  // exit status, or -1 when the child did not exit normally
    std::string out, err;
};

std::string ReadAll(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
}

// Runs the child program with `args`. Its standard input holds `input` followed by end of input,
// or is not open at all (Input::Closed). `first` (if set) is called with the first line of the
// child's standard output before the input is written, and returns extra input to send first.
Result RunChild(std::vector<std::string> args, const std::string& input = "", Input mode = Input::Text,
                std::string (*first)(const std::string&) = nullptr) {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        if (mode == Input::Closed) close(0);
        std::vector<char*> argv;
        static std::string path = ZARNOK_FATAL_CHILD;
        argv.push_back(path.data());
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    Result r;
    std::string errText;
    std::thread errReader([&] { errText = ReadAll(err[0]); });
    std::string prefix;
    std::string toSend = input;
    if (first) {
        char c;
        while (read(out[0], &c, 1) == 1) {
            prefix.push_back(c);
            if (c == '\n') break;
        }
        toSend = first(prefix) + input;
    }
    signal(SIGPIPE, SIG_IGN);
    if (write(in[1], toSend.data(), toSend.size()) < 0) { /* the child may have ended already */
    }
    close(in[1]);
    r.out = prefix + ReadAll(out[0]);
    errReader.join();
    r.err = errText;
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

const std::string kHandshake = "{{~~(null)~~}}\n\n";

std::string Report(const std::string& message) {
    return "Zorbin Runtime Error : " + message + "\n\n";
}

std::string Times(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

TEST(FatalError, EmptyMessageEndsSilentlyWithStatusZero) {
    Result r = RunChild({"error", ""}, "x\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(FatalError, ReportHandshakeAndStatus255WhenInputEnds) {
    Result r = RunChild({"error", "Image frame outside surface"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, Report("Image frame outside surface"));
    EXPECT_EQ(r.err, kHandshake);

    // Standard input not open at all ends it the same way.
    r = RunChild({"error", "App has already been created"}, "", Input::Closed);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, Report("App has already been created"));
    EXPECT_EQ(r.err, kHandshake);
}

TEST(FatalError, ReactionsToDebuggerCommands) {
    // q: status 0 after the handshake.
    Result r = RunChild({"error", "boom"}, "q\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Report("boom"));
    EXPECT_EQ(r.err, kHandshake);

    // Anything unknown: the complaint on standard output, status 255.
    r = RunChild({"error", "boom"}, "x\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, Report("boom") + "????? x ?????");
    EXPECT_EQ(r.err, kHandshake);
    r = RunChild({"error", "boom"}, "xyz 12\nq\n");
    EXPECT_EQ(r.out, Report("boom") + "????? xyz 12 ?????");
    EXPECT_EQ(r.status, 255);

    // r: the debugger lets the program go on, so the report comes again; then the input ends.
    r = RunChild({"error", "boom"}, "r\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, Times(Report("boom"), 2));
    EXPECT_EQ(r.err, Times(kHandshake, 2));

    // Every stepping command returns likewise; "?" lines are skipped without a new handshake.
    r = RunChild({"error", "boom"}, "s\n?\ne\nl\n?\nq\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Times(Report("boom"), 4));
    EXPECT_EQ(r.err, Times(kHandshake, 4));

    // A command without its line feed, or longer than a command line, is the end of input.
    r = RunChild({"error", "boom"}, "q");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, Report("boom"));
    r = RunChild({"error", "boom"}, std::string(300, 'q') + "\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, kHandshake);
}

TEST(FatalError, InspectingObjectsThroughTheHandshake) {
    // "@" with an object's address prints the object's debug text on standard error.
    Result r = RunChild({"inspect"}, "@0\nq\n", Input::Text, [](const std::string& line) {
        std::string address = line.substr(0, line.size() - 1);
        return "@" + address + "\n";
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, kHandshake + "+Object\n\n" + "\n");
    EXPECT_NE(r.out.find(Report("inspect")), std::string::npos);
}

TEST(FatalError, SourcePositionAndExitHandlers) {
    Result r = RunChild({"where", "lost"}, "q\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Zorbin Runtime Error : lost\nzarnok.cpp<12>\n\n");
    EXPECT_EQ(r.err, "{{~~zarnok.cpp<12>~~}}\n\n");

    // The fatal exit runs the handlers registered for exit (static destructors among them).
    r = RunChild({"atexit", "late"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, Report("late") + "exit handlers ran\n");
}

TEST(FatalError, SignalsBecomeTheSameReport) {
    struct Case {
        std::vector<std::string> args;
        const char* text;
    } cases[] = {
        {{"raise", std::to_string(SIGSEGV)}, "Memory access violation"},
        {{"raise", std::to_string(SIGILL)}, "Illegal instruction"},
        {{"raise", std::to_string(SIGFPE)}, "Floating point exception"},
        {{"unknown"}, "Unknown signal"},
        {{"segv"}, "Memory access violation"},  // a real fault, not a raised signal
        {{"fpe"}, "Floating point exception"},
    };
    for (const Case& c : cases) {
        Result r = RunChild(c.args);
        EXPECT_EQ(r.status, 255) << c.text;
        EXPECT_EQ(r.out, Report(c.text));
        EXPECT_EQ(r.err, kHandshake);
    }
    Result r = RunChild({"segv"}, "q\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Report("Memory access violation"));
}

TEST(FatalError, UncaughtExceptionLine) {
    Result r = RunChild({"uncaught"}, "q\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Zorbin Runtime Error : Uncaught Zorbin Exception\n");
    EXPECT_EQ(r.err, "");
}

TEST(Output, PrintWritesUtf8LinesAndDebugPrintWritesBytes) {
    Result r = RunChild({"print"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "caf\xC3\xA9 \xE2\x82\xAC\n\n");
    EXPECT_EQ(r.err, std::string(500, 'w') + "\nshort\n");
}
