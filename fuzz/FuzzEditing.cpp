// Loads any bytes as a settings file and edits it: pointer presses, drags and
// releases anywhere, copy and paste of single elements and groups, page
// duplication, moving and deletion, and the element dialogs' reads. Records,
// links, table sizes and positions may all be garbage.
#include "dialogs/ElementDialogs.h"
#include "dialogs/PartDialogs.h"
#include "editor/PageOperations.h"
#include "editor/PointerEditor.h"
#include "files/SettingsFile.h"
#include "model/ECU.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

namespace {

// A host without a screen: it renders into a list and answers every dialog with
// "Cancel", except the move target, which the input chooses.
struct Host : EditorHost {
    tECU& ecu;
    PageRenderer& renderer;
    PointerEditor* editor = nullptr;
    int page = 1;
    int moveTo = 2;
    Host(tECU& e, PageRenderer& r) : ecu(e), renderer(r) {}
    int currentPage() const override { return page; }
    void setCurrentPage(int p) override { page = p; }
    bool advancedView() const override { return true; }
    bool configLocked() const override { return false; }
    void renderPage() override {
        DrawList list;
        renderer.RenderPage(page, true, list);
        renderer.RenderOverlay(page, {-1, -1}, list);
    }
    void renderOverlay() override {
        DrawList list;
        editor->ghosts(list);
    }
    void draw(const DrawList&) override {}
    void whiteOutBackup(int, int, int, int) override {}
    void openElementDialog(int element) override {
        ElementProperties props(ecu);
        if (props.open(element)) {
            props.advancedRows();
            props.constantText();
            props.gaugeTexts();
            for (int n = 0; n < props.muxInputs(); ++n)
                props.muxDescription(n);
        }
    }
    void openNameDialog(int) override {}
    void openLinkDialog(int element, int input) override {
        LinkEditor link(ecu);
        if (link.open(element, input, page))
            link.choosePage(link.page());
    }
    void showLinkList(const std::string&, const std::vector<std::string>&) override {}
    std::optional<int> askMoveTarget(int) override { return moveTo; }
    std::string pageCaption(int) const override { return "p"; }
    ScrollState scrollState() const override { return {800, 600, 0, 0}; }
    void scrollBy(int, int) override {}
    void setPointerCursor(PointerCursor) override {}
    void setHint(const std::string&) override {}
    void setMenuStates(const EditorMenuStates&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentMessages messages;
    static auto ecu = std::make_unique<tECU>(messages);
    static LinkRouter router;
    static FixedCellMetrics metrics;
    static PageRenderer renderer(*ecu, router, metrics);
    if (size < 16)
        return 0;
    std::vector<uint8_t> bytes(SettingsFile::kFileSize);
    for (size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = data[k % size];
    SettingsFile::toImage(*ecu, bytes);
    ecu->LinkState = 7;
    router.invalidateAll();
    Host host(*ecu, renderer);
    PointerEditor editor(*ecu, renderer, router, host);
    host.editor = &editor;
    host.page = data[0] % Layout::kNumPages;
    host.moveTo = data[1] % Layout::kNumPages;
    host.renderPage();

    // Pointer gestures from the input: press, two moves, release.
    size_t at = 2;
    for (int gesture = 0; gesture < 6 && at + 5 <= size; ++gesture, at += 5) {
        int x0 = data[at] * 8, y0 = data[at + 1] * 8;
        int x1 = data[at + 2] * 8, y1 = data[at + 3] * 8;
        MouseButton button = (data[at + 4] & 1) ? MouseButton::Right : MouseButton::Left;
        editor.setAddKind((data[at + 4] >> 1) % 23);
        editor.buttonDown(button, x0, y0);
        editor.pointerMove((x0 + x1) / 2, (y0 + y1) / 2);
        editor.pointerMove(x1, y1);
        editor.buttonUp(button, x1, y1);
        switch ((data[at + 4] >> 6) & 3) {
        case 0:
            editor.copy();
            editor.paste();
            break;
        case 1:
            editor.selectAll();
            editor.copy();
            editor.paste();
            break;
        case 2:
            editor.deleteLink();
            editor.editLink();
            editor.viewProperties();
            break;
        default:
            editor.pageProperties();
            break;
        }
    }
    switch (data[size - 1] % 4) {
    case 0:
        editor.duplicatePage();
        break;
    case 1:
        editor.moveAll();
        break;
    case 2:
        editor.cut();
        break;
    default:
        editor.deleteElements();
        break;
    }
    host.renderPage();
    return 0;
}
