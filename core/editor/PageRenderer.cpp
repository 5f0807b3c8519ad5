#include "editor/PageRenderer.h"

#include "model/PinTable.h"
#include "model/Tables.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace zolmar {

using namespace Layout;
using Grid::kCell;

namespace {

// Pin records whose names are printed beside the pin rows of the dedicated
// elements, by row; -1 prints nothing.
constexpr int kAuxPins[] = {19, -1, 22, -1, 24, -1, 31, -1, 33, -1, 36, -1, 47, -1, 40, -1};
constexpr int kAuxOnInjPins[] = {4, -1, 5, -1, 9, -1, 10, -1, 11, -1, 12, -1, 13, -1, 14, -1};
constexpr int kInjectorPins[] = {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 14}; // four rows each
constexpr int kAnaloguePins[] = {32, 37, 46, 49, 50, 41, 42, 53, 51, 52, 69, 43, 44, 70, 60,
                                 71, 0,  -1, 1,  -1, 2,  -1, 3,  -1, 4,  -1, 5,  -1, 9,  -1,
                                 10, -1, 11, -1, 12, -1, 13, -1, 14, -1, -1, -1, -1, -1};
constexpr int kIgnitionPins[] = {16, -1, 26, -1, 17, -1, 27, -1, 18, -1, 28, -1, 29, -1, 30, -1};
constexpr int kInputPins[] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                              -1, -1, 68, 58, 48, 54, -1, -1, -1, -1, -1, -1, -1, -1,
                              -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 57, 66,
                              67, 55, 56, 20, 21, 23, 34, 59, 74, 61, 64};

static_assert(std::size(kAnaloguePins) == 44);
static_assert(std::size(kInputPins) == 53);

std::string pinName(const tECU& ecu, int record) {
    return PinTable::PinName(ecu, record);
}

// Annotations beside a Display's or a Gauge's pin are not padded for a live value.
bool unpaddedBesidePin(int type) {
    return type == ElementType::Display || type == ElementType::Gauge;
}

std::string withoutLeadingSpaces(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

} // namespace

PageRenderer::PageRenderer(tECU& ecu, LinkRouter& router, const TextMetrics& metrics)
    : ecu_(ecu), router_(router), metrics_(metrics), sourceElement_(32768, -1) {}

std::string PageRenderer::sourceName(uint16_t linkWord, bool withPage) const {
    int source = -1;
    int output = 0;
    if (sourceOf(linkWord, source, output))
        return ecu_.OutputName(source, output, withPage);
    // A link to an address where no output lives: say where it points.
    return "Live Address " + std::to_string(linkWord & 0xFFFE);
}

int PageRenderer::besidePinWidth(int element, const std::string& text) const {
    if (unpaddedBesidePin(ecu_.TypeOf(element)))
        return metrics_.width(Font::Fixed, text);
    return metrics_.width(Font::Fixed, text + "       ");
}

void PageRenderer::failedRouteLabel(const RouteRecord& record, bool replayed, DrawList& out) {
    int i = record.destElement;
    if (i < 0 || i >= ecu_.NumElements)
        return;
    ElementBox box = boxOf(i);
    std::string text = sourceName(record.net, false);
    int width = besidePinWidth(i, text);
    if (replayed)
        out.text(box.left - 2 - width, Grid::kCell * record.destRow + 1, Font::Fixed,
                 Colours::kBlack, text);
    else
        writeBesidePin(box, record.destInput, text, width, out);
}

ElementBox PageRenderer::boxOf(int element) const {
    int labelWidth = 0;
    if (ecu_.TypeOf(element) == ElementType::Label)
        labelWidth = metrics_.width(Font::Label, ecu_.NameOf(kNumPages + element));
    return elementBox(ecu_, element, labelWidth);
}

void PageRenderer::buildSourceTable() {
    std::fill(sourceElement_.begin(), sourceElement_.end(), -1);
    for (int i = 0; i < ecu_.NumElements; ++i) {
        int outputs = ecu_.OutputCount(ecu_.TypeOf(i));
        for (int k = 0; k < outputs; ++k) {
            size_t word = ((ecu_.ElementLiveOffset[i] + 2 * k) & 0xFFFF) / 2;
            if (sourceElement_[word] < 0)
                sourceElement_[word] = static_cast<int16_t>(i);
        }
    }
}

