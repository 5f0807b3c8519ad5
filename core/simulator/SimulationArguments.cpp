#include "simulator/SimulationArguments.h"

#include <cerrno>
#include <cstdlib>

namespace zolmar::sim::SimulationArguments {

bool ParseInteger(const std::string& text, long low, long high, long& value) {
    if (text.empty() || text.size() > 12)
        return false;
    size_t k = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (k == text.size())
        return false;
    for (size_t i = k; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || v < low || v > high)
        return false;
    value = v;
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
