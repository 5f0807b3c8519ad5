#include "simulator/SimulationArguments.h"

#include "app/CommandLine.h"

#include <cerrno>
#include <cstdlib>

namespace zolmar::sim::SimulationArguments {

bool ParseInteger(const std::string& text, long low, long high, long& value) {
    long long v = 0;
    if (text.size() > 12 || !CommandLine::parseInteger(text, low, high, v))
        return false;
    value = static_cast<long>(v);
    return true;
}

bool ParseHeldWord(const std::string& text, int& word, uint16_t& raw, std::string& error) {
    const size_t eq = text.find('=');
    long w = 0;
    long r = 0;
    if (eq == std::string::npos || !ParseInteger(text.substr(0, eq), 0, 4095, w) ||
        !ParseInteger(text.substr(eq + 1), -32768, 65535, r)) {
        error = "\"" + text + "\" is not WORD=RAW (live word 0 to 4095, raw -32768 to 65535)";
        return false;
    }
    word = static_cast<int>(w);
    raw = static_cast<uint16_t>(r & 0xFFFF);
    return true;
}

bool ParseControl(const std::string& text, std::string& caption, int& position,
                  std::string& error) {
    const size_t eq = text.rfind('=');
    long p = 0;
    if (eq == std::string::npos || eq == 0 ||
        !ParseInteger(text.substr(eq + 1), -1000000, 1000000, p)) {
        error = "\"" + text + "\" is not CONTROL=VALUE (a control caption and a whole number)";
        return false;
    }
    caption = text.substr(0, eq);
    position = static_cast<int>(p);
    return true;
}

} // namespace zolmar::sim::SimulationArguments