bool PageRenderer::sourceOf(uint16_t linkWord, int& element, int& output) const {
    int addr = linkWord & 0xFFFE;
    int e = sourceElement_[static_cast<size_t>(addr / 2)];
    if (e < 0)
        return false;
    element = e;
    output = ((addr - ecu_.ElementLiveOffset[e]) & 0xFFFF) / 2;
    return true;
}

void PageRenderer::RenderPage(int page, bool advanced, DrawList& out) {
    page_ = page;
    out.clearCanvas();
    map_.clear();
    bool recompute = !router_.routesValid(page);
    if (recompute)
        router_.startRecompute(page);

    ecu_.RebuildIndex(true, true);
    buildSourceTable();
    if (!advanced)
        return;

    for (int i = 0; i < ecu_.NumElements; ++i)
        if (ecu_.PageOf(i) == page)
            drawElement(i, recompute, out);
    for (int i = 0; i < ecu_.NumElements; ++i)
        if (ecu_.PageOf(i) == page)
            annotateInputs(i, recompute, out);

    if (recompute) {
        router_.recompute(page, out);
        for (const RouteRecord& record : router_.routes(page))
            if (!record.routed())
                failedRouteLabel(record, false, out);
        for (int i = 0; i < ecu_.NumElements; ++i) {
            if (ecu_.PageOf(i) != page)
                continue;
            int x = ecu_.ColumnOf(i);
            int y = ecu_.RowOf(i);
            int inputs = tECU::InputCount(ecu_.TypeOf(i));
            for (int k = 0; k < inputs; ++k) {
                uint32_t left = router_.horizontal(x - 1, y + k) & 0xFFFF;
                router_.setWireVisible(ecu_.InputWordAddress(i, k), left != LinkRouter::kFree);
            }
        }
        // A failed link may end beside another net's wire; its value is shown at its pin.
        for (const RouteRecord& record : router_.routes(page))
            if (!record.routed() && record.destElement >= 0 &&
                record.destElement < ecu_.NumElements)
                router_.setWireVisible(ecu_.InputWordAddress(record.destElement, record.destInput),
                                       false);
    } else {
        router_.replay(page, out, [&](const RouteRecord& record) {
            failedRouteLabel(record, true, out);
            if (record.destElement >= 0 && record.destElement < ecu_.NumElements)
                router_.setWireVisible(ecu_.InputWordAddress(record.destElement, record.destInput),
                                       false);
        });
    }

    // The pictures' dark lines go over the wire ends.
    for (int i = 0; i < ecu_.NumElements; ++i) {
        if (ecu_.PageOf(i) != page)
            continue;
        ElementBox box = boxOf(i);
        if (box.picture < 0)
            continue;
        out.picture(box.picture, box.left, box.top, true);
        if (ecu_.TypeOf(i) == ElementType::Latch &&
            ecu_.ReadConstByte(ecu_.ElementConstOffset[i]) == 0)
            out.fillRect(box.left + 10, box.top + 17, box.left + 17, box.top + 30, Colours::kWhite);
    }
}

void PageRenderer::drawElement(int i, bool recompute, DrawList& out) {
    std::string name = ecu_.NameOf(kNumPages + i);
    bool label = ecu_.TypeOf(i) == ElementType::Label;
    int tw = metrics_.width(label ? Font::Label : Font::Name, name);
    ElementBox box = elementBox(ecu_, i, label ? tw : 0);
    if (box.picture >= 0)
        out.picture(box.picture, box.left, box.top, false);
    if (label)
        out.text(box.left, box.top + Grid::kLabelNameOffset, Font::Label, Colours::kBlack, name);
    else
        out.text(box.left + box.w / 2 - tw / 2, box.top + box.h, Font::Name, Colours::kBlack, name);
    markCells(i, box, recompute);
    decorate(i, box, out);
    pinNames(i, box, out);
}

void PageRenderer::markCells(int i, const ElementBox& box, bool recompute) {
    int lastColumn = box.lastColumn();
    int nameRow = box.nameRow();
    for (int r = box.y; r <= nameRow; ++r) {
        for (int c = box.x; c <= lastColumn; ++c) {
            uint32_t value = static_cast<uint32_t>(i);
            if (r == nameRow)
                value |= ElementMap::kNameRow;
            map_.set(c, r, value);
            if (recompute)
                router_.block(c, r);
        }
    }
}

