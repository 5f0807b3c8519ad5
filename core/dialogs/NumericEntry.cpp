#include "dialogs/NumericEntry.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zolmar {

namespace {

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool ReadInteger(const std::string& text, int32_t& value) {
    std::string t = trimmed(text);
    size_t p = t.empty() || (t[0] != '+' && t[0] != '-') ? 0 : 1;
    if (p >= t.size())
        return false;
    for (size_t k = p; k < t.size(); ++k)
        if (!isDigit(t[k]))
            return false;
    int64_t v = 0;
    for (size_t k = p; k < t.size(); ++k) {
        v = v * 10 + (t[k] - '0');
        if (v > 2147483648LL)
            return false;
    }
    if (t[0] == '-')
        v = -v;
    if (v > 2147483647LL)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool ReadReal(const std::string& text, double& value) {
    std::string t = trimmed(text);
    // Digits with at most one point, then an optional exponent: nothing else.
    size_t p = 0;
    if (p < t.size() && (t[p] == '+' || t[p] == '-'))
        ++p;
    bool digits = false;
    while (p < t.size() && isDigit(t[p])) {
        ++p;
        digits = true;
    }
    if (p < t.size() && t[p] == '.') {
        ++p;
        while (p < t.size() && isDigit(t[p])) {
            ++p;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (p < t.size() && (t[p] == 'e' || t[p] == 'E')) {
        ++p;
        if (p < t.size() && (t[p] == '+' || t[p] == '-'))
            ++p;
        if (p >= t.size() || !isDigit(t[p]))
            return false;
        while (p < t.size() && isDigit(t[p]))
            ++p;
    }
    if (p != t.size())
        return false;
    errno = 0;
    double v = std::strtod(t.c_str(), nullptr);
    if (errno == ERANGE && std::isinf(v))
        return false;
    if (!std::isfinite(v))
        return false;
    value = v;
    return true;
}

NumericEntry::NumericEntry(Messages& messages) : messages_(messages) {
    reformat();
}

void NumericEntry::SetSciType(TIASciType type) {
    type_ = type;
    reformat();
}

double NumericEntry::SciFloatValue() {
    Validate();
    return floatValue_;
}

void NumericEntry::SetSciFloatValue(double value) {
    if (value < SciFloatMin || value > SciFloatMax || value == floatValue_)
        return;
    floatValue_ = value;
    reformat();
    raise(OnNumberChange);
}

void NumericEntry::SetSciFloatDefault(double value) {
    if (value == floatDefault_ || value < SciFloatMin || value > SciFloatMax)
        return;
    floatDefault_ = value;
    reformat();
}

int32_t NumericEntry::SciIntegerValue() {
    Validate();
    return intValue_;
}

void NumericEntry::SetSciIntegerValue(int32_t value) {
    if (value < SciIntMin || value > SciIntMax || value == intValue_)
        return;
    intValue_ = value;
    reformat();
    raise(OnNumberChange);
}

void NumericEntry::SetSciIntDefault(int32_t value) {
    if (value == intDefault_ || value < SciIntMin || value > SciIntMax)
        return;
    intDefault_ = value;
    reformat();
}

std::string NumericEntry::Formatted() const {
    char buffer[512];
    if (type_ == iastInteger) {
        // A precision of 0 would print nothing for the value 0.
        int digits = SciNIntegerPrecitionDigits > 0 ? SciNIntegerPrecitionDigits : 1;
        std::snprintf(buffer, sizeof buffer, "%*.*d", SciNIntegerAllDigits, digits, intValue_);
    } else if (floatValue_ >= SciFloatFixedMin && floatValue_ <= SciFloatFixedMax) {
        std::snprintf(buffer, sizeof buffer, "%*.*f", SciNFixedAllDigits, SciNFixedPrecitionDigits,
                      floatValue_);
    } else {
        std::snprintf(buffer, sizeof buffer, "%*.*E", SciNFloatAllDigits, SciNFloatPrecitionDigits,
                      floatValue_);
    }
    std::string text = buffer;
    if (type_ == iastFloat && DecimalSeparator != '.')
        for (char& c : text)
            if (c == '.')
                c = DecimalSeparator;
    return text;
}

void NumericEntry::ShowValue(double value) {
    if (type_ == iastInteger)
        intValue_ = static_cast<int32_t>(value);
    else
        floatValue_ = value;
    error_ = false;
    reformat();
}

void NumericEntry::reformat() {
    text_ = Formatted();
    raise(OnShow);
}

void NumericEntry::setError(bool error) {
    error_ = error;
    raise(OnShow);
}

void NumericEntry::step(int direction) {
    std::string t = trimmed(text_);
    for (char& c : t)
        if (c == ',' || c == DecimalSeparator)
            c = '.';
    double v = 0;
    if (ReadReal(t, v)) {
        if (direction > 0 && v <= SciFloatMax - 1)
            v += 1;
        else if (direction < 0 && v >= SciFloatMin + 1)
            v -= 1;
        char buffer[512];
        // An integer control keeps an integer text, so the step is not refused as no number.
        if (type_ == iastInteger)
            std::snprintf(buffer, sizeof buffer, "%5.0f", std::trunc(v));
        else
            std::snprintf(buffer, sizeof buffer, "%5.2f", v);
        text_ = buffer;
        if (type_ == iastFloat && DecimalSeparator != '.')
            for (char& c : text_)
                if (c == '.')
                    c = DecimalSeparator;
        raise(OnShow);
    }
    Validate();
}

void NumericEntry::Validate() {
    if (type_ == iastInteger)
        validateInteger();
    else
        validateFloat();
}

void NumericEntry::notNumber() {
    if (!SciNotNumberString.empty())
        messages_.error(SciNotNumberString);
    if (SciReactNotNumber == iasrovnnSetDefault) {
        settingDefault_ = true;
        if (type_ == iastInteger)
            SetSciIntegerValue(intDefault_);
        else
            SetSciFloatValue(floatDefault_);
        settingDefault_ = false;
        error_ = false;
        reformat();
    } else {
        setError(true);
    }
    raise(OnNotNumber);
}

void NumericEntry::outOfBounds(double typed, double low, double high, double fallback) {
    if (!SciOutBoundsString.empty())
        messages_.error(SciOutBoundsString);
    // Both reactions that replace the number store it directly: no OnNumberChange.
    auto store = [this](double v) {
        if (type_ == iastInteger)
            intValue_ = static_cast<int32_t>(v);
        else
            floatValue_ = v;
    };
    if (SciReactOutBounds == iasrovoommSetDefault) {
        store(fallback);
        error_ = false;
        reformat();
    } else if (SciReactOutBounds == iasrovoommSetNearestBound) {
        error_ = false;
        store(typed < low ? low : high);
        reformat();
    } else {
        setError(true);
    }
    raise(OnOutOfBounds);
}

void NumericEntry::validateFloat() {
    size_t first = text_.find_first_not_of(' ');
    std::string t = first == std::string::npos ? std::string() : text_.substr(first);
    if (SciFloatPointType == iasdptPointAndCommaAreEqual) {
        size_t at = t.find_first_of(".,");
        if (at != std::string::npos)
            t[at] = DecimalSeparator;
    }
    bool real =
        t.find(DecimalSeparator) != std::string::npos || t.find_first_of("eE") != std::string::npos;
    double v = 0;
    bool ok;
    if (real) {
        // The reader knows only the point: with another separator a point is no number.
        std::string r = t;
        ok = DecimalSeparator == '.' || r.find('.') == std::string::npos;
        for (char& c : r)
            if (c == DecimalSeparator)
                c = '.';
        ok = ok && ReadReal(r, v);
    } else {
        int32_t i = 0;
        ok = ReadInteger(t, i);
        v = i;
    }
    if (!ok) {
        notNumber();
        return;
    }
    if (v < SciFloatMin || v > SciFloatMax) {
        outOfBounds(v, SciFloatMin, SciFloatMax, floatDefault_);
        return;
    }
    SetSciFloatValue(v);
    if (error_)
        setError(false);
}

void NumericEntry::validateInteger() {
    int32_t v = 0;
    if (!ReadInteger(text_, v)) {
        notNumber();
        return;
    }
    if (v < SciIntMin || v > SciIntMax) {
        outOfBounds(v, SciIntMin, SciIntMax, intDefault_);
        return;
    }
    SetSciIntegerValue(v);
    if (error_)
        setError(false);
}

} // namespace zolmar
