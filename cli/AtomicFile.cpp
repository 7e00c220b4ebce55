#include "cli/AtomicFile.h"

#include "cli/musicxml/SourceText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace cadentra_cli {

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = folder + "/." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        throw InputError{path + ": cannot create a temporary file in " + folder + ": " +
                         std::strerror(errno)};
    const std::string temporary(name.data());
    auto fail = [&](const std::string& what) {
        const std::string reason = std::strerror(errno);
        close(fd);
        std::remove(temporary.c_str());
        throw InputError{path + ": " + what + ": " + reason};
    };

    struct stat existing;
    if (stat(path.c_str(), &existing) == 0) {
        if (fchmod(fd, existing.st_mode & 07777) != 0) fail("cannot set the permissions");
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        if (fchmod(fd, 0666 & ~mask) != 0) fail("cannot set the permissions");
    }
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("cannot write");
        }
        written += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0) fail("cannot flush");
    if (close(fd) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        throw InputError{path + ": cannot close the written file: " + reason};
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        throw InputError{path + ": cannot replace the file: " + reason};
    }
}

} // namespace cadentra_cli
