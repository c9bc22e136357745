// Writes the fuzzer's seed corpus into a folder: full days with every colour band and the
// levels at its edges (-1, 1023, 1024, -32768, 32767), files one byte and one cell short, a
// longer file, tiny ones, the other places a log can be read from, slots at and past the ends
// of the day, and caption paths with and without a date. Run at fuzz time, so that no binary
// data is kept in the repository.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "signal/signal_grid.h"
#include "signal/signal_log_reader.h"

using dtchart::SignalGrid;
using dtchart::SignalLogBytes;
using dtchart::fuzz::EncodeCase;
using dtchart::fuzz::LogSource;

namespace {

std::string day(const std::function<int(int bin, int slot)>& level) {
    std::string bytes;
    bytes.reserve(SignalLogBytes);
    for (int i = 0; i < SignalGrid::Slots; ++i)
        for (int j = 0; j < SignalGrid::Bins; ++j) {
            const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(level(j, i)));
            bytes += static_cast<char>(word & 0xFF);
            bytes += static_cast<char>(word >> 8);
        }
    return bytes;
}

std::string flat(int level) {
    return day([level](int, int) { return level; });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    // Every level of the colour ramp across the day, a gap of missing data, and a band of the
    // levels that have no colour or overflow a careless sum.
    const std::string ramp = day([](int bin, int slot) {
        if (slot >= 420 && slot < 440) return -1;
        if (bin >= 170) {
            const int edges[] = {-1, 0, 1023, 1024, -2, -32768, 32767, 255, 511, 767};
            return edges[(slot + bin) % 10];
        }
        return (slot * 3 + bin * 7) % 1024;
    });
    const std::string zeros = flat(0);

    struct Seed {
        const char* name;
        std::string bytes;
    };
    const std::vector<Seed> seeds = {
        {"empty", ""},
        {"header-only", EncodeCase(LogSource::File, 0, 1, 0, "", "")},
        {"ramp-day", EncodeCase(LogSource::File, 430, 1, 719, "/data/250131.log", ramp)},
        {"zero-day", EncodeCase(LogSource::File, 0, 50, 720, "C:\\logs\\991231.LOG", zeros)},
        {"no-data-day", EncodeCase(LogSource::File, 719, 7, -1, "000101.log", flat(-1))},
        {"top-level-day", EncodeCase(LogSource::File, 1, 50, 0, "250131.Log", flat(1023))},
        {"past-top-day", EncodeCase(LogSource::File, 2, 50, 100000, "25013.log", flat(1024))},
        {"lowest-day", EncodeCase(LogSource::File, 359, 50, INT32_MIN, "x250131.lo", flat(-32768))},
        {"highest-day", EncodeCase(LogSource::File, 360, 50, INT32_MAX,
                                   "\xe8\xa6\xb3\xe6\xb8\xac/250131.log", flat(32767))},
        {"byte-short", EncodeCase(LogSource::File, 0, 1, 5, "250131.log",
                                  ramp.substr(0, SignalLogBytes - 1))},
        {"cell-short", EncodeCase(LogSource::File, 0, 1, 5, "", ramp.substr(0, SignalLogBytes - 2))},
        {"half-day", EncodeCase(LogSource::File, 200, 1, 419, "250201.log", ramp.substr(0, 420 * 360 + 1))},
        {"two-bytes", EncodeCase(LogSource::File, 0, 1, 0, "", std::string("\xff\x03", 2))},
        {"long", EncodeCase(LogSource::File, 100, 3, 719, "/tmp/250131.log",
                            ramp + std::string(40000, '\x7f'))},
        {"folder", EncodeCase(LogSource::Folder, 10, 2, -720, "250131.log", ramp)},
        {"fifo", EncodeCase(LogSource::Fifo, 20, 2, 1, "", "")},
        {"missing", EncodeCase(LogSource::Missing, 30, 2, 2, "", zeros)},
    };
    for (const Seed& seed : seeds) {
        const std::string path = std::string(argv[1]) + "/" + seed.name;
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out || std::fwrite(seed.bytes.data(), 1, seed.bytes.size(), out) != seed.bytes.size() ||
            std::fclose(out) != 0) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}
