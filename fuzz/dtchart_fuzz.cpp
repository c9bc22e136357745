// libFuzzer target: arbitrary bytes as an observation log through the reader, the chart
// painting and the polar plot, and arbitrary text as the path the date caption is cut from
// (input layout in fuzz_input.h). Besides crashes, sanitizer reports and hangs, it aborts when
// a contract every input must keep is broken: a log file reads if and only if it is a regular
// file of full length, a failed read leaves the grid as it was, every coloured cell lands on
// its pixel, and an out-of-range slot raises error 9.

#include <QGuiApplication>
#include <QImage>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "chart/chart_frame.h"
#include "chart/chart_painting.h"
#include "chart/polar_plot.h"
#include "chart/qt_surface.h"
#include "fuzz_input.h"
#include "signal/signal_grid.h"
#include "signal/signal_log_reader.h"
#include "signal/system_error.h"

using namespace dtchart;
using dtchart::fuzz::LogSource;

namespace {

// The factor Form_Load sets up.
const float RadPerDeg = static_cast<float>(std::atan(1.0) * 4 / 180);

struct Scratch {
    std::string folder;
    std::string logFile;
    std::string fifo;
    std::string missing;
};
Scratch scratch;
QGuiApplication* app = nullptr;

// The grid a read starts from, so that an untouched grid can be told from a zeroed one.
std::unique_ptr<SignalGrid> previousDay;
std::unique_ptr<SignalGrid> grid;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "dtchart_fuzz: broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

void require(bool ok, const char* what) {
    if (!ok) fail(what);
}

void writeLogFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) fail("cannot write the scratch log file");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("cannot write the scratch log file");
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

// At exit, before the leak check: Qt's font database hands fontconfig's configuration back
// only when the application goes, and fontconfig keeps pointers in a form the leak checker
// cannot follow, so a configuration left behind shows up as leaked.
void tearDown() {
    delete app;
    app = nullptr;
    ::unlink(scratch.logFile.c_str());
    ::unlink(scratch.fifo.c_str());
    ::rmdir(scratch.folder.c_str());
}

// The checks' own loops visit all 129,600 cells; traced for coverage they would take most of
// each run's time and tell the fuzzer nothing about the code under test.
#define DTCHART_NOT_TRACED __attribute__((no_sanitize("coverage")))

// Each cell equals its two bytes, or is -1 (no data) past the end of a day still being written.
DTCHART_NOT_TRACED bool cellsAreBytes(const SignalGrid& grid, std::string_view bytes) {
    const auto& cells = grid.cells();
    for (std::size_t k = 0; k < cells.size(); ++k) {
        std::int16_t expected = -1;
        if (2 * k + 1 < bytes.size()) {
            const auto lo = static_cast<unsigned char>(bytes[2 * k]);
            const auto hi = static_cast<unsigned char>(bytes[2 * k + 1]);
            expected = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | hi << 8));
        }
        if (cells[k] != expected) return false;
    }
    return true;
}

// Every cell's pixel at (30 + slot, 230 - bin): its level's colour, or the background for a
// level without one.
DTCHART_NOT_TRACED bool pixelsAreCells(const QImage& image, const SignalGrid& grid) {
    const QRgb background = QtSurface::toQRgb(White);
    for (int j = 0; j < SignalGrid::Bins; ++j) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(230 - j));
        for (int i = 0; i < SignalGrid::Slots; ++i) {
            const auto colour = SignalColour(grid.cell(j, i));
            if (line[30 + i] != (colour ? QtSurface::toQRgb(*colour) : background)) return false;
        }
    }
    return true;
}

