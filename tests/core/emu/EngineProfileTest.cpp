#include "emu/EngineProfile.h"
#include "emu/VirtualEcu.h"
#include "files/NewConfiguration.h"
#include "model/PinTable.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::emu;
using sim::SimulatedInputs;

namespace {

TEST(EngineProfileTest, PinNamesSayWhatAChannelMeasures) {
    using S = EngineProfile::Sensor;
    EXPECT_EQ(EngineProfile::SensorOf("TPS"), S::Throttle);
    EXPECT_EQ(EngineProfile::SensorOf("Pedal 1"), S::Throttle);
    EXPECT_EQ(EngineProfile::SensorOf("map"), S::Pressure);
    EXPECT_EQ(EngineProfile::SensorOf("Coolant"), S::Coolant);
    EXPECT_EQ(EngineProfile::SensorOf("CLT"), S::Coolant);
    EXPECT_EQ(EngineProfile::SensorOf("Air T"), S::AirTemperature);
    EXPECT_EQ(EngineProfile::SensorOf("O2 Sens"), S::Oxygen);
    EXPECT_EQ(EngineProfile::SensorOf("Fuel P"), S::None);
    EXPECT_EQ(EngineProfile::SensorOf(""), S::None);
}

TEST(EngineProfileTest, TheEngineIdlesThenCruisesAndComesBack) {
    EXPECT_EQ(EngineProfile::Throttle(5000), 0.0);
    EXPECT_NEAR(EngineProfile::Rpm(5000), 850, 15);
    EXPECT_GT(EngineProfile::Throttle(18000), 0.35);
    EXPECT_GT(EngineProfile::Rpm(18000), 3000);
    EXPECT_EQ(EngineProfile::Throttle(28000), 0.0);
    EXPECT_EQ(EngineProfile::Throttle(5000 + EngineProfile::kCycleMs), 0.0);
    // No jumps: a throttle that moves smoothly through the whole cycle.
    for (uint64_t ms = 0; ms < EngineProfile::kCycleMs; ms += 50) {
        EXPECT_LE(std::abs(EngineProfile::Throttle(ms + 50) - EngineProfile::Throttle(ms)), 0.02)
            << ms;
        for (auto s : {EngineProfile::Sensor::Throttle, EngineProfile::Sensor::Pressure,
                       EngineProfile::Sensor::Coolant, EngineProfile::Sensor::AirTemperature,
                       EngineProfile::Sensor::Oxygen}) {
            EXPECT_GE(EngineProfile::Signal(s, ms), 0);
            EXPECT_LE(EngineProfile::Signal(s, ms), 50000);
        }
    }
    EXPECT_LT(EngineProfile::Signal(EngineProfile::Sensor::Pressure, 5000),
              EngineProfile::Signal(EngineProfile::Sensor::Pressure, 18000));
}

TEST(EngineProfileTest, NamedChannelsFollowTheEngineAndOthersAreLeftAlone) {
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    NewConfiguration::MakeBlank(*config);
    PinTable::SetPinName(*config, PinTable::AnalogueInputRecord(1), "TPS");
    PinTable::SetPinName(*config, PinTable::AnalogueInputRecord(5), "MAP");
    VirtualEcu ecu;
    ecu.LoadConfiguration(*config);
    SimulatedInputs& inputs = ecu.Diagram().inputs;
    const EcuMemoryView& memory = ecu.DiagramMemory();
    int ana1 = SimulatedInputs::Find("Ana 1", memory);
    int ana2 = SimulatedInputs::Find("Ana 2", memory);
    int ana5 = SimulatedInputs::Find("Ana 5", memory);
    int rpm = SimulatedInputs::Find("RPM / 100", memory);
    ASSERT_GE(ana1, 0);
    inputs.SetPosition(ana2, 12345);
    EngineProfile::Apply(ecu.Diagram(), memory, 18000);
    EXPECT_EQ(inputs.Position(rpm), (EngineProfile::Rpm(18000) + 1) / 2); // RPM / 100 x 50
    EXPECT_EQ(inputs.Position(ana1), EngineProfile::Signal(EngineProfile::Sensor::Throttle, 18000));
    EXPECT_EQ(inputs.Position(ana5), EngineProfile::Signal(EngineProfile::Sensor::Pressure, 18000));
    EXPECT_EQ(inputs.Position(ana2), 12345);
    EXPECT_GT(inputs.Position(SimulatedInputs::Find("VSS 1", memory)), 50);
    EXPECT_EQ(inputs.Position(SimulatedInputs::Find("VSS 2", memory)), 0);
    // The diagram then sees them: the RPM word is written by the next pass.
    ecu.Advance(1);
    EXPECT_EQ(ecu.ReadWord(Layout::kLiveBase + 2 * SimulatedInputs::LiveWord(rpm)),
              static_cast<uint16_t>(inputs.LiveValue(rpm)));
}

} // namespace
