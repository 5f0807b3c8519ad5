#pragma once

#include <string>
#include <vector>

namespace zolmar {

// Where a window stands on the screen, as the preferences remember it, and how a
// remembered place is brought back onto the screens that are there now (a window
// saved on a monitor since unplugged must not open out of reach).
struct WindowPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool maximised = false;

    struct Rect {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    // The preference that holds a window's place: "Window" + the window's name.
    static std::string Key(const std::string& windowName);
    // "x,y,width,height" and ",max" for a maximised window.
    std::string Format() const;
    // False (and the placement untouched) for anything that is not such a text.
    bool Parse(const std::string& text);

    // The placement moved and shrunk as little as needed to lie wholly on one of
    // the screens' available areas (the first is the primary screen), and at
    // least minWidth x minHeight where the screen allows.
    WindowPlacement FitInto(const std::vector<Rect>& screens, int minWidth = 0,
                            int minHeight = 0) const;
};

} // namespace zolmar
