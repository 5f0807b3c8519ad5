#include "editor/PointerEditor.h"

#include "editor/PageOperations.h"
#include "model/Tables.h"

#include <algorithm>
#include <cstdlib>

namespace zolmar {

using namespace Layout;

namespace {

constexpr uint32_t kPinMask = ElementMap::kInputMask | ElementMap::kOutputMask;

// States in which the link layer owns the configuration: no editing at all.
bool busyState(int state) {
    return state <= 3 || state == 8 || state == 13;
}

// States in which the mode hint stays blank and the pointer never shows a hand.
bool quietState(int state) {
    return state == 0 || state == 3 || state == 10 || state == 13;
}

} // namespace

PointerEditor::PointerEditor(tECU& ecu, PageRenderer& renderer, LinkRouter& router,
                             EditorHost& host)
    : ecu_(ecu), renderer_(renderer), router_(router), host_(host) {}

bool PointerEditor::busy() const {
    return busyState(ecu_.LinkState);
}

std::vector<int> PointerEditor::selection() const {
    std::vector<int> now;
    now.reserve(selection_.size());
    for (const ElementRef& r : selection_) {
        int i = r.index(ecu_);
        if (i >= 0)
            now.push_back(i);
    }
    std::sort(now.begin(), now.end());
    return now;
}

bool PointerEditor::inSelection(int element) const {
    if (element < 0)
        return false;
    ElementId id = ecu_.IdOf(element);
    return std::any_of(selection_.begin(), selection_.end(),
                       [&](const ElementRef& r) { return r.id() == id; });
}

void PointerEditor::setSelection(std::vector<int> elements) {
    std::sort(elements.begin(), elements.end());
    elements.erase(std::unique(elements.begin(), elements.end()), elements.end());
    if (static_cast<int>(elements.size()) > kMaxSelection)
        elements.clear();
    selection_.clear();
    for (int e : elements)
        if (e >= 0 && e < ecu_.NumElements)
            selection_.emplace_back(ecu_, e);
}

void PointerEditor::clearSelection() {
    selection_.clear();
}

void PointerEditor::pageChanged() {
    selection_.clear();
}

void PointerEditor::structureChanged() {
    // Elements that went leave the selection; a link being made to one is given up.
    std::vector<ElementRef> kept;
    for (const ElementRef& r : selection_)
        if (r.resolves(ecu_))
            kept.push_back(r);
    selection_ = std::move(kept);
    if (linking_ && !pending_.resolves(ecu_)) {
        linking_ = false;
        pending_.clear();
        updateHint();
    }
    if (!hitRef_.resolves(ecu_)) {
        hitRef_.clear();
        hit_ = -1;
        menuHitElement_ = false;
        dragging_ = false;
    }
}

void PointerEditor::reset() {
    selection_.clear();
    linking_ = false;
    dragging_ = false;
    bandActive_ = false;
    buttonDown_ = false;
    addKind_ = 0;
    hit_ = -1;
    hitRef_.clear();
    menuHitElement_ = false;
    pending_.clear();
    pendingInput_ = -1;
    updateHint();
}

// ---------------------------------------------------------------- hint, cursor, menu

std::string PointerEditor::hint() const {
    if (quietState(ecu_.LinkState))
        return {};
    if (host_.configLocked() && buttonDown_)
        return "Configuration is locked";
    if (linking_)
        return "Creating link - now click on source (right click to cancel)";
    if (dragging_)
        return "Dragging element";
    if (addKind_ != 0)
        return "Adding an Element - click to place (right click to cancel)";
    return {};
}

void PointerEditor::updateHint() {
    host_.setHint(hint());
}

void PointerEditor::updateCursor(int x, int y) {
    if (linking_ || addKind_ != 0) {
        host_.setPointerCursor(PointerCursor::Cross);
        return;
    }
    uint32_t cell = renderer_.elementMap().atPixel(x, y);
    bool over = ElementMap::element(cell) != static_cast<int>(ElementMap::kNoElement);
    host_.setPointerCursor(over && !quietState(ecu_.LinkState) ? PointerCursor::Hand
                                                               : PointerCursor::Arrow);
}

void PointerEditor::computeMenuStates(uint32_t cell, bool hit) {
    EditorMenuStates s;
    const bool lockedNow = locked();
    const int state = ecu_.LinkState;
    s.viewProperties = state >= 4 && state <= 7;
    s.selectAll = true;
    if (!hit) {
        const std::vector<int> chosen = selection();
        bool usable = !chosen.empty() && !PageOps::holdsDedicated(ecu_, chosen);
        s.copy = s.cut = s.deleteElements = usable && !lockedNow;
        s.newItems = !lockedNow;
        s.renamePage = !lockedNow;
        s.viewProperties = false;
    } else {
        int e = ElementMap::element(cell);
        std::vector<int> targets = selection_.size() < 2 ? std::vector<int>{e} : selection();
        bool dedicated = isDedicatedType(ecu_.TypeOf(e)) || PageOps::holdsDedicated(ecu_, targets);
        s.copy = s.cut = s.deleteElements = !lockedNow && !dedicated;
        s.renameElement = !lockedNow;
        s.renamePage = !lockedNow;
    }
    bool pageDedicated =
        PageOps::holdsDedicated(ecu_, PageOps::elementsOnPage(ecu_, host_.currentPage()));
    s.duplicatePage = s.deletePage = !pageDedicated && !lockedNow;
    s.moveAll = !lockedNow;
    s.editLink = s.deleteLink = hit && ElementMap::inputPlusOne(cell) != 0 && !lockedNow;
    // Pasting changes the structure like every other locked-out command.
    s.paste = clipboard_.count() > 0 && !lockedNow;
    host_.setMenuStates(s);
}

// ---------------------------------------------------------------- pointer

void PointerEditor::buttonDown(MouseButton button, int x, int y) {
    if (!host_.advancedView())
        return;
    if (busy()) {
        host_.setMenuStates({});
        return;
    }
    uint32_t cell = renderer_.elementMap().atPixel(x, y);
    int e = ElementMap::element(cell);
    bool hit = e != static_cast<int>(ElementMap::kNoElement) && e < ecu_.NumElements;
    hitCell_ = cell;
    hitRef_ = hit ? ElementRef(ecu_, e) : ElementRef();
    hit_ = hit ? static_cast<int32_t>(static_cast<uint32_t>(ecu_.ElementLogicOffset[e]) |
                                      (cell & kPinMask))
               : -1;

    if (button == MouseButton::Left && hit && !inSelection(e) && !selection_.empty()) {
        selection_.clear();
        host_.renderPage();
    }
    if (button == MouseButton::Left && !hit) {
        bandActive_ = true;
        bandAnchor_ = bandCorner_ = {x, y};
        selection_.clear();
        host_.renderPage();
    }
    computeMenuStates(cell, hit);
    clickCell_ = {std::clamp(x / Grid::kCell, 0, Grid::kCells - 1),
                  std::clamp(y / Grid::kCell, 0, Grid::kCells - 1)};

    if (button == MouseButton::Right) {
        menuPoint_ = {x, y};
        menuHitElement_ = hit;
        addKind_ = 0;
        updateHint();
        return;
    }
    buttonDown_ = true;
    press_ = {x, y};
    if (hit && !(cell & kPinMask)) {
        grabOffset_ = {x - Grid::kCell * ecu_.ColumnOf(e), y - Grid::kCell * ecu_.RowOf(e)};
        dragCell_ = {ecu_.ColumnOf(e), ecu_.RowOf(e)};
    }
    host_.renderOverlay();
    if (addKind_ != 0) {
        int kind = addKind_;
        addKind_ = 0;
        // The press placed the element; it starts neither a drag nor a band.
        buttonDown_ = false;
        bandActive_ = false;
        createAtClickCell(kind);
        selection_.clear();
    }
    updateHint();
}

void PointerEditor::autoScroll(int x, int y) {
    ScrollState s = host_.scrollState();
    int dx = 0, dy = 0;
    if (x > s.width + s.h - 10)
        dx += 20;
    else if (x > s.width + s.h - 60)
        dx += 5;
    if (x < s.h + 10)
        dx -= 20;
    else if (x < s.h + 60)
        dx -= 5;
    if (y > s.height + s.v - 50)
        dy += 20;
    else if (y > s.height + s.v - 100)
        dy += 5;
    if (y < s.v - 40)
        dy -= 20;
    else if (y < s.v - 10)
        dy -= 5;
    if (dx != 0 || dy != 0)
        host_.scrollBy(dx, dy);
}

void PointerEditor::pointerMove(int x, int y) {
    if (!host_.advancedView() || busy())
        return;
    if (buttonDown_)
        autoScroll(x, y);
    updateCursor(x, y);
    bool elementHit = hit_ >= 0 && !(hitCell_ & kPinMask);
    if (buttonDown_ && elementHit && !locked() && !dragging_ &&
        std::abs(x - press_.x) + std::abs(y - press_.y) >= kDragDistance)
        startDrag();
    if (buttonDown_ && hit_ >= 0 && locked())
        updateHint();
    if (dragging_) {
        dragCell_ = {std::max(0, (x - grabOffset_.x + 8) / Grid::kCell),
                     std::max(0, (y - grabOffset_.y + 8) / Grid::kCell)};
        updateHint();
        host_.renderOverlay();
    }
    if (bandActive_ && buttonDown_) {
        DrawList list;
        eraseBand();
        bandCorner_ = {x, y};
        list.rect(std::min(bandAnchor_.x, x), std::min(bandAnchor_.y, y),
                  std::max(bandAnchor_.x, x) + 1, std::max(bandAnchor_.y, y) + 1, Colours::kBlack,
                  1);
        host_.draw(list);
        host_.renderOverlay();
    }
}

void PointerEditor::eraseBand() {
    DrawList list;
    list.restore(
        std::min(bandAnchor_.x, bandCorner_.x) - 1, std::min(bandAnchor_.y, bandCorner_.y) - 1,
        std::max(bandAnchor_.x, bandCorner_.x) + 2, std::max(bandAnchor_.y, bandCorner_.y) + 2);
    host_.draw(list);
}

void PointerEditor::startDrag() {
    dragging_ = true;
    updateHint();
    if (hitElement() < 0 || hitElement() >= ecu_.NumElements)
        return;
    // The canvas under the moving ghosts shows no element.
    auto whiteOut = [this](int e) {
        ElementBox box = renderer_.boxOf(e);
        if (box.picture >= 0)
            host_.whiteOutBackup(box.left, box.top, box.left + box.w, box.top + box.h);
    };
    if (ecu_.PageOf(hitElement()) == host_.currentPage())
        whiteOut(hitElement());
    for (int e : selection())
        if (e != hitElement() && e < ecu_.NumElements && ecu_.PageOf(e) == host_.currentPage())
            whiteOut(e);
    ghostCell_ = {ecu_.ColumnOf(hitElement()), ecu_.RowOf(hitElement())};
    ghostRects_.clear();
}

void PointerEditor::ghosts(DrawList& out) {
    if (!dragging_ || hitElement() < 0 || hitElement() >= ecu_.NumElements ||
        ecu_.PageOf(hitElement()) != host_.currentPage())
        return;
    if (dragCell_ == ghostCell_ && !ghostRects_.empty())
        return;
    for (const auto& r : ghostRects_)
        out.restore(r[0], r[1], r[2], r[3]);
    ghostRects_.clear();
    ghostCell_ = dragCell_;
    int dx = dragCell_.x - ecu_.ColumnOf(hitElement());
    int dy = dragCell_.y - ecu_.RowOf(hitElement());
    std::vector<int> members = {hitElement()};
    for (int e : selection())
        if (e != hitElement() && e < ecu_.NumElements && ecu_.PageOf(e) == host_.currentPage())
            members.push_back(e);
    for (int e : members) {
        ElementBox box = renderer_.boxOf(e);
        int X = box.left + Grid::kCell * dx;
        int Y = box.top + Grid::kCell * dy;
        if (box.picture >= 0) {
            out.picture(box.picture, X, Y, true);
            ghostRects_.push_back({X, Y, X + box.w, Y + box.h});
        } else if (ecu_.TypeOf(e) == ElementType::Label) {
            out.text(X, Y + Grid::kLabelNameOffset, Font::Label, Colours::kBlack,
                     ecu_.NameOf(kNumPages + e));
            ghostRects_.push_back({X, Y, X + 230, Y + 50});
        }
    }
}

void PointerEditor::buttonUp(MouseButton button, int x, int y) {
    if (!host_.advancedView() || busy())
        return;
    if (button == MouseButton::Right) {
        linking_ = false;
        updateHint();
        return;
    }
    if (!buttonDown_)
        return;
    const bool pinHit = hit_ >= 0 && (hitCell_ & kPinMask) != 0;
    if (dragging_ && hit_ >= 0 && !pinHit) {
        drop();
    } else if (hit_ >= 0 && !pinHit) {
        uint32_t now = renderer_.elementMap().atPixel(x, y);
        if (ElementMap::nameRow(now) && hitElement() >= 0) {
            buttonDown_ = dragging_ = linking_ = false;
            rename(hitElement());
            updateHint();
            return;
        }
        clickElement(x, y);
    } else if (pinHit && !locked()) {
        clickPin(x, y);
    }
    buttonDown_ = false;
    dragging_ = false;
    updateHint();
    if (bandActive_)
        finishBand();
}

void PointerEditor::drop() {
    const int grabbed = hitElement();
    if (grabbed < 0 || grabbed >= ecu_.NumElements)
        return;
    int dx = dragCell_.x - ecu_.ColumnOf(grabbed);
    int dy = dragCell_.y - ecu_.RowOf(grabbed);
    std::vector<int> members = selection();
    if (!inSelection(grabbed))
        members.push_back(grabbed);
    // The group keeps its shape and stays on the grid: the displacement is limited
    // by the members nearest the edges.
    int loX = -255, hiX = 255, loY = -255, hiY = 255;
    for (int e : members) {
        if (e < 0 || e >= ecu_.NumElements)
            continue;
        int c = ecu_.ColumnOf(e), r = ecu_.RowOf(e);
        if (Grid::inGrid(c, r)) {
            loX = std::max(loX, -c);
            hiX = std::min(hiX, Grid::kCells - 1 - c);
            loY = std::max(loY, -r);
            hiY = std::min(hiY, Grid::kCells - 1 - r);
        }
    }
    dx = std::clamp(dx, std::min(loX, 0), std::max(hiX, 0));
    dy = std::clamp(dy, std::min(loY, 0), std::max(hiY, 0));
    if (dx != 0 || dy != 0) {
        for (int e : members) {
            if (e < 0 || e >= ecu_.NumElements)
                continue;
            int a = ecu_.ElementLogicOffset[e];
            int c = std::clamp(ecu_.ColumnOf(e) + dx, 0, Grid::kCells - 1);
            int r = std::clamp(ecu_.RowOf(e) + dy, 0, Grid::kCells - 1);
            ecu_.WriteLogicByte(a + 1, static_cast<uint8_t>(c), true);
            ecu_.WriteLogicByte(a + 2, static_cast<uint8_t>(r), true);
        }
        router_.invalidate(host_.currentPage());
    }
    ghostRects_.clear();
    dragging_ = false;
    host_.renderPage();
}

void PointerEditor::rename(int element) {
    if (element < 0 || element >= ecu_.NumElements)
        return;
    std::string old = ecu_.NameOf(kNumPages + element);
    std::string page = std::to_string(ecu_.PageOf(element) + 1);
    host_.openNameDialog(kNumPages + element);
    host_.renderPage();
    ecu_.LogChange("Changed the name of " + old + " on page " + page + " to " +
                   ecu_.NameOf(kNumPages + element));
}

void PointerEditor::stepConstant(int element, bool up) {
    int c = ecu_.ElementConstOffset[element];
    int value = static_cast<int16_t>(ecu_.ReadConstWord(c));
    if (up ? value > 32716 : value < -32716)
        return;
    value += up ? 50 : -50;
    ecu_.WriteConstWord(c, static_cast<uint16_t>(value));
    ecu_.LogChange("The constant value of the constant called " + ecu_.NameOf(kNumPages + element) +
                   " on page " + std::to_string(ecu_.PageOf(element) + 1) +
                   (up ? " was increased by 1.00" : " was decreased by 1.00"));
    int K = Grid::kCell * ecu_.ColumnOf(element);
    int L = Grid::kCell * ecu_.RowOf(element);
    DrawList list;
    list.fillRect(K + 3, L + 3, K + 59, L + 25, Colours::kWhite);
    list.text(K + 3, L + 7, Font::Fixed, Colours::kBlack, Tables::TwoDecimals(value));
    host_.draw(list);
    // The backup catches up with the next timed redraw.
    ecu_.ConstantsChanged = true;
}

void PointerEditor::clickElement(int x, int y) {
    uint32_t now = renderer_.elementMap().atPixel(x, y);
    int e = ElementMap::element(now);
    if (e == static_cast<int>(ElementMap::kNoElement) || e >= ecu_.NumElements)
        return;
    const int type = ecu_.TypeOf(e);
    const int K = Grid::kCell * ecu_.ColumnOf(e);
    const int L = Grid::kCell * ecu_.RowOf(e);
    const std::string named =
        ecu_.NameOf(kNumPages + e) + " on page " + std::to_string(ecu_.PageOf(e) + 1);
    const int c = ecu_.ElementConstOffset[e];
    switch (type) {
    case ElementType::Constant:
        if (x > K + 58 && x < K + 67) {
            if (y > L + 1 && y < L + 14)
                stepConstant(e, true);
            else if (y > L + 15 && y < L + 28)
                stepConstant(e, false);
            return;
        }
        host_.openElementDialog(e);
        return;
    case ElementType::Tickbox: {
        bool tick = !(ecu_.ReadConstByte(c) & 1);
        ecu_.WriteConstByte(c, tick ? 1 : 0);
        ecu_.LogChange((tick ? "Ticked the tickbox called " : "Crossed the tickbox called ") +
                       named);
        host_.renderPage();
        return;
    }
    case ElementType::Mux4:
    case ElementType::Mux32: {
        if (x > K + 20 && x < K + 150) {
            int rows = type == ElementType::Mux4 ? 4 : 32;
            int r = -1;
            if (type == ElementType::Mux4) {
                r = y < L + 17 ? 0 : y < L + 34 ? 1 : y < L + 51 ? 2 : 3;
            } else {
                for (int k = 0; k < rows && r < 0; ++k)
                    if (y < L + 17 * k + 17)
                        r = k;
            }
            if (r < 0)
                return;
            ecu_.WriteConstByte(c, static_cast<uint8_t>(r));
            ecu_.LogChange("Selected input " + std::to_string(r + 1) +
                           (type == ElementType::Mux4 ? " on the 4-way Mux called "
                                                      : " on the 32-way Mux called ") +
                           named);
            host_.renderPage();
            return;
        }
        host_.openElementDialog(e);
        return;
    }
    default:
        host_.openElementDialog(e);
        return;
    }
}

void PointerEditor::clickPin(int x, int y) {
    const ElementMap& map = renderer_.elementMap();
    uint32_t now = map.atPixel(x, y);
    int m = ElementMap::element(now);
    if (m == static_cast<int>(ElementMap::kNoElement) || m >= ecu_.NumElements)
        return;
    int out = ElementMap::outputPlusOne(now);
    int in = ElementMap::inputPlusOne(now);
    bool sameCell =
        x / Grid::kCell == press_.x / Grid::kCell && y / Grid::kCell == press_.y / Grid::kCell;
    if (!sameCell) {
        // Dragged from one pin to another: an output and an input make a link.
        int pressed = hitElement();
        int pressedOut = ElementMap::outputPlusOne(hitCell_);
        int pressedIn = ElementMap::inputPlusOne(hitCell_);
        if (pressedOut && in)
            createLink(m, in - 1, pressed, pressedOut - 1);
        else if (pressedIn && out)
            createLink(pressed, pressedIn - 1, m, out - 1);
        return;
    }
    if (out && !linking_) {
        host_.showLinkList("This output is linked to the following inputs:",
                           PageOps::linkedInputs(ecu_, m, out - 1));
    } else if (in && !linking_) {
        linking_ = true;
        pending_ = ElementRef(ecu_, m);
        pendingInput_ = in - 1;
    } else if (out && linking_) {
        linking_ = false;
        createLink(pending_.index(ecu_), pendingInput_, m, out - 1);
    }
}

void PointerEditor::createLink(int element, int input, int source, int output) {
    if (element < 0 || element >= ecu_.NumElements || source < 0 || source >= ecu_.NumElements)
        return;
    if (!ecu_.LinkInput(element, input, source, output))
        return;
    std::string from;
    ecu_.NameOfLiveAddress(ecu_.ElementLiveOffset[source] + 2 * output, from);
    ecu_.LogChange("Created a link from " + from + " to input " + std::to_string(input + 1) +
                   " of the element called " + ecu_.NameOf(kNumPages + element) + " on page " +
                   std::to_string(ecu_.PageOf(element) + 1));
    router_.invalidate(host_.currentPage());
    router_.invalidate(ecu_.PageOf(element));
    host_.renderPage();
}

void PointerEditor::finishBand() {
    eraseBand();
    int x0 = std::min(bandAnchor_.x, bandCorner_.x), x1 = std::max(bandAnchor_.x, bandCorner_.x);
    int y0 = std::min(bandAnchor_.y, bandCorner_.y), y1 = std::max(bandAnchor_.y, bandCorner_.y);
    const ElementMap& map = renderer_.elementMap();
    std::vector<int> chosen = selection();
    for (int i = std::max(0, x0) / 51; i <= std::max(0, x1) / 51; ++i)
        for (int j = std::max(0, y0) / Grid::kCell; j <= std::max(0, y1) / Grid::kCell; ++j) {
            int e = ElementMap::element(map.at(3 * i, j));
            if (e != static_cast<int>(ElementMap::kNoElement) && e < ecu_.NumElements &&
                std::find(chosen.begin(), chosen.end(), e) == chosen.end())
                chosen.push_back(e);
        }
    setSelection(std::move(chosen));
    bandActive_ = false;
    DrawList marks;
    selectionMarks(marks);
    host_.draw(marks);
}

void PointerEditor::key(Key pressed) {
    switch (pressed) {
    case Key::Up:
        host_.scrollBy(0, -Grid::kCell);
        break;
    case Key::Down:
        host_.scrollBy(0, Grid::kCell);
        break;
    case Key::Left:
        host_.scrollBy(-Grid::kCell, 0);
        break;
    case Key::Right:
        host_.scrollBy(Grid::kCell, 0);
        break;
    }
}

void PointerEditor::selectionMarks(DrawList& out) const {
    for (int e : selection())
        if (e < ecu_.NumElements && ecu_.PageOf(e) == host_.currentPage())
            renderer_.DrawSelectionMark(e, out);
}

int PointerEditor::tableForKey(const tECU& ecu, bool threeD, int lastTable) {
    int type = threeD ? ElementType::Table3D : ElementType::Table2D;
    if (lastTable >= 0 && lastTable < ecu.NumElements && ecu.TypeOf(lastTable) == type)
        return lastTable;
    for (int i = 0; i < ecu.NumElements; ++i)
        if (ecu.TypeOf(i) == type && !ecu.AdvancedOnly(i))
            return i;
    return -1;
}

// ---------------------------------------------------------------- add mode

void PointerEditor::setAddKind(int kind) {
    addKind_ = kind >= 0 && kind <= 21 ? kind : 0;
    updateHint();
}

bool PointerEditor::createAtClickCell(int kind) {
    int type = PageOps::typeOfKind(kind);
    if (type < 0 || locked() || busy())
        return false;
    const int page = host_.currentPage();
    int index = -1;
    if (!ecu_.CreateElement(type, clickCell_.x, clickCell_.y, PageOps::defaultNameOfKind(kind),
                            page, &index))
        return false;
    router_.invalidate(page);
    if (type == ElementType::Table2D || type == ElementType::Table3D)
        host_.setUpNewTable(index);
    host_.renderPage();
    host_.openNameDialog(kNumPages + index);
    host_.renderPage();
    ecu_.LogChange(PageOps::addedLogStart(kind) + ecu_.NameOf(kNumPages + index) +
                   (type == ElementType::AuxOnInj ? ", on page " : " to page ") +
                   std::to_string(page + 1));
    return true;
}

// ---------------------------------------------------------------- context menu

std::vector<int> PointerEditor::commandTargets() const {
    if (menuHitElement_ && selection_.size() < 2) {
        // The element the menu was opened on, if it still exists: never another one.
        const int e = hitElement();
        return e >= 0 ? std::vector<int>{e} : std::vector<int>{};
    }
    return selection();
}

void PointerEditor::viewProperties() {
    if (hitElement() < 0 || hitElement() >= ecu_.NumElements || (hitCell_ & kPinMask))
        return;
    if (ElementMap::nameRow(renderer_.elementMap().atPixel(menuPoint_.x, menuPoint_.y)))
        return;
    host_.openElementDialog(hitElement());
}

void PointerEditor::renameElement() {
    if (menuHitElement_)
        rename(hitElement());
}

void PointerEditor::editLink() {
    int in = ElementMap::inputPlusOne(hitCell_);
    const int e = hitElement();
    if (!menuHitElement_ || in == 0 || e < 0 || locked())
        return;
    host_.openLinkDialog(e, in - 1);
    router_.invalidate(host_.currentPage());
    host_.renderPage();
}

void PointerEditor::deleteLink() {
    int in = ElementMap::inputPlusOne(hitCell_);
    int e = hitElement();
    if (!menuHitElement_ || in == 0 || e < 0 || e >= ecu_.NumElements || locked())
        return;
    if (in > tECU::InputCount(ecu_.TypeOf(e)) || !(ecu_.InputWord(e, in - 1) & 1))
        return;
    ecu_.UnlinkInput(ecu_.ElementLogicOffset[e], in);
    ecu_.LogChange("Deleted the link on input " + std::to_string(in) + " of the element called " +
                   ecu_.NameOf(kNumPages + e) + " on page " + std::to_string(ecu_.PageOf(e) + 1));
    router_.invalidate(host_.currentPage());
    host_.renderPage();
}

bool PointerEditor::copy() {
    std::vector<int> targets = commandTargets();
    if (menuHitElement_ && targets.size() == 1 && selection_.size() < 2)
        return clipboard_.copySingle(ecu_, targets.front());
    return clipboard_.copyGroup(ecu_, targets);
}

void PointerEditor::cut() {
    if (locked())
        return;
    std::vector<int> targets = commandTargets();
    if (copy())
        removeElements(targets);
}

void PointerEditor::removeElements(const std::vector<int>& elements) {
    PageOps::deleteElements(ecu_, elements);
    selection_.clear();
    // Indices behind a deleted element have moved: a pending link would hit another input.
    linking_ = false;
    host_.tableEditorMoved();
    // Deleting moves the live addresses of every later element, on any page.
    router_.invalidateAll();
    host_.renderPage();
}

void PointerEditor::deleteElements() {
    if (locked())
        return;
    std::vector<int> targets = commandTargets();
    if (!targets.empty() && !PageOps::holdsDedicated(ecu_, targets))
        removeElements(targets);
}

void PointerEditor::paste() {
    if (locked())
        return;
    std::vector<int> pasted;
    if (!clipboard_.paste(ecu_, host_.currentPage(), pasted))
        return;
    router_.invalidateAll();
    setSelection(std::move(pasted));
    host_.renderPage();
}

void PointerEditor::selectAll() {
    setSelection(PageOps::elementsOnPage(ecu_, host_.currentPage()));
    DrawList marks;
    selectionMarks(marks);
    host_.draw(marks);
}

void PointerEditor::pageProperties() {
    host_.showLinkList("Page Properties", PageOps::pageProperties(ecu_, host_.currentPage()));
}

void PointerEditor::renamePage() {
    if (locked())
        return;
    host_.openNameDialog(host_.currentPage());
    host_.renderPage();
}

void PointerEditor::moveAll() {
    if (locked())
        return;
    int page = host_.currentPage();
    std::optional<int> target = host_.askMoveTarget(page);
    if (!target || !PageOps::moveAll(ecu_, page, *target))
        return;
    router_.invalidate(page);
    router_.invalidate(*target);
    host_.renderPage();
}

void PointerEditor::duplicatePage() {
    int page = host_.currentPage();
    if (locked() || PageOps::holdsDedicated(ecu_, PageOps::elementsOnPage(ecu_, page)))
        return;
    int target = PageOps::duplicatePage(ecu_, page);
    if (target < 0)
        return;
    router_.invalidate(target);
    host_.setCurrentPage(target);
    ecu_.messages().information("The contents of page " + std::to_string(page + 1) +
                                " were duplicated to page " + std::to_string(target + 1));
    host_.openNameDialog(target);
    host_.renderPage();
}

void PointerEditor::deletePage() {
    if (locked())
        return;
    int page = host_.currentPage();
    if (!PageOps::askDeletePage(ecu_, page, host_.pageCaption(page)))
        return;
    removeElements(PageOps::elementsOnPage(ecu_, page));
    PageOps::clearPageName(ecu_, page);
}

} // namespace zolmar
