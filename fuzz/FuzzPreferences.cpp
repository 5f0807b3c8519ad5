// Reads any stored preferences as the program does at start-up: the start hints'
// number and switch, the recent files, the display options, the simple view's
// column size and every window's remembered place, brought onto the screens.
#include "app/StartHints.h"
#include "app/WindowPlacement.h"
#include "dialogs/PartDialogs.h"
#include "editor/SimpleSheets.h"
#include "files/FileCommands.h"
#include "ports/Messages.h"
#include "ports/Preferences.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace zolmar;

size_t g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kNames[] = {"HintNumber",       "ShowStartHints",     "RecentItem1",
                                         "RecentItem2",      "RecentItem3",        "RecentItem4",
                                         "DontShowAdvProps", "ShowUnusedLiveVals", "MaxPerColumn",
                                         "WindowTMainForm",  "WindowTEditTable"};
    // One value per line, given to the names in turn.
    MemoryPreferences prefs;
    std::string value;
    size_t next = 0;
    for (size_t k = 0; k <= size; ++k) {
        if (k == size || data[k] == '\n') {
            prefs.values[kNames[next % std::size(kNames)]] = value;
            value.clear();
            ++next;
        } else {
            value += static_cast<char>(data[k]);
        }
    }
    SilentMessages quiet;
    size_t total = static_cast<size_t>(StartHints::show(prefs, quiet));
    const DisplayOptions options = DisplayOptions::load(prefs);
    total += static_cast<size_t>(options.maxPerColumn);
    total += static_cast<size_t>(SimpleSheets::PerColumnSetting(prefs.read("MaxPerColumn")));
    RecentFiles recent(prefs);
    for (const std::string& item : recent.items())
        total += FileCommands::fileNameFromCaption(FileCommands::menuCaptionFor(item)).size();
    recent.add(prefs.read("RecentItem3"));
    const std::vector<WindowPlacement::Rect> screens = {{0, 0, 1920, 1040}, {-1280, 0, 1280, 1024}};
    for (const char* name : {"WindowTMainForm", "WindowTEditTable"}) {
        WindowPlacement place;
        if (place.Parse(prefs.read(name))) {
            const WindowPlacement fitted = place.FitInto(screens, 300, 200);
            // A fitted window lies on a screen.
            if (fitted.width > 1920 || fitted.height > 1040 || fitted.x < -1280 ||
                fitted.x + fitted.width > 1920)
                __builtin_trap();
            total += fitted.Format().size();
        }
    }
    g_sink = total;
    return 0;
}
