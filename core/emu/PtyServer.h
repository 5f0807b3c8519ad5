#pragma once

#include "emu/VirtualEcu.h"

#include <chrono>
#include <functional>
#include <string>

namespace zolmar::emu {

// Serves a virtual ECU on a pseudo-terminal: a client opens its path like the ECU's
// serial port. The server keeps its own end of the terminal open, so a client that
// closes the port and opens it again finds the ECU still there.
class PtyServer {
public:
    explicit PtyServer(VirtualEcu& ecu) : ecu_(ecu) {}
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    bool Open(std::string& error);
    const std::string& Path() const { return path_; }

    // Pace replies to the link's 250000 baud, as a real ECU's would arrive.
    bool realtime = false;

    // Serves until keepRunning returns false; asks it every few milliseconds. ECU time
    // advances with the wall clock.
    void Run(const std::function<bool()>& keepRunning);
    // Waits up to timeoutMs for requests and answers those that are complete.
    void Step(int timeoutMs);

private:
    void answer(const uint8_t* frame, int length, std::chrono::steady_clock::time_point received);
    // Bytes for a running boot loader (or at its rate): true when they were taken.
    bool serveBootLoader(const uint8_t* bytes, int length);
    void send(const uint8_t* bytes, int length);
    // Moves ECU time up to the wall clock in whole milliseconds, running the diagram's
    // passes.
    void catchUp();
    // The same while a paced reply waits: a millisecond at a time, only as long as the
    // passes end before the reply is due.
    void advanceBefore(std::chrono::steady_clock::time_point until);

    VirtualEcu& ecu_;
    RequestAssembler assembler_;
    std::chrono::steady_clock::time_point advanced_{}; // ECU time reached, on the wall clock
    std::chrono::steady_clock::duration chunk_{};      // what one millisecond's passes took
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

} // namespace zolmar::emu
