#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zolmar {

// Where change-log bytes go: the user's file, or a capture for tests and tools.
class ChangeLogSink {
public:
    virtual ~ChangeLogSink() = default;
    virtual bool write(const std::string& bytes, std::string& error) = 0;
};

// Keeps what was logged in memory.
class CapturedChangeLog : public ChangeLogSink {
public:
    bool write(const std::string& bytes, std::string&) override {
        this->bytes += bytes;
        return true;
    }
    std::string bytes;
};

// The configuration change log: while it is on, editing commands append one line
// each. Lines are raw bytes ending with line feed then carriage return; there is
// no header and no timestamp.
class ChangeLog {
public:
    static constexpr const char* kLineEnd = "\n\r";

    ChangeLog() = default;
    ChangeLog(const ChangeLog&) = delete;
    ChangeLog& operator=(const ChangeLog&) = delete;
    ~ChangeLog();

    bool isOn() const { return sink_ != nullptr; }
    // Stops a running log first, then creates (truncates) the file and switches
    // logging on. When the file cannot be created logging stays off.
    bool startFile(const std::string& path, std::string& error);
    void startSink(std::unique_ptr<ChangeLogSink> sink);
    void stop();
    // Appends the text and the line end when logging is on. A failed write
    // switches logging off and reports the system's error.
    bool append(const std::string& text, std::string& error);

private:
    std::unique_ptr<ChangeLogSink> sink_;
};

} // namespace zolmar
