// Any bytes as a firmware package, programmed and verified through the boot-loader
// protocol against the virtual ECU; and the same bytes as what the boot loader hears.
#include "emu/EcuBootLoader.h"
#include "emu/VirtualEcuLink.h"
#include "link/FirmwareFlasher.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace zolmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * FirmwarePackage::kSegmentSize)
        return 0; // longer runs only repeat the same paths, slower
    emu::VirtualEcu ecu;
    ecu.Diagram().running = false;
    emu::EcuBootLoader loader(ecu);
    emu::VirtualEcuLink link(ecu);
    ManualClock clock;
    link.clock = &clock;
    FlashView view;
    FirmwareFlasher flasher(link, view);
    flasher.pause = [&clock](uint32_t ms) { clock.advance(ms); };
    flasher.PingTick();
    flasher.PingTick();
    flasher.PingTick();
    const FirmwarePackage package = FirmwarePackage::Parse(data, size);
    // The checks say what they find about any bytes, without reading past a segment.
    const FirmwarePackage::Plan plan = package.Check();
    if (plan.mainSegments + plan.pldSegments > static_cast<int>(package.Segments().size()))
        __builtin_trap();
    (void)plan.Summary("fuzz.zfw");
    flasher.SetPackage(package, "fuzz.zfw");
    flasher.Program();
    int errors = 0;
    flasher.Verify(errors);

    loader.Start();
    std::vector<uint8_t> reply;
    loader.Receive(data, static_cast<int>(size), emu::EcuBootLoader::kBaud, reply);
    return 0;
}
