// Any bytes as the boot loader's replies to the flashing tool: the ping cycle, Program
// and Verify of a small package. Whatever comes back, the runs end, a verify counts at
// most the bytes it compared, and Program succeeds only if every write was answered
// with its 0x00.
#include "FuzzTransport.h"
#include "link/FirmwareFlasher.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace zolmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096)
        return 0;
    fuzz::ByteSource source(data, size);
    int writesAcknowledged = 0;
    fuzz::AnsweringUsb usb;
    usb.answer = [&](const uint8_t* request, uint32_t length) {
        // The first byte says how many reply bytes follow from the input.
        const int n = source.next() % 140;
        std::vector<uint8_t> reply;
        for (int k = 0; k < n; ++k)
            reply.push_back(source.next());
        // The flasher takes the first byte; more are flushed before the next exchange.
        if (length == 133 && request[0] == 0x07 && !reply.empty() && reply[0] == 0x00)
            ++writesAcknowledged;
        return reply;
    };
    FlashView view;
    FirmwareFlasher flasher(usb, view);
    flasher.pause = [](uint32_t) {};
    for (int tick = 0; tick < 4; ++tick)
        flasher.PingTick();
    std::vector<FirmwarePackage::Segment> segments(3);
    for (size_t s = 0; s < segments.size(); ++s) {
        segments[s].address = static_cast<uint32_t>(0x2000 + 0x80 * s);
        segments[s].data.fill(static_cast<uint8_t>(s * 17));
    }
    auto bytes = FirmwarePackage::Build(segments);
    flasher.SetPackage(FirmwarePackage::Parse(bytes.data(), bytes.size()), "f.zfw");
    if (flasher.Program() && writesAcknowledged < static_cast<int>(segments.size()))
        __builtin_trap();
    int errors = 0;
    if (flasher.Verify(errors) && (errors < 0 || errors > 3 * 128))
        __builtin_trap();
    flasher.Done(flasher.FirmwareIncomplete() ? false : true);
    (void)flasher.Serial().size();
    return 0;
}
