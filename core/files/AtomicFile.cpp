#include "files/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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

} // namespace

bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& error) {
    std::string temp = path + ".XXXXXX";
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
    struct stat existing {};
    mode_t mode =
        (::stat(path.c_str(), &existing) == 0) ? (existing.st_mode & 07777) : (0666 & ~mask);
    ::fchmod(fd, mode);

    bool ok = writeAll(fd, static_cast<const uint8_t*>(data), size) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && ::rename(name.data(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(name.data());
        error = ioErrorText("Writing", path, savedErrno);
        return false;
    }
    // Make the rename itself durable.
    int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
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

} // namespace zolmar
