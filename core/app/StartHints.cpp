#include "app/StartHints.h"

#include <array>
#include <cstdlib>

namespace zolmar {

namespace {

constexpr std::array<const char*, StartHints::kCount> kHints = {
    "To view the full user manual / help documentation, you can press F1 or go to the 'Help' "
    "menu at any time.\n\r\n\r",
    "The most useful and important feature in ZOLMAR is the 'Setup Checklist', which can be "
    "accessed by pressing F3, or via the 'Windows' menu.\n\r\n\r",
    "The 'Setup Wizard', which can be accessed via the 'ECU Config' menu, allows you to specify "
    "vital settings for your particular vehicle/engine.\n\r\n\r",
    "If you want to record details of the tuner and installation, go to 'File' -> "
    "'Properties'.\n\r\n\r",
    "The easiest way to view important values in real time is by using the 'Gauges' window, "
    "which can be accessed by pressing F2, or via the 'Windows' menu.\n\r\n\r",
    "ZOLMAR's built-in Oscilloscope allows you to view waveforms for various signals, and is an "
    "invaluable diagnostic and tuning tool. The 'Scope' window can be accessed by pressing F7, or "
    "via the 'Windows' menu.\n\r\n\r",
    "The 'Maps/Tables' menu provides a quick way of jumping straight to various 2D or 3D tables "
    "that you may want to adjust during the tuning process.\n\r\n\r",
    "When viewing a table, if you right-click you will see a menu with numerous options for "
    "editing that table. That menu also includes an option to view a list of hints and tips for "
    "editing tables.\n\r\n\r",
    "To change which values get logged to the internal logging memory (and to the USB drive if "
    "one is connected), go to the 'Logging' menu, and select 'Onboard Logging Settings'.\n\r\n\r",
    "On the Gauges Window, invalid values will appear in red instead of black. For analogue "
    "sensor values, this indicates a possible problem with the sensor. For the Injection "
    "Duration and Ignition Angle values, if they appear in red this indicates that a power-cut "
    "is occurring.\n\r\n\r",
};

// The stored number as the tool always read it: digits only, anything else is 0.
int storedNumber(const std::string& text) {
    if (text.empty() || text.size() > 6)
        return 0;
    for (char c : text)
        if (c < '0' || c > '9')
            return 0;
    return std::atoi(text.c_str());
}

} // namespace

const char* StartHints::hint(int n) {
    if (n < 0 || n >= kCount)
        return kHints[0];
    return kHints[static_cast<size_t>(n)];
}

int StartHints::show(Preferences& prefs, Messages& messages) {
    int n = storedNumber(prefs.read("HintNumber"));
    prefs.write("HintNumber", std::to_string(n >= kCount - 1 ? 0 : n + 1));
    // A stored number beyond the list shows the first hint.
    if (n >= kCount)
        n = 0;
    std::string show = prefs.read("ShowStartHints");
    if (show.empty())
        show = "DoShowHints";
    if (show != "DoShowHints")
        return n;
    bool again = messages.askYesNo(Messages::Kind::Information, std::string(hint(n)) + kQuestion);
    prefs.write("ShowStartHints", again ? "DoShowHints" : "DontShowHints");
    return n;
}

int StartHints::showFromMenu(Preferences& prefs, Messages& messages) {
    prefs.write("ShowStartHints", "DoShowHints");
    return show(prefs, messages);
}

} // namespace zolmar
