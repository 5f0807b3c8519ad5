// Any self-test results from the ECU, in well-formed replies: the RAM test with its
// details, the injector captures, the capacitor test and the calibration report what
// they got in their fixed texts, never reading past what arrived.
#include "FuzzTransport.h"
#include "diagnostics/SelfTests.h"
#include "model/ECU.h"

#include <cstddef>
#include <cstdint>
#include <memory>

using namespace zolmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 8192)
        return 0;
    static SilentMessages quiet;
    static auto ecu = std::make_unique<tECU>(quiet);
    fuzz::ByteSource source(data + 1, size - 1);
    fuzz::AnsweringUsb usb;
    usb.answer = [&source](const uint8_t* request, uint32_t length) {
        return fuzz::wellFormedReply(request, length, source);
    };
    TModbusDriver driver(usb);
    RecordingMessages messages;
    for (int k = 0; k < 4; ++k)
        messages.answers.push_back((data[0] >> k) & 1 ? Messages::Answer::Yes
                                                      : Messages::Answer::No);
    SelfTests::Runner runner(*ecu, driver, messages);
    size_t lines = 0;
    runner.RamTest([&lines](const std::vector<std::string>& shown) {
        if (shown.size() > 36)
            __builtin_trap(); // at most the notice and 35 records
        lines = shown.size();
    });
    std::array<std::array<uint16_t, SelfTests::kResultWords>, SelfTests::kCaptures> captures{};
    const int read = runner.InjectorTest(captures);
    if (read < 0 || read > SelfTests::kCaptures)
        __builtin_trap();
    for (int n = 0; n < read; ++n)
        for (int k = 0; k < SelfTests::kResultWords; k += 7)
            lines += static_cast<size_t>(
                SelfTests::TraceY(captures[static_cast<size_t>(n)][static_cast<size_t>(k)],
                                  n % 2 ? 68 : 248) &
                1);
    runner.DigitalInputTest();
    runner.CalibrateAnalog();
    for (const auto& m : messages.shown)
        lines += m.text.size();
    return lines == 0x7FFFFFFF;
}
