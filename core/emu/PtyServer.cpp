#include "emu/PtyServer.h"

#include "emu/EcuBootLoader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace zolmar {
bool getSerialBaudRate(int fd, uint32_t& baud);
}

namespace zolmar::emu {

using Clock = std::chrono::steady_clock;

PtyServer::~PtyServer() {
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

bool PtyServer::Open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    char name[128] = {};
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        error = std::string("Could not create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    // Replies nobody reads must never block the server.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    path_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error = "Could not open " + path_ + ": " + std::strerror(errno);
        return false;
    }
    // Raw from the start: no echo of requests, no translation of any byte.
    struct termios t {};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    error.clear();
    return true;
}

void PtyServer::Run(const std::function<bool()>& keepRunning) {
    advanced_ = Clock::now();
    while (keepRunning()) {
        Step(assembler_.Pending() > 0 ? 2 : 20);
        catchUp();
    }
}

void PtyServer::catchUp() {
    auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - advanced_).count();
    if (ms > 0) {
        ecu_.Advance(static_cast<uint32_t>(ms));
        advanced_ += std::chrono::milliseconds(ms);
    }
}

void PtyServer::advanceBefore(Clock::time_point until) {
    if (advanced_ == Clock::time_point{})
        return; // not serving from Run: ECU time is its caller's
    // A millisecond at a time, each begun only while what the last one took still fits
    // before the reply is due.
    for (;;) {
        const auto now = Clock::now();
        if (now - advanced_ < std::chrono::milliseconds(1) || now + chunk_ >= until)
            return;
        ecu_.Advance(1);
        advanced_ += std::chrono::milliseconds(1);
        chunk_ = Clock::now() - now;
    }
}

void PtyServer::Step(int timeoutMs) {
    struct pollfd p {
        master_, POLLIN, 0
    };
    int ready = ::poll(&p, 1, timeoutMs);
    uint8_t frame[RequestAssembler::kMaxFrame];
    int length = 0;
    if (ready <= 0 || (p.revents & POLLIN) == 0) {
        // The line went quiet: what is pending is one frame of unknown length, or noise;
        // after noise the assembler listens again.
        if (ready == 0 && assembler_.Pause(frame, length))
            answer(frame, length, Clock::now());
        return;
    }
    uint8_t bytes[512];
    ssize_t n = ::read(master_, bytes, sizeof bytes);
    if (n <= 0)
        return;
    auto received = Clock::now();
    if (!ecu_.Plugged())
        return; // unplugged: requests go nowhere
    if (serveBootLoader(bytes, static_cast<int>(n)))
        return;
    assembler_.Add(bytes, static_cast<int>(n));
    while (assembler_.Next(frame, length))
        answer(frame, length, received);
}

bool PtyServer::serveBootLoader(const uint8_t* bytes, int length) {
    uint32_t baud = 0;
    const bool bootRate = getSerialBaudRate(slave_, baud) && baud == EcuBootLoader::kBaud;
    EcuBootLoader* loader = ecu_.bootLoader;
    if (loader == nullptr || !loader->Running())
        return bootRate; // the application does not listen at the boot loader's rate
    std::vector<uint8_t> reply;
    loader->Receive(bytes, length, baud, reply);
    send(reply.data(), static_cast<int>(reply.size()));
    return true;
}

void PtyServer::send(const uint8_t* bytes, int length) {
    int sent = 0;
    while (sent < length) {
        ssize_t n = ::write(master_, bytes + sent, static_cast<size_t>(length - sent));
        if (n > 0)
            sent += static_cast<int>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return; // nobody reads: drop the rest
    }
}

void PtyServer::answer(const uint8_t* frame, int length, Clock::time_point received) {
    EcuReply reply = ecu_.Serve(frame, length);
    if (reply.length == 0)
        return;
    auto due = received + std::chrono::milliseconds(reply.delayMs);
    if (realtime) {
        due += std::chrono::microseconds(VirtualEcu::WireMicros(length + reply.length));
        // The ECU's time runs on while its reply is on the wire, as on the real one,
        // whose link does not wait for the diagram nor the diagram for the link.
        advanceBefore(due);
    }
    std::this_thread::sleep_until(due);
    send(reply.bytes, reply.length);
}

} // namespace zolmar::emu
