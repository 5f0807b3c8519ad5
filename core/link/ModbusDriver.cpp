#include "link/ModbusDriver.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace zolmar {

namespace {

constexpr uint8_t kUnit = 0x01;
constexpr uint32_t kSecondBank = 0x20000; // bit 17 of the byte address

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string hex2(uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

uint16_t registerOf(uint32_t address) {
    return static_cast<uint16_t>((address / 2) & 0xFFFF);
}

} // namespace

uint16_t TModbusDriver::Crc16(const uint8_t* bytes, int length) {
    uint16_t crc = 0xFFFF;
    for (int i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

uint32_t TModbusDriver::ReadTimeout(uint32_t address) {
    return (address & 0xFFF00) == 0x2B000 ? 10000 : 40;
}

uint32_t TModbusDriver::WriteTimeout(uint32_t address) {
    if (address == kCommandWord)
        return 25000;
    if (address == 0x08000 || address == 0x18000 || address == 0x20000)
        return 8000;
    return 500;
}

UsbXpress::Handle TModbusDriver::OpenEcu(UsbXpress& usb, uint32_t baud, uint32_t& count,
                                         std::string& problem) {
    count = 0;
    problem.clear();
    if (usb.GetNumDevices(count) != UsbXpress::Success)
        count = 0;
    auto isEcu = [&usb](uint32_t i) {
        std::string vid;
        std::string pid;
        return usb.GetProductString(i, vid, UsbXpress::VendorId) == UsbXpress::Success &&
               upper(vid) == "10C4" &&
               usb.GetProductString(i, pid, UsbXpress::ProductId) == UsbXpress::Success &&
               upper(pid) == "84BA";
    };
    for (uint32_t i = 0; i < count; ++i) {
        UsbXpress::Handle handle = 0;
        if (usb.Open(i, handle) != UsbXpress::Success) {
            // An ECU that is there but may not be opened must not pass for an absent one.
            if (problem.empty() && isEcu(i))
                problem = usb.OpenProblem(i);
            continue;
        }
        if (usb.SetBaudRate(handle, baud) == UsbXpress::Success && isEcu(i)) {
            problem.clear();
            return handle;
        }
        usb.Close(handle);
    }
    return 0;
}

bool TModbusDriver::FindAndOpen(std::string& error) {
    if (Handle != 0) {
        usb_->Close(Handle);
        Handle = 0;
    }
    uint32_t count = 0;
    drainPending_ = false; // a fresh handle starts with an empty line
    Handle = OpenEcu(*usb_, kBaudRate, count, openProblem_);
    if (Handle != 0) {
        error.clear();
        return true;
    }
    error = openProblem_.empty()
                ? "Could not find ECU on USB chain (" + std::to_string(count) + " devices)"
                : openProblem_;
    return false;
}

void TModbusDriver::Close() {
    if (Handle != 0)
        usb_->Close(Handle);
    Handle = 0;
    drainPending_ = false;
}

void TModbusDriver::drain() {
    drainPending_ = false;
    usb_->SetTimeouts(kDrainGapMs, UsbXpress::kInfinite);
    uint8_t scratch[kBufferSize];
    // Bounded: a line that never goes quiet costs a few gaps, then the next reply's
    // checks have to catch what is left.
    for (int i = 0; i < kMaxDrainReads; ++i) {
        uint32_t got = 0;
        UsbXpress::Status status = usb_->Read(Handle, scratch, sizeof scratch, got);
        if (got == 0 || status == UsbXpress::ReadError || status == UsbXpress::InvalidHandle)
            break;
    }
}

bool TModbusDriver::Send(const uint8_t* frame, int length, std::string& error) {
    if (Handle == 0 && !FindAndOpen(error))
        return false;
    if (drainPending_)
        drain();
    usb_->FlushBuffers(Handle, false, true);
    uint32_t written = 0;
    if (usb_->Write(Handle, frame, static_cast<uint32_t>(length), written) ==
        UsbXpress::WriteError) {
        if (FindAndOpen(error))
            error = "Send/recv error";
        return false;
    }
    error.clear();
    return true;
}

bool TModbusDriver::Receive(uint8_t* buffer, int expected, int& received, uint32_t timeoutMs,
                            std::string& error) {
    received = 0;
    if (Handle == 0) {
        error = "Port not open";
        return false;
    }
    usb_->SetTimeouts(timeoutMs, UsbXpress::kInfinite);
    uint32_t got = 0;
    usb_->Read(Handle, buffer, static_cast<uint32_t>(expected), got);
    usb_->FlushBuffers(Handle, false, true);
    // A transport must never report more than it was asked for; trust it no further.
    received = got > static_cast<uint32_t>(expected) ? expected : static_cast<int>(got);
    if (received == 0) {
        error = "No response";
        return false;
    }
    // One byte cannot carry a CRC: it fails the CRC test like any damaged frame.
    if (received < 2) {
        error = "Bad CRC";
        return false;
    }
    uint16_t crc = Crc16(buffer, received - 2);
    if (buffer[received - 2] != (crc & 0xFF) || buffer[received - 1] != (crc >> 8)) {
        error = "Bad CRC";
        return false;
    }
    error.clear();
    return true;
}

// Fills bytes 0-5 of a request: unit, function, register, and a fifth 16-bit field
// (a count or a value); returns 6.
int TModbusDriver::frameHeader(uint8_t function, uint32_t address, uint16_t fifth) {
    uint16_t r = registerOf(address);
    Buffer[0] = kUnit;
    Buffer[1] = function;
    Buffer[2] = static_cast<uint8_t>(r >> 8);
    Buffer[3] = static_cast<uint8_t>(r & 0xFF);
    Buffer[4] = static_cast<uint8_t>(fifth >> 8);
    Buffer[5] = static_cast<uint8_t>(fifth & 0xFF);
    return 6;
}

static void appendCrc(uint8_t* frame, int& length) {
    uint16_t crc = TModbusDriver::Crc16(frame, length);
    frame[length++] = static_cast<uint8_t>(crc & 0xFF);
    frame[length++] = static_cast<uint8_t>(crc >> 8);
}

bool TModbusDriver::ReadRegisters(uint32_t address, int count, uint16_t* words,
                                  std::string& error) {
    if (count < 1 || count > kMaxReadWords) {
        error = "Invalid register count (" + std::to_string(count) + ")";
        return false;
    }
    uint32_t timeout = ReadTimeout(address);
    uint8_t f = (address & kSecondBank) ? 0x04 : 0x03;
    int length = frameHeader(f, address, static_cast<uint16_t>(count));
    appendCrc(Buffer, length);
    if (!Send(Buffer, length, error))
        return false;
    // Until the reply has passed every check, whatever comes may be a late one.
    drainPending_ = true;
    int received = 0;
    if (!Receive(Buffer, 2 * count + 5, received, timeout, error))
        return false;
    int dataLength = received - 5;
    // Byte 3 of a two- or three-byte reply lies past what arrived; it shows as 00.
    uint8_t third = received > 3 ? Buffer[3] : 0;
    if (Buffer[0] != kUnit || Buffer[1] != f || Buffer[2] != dataLength || Buffer[2] != 2 * count) {
        error = "Packet shape error - " + hex2(Buffer[0]) + " " + hex2(Buffer[1]) + " " +
                hex2(third) + " (" + std::to_string(dataLength) + " vs " +
                std::to_string(2 * count) + ")";
        return false;
    }
    for (int i = 0; i < count; ++i)
        words[i] = static_cast<uint16_t>(Buffer[3 + 2 * i] * 256 + Buffer[4 + 2 * i]);
    drainPending_ = false;
    error.clear();
    return true;
}

bool TModbusDriver::WriteRegister(uint32_t address, uint16_t value, std::string& error) {
    return write(address, 1, &value, true, error);
}

bool TModbusDriver::WriteRegisters(uint32_t address, int count, const uint16_t* words,
                                   std::string& error) {
    if (count < 1 || count > kMaxWriteWords) {
        error = "Invalid register count (" + std::to_string(count) + ")";
        return false;
    }
    return write(address, count, words, false, error);
}

bool TModbusDriver::write(uint32_t address, int count, const uint16_t* words, bool single,
                          std::string& error) {
    uint32_t timeout = WriteTimeout(address);
    bool second = (address & kSecondBank) != 0;
    uint8_t f = single ? (second ? 0x86 : 0x06) : (second ? 0x90 : 0x10);
    int length = 0;
    if (single) {
        length = frameHeader(f, address, words[0]);
    } else {
        length = frameHeader(f, address, static_cast<uint16_t>(count));
        Buffer[length++] = static_cast<uint8_t>((2 * count) & 0xFF);
        for (int i = 0; i < count; ++i) {
            Buffer[length++] = static_cast<uint8_t>(words[i] >> 8);
            Buffer[length++] = static_cast<uint8_t>(words[i] & 0xFF);
        }
    }
    appendCrc(Buffer, length);
    // The acknowledgement echoes register and value (or count): bytes 2-5 of the request.
    uint8_t echo[4];
    std::copy(Buffer + 2, Buffer + 6, echo);
    if (!Send(Buffer, length, error))
        return false;
    drainPending_ = true;
    int received = 0;
    if (!Receive(Buffer, 8, received, timeout, error))
        return false;
    // An acknowledgement echoes register and value or count in eight bytes. A shorter
    // frame with a good CRC is an exception reply: for the second bank it even carries
    // the same function code as the acknowledgement, so the length must decide.
    if (Buffer[0] != kUnit || Buffer[1] != f || received != 8) {
        error = "Packet shape error - " + hex2(Buffer[0]) + " " + hex2(Buffer[1]) + " " +
                hex2(received > 2 ? Buffer[2] : 0) + " (" + std::to_string(received) +
                " vs 8 bytes)";
        return false;
    }
    // An acknowledgement of another write (a late one, or of a request the ECU took
    // differently) says nothing about this one.
    if (!std::equal(echo, echo + 4, Buffer + 2)) {
        error = "Echo mismatch - " + hex2(Buffer[2]) + hex2(Buffer[3]) + " " + hex2(Buffer[4]) +
                hex2(Buffer[5]) + " vs " + hex2(echo[0]) + hex2(echo[1]) + " " + hex2(echo[2]) +
                hex2(echo[3]);
        return false;
    }
    drainPending_ = false;
    error.clear();
    return true;
}

} // namespace zolmar
