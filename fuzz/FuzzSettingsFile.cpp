// Loads any bytes as a settings file and walks everything the model derives from it.
#include "files/SettingsFile.h"
#include "model/ECU.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

// Keeps the walks from being optimised away.
unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentMessages messages;
    static auto ecu = std::make_unique<tECU>(messages);
    // Short inputs are repeated to fill a whole file so that small seeds reach deep.
    std::vector<uint8_t> bytes(SettingsFile::kFileSize);
    if (size == 0)
        return 0;
    for (size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = data[k % size];
    SettingsFile::toImage(*ecu, bytes);
    ecu->RebuildIndex(true, true);
    ecu->UpdateUsageWords();
    ecu->CheckUsageWords();
    unsigned sink = 0;
    for (int i = 0; i < ecu->NumElements; ++i) {
        int type = ecu->TypeOf(i);
        sink += ecu->ConstSize(type, ecu->ElementConstOffset[i]);
        sink += ecu->PictureIndex(type, ecu->ElementConstOffset[i]);
        sink += ecu->OutputCount(type);
        for (int k = 0; k < tECU::InputCount(type); ++k)
            sink += ecu->InputWord(i, k);
        sink += ecu->NameOf(Layout::kNumPages + i).size();
        if (i < 16)
            sink += static_cast<unsigned>(ecu->CountLinksTo(ecu->ElementLiveOffset[i]));
    }
    std::vector<uint8_t> out = SettingsFile::fromImage(*ecu);
    sink += out[0];
    g_sink = sink;
    return 0;
}
