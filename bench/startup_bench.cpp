// Start-up to the first shown window: the viewer's start-up probe against a bare Qt window,
// each spawned as a child process and timed from spawn to exit.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>

#include "bench_common.h"

extern char** environ;

namespace dtchart::bench {
namespace {

// Wall time of one run, or nothing when the probe could not be run or did not succeed.
std::optional<double> runProbe(const char* exe) {
    char* const argv[] = {const_cast<char*>(exe), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, exe, nullptr, nullptr, argv, environ) != 0) return std::nullopt;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return std::nullopt;
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return std::chrono::duration<double>(end - start).count();
}

void StartUp(benchmark::State& state, const char* exe) {
    // The first run of a probe fills the page and font caches; every later run finds them.
    static bool warmed = false;
    if (!warmed) {
        warmed = true;
        runProbe(DTCHART_STARTUP_PROBE);
        runProbe(BARE_QT_STARTUP_PROBE);
        runProbe(SAME_WIDGETS_STARTUP_PROBE);
    }
    for (auto _ : state) {
        const auto seconds = runProbe(exe);
        if (!seconds) {
            state.SkipWithError((std::string(exe) + " did not start and show its window").c_str());
            return;
        }
        state.SetIterationTime(*seconds);
    }
}

void StartUpCase(benchmark::internal::Benchmark* b) {
    b->Repetitions(Repetitions)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK_CAPTURE(StartUp, viewer, DTCHART_STARTUP_PROBE)->Name("startup/Form1")->Apply(StartUpCase);
BENCHMARK_CAPTURE(StartUp, bare, BARE_QT_STARTUP_PROBE)->Name("startup/BareQWidget")->Apply(StartUpCase);
BENCHMARK_CAPTURE(StartUp, same_widgets, SAME_WIDGETS_STARTUP_PROBE)->Name("startup/SameWidgets")->Apply(StartUpCase);

}  // namespace dtchart::bench
