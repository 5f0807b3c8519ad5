#pragma once

#include "files/ChangeLog.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"
#include "model/Tables.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace zolmar::test {

// A blank configuration with tables made through the model, and a captured change log.
struct TableFixture : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    ChangeLog log;
    CapturedChangeLog* lines = nullptr;

    TableFixture() {
        NewConfiguration::MakeBlank(*ecu);
        auto captured = std::make_unique<CapturedChangeLog>();
        lines = captured.get();
        log.startSink(std::move(captured));
        ecu->ChangeLogger = &log;
    }
    int create(int type, const std::string& name, int page = 1) {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, 1, name, page, &index));
        return index;
    }
    // A 2D table with references 0, step, 2 step, ... (raw) and the given cells.
    int table2D(const std::string& name, const std::vector<int>& cells, int step = 500) {
        int t = create(ElementType::Table2D, name);
        const int n = static_cast<int>(cells.size());
        EXPECT_TRUE(Tables::LayOut(*ecu, t, {0, step * (n - 1), step}, nullptr));
        Tables::Shape s = shape(t);
        for (int i = 0; i < n; ++i)
            Tables::WriteCell(*ecu, s, i, 0, static_cast<uint16_t>(cells[static_cast<size_t>(i)]));
        return t;
    }
    // A 3D table of x by y with references 0, step, ... on both axes and zero cells.
    int table3D(const std::string& name, int x, int y, int step = 500) {
        int t = create(ElementType::Table3D, name);
        Tables::AxisLayout h{0, step * (x - 1), step};
        Tables::AxisLayout v{0, step * (y - 1), step};
        EXPECT_TRUE(Tables::LayOut(*ecu, t, h, &v));
        return t;
    }
    Tables::Shape shape(int element) {
        Tables::Shape s;
        EXPECT_TRUE(Tables::ShapeOf(*ecu, element, s));
        return s;
    }
    int cell(int element, int column, int row = 0) {
        return static_cast<int16_t>(Tables::Cell(*ecu, shape(element), column, row));
    }
    void setCell(int element, int column, int row, int raw) {
        Tables::WriteCell(*ecu, shape(element), column, row, static_cast<uint16_t>(raw));
    }
    int reference(int element, Tables::Axis axis, int index) {
        return Tables::Reference(*ecu, shape(element), axis, index);
    }
};

} // namespace zolmar::test
