#include "cli/AtomicFile.h"

#include "cli/musicxml/SourceText.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace cadentra_cli {
namespace {

/// As many links as the system itself follows before it gives up (SYMLOOP_MAX on Linux).
constexpr int MAX_LINKS = 40;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

std::string KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device";
    if (S_ISFIFO(mode)) return "is a named pipe";
    if (S_ISSOCK(mode)) return "is a socket";
    return "is not a regular file";
}

/// The link's own text, resolved against the folder the link is in.
std::string FollowLink(const std::string& link, const std::string& shown) {
    std::vector<char> text(PATH_MAX + 1);
    const ssize_t length = readlink(link.c_str(), text.data(), text.size() - 1);
    if (length < 0)
        throw InputError{shown + ": cannot read the symbolic link " + link + ": " +
                         std::strerror(errno)};
    const std::string target(text.data(), static_cast<size_t>(length));
    if (!target.empty() && target[0] == '/') return target;
    return FolderOf(link) + "/" + target;
}

} // namespace

std::string ResolveWriteTarget(const std::string& path) {
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat info;
        // A file that is not there (or whose folder is not) is a new file; writing it tells why
        // it cannot be made, if it cannot.
        if (lstat(current.c_str(), &info) != 0) return current;
        if (S_ISREG(info.st_mode)) return current;
        const std::string shown = current == path ? path : path + " (a link to " + current + ")";
        if (!S_ISLNK(info.st_mode))
            throw InputError{shown + ": " + KindOf(info.st_mode) +
                             ", not a regular file; nothing is written to it"};
        if (links == MAX_LINKS)
            throw InputError{path + ": more than " + std::to_string(MAX_LINKS) +
                             " symbolic links in a row (do they go round in a circle?)"};
        current = FollowLink(current, path);
    }
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    const std::string target = ResolveWriteTarget(path);
    const std::string folder = FolderOf(target);
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
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
    if (stat(target.c_str(), &existing) == 0) {
        // The owner first: giving a file away may clear its set-id bits, which fchmod restores.
        // Only a privileged process may give a file to someone else; otherwise it stays ours.
        [[maybe_unused]] const int owned = fchown(fd, existing.st_uid, existing.st_gid);
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
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        throw InputError{path + ": cannot replace the file: " + reason};
    }
}

} // namespace cadentra_cli
