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

// A file held open for writing by another program, as a logger holds today's log. On Windows
// the holder's sharing decides who else may open the file: a logger lets readers in, or not.
class HeldForWriting {
public:
    enum Sharing { LetReadersIn, DenyReaders };
#ifdef Q_OS_WIN
    HeldForWriting(const QString& path, Sharing sharing)
        : handle_(::CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_WRITE,
                                sharing == LetReadersIn ? FILE_SHARE_READ : 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldForWriting() {
        if (isOpen()) ::CloseHandle(handle_);
    }
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool append(const QByteArray& bytes) {
        DWORD written = 0;
        return isOpen() && ::SetFilePointer(handle_, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
               ::WriteFile(handle_, bytes.constData(), DWORD(bytes.size()), &written, nullptr) &&
               written == DWORD(bytes.size());
    }

private:
    HANDLE handle_;
#else
    HeldForWriting(const QString& path, Sharing) : file_(path) {
        file_.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    bool isOpen() const { return file_.isOpen(); }
    bool append(const QByteArray& bytes) { return file_.write(bytes) == bytes.size() && file_.flush(); }

private:
    QFile file_;
#endif
    HeldForWriting(const HeldForWriting&) = delete;
    HeldForWriting& operator=(const HeldForWriting&) = delete;
};

}  // namespace dtchart::test
