#include "emu/VirtualEcu.h"

#include "link/ModbusDriver.h"
#include "model/ECU.h"

#include <algorithm>
#include <cstring>

namespace zolmar::emu {

using namespace EcuMap;

namespace {

constexpr uint8_t kUnit = 0x01;
constexpr uint8_t kIllegalFunction = 0x01;
constexpr uint8_t kIllegalAddress = 0x02;
constexpr uint8_t kIllegalValue = 0x03;
constexpr int kMaxReadWords = 125;
constexpr int kMaxWriteWords = 123;
constexpr uint32_t kConstStart = 0x400;
constexpr uint32_t kConstEnd = 0x7FFC;

bool crcValid(const uint8_t* frame, int length) {
    if (length < 3)
        return false;
    uint16_t crc = TModbusDriver::Crc16(frame, length - 2);
    return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

int finish(uint8_t* reply, int length) {
    uint16_t crc = TModbusDriver::Crc16(reply, length);
    reply[length++] = static_cast<uint8_t>(crc & 0xFF);
    reply[length++] = static_cast<uint8_t>(crc >> 8);
    return length;
}

} // namespace

VirtualEcu::VirtualEcu() : memory_(kAddressSpace, 0), flash_(kNamesEnd, 0) {
    // The diagram runs on the committed configuration, never on bytes still being
    // written, and on the live RAM.
    learner_.ecu = this;
    view_.config = flash_.data();
    view_.configSize = static_cast<uint32_t>(flash_.size());
    view_.live = memory_.data() + kLiveBase;
    view_.learn = &learner_;
    SetSerial("Q7700X-EMU-00000001");
    ClearConfiguration();
    onboardLog_.Attach(*this);
    scope_.Attach(*this);
}

void VirtualEcu::restartDiagram() {
    diagram_.Restart(view_);
}

// ---------------------------------------------------------------- configuration

void VirtualEcu::ClearConfiguration() {
    std::fill(memory_.begin(), memory_.begin() + kConfigEnd, 0);
    std::fill(memory_.begin() + kNamesBase, memory_.begin() + kNamesEnd, 0);
    std::fill(memory_.begin() + Layout::kLogicBase,
              memory_.begin() + Layout::kLogicBase + Layout::kLogicSize, 0xFF);
    memory_[0] = 0x00; // ConstMemUsage 0x0400: no constants beyond the fixed 1024 bytes
    memory_[1] = 0x04;
    memory_[2] = 0x01; // ConfigMemUsage 1: the finish byte
    memory_[3] = 0x00;
    std::copy(memory_.begin(), memory_.begin() + kNamesEnd, flash_.begin());
    restartDiagram();
}

void VirtualEcu::LoadConfiguration(const tECU& ecu) {
    std::copy(ecu.Image, ecu.Image + kConfigEnd, memory_.begin());
    std::copy(ecu.Image + kNamesBase, ecu.Image + kNamesEnd, memory_.begin() + kNamesBase);
    std::copy(memory_.begin(), memory_.begin() + kConfigEnd, flash_.begin());
    std::copy(memory_.begin() + kNamesBase, memory_.begin() + kNamesEnd,
              flash_.begin() + kNamesBase);
    restartDiagram();
}

void VirtualEcu::StoreConfiguration(tECU& ecu, bool committed) const {
    const uint8_t* source = committed ? flash_.data() : memory_.data();
    std::memcpy(ecu.Image, source, kConfigEnd);
    std::memcpy(ecu.Image + kNamesBase, source + kNamesBase, kNamesEnd - kNamesBase);
    ecu.RebuildIndex(false, false);
    ecu.ConfigurationReplaced();
}

void VirtualEcu::Restart() {
    std::copy(flash_.begin(), flash_.begin() + kConfigEnd, memory_.begin());
    std::copy(flash_.begin() + kNamesBase, flash_.end(), memory_.begin() + kNamesBase);
    std::fill(memory_.begin() + kLiveBase, memory_.begin() + kNamesBase, 0);
    std::fill(std::begin(learnAddress_), std::end(learnAddress_), 0);
    learnQueue_.clear();
    modeBits_ = 0;
    restartDiagram();
}

uint16_t VirtualEcu::ReadWord(uint32_t address) const {
    address &= kAddressSpace - 2;
    return static_cast<uint16_t>(memory_[address] | (memory_[address + 1] << 8));
}

void VirtualEcu::WriteWord(uint32_t address, uint16_t value) {
    address &= kAddressSpace - 2;
    memory_[address] = static_cast<uint8_t>(value & 0xFF);
    memory_[address + 1] = static_cast<uint8_t>(value >> 8);
}

void VirtualEcu::commit() {
    // New logic means other elements at other live addresses: the diagram starts
    // afresh. New constants alone (tuning) keep it running.
    const auto logic = static_cast<long>(Layout::kLogicBase);
    const bool newLogic =
        !std::equal(memory_.begin() + logic, memory_.begin() + logic + Layout::kLogicSize,
                    flash_.begin() + logic);
    std::copy(memory_.begin(), memory_.begin() + kConfigEnd, flash_.begin());
    std::copy(memory_.begin() + kNamesBase, memory_.begin() + kNamesEnd,
              flash_.begin() + kNamesBase);
    ++commits_;
    if (newLogic)
        restartDiagram();
}

void VirtualEcu::PowerCycle() {
    std::copy(flash_.begin(), flash_.begin() + kConfigEnd, memory_.begin());
    std::copy(flash_.begin() + kNamesBase, flash_.begin() + kNamesEnd,
              memory_.begin() + kNamesBase);
    std::fill(memory_.begin() + kConfigEnd, memory_.begin() + kNamesBase, 0);
    restartDiagram();
}

// ---------------------------------------------------------------- status block

void VirtualEcu::SetSerial(const std::string& serial) {
    serial_ = serial.substr(0, kSerialLength);
}

void VirtualEcu::SetRates(uint8_t firmwareRate, uint8_t calcRate) {
    firmwareRate_ = firmwareRate;
    calcRate_ = calcRate;
}

void VirtualEcu::SetPackage(uint8_t major, uint8_t minor) {
    packageMajor_ = static_cast<uint8_t>(major & 0x3F);
    packageMinor_ = minor;
}

bool VirtualEcu::storeLearnt(uint16_t address, uint16_t value) {
    if (address == 0) // 0 marks an empty slot
        return false;
    // The ECU has learnt it: the constant is its own from now on. Bytes the link has
    // written there but not yet committed are newer: a commit must not lose them.
    if (address >= kConstStart && address + 2u <= kConstEnd) {
        const bool staged =
            memory_[address] != flash_[address] || memory_[address + 1] != flash_[address + 1];
        for (auto* bytes : {&memory_, &flash_}) {
            if (bytes == &memory_ && staged)
                continue;
            (*bytes)[address] = static_cast<uint8_t>(value & 0xFF);
            (*bytes)[address + 1] = static_cast<uint8_t>(value >> 8);
        }
    }
    return true;
}

bool VirtualEcu::PostLearnReport(uint16_t address, uint16_t value) {
    if (address == 0)
        return false;
    for (int k = 0; k < kLearnSlots; ++k) {
        if (learnAddress_[k] != 0)
            continue;
        learnAddress_[k] = address;
        learnValue_[k] = value;
        storeLearnt(address, value);
        return true;
    }
    return false;
}

void VirtualEcu::LearnConstant(uint16_t address, uint16_t value) {
    if (!storeLearnt(address, value))
        return;
    for (int k = 0; k < kLearnSlots; ++k) {
        if (learnAddress_[k] == address) {
            learnValue_[k] = value;
            return;
        }
    }
    for (auto& queued : learnQueue_) {
        if (queued.first == address) {
            queued.second = value;
            return;
        }
    }
    // Beyond the limit the cell is still learnt; only its report is lost.
    if (learnQueue_.size() < kLearnQueueLimit)
        learnQueue_.emplace_back(address, value);
    refillLearnSlots();
}

void VirtualEcu::refillLearnSlots() {
    size_t taken = 0;
    for (int k = 0; k < kLearnSlots && taken < learnQueue_.size(); ++k) {
        if (learnAddress_[k] != 0)
            continue;
        learnAddress_[k] = learnQueue_[taken].first;
        learnValue_[k] = learnQueue_[taken].second;
        ++taken;
    }
    learnQueue_.erase(learnQueue_.begin(), learnQueue_.begin() + static_cast<long>(taken));
}

void VirtualEcu::Learner::LearnConstWord(int constAddr, uint16_t value) {
    ecu->LearnConstant(static_cast<uint16_t>(kConstStart + static_cast<uint32_t>(constAddr)),
                       value);
}

int VirtualEcu::PendingLearnReports() const {
    return static_cast<int>(std::count_if(std::begin(learnAddress_), std::end(learnAddress_),
                                          [](uint16_t a) { return a != 0; }));
}

uint16_t VirtualEcu::statusWord(int index) const {
    if (index < 16) {
        auto at = [this](size_t k) -> uint8_t {
            return k < serial_.size() ? static_cast<uint8_t>(serial_[k]) : 0;
        };
        return static_cast<uint16_t>(at(2 * index) << 8 | at(2 * index + 1));
    }
    if (index < 30) {
        int slot = (index - 16) / 2;
        return (index % 2 == 0) ? learnAddress_[slot] : learnValue_[slot];
    }
    if (index == 30)
        return static_cast<uint16_t>(firmwareRate_ << 8 | calcRate_);
    return static_cast<uint16_t>(modeBits_ << 14 | packageMajor_ << 8 | packageMinor_);
}

// ---------------------------------------------------------------- memory map

const MemoryHandler* VirtualEcu::handlerFor(uint32_t address) const {
    // The latest handler of a region wins, so a test can stand in for a built-in one.
    for (auto h = handlers_.rbegin(); h != handlers_.rend(); ++h) {
        if (address >= h->begin && address < h->end)
            return &*h;
    }
    return nullptr;
}

bool VirtualEcu::readRegister(uint32_t address, uint16_t& value) {
    if (const MemoryHandler* h = handlerFor(address))
        return h->read && h->read(address, value);
    if (address >= kStatusBase && address < kStatusBase + 2 * kStatusWords) {
        value = statusWord(static_cast<int>((address - kStatusBase) / 2));
        return true;
    }
    value = ReadWord(address);
    return true;
}

bool VirtualEcu::writable(uint32_t address) const {
    if (const MemoryHandler* h = handlerFor(address))
        return static_cast<bool>(h->write);
    return address < kNamesEnd || address == kModeWord; // configuration, live, command
}

void VirtualEcu::storeWord(uint32_t address, uint16_t value) {
    if (const MemoryHandler* h = handlerFor(address)) {
        h->write(address, value);
        return;
    }
    if (address == kCommandWord) {
        // Every command first makes the written configuration permanent.
        lastCommand_ = value;
        commit();
        if (onCommand)
            onCommand(value);
        return;
    }
    if (address == kModeWord) {
        // The scope arms (0) or forces a trigger (0x8000) here; without a capture
        // running, the mode bits simply take the written top bits.
        modeBits_ = static_cast<uint8_t>(value >> 14);
        return;
    }
    WriteWord(address, value);
}

// ---------------------------------------------------------------- Modbus slave

int VirtualEcu::exception(uint8_t function, uint8_t code, uint8_t* reply) const {
    reply[0] = kUnit;
    reply[1] = static_cast<uint8_t>(function | 0x80);
    reply[2] = code;
    return finish(reply, 3);
}

int VirtualEcu::HandleRequest(const uint8_t* frame, int length, uint8_t* reply) {
    if (length < 4 || length > 256 || !crcValid(frame, length) || frame[0] != kUnit)
        return 0;
    ++requests_;
    const uint8_t f = frame[1];
    const bool second = f == 0x04 || f == 0x86 || f == 0x90;
    const uint32_t bank = second ? kSecondBank : 0;
    auto field = [frame](int at) { return static_cast<uint32_t>(frame[at] << 8 | frame[at + 1]); };
    switch (f) {
    case 0x03:
    case 0x04: {
        if (length != 8)
            return exception(f, kIllegalValue, reply);
        uint32_t r = field(2);
        uint32_t n = field(4);
        if (n < 1 || n > kMaxReadWords)
            return exception(f, kIllegalValue, reply);
        if (r + n > 0x10000)
            return exception(f, kIllegalAddress, reply);
        uint16_t values[kMaxReadWords];
        for (uint32_t i = 0; i < n; ++i) {
            if (!readRegister(bank + 2 * (r + i), values[i]))
                return exception(f, kIllegalAddress, reply);
        }
        reply[0] = kUnit;
        reply[1] = f;
        reply[2] = static_cast<uint8_t>(2 * n);
        for (uint32_t i = 0; i < n; ++i) {
            reply[3 + 2 * i] = static_cast<uint8_t>(values[i] >> 8);
            reply[4 + 2 * i] = static_cast<uint8_t>(values[i] & 0xFF);
        }
        // A learn report goes out once: the slot is free again after it was read.
        for (int k = 0; k < kLearnSlots; ++k) {
            uint32_t a = kStatusBase + 2 * (16 + 2 * k);
            if (second && a >= bank + 2 * r && a < bank + 2 * (r + n))
                learnAddress_[k] = 0;
        }
        refillLearnSlots();
        return finish(reply, static_cast<int>(3 + 2 * n));
    }
    case 0x06:
    case 0x86: {
        if (length != 8)
            return exception(f, kIllegalValue, reply);
        uint32_t address = bank + 2 * field(2);
        if (!writable(address))
            return exception(f, kIllegalAddress, reply);
        storeWord(address, static_cast<uint16_t>(field(4)));
        std::memcpy(reply, frame, 8);
        return 8;
    }
    case 0x10:
    case 0x90: {
        if (length < 9)
            return exception(f, kIllegalValue, reply);
        uint32_t r = field(2);
        uint32_t n = field(4);
        if (n < 1 || n > kMaxWriteWords || frame[6] != 2 * n ||
            length != static_cast<int>(9 + 2 * n))
            return exception(f, kIllegalValue, reply);
        if (r + n > 0x10000)
            return exception(f, kIllegalAddress, reply);
        for (uint32_t i = 0; i < n; ++i) {
            if (!writable(bank + 2 * (r + i)))
                return exception(f, kIllegalAddress, reply);
        }
        for (uint32_t i = 0; i < n; ++i)
            storeWord(bank + 2 * (r + i),
                      static_cast<uint16_t>(field(static_cast<int>(7 + 2 * i))));
        std::memcpy(reply, frame, 6);
        return finish(reply, 6);
    }
    default:
        return exception(f, kIllegalFunction, reply);
    }
}

EcuReply VirtualEcu::Serve(const uint8_t* frame, int length) {
    EcuReply out;
    if (!plugged_)
        return out;
    out.length = HandleRequest(frame, length, out.bytes);
    if (out.length == 0)
        return out;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    if (faults.dropNext > 0) {
        --faults.dropNext;
        out.length = 0;
        return out;
    }
    if (faults.dropProbability > 0 && chance(random_) < faults.dropProbability) {
        out.length = 0;
        return out;
    }
    if (faults.corruptProbability > 0 && chance(random_) < faults.corruptProbability) {
        std::uniform_int_distribution<int> at(0, out.length - 1);
        std::uniform_int_distribution<int> mask(1, 255);
        out.bytes[at(random_)] ^= static_cast<uint8_t>(mask(random_));
    }
    out.delayMs = faults.delayMs;
    if (faults.delayMaxMs > faults.delayMs) {
        std::uniform_int_distribution<uint32_t> jitter(faults.delayMs, faults.delayMaxMs);
        out.delayMs = jitter(random_);
    }
    return out;
}

uint32_t VirtualEcu::WireMicros(int bytes, uint32_t baud) {
    // 8 data bits, a start and a stop bit.
    return static_cast<uint32_t>(static_cast<uint64_t>(bytes) * 10u * 1000000u / baud);
}

void VirtualEcu::Advance(uint32_t ms) {
    nowMs_ += ms;
    diagram_.Advance(view_, ms);
    for (auto& tick : onTick)
        tick(nowMs_);
}

// ---------------------------------------------------------------- request assembler

int RequestAssembler::expectedLength() const {
    if (length_ < 2)
        return -1;
    switch (buffer_[1]) {
    case 0x03:
    case 0x04:
    case 0x06:
    case 0x86:
        return 8;
    case 0x10:
    case 0x90:
        return length_ < 7 ? -1 : 9 + buffer_[6];
    default:
        return 0; // unknown: the pause after it ends the frame
    }
}

void RequestAssembler::Add(const uint8_t* bytes, int length) {
    if (discarding_ || length <= 0)
        return;
    if (length > kMaxFrame - length_) {
        // Longer than any request: noise. Wait for the line to go quiet.
        length_ = 0;
        discarding_ = true;
        return;
    }
    std::memcpy(buffer_ + length_, bytes, static_cast<size_t>(length));
    length_ += length;
}

bool RequestAssembler::Next(uint8_t* frame, int& length) {
    length = 0;
    if (discarding_)
        return false;
    int expected = expectedLength();
    if (expected <= 0 || length_ < expected)
        return false;
    if (!crcValid(buffer_, expected)) {
        length_ = 0;
        discarding_ = true;
        return false;
    }
    std::memcpy(frame, buffer_, static_cast<size_t>(expected));
    length = expected;
    length_ -= expected;
    std::memmove(buffer_, buffer_ + expected, static_cast<size_t>(length_));
    return true;
}

bool RequestAssembler::Pause(uint8_t* frame, int& length) {
    length = 0;
    bool whole = !discarding_ && length_ > 0 && crcValid(buffer_, length_);
    if (whole) {
        std::memcpy(frame, buffer_, static_cast<size_t>(length_));
        length = length_;
    }
    length_ = 0;
    discarding_ = false;
    return whole;
}

} // namespace zolmar::emu
