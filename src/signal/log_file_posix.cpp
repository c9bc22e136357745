#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "signal/log_file.h"

namespace dtchart {
namespace fail = log_file_failure;
namespace {

[[noreturn]] void failOpen(int err) {
    switch (err) {
    case ENOENT: fail::NotFound();
    case ENOTDIR: fail::PathThroughFile();
    case EACCES:
    case EPERM: fail::NoPermission();
    case ELOOP: fail::LinkLoop();
    case ENAMETOOLONG: fail::NameTooLong();
    default: fail::CannotOpen(std::strerror(err));
    }
}

}  // namespace

LogFile::LogFile(const std::string& utf8Path) {
    // Non-blocking so that opening a FIFO never waits for a writer; the descriptor is then
    // checked, not the path, so nothing can swap the file between check and read.
    const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) failOpen(errno);
    handle_ = fd;
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    const int err = errno;
    if (!statted || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (!statted) fail::CannotRead(std::strerror(err));
        fail::NotRegularFile();
    }
}

LogFile::~LogFile() { ::close(static_cast<int>(handle_)); }

std::size_t LogFile::read(unsigned char* into, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), into, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) fail::CannotRead(std::strerror(errno));
    }
}

}  // namespace dtchart
