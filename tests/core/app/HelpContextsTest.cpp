#include "app/HelpContexts.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>

using namespace zolmar;

namespace {

TEST(HelpContexts, TheFirstVisibleWindowInOrderChoosesTheContext) {
    HelpContexts::Visible v;
    EXPECT_EQ(HelpContexts::Context(v), 0);
    v.properties = true;
    EXPECT_EQ(HelpContexts::Context(v), 9);
    v.logRetrieval = true;
    EXPECT_EQ(HelpContexts::Context(v), 8);
    v.advancedView = true;
    EXPECT_EQ(HelpContexts::Context(v), 7);
    v.tableEditor = true;
    EXPECT_EQ(HelpContexts::Context(v), 5);
    v.flashing = true;
    EXPECT_EQ(HelpContexts::Context(v), 6) << "flashing comes before the table editor";
    v.gauges = true;
    EXPECT_EQ(HelpContexts::Context(v), 3);
    v.scope = true;
    EXPECT_EQ(HelpContexts::Context(v), 2);
    v.wiring = true;
    EXPECT_EQ(HelpContexts::Context(v), 1);
    v.checklist = true;
    EXPECT_EQ(HelpContexts::Context(v), 4);
    v.logViewer = true;
    EXPECT_EQ(HelpContexts::Context(v), 13);
    v.restorePoints = true;
    EXPECT_EQ(HelpContexts::Context(v), 12);
    v.comparison = true;
    EXPECT_EQ(HelpContexts::Context(v), 11);
    v.undoHistory = true;
    EXPECT_EQ(HelpContexts::Context(v), 10);
    EXPECT_EQ(HelpContexts::Anchor(-1), HelpContexts::Anchor(0));
    EXPECT_EQ(HelpContexts::Anchor(14), HelpContexts::Anchor(0));
}

TEST(HelpContexts, EveryContextHasItsOwnAnchorInTheManual) {
    // The manual is assembled from its section files: the anchors are in them.
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(ZOLMAR_MANUAL_SECTIONS)) {
        std::ifstream in(entry.path());
        std::stringstream part;
        part << in.rdbuf();
        text += part.str();
    }
    ASSERT_FALSE(text.empty()) << ZOLMAR_MANUAL_SECTIONS;
    // Context 0 is the manual's start; every other one has a section of its own.
    EXPECT_EQ(HelpContexts::Anchor(0), "");
    std::set<std::string> anchors;
    for (int c = 1; c <= 13; ++c) {
        const std::string anchor = HelpContexts::Anchor(c);
        anchors.insert(anchor);
        EXPECT_NE(text.find("id=\"" + anchor + "\""), std::string::npos) << anchor;
    }
    EXPECT_EQ(anchors.size(), 13u);
}

} // namespace