void PageRenderer::decorate(int i, const ElementBox& box, DrawList& out) {
    const int K = box.left;
    const int L = box.top;
    const int w = box.w;
    const int h = box.h;
    const int c = ecu_.ElementConstOffset[i];
    const int record = ecu_.ElementLogicOffset[i];
    auto constByte = [&](int b) { return ecu_.ReadConstByte(c + b); };
    auto green = [&](int x1, int y1, int x2, int y2) {
        out.fillRect(x1, y1, x2, y2, Colours::kGreen);
    };
    auto muxRows = [&](int rows, int firstByte, int selected) {
        for (int r = 0; r < rows; ++r) {
            std::string text;
            for (int k = 0; k < 16; ++k) {
                uint8_t b = ecu_.ReadLogicByte(record + firstByte + 16 * r + k);
                text.push_back(b == 0 ? ' ' : static_cast<char>(b));
            }
            int dy = r == 0 ? 1 : (r == rows - 1 ? -2 : 0);
            out.text(K + 12, L + 17 * r + dy, Font::Fixed,
                     r == selected ? Colours::kRed : Colours::kBlack, text);
        }
    };

    switch (ecu_.TypeOf(i)) {
    case ElementType::Constant:
        out.text(K + 3, L + 7, Font::Fixed, Colours::kBlack,
                 Tables::TwoDecimals(static_cast<int16_t>(ecu_.ReadConstWord(c))));
        break;
    case ElementType::Delay:
        out.text(K + 62, L + 15, Font::Fixed, Colours::kBlack,
                 std::to_string(ecu_.ReadConstWord(c)) + " ms");
        break;
    case ElementType::Mux4:
        muxRows(4, 12, constByte(0) & 3);
        break;
    case ElementType::Mux32:
        muxRows(32, 68, constByte(0) & 31);
        break;
    case ElementType::Summer: {
        int mode = (constByte(0) >> 3) & 3;
        if (mode == 0) {
            out.picture(25, K + w / 2 - 30, L + h / 2 - 11, false);
            out.picture((constByte(0) & 1) ? 20 : 19, K + 12, L + 4, false);
            out.picture((constByte(0) & 2) ? 20 : 19, K + 12, L + 20, false);
        } else {
            static constexpr int kLogic[] = {0, 17, 16, 18}; // OR, AND, XOR
            out.picture(kLogic[mode], K - 35 + w / 2, L + h / 2 - 7, false);
            if (constByte(0) & 4)
                out.line(K - 35 + w / 2, L + h / 2 - 6, K + w / 2 - 17, L + h / 2 - 6,
                         Colours::kBlack, 1);
            if (constByte(0) & 1)
                out.ellipse(K + 9, L + 5, K + 14, L + 10, Colours::kBlack, 1, true,
                            Colours::kWhite);
            if (constByte(0) & 2)
                out.ellipse(K + 9, L + 22, K + 14, L + 27, Colours::kBlack, 1, true,
                            Colours::kWhite);
        }
        break;
    }
    case ElementType::Comparator: {
        static constexpr int kSymbol[] = {-1, 13, 15, 26, 11, 12, 14, -1};
        int mode = constByte(0) & 7;
        int symbol = kSymbol[mode];
        if (symbol >= 0)
            out.picture(symbol, K - 35 + w / 2, mode <= 4 ? L - 9 + h / 2 : L + h / 2 - 11, false);
        break;
    }
    case ElementType::Tickbox:
        out.picture((constByte(0) & 1) ? 23 : 24, K + 20, L + h / 2 - 13, false);
        break;
    case ElementType::AuxOutputs:
        for (int g = 0; g < 8; ++g) {
            if (constByte(g) & 0x80)
                green(K + w - 39, L + 34 * g, K + w - 10, L + 34 * g + 17);
            if (constByte(g) & 0x20)
                green(K + w - 47, L + 34 * g + 18, K + w - 1, L + 34 * g + 33);
        }
        break;
    case ElementType::Ignition:
        for (int g = 0; g < 8; ++g) {
            if (constByte(g) & 8)
                green(K + w - 63, L + 34 * g, K + w - 36, L + 34 * g + 16);
            if ((constByte(g) & 7) == 1)
                green(K + w - 63, L + 34 * g + 17, K + w - 34, L + 34 * g + 33);
        }
        for (int g = 0; g < 7; ++g)
            if (ecu_.ImageByte(0x53E) & (1 << g))
                green(K + w - 34, L + 34 * g, K + w - 1, L + 34 * g + 16);
        break;
    case ElementType::Injectors:
        for (int g = 0; g < 12; ++g) {
            int b = constByte(2 * g + 1);
            if (((b >> 4) & 7) == 1)
                green(K + w - 29, L + 68 * g + 18, K + w - 1, L + 68 * g + 34);
            if (b & 4)
                green(K + w - 29, L + 68 * g + 34, K + w - 1, L + 68 * g + 50);
            if (b & 0x80)
                green(K + w - 59, L + 68 * g + 18, K + w - 31, L + 68 * g + 34);
        }
        break;
    case ElementType::Inputs: {
        auto captions = [&](const char* const* texts, const int* ys) {
            for (int k = 0; k < 4; ++k)
                out.text(K + w - 140, L + ys[k], Font::Fixed, Colours::kBlack, texts[k]);
        };
        static constexpr const char* kEgt[] = {"EGT 1", "EGT 2", "EGT 3", "EGT 4"};
        static constexpr const char* kLambda[] = {"Lambda", "Valid", "Min", "Max"};
        static constexpr int kEgtY1[] = {67, 84, 101, 118};
        static constexpr int kEgtY2[] = {203, 221, 238, 255};
        static constexpr int kLambdaY1[] = {2, 18, 34, 50};
        static constexpr int kLambdaY2[] = {135, 152, 169, 186};
        int serial1 = constByte(0);
        int serial2 = constByte(8);
        if (serial1 == 1)
            captions(kEgt, kEgtY1);
        if (serial2 == 1)
            captions(kEgt, kEgtY2);
        if (serial1 >= 1 && serial1 <= 7)
            captions(kLambda, kLambdaY1);
        if (serial2 >= 1 && serial2 <= 7)
            captions(kLambda, kLambdaY2);
        break;
    }
    default:
        break;
    }
}

