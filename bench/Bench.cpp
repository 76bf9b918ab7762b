// Bench.cpp: Orvane's benchmarks, run under Wine: start-up against a bare
// window, a lookup against the client calls it makes, the executable's size
// and memory, and a soak of many lookups in one process. Prints one Markdown
// table; progress goes to standard error.
//
//   orvbench.exe [--quick] [startup] [lookup] [size] [soak]
//
// With no part named, all four run. --quick makes a few runs of each, to see
// that the benchmark works; its figures mean little.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Census.h"
#include "ControlIds.h"
#include "Files.h"
#include "PeFile.h"
#include "Program.h"
#include "Stats.h"
#include "TraceTail.h"

namespace {

using namespace bench;

struct Options {
    int startupRuns = 30;    // of each program, interleaved
    int lookupRuns = 7;      // processes of each lookup kind, interleaved
    int delayedLookups = 30;  // per process, 1 ms a client call
    int fastLookups = 300;    // per process, no delay
    int soakLookups = 10000;
};

// What the lookup measurements put in each process's description.
constexpr int delayUs = 1000;
// Lookups before measuring, so that the lists and the heap have grown to
// their working size.
constexpr int warmupLookups = 3;
constexpr int soakWarmupLookups = 20;
// The calls of one completed lookup on the 64-volume network.
constexpr int volumes = 64;
constexpr std::size_t callsPerLookup = 3 + volumes + 1;

double nowUs() {
    static const double perUs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1e6;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / perUs;
}

void progress(const char* format, auto... args) {
    std::fprintf(stderr, format, args...);
    std::fflush(stderr);
}

std::string format(const char* pattern, auto... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

std::wstring tempFile() {
    wchar_t dir[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, dir) || !GetTempFileNameW(dir, L"orb", 0, path))
        throw Failure("cannot make a temporary file");
    return path;
}

// A temporary file, removed when it goes.
struct TempFile {
    std::wstring path = tempFile();
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { DeleteFileW(path.c_str()); }
};

std::string readFile(const std::wstring& path) {
    std::optional<std::string> bytes = readAll(path);
    if (!bytes) throw Failure("cannot read a file of the benchmark");
    return *std::move(bytes);
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    if (!writeAll(path, bytes)) throw Failure("cannot write a file of the benchmark");
}

struct Paths {
    std::wstring orvane = winePath(ORVANE_EXE);
    std::wstring baseline = winePath(BASELINE_EXE);
    std::wstring simclient = winePath(SIMCLIENT_DIR);
    std::wstring network64 = winePath(NETWORK64);
};

// The environment of a measured program: the stand-in client found through
// PATH, its network and trace as given (empty: the demo network, no trace).
std::wstring environmentFor(const Paths& paths, const std::wstring& network, const std::wstring& trace) {
    wchar_t path[32767];
    std::wstring searchPath = paths.simclient;
    if (const DWORD length = GetEnvironmentVariableW(L"PATH", path, 32767); length > 0 && length < 32767)
        searchPath += L";" + std::wstring(path, length);
    return environmentBlock({L"PATH=" + searchPath, network.empty() ? L"NWSIM_NETWORK" : L"NWSIM_NETWORK=" + network,
                             trace.empty() ? L"NWSIM_TRACE" : L"NWSIM_TRACE=" + trace});
}

// --- The table ---------------------------------------------------------------

struct Row {
    std::string figure;
    std::string runs;
    std::string median;
    std::string spread;
    std::string against;
    std::string ratio;
    std::string target;
};

using Table = std::vector<Row>;

std::string spreadText(const Summary& s, const char* unit, int decimals) {
    if (s.count < 2) return "—";
    const std::string n = "%." + std::to_string(decimals) + "f";
    return format(("IQR " + n + "–" + n + ", range " + n + "–" + n + " %s").c_str(), s.q1, s.q3, s.min, s.max, unit);
}

std::string valueText(double value, const char* unit, int decimals) {
    return format(("%." + std::to_string(decimals) + "f %s").c_str(), value, unit);
}

std::string verdict(bool met, const std::string& target) { return target + (met ? " ✓" : " ✗ missed"); }

void printTable(const Table& table) {
    std::printf("| Figure | Runs | Median | Spread | Against | Ratio | Target |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const Row& row : table)
        std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", row.figure.c_str(), row.runs.c_str(),
                    row.median.c_str(), row.spread.c_str(), row.against.c_str(), row.ratio.c_str(),
                    row.target.c_str());
}

// --- 1. Start-up and 3. memory once shown --------------------------------------

struct StartupSample {
    double ms = 0;
    driver::Census census;
};

// Starts the program and times it from process creation until its window
// is shown and it waits for input; then reads its memory and closes it.
StartupSample startOnce(const std::wstring& exe, const wchar_t* windowClass, const std::wstring& environment,
                        const std::function<void(Program&, HWND)>& check) {
    StartupSample sample;
    const double start = nowUs();
    Program program(exe, environment);
    HWND hwnd = program.waitShown(windowClass);
    sample.ms = (nowUs() - start) / 1000;
    check(program, hwnd);
    // Wine finishes some of its own start-up (the X connection's helpers)
    // just after the window comes up; memory is read once that has settled.
    Sleep(300);
    program.send(hwnd, WM_NULL);
    sample.census = driver::takeCensus(program.id());
    if (program.close(hwnd) != 0) throw Failure("the program did not end cleanly");
    return sample;
}

void checkOrvaneStarted(Program& program, HWND hwnd) {
    // The demo network lists four volumes and a logged-in user.
    const auto rows = program.send(GetDlgItem(hwnd, orvane::idLstVolumes), LB_GETCOUNT);
    const auto user = program.send(GetDlgItem(hwnd, orvane::idTxtUser), WM_GETTEXTLENGTH);
    if (rows != 4 || user == 0) throw Failure("Orvane's start-up did not fill the window");
}

void startupAndMemory(const Paths& paths, const Options& options, Table& table) {
    const std::wstring environment = environmentFor(paths, L"", L"");
    const auto orvane = [&] {
        return startOnce(paths.orvane, orvane::windowClass, environment, checkOrvaneStarted);
    };
    const auto baseline = [&] {
        return startOnce(paths.baseline, L"OrvaneBaseline", environment, [](Program&, HWND) {});
    };
    // One start of each first, not counted: the first start of a program
    // reads its files from disk and fills Wine's caches.
    orvane();
    baseline();
    std::vector<StartupSample> a, b;
    for (int run = 0; run < options.startupRuns; ++run) {
        a.push_back(orvane());
        b.push_back(baseline());
        progress("\rstart-up: %d/%d  (Orvane %.0f ms, baseline %.0f ms)   ", run + 1, options.startupRuns,
                 a.back().ms, b.back().ms);
    }
    progress("\n");

    const auto pick = [](const std::vector<StartupSample>& samples, auto field) {
        std::vector<double> values;
        for (const StartupSample& s : samples) values.push_back(field(s));
        return summarize(values);
    };
    const std::string runs = std::to_string(options.startupRuns);
    const Summary msA = pick(a, [](const StartupSample& s) { return s.ms; });
    const Summary msB = pick(b, [](const StartupSample& s) { return s.ms; });
    const double startupRatio = msA.median / msB.median;
    table.push_back({"Start-up: process created → window shown and idle, Orvane.exe on the demo network", runs,
                     valueText(msA.median, "ms", 1), spreadText(msA, "ms", 1),
                     "baseline " + valueText(msB.median, "ms", 1), format("%.2f×", startupRatio),
                     verdict(startupRatio <= 1.10, "≤ 1.10×")});
    table.push_back({"Start-up: the same, baseline (bare window, same size and manifest)", runs,
                     valueText(msB.median, "ms", 1), spreadText(msB, "ms", 1), "", "", ""});

    constexpr double kb = 1024;
    const Summary privA = pick(a, [](const StartupSample& s) { return s.census.committedBytes / kb; });
    const Summary privB = pick(b, [](const StartupSample& s) { return s.census.committedBytes / kb; });
    const Summary anonA = pick(a, [](const StartupSample& s) { return s.census.privateBytes / kb; });
    const Summary anonB = pick(b, [](const StartupSample& s) { return s.census.privateBytes / kb; });
    const double privRatio = privA.median / privB.median;
    table.push_back({"Private memory once shown (committed private pages), Orvane.exe", runs,
                     valueText(privA.median, "KB", 0), spreadText(privA, "KB", 0),
                     "baseline " + valueText(privB.median, "KB", 0), format("%.2f×", privRatio),
                     verdict(privRatio <= 1.2, "≤ 1.2×")});
    table.push_back({"Private memory once shown, baseline", runs, valueText(privB.median, "KB", 0),
                     spreadText(privB, "KB", 0), "", "", ""});
    table.push_back({"Resident private memory once shown (Wine's PagefileUsage: RssAnon), Orvane.exe", runs,
                     valueText(anonA.median, "KB", 0), spreadText(anonA, "KB", 0),
                     "baseline " + valueText(anonB.median, "KB", 0), format("%.2f×", anonA.median / anonB.median),
                     "(for comparison)"});
}

// --- 2. Lookup ----------------------------------------------------------------

enum class LookupKind { delayed, fast, fastUntraced };

struct LookupRun {
    std::vector<double> wallUs;     // Click to the end of the lookup
    std::vector<double> clientUs;   // the sum of its client calls' us=
    std::vector<double> paintUs;    // the window repainted after the lookup
    std::vector<double> roundTripUs;  // a WM_NULL sent and answered
};

// The 64-volume network with the client settings of the kind of run.
std::string networkText(const Paths& paths, LookupKind kind) {
    std::string text = readFile(paths.network64);
    text += "\n[client]\n";
    text += "delay_us=" + std::to_string(kind == LookupKind::delayed ? delayUs : 0) + "\n";
    text += "timing=1\n";
    return text;
}

// Checks the trace lines of one lookup and sums the time spent in its calls.
double clientTime(const std::vector<std::string>& lines) {
    if (lines.size() != callsPerLookup || operationOf(lines.front()) != "NWDSCreateContextHandle" ||
        operationOf(lines.back()) != "NWDSFreeContext")
        throw Failure("a lookup did not make the calls of a completed lookup (" + std::to_string(lines.size()) +
                      " calls)");
    double us = 0;
    for (const std::string& line : lines) {
        const std::optional<double> call = microsOf(line);
        if (!call) throw Failure("a trace line has no time: " + line);
        us += *call;
    }
    return us;
}

LookupRun lookupRun(const Paths& paths, LookupKind kind, int lookups) {
    TempFile network;
    writeFile(network.path, networkText(paths, kind));
    TempFile trace;
    const bool traced = kind != LookupKind::fastUntraced;
    Program program(paths.orvane, environmentFor(paths, network.path, traced ? trace.path : L""));
    HWND hwnd = program.waitShown(orvane::windowClass);
    if (program.send(GetDlgItem(hwnd, orvane::idLstVolumes), LB_GETCOUNT) != volumes)
        throw Failure("Orvane did not list the 64 volumes");
    std::optional<TraceTail> tail;
    if (traced) {
        tail.emplace(trace.path);
        tail->newLines();  // start-up's calls
    }

    // The Click of cmdCheck, as the button sends it; SendMessage returns
    // when the handler has run to its end.
    HWND check = GetDlgItem(hwnd, orvane::idCmdCheck);
    const WPARAM click = MAKEWPARAM(orvane::idCmdCheck, BN_CLICKED);
    LookupRun run;
    for (int i = 0; i < warmupLookups + lookups; ++i) {
        const double start = nowUs();
        program.send(hwnd, WM_COMMAND, click, reinterpret_cast<LPARAM>(check));
        const double wall = nowUs() - start;
        // What the lookup left to paint, painted now: RDW_UPDATENOW sends
        // WM_PAINT to each window of the program that needs it and waits.
        const double paintStart = nowUs();
        RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        const double paint = nowUs() - paintStart;
        const double client = traced ? clientTime(tail->newLines()) : 0;
        if (i == 0 && program.send(GetDlgItem(hwnd, orvane::idLstQuotas), LB_GETCOUNT) != volumes)
            throw Failure("a lookup did not fill the 64 rows");
        if (i < warmupLookups) continue;
        run.wallUs.push_back(wall);
        run.clientUs.push_back(client);
        run.paintUs.push_back(paint);
    }
    for (int i = 0; i < lookups; ++i) {
        const double start = nowUs();
        program.send(hwnd, WM_NULL);
        run.roundTripUs.push_back(nowUs() - start);
    }
    if (program.close(hwnd) != 0) throw Failure("Orvane did not end cleanly");
    return run;
}

void lookup(const Paths& paths, const Options& options, Table& table) {
    // Per process: the median of its lookups; the figures are the median and
    // spread of those over the processes.
    std::vector<double> delayedWall, delayedClient, delayedRatio;
    std::vector<double> fastWall, fastClient, fastOwn;
    std::vector<double> untracedWall, roundTrip, paint;
    for (int run = 0; run < options.lookupRuns; ++run) {
        const LookupRun delayed = lookupRun(paths, LookupKind::delayed, options.delayedLookups);
        std::vector<double> ratios;
        for (std::size_t i = 0; i < delayed.wallUs.size(); ++i) ratios.push_back(delayed.wallUs[i] / delayed.clientUs[i]);
        delayedWall.push_back(median(delayed.wallUs) / 1000);
        delayedClient.push_back(median(delayed.clientUs) / 1000);
        delayedRatio.push_back(median(ratios));

        const LookupRun fast = lookupRun(paths, LookupKind::fast, options.fastLookups);
        std::vector<double> own;
        for (std::size_t i = 0; i < fast.wallUs.size(); ++i) own.push_back(fast.wallUs[i] - fast.clientUs[i]);
        fastWall.push_back(median(fast.wallUs));
        fastClient.push_back(median(fast.clientUs));
        fastOwn.push_back(median(own));

        const LookupRun untraced = lookupRun(paths, LookupKind::fastUntraced, options.fastLookups);
        untracedWall.push_back(median(untraced.wallUs));
        paint.push_back(median(untraced.paintUs));
        roundTrip.push_back(median(untraced.roundTripUs));
        progress("\rlookup: %d/%d  (%.2f ms against %.2f ms; no delay %.0f us, own %.0f us)   ", run + 1,
                 options.lookupRuns, delayedWall.back(), delayedClient.back(), fastWall.back(), fastOwn.back());
    }
    progress("\n");

    const std::string delayedRuns = format("%d × %d", options.lookupRuns, options.delayedLookups);
    const std::string fastRuns = format("%d × %d", options.lookupRuns, options.fastLookups);
    const Summary ratio = summarize(delayedRatio);
    const Summary dWall = summarize(delayedWall);
    const Summary dClient = summarize(delayedClient);
    table.push_back({format("Lookup, %d volumes, %d µs a client call: Click → lookup done", volumes, delayUs),
                     delayedRuns, valueText(dWall.median, "ms", 2), spreadText(dWall, "ms", 2),
                     "its client calls " + valueText(dClient.median, "ms", 2),
                     format("%.3f× (range %.3f–%.3f)", ratio.median, ratio.min, ratio.max),
                     verdict(ratio.median <= 1.05, "≤ 1.05×")});
    table.push_back({format("Lookup, %d µs a call: its %zu client calls (sum of the trace's us=)", delayUs,
                            callsPerLookup),
                     delayedRuns, valueText(dClient.median, "ms", 2), spreadText(dClient, "ms", 2), "", "", ""});
    const Summary fWall = summarize(fastWall);
    const Summary fClient = summarize(fastClient);
    const Summary fOwn = summarize(fastOwn);
    table.push_back({"Lookup, no delay: Click → lookup done", fastRuns, valueText(fWall.median, "µs", 0),
                     spreadText(fWall, "µs", 0), "its client calls " + valueText(fClient.median, "µs", 0), "",
                     ""});
    table.push_back({"Lookup, no delay: Orvane's own cost (Click → done minus its client calls)", fastRuns,
                     valueText(fOwn.median, "µs", 0), spreadText(fOwn, "µs", 0), "", "", ""});
    const Summary uWall = summarize(untracedWall);
    const Summary trip = summarize(roundTrip);
    table.push_back({"Lookup, no delay, no trace: Click → lookup done (Orvane and the bare stand-in)", fastRuns,
                     valueText(uWall.median, "µs", 0), spreadText(uWall, "µs", 0), "", "", ""});
    const Summary painted = summarize(paint);
    table.push_back({"After a lookup: the window repainted (RedrawWindow RDW_UPDATENOW, not part of the lookup)",
                     fastRuns, valueText(painted.median, "µs", 0), spreadText(painted, "µs", 0), "", "", ""});
    table.push_back({"For scale: one message sent to Orvane and answered (WM_NULL)", fastRuns,
                     valueText(trip.median, "µs", 0), spreadText(trip, "µs", 0), "", "", ""});
}

// --- 3. Size ------------------------------------------------------------------

void size(const Paths& paths, Table& table) {
    const std::optional<PeFacts> facts = readPe(paths.orvane);
    if (!facts) throw Failure("cannot read Orvane.exe's headers");
    const double kb = static_cast<double>(facts->size) / 1024;
    // Every DLL it loads must be part of Windows or the NetWare client.
    static const char* const shipped[] = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll",
                                          "calwin32.dll", "netwin32.dll", "comctl32.dll", "advapi32.dll"};
    std::string imports;
    std::string runtime;
    for (const std::string& dll : facts->imports) {
        imports += (imports.empty() ? "" : ", ") + dll;
        bool known = false;
        for (const char* name : shipped) known = known || dll == name;
        if (!known) runtime += (runtime.empty() ? "" : ", ") + dll;
    }
    table.push_back({"Orvane.exe file size", "1", valueText(kb, "KB", 1), "—", "", "",
                     verdict(kb <= 256, "≤ 256 KB")});
    table.push_back({"Runtime DLLs to ship beside Orvane.exe (imports: " + imports + ")", "1",
                     runtime.empty() ? "none" : runtime, "—", "", "", verdict(runtime.empty(), "none")});
}

