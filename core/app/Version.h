#pragma once

#include <string>

namespace zolmar {

// The one version both programs print: the project's version, then the build's
// description (the git description when it was built from a checkout).
namespace Version {

// The project version from CMake, e.g. "0.1.0".
std::string Number();
// Number() plus " (DESCRIPTION)" when a description was set.
std::string Text();
// main() sets what the build found; empty leaves the number alone.
void SetDescription(const std::string& description);

} // namespace Version
} // namespace zolmar
