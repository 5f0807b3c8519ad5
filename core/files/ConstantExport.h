#pragma once

#include "model/ECU.h"

#include <string>

namespace zolmar {

// "Export Constant Data to csv": every element's constant bytes as text.
namespace ConstantExport {

inline constexpr const char* kSaveTitle = "Export Constant Data to csv file";
inline constexpr const char* kFilter = "Comma Separated Values (*.csv)|*.csv|All Files (*.*)|*.*";

// The whole export text (CR LF line ends).
std::string Text(const tECU& ecu);
// Builds the text, then writes the file at once (atomically).
bool Write(const tECU& ecu, const std::string& path, std::string& error);

} // namespace ConstantExport
} // namespace zolmar