// --- 4. Soak ------------------------------------------------------------------

void soak(const Paths& paths, const Options& options, Table& table) {
    TempFile network;
    writeFile(network.path, networkText(paths, LookupKind::fastUntraced));
    Program program(paths.orvane, environmentFor(paths, network.path, L""));
    HWND hwnd = program.waitShown(orvane::windowClass);
    HWND check = GetDlgItem(hwnd, orvane::idCmdCheck);
    const WPARAM click = MAKEWPARAM(orvane::idCmdCheck, BN_CLICKED);
    // A lookup as a user makes it: the Click, then the window repainted.
    const auto lookupOnce = [&] {
        program.send(hwnd, WM_COMMAND, click, reinterpret_cast<LPARAM>(check));
        RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    };
    const auto settled = [&] {
        program.send(hwnd, WM_NULL);
        Sleep(300);
        program.send(hwnd, WM_NULL);
        return driver::takeCensus(program.id());
    };

    for (int i = 0; i < soakWarmupLookups; ++i) lookupOnce();
    const driver::Census before = settled();
    const double start = nowUs();
    for (int i = 1; i <= options.soakLookups; ++i) {
        lookupOnce();
        if (i % 1000 == 0 || i == options.soakLookups)
            progress("\rsoak: %d/%d lookups   ", i, options.soakLookups);
    }
    const double perLookupUs = (nowUs() - start) / options.soakLookups;
    progress("\n");
    const driver::Census after = settled();
    progress("soak: before %s\nsoak: after  %s\n", driver::describe(before).c_str(), driver::describe(after).c_str());
    if (program.send(GetDlgItem(hwnd, orvane::idLstQuotas), LB_GETCOUNT) != volumes)
        throw Failure("the soak's lookups did not fill the 64 rows");
    if (program.close(hwnd) != 0) throw Failure("Orvane did not end cleanly after the soak");

    const std::string runs = format("1 × %d", options.soakLookups);
    const auto growth = [&](const char* figure, std::uint64_t a, std::uint64_t b) {
        const double delta = (static_cast<double>(b) - static_cast<double>(a)) / 1024;
        table.push_back({figure, runs, format("%+.0f KB", delta), "—",
                         format("%.0f KB → %.0f KB", a / 1024.0, b / 1024.0), "",
                         verdict(delta <= 64, "≤ +64 KB")});
    };
    growth("Soak: private memory (committed private pages), growth over the lookups", before.committedBytes,
           after.committedBytes);
    growth("Soak: resident private memory (Wine's PagefileUsage), growth over the lookups", before.privateBytes,
           after.privateBytes);
    const auto count = [&](const char* figure, std::size_t a, std::size_t b) {
        table.push_back({figure, runs, format("%+lld", static_cast<long long>(b) - static_cast<long long>(a)), "—",
                         format("%zu → %zu", a, b), "", verdict(b <= a, "no growth")});
    };
    count("Soak: USER objects (the program's windows), growth", before.windows, after.windows);
    count("Soak: GDI objects (its entries in the GDI handle table), growth", before.gdiObjects, after.gdiObjects);
    count("Soak: kernel handles (its entries in the system handle table), growth", before.kernelHandles,
          after.kernelHandles);
    table.push_back({"Soak: time per lookup with its repaint, no delay", runs, valueText(perLookupUs, "µs", 0), "—",
                     "", "", ""});
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    bool all = true;
    bool parts[4] = {};
    static const wchar_t* const names[4] = {L"startup", L"lookup", L"size", L"soak"};
    for (int i = 1; i < argc; ++i) {
        bool known = false;
        if (std::wcscmp(argv[i], L"--quick") == 0) {
            options = {3, 1, 5, 30, 200};
            known = true;
        }
        for (int part = 0; part < 4; ++part) {
            if (std::wcscmp(argv[i], names[part]) == 0) {
                parts[part] = known = true;
                all = false;
            }
        }
        if (!known) {
            std::fprintf(stderr, "usage: orvbench.exe [--quick] [startup] [lookup] [size] [soak]\n");
            return 2;
        }
    }
    // Wine ends its desktop process (explorer.exe) shortly after the last
    // window on it closes, and the next program started pays for starting it
    // again. A hidden window of ours keeps it up for the whole run, as the
    // desktop of Windows always is.
    HWND keepDesktop = CreateWindowExW(0, L"STATIC", L"orvbench", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const Paths paths;
    Table table;
    try {
        if (all || parts[0]) startupAndMemory(paths, options, table);
        if (all || parts[1]) lookup(paths, options, table);
        if (all || parts[2]) size(paths, table);
        if (all || parts[3]) soak(paths, options, table);
    } catch (const std::runtime_error& failure) {
        std::fprintf(stderr, "\norvbench: %s\n", failure.what());
        return 1;
    }
    DestroyWindow(keepDesktop);
    printTable(table);
    return 0;
}
