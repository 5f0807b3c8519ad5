#include "PageGeometry.h"

#include "model/Cp1252.h"

#include <algorithm>
#include <cstdio>

namespace zolmar::defaults::PageGeometry {

namespace {

// The element that owns the output at the live address, or -1.
int sourceElement(const tECU& ecu, int liveAddr, int& output) {
    for (int i = 0; i < ecu.NumElements; ++i) {
        int base = ecu.ElementLiveOffset[i];
        int outputs = ecu.OutputCount(ecu.TypeOf(i));
        if (liveAddr >= base && liveAddr < base + 2 * outputs) {
            output = (liveAddr - base) / 2;
            return i;
        }
    }
    return -1;
}

std::string twoDecimals(int16_t raw) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", raw / 50.0);
    return text;
}

} // namespace

Rect Footprint::bounds() const {
    Rect b = box;
    auto grow = [&b](const Rect& r) {
        if (r.empty())
            return;
        if (b.empty()) {
            b = r;
            return;
        }
        b.left = std::min(b.left, r.left);
        b.top = std::min(b.top, r.top);
        b.right = std::max(b.right, r.right);
        b.bottom = std::max(b.bottom, r.bottom);
    };
    grow(name);
    for (const Rect& r : pinTexts)
        grow(r);
    return b;
}

std::string pinText(const tECU& ecu, int element, int input) {
    uint16_t word = ecu.InputWord(element, input);
    if ((word & 1) == 0)
        return twoDecimals(static_cast<int16_t>(word));
    int output = 0;
    int source = sourceElement(ecu, word & 0xFFFE, output);
    if (source < 0 || ecu.PageOf(source) == ecu.PageOf(element))
        return {};
    std::string text = ecu.OutputName(source, output, true);
    int type = ecu.TypeOf(element);
    if (type != ElementType::Display && type != ElementType::Gauge)
        text += "       ";
    return text;
}

Footprint footprintOf(const tECU& ecu, int element) {
    Footprint f;
    int type = ecu.TypeOf(element);
    std::string name = ecu.NameOf(Layout::kNumPages + element);
    if (type == ElementType::Label) {
        int w = kLabelCharWidth * static_cast<int>(name.size());
        f.box = {0, 0, w, 20};
        f.name = {0, 20, w, 20 + kLabelTextHeight};
    } else {
        PictureSize p = pictureSize(ecu.PictureIndex(type, ecu.ElementConstOffset[element]));
        f.box = {0, 0, p.w, p.h};
        int tw = kNameCharWidth * static_cast<int>(name.size());
        int left = p.w / 2 - tw / 2;
        f.name = {left, p.h, left + tw, p.h + kNameHeight};
    }
    f.columns = f.box.right > 0 ? (f.box.right - 1) / kCell + 1 : 0;
    f.rows = (f.box.bottom + 15) / kCell + 1;
    int inputs = tECU::InputCount(type);
    for (int k = 0; k < inputs; ++k) {
        std::string text = pinText(ecu, element, k);
        if (text.empty())
            continue;
        int w = kPinCharWidth * static_cast<int>(text.size());
        f.pinTexts.push_back({-2 - w, kCell * k, -2, kCell * (k + 1)});
    }
    return f;
}

std::vector<std::string> check(const tECU& ecu) {
    std::vector<std::string> problems;
    struct Placed {
        int element;
        std::vector<Rect> parts;
    };
    std::vector<std::vector<Placed>> pages(Layout::kNumPages);
    for (int i = 0; i < ecu.NumElements; ++i) {
        Footprint f = footprintOf(ecu, i);
        int dx = kCell * ecu.ColumnOf(i);
        int dy = kCell * ecu.RowOf(i);
        Placed p{i, {}};
        // The cells the element covers, its name and its pin texts.
        p.parts.push_back(Rect{0, 0, kCell * f.columns, kCell * f.rows}.moved(dx, dy));
        p.parts.push_back(f.name.moved(dx, dy));
        for (const Rect& r : f.pinTexts)
            p.parts.push_back(r.moved(dx, dy));
        std::string who = cp1252ToUtf8(ecu.NameOf(Layout::kNumPages + i));
        for (const Rect& r : p.parts) {
            if (!r.empty() &&
                (r.left < 0 || r.top < 0 || r.right > kGridPixels || r.bottom > kGridPixels)) {
                problems.push_back("page " + std::to_string(ecu.PageOf(i) + 1) + ": \"" + who +
                                   "\" leaves the grid");
                break;
            }
        }
        pages[ecu.PageOf(i)].push_back(std::move(p));
    }
    for (int page = 0; page < Layout::kNumPages; ++page) {
        const auto& placed = pages[page];
        for (size_t a = 0; a < placed.size(); ++a)
            for (size_t b = a + 1; b < placed.size(); ++b) {
                bool clash = false;
                for (const Rect& ra : placed[a].parts)
                    for (const Rect& rb : placed[b].parts)
                        clash = clash || ra.overlaps(rb);
                if (clash)
                    problems.push_back(
                        "page " + std::to_string(page + 1) + ": \"" +
                        cp1252ToUtf8(ecu.NameOf(Layout::kNumPages + placed[a].element)) +
                        "\" overlaps \"" +
                        cp1252ToUtf8(ecu.NameOf(Layout::kNumPages + placed[b].element)) + "\"");
            }
    }
    return problems;
}

} // namespace zolmar::defaults::PageGeometry
