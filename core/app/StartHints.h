#pragma once

#include "ports/Messages.h"
#include "ports/Preferences.h"

#include <string>

namespace zolmar {

// The start-up hints: one of ten tips per start, in turn, with the question
// whether to keep showing them.
class StartHints {
public:
    static constexpr int kCount = 10;
    static constexpr const char* kQuestion = "Show Hints at startup?";

    static const char* hint(int n);
    // Takes the next hint number and advances it; shows the hint unless the user
    // chose not to see hints. Returns the hint number taken.
    static int show(Preferences& prefs, Messages& messages);
    // "Settings" → "Startup Hints": hints on again, then the next one.
    static int showFromMenu(Preferences& prefs, Messages& messages);
};

} // namespace zolmar
