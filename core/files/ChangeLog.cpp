#include "files/ChangeLog.h"

#include "files/AtomicFile.h"
#include "model/ECU.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zolmar {

namespace {

// Appends to a file kept open while logging runs.
class FileSink : public ChangeLogSink {
public:
    FileSink(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~FileSink() override { ::close(fd_); }
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool write(const std::string& bytes, std::string& error) override {
        const char* p = bytes.data();
        size_t left = bytes.size();
        while (left > 0) {
            ssize_t n = ::write(fd_, p, left);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                error = ioErrorText("Writing", path_, errno);
                return false;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
        return true;
    }

private:
    int fd_;
    std::string path_;
};

} // namespace

ChangeLog::~ChangeLog() {
    stop();
}

bool ChangeLog::startFile(const std::string& path, std::string& error) {
    stop();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = ioErrorText("Creating", path, errno);
        return false;
    }
    sink_ = std::make_unique<FileSink>(fd, path);
    return true;
}

void ChangeLog::startSink(std::unique_ptr<ChangeLogSink> sink) {
    stop();
    sink_ = std::move(sink);
}

void ChangeLog::stop() {
    sink_.reset();
}

bool ChangeLog::append(const std::string& text, std::string& error) {
    if (!sink_)
        return true;
    if (sink_->write(text + kLineEnd, error))
        return true;
    stop();
    return false;
}

bool tECU::LoggingChanges() const {
    return ChangeLogger != nullptr && ChangeLogger->isOn();
}

void tECU::LogChange(const std::string& text) {
    if (!LoggingChanges())
        return;
    std::string error;
    if (!ChangeLogger->append(text, error))
        messages_->error(error);
}

} // namespace zolmar
