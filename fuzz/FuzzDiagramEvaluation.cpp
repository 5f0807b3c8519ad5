// Evaluates any bytes as a diagram: as a settings file in the simulator, and as the
// virtual ECU's committed configuration, with any live area and step count. Nothing
// may read or write outside the memory (the sanitizers watch), and every pass ends.
#include "emu/VirtualEcu.h"
#include "files/SettingsFile.h"
#include "model/ECU.h"
#include "model/EcuMemoryView.h"
#include "simulator/DiagramEvaluator.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentMessages messages;
    static auto ecu = std::make_unique<tECU>(messages);
    static auto virtualEcu = std::make_unique<emu::VirtualEcu>();
    if (size < 4)
        return 0;
    std::vector<uint8_t> bytes(SettingsFile::kFileSize);
    for (size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = data[k % size];
    SettingsFile::toImage(*ecu, bytes);
    // The live area too: element states left by any earlier run.
    for (size_t k = 0; k < Layout::kLiveSize; ++k)
        ecu->Image[Layout::kLiveBase + k] = data[(k * 7 + 3) % size];

    ImageMemory memory(*ecu);
    sim::DiagramEvaluator evaluator;
    evaluator.SetCounters(static_cast<uint16_t>(data[0] | data[1] << 8), data[2] % 20);
    evaluator.Run(memory.view(), 1 + data[3] % 4);

    ecu->RebuildIndex(false, false);
    virtualEcu->LoadConfiguration(*ecu);
    virtualEcu->Advance(2);
    return 0;
}
