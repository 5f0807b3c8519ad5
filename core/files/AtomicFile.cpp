#include "files/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zolmar {

std::string ioErrorText(const std::string& action, const std::string& path, int error) {
    return action + " \"" + path + "\" failed: " + std::strerror(error) + ".";
}

namespace {

bool writeAll(int fd, const uint8_t* p, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Temporary files are hidden, named after the file and the writing process:
// ".NAME.zolmar-PID-XXXXXX". Long names are cut so the whole fits a file name.
std::string temporaryPrefix(const std::string& target) {
    constexpr size_t kMaxBase = 200;
    return "." + baseOf(target).substr(0, kMaxBase) + ".zolmar-";
}

// Removes the temporary files of earlier saves of this file whose process is gone.
void removeLeftovers(const std::string& target) {
    const std::string folder = folderOf(target);
    const std::string prefix = temporaryPrefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> stale;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        // PID, a dash and mkstemp's six characters.
        const std::string rest = name.substr(prefix.size());
        const size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || dash > 10 || rest.size() != dash + 7 ||
            rest.find_first_not_of("0123456789") != dash)
            continue;
        const long pid = std::strtol(rest.substr(0, dash).c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue; // the saving process may still be at work
        stale.push_back(folder + "/" + name);
    }
    ::closedir(dir);
    for (const std::string& path : stale) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(path.c_str());
    }
}

} // namespace

std::string resolvedTarget(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::vector<char> link(static_cast<size_t>(std::max<off_t>(st.st_size, 255)) + 1);
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size() - 1);
        if (n <= 0)
            return current;
        std::string next(link.data(), static_cast<size_t>(n));
        if (next[0] != '/') {
            const std::string folder = folderOf(current);
            next = (folder == "/" ? "" : folder) + "/" + next;
        }
        current = next;
    }
    return current;
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& error) {
    // Through a link, the file it points to is what the user means to write.
    const std::string target = resolvedTarget(path);
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        error = ioErrorText("Writing", path, ELOOP); // links that never end in a file
        return false;
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) {
            error = ioErrorText("Writing", path, EISDIR);
            return false;
        }
        if (!S_ISREG(existing.st_mode)) {
            // A rename would replace the device or pipe with a plain file.
            error = "Writing \"" + path + "\" failed: it is not a regular file.";
            return false;
        }
        // The rename would replace a file the user may not change; even root keeps
        // a file whose owner took every write permission away.
        if (::access(target.c_str(), W_OK) != 0 || (existing.st_mode & 0222) == 0) {
            error = "Writing \"" + path +
                    "\" failed: the file is read-only. Nothing was written; save under "
                    "another name, or make the file writable first.";
            return false;
        }
    }
    removeLeftovers(target);
    std::string temp =
        folderOf(target) + "/" + temporaryPrefix(target) + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = ioErrorText("Writing", path, errno);
        return false;
    }
    // mkstemp makes the file private; give it the permissions a new file would get.
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~mask);
    ::fchmod(fd, mode);

    bool ok = writeAll(fd, static_cast<const uint8_t*>(data), size) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && ::rename(name.data(), target.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(name.data());
        error = ioErrorText("Writing", path, savedErrno);
        return false;
    }
    // Make the rename itself durable.
    int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                   size_t maxBytes) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        error = ioErrorText("Opening", path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        error = ioErrorText("Reading", path, EISDIR);
        return false;
    }
    uint8_t buffer[65536];
    for (;;) {
        size_t want = sizeof buffer;
        if (maxBytes > 0) {
            if (bytes.size() >= maxBytes)
                break;
            want = std::min(want, maxBytes - bytes.size());
        }
        ssize_t n = ::read(fd, buffer, want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = ioErrorText("Reading", path, errno);
            ::close(fd);
            bytes.clear();
            return false;
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return true;
}

bool readFileAtMost(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                    size_t maxBytes) {
    if (!readWholeFile(path, bytes, error, maxBytes + 1))
        return false;
    if (bytes.size() > maxBytes) {
        bytes.clear();
        error = "Reading \"" + path + "\" failed: it is larger than " + std::to_string(maxBytes) +
                " bytes.";
        return false;
    }
    return true;
}

} // namespace zolmar
