#pragma once
// The one file the log reader has open: a disk file opened read-only by its UTF-8 path, and
// closed on every way out. Each platform opens and reads it with its own calls (log_file_posix,
// log_file_win32) and reports failures through the shared Japanese messages below, so that a
// failure reads the same wherever the viewer runs.

#include <cstddef>
#include <cstdint>
#include <string>

namespace dtchart {

class LogFile {
public:
    // Opens a regular disk file for reading, shared with a logger that is still writing it.
    // Folders, devices and pipes are refused before anything is read. Raises SystemError.
    explicit LogFile(const std::string& utf8Path);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Reads up to `size` bytes; 0 at the end of the file. Raises SystemError.
    std::size_t read(unsigned char* into, std::size_t size);

private:
    std::intptr_t handle_;
};

// The failures both platforms report, each with its error number and message.
namespace log_file_failure {
[[noreturn]] void NotFound();
[[noreturn]] void FolderNotFound();
[[noreturn]] void PathThroughFile();
[[noreturn]] void NoPermission();
[[noreturn]] void InUse();
[[noreturn]] void BadName();
[[noreturn]] void NameTooLong();
[[noreturn]] void LinkLoop();
[[noreturn]] void NotRegularFile();
// Anything else, with the system's own text for it.
[[noreturn]] void CannotOpen(const std::string& systemText);
[[noreturn]] void CannotRead(const std::string& systemText);
}  // namespace log_file_failure

}  // namespace dtchart
