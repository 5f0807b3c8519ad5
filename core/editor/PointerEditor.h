#pragma once

#include "editor/DrawList.h"
#include "editor/ElementClipboard.h"
#include "editor/LinkRouter.h"
#include "editor/PageRenderer.h"
#include "model/ECU.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zolmar {

enum class MouseButton { Left, Right };
enum class PointerCursor { Arrow, Cross, Hand };

// Which items of the canvas's context menu are enabled.
struct EditorMenuStates {
    bool viewProperties = false;
    bool renameElement = false;
    bool editLink = false;
    bool deleteLink = false;
    bool copy = false;
    bool cut = false;
    bool paste = false;
    bool deleteElements = false;
    bool selectAll = false;
    bool newItems = false;
    bool renamePage = false;
    bool duplicatePage = false;
    bool moveAll = false;
    bool deletePage = false;
};

// The visible part of the canvas: viewport size and scroll positions, in pixels.
struct ScrollState {
    int width = 0;
    int height = 0;
    int h = 0;
    int v = 0;
};

// What the pointer editor needs from the window that shows the canvas.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    virtual int currentPage() const = 0;
    virtual void setCurrentPage(int page) = 0;
    virtual bool advancedView() const = 0;
    virtual bool configLocked() const = 0;
    // Full redraw of the current page (routes as the router holds them), its
    // overlay and the selection marks.
    virtual void renderPage() = 0;
    // The transient layer; the host adds the editor's ghosts to it.
    virtual void renderOverlay() = 0;
    // Carries out drawing steps on the canvas only.
    virtual void draw(const DrawList& list) = 0;
    // Fills a rectangle of the backup canvas white.
    virtual void whiteOutBackup(int x, int y, int x2, int y2) = 0;
    // Opens the window an element's click opens (property dialog, table editor,
    // dedicated dialog).
    virtual void openElementDialog(int element) = 0;
    // The name dialog on a name slot; modal.
    virtual void openNameDialog(int slot) = 0;
    // "Edit Link" on input k (0-based) of the element; modal.
    virtual void openLinkDialog(int element, int input) = 0;
    virtual void showLinkList(const std::string& caption,
                              const std::vector<std::string>& lines) = 0;
    // The target page (0-based) of "Move All to Different Page", or none when cancelled.
    virtual std::optional<int> askMoveTarget(int page) = 0;
    // The caption of the page in the page selector.
    virtual std::string pageCaption(int page) const = 0;
    virtual ScrollState scrollState() const = 0;
    virtual void scrollBy(int dx, int dy) = 0;
    virtual void setPointerCursor(PointerCursor cursor) = 0;
    virtual void setHint(const std::string& hint) = 0;
    virtual void setMenuStates(const EditorMenuStates& states) = 0;
    // The table editor's element moved or went; it is reopened where it now is.
    virtual void tableEditorMoved() {}
    // A table was just created: its first axes are asked for.
    virtual void setUpNewTable(int element) { (void)element; }
};

// Pointer editing of the page canvas: hit tests through the element map, clicks,
// drags, the rubber band, link creation, add mode and the context-menu commands
// with the clipboard and the page operations. Every change goes through the model
// operations, clears the page's routes and redraws.
class PointerEditor {
public:
    static constexpr int kMaxSelection = 250;
    // A press becomes a drag once the pointer has moved this far.
    static constexpr int kDragDistance = 3;

    PointerEditor(tECU& ecu, PageRenderer& renderer, LinkRouter& router, EditorHost& host);

    // --- pointer and keys (canvas pixels)
    void buttonDown(MouseButton button, int x, int y);
    void pointerMove(int x, int y);
    void buttonUp(MouseButton button, int x, int y);
    // Arrow keys scroll the canvas by one cell.
    enum class Key { Up, Down, Left, Right };
    void key(Key pressed);

    // --- toolbar add buttons: kind 1..21, 0 ends add mode
    void setAddKind(int kind);
    int addKind() const { return addKind_; }
    // Creates an element of the kind at the cell of the last press (context menu "New ...").
    bool createAtClickCell(int kind);

    // --- context menu
    void viewProperties();
    void renameElement();
    void editLink();
    void deleteLink();
    bool copy();
    void cut();
    void paste();
    void deleteElements();
    void selectAll();
    void pageProperties();
    void renamePage();
    void moveAll();
    void duplicatePage();
    void deletePage();

    // --- state
    // The selected elements as they are numbered now (gone ones are left out).
    std::vector<int> selection() const;
    void setSelection(std::vector<int> elements);
    void clearSelection();
    bool dragging() const { return dragging_; }
    bool linking() const { return linking_; }
    bool bandActive() const { return bandActive_; }
    bool buttonIsDown() const { return buttonDown_; }
    const ElementClipboard& clipboard() const { return clipboard_; }
    // The element and input that link creation will write.
    int pendingElement() const { return pending_.index(ecu_); }
    int pendingInput() const { return pendingInput_; }
    std::string hint() const;
    // The page changed: the selection is emptied.
    void pageChanged();
    // Elements were created, deleted or reordered elsewhere: what pointed at elements
    // that went is dropped; the rest follows its elements.
    void structureChanged();
    // The configuration was replaced: forget everything that pointed into it.
    void reset();

    // Selection marks of the current selection, and the drag ghosts.
    void selectionMarks(DrawList& out) const;
    void ghosts(DrawList& out);

    // Which element the table editor keys F4 (2D) and F5 (3D) open: the last table
    // when it is of the kind, else the first of the kind not hidden in the simple view.
    static int tableForKey(const tECU& ecu, bool threeD, int lastTable);

private:
    bool busy() const;
    bool locked() const { return host_.configLocked(); }
    void computeMenuStates(uint32_t cell, bool hit);
    void updateHint();
    void updateCursor(int x, int y);
    void autoScroll(int x, int y);
    void startDrag();
    void drop();
    void clickElement(int x, int y);
    void clickPin(int x, int y);
    void finishBand();
    void createLink(int element, int input, int source, int output);
    void edited(bool allPages);
    void stepConstant(int element, bool up);
    void rename(int element);
    // Deletes, forgets what pointed at the old indices, reroutes and redraws.
    void removeElements(const std::vector<int>& elements);
    // The elements a menu command acts on: the one right-clicked, or the selection.
    std::vector<int> commandTargets() const;
    bool inSelection(int element) const;
    void eraseBand();

    tECU& ecu_;
    PageRenderer& renderer_;
    LinkRouter& router_;
    EditorHost& host_;
    ElementClipboard clipboard_;

    bool buttonDown_ = false;
    bool dragging_ = false;
    bool linking_ = false;
    ElementRef pending_;
    int pendingInput_ = -1;
    int addKind_ = 0;
    int32_t hit_ = -1;
    ElementRef hitRef_; // the element under the last press
    int hitElement() const { return hitRef_.index(ecu_); }
    uint32_t hitCell_ = ElementMap::kNoElement;
    Point press_{};
    Point grabOffset_{};
    Point dragCell_{};
    Point ghostCell_{-1, -1};
    std::vector<std::array<int, 4>> ghostRects_;
    bool bandActive_ = false;
    Point bandAnchor_{};
    Point bandCorner_{};
    Point clickCell_{};
    Point menuPoint_{};
    bool menuHitElement_ = false;
    std::vector<ElementRef> selection_;
};

} // namespace zolmar
