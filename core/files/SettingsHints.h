#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace zolmar {

// The settings hints file "q7700xSettingsHints.txt": one entry per setting made
// of three markers, two asterisks and a letter each. "**s" and six characters
// are skipped before the setting's name, "**h" and three characters before its
// hint; both run to the next "**". "**e" ends the entry; when the third character
// after its "e" is an "f" the file ends there. Text outside entries is ignored.
namespace SettingsHints {

// The reader looks at no more of the file than this.
inline constexpr size_t kMaxBytes = 400001;

// The hint of the setting with exactly this name (case-sensitive), or empty.
std::string Lookup(const std::string& bytes, const std::string& name);
// Every completed entry, name and hint, in file order.
std::vector<std::pair<std::string, std::string>> Entries(const std::string& bytes);
// The first kMaxBytes bytes of the file; false when it cannot be read (a folder
// cannot), with the reason in error.
bool Read(const std::string& path, std::string& bytes, std::string& error);
bool Read(const std::string& path, std::string& bytes);

} // namespace SettingsHints
} // namespace zolmar
