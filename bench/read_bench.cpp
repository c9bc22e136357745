// Reading a day whose file is in the page cache: ReadSignalLog against the bare system calls
// it cannot do without (open, one read of the whole log, close).

#include <fcntl.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <string>

#include "bench_common.h"
#include "log_files.h"
#include "signal/signal_log_reader.h"
#include "signal/system_error.h"

namespace dtchart::bench {
namespace {

// Written once per run; the first read brings it into the page cache.
const std::string& cachedLogPath() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        const QString file = dir.filePath(QStringLiteral("250131.log"));
        if (!dir.isValid() || !test::WriteFile(file, test::LogBytes([](int bin, int slot) {
                                                   return BenchDay().cell(bin, slot);
                                               })))
            return std::string();
        return file.toStdString();
    }();
    return path;
}

void ReadCachedLog(benchmark::State& state) {
    const std::string& path = cachedLogPath();
    SignalGrid grid;
    try {
        ReadSignalLog(path, grid);
    } catch (const SystemError& e) {
        state.SkipWithError(e.what());
        return;
    }
    if (!(grid == BenchDay())) {
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

BENCHMARK(ReadCachedLog)->Name("read/ReadSignalLog")->Apply(Configure);
BENCHMARK(PosixOpenReadClose)->Name("read/PosixOpenReadClose")->Apply(Configure);

}  // namespace dtchart::bench
