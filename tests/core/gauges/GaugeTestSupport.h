#pragma once

#include "files/NewConfiguration.h"
#include "gauges/GaugeList.h"
#include "model/ECU.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace zolmar::test {

// A blank configuration with helpers to place gauges and set their live values.
struct GaugeFixture : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    void SetUp() override { NewConfiguration::MakeBlank(*ecu); }

    int add(int type, const std::string& name, int page, int row = 1) {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, row, name, page, &index)) << name;
        return index;
    }
    int gauge(const std::string& name, int row = 1, int page = 0) {
        return add(ElementType::Gauge, name, page, row);
    }
    void setLive(int element, int16_t raw) {
        ecu->SetImageWord(Layout::kLiveBase + ecu->ElementLiveOffset[element],
                          static_cast<uint16_t>(raw), false);
    }
    void setOptions(int element, uint8_t options) {
        ecu->WriteConstByte(ecu->ElementConstOffset[element] + 8, options);
    }
    void setScale(int element, int16_t lo, int16_t hi) {
        ecu->WriteConstWord(ecu->ElementConstOffset[element], static_cast<uint16_t>(lo));
        ecu->WriteConstWord(ecu->ElementConstOffset[element] + 2, static_cast<uint16_t>(hi));
    }
    // A constant linked into the gauge, so the gauge's input counts as linked.
    void linkToConstant(int element) {
        const int source = add(ElementType::Constant, "Src", 1);
        ASSERT_TRUE(ecu->LinkInput(element, 0, source, 0));
    }
    void simulate() { ecu->Simulating = true; }
};

} // namespace zolmar::test