void PageRenderer::pinNames(int, const ElementBox& box, DrawList& out) {
    const int K = box.left;
    const int L = box.top;
    const int w = box.w;
    auto rows = [&](const int* pins, int count, int xFromRight, auto yOf) {
        for (int r = 0; r < count; ++r)
            if (pins[r] >= 0)
                out.text(K + w - xFromRight, yOf(r), Font::Fixed, Colours::kBlack,
                         pinName(ecu_, pins[r]));
    };
    switch (box.picture) {
    case 30:
        rows(kAuxPins, 16, 110, [&](int r) { return L + 7 + 17 * r; });
        break;
    case 38:
        rows(kAuxOnInjPins, 16, 70, [&](int r) { return L + 7 + 17 * r; });
        break;
    case 28:
        for (int r = 0; r < 48; ++r)
            out.text(K + w - 170, L + 17 * r, Font::Fixed, Colours::kBlack,
                     pinName(ecu_, kInjectorPins[r / 4]));
        break;
    case 27:
        rows(kAnaloguePins, 44, 125,
             [&](int r) { return L + 17 * r + ((r < 16 || r > 39) ? 1 : 7); });
        break;
    case 29:
        rows(kIgnitionPins, 16, 130, [&](int r) { return L + 7 + 17 * r; });
        break;
    case 31:
        rows(kInputPins, 53, 130, [&](int r) { return L + 17 * r - 1; });
        break;
    default:
        break;
    }
}

int PageRenderer::writeBesidePin(const ElementBox& box, int input, const std::string& text,
                                 int width, DrawList& out) const {
    int top = Grid::centre(box.y + input) - metrics_.height(Font::Fixed) / 2;
    out.text(box.left - 2 - width, top, Font::Fixed, Colours::kBlack, text);
    return width;
}

void PageRenderer::blockBesidePin(const ElementBox& box, int input, int width) {
    int row = box.y + input;
    for (int c = (box.left - width) / kCell; c <= box.x; ++c)
        router_.block(c, row);
}

