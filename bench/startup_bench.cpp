// Start-up time and peak memory of a program against a baseline program,
// measured from outside on an X server of its own (run under xvfb-run).
//
//   velmo_startup_bench [-n RUNS] [-c DIR] [-w WRAPPER] PROGRAM BASELINE [REFERENCE...]
//
// With -w every program is started through WRAPPER (wine for the Windows
// build, whose server the caller keeps running, as a Windows session keeps
// its system running); the goal is then that of the Windows build and the
// memory figures are for information.
//
// One run: the root window's pixels are read, the clock starts, the program
// is started (xcb platform plugin, output discarded). The harness listens for
// top-level windows being mapped on the root window; when the program maps
// one titled "Velmo", it reads three rows of that window every millisecond
// until most of the pixels differ from the root background that was there:
// the program has painted its dialog. That is the moment "shown". The
// program is then killed and its peak resident memory taken from wait4().
//
// The two programs take turns (after one warm-up run each), in alternating
// order; the medians of the runs are compared. The program itself needs no
// hook: it only has to show its window.
//
// With -c each program then starts once more under valgrind's callgrind
// (its profile written into DIR), and the instructions it executed until its
// dialog was painted are compared as well: a count that other processes on
// the machine do not disturb.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const char* const kTitle = "Velmo";

struct Sample {
    double mappedMs = 0;  // window mapped
    double shownMs = 0;   // window painted
    long maxRssKiB = 0;
    double cpuMs = 0;     // user + system time of the program until killed
};

int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

std::string windowTitle(Display* dpy, Window w)
{
    const Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    for (Atom property : {netName, static_cast<Atom>(XA_WM_NAME)}) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, w, property, 0, 256, False, AnyPropertyType, &type, &format,
                               &count, &after, &data)
                == Success
            && data) {
            std::string title(reinterpret_cast<char*>(data), count);
            XFree(data);
            if (type == utf8 || type == XA_STRING)
                return title;
        }
    }
    return {};
}

// The rows of a rectangle that the paint check compares.
std::vector<int> probeRows(int height) { return {height / 4, height / 2, height * 3 / 4}; }

std::vector<unsigned long> readRows(Display* dpy, Drawable d, int x, int y, int width, int height)
{
    std::vector<unsigned long> pixels;
    for (int row : probeRows(height)) {
        XImage* image = XGetImage(dpy, d, x, y + row, static_cast<unsigned>(width), 1, AllPlanes,
                                  ZPixmap);
        if (!image)
            return {};
        for (int i = 0; i < width; ++i)
            pixels.push_back(XGetPixel(image, i, 0));
        XDestroyImage(image);
    }
    return pixels;
}

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

[[noreturn]] void die(const std::string& message)
{
    std::fprintf(stderr, "velmo_startup_bench: %s\n", message.c_str());
    std::exit(1);
}

// One start of `program`, timed until its dialog is painted. With
// `callgrindOut` the program runs under valgrind's callgrind, which writes
// its instruction count there when the program is ended.
const char* gWrapper = nullptr;

