#pragma once

#include "EditorFixture.h"
#include "editor/PointerEditor.h"
#include "link/SyncEngine.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace zolmar::test {

// A host that renders with the real renderer and records what the editor asks for.
struct RecordingHost : EditorHost {
    tECU& ecu;
    PageRenderer& renderer;
    PointerEditor* editor = nullptr;
    int page = 9;
    bool advanced = true;
    bool locked = false;
    int renders = 0;
    std::vector<int> dialogs;
    std::vector<int> nameDialogs;
    std::vector<std::pair<int, int>> linkDialogs;
    std::string listCaption;
    std::vector<std::string> listLines;
    std::optional<int> moveTarget;
    std::string newName; // the name dialog's answer, empty: unchanged
    std::string hintText;
    EditorMenuStates states;
    PointerCursor cursor = PointerCursor::Arrow;
    Point scrolled{};
    DrawList drawn;

    RecordingHost(tECU& e, PageRenderer& r) : ecu(e), renderer(r) {}
    int currentPage() const override { return page; }
    void setCurrentPage(int p) override {
        page = p;
        editor->pageChanged();
        renderPage();
    }
    bool advancedView() const override { return advanced; }
    bool configLocked() const override { return locked; }
    void renderPage() override {
        DrawList list;
        renderer.RenderPage(page, advanced, list);
        renderer.RenderOverlay(page, {-1, -1}, list);
        ++renders;
    }
    void renderOverlay() override {
        DrawList list;
        renderer.RenderOverlay(page, {-1, -1}, list);
        editor->ghosts(drawn);
    }
    void draw(const DrawList& list) override {
        drawn.ops.insert(drawn.ops.end(), list.ops.begin(), list.ops.end());
    }
    void whiteOutBackup(int, int, int, int) override {}
    void openElementDialog(int element) override { dialogs.push_back(element); }
    std::vector<int> tableSetups;
    void setUpNewTable(int element) override { tableSetups.push_back(element); }
    void openNameDialog(int slot) override {
        nameDialogs.push_back(slot);
        if (!newName.empty())
            ecu.RenameSlot(slot, newName);
    }
    void openLinkDialog(int element, int input) override {
        linkDialogs.emplace_back(element, input);
    }
    void showLinkList(const std::string& caption, const std::vector<std::string>& lines) override {
        listCaption = caption;
        listLines = lines;
    }
    std::optional<int> askMoveTarget(int) override { return moveTarget; }
    std::string pageCaption(int p) const override { return "page" + std::to_string(p + 1); }
    ScrollState scrollState() const override { return {800, 600, 0, 0}; }
    void scrollBy(int dx, int dy) override {
        scrolled.x += dx;
        scrolled.y += dy;
    }
    void setPointerCursor(PointerCursor c) override { cursor = c; }
    void setHint(const std::string& h) override { hintText = h; }
    void setMenuStates(const EditorMenuStates& s) override { states = s; }
};

struct PointerEditorTest : ::testing::Test, test::EditorModel {
    FixedCellMetrics metrics;
    LinkRouter router;
    PageRenderer renderer{*ecu, router, metrics};
    RecordingHost host{*ecu, renderer};
    PointerEditor editor{*ecu, renderer, router, host};

    PointerEditorTest() {
        host.editor = &editor;
        ecu->LinkState = Link::Offline;
    }
    // Centre of a cell in pixels.
    static int px(int cell) { return 17 * cell + 8; }
    void click(int x, int y, MouseButton b = MouseButton::Left) {
        editor.buttonDown(b, x, y);
        editor.buttonUp(b, x, y);
    }
    void drag(int x0, int y0, int x1, int y1) {
        editor.buttonDown(MouseButton::Left, x0, y0);
        editor.pointerMove((x0 + x1) / 2, (y0 + y1) / 2);
        editor.pointerMove(x1, y1);
        editor.buttonUp(MouseButton::Left, x1, y1);
    }
    void render() { host.renderPage(); }
    // The first output pin cell of an element (its last column).
    Point outputPin(int e, int k = 0) {
        ElementBox box = renderer.boxOf(e);
        return {px(box.outputColumn()), px(box.y + k)};
    }
};

} // namespace zolmar::test