void PageRenderer::annotateInputs(int i, bool recompute, DrawList& out) {
    ElementBox box = boxOf(i);
    int inputs = tECU::InputCount(ecu_.TypeOf(i));
    for (int k = inputs - 1; k >= 0; --k) {
        map_.setInputPin(box.x, box.y + k, k);
        uint16_t word = ecu_.InputWord(i, k);
        if (!(word & 1)) {
            std::string text = Tables::TwoDecimals(static_cast<int16_t>(word));
            int width = metrics_.width(Font::Fixed, text);
            writeBesidePin(box, k, text, width, out);
            if (recompute)
                blockBesidePin(box, k, width);
            continue;
        }
        int source = -1;
        int output = 0;
        bool onPage = sourceOf(word, source, output) && ecu_.PageOf(source) == page_;
        if (!onPage) {
            std::string text = sourceName(word, true);
            int width = besidePinWidth(i, text);
            writeBesidePin(box, k, text, width, out);
            if (recompute)
                blockBesidePin(box, k, width);
            continue;
        }
        if (recompute) {
            ElementBox from = boxOf(source);
            LinkRequest request;
            request.dest = {box.left, Grid::centre(box.y + k)};
            request.source = {sourcePinX(from), Grid::centre(from.y + output)};
            request.net = static_cast<uint16_t>(word & 0xFFFE);
            request.destElement = i;
            request.destInput = k;
            router_.addRequest(page_, request);
        }
    }
}

int16_t PageRenderer::inputValue(int i, int k) const {
    uint16_t word = ecu_.InputWord(i, k);
    if (word & 1)
        return static_cast<int16_t>(ecu_.ImageWord(kLiveBase + (word & 0xFFFE)));
    return static_cast<int16_t>(word);
}

int PageRenderer::findHovered(int page, Point mouse) const {
    if (mouse.x < 0 || mouse.y < 0)
        return -1;
    int mc = mouse.x / kCell;
    int mr = mouse.y / kCell;
    for (int i = 0; i < ecu_.NumElements; ++i) {
        if (ecu_.PageOf(i) != page)
            continue;
        ElementBox box = boxOf(i);
        int type = ecu_.TypeOf(i);
        int inputs = tECU::InputCount(type);
        for (int k = 0; k < inputs; ++k) {
            uint16_t word = ecu_.InputWord(i, k);
            if ((word & 1) && box.x == mc && box.y + k == mr)
                return word & 0xFFFE;
        }
        int w = box.picture >= 0 ? box.w : 0;
        int outputs = ecu_.OutputCount(type);
        for (int k = 0; k < outputs; ++k)
            if (box.x + w / kCell - 1 == mc && box.y + k == mr)
                return (ecu_.ElementLiveOffset[i] + 2 * k) & 0xFFFF;
    }
    return -1;
}

void PageRenderer::RenderOverlay(int page, Point mouse, DrawList& out) {
    if (blinkCounter_ >= 5) {
        blinkCounter_ = 0;
        blinkPhase_ = !blinkPhase_;
    } else {
        ++blinkCounter_;
    }
    page_ = page;
    hovered_ = findHovered(page, mouse);
    for (int i = 0; i < ecu_.NumElements; ++i)
        if (ecu_.PageOf(i) == page)
            overlayElement(i, out);
}

Rgb PageRenderer::liveColour(int address) const {
    if (address != hovered_)
        return Colours::kLiveText;
    return blinkPhase_ ? Colours::kWhite : Colours::kGreen;
}

void PageRenderer::overlayOutputs(int i, const ElementBox& box, DrawList& out) {
    int type = ecu_.TypeOf(i);
    int outputs = ecu_.OutputCount(type);
    // A Constant already shows its value, which is its output; a live copy written
    // over it would hide it.
    if (type == ElementType::Tickbox || type == ElementType::Constant)
        return;
    int fontHeight = metrics_.height(Font::Fixed);
    for (int k = outputs - 1; k >= 0; --k) {
        int address = (ecu_.ElementLiveOffset[i] + 2 * k) & 0xFFFF;
        size_t word = static_cast<size_t>(address / 2);
        bool shown = ecu_.ShowAllOutputs ||
                     (word < std::size(ecu_.LiveWordLinked) && ecu_.LiveWordLinked[word] != 0);
        std::string text =
            shown ? ecu_.FormatValue50(static_cast<int16_t>(ecu_.ImageWord(kLiveBase + address)),
                                       true)
                  : std::string(6, ' ');
        int top = Grid::centre(box.y + k) - fontHeight / 2;
        if (k == 0)
            top += 2;
        else if (k == outputs - 1)
            top -= 3;
        out.text(box.left + box.w - 62, top, Font::Fixed, liveColour(address), text);
    }
}

