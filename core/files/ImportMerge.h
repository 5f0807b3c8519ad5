#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// Import/merge of two configurations: the diagram (elements, links, names) from one
// source, the calibration (dedicated settings, pin table, properties and the data of
// tables, constants, tickboxes, muxes and steppers matched by name) from the other.
namespace ImportMerge {

// One source: "Current" or a chosen file, and its four stored regions in the byte
// order of a settings file (empty until loaded).
struct Source {
    bool useCurrent = false;
    std::string fileName;
    std::vector<uint8_t> bytes;
    bool loaded() const;
};

// True in the link states in which a configuration is loaded.
bool CurrentValid(int linkState);

// The explanations of the dialog and whether GO may be pressed.
struct Summary {
    std::string text; // lines end with CR LF
    bool goEnabled = false;
};
Summary Validate(const Source& configuration, const Source& values, bool currentValid);

// The elements of the configuration source that keep their own data because no
// single element of the same name and type exists in the values source: one line each,
// "- The Constant called \"NAME\"" and so on.
std::vector<std::string> FailedMatches(const std::vector<uint8_t>& configuration,
                                       const std::vector<uint8_t>& values);

// Builds the merged regions. Refused (result untouched, error set) when a source is
// not a whole settings file or when the merged constant data would not fit the
// constant area.
bool Merge(const std::vector<uint8_t>& configuration, const std::vector<uint8_t>& values,
           std::vector<uint8_t>& result, std::string& error);

// Replaces the configuration with merged regions: index rebuilt, Modified set, the
// usage words checked. Routes, link state and menus are the caller's.
void Apply(tECU& ecu, const std::vector<uint8_t>& merged);

} // namespace ImportMerge
} // namespace zolmar
