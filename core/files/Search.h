#pragma once

#include "model/ECU.h"

#include <string>

namespace zolmar {

// "Search for Element": finds an element by index, by one of its three addresses
// or by name.
namespace Search {

enum class Mode { Index, ConfigAddress, ConstantAddress, LiveAddress, Name };

// The captions of the "Search by:" list, in Mode order.
const char* ModeCaption(Mode mode);
// The spin edit's maximum for a numeric mode (0 for Name).
int Maximum(Mode mode);
// The longest name the text field takes.
inline constexpr int kMaxNameLength = Layout::kNameLength;

struct Result {
    bool found = false;
    int element = -1;
    int page = 0;        // the element's page (0-based) when found
    std::string message; // the error to show when not found
};

Result Find(const tECU& ecu, Mode mode, long number, const std::string& name);

} // namespace Search
} // namespace zolmar
