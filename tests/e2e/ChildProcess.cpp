#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zolmar::test {

ChildProcess::~ChildProcess() {
    if (pid_ > 0)
        wait(0);
}

bool ChildProcess::start(const std::vector<std::string>& argv) {
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    if (rc != 0) {
        pid_ = -1;
        return false;
    }
    return true;
}

void ChildProcess::drain(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (outFd_ >= 0 || errFd_ >= 0) {
        struct pollfd p[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0 || ::poll(p, 2, static_cast<int>(left)) <= 0)
            return;
        for (int k = 0; k < 2; ++k) {
            if (p[k].revents == 0)
                continue;
            char buffer[4096];
            int& fd = k == 0 ? outFd_ : errFd_;
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fd);
                fd = -1;
            } else {
                (k == 0 ? pendingOut_ : err).append(buffer, static_cast<size_t>(n));
            }
        }
    }
}

std::string ChildProcess::readLine(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pendingOut_.find('\n') == std::string::npos && outFd_ >= 0 &&
           std::chrono::steady_clock::now() < deadline) {
        struct pollfd p = {outFd_, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            char buffer[256];
            ssize_t n = ::read(outFd_, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(outFd_);
                outFd_ = -1;
            } else {
                pendingOut_.append(buffer, static_cast<size_t>(n));
            }
        }
    }
    size_t end = pendingOut_.find('\n');
    if (end == std::string::npos)
        return "";
    std::string line = pendingOut_.substr(0, end);
    out += pendingOut_.substr(0, end + 1);
    pendingOut_.erase(0, end + 1);
    return line;
}

void ChildProcess::signal(int sig) const {
    if (pid_ > 0)
        ::kill(pid_, sig);
}

int ChildProcess::wait(int timeoutMs) {
    if (pid_ <= 0)
        return -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    bool ended = false;
    for (;;) {
        drain(20);
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            ended = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
    }
    if (!ended) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    drain(200);
    out += pendingOut_;
    pendingOut_.clear();
    for (int* fd : {&outFd_, &errFd_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    pid_ = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RunResult runProgram(const std::vector<std::string>& argv, int timeoutMs) {
    ChildProcess child;
    if (!child.start(argv))
        return {-1, "", "could not start " + argv[0]};
    int code = child.wait(timeoutMs);
    return {code, child.out, child.err};
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace zolmar::test
