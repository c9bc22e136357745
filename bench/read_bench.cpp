// Reading a day whose file is in the page cache: ReadSignalLog against the bare system calls
// it cannot do without (open, one read of the whole log, close).

#include <fcntl.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <algorithm>
#include <map>
#include <string>

#include "bench_common.h"
#include "log_files.h"
#include "signal/signal_log_reader.h"
#include "signal/system_error.h"

namespace dtchart::bench {
namespace {

// The whole day, or its first `slotCount` slots as a day still being written. Written once per
// run; the first read brings it into the page cache.
const std::string& cachedLogPath(int slotCount = SignalGrid::Slots) {
    static QTemporaryDir dir;
    static std::map<int, std::string> paths;
    auto [it, added] = paths.try_emplace(slotCount);
    if (added) {
        const QString file = dir.filePath(QStringLiteral("%1.log").arg(250000 + slotCount));
        const QByteArray day = test::LogBytes([](int bin, int slot) { return BenchDay().cell(bin, slot); });
        if (dir.isValid() && test::WriteFile(file, day.left(slotCount * SignalGrid::Bins * 2)))
            it->second = file.toStdString();
    }
    return it->second;
}

// The day as read from its first `slotCount` slots: the rest has no data.
SignalGrid expectedDay(int slotCount) {
    SignalGrid::Cells cells = BenchDay().cells();
    std::fill(cells.begin() + slotCount * SignalGrid::Bins, cells.end(), std::int16_t(-1));
    SignalGrid grid;
    grid.replace(cells);
    return grid;
}

void ReadCachedLog(benchmark::State& state) {
    const int slotCount = static_cast<int>(state.range(0));
    const std::string& path = cachedLogPath(slotCount);
    SignalGrid grid;
    try {
        ReadSignalLog(path, grid);
    } catch (const SystemError& e) {
        state.SkipWithError(e.what());
        return;
    }
    if (!(grid == expectedDay(slotCount))) {
        state.SkipWithError("the log read back is not the day written");
        return;
    }
    for (auto _ : state) {
        ReadSignalLog(path, grid);
        benchmark::DoNotOptimize(grid);
        benchmark::ClobberMemory();
    }
}

void PosixOpenReadClose(benchmark::State& state) {
    const std::string& path = cachedLogPath();
    static SignalGrid::Cells buffer;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const ssize_t n = ::read(fd, buffer.data(), SignalLogBytes);
        ::close(fd);
        if (n != static_cast<ssize_t>(SignalLogBytes)) {
            state.SkipWithError("the cached log could not be read in one call");
            return;
        }
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(ReadCachedLog)->Name("read/ReadSignalLog")->Arg(SignalGrid::Slots)->Apply(Configure);
// A day written up to 14:00.
BENCHMARK(ReadCachedLog)->Name("read/ReadSignalLogPartialDay")->Arg(420)->Apply(Configure);
BENCHMARK(PosixOpenReadClose)->Name("read/PosixOpenReadClose")->Apply(Configure);

}  // namespace dtchart::bench