bool PageRenderer::linkedInputText(int i, int k, std::string& text) const {
    uint16_t word = ecu_.InputWord(i, k);
    if (!(word & 1))
        return false;
    int type = ecu_.TypeOf(i);
    int source = -1;
    int output = 0;
    bool otherPage = !sourceOf(word, source, output) || ecu_.PageOf(source) != page_;
    if (!otherPage && type != ElementType::Gauge &&
        router_.wireVisible(ecu_.InputWordAddress(i, k)))
        return false;
    bool dial = type == ElementType::Gauge && boxOf(i).picture != 33;
    if (ecu_.LiveValuesAvailable())
        text = tECU::ValueText50(static_cast<int16_t>(ecu_.ImageWord(kLiveBase + (word & 0xFFFE))));
    else if (type == ElementType::Display)
        text.clear();
    else
        text = dial ? " ---- " : "  ----";
    if (unpaddedBesidePin(type) && ecu_.LiveValuesAvailable())
        text = withoutLeadingSpaces(text);
    return true;
}

void PageRenderer::overlayElement(int i, DrawList& out) {
    ElementBox box = boxOf(i);
    int type = ecu_.TypeOf(i);
    int outputs = ecu_.OutputCount(type);
    for (int k = 0; k < outputs; ++k) {
        map_.setOutputPin(box.outputColumn(), box.y + k, k);
        if (box.picture >= 0)
            map_.setOutputPin(box.outputColumn() - 1, box.y + k, k);
    }
    overlayOutputs(i, box, out);
    if (type != ElementType::Gauge) {
        int inputs = tECU::InputCount(type);
        int fontHeight = metrics_.height(Font::Fixed);
        for (int k = inputs - 1; k >= 0; --k) {
            std::string text;
            if (!linkedInputText(i, k, text))
                continue;
            int width = metrics_.width(Font::Fixed, text);
            int top = Grid::centre(box.y + k) - fontHeight / 2;
            // Unpadded values change width: clear the widest one first.
            if (unpaddedBesidePin(type)) {
                int widest = metrics_.width(Font::Fixed, "-655.4") + 1;
                out.restore(box.left - 2 - widest, top, box.left - 2, top + fontHeight);
            }
            if (!text.empty())
                out.text(box.left - 2 - width, top, Font::Fixed,
                         liveColour(ecu_.InputWord(i, k) & 0xFFFE), text);
        }
    }
    const int K = box.left;
    const int L = box.top;
    bool live = ecu_.LiveValuesAvailable();
    if (box.picture == 33 && type == ElementType::Display) {
        bool linked = ecu_.InputWord(i, 0) & 1;
        std::string text =
            linked && !live ? std::string(8, ' ') : Tables::TwoDecimals(inputValue(i, 0));
        out.text(K + 24, L + 8, Font::Fixed, Colours::kBlack, text);
    } else if (box.picture == 33 && type == ElementType::Gauge) {
        bool linked = ecu_.InputWord(i, 0) & 1;
        std::string text = inputValue(i, 0) >= 50 ? " True   " : " False ";
        if (linked && !live)
            text = std::string(8, ' ');
        out.text(K + 24, L + 8, Font::Fixed, Colours::kBlack, text);
    } else if (box.picture == 34 || box.picture == 37) {
        overlayDial(i, box, out);
    } else if (box.picture == 7) {
        out.fillRect(K + 44, L + 7, K + 56, L + 26, Colours::kWhite);
        int endY = inputValue(i, 2) > 0 ? L + 24 : L + 10;
        out.line(K + 57, L + 17, K + 43, endY, Colours::kBlack, 2);
    }
}

