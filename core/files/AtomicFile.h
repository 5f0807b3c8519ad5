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
// A symbolic link is followed: the file it points to is replaced and the link
// stays. A read-only file, a folder or a device is refused, and nothing is written.
// Temporary files that killed saves of the same file left behind are removed.
bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& error);

// The file a path finally names once symbolic links are followed (at most 40 of
// them); the path itself when it is no link.
std::string resolvedTarget(const std::string& path);

// Reads a whole file (at most maxBytes of it when maxBytes > 0).
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                   size_t maxBytes = 0);
// Reads a whole file that must not be larger than maxBytes; a larger one (or an
// endless one such as /dev/zero) fails with a message and leaves bytes empty.
bool readFileAtMost(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                    size_t maxBytes);

} // namespace zolmar
