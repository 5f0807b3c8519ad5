#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace zolmar {

class ParsedCommandLine;

// The options and operands one command accepts, and the check of a command line
// against them. Both programs and every zolmar-cli command parse with it, so that
// "--opt value" and "--opt=value", "--" before operands, "-h"/"--help", unknown
// options and values out of range behave the same everywhere.
class CommandLine {
public:
    enum class Kind { Flag, Text, Integer, Number, Choice };
    struct Option {
        std::string name;      // "--port"
        std::string valueName; // "PATH"; empty for a flag
        Kind kind = Kind::Flag;
        bool repeatable = false;
        long long low = 0, high = 0;          // Integer: inclusive range
        double above = 0, atMost = 0;         // Number: above (exclusive) .. atMost
        std::vector<std::string> choices;     // Choice
        std::vector<std::string> extraValues; // names of values taken after the first
        std::string help;
    };

    // usage: the command's usage line without the program name, e.g. "info FILE.ecu".
    explicit CommandLine(std::string usage = {});

    CommandLine& flag(const std::string& name, const std::string& help = {});
    CommandLine& text(const std::string& name, const std::string& valueName,
                      const std::string& help = {});
    CommandLine& texts(const std::string& name, const std::string& valueName,
                       const std::string& help = {});
    CommandLine& integer(const std::string& name, const std::string& valueName, long long low,
                         long long high, const std::string& help = {});
    // A decimal number above `above` and at most `atMost`.
    CommandLine& number(const std::string& name, const std::string& valueName, double above,
                        double atMost, const std::string& help = {});
    CommandLine& choice(const std::string& name, const std::string& valueName,
                        const std::vector<std::string>& choices, const std::string& help = {});
    // The last option declared takes these values after its first: "--every K OUT.csv".
    CommandLine& thenValues(const std::vector<std::string>& names);
    // A required operand, then optional ones, by the names the usage shows.
    CommandLine& operand(const std::string& name);
    CommandLine& optionalOperand(const std::string& name);
    // Any number of further operands.
    CommandLine& moreOperands(const std::string& name);

    const std::string& usage() const { return usage_; }
    const std::vector<Option>& options() const { return options_; }
    const Option* find(const std::string& name) const;

    // Checks the arguments (without program and command name). False with the
    // problem, one line naming the argument and what it takes, on a usage error.
    // A "-h" or "--help" before "--" makes it succeed with helpAsked() set.
    bool parse(const std::vector<std::string>& args, ParsedCommandLine& out,
               std::string& problem) const;

    // The option list for a help text: one line per option with its help.
    std::string optionsHelp() const;

    // Strict decimal parses, used for option values and by commands for their own
    // fields: the whole text must be the number.
    static bool parseInteger(const std::string& text, long long low, long long high,
                             long long& value);
    static bool parseNumber(const std::string& text, double& value);

private:
    bool checkValue(const Option& option, const std::string& value, std::string& problem) const;

    std::string usage_;
    std::vector<Option> options_;
    std::vector<std::string> required_;
    std::vector<std::string> optional_;
    std::string more_;
};

// The result of a successful parse: the options as given, in order, and the operands.
class ParsedCommandLine {
public:
    bool helpAsked() const { return help_; }
    bool has(const std::string& name) const { return values_.count(name) != 0; }
    // The value of a single option, or the fallback when it was not given.
    std::string text(const std::string& name, const std::string& fallback = {}) const;
    long long integer(const std::string& name, long long fallback) const;
    double number(const std::string& name, double fallback) const;
    // Every value of a repeatable option, in order.
    std::vector<std::string> texts(const std::string& name) const;
    // The values an option took after its first ("--every K OUT.csv": {"OUT.csv"}).
    std::vector<std::string> extra(const std::string& name) const;
    const std::vector<std::string>& operands() const { return operands_; }
    std::string operand(size_t k) const { return k < operands_.size() ? operands_[k] : ""; }

private:
    friend class CommandLine;
    bool help_ = false;
    // Per option, one entry per occurrence: its first value, then the extra ones.
    std::map<std::string, std::vector<std::vector<std::string>>> values_;
    std::vector<std::string> operands_;
};

} // namespace zolmar