void checkRead(const fuzz::FuzzCase& input) {
    std::string path;
    switch (input.source) {
    case LogSource::File:
        writeLogFile(scratch.logFile, input.log);
        path = scratch.logFile;
        break;
    case LogSource::Folder: path = scratch.folder; break;
    case LogSource::Fifo: path = scratch.fifo; break;
    case LogSource::Missing: path = scratch.missing; break;
    }

    *grid = *previousDay;
    int number = 0;
    try {
        ReadSignalLog(path, *grid);
    } catch (const SystemError& e) {
        number = e.number();
    }

    // A file with at least one whole cell reads, as a full day or one still being written.
    const bool readable = input.source == LogSource::File && input.log.size() >= 2;
    if (!readable) {
        require(number != 0, "a read that cannot succeed raised no error");
        require(*grid == *previousDay, "a failed read changed the grid");
        if (input.source == LogSource::File)
            require(number == error_number::InputPastEndOfFile, "a file with no cell is not error 62");
        return;
    }
    require(number == 0, "a log file with whole cells did not read");
    require(cellsAreBytes(*grid, input.log), "a cell differs from its bytes");
}

// The window's load sequence on the chart, checking the painted cells before the caption.
void checkChart(const std::string& captionPath) {
    QtSurface chart(813, 277);
    chart.Cls();
    DrawChartFrame(chart);
    PaintSignalChart(chart, *grid);
    require(pixelsAreCells(chart.image(), *grid), "a cell's pixel has the wrong colour");

    PrintLogDate(chart, captionPath);
    const std::string caption = LogDateCaption(captionPath);
    if (caption.empty()) return;
    require(caption.size() == 10 && caption.compare(0, 2, "20") == 0 && caption[4] == '/' &&
                caption[7] == '/',
            "the date caption is not 20YY/MM/DD");
    for (int k : {2, 3, 5, 6, 8, 9})
        require(caption[k] >= '0' && caption[k] <= '9', "the date caption is not 20YY/MM/DD");
}

void checkTimeText(const std::string& time, int slot) {
    const int h = slot / 30, m = slot % 30 * 2;
    char expected[8];
    std::snprintf(expected, sizeof expected, "%d:%02d", h, m);
    require(time == expected, "the polar plot's time is not the slot's h:mm");
}

void checkPolarPlots(const fuzz::FuzzCase& input) {
    QtSurface plot(261, 261);
    plot.Cls();
    checkTimeText(DrawPolarPlot(plot, *grid, input.slot, RadPerDeg, input.scale), input.slot);

    // Any slot at all: inside the day it draws, outside it raises error 9.
    plot.Cls();
    const bool inDay = input.probeSlot >= 0 && input.probeSlot < SignalGrid::Slots;
    int number = 0;
    std::string time;
    try {
        time = DrawPolarPlot(plot, *grid, input.probeSlot, RadPerDeg, input.scale);
    } catch (const SystemError& e) {
        number = e.number();
    }
    if (inDay) {
        require(number == 0, "a slot of the day raised an error");
        checkTimeText(time, input.probeSlot);
    } else {
        require(number == error_number::SubscriptOutOfRange, "a slot outside the day is not error 9");
    }
    plot.image();  // ends the painter, so that everything queued is rasterised
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    (void)argc;
    // Text needs a GUI application; nothing here may show a window.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argv)[0], nullptr};  // libFuzzer's flags are not Qt's
    app = new QGuiApplication(qtArgc, qtArgv);

    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/dtchart-fuzz-XXXXXX";
    if (!::mkdtemp(folder.data())) fail("cannot make the scratch folder");
    scratch = Scratch{folder, folder + "/input.log", folder + "/pipe.log",
                      folder + "/missing/250131.log"};
    if (::mkfifo(scratch.fifo.c_str(), 0600) != 0) fail("cannot make the scratch FIFO");
    std::atexit(tearDown);

    // Levels from -40 to 1059: coloured ones and some without a colour.
    auto cells = std::make_unique<SignalGrid::Cells>();
    for (std::size_t k = 0; k < cells->size(); ++k)
        (*cells)[k] = static_cast<std::int16_t>(static_cast<int>(k * 37 % 1100) - 40);
    previousDay = std::make_unique<SignalGrid>();
    previousDay->replace(*cells);
    grid = std::make_unique<SignalGrid>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::FuzzCase input = fuzz::DecodeCase(data, size);
    checkRead(input);
    checkChart(std::string(input.captionPath));
    checkPolarPlots(input);
    return 0;
}