void PageRenderer::overlayDial(int i, const ElementBox& box, DrawList& out) {
    const bool big = box.picture == 37;
    const int K = box.left;
    const int L = box.top;
    const int c = ecu_.ElementConstOffset[i];
    out.fillRect(K, L, K + box.w, L + box.h, Colours::kWhite);
    out.picture(box.picture, K, L, false);
    int min = static_cast<int16_t>(ecu_.ReadConstWord(c));
    int max = static_cast<int16_t>(ecu_.ReadConstWord(c + 2));
    if (max - min < 4)
        max = min + 4;
    int q = (max - min) / 4;
    int e = q / 2;
    Font face = big ? Font::DialBig : Font::DialSmall;
    auto label = [&](int value, int x, int y, int anchor) {
        std::string text = Tables::TwoDecimals(static_cast<int16_t>(value));
        int tw = metrics_.width(face, text);
        // anchor: 0 left edge at x, 1 centred on x, 2 right edge at x
        out.text(x - (anchor == 1 ? tw / 2 : anchor == 2 ? tw : 0), y, face, Colours::kBlack, text);
    };
    if (big) {
        label(min, K + 52, L + 163, 0);
        label(min + e, K + 31, L + 117, 0);
        label(min + q, K + 40, L + 67, 0);
        label(min + q + e, K + 60, L + 36, 0);
        label(min + 2 * q, K + 124, L + 19, 1);
        label(min + 2 * q + e, K + 189, L + 36, 2);
        label(min + 3 * q, K + 210, L + 67, 2);
        label(min + 3 * q + e, K + 217, L + 117, 2);
        label(max, K + 195, L + 163, 2);
    } else {
        label(min, K + 33, L + 106, 0);
        label(min + q, K + 26, L + 42, 0);
        label(min + 2 * q, K + 80, L + 10, 1);
        label(min + 3 * q, K + 140, L + 42, 2);
        label(max, K + 132, L + 106, 2);
    }
    auto angle = [&](int v) { return 4.6 * (v - min) / (max - min) - 2.3; };
    bool linked = ecu_.InputWord(i, 0) & 1;
    if (!linked || ecu_.LiveValuesAvailable()) {
        int hx = K + (big ? 124 : 82);
        int hy = L + (big ? 115 : 73);
        double r = big ? 94 : 62;
        double theta = angle(inputValue(i, 0));
        out.line(hx, hy, hx + static_cast<int>(std::lround(r * std::sin(theta))),
                 hy + static_cast<int>(std::lround(-r * std::cos(theta))), Colours::kRed,
                 big ? 4 : 3);
    }
    int tx = K + (big ? 124 : 82);
    int ty = L + (big ? 116 : 74);
    double inner = big ? 100 : 66;
    double outer = big ? 106.8 : 68;
    auto threshold = [&](int value, Rgb colour) {
        double theta = angle(value);
        double sx = std::sin(theta);
        double cy = -std::cos(theta);
        out.line(tx + static_cast<int>(std::lround(inner * sx)),
                 ty + static_cast<int>(std::lround(inner * cy)),
                 tx + static_cast<int>(std::lround(outer * sx)),
                 ty + static_cast<int>(std::lround(outer * cy)), colour, big ? 7 : 6);
    };
    threshold(static_cast<int16_t>(ecu_.ReadConstWord(c + 4)), Colours::kAmber);
    threshold(static_cast<int16_t>(ecu_.ReadConstWord(c + 6)), Colours::kRed);
    std::string text;
    if (linkedInputText(i, 0, text)) {
        int tw = metrics_.width(Font::Fixed, text);
        out.text(K + (big ? 124 : 82) - tw / 2, L + (big ? 160 : 107), Font::Fixed,
                 liveColour(ecu_.InputWord(i, 0) & 0xFFFE), text);
    }
}

void PageRenderer::DrawSelectionMark(int element, DrawList& out) const {
    if (element < 0 || element >= ecu_.NumElements)
        return;
    ElementBox box = boxOf(element);
    if (box.picture >= 0)
        out.rect(box.left - 3, box.top - 6, box.left + box.w + 3, box.top + box.h + 20,
                 Colours::kRed, 2);
    else if (ecu_.TypeOf(element) == ElementType::Label)
        out.rect(box.left - 5, box.top + 12, box.left + box.w + 5, box.top + 50, Colours::kRed, 2);
}

} // namespace zolmar