Sample runOnce(Display* dpy, const char* program, const char* callgrindOut = nullptr)
{
    const Window root = DefaultRootWindow(dpy);
    const int screenW = DisplayWidth(dpy, DefaultScreen(dpy));
    const int screenH = DisplayHeight(dpy, DefaultScreen(dpy));
    XImage* background = XGetImage(dpy, root, 0, 0, static_cast<unsigned>(screenW),
                                   static_cast<unsigned>(screenH), AllPlanes, ZPixmap);
    if (!background)
        die("cannot read the root window");
    XSync(dpy, False);
    while (XPending(dpy)) {
        XEvent stale;
        XNextEvent(dpy, &stale);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string outOption = std::string("--callgrind-out-file=") + (callgrindOut ? callgrindOut : "");
    char* argv[5] = {};
    std::size_t argc = 0;
    if (gWrapper)
        argv[argc++] = const_cast<char*>(gWrapper);
    if (callgrindOut) {
        argv[argc++] = const_cast<char*>("valgrind");
        argv[argc++] = const_cast<char*>("--tool=callgrind");
        argv[argc++] = const_cast<char*>(outOption.c_str());
    }
    argv[argc] = const_cast<char*>(program);
    const double timeoutMs = callgrindOut ? 300000 : 30000;

    const Clock::time_point t0 = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ) != 0)
        die(std::string("cannot start ") + argv[0]);
    posix_spawn_file_actions_destroy(&actions);

    Sample sample;
    std::optional<Window> window;
    int wx = 0, wy = 0, ww = 0, wh = 0;
    std::vector<unsigned long> under;
    const int fd = ConnectionNumber(dpy);
    while (true) {
        if (msSince(t0) > timeoutMs) {
            kill(pid, SIGKILL);
            die(std::string(program) + " showed no window in time");
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            die(std::string(program) + " ended before showing its window");

        while (XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            // Wine draws its windows' frames itself and maps them
            // unmanaged (override-redirect); they carry their caption as
            // their name all the same.
            if (window || event.type != MapNotify)
                continue;
            const Window w = event.xmap.window;
            if (windowTitle(dpy, w) != kTitle)
                continue;
            XWindowAttributes attributes;
            Window child = None;
            if (!XGetWindowAttributes(dpy, w, &attributes)
                || !XTranslateCoordinates(dpy, w, root, 0, 0, &wx, &wy, &child))
                continue;
            sample.mappedMs = msSince(t0);
            window = w;
            ww = std::min(attributes.width, screenW - wx);
            wh = std::min(attributes.height, screenH - wy);
            under.clear();
            for (int row : probeRows(wh))
                for (int i = 0; i < ww; ++i)
                    under.push_back(XGetPixel(background, wx + i, wy + row));
        }

        if (window) {
            const std::vector<unsigned long> now = readRows(dpy, *window, 0, 0, ww, wh);
            if (now.size() == under.size() && !now.empty()) {
                std::size_t changed = 0;
                for (std::size_t i = 0; i < now.size(); ++i)
                    changed += now[i] != under[i];
                if (changed * 2 > now.size()) {
                    sample.shownMs = msSince(t0);
                    break;
                }
            }
            usleep(1000);
        } else {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 5);
        }
    }
    XDestroyImage(background);

    // Under callgrind a signal the program does not catch still lets the
    // tool write its counts; SIGKILL would not.
    kill(pid, callgrindOut ? SIGTERM : SIGKILL);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        die("wait4 failed");
    sample.maxRssKiB = usage.ru_maxrss;
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    sample.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    return sample;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Series {
    const char* name;
    const char* program;
    std::vector<double> mapped, shown, rss, cpu;

    void add(const Sample& s)
    {
        mapped.push_back(s.mappedMs);
        shown.push_back(s.shownMs);
        rss.push_back(static_cast<double>(s.maxRssKiB));
        cpu.push_back(s.cpuMs);
    }
};


