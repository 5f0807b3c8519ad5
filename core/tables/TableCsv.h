#pragma once

#include "model/ECU.h"
#include "model/Tables.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// A table as a CSV file: the references on the first line after "2D Table" or
// "3D Table"; a 2D table's cells on the second line after an empty field, a 3D
// table's rows each on its own line after the row's reference. CR LF line ends,
// numbers with two decimals.
namespace TableCsv {

// A CSV file's content read for a table of the given shape.
struct Content {
    std::vector<int16_t> horizontal;
    std::vector<int16_t> vertical;
    std::vector<uint16_t> cells; // row by row, bit 0 (tuned) cleared
};

// The file's text for the table (tuned flags included in the numbers).
std::string Export(const tECU& ecu, int element);
// Checks the bytes against the shape and reads the references and cells; false
// with the message when the file does not fit or is malformed.
bool Parse(const std::string& bytes, const Tables::Shape& shape, Content& content,
           std::string& message);
// Parses and, only when all of it is good, writes references and cells into the
// table (its size stays) and logs; a refusal is shown as an error.
bool Import(tECU& ecu, int element, const std::string& bytes, const std::string& fileName);

// The same on files; the export replaces the file atomically.
bool ExportFile(const tECU& ecu, int element, const std::string& path, std::string& error);
bool ImportFile(tECU& ecu, int element, const std::string& path);

// The biggest file looked at; more than any table can need.
inline constexpr size_t kMaxFileBytes = 16u << 20;

} // namespace TableCsv
} // namespace zolmar
