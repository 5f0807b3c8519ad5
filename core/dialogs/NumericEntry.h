#pragma once

#include "ports/Messages.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zolmar {

enum TIASciType { iastFloat, iastInteger };
enum TIASciReactNotNumber { iasrovnnSetDefault, iasrovnnUserMustCorrect };
enum TIASciReactOutBounds {
    iasrovoommSetDefault,
    iasrovoommSetNearestBound,
    iasrovoommUserMustcorrect
};
enum TIASciPointType { iasdptDecimalSeparatorOnly, iasdptPointAndCommaAreEqual };

// The numeric entry control without its window: a text that holds a real number or
// an integer, checked on Enter, on leaving and on every read of the value, with
// configurable reactions to text that is no number and to numbers out of range.
// The widget shows Text() and passes the user's typing in with SetText().
class NumericEntry {
public:
    explicit NumericEntry(Messages& messages);

    // --- properties
    TIASciType SciType() const { return type_; }
    void SetSciType(TIASciType type);

    // Reading validates the current text first.
    double SciFloatValue();
    // Ignored outside the range or when equal; otherwise reformats and raises OnNumberChange.
    void SetSciFloatValue(double value);
    double SciFloatDefault() const { return floatDefault_; }
    void SetSciFloatDefault(double value);
    double SciFloatMin = -100000000.0;
    double SciFloatMax = 100000000.0;
    double SciFloatFixedMin = -100000.0;
    double SciFloatFixedMax = 100000.0;
    uint8_t SciNFloatAllDigits = 12;
    uint8_t SciNFloatPrecitionDigits = 5;
    uint8_t SciNFixedAllDigits = 12;
    uint8_t SciNFixedPrecitionDigits = 5;

    int32_t SciIntegerValue();
    void SetSciIntegerValue(int32_t value);
    int32_t SciIntDefault() const { return intDefault_; }
    void SetSciIntDefault(int32_t value);
    int32_t SciIntMin = -127;
    int32_t SciIntMax = 128;
    uint8_t SciNIntegerAllDigits = 5;
    uint8_t SciNIntegerPrecitionDigits = 0;

    std::string SciNotNumberString = "The Value is Not a Number";
    std::string SciOutBoundsString = "Out of Bounds";
    TIASciReactNotNumber SciReactNotNumber = iasrovnnSetDefault;
    TIASciReactOutBounds SciReactOutBounds = iasrovoommSetDefault;
    TIASciPointType SciFloatPointType = iasdptPointAndCommaAreEqual;
    // The system's decimal separator.
    char DecimalSeparator = '.';

    std::function<void(NumericEntry&)> OnNumberChange;
    std::function<void(NumericEntry&)> OnNotNumber;
    std::function<void(NumericEntry&)> OnOutOfBounds;
    // The text was reformatted or the error colours switched: the widget shows it.
    std::function<void(NumericEntry&)> OnShow;

    // --- the text and the colours
    const std::string& Text() const { return text_; }
    // What the user typed; nothing is checked until Validate().
    void SetText(const std::string& text) { text_ = text; }
    // True while the error colours are shown (the user must correct).
    bool ShowingError() const { return error_; }
    // True while a not-a-number reaction sets the default through the setter, so an
    // owner can tell a typed value from that reaction in OnNumberChange.
    bool SettingDefault() const { return settingDefault_; }

    // Enter, leaving the control and reads of the value.
    void Validate();
    // The Up and Down keys: +1 / -1 within the range, then validate.
    void KeyUp() { step(+1); }
    void KeyDown() { step(-1); }
    // The text for the current value, as the control shows it.
    std::string Formatted() const;
    // Stores the value and shows it without any event (for an owner resynchronising).
    void ShowValue(double value);

private:
    void reformat();
    void setError(bool error);
    void step(int direction);
    void validateFloat();
    void validateInteger();
    void notNumber();
    void outOfBounds(double typed, double low, double high, double fallback);
    void raise(const std::function<void(NumericEntry&)>& event) {
        if (event)
            event(*this);
    }

    Messages& messages_;
    TIASciType type_ = iastFloat;
    double floatValue_ = 0;
    double floatDefault_ = 0;
    int32_t intValue_ = 0;
    int32_t intDefault_ = 0;
    std::string text_;
    bool error_ = false;
    bool settingDefault_ = false;
};

// Reads a whole decimal integer (sign allowed, surrounding blanks allowed); false
// for anything else or a value beyond 32 bits.
bool ReadInteger(const std::string& text, int32_t& value);
// Reads a whole real number with '.' as the point and an optional exponent; false
// for anything else, infinities and NaN included.
bool ReadReal(const std::string& text, double& value);

} // namespace zolmar
