#include "emu/EcuBootLoader.h"

#include <algorithm>

namespace zolmar::emu {

namespace {
constexpr uint8_t kPing = 0xFF;
constexpr uint8_t kRead = 0x05;
constexpr uint8_t kWrite = 0x07;
constexpr uint8_t kErase = 0x0A;
constexpr uint8_t kRun = 'G';
constexpr uint16_t kRestartCommand = 0x5253; // "RS"
constexpr uint8_t kDone = 0x00;
constexpr uint8_t kFailed = 0x01;
} // namespace

EcuBootLoader::EcuBootLoader(VirtualEcu& ecu)
    : ecu_(ecu), main_(kMainFlashSize, 0xFF), pld_(kPldEnd - kPldBase, 0xFF) {
    auto previous = std::move(ecu_.onCommand);
    ecu_.onCommand = [this, previous](uint16_t value) {
        if (previous)
            previous(value);
        if (value == kRestartCommand)
            Start();
    };
    ecu_.bootLoader = this;
    SetVersion("q7700x firmware 3.12");
    SetSerial(ecu_.Serial());
}

EcuBootLoader::~EcuBootLoader() {
    if (ecu_.bootLoader == this)
        ecu_.bootLoader = nullptr;
}

void EcuBootLoader::Start() {
    running_ = true;
    pending_.clear();
}

uint8_t* EcuBootLoader::cell(uint32_t address) {
    if (address < kMainFlashSize)
        return &main_[address];
    if (address >= kPldBase && address < kPldEnd)
        return &pld_[address - kPldBase];
    return nullptr;
}

uint8_t EcuBootLoader::FlashByte(uint32_t address) const {
    if (address < kMainFlashSize)
        return main_[address];
    if (address >= kPldBase && address < kPldEnd)
        return pld_[address - kPldBase];
    auto it = other_.find(address);
    return it == other_.end() ? 0xFF : it->second;
}

void EcuBootLoader::SetFlash(uint32_t address, const uint8_t* bytes, int length) {
    for (int k = 0; k < length; ++k) {
        uint32_t a = (address + static_cast<uint32_t>(k)) & 0xFFFFFF;
        if (uint8_t* c = cell(a))
            *c = bytes[k];
        else
            other_[a] = bytes[k];
    }
}

void EcuBootLoader::SetVersion(const std::string& text) {
    uint8_t bytes[32];
    std::fill(std::begin(bytes), std::end(bytes), 0);
    std::copy_n(text.begin(), std::min<size_t>(text.size(), sizeof bytes), bytes);
    SetFlash(0, bytes, sizeof bytes);
}

void EcuBootLoader::SetSerial(const std::string& text) {
    uint8_t bytes[kSerialLength];
    std::fill(std::begin(bytes), std::end(bytes), 0xFF);
    std::copy_n(text.begin(), std::min<size_t>(text.size(), sizeof bytes), bytes);
    SetFlash(kSerialBase, bytes, kSerialLength);
}

void EcuBootLoader::Receive(const uint8_t* bytes, int length, uint32_t baud,
                            std::vector<uint8_t>& reply) {
    if (!running_ || baud != kBaud)
        return; // at another rate the bytes are noise to the boot loader
    pending_.insert(pending_.end(), bytes, bytes + length);
    execute(reply);
}

void EcuBootLoader::execute(std::vector<uint8_t>& reply) {
    while (!pending_.empty() && running_) {
        const uint8_t* p = pending_.data();
        const size_t have = pending_.size();
        size_t used = 1;
        switch (p[0]) {
        case kPing:
            reply.push_back(kDone);
            break;
        case kRead: {
            if (have < 5)
                return;
            used = 5;
            uint32_t address = static_cast<uint32_t>(p[1] | p[2] << 8 | p[3] << 16);
            uint8_t sum = 0;
            for (int k = 0; k < p[4]; ++k) {
                uint8_t b = FlashByte((address + static_cast<uint32_t>(k)) & 0xFFFFFF);
                reply.push_back(b);
                sum = static_cast<uint8_t>(sum + b);
            }
            uint8_t check = static_cast<uint8_t>(0x100 - sum);
            if (failReads > 0) {
                --failReads;
                check = static_cast<uint8_t>(check + 1);
            }
            reply.push_back(check);
            break;
        }
        case kErase:
            if (have < 4)
                return;
            if (p[1] != 0x0B)
                break; // not an erase after all: skip the byte
            used = 4;
            if (failErases > 0) {
                --failErases;
                reply.push_back(kFailed);
                break;
            }
            erase(static_cast<uint32_t>(p[2] << 8 | p[3] << 16));
            reply.push_back(kDone);
            break;
        case kWrite: {
            if (have < 5 || have < 5u + p[4])
                return;
            used = 5u + p[4];
            uint32_t address = static_cast<uint32_t>(p[1] | p[2] << 8 | p[3] << 16);
            if (failWrites > 0) {
                --failWrites;
                reply.push_back(kFailed);
                break;
            }
            writes.push_back(address);
            program(address, p + 5, p[4]);
            reply.push_back(kDone);
            break;
        }
        case kRun:
            reply.push_back(kDone);
            running_ = false;
            break;
        default:
            break; // noise
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(used));
    }
    if (!running_) {
        pending_.clear();
        ecu_.Restart(); // the application starts afresh
    }
}

void EcuBootLoader::erase(uint32_t address) {
    erases.push_back(address);
    uint32_t begin = 0;
    uint32_t size = 0;
    if (address >= kPldBase && address < kPldEnd) {
        begin = address & ~0xFFFFu;
        size = 0x10000;
    } else if (address == 0x01100) {
        begin = 0x01100; // the block's upper half: the serial number area stays
        size = 0x100;
    } else if (address < kMainFlashSize) {
        begin = address & ~0x1FFu;
        size = 0x200;
    } else {
        return;
    }
    for (uint32_t a = begin; a < begin + size; ++a)
        *cell(a) = 0xFF;
}

void EcuBootLoader::program(uint32_t address, const uint8_t* data, int length) {
    for (int k = 0; k < length; ++k) {
        uint32_t a = (address + static_cast<uint32_t>(k)) & 0xFFFFFF;
        if (uint8_t* c = cell(a))
            *c &= data[k];
        else
            other_[a] = data[k];
    }
}

} // namespace zolmar::emu
