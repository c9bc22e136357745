#include "signal/signal_log_reader.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "signal/log_file.h"
#include "signal/system_error.h"

namespace dtchart {
namespace {

[[noreturn]] void failNoCells(std::size_t got) {
    throw SystemError(error_number::InputPastEndOfFile,
                      got == 0 ? std::string("ファイルが空です（観測データがありません）。")
                               : "ファイルに観測データがありません（" + std::to_string(got) +
                                     " バイトしかありません）。");
}

}  // namespace

void ReadSignalLog(const std::string& path, SignalGrid& grid) {
    if (path.empty() || path.find('\0') != std::string::npos) log_file_failure::NotFound();

    LogFile file(path);

    // The file is read straight into a spare set of cells (on a little-endian host the bytes
    // are already the levels), which is swapped into the grid once all of them have arrived.
    static thread_local std::unique_ptr<SignalGrid::Cells> spare;
    if (!spare) spare = std::make_unique<SignalGrid::Cells>();
    auto* bytes = reinterpret_cast<unsigned char*>(spare->data());
    std::size_t got = 0;
    while (got < SignalLogBytes) {
        const std::size_t n = file.read(bytes + got, SignalLogBytes - got);
        if (n == 0) break;
        got += n;
    }
    if (got < 2) failNoCells(got);
    // A day still being written: what has not arrived yet is no data (-1 is all bits set).
    const std::size_t whole = got / 2 * 2;
    std::memset(bytes + whole, 0xFF, SignalLogBytes - whole);

    if constexpr (std::endian::native != std::endian::little) {
        for (std::size_t k = 0; k < spare->size(); ++k) {
            const auto word = static_cast<std::uint16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8);
            (*spare)[k] = static_cast<std::int16_t>(word);
        }
    }
    grid.swapCells(spare);
}

}  // namespace dtchart
