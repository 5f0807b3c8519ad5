// Loads any bytes as a settings file and runs the diagram operations on it:
// optimisation, deletion, creation, naming, table look-up and resizing, search
// and the constant export.
#include "files/ConstantExport.h"
#include "files/Search.h"
#include "files/SettingsFile.h"
#include "model/ECU.h"
#include "model/Tables.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

unsigned g_modelSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentMessages messages;
    static auto ecu = std::make_unique<tECU>(messages);
    if (size < 4)
        return 0;
    std::vector<uint8_t> bytes(SettingsFile::kFileSize);
    for (size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = data[k % size];
    SettingsFile::toImage(*ecu, bytes);
    ecu->RebuildIndex(true, true);
    const unsigned pick = data[0] | (data[1] << 8);
    unsigned sink = 0;
    const int n = ecu->NumElements;
    for (int i = 0; i < n; i += 1 + n / 64) {
        const int type = ecu->TypeOf(i);
        sink += ecu->InputName(i, static_cast<int>(pick % 50)).size();
        sink += ecu->OutputName(i, static_cast<int>(pick % 55), true).size();
        if (Tables::IsTable(type)) {
            const int16_t in[5] = {static_cast<int16_t>(pick), static_cast<int16_t>(pick * 7),
                                   static_cast<int16_t>(pick * 3), 50, 50};
            uint16_t live[6] = {static_cast<uint16_t>(pick), 0, 0, 0, 0, 0};
            Tables::LookUp(*ecu, type, ecu->ElementConstOffset[i], in, live);
            sink += live[0];
            int index = 0;
            if (data[2] & 1)
                Tables::Grow(*ecu, i, Tables::Axis::Vertical, static_cast<int16_t>(pick), index);
            else
                Tables::Shrink(*ecu, i, Tables::Axis::Horizontal, data[3] % 4, data[3] % 7);
        }
    }
    std::string name;
    ecu->NameOfLiveAddress(static_cast<int>(pick % 8192), name);
    sink += static_cast<unsigned>(
        Search::Find(*ecu, Search::Mode::ConstantAddress, pick % 31740, "").element);
    sink += static_cast<unsigned>(ConstantExport::Text(*ecu).size());
    ecu->OptimiseOrder((data[2] & 2) != 0);
    if (ecu->NumElements > 0)
        ecu->DeleteElement(static_cast<int>(pick % static_cast<unsigned>(ecu->NumElements)));
    ecu->CreateElement(data[3] % 20, 1, 1, "fuzz", 1 + data[2] % 127);
    g_modelSink = sink;
    return 0;
}
