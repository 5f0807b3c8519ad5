#include "app/TablesMenu.h"
#include "RawConfig.h"
#include "model/Tables.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using zolmar::test::RawConfig;

namespace {

struct TablesMenuTest : ::testing::Test {
    SilentMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    RawConfig raw{*ecu};

    void tune(int element, int tunedCells) {
        Tables::Shape shape;
        ASSERT_TRUE(Tables::ShapeOf(*ecu, element, shape));
        for (int n = 0; n < tunedCells; ++n)
            Tables::WriteCell(*ecu, shape, n % shape.columns, n / shape.columns, 101);
    }
    static std::vector<std::string> captions(const std::vector<TablesMenu::Item>& items) {
        std::vector<std::string> out;
        for (const auto& item : items)
            out.push_back(item.caption);
        return out;
    }
};

TEST_F(TablesMenuTest, CaptionsGiveThePageSizeAndTunedShare) {
    int fuel = raw.add(ElementType::Table3D, 2, 1, 1, "Fuel Map", 4, 3);
    int idle = raw.add(ElementType::Table2D, 11, 1, 1, "Idle", 3);
    int boost = raw.add(ElementType::Table2D, 127, 1, 1, "boost", 8);
    raw.finish();
    tune(fuel, 5); // 5 of 12: 41 %
    tune(idle, 2); // 2 of 3: 66 %
    EXPECT_EQ(TablesMenu::Caption(*ecu, fuel), "Page   3 - Fuel Map (4x3, 41% Tuned)");
    EXPECT_EQ(TablesMenu::Caption(*ecu, idle), "Page  12 - Idle (3 entries, 66% Tuned)");
    EXPECT_EQ(TablesMenu::Caption(*ecu, boost), "Page 128 - boost (8 entries, 0% Tuned)");
}

TEST_F(TablesMenuTest, ItemsAreSortedByCaptionWithoutCaseAndHiddenTablesLeftOut) {
    int a = raw.add(ElementType::Table2D, 4, 1, 1, "beta", 2);
    int b = raw.add(ElementType::Table2D, 4, 1, 1, "Alpha", 2);
    int c = raw.add(ElementType::Table2D, 0, 1, 1, "zeta", 2);
    int hidden = raw.add(ElementType::Table2D, 4 | 0x80, 1, 1, "Hidden", 2);
    int map = raw.add(ElementType::Table3D, 4, 1, 1, "Map", 2, 2);
    raw.finish();
    (void)hidden;
    TablesMenu::Lists lists = TablesMenu::Build(*ecu);
    EXPECT_EQ(captions(lists.tables2D),
              (std::vector<std::string>{"Page   1 - zeta (2 entries, 0% Tuned)",
                                        "Page   5 - Alpha (2 entries, 0% Tuned)",
                                        "Page   5 - beta (2 entries, 0% Tuned)"}));
    EXPECT_EQ(lists.tables2D[0].element, c);
    EXPECT_EQ(lists.tables2D[1].element, b);
    EXPECT_EQ(lists.tables2D[2].element, a);
    ASSERT_EQ(lists.tables3D.size(), 1u);
    EXPECT_EQ(lists.tables3D[0].element, map);
}

TEST_F(TablesMenuTest, EqualCaptionsKeepElementOrderAndOnlySeventyCharactersCount) {
    EXPECT_FALSE(TablesMenu::ComesAfter("Page   1 - A", "page   1 - a"));
    EXPECT_TRUE(TablesMenu::ComesAfter("Page   1 - b", "Page   1 - A"));
    EXPECT_TRUE(TablesMenu::ComesAfter("Page   1 - ab", "Page   1 - a"));
    std::string base(70, 'x');
    EXPECT_FALSE(TablesMenu::ComesAfter(base + "b", base + "a"));
}

TEST_F(TablesMenuTest, ATableWithoutCellsIsNoDivisionByZero) {
    int t = raw.add(ElementType::Table2D, 1, 1, 1, "Empty", 0);
    raw.finish();
    EXPECT_EQ(TablesMenu::Caption(*ecu, t), "Page   2 - Empty (0 entries, 0% Tuned)");
}

} // namespace
