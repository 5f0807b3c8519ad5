#pragma once

#include <string>

namespace zolmar {

// Text in the image is single-byte Windows-1252. These convert at the boundaries
// (screen, terminal); inside the core text stays in image bytes.
std::string cp1252ToUtf8(const std::string& bytes);
// Characters that Windows-1252 cannot hold become '?'.
std::string utf8ToCp1252(const std::string& text);

} // namespace zolmar
