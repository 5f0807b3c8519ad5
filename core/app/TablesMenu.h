#pragma once

#include "model/ECU.h"

#include <string>
#include <vector>

namespace zolmar {

// The "Maps/Tables" menu: one item per table of the diagram, with its page, name,
// size and how much of it is tuned, sorted by caption.
namespace TablesMenu {

struct Item {
    std::string caption;
    int element = -1;
};

struct Lists {
    std::vector<Item> tables2D;
    std::vector<Item> tables3D;
};

// Items of every table whose element is not hidden from the simple view, inserted
// before the first item whose caption compares greater (first 70 characters, A-Z
// folded to lower case), in element order.
Lists Build(const tECU& ecu);

// The item's caption, e.g. "Page   3 - Fuel Map (16x12, 42% Tuned)".
std::string Caption(const tECU& ecu, int element);

// Whether a sorts after b by the menu's rule.
bool ComesAfter(const std::string& a, const std::string& b);

} // namespace TablesMenu
} // namespace zolmar