// The instruction count in a callgrind profile ("totals:" line), or 0.
double instructions(const std::string& file)
{
    std::FILE* f = std::fopen(file.c_str(), "r");
    if (!f)
        return 0;
    char line[256];
    double total = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "totals:", 7) == 0)
            total = std::atof(line + 7);
    std::fclose(f);
    return total;
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 15;
    const char* callgrindDir = nullptr;
    int arg = 1;
    while (arg + 1 < argc && argv[arg][0] == '-') {
        if (std::strcmp(argv[arg], "-n") == 0)
            runs = std::max(1, std::atoi(argv[arg + 1]));
        else if (std::strcmp(argv[arg], "-c") == 0)
            callgrindDir = argv[arg + 1];
        else if (std::strcmp(argv[arg], "-w") == 0)
            gWrapper = argv[arg + 1];
        else
            break;
        arg += 2;
    }
    if (argc - arg < 2) {
        std::fprintf(stderr, "usage: %s [-n RUNS] [-c DIR] [-w WRAPPER] PROGRAM BASELINE [REFERENCE...]\n",
                     argv[0]);
        return 2;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy)
        die("no X display (run it under xvfb-run)");
    XSetErrorHandler(ignoreXErrors);
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    // Every program on the same platform plugin: the X server's.
    setenv("QT_QPA_PLATFORM", "xcb", 1);

    // The program, the baseline, and any references shown for comparison only.
    std::vector<Series> series;
    for (int i = arg; i < argc; ++i)
        series.push_back({i == arg ? "program" : i == arg + 1 ? "baseline" : "reference", argv[i],
                          {}, {}, {}, {}});
    for (const Series& s : series)
        runOnce(dpy, s.program);  // warm-up: page cache, font caches
    // Turns in rotating order, so no program always follows the same one.
    for (int i = 0; i < runs; ++i)
        for (std::size_t k = 0; k < series.size(); ++k) {
            Series& s = series[(k + static_cast<std::size_t>(i)) % series.size()];
            s.add(runOnce(dpy, s.program));
        }
    std::vector<double> counts;
    if (callgrindDir) {
        for (std::size_t k = 0; k < series.size(); ++k) {
            const std::string out = std::string(callgrindDir) + "/startup." + std::to_string(k) + ".cg";
            runOnce(dpy, series[k].program, out.c_str());
            counts.push_back(instructions(out));
        }
    }
    XCloseDisplay(dpy);

    for (std::size_t k = 0; k < series.size(); ++k) {
        const Series& s = series[k];
        std::printf("time  %-9s %-40s mapped %6.1f ms  shown %6.1f ms  CPU %6.1f ms  peak RSS %5.1f MiB"
                    "  (medians of %d)\n",
                    s.name, s.program, median(s.mapped), median(s.shown), median(s.cpu),
                    median(s.rss) / 1024.0, runs);
        if (k < counts.size())
            std::printf("instr %-9s %-40s %8.1f M instructions until shown\n", s.name, s.program,
                        counts[k] / 1e6);
    }

    const Series& program = series[0];
    const Series& baseline = series[1];
    const double start = median(program.shown) / median(baseline.shown);
    const double extraMiB = (median(program.rss) - median(baseline.rss)) / 1024.0;
    const char* const what = gWrapper ? "start-up / same dialog in Win32" : "start-up / same dialog in Qt";
    const double goal = gWrapper ? 1.10 : 1.05;
    std::printf("ratio %-30s %6.2fx  goal <= %.2fx  %s   (%.1f ms / %.1f ms)\n", what, start, goal,
                start <= goal ? "PASS" : "MISS", median(program.shown), median(baseline.shown));
    if (gWrapper)
        std::printf("info  %-30s %+6.2f MiB  (%.1f MiB / %.1f MiB)\n", "peak memory - same dialog", extraMiB,
                    median(program.rss) / 1024.0, median(baseline.rss) / 1024.0);
    else
        std::printf("delta %-30s %+6.2f MiB  goal <= +2.00 MiB  %s   (%.1f MiB / %.1f MiB)\n",
                    "peak memory - same dialog", extraMiB, extraMiB <= 2.0 ? "PASS" : "MISS",
                    median(program.rss) / 1024.0, median(baseline.rss) / 1024.0);
    std::printf("info  %-30s %6.2fx  (CPU time, %.1f ms / %.1f ms)\n", what,
                median(program.cpu) / median(baseline.cpu), median(program.cpu), median(baseline.cpu));
    if (counts.size() >= 2 && counts[0] > 0 && counts[1] > 0)
        std::printf("info  %-30s %6.2fx  (instructions, %.1f M / %.1f M)\n", what,
                    counts[0] / counts[1], counts[0] / 1e6, counts[1] / 1e6);
    for (std::size_t k = 2; k < series.size(); ++k) {
        const Series& r = series[k];
        std::printf("info  %-30s %6.2fx  %+6.2f MiB  (against %s)\n", "start-up, memory / reference",
                    median(program.shown) / median(r.shown),
                    (median(program.rss) - median(r.rss)) / 1024.0, r.program);
    }
    return 0;
}
