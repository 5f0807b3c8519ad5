// Any bytes as a table's block: the editor's commands, its picture and its CSV
// export must stay inside the table and the image whatever the counts say.
#include "files/NewConfiguration.h"
#include "model/ECU.h"
#include "model/Tables.h"
#include "tables/TableCsv.h"
#include "tables/TableEditor.h"
#include "tables/TableGraphic.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace zolmar;

namespace {

struct Configuration {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    int tables[2] = {-1, -1};
    Configuration() {
        NewConfiguration::MakeBlank(*ecu);
        ecu->CreateElement(ElementType::Table2D, 1, 1, "T2", 1, &tables[0]);
        ecu->CreateElement(ElementType::Table3D, 1, 2, "T3", 1, &tables[1]);
        pristine.assign(ecu->Image, ecu->Image + Layout::kImageSize);
    }
    // Every input starts from the same configuration.
    void restore() {
        std::copy(pristine.begin(), pristine.end(), ecu->Image);
        ecu->RebuildIndex(false, false);
    }
    std::vector<uint8_t> pristine;
};

} // namespace

// Keeps the results from being optimised away.
size_t g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Configuration config;
    if (size < 4)
        return 0;
    config.restore();
    tECU& ecu = *config.ecu;
    const int table = config.tables[data[0] & 1];
    const int c = ecu.ElementConstOffset[table];
    for (size_t k = 4; k < size && k < 4100; ++k)
        ecu.SetImageByte(Layout::kConstBase + c + static_cast<long>(k - 4), data[k], false);
    TableEditor editor(ecu);
    if (!editor.Open(table))
        return 0;
    editor.SetCursor(data[1], data[2], false);
    editor.MoveCursor(-1, -1, true);
    const int ops = data[3];
    if (ops & 1) {
        editor.TypeDigit(ops & 7);
        editor.TypePoint();
        editor.CommitEntry();
    }
    if (ops & 2)
        editor.InterpolateCorners();
    if (ops & 4)
        editor.ChangeByPercent((ops & 8) ? 400 : -50);
    if (ops & 16)
        editor.Nudge(-50);
    TableCopyBuffer buffer;
    if (ops & 32) {
        editor.SelectAll();
        editor.Copy(buffer);
        editor.SetCursor(0, 0, false);
        editor.Paste(buffer);
    }
    if (ops & 64) {
        std::string proposal;
        if (editor.BeginInsert(Tables::Axis::Horizontal, proposal))
            editor.FinishInsert(Tables::Axis::Horizontal, proposal);
    }
    editor.LiveRefresh();
    TableEditor::GridMetrics m;
    editor.ScrollToCursor(m);
    int x = 0;
    editor.CrosshairX(m, x);
    editor.Orientation = ops >> 6;
    const auto picture = TableGraphic::Draw(editor, 700, 300, 56, 16);
    g_sink = picture.ops.size() + TableCsv::Export(ecu, table).size() +
             static_cast<size_t>(editor.CellBackground(0, 0, {}).r) + static_cast<size_t>(x);
    return 0;
}
