#include "dialogs/NumericEntry.h"

#include <gtest/gtest.h>

using namespace zolmar;

namespace {

struct NumericEntryTest : ::testing::Test {
    RecordingMessages messages;
    NumericEntry entry{messages};
    int changes = 0, notNumbers = 0, outOfBounds = 0;

    NumericEntryTest() {
        entry.OnNumberChange = [this](NumericEntry&) { ++changes; };
        entry.OnNotNumber = [this](NumericEntry&) { ++notNumbers; };
        entry.OnOutOfBounds = [this](NumericEntry&) { ++outOfBounds; };
    }
    // The configuration of the simple view's constants.
    void constantStyle() {
        entry.SciFloatMin = -655;
        entry.SciFloatMax = 655;
        entry.SciNFixedAllDigits = 5;
        entry.SciNFixedPrecitionDigits = 2;
        entry.SciFloatPointType = iasdptDecimalSeparatorOnly;
        entry.SetSciFloatValue(0.5);
        entry.SetSciFloatValue(0);
        changes = 0;
    }
    void type(const std::string& text) {
        entry.SetText(text);
        entry.Validate();
    }
};

TEST_F(NumericEntryTest, CommaCountsAsPointOnlyWhenBothAreAllowed) {
    type("1,5");
    EXPECT_DOUBLE_EQ(entry.SciFloatValue(), 1.5);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(messages.shown.empty());

    entry.SciFloatPointType = iasdptDecimalSeparatorOnly;
    type("2,5");
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"The Value is Not a Number"});
    EXPECT_EQ(notNumbers, 1);
    EXPECT_DOUBLE_EQ(entry.SciFloatValue(), 0); // the default, set through the setter
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(entry.Text(), "     0.00000");
}

TEST_F(NumericEntryTest, OutOfBoundsWithSetDefaultShowsTheDefaultButRaisesNoChange) {
    constantStyle();
    type("3");
    EXPECT_EQ(changes, 1);
    type("700");
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Out of Bounds"});
    EXPECT_EQ(outOfBounds, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(entry.Text(), " 0.00");
    EXPECT_FALSE(entry.ShowingError());
}

TEST_F(NumericEntryTest, NearestBoundAndUserMustCorrect) {
    constantStyle();
    entry.SciReactOutBounds = iasrovoommSetNearestBound;
    type("-700");
    EXPECT_EQ(entry.Text(), "-655.00");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(outOfBounds, 1);

    entry.SciReactOutBounds = iasrovoommUserMustcorrect;
    entry.SciOutBoundsString.clear();
    type("656");
    EXPECT_TRUE(entry.ShowingError());
    EXPECT_EQ(entry.Text(), "656"); // left for the user to correct
    EXPECT_EQ(messages.shown.size(), 1u);
    type("12.5");
    EXPECT_FALSE(entry.ShowingError());
    EXPECT_EQ(changes, 1);

    entry.SciReactNotNumber = iasrovnnUserMustCorrect;
    type("abc");
    EXPECT_TRUE(entry.ShowingError());
    EXPECT_DOUBLE_EQ(entry.SciFloatValue(), 12.5);
    EXPECT_EQ(notNumbers, 2); // the read of the value validated the same text again
}

TEST_F(NumericEntryTest, NotNumberRaisesChangeOnlyWhenTheDefaultDiffers) {
    constantStyle();
    type("x");
    EXPECT_EQ(changes, 0); // already at the default
    type("5");
    type("x");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(entry.Text(), " 0.00");
}

TEST_F(NumericEntryTest, SettersIgnoreTheSameValueAndValuesOutOfRange) {
    entry.SetSciFloatValue(0);
    entry.SetSciFloatValue(2e9);
    EXPECT_EQ(changes, 0);
    entry.SetSciFloatValue(7);
    EXPECT_EQ(changes, 1);
    entry.SetSciFloatDefault(3e9);
    EXPECT_DOUBLE_EQ(entry.SciFloatDefault(), 0);
}

TEST_F(NumericEntryTest, UpAndDownStepByOneWithinTheRange) {
    constantStyle();
    type("654.5");
    entry.KeyUp();
    EXPECT_DOUBLE_EQ(entry.SciFloatValue(), 654.5);
    EXPECT_EQ(entry.Text(), "654.50");
    entry.SetText("10");
    entry.KeyDown();
    EXPECT_DOUBLE_EQ(entry.SciFloatValue(), 9);
    EXPECT_EQ(entry.Text(), " 9.00");
    entry.SetText("-654.5");
    entry.KeyDown();
    EXPECT_DOUBLE_EQ(entry.SciFloatValue(), -654.5);
}

TEST_F(NumericEntryTest, FormatsFixedScientificAndIntegers) {
    entry.SetSciFloatValue(123456.0);
    EXPECT_EQ(entry.Text(), " 1.23456E+05");
    entry.SetSciFloatValue(-2.5);
    EXPECT_EQ(entry.Text(), "    -2.50000");

    entry.SetSciType(iastInteger);
    entry.SciNIntegerPrecitionDigits = 3;
    entry.SetSciIntegerValue(7);
    EXPECT_EQ(entry.Text(), "  007");
    type("1.5"); // an integer control reads integers only
    EXPECT_EQ(notNumbers, 1);
    type("129");
    EXPECT_EQ(outOfBounds, 1);
    type("-127");
    EXPECT_EQ(entry.SciIntegerValue(), -127);
    entry.KeyUp(); // stays an integer text
    EXPECT_EQ(entry.SciIntegerValue(), -126);
    EXPECT_EQ(notNumbers, 1);
}

TEST_F(NumericEntryTest, ReadersRefuseAnythingButAWholeNumber) {
    double d = 0;
    int32_t i = 0;
    for (const char* bad : {"", " ", "-", "1.2.3", "1e", "e3", "1x", "inf", "nan", "1e999", "0x10"})
        EXPECT_FALSE(ReadReal(bad, d)) << bad;
    EXPECT_TRUE(ReadReal(" -1.5e2 ", d));
    EXPECT_DOUBLE_EQ(d, -150);
    EXPECT_TRUE(ReadReal(".5", d));
    for (const char* bad : {"", "+", "1.0", "2147483648", "99999999999999999999", "1 2"})
        EXPECT_FALSE(ReadInteger(bad, i)) << bad;
    EXPECT_TRUE(ReadInteger("-2147483648", i));
    EXPECT_EQ(i, INT32_MIN);
}

} // namespace
