#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// The text shown when a file operation fails: what was done, the file, and the system's reason.
std::string ioErrorText(const std::string& action, const std::string& path, int error);

// Writes a whole file so that a failure never destroys the previous one: the data
// goes to a temporary file in the same folder, is flushed to disk, then renamed.
bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& error);

// Reads a whole file (at most maxBytes of it when maxBytes > 0).
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                   size_t maxBytes = 0);

} // namespace zolmar
