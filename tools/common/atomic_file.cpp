#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

[[noreturn]] void failWithErrno(const std::string& what, const std::filesystem::path& path) {
    throw std::runtime_error(what + " " + path.string() + ": " + std::strerror(errno));
}

// Creates "<dir>/.<name>.XXXXXX" and returns its descriptor; the name is
// written back into `pattern`. Hidden, and beside the target so the rename
// stays inside one file system.
int createTemporary(const std::filesystem::path& target, std::vector<char>& pattern) {
    std::filesystem::path dir = target.parent_path();
    std::string name = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    pattern.assign(name.begin(), name.end());
    pattern.push_back('\0');
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        failWithErrno("cannot create a temporary file for", target);
    }
    // mkstemp makes the file 0600; give it the mode a new file gets under
    // the usual umask 022. (Reading the real umask means changing it, which
    // would race with other threads creating files.)
    ::fchmod(fd, 0644);
    return fd;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

void writeFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
    std::vector<char> temporary;
    int fd = createTemporary(target, temporary);
    int error = 0;
    errno = 0;
    if (!writeAll(fd, bytes)) {
        error = errno != 0 ? errno : EIO;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.data(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.data());
        errno = error;
        failWithErrno("cannot write", target);
    }
}
