#pragma once
// How the fuzz target takes its input apart. Shared with the seed generator, so that the seeds
// are laid out the way the target reads them.
//
//   byte 0      where the log is read from: byte % 8, 0-4 the written log file, 5 a folder,
//               6 a FIFO, 7 a path that does not exist
//   bytes 1-2   polar plot slot, little-endian, taken modulo 720
//   byte 3      polar plot scale: 1 + byte % 50, the scale scroll bar's range
//   bytes 4-7   a second slot, little-endian and signed, used as it stands
//   byte 8      length of the caption path
//   then        the caption path (cut short at the end of the input), then the log file's bytes:
//               everything that is left
//
// Header bytes past the end of a short input count as zero.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dtchart::fuzz {

enum class LogSource { File, Folder, Fifo, Missing };

struct FuzzCase {
    LogSource source = LogSource::File;
    int slot = 0;        // 0 to 719
    float scale = 1;     // 1 to 50
    std::int32_t probeSlot = 0;
    std::string_view captionPath;
    std::string_view log;
};

inline constexpr std::size_t HeaderBytes = 9;

inline FuzzCase DecodeCase(const std::uint8_t* data, std::size_t size) {
    auto byte = [&](std::size_t k) -> std::uint32_t { return k < size ? data[k] : 0; };
    FuzzCase c;
    const std::uint32_t source = byte(0) % 8;
    c.source = source < 5 ? LogSource::File : static_cast<LogSource>(source - 4);
    c.slot = static_cast<int>((byte(1) | byte(2) << 8) % 720);
    c.scale = static_cast<float>(1 + byte(3) % 50);
    c.probeSlot = static_cast<std::int32_t>(byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24);

    const auto* text = reinterpret_cast<const char*>(data);
    std::size_t at = size < HeaderBytes ? size : HeaderBytes;
    const std::size_t captionLength = std::min<std::size_t>(byte(8), size - at);
    c.captionPath = std::string_view(text + at, captionLength);
    at += captionLength;
    c.log = std::string_view(text + at, size - at);
    return c;
}

// The input that decodes to these values; `slot` and `scale` are written as they are
// (0-719 and 1-50 decode to themselves) and the caption is cut at 255 bytes.
inline std::string EncodeCase(LogSource source, int slot, int scale, std::int32_t probeSlot,
                              std::string_view captionPath, std::string_view log) {
    const auto probe = static_cast<std::uint32_t>(probeSlot);
    const std::size_t captionLength = captionPath.size() < 255 ? captionPath.size() : 255;
    std::string out;
    out += static_cast<char>(static_cast<int>(source) == 0 ? 0 : static_cast<int>(source) + 4);
    out += static_cast<char>(slot & 0xFF);
    out += static_cast<char>((slot >> 8) & 0xFF);
    out += static_cast<char>((scale - 1) & 0xFF);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((probe >> shift) & 0xFF);
    out += static_cast<char>(captionLength);
    out += captionPath.substr(0, captionLength);
    out += log;
    return out;
}

}  // namespace dtchart::fuzz
