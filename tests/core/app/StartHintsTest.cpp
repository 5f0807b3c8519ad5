#include "app/StartHints.h"

#include <gtest/gtest.h>

using namespace zolmar;

namespace {

TEST(StartHintsTest, TenthStartShowsHintNineAndTheEleventhHintZero) {
    MemoryPreferences prefs;
    RecordingMessages messages;
    messages.answers.assign(11, Messages::Answer::Yes);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(StartHints::show(prefs, messages), k);
    EXPECT_EQ(prefs.values["HintNumber"], "0");
    EXPECT_EQ(messages.shown.back().text,
              std::string(StartHints::hint(9)) + "Show Hints at startup?");
    EXPECT_EQ(StartHints::show(prefs, messages), 0);
    EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Information);
    EXPECT_EQ(messages.shown.back().buttons, Messages::Buttons::YesNo);
}

TEST(StartHintsTest, AnsweringNoStopsTheHintsButTheNumberStillAdvances) {
    MemoryPreferences prefs;
    RecordingMessages messages;
    messages.answers = {Messages::Answer::No};
    StartHints::show(prefs, messages);
    EXPECT_EQ(prefs.values["ShowStartHints"], "DontShowHints");
    EXPECT_EQ(StartHints::show(prefs, messages), 1);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(prefs.values["HintNumber"], "2");
    // The menu command turns them on again and shows the next one.
    messages.answers = {Messages::Answer::Yes};
    EXPECT_EQ(StartHints::showFromMenu(prefs, messages), 2);
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(prefs.values["ShowStartHints"], "DoShowHints");
}

TEST(StartHintsTest, OddStoredNumbersStartFromTheFirstHint) {
    MemoryPreferences prefs;
    RecordingMessages messages;
    for (const char* stored : {"", "abc", "-3", "99999999999"}) {
        prefs.values["HintNumber"] = stored;
        EXPECT_EQ(StartHints::show(prefs, messages), 0) << stored;
        EXPECT_EQ(prefs.values["HintNumber"], "1");
    }
    prefs.values["HintNumber"] = "42";
    EXPECT_EQ(StartHints::show(prefs, messages), 0);
    EXPECT_EQ(prefs.values["HintNumber"], "0");
}

} // namespace
