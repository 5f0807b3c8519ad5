#pragma once

#include "emu/EcuDiagram.h"
#include "emu/OnboardLogRing.h"
#include "emu/ScopeCapture.h"
#include "model/EcuMemoryView.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace zolmar {
class tECU;
}

namespace zolmar::emu {

class EcuBootLoader;

// The ECU's memory map as the link sees it (ECU byte addresses).
namespace EcuMap {
inline constexpr uint32_t kAddressSpace = 0x40000; // two banks of 65536 registers
inline constexpr uint32_t kSecondBank = 0x20000;
inline constexpr uint32_t kConfigEnd = 0x1E000; // constants, logic, names of elements 1577..
inline constexpr uint32_t kLiveBase = 0x1E000;
inline constexpr uint32_t kCommandWord = 0x1FFFE;
inline constexpr uint32_t kNamesBase = 0x20000;
inline constexpr uint32_t kNamesEnd = 0x2A000;
inline constexpr uint32_t kStatusBase = 0x2A000;
inline constexpr int kStatusWords = 32;
inline constexpr int kSerialLength = 32;
inline constexpr int kLearnSlots = 7;
inline constexpr uint32_t kModeWord = kStatusBase + 2 * 31; // written by the scope
inline constexpr uint32_t kLinkBaud = 250000;
} // namespace EcuMap

// Faults injected into the replies on request.
struct Faults {
    double dropProbability = 0;    // the reply is not sent
    double corruptProbability = 0; // one byte of the reply is changed
    uint32_t delayMs = 0;          // added before every reply
    uint32_t delayMaxMs = 0;       // above delayMs: each reply's delay is drawn from the range
    int dropNext = 0;              // the next n replies are not sent (set while serving too)
};

// One reply as it leaves the ECU: bytes (none when nothing is sent) and the time
// the ECU takes before sending them.
struct EcuReply {
    uint8_t bytes[256];
    int length = 0;
    uint32_t delayMs = 0;
};

// A region of the address space served by a later part of the ECU (self-tests,
// onboard-log window, scope buffer, ...). Handlers return false to refuse an access.
struct MemoryHandler {
    uint32_t begin;
    uint32_t end; // exclusive
    std::function<bool(uint32_t address, uint16_t& value)> read;
    std::function<bool(uint32_t address, uint16_t value)> write;
};

// The virtual q7700x: its memory map, the Modbus RTU slave that serves it, the
// commit word, the status block with learn reports, the diagram it runs, and faults
// on demand. Written configuration bytes are staged in memory and made permanent by
// the commit word; the diagram runs only what was committed.
class VirtualEcu {
public:
    VirtualEcu();
    VirtualEcu(const VirtualEcu&) = delete;
    VirtualEcu& operator=(const VirtualEcu&) = delete;

    // --- configuration
    // An empty configuration: no elements, consistent usage words.
    void ClearConfiguration();
    // Memory and committed configuration := the image's configuration regions.
    void LoadConfiguration(const tECU& ecu);
    // Copies the committed (or the staged) configuration regions into an image, which
    // then holds another configuration (indexed, with new element identities).
    void StoreConfiguration(tECU& ecu, bool committed = true) const;
    const uint8_t* Memory() const { return memory_.data(); }
    const uint8_t* Committed() const { return flash_.data(); }
    uint16_t ReadWord(uint32_t address) const;
    void WriteWord(uint32_t address, uint16_t value);
    // Power cycle: staged writes that were never committed are lost, RAM is cleared.
    void Restart();
    int CommitCount() const { return commits_; }
    uint16_t LastCommand() const { return lastCommand_; }
    // A handler added later takes precedence over an earlier one for the same addresses.
    void AddHandler(MemoryHandler handler) { handlers_.push_back(std::move(handler)); }
    // Called for every write to the command word, after the commit.
    std::function<void(uint16_t value)> onCommand;
    // The boot loader, when one is installed: while it runs it owns the serial line.
    EcuBootLoader* bootLoader = nullptr;

    // --- status block
    void SetSerial(const std::string& serial);
    const std::string& Serial() const { return serial_; }
    void SetRates(uint8_t firmwareRate, uint8_t calcRate);
    void SetPackage(uint8_t major, uint8_t minor);
    void SetModeBits(uint8_t bits) { modeBits_ = static_cast<uint8_t>(bits & 3); }
    uint8_t ModeBits() const { return modeBits_; }
    // Reports a learnt constant: stores it (when it lies in the constant area) and
    // shows it in the next free slot until a status read has carried it out.
    bool PostLearnReport(uint16_t address, uint16_t value);
    int PendingLearnReports() const;
    // A constant the running diagram has learnt: stored (memory and committed) and
    // reported like PostLearnReport; while all seven slots are taken the report waits
    // in a queue, and a cell learnt again before its report went out is reported once
    // with its latest value.
    void LearnConstant(uint16_t address, uint16_t value);
    int QueuedLearnReports() const { return static_cast<int>(learnQueue_.size()); }
    static constexpr size_t kLearnQueueLimit = 4096;

