#include "app/CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace zolmar {

namespace {

std::string shortNumber(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

// Arguments are quoted in messages as given, but a huge one is cut short.
std::string quoted(const std::string& text) {
    constexpr size_t kShown = 60;
    return "\"" + (text.size() > kShown ? text.substr(0, kShown) + "..." : text) + "\"";
}

bool isHelp(const std::string& a) {
    return a == "-h" || a == "--help";
}

// "-5" and "-0.5" are values, not options.
bool looksNegativeNumber(const std::string& a) {
    return a.size() > 1 && a[0] == '-' && ((a[1] >= '0' && a[1] <= '9') || a[1] == '.');
}

} // namespace

CommandLine::CommandLine(std::string usage) : usage_(std::move(usage)) {}

CommandLine& CommandLine::flag(const std::string& name, const std::string& help) {
    Option o;
    o.name = name;
    o.kind = Kind::Flag;
    o.help = help;
    options_.push_back(o);
    return *this;
}

CommandLine& CommandLine::text(const std::string& name, const std::string& valueName,
                               const std::string& help) {
    Option o;
    o.name = name;
    o.valueName = valueName;
    o.kind = Kind::Text;
    o.help = help;
    options_.push_back(o);
    return *this;
}

CommandLine& CommandLine::texts(const std::string& name, const std::string& valueName,
                                const std::string& help) {
    text(name, valueName, help);
    options_.back().repeatable = true;
    return *this;
}

CommandLine& CommandLine::integer(const std::string& name, const std::string& valueName,
                                  long long low, long long high, const std::string& help) {
    text(name, valueName, help);
    options_.back().kind = Kind::Integer;
    options_.back().low = low;
    options_.back().high = high;
    return *this;
}

CommandLine& CommandLine::number(const std::string& name, const std::string& valueName,
                                 double above, double atMost, const std::string& help) {
    text(name, valueName, help);
    options_.back().kind = Kind::Number;
    options_.back().above = above;
    options_.back().atMost = atMost;
    return *this;
}

CommandLine& CommandLine::choice(const std::string& name, const std::string& valueName,
                                 const std::vector<std::string>& choices, const std::string& help) {
    text(name, valueName, help);
    options_.back().kind = Kind::Choice;
    options_.back().choices = choices;
    return *this;
}

CommandLine& CommandLine::thenValues(const std::vector<std::string>& names) {
    if (!options_.empty() && options_.back().kind != Kind::Flag)
        options_.back().extraValues = names;
    return *this;
}

CommandLine& CommandLine::operand(const std::string& name) {
    required_.push_back(name);
    return *this;
}

CommandLine& CommandLine::optionalOperand(const std::string& name) {
    optional_.push_back(name);
    return *this;
}

CommandLine& CommandLine::moreOperands(const std::string& name) {
    more_ = name;
    return *this;
}

const CommandLine::Option* CommandLine::find(const std::string& name) const {
    for (const Option& o : options_)
        if (o.name == name)
            return &o;
    return nullptr;
}

bool CommandLine::parseInteger(const std::string& text, long long low, long long high,
                               long long& value) {
    if (text.empty() || text.size() > 20)
        return false;
    size_t k = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (k == text.size())
        return false;
    for (size_t i = k; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || v < low || v > high)
        return false;
    value = v;
    return true;
}

bool CommandLine::parseNumber(const std::string& text, double& value) {
    if (text.empty() || text.size() > 40)
        return false;
    // Decimal only: no hexadecimal, infinities, NaN or leading blanks.
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno != 0 || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool CommandLine::checkValue(const Option& o, const std::string& value,
                             std::string& problem) const {
    switch (o.kind) {
    case Kind::Flag:
    case Kind::Text:
        if (value.empty()) {
            problem = o.name + " needs a value (" + o.valueName + ")";
            return false;
        }
        return true;
    case Kind::Integer: {
        long long v = 0;
        if (parseInteger(value, o.low, o.high, v))
            return true;
        problem = o.name + " needs a whole number from " + std::to_string(o.low) + " to " +
                  std::to_string(o.high) + ", not " + quoted(value);
        return false;
    }
    case Kind::Number: {
        double v = 0;
        if (parseNumber(value, v) && v > o.above && v <= o.atMost)
            return true;
        problem = o.name + " needs a number above " + shortNumber(o.above) + " and at most " +
                  shortNumber(o.atMost) + ", not " + quoted(value);
        return false;
    }
    case Kind::Choice:
        for (const std::string& c : o.choices)
            if (c == value)
                return true;
        problem = o.name + " takes one of ";
        for (size_t k = 0; k < o.choices.size(); ++k)
            problem += (k ? ", " : "") + o.choices[k];
        problem += "; not " + quoted(value);
        return false;
    }
    return false;
}

bool CommandLine::parse(const std::vector<std::string>& args, ParsedCommandLine& out,
                        std::string& problem) const {
    out = ParsedCommandLine();
    for (const std::string& a : args) {
        if (a == "--")
            break;
        if (isHelp(a)) {
            out.help_ = true;
            return true;
        }
    }
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool option = !optionsEnded && a.size() > 1 && a[0] == '-' && !looksNegativeNumber(a);
        if (!option) {
            if (!optionsEnded && a == "--") {
                optionsEnded = true;
                continue;
            }
            out.operands_.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const Option* o = a.compare(0, 2, "--") == 0 ? find(name) : nullptr;
        if (!o) {
            problem = "unknown option " + quoted(name);
            return false;
        }
        std::vector<std::string> values;
        if (o->kind == Kind::Flag) {
            if (eq != std::string::npos) {
                problem = o->name + " takes no value";
                return false;
            }
        } else {
            if (eq != std::string::npos) {
                values.push_back(a.substr(eq + 1));
            } else if (i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0) {
                values.push_back(args[++i]);
            } else {
                problem = o->name + " needs a value (" + o->valueName + ")";
                return false;
            }
            if (!checkValue(*o, values[0], problem))
                return false;
            for (const std::string& extraName : o->extraValues) {
                if (i + 1 >= args.size() || args[i + 1].compare(0, 2, "--") == 0) {
                    problem = o->name + " needs " + extraName + " after " + o->valueName;
                    return false;
                }
                values.push_back(args[++i]);
            }
        }
        // A single option given again takes its last value, as a script that
        // appends an override expects.
        auto& occurrences = out.values_[o->name];
        if (!o->repeatable)
            occurrences.clear();
        occurrences.push_back(std::move(values));
    }
    const size_t n = out.operands_.size();
    if (n < required_.size()) {
        problem = "missing " + required_[n];
        return false;
    }
    if (more_.empty() && n > required_.size() + optional_.size()) {
        problem =
            "unexpected argument " + quoted(out.operands_[required_.size() + optional_.size()]);
        return false;
    }
    return true;
}

std::string CommandLine::optionsHelp() const {
    std::string text;
    for (const Option& o : options_) {
        std::string left = "  " + o.name;
        if (!o.valueName.empty())
            left += " " + o.valueName;
        for (const std::string& e : o.extraValues)
            left += " " + e;
        // The help wraps at 79 columns, indented under itself.
        constexpr size_t kIndent = 26;
        constexpr size_t kWidth = 79;
        if (left.size() < kIndent)
            left.resize(kIndent, ' ');
        else
            left += "\n" + std::string(kIndent, ' ');
        std::string line = left;
        size_t start = 0;
        while (start < o.help.size()) {
            size_t end = o.help.find(' ', start);
            if (end == std::string::npos)
                end = o.help.size();
            const std::string word = o.help.substr(start, end - start);
            const bool fresh = line.size() == kIndent || line.back() == ' ';
            if (!fresh && line.size() + 1 + word.size() > kWidth) {
                text += line + "\n";
                line = std::string(kIndent, ' ');
            }
            line += (line.size() == kIndent || line.back() == ' ' ? "" : " ") + word;
            start = end + 1;
        }
        text += line + "\n";
    }
    return text;
}

std::string ParsedCommandLine::text(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    if (it == values_.end() || it->second.empty() || it->second.back().empty())
        return fallback;
    return it->second.back().front();
}

long long ParsedCommandLine::integer(const std::string& name, long long fallback) const {
    long long v = fallback;
    const std::string t = text(name);
    if (t.empty() || !CommandLine::parseInteger(t, std::numeric_limits<long long>::min(),
                                                std::numeric_limits<long long>::max(), v))
        return fallback;
    return v;
}

double ParsedCommandLine::number(const std::string& name, double fallback) const {
    double v = fallback;
    const std::string t = text(name);
    if (t.empty() || !CommandLine::parseNumber(t, v))
        return fallback;
    return v;
}

std::vector<std::string> ParsedCommandLine::texts(const std::string& name) const {
    std::vector<std::string> all;
    auto it = values_.find(name);
    if (it != values_.end())
        for (const auto& occurrence : it->second)
            if (!occurrence.empty())
                all.push_back(occurrence.front());
    return all;
}

std::vector<std::string> ParsedCommandLine::extra(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end() || it->second.empty() || it->second.back().size() < 2)
        return {};
    return {it->second.back().begin() + 1, it->second.back().end()};
}

} // namespace zolmar
