// dtchart_bench: every case of the viewer's performance, measured against a baseline from the
// same run, ending with a table of the ratios and whether each meets its target.
// Runs headless (offscreen) unless QT_QPA_PLATFORM says otherwise.

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Measured {
    double seconds = 0;  // median real time of one iteration
    std::string error;
};

// Why a run did not measure, or nothing: Google Benchmark 1.8 renamed the fields (Debian 12
// has 1.7, Debian 13 1.9).
template <class Run>
const std::string* runFailure(const Run& run) {
    if constexpr (requires { run.error_occurred; }) {
        return run.error_occurred ? &run.error_message : nullptr;
    } else {
        return run.skipped ? &run.skip_message : nullptr;
    }
}

// The console output as usual, and each case's median kept for the table.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, Measured> results;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            if (const std::string* failure = runFailure(run)) {
                results[name].error = *failure;
                continue;
            }
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!median && !single) continue;
            results[name].seconds =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
};

enum class Goal {
    FasterBy,     // baseline / time at least `limit`
    RatioAtMost,  // time / baseline at most `limit`
    Under,        // time below `limit` seconds
    Shown,        // printed for information, with its ratio to a baseline when it has one
};

struct Case {
    const char* label;
    const char* measured;
    const char* baseline;  // empty for absolute goals
    Goal goal;
    double limit;
};

const Case Cases[] = {
    {"paint a day vs QPainter::drawPoint", "paint/PaintSignalChart", "paint/QPainterDrawPoint", Goal::FasterBy, 100},
    {"paint a day vs colour-table bound", "paint/PaintSignalChart", "paint/ColourTableBound", Goal::RatioAtMost, 2},
    {"paint at ratio 2 vs its bound", "paint/PaintSignalChart2x", "paint/ColourTableBound2x", Goal::RatioAtMost, 2},
    {"ReadSignalLog vs open+read+close", "read/ReadSignalLog", "read/PosixOpenReadClose", Goal::RatioAtMost, 1.5},
    {"ReadSignalLog, day written to 14:00", "read/ReadSignalLogPartialDay", "", Goal::Shown, 0},
    {"load command (cmd1_Click)", "form/LoadCommand", "", Goal::Under, 2e-3},
    {"load command + repaint", "form/LoadCommandAndRepaint", "", Goal::Shown, 0},
    {"polar plot (HScroll1_Change)", "form/PolarPlot", "", Goal::Under, 1e-3},
    // From the input to the end of the dialog's first paint: the kept question box and file
    // dialog against the same made anew for every open; the first open's dialog is made while
    // the question waits for Yes. Against a bare QDialog, for information.
    {"question shown, click to box", "dialog/Question", "dialog/QuestionMadeAnew", Goal::FasterBy, 1},
    {"first question, box made ahead", "dialog/FirstQuestionMadeAhead", "dialog/FirstQuestionMadeAtTheClick", Goal::FasterBy, 1},
    {"first question vs later ones", "dialog/FirstQuestionMadeAhead", "dialog/Question", Goal::Shown, 0},
    {"file dialog shown, later open", "dialog/FileDialogLaterOpen", "dialog/FileDialogMadeAnew", Goal::FasterBy, 4},
    {"file dialog shown, first open", "dialog/FileDialogFirstOpenMadeAhead", "dialog/FileDialogMadeAnew", Goal::FasterBy, 3},
    {"question vs bare QDialog again", "dialog/Question", "dialog/BareQDialogShownAgain", Goal::Shown, 0},
    {"later open vs bare QDialog again", "dialog/FileDialogLaterOpen", "dialog/BareQDialogShownAgain", Goal::Shown, 0},
    {"dialog made anew vs bare QDialog", "dialog/FileDialogMadeAnew", "dialog/BareQDialogMadeAnew", Goal::Shown, 0},
    // Any window with text pays for its fonts, which an empty window does not: no target.
    {"start-up to first shown window", "startup/Form1", "startup/BareQWidget", Goal::Shown, 0},
    {"start-up vs Qt window, same widgets", "startup/Form1", "startup/SameWidgets", Goal::RatioAtMost, 1.3},
};

std::string duration(double seconds) {
    char buf[32];
    if (seconds < 1e-3) std::snprintf(buf, sizeof buf, "%.1f us", seconds * 1e6);
    else if (seconds < 1) std::snprintf(buf, sizeof buf, "%.3f ms", seconds * 1e3);
    else std::snprintf(buf, sizeof buf, "%.3f s", seconds);
    return buf;
}

std::string number(const char* format, double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// Prints the table; false when a case or its baseline failed.
bool printTable(const std::map<std::string, Measured>& results) {
    bool complete = true;
    std::printf("\n%-36s %12s %12s %12s %14s  %s\n", "case", "time", "baseline", "ratio", "target", "met");
    for (const Case& c : Cases) {
        const bool relative = c.baseline[0] != '\0';
        auto lookup = [&](const char* name) -> const Measured* {
            const auto it = results.find(name);
            return it == results.end() ? nullptr : &it->second;
        };
        const Measured* time = lookup(c.measured);
        const Measured* base = relative ? lookup(c.baseline) : nullptr;
        std::string problem;
        if (!time || (relative && !base)) problem = "not run";
        else if (!time->error.empty()) problem = "failed: " + time->error;
        else if (base && !base->error.empty()) problem = "baseline failed: " + base->error;
        if (!problem.empty()) {
            std::printf("%-36s %s\n", c.label, problem.c_str());
            if (problem != "not run") complete = false;
            continue;
        }

        const double t = time->seconds;
        std::string baseline = "-", ratio = "-", target = "-", met = "-";
        switch (c.goal) {
        case Goal::FasterBy:
            baseline = duration(base->seconds);
            ratio = number("%.0fx faster", base->seconds / t);
            target = number(">= %.0fx faster", c.limit);
            met = base->seconds / t >= c.limit ? "yes" : "NO";
            break;
        case Goal::RatioAtMost:
            baseline = duration(base->seconds);
            ratio = number("%.2fx", t / base->seconds);
            target = number("<= %.2gx", c.limit);
            met = t / base->seconds <= c.limit ? "yes" : "NO";
            break;
        case Goal::Under:
            target = number("< %g ms", c.limit * 1e3);
            met = t < c.limit ? "yes" : "NO";
            break;
        case Goal::Shown:
            if (relative) {
                baseline = duration(base->seconds);
                ratio = number("%.2fx", t / base->seconds);
            }
            break;
        }
        std::printf("%-36s %12s %12s %12s %14s  %s\n", c.label, duration(t).c_str(),
                    baseline.c_str(), ratio.c_str(), target.c_str(), met.c_str());
    }
    std::printf("(medians of interleaved repetitions; each ratio is of times from this run)\n");
    return complete;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime folder, as every desktop session has; the start-up probes
    // inherit it.
    std::optional<QTemporaryDir> runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.emplace().isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir->path()));
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    // Repetitions of all cases run in random order, so that a case and its baseline share the
    // machine's load; a later --benchmark_enable_random_interleaving on the command line wins.
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int benchArgc = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&benchArgc, args.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, args.data())) return 2;

    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return printTable(reporter.results) ? 0 : 1;
}
