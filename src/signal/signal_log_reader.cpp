#include "signal/signal_log_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "signal/system_error.h"

namespace dtchart {
namespace {

// Closes the descriptor on every way out.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

[[noreturn]] void failOpen(int err) {
    switch (err) {
    case ENOENT:
        throw SystemError(error_number::FileNotFound, "ファイルが見つかりません。");
    case ENOTDIR:
        throw SystemError(error_number::FileNotFound,
                          "ファイルが見つかりません（パスの途中がフォルダではありません）。");
    case EACCES:
    case EPERM:
        throw SystemError(error_number::PermissionDenied, "ファイルを開く権限がありません。");
    case ELOOP:
        throw SystemError(error_number::PathFileAccess,
                          "シンボリックリンクが多すぎるか、循環しています。");
    case ENAMETOOLONG:
        throw SystemError(error_number::BadFileName, "ファイル名が長すぎます。");
    default:
        throw SystemError(error_number::PathFileAccess,
                          std::string("ファイルを開けません（") + std::strerror(err) + "）。");
    }
}

[[noreturn]] void failNotRegular() {
    throw SystemError(error_number::PathFileAccess,
                      "通常のファイルではありません（フォルダやデバイスなどは読み込めません）。");
}

[[noreturn]] void failNoCells(std::size_t got) {
    throw SystemError(error_number::InputPastEndOfFile,
                      got == 0 ? std::string("ファイルが空です（観測データがありません）。")
                               : "ファイルに観測データがありません（" + std::to_string(got) +
                                     " バイトしかありません）。");
}

[[noreturn]] void failRead(int err) {
    throw SystemError(error_number::DeviceIo,
                      std::string("ファイルの読み込み中にエラーが発生しました（") +
                          std::strerror(err) + "）。");
}

}  // namespace

void ReadSignalLog(const std::string& path, SignalGrid& grid) {
    if (path.empty() || path.find('\0') != std::string::npos) failOpen(ENOENT);

    // Non-blocking so that opening a FIFO never waits for a writer; the descriptor is then
    // checked, not the path, so nothing can swap the file between check and read.
    FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) failOpen(errno);

    struct stat st {};
    if (::fstat(file.get(), &st) != 0) failRead(errno);
    if (!S_ISREG(st.st_mode)) failNotRegular();

    // The file is read straight into a spare set of cells (on a little-endian host the bytes
    // are already the levels), which is swapped into the grid once all of them have arrived.
    static thread_local std::unique_ptr<SignalGrid::Cells> spare;
    if (!spare) spare = std::make_unique<SignalGrid::Cells>();
    auto* bytes = reinterpret_cast<unsigned char*>(spare->data());
    std::size_t got = 0;
    while (got < SignalLogBytes) {
        const ssize_t n = ::read(file.get(), bytes + got, SignalLogBytes - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            failRead(errno);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
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
