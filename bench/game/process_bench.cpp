// The game as a whole process, in a private folder whose data/ is the repository's:
//  - StartUp: from starting the real program (build/zarnok, on the current X display) to its first
//    title-menu frame on the screen: the window's pixels are polled until the loading screen's
//    colour has given way;
//  - PeakMemory: the peak resident size of the game after a minute of play (3,600 updates: a game
//    started from the title, the ship steered left and right) through the scenario runner, at
//    640 x 480 and 1920 x 1080, in MiB.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/budget.h"

namespace {

std::string Folder() {
    static const std::string dir = [] {
        const std::string d = "/tmp/zarnok-bench-process-" + std::to_string(getpid());
        const std::string setup =
            "mkdir -p " + d + " && ln -sfn '" + std::string(ZARNOK_SOURCE_DIR) + "/data' " + d + "/data";
        if (std::system(setup.c_str()) != 0) std::exit(1);
        return d;
    }();
    return dir;
}

pid_t Start(const std::vector<std::string>& argv) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(Folder().c_str()) != 0) _exit(127);
        if (!std::getenv("ALSOFT_CONF")) setenv("ALSOFT_DRIVERS", "null", 1);
        if (!freopen("/dev/null", "w", stdout)) _exit(127);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// The top-level window of process `pid`, through the _NET_WM_PID property GLFW sets; 0 if none yet.
Window WindowOf(Display* d, pid_t pid) {
    Atom pidAtom = XInternAtom(d, "_NET_WM_PID", True);
    if (pidAtom == None) return 0;
    Window root = DefaultRootWindow(d), parent, *children = nullptr;
    unsigned n = 0;
    Window found = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &n)) return 0;
    for (unsigned i = 0; i < n && !found; ++i) {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &data) == Success &&
            data) {
            if (items == 1 && static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid)
                found = children[i];
            XFree(data);
        }
    }
    if (children) XFree(children);
    return found;
}

int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

void BM_StartUp(benchmark::State& state) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        state.SkipWithError("no X display");
        return;
    }
    XSetErrorHandler(IgnoreXErrors);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        pid_t pid = Start({std::string(ZARNOK_BINARY_DIR) + "/zarnok"});
        bool loading = false, title = false;
        double seconds = 0;
        while (!title) {
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            if (seconds > 30) break;
            usleep(2000);
            Window w = WindowOf(d, pid);
            if (!w) continue;
            XImage* image = XGetImage(d, w, 2, 2, 1, 1, AllPlanes, ZPixmap);
            if (!image) continue;
            const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
            XDestroyImage(image);
            // The loading screen clears to (40, 40, 80); the title menu shows once that is gone.
            if (p == 0x282850) {
                loading = true;
            } else if (loading) {
                title = true;
            }
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (!title) {
            state.SkipWithError("the title menu never showed");
            break;
        }
        state.SetIterationTime(seconds);
    }
    XCloseDisplay(d);
}

void BM_PeakMemory(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const std::string script = Folder() + "/play.txt";
    {
        // A game from the title (difficulty 2), then the ship steered left and right for a minute.
        std::ofstream out(script);
        out << "100 set f_difficulty 2\n100 set f_mode 11\n";
        for (int p = 300; p < 3600; p += 240) {
            out << p << " key down 37\n" << p + 100 << " key up 37\n";
            out << p + 120 << " key down 39\n" << p + 220 << " key up 39\n";
        }
    }
    double mib = 0;
    for (auto _ : state) {
        pid_t pid =
            Start({std::string(ZARNOK_BINARY_DIR) + "/zarnok-sim", "--size",
                   std::to_string(w) + "x" + std::to_string(h), "--updates", "3600", "--script", script});
        int status = 0;
        struct rusage usage = {};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the scenario runner failed");
            break;
        }
        mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
        state.SetIterationTime(mib);  // the figure, for the repetitions' median
    }
    state.counters["peak_mib"] = mib;
}

}  // namespace

BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory)
    ->ArgNames({"w", "h"})
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    return bench::RunWithBudgets(
        argc, argv, "process_bench",
        {{"start-up: process start to the first title-menu frame", "BM_StartUp/iterations:1/manual_time",
          bench::RealMicros, 1000000, "us"},
         {"memory: peak resident size at 1920 x 1080 after a minute",
          "BM_PeakMemory/w:1920/h:1080/iterations:1/manual_time", bench::Counter, 200, "MiB", "peak_mib"}},
        3);
}
