#pragma once
// Days of levels for tests and benchmarks, as grids and as log files.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef RGB  // the Windows macro would hide dtchart::RGB
#endif

#include "signal/signal_grid.h"
#include "signal/signal_log_reader.h"

namespace dtchart::test {

// The bytes of a log whose cell (bin, slot) holds level(bin, slot).
inline QByteArray LogBytes(const std::function<std::int16_t(int bin, int slot)>& level) {
    QByteArray bytes(static_cast<qsizetype>(SignalLogBytes), '\0');
    for (int i = 0; i < SignalGrid::Slots; ++i)
        for (int j = 0; j < SignalGrid::Bins; ++j) {
            const auto word = static_cast<std::uint16_t>(level(j, i));
            const qsizetype at = 2 * (i * SignalGrid::Bins + j);
            bytes[at] = static_cast<char>(word & 0xFF);
            bytes[at + 1] = static_cast<char>(word >> 8);
        }
    return bytes;
}

// A grid whose cell (bin, slot) holds level(bin, slot).
inline SignalGrid GridWith(const std::function<std::int16_t(int bin, int slot)>& level) {
    SignalGrid::Cells cells;
    for (int i = 0; i < SignalGrid::Slots; ++i)
        for (int j = 0; j < SignalGrid::Bins; ++j) cells[i * SignalGrid::Bins + j] = level(j, i);
    SignalGrid grid;
    grid.replace(cells);
    return grid;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

#ifdef Q_OS_WIN
// A file held open for writing by another program, as a logger holds today's log; the
// holder's sharing decides who else may open it: a logger lets readers in, or not.
class HeldForWriting {
public:
    enum Sharing { LetReadersIn, DenyReaders };
    HeldForWriting(const QString& path, Sharing sharing)
        : handle_(::CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_WRITE,
                                sharing == LetReadersIn ? FILE_SHARE_READ : 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldForWriting() {
        if (isOpen()) ::CloseHandle(handle_);
    }
    HeldForWriting(const HeldForWriting&) = delete;
    HeldForWriting& operator=(const HeldForWriting&) = delete;
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};
#endif

}  // namespace dtchart::test
