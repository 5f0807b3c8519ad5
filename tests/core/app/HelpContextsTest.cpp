#include "app/HelpContexts.h"

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
    EXPECT_STREQ(HelpContexts::Anchor(-1), HelpContexts::Anchor(0));
    EXPECT_STREQ(HelpContexts::Anchor(10), HelpContexts::Anchor(0));
}

TEST(HelpContexts, EveryContextHasItsOwnAnchorInTheManual) {
    std::ifstream in(ZOLMAR_MANUAL);
    ASSERT_TRUE(in) << ZOLMAR_MANUAL;
    std::stringstream text;
    text << in.rdbuf();
    std::set<std::string> anchors;
    for (int c = 0; c < HelpContexts::kCount; ++c) {
        const std::string anchor = HelpContexts::Anchor(c);
        anchors.insert(anchor);
        EXPECT_NE(text.str().find("id=\"" + anchor + "\""), std::string::npos) << anchor;
    }
    EXPECT_EQ(anchors.size(), static_cast<size_t>(HelpContexts::kCount));
}

} // namespace
