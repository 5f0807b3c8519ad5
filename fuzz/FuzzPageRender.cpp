// Loads any bytes as a settings file and draws pages of it: the full render with
// its routing, the replay, the live overlay with any live values, and the
// "Maps/Tables" menu. Every coordinate, pin table entry and link may be garbage.
#include "app/TablesMenu.h"
#include "editor/PageRenderer.h"
#include "files/SettingsFile.h"
#include "model/ECU.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

unsigned g_renderSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentMessages messages;
    static auto ecu = std::make_unique<tECU>(messages);
    static LinkRouter router;
    static FixedCellMetrics metrics;
    static PageRenderer renderer(*ecu, router, metrics);
    if (size < 4)
        return 0;
    std::vector<uint8_t> bytes(SettingsFile::kFileSize);
    for (size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = data[k % size];
    SettingsFile::toImage(*ecu, bytes);
    // The live area holds whatever the input says.
    for (int k = 0; k < Layout::kLiveSize; ++k)
        ecu->SetImageByte(Layout::kLiveBase + k, data[(k * 7 + 3) % size], false);
    ecu->Simulating = (data[0] & 1) != 0;
    ecu->ShowAllOutputs = (data[0] & 2) != 0;
    router.invalidateAll();
    unsigned sink = 0;
    const int page = data[1] % Layout::kNumPages;
    DrawList out;
    for (int pass = 0; pass < 2; ++pass) { // routed, then replayed from the cache
        out.clear();
        renderer.RenderPage(page, true, out);
        renderer.RenderOverlay(page, {data[2] * 8, data[3] * 8}, out);
        sink += static_cast<unsigned>(out.ops.size() + out.points.size());
    }
    for (int i = 0; i < ecu->NumElements; i += 1 + ecu->NumElements / 8) {
        out.clear();
        renderer.DrawSelectionMark(i, out);
        sink += static_cast<unsigned>(out.ops.size());
    }
    TablesMenu::Lists lists = TablesMenu::Build(*ecu);
    sink += static_cast<unsigned>(lists.tables2D.size() + lists.tables3D.size());
    g_renderSink = sink;
    return 0;
}
