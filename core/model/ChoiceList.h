#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// A drop-down list's entries and its selected entry (-1 for none).
struct ChoiceList {
    std::vector<std::string> items;
    int selected = -1;
};

// How a live-value choice list stores each entry's value.
enum class LiveValueFormat { ByteAddress, WordNumber };

// A choice list of live values: entries, their values in a parallel array, the selection.
struct LiveChoiceList {
    std::vector<std::string> items;
    std::vector<uint16_t> values;
    int selected = -1;
    void clear() {
        items.clear();
        values.clear();
        selected = -1;
    }
};

} // namespace zolmar