    // --- the link
    // Serves one request frame as a Modbus RTU slave (unit 1) and applies the faults.
    EcuReply Serve(const uint8_t* frame, int length);
    // The same without faults; the reply length, 0 when nothing is to be sent.
    int HandleRequest(const uint8_t* frame, int length, uint8_t* reply);
    Faults faults;
    void SeedFaults(uint32_t seed) { random_.seed(seed); }
    bool Plugged() const { return plugged_; }
    void Unplug() {
        plugged_ = false;
        ++unplugs_;
    }
    uint32_t Unplugs() const { return unplugs_; }
    void Replug() { plugged_ = true; }
    // Power lost and back: configuration bytes written but not committed are gone,
    // the live RAM is cleared and the diagram starts again.
    void PowerCycle();
    uint32_t RequestsServed() const { return requests_; }
    // Time a frame of this many bytes takes on the wire at the link's baud rate.
    static uint32_t WireMicros(int bytes, uint32_t baud = EcuMap::kLinkBaud);

    // --- ECU time: the diagram runs here, later parts run the log and the scope too.
    // Advances ECU time: the diagram's passes for ms milliseconds, then onTick.
    void Advance(uint32_t ms);
    // The running diagram: its inputs, held words, speed and counters.
    EcuDiagram& Diagram() { return diagram_; }
    const EcuDiagram& Diagram() const { return diagram_; }
    // The memory the diagram runs on: the committed configuration and the live RAM.
    const EcuMemoryView& DiagramMemory() const { return view_; }
    uint64_t NowMs() const { return nowMs_; }
    std::vector<std::function<void(uint64_t nowMs)>> onTick;
    // The onboard log ring, recorded as ECU time advances.
    OnboardLogRing& OnboardLog() { return onboardLog_; }
    const OnboardLogRing& OnboardLog() const { return onboardLog_; }
    // The scope's capture, run as ECU time advances.
    const ScopeCapture& Scope() const { return scope_; }

private:
    bool readRegister(uint32_t address, uint16_t& value);
    bool writable(uint32_t address) const;
    void storeWord(uint32_t address, uint16_t value);
    const MemoryHandler* handlerFor(uint32_t address) const;
    int exception(uint8_t function, uint8_t code, uint8_t* reply) const;
    void commit();
    uint16_t statusWord(int index) const;
    bool storeLearnt(uint16_t address, uint16_t value);
    void refillLearnSlots();
    void restartDiagram();

    // The diagram's learnt cells come back to the ECU through here.
    struct Learner : LearnSink {
        VirtualEcu* ecu = nullptr;
        void LearnConstWord(int constAddr, uint16_t value) override;
    };

    std::vector<uint8_t> memory_; // the whole address space, little-endian words
    std::vector<uint8_t> flash_;  // committed configuration, addresses 0..0x29FFF
    std::vector<MemoryHandler> handlers_;
    std::string serial_;
    uint16_t learnAddress_[EcuMap::kLearnSlots] = {};
    uint16_t learnValue_[EcuMap::kLearnSlots] = {};
    uint8_t firmwareRate_ = 100;
    uint8_t calcRate_ = 100;
    uint8_t packageMajor_ = 3;
    uint8_t packageMinor_ = 12;
    uint8_t modeBits_ = 0;
    int commits_ = 0;
    uint16_t lastCommand_ = 0;
    // Plugging may come from another thread than the one serving requests.
    std::atomic<bool> plugged_{true};
    std::atomic<uint32_t> unplugs_{0};
    uint32_t requests_ = 0;
    uint64_t nowMs_ = 0;
    std::mt19937 random_{7700};
    std::vector<std::pair<uint16_t, uint16_t>> learnQueue_; // address, value
    Learner learner_;
    EcuMemoryView view_;
    EcuDiagram diagram_;
    OnboardLogRing onboardLog_;
    ScopeCapture scope_;
};

// Cuts a byte stream into request frames: by the length the function code implies,
// or, for a code of unknown length, at a pause on the line. After a frame of known
// length fails its CRC the rest is dropped until the next pause.
class RequestAssembler {
public:
    static constexpr int kMaxFrame = 256;
    void Add(const uint8_t* bytes, int length);
    // Takes the next complete frame; false when none is complete yet.
    bool Next(uint8_t* frame, int& length);
    // The line went quiet: whatever is pending is one frame (returned) or noise.
    bool Pause(uint8_t* frame, int& length);
    int Pending() const { return length_; }

private:
    int expectedLength() const;
    uint8_t buffer_[kMaxFrame] = {};
    int length_ = 0;
    bool discarding_ = false;
};

} // namespace zolmar::emu
