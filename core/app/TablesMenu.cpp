#include "app/TablesMenu.h"

#include "model/Tables.h"

#include <algorithm>

namespace zolmar::TablesMenu {

namespace {

constexpr size_t kCompared = 70;

char folded(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void insertSorted(std::vector<Item>& items, Item item) {
    auto pos = std::find_if(items.begin(), items.end(), [&](const Item& existing) {
        return ComesAfter(existing.caption, item.caption);
    });
    items.insert(pos, std::move(item));
}

} // namespace

bool ComesAfter(const std::string& a, const std::string& b) {
    size_t n = std::min({a.size(), b.size(), kCompared});
    for (size_t k = 0; k < n; ++k) {
        // Image text is single-byte: compare as unsigned bytes.
        auto x = static_cast<unsigned char>(folded(a[k]));
        auto y = static_cast<unsigned char>(folded(b[k]));
        if (x != y)
            return x > y;
    }
    return std::min(a.size(), kCompared) > std::min(b.size(), kCompared);
}

std::string Caption(const tECU& ecu, int element) {
    Tables::Shape shape;
    if (!Tables::ShapeOf(ecu, element, shape))
        return {};
    int page = ecu.PageOf(element) + 1;
    std::string caption = "Page";
    caption += page < 10 ? "   " : page < 100 ? "  " : " ";
    caption += std::to_string(page) + " - " + ecu.NameOf(Layout::kNumPages + element) + " (";
    long n = static_cast<long>(shape.columns) * shape.rows;
    long tuned = 0;
    for (int row = 0; row < shape.rows; ++row)
        for (int column = 0; column < shape.columns; ++column)
            tuned += Tables::Cell(ecu, shape, column, row) & 1;
    // A corrupt table may have no cells at all.
    long percent = n > 0 ? 100 * tuned / n : 0;
    if (shape.is3D())
        caption += std::to_string(shape.columns) + "x" + std::to_string(shape.rows);
    else
        caption += std::to_string(shape.columns) + " entries";
    caption += ", " + std::to_string(percent) + "% Tuned)";
    return caption;
}

Lists Build(const tECU& ecu) {
    Lists lists;
    for (int i = 0; i < ecu.NumElements; ++i) {
        int type = ecu.TypeOf(i);
        if (!Tables::IsTable(type) || ecu.AdvancedOnly(i))
            continue;
        Item item{Caption(ecu, i), i};
        insertSorted(type == ElementType::Table3D ? lists.tables3D : lists.tables2D,
                     std::move(item));
    }
    return lists;
}

} // namespace zolmar::TablesMenu
