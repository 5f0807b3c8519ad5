#include "app/WindowPlacement.h"

#include "app/CommandLine.h"

#include <algorithm>
#include <cstdlib>

namespace zolmar {

namespace {

// No screen is larger than this; anything beyond is a damaged preference.
constexpr long kLimit = 100000;

bool parseField(const std::string& text, long& value) {
    long long v = 0;
    if (text.size() > 7 || !CommandLine::parseInteger(text, -kLimit, kLimit, v))
        return false;
    value = static_cast<long>(v);
    return true;
}

long overlap(long a0, long a1, long b0, long b1) {
    return std::max(0L, std::min(a1, b1) - std::max(a0, b0));
}

} // namespace

std::string WindowPlacement::Key(const std::string& windowName) {
    return "Window" + windowName;
}

std::string WindowPlacement::Format() const {
    return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "," +
           std::to_string(height) + (maximised ? ",max" : "");
}

bool WindowPlacement::Parse(const std::string& text) {
    if (text.size() > 64)
        return false;
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() != 4 && !(fields.size() == 5 && fields[4] == "max"))
        return false;
    long v[4] = {};
    for (int k = 0; k < 4; ++k)
        if (!parseField(fields[static_cast<size_t>(k)], v[k]))
            return false;
    if (v[2] < 1 || v[3] < 1)
        return false;
    x = static_cast<int>(v[0]);
    y = static_cast<int>(v[1]);
    width = static_cast<int>(v[2]);
    height = static_cast<int>(v[3]);
    maximised = fields.size() == 5;
    return true;
}

WindowPlacement WindowPlacement::FitInto(const std::vector<Rect>& screens, int minWidth,
                                         int minHeight) const {
    WindowPlacement p = *this;
    if (screens.empty())
        return p;
    // The screen that shows most of the window; the primary one when none does.
    size_t best = 0;
    long bestArea = -1;
    for (size_t k = 0; k < screens.size(); ++k) {
        const Rect& s = screens[k];
        const long area = overlap(p.x, long(p.x) + p.width, s.x, long(s.x) + s.width) *
                          overlap(p.y, long(p.y) + p.height, s.y, long(s.y) + s.height);
        if (area > bestArea) {
            best = k;
            bestArea = area;
        }
    }
    const Rect& s = bestArea > 0 ? screens[best] : screens[0];
    const int screenWidth = std::max(1, s.width);
    const int screenHeight = std::max(1, s.height);
    p.width = std::clamp(std::max(p.width, minWidth), 1, screenWidth);
    p.height = std::clamp(std::max(p.height, minHeight), 1, screenHeight);
    p.x = static_cast<int>(std::clamp<long>(p.x, s.x, long(s.x) + screenWidth - p.width));
    p.y = static_cast<int>(std::clamp<long>(p.y, s.y, long(s.y) + screenHeight - p.height));
    return p;
}

} // namespace zolmar
