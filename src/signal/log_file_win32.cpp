#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "signal/log_file.h"

namespace dtchart {
namespace fail = log_file_failure;
namespace {

HANDLE handleOf(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::string utf8(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                              nullptr, nullptr);
    return out;
}

// The system's own text for an error code, in the user's language, without its line break.
std::string systemText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n > 0 && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.' || text.back() == L'。'))
        text.pop_back();
    if (text.empty()) return "エラー " + std::to_string(code);
    return utf8(text);
}

std::wstring fullPath(const std::wstring& path) {
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) fail::BadName();
    std::wstring full(size, L'\0');
    full.resize(::GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
    return full;
}

// The path as UTF-16, never through the ANSI code page, so that every name opens. Reserved
// names (CON, NUL, COM1, ...) are devices, which the system writes \\.\NAME: refused before
// they are opened. A path too long for the classic limit gets the \\?\ prefix that lifts it.
std::wstring widePath(const std::string& path) {
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                        static_cast<int>(path.size()), nullptr, 0);
    if (n <= 0) fail::BadName();
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                          wide.data(), n);
    if (wide.rfind(LR"(\\?\)", 0) == 0) return wide;
    const std::wstring full = fullPath(wide);
    if (full.rfind(LR"(\\.\)", 0) == 0) fail::NotRegularFile();
    if (full.size() < MAX_PATH) return wide;
    if (full.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + full.substr(2);
    return LR"(\\?\)" + full;
}

[[noreturn]] void failOpen(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND: fail::NotFound();
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: fail::FolderNotFound();
    case ERROR_ACCESS_DENIED: fail::NoPermission();
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: fail::InUse();
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY: fail::BadName();
    case ERROR_FILENAME_EXCED_RANGE: fail::NameTooLong();
    case ERROR_CANT_RESOLVE_FILENAME: fail::LinkLoop();
    default: fail::CannotOpen(systemText(code));
    }
}

}  // namespace

LogFile::LogFile(const std::string& utf8Path) {
    const std::wstring path = widePath(utf8Path);
    // Shared for reading, writing and deleting: a logger still writing today's file neither
    // blocks the viewer nor is blocked by it. Backup semantics let a folder open too, so that
    // it is told apart from a file without rights and refused below.
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN |
                                          FILE_FLAG_BACKUP_SEMANTICS,
                                      nullptr);
    if (file == INVALID_HANDLE_VALUE) failOpen(::GetLastError());
    handle_ = reinterpret_cast<std::intptr_t>(file);
    // Only a disk file: reserved names (CON, NUL, COM1), pipes and folders are refused.
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(file);
        fail::NotRegularFile();
    }
}

LogFile::~LogFile() { ::CloseHandle(handleOf(handle_)); }

std::size_t LogFile::read(unsigned char* into, std::size_t size) {
    // One call reads at most 4 GiB; the reader asks for far less.
    const DWORD ask = static_cast<DWORD>(size > 0x7FFFFFFF ? 0x7FFFFFFF : size);
    DWORD got = 0;
    if (!::ReadFile(handleOf(handle_), into, ask, &got, nullptr)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) return 0;
        if (code == ERROR_LOCK_VIOLATION) fail::InUse();
        fail::CannotRead(systemText(code));
    }
    return got;
}

}  // namespace dtchart
