#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace zolmar::test {

// A program started by a test, with its standard output and error captured.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const std::vector<std::string>& argv);
    // The next line of standard output (without its newline); empty after the timeout.
    std::string readLine(int timeoutMs);
    void signal(int sig) const;
    // Waits for the end and collects the rest of both outputs; kills after the timeout.
    // Returns the exit code, or -1 when it did not end by itself.
    int wait(int timeoutMs);
    pid_t pid() const { return pid_; }
    std::string out;
    std::string err;

private:
    void drain(int timeoutMs);
    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string pendingOut_;
};

struct RunResult {
    int code;
    std::string out;
    std::string err;
};

// Runs a program to its end.
RunResult runProgram(const std::vector<std::string>& argv, int timeoutMs = 60000);

// True when a program of this name is on PATH.
bool onPath(const std::string& program);

} // namespace zolmar::test
