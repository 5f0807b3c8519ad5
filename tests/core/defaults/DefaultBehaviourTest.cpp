// The default configuration run in the simulator: a warm engine at 3000 RPM and
// full manifold pressure, a stopped engine, cranking, the rev limiter, idle and
// the readings the setup checklist shows.
#include "files/SettingsFile.h"
#include "model/Cp1252.h"
#include "model/EcuMemoryView.h"
#include "simulator/Simulator.h"

#include <gtest/gtest.h>
#include <iostream>
#include <memory>

using namespace zolmar;
using zolmar::sim::SimulatedInputs;
using zolmar::sim::Simulator;

namespace {

struct DefaultBehaviourTest : ::testing::Test {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    Simulator simulator;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) << error;
        simulator.Start(*ecu);
        // Warm coolant (85 C) and air (25 C) on the default Toyota curves, a closed
        // throttle, 0.5 V from the wideband (15 AFR), 14 V.
        set("Ana 9", 0.583);
        set("Ana 10", 2.387);
        set("Ana 1", 0.60);
        set("Ana 6", 0.50);
        control("Battery Voltage", 700);
        mapKpa(100.0);
    }
    void control(const std::string& caption, int position) {
        ImageMemory memory(*ecu);
        int c = SimulatedInputs::Find(caption, memory.view());
        ASSERT_GE(c, 0) << caption;
        ASSERT_TRUE(simulator.SetControl(*ecu, c, position)) << caption;
    }
    // An analogue input's voltage (the control counts 0.1 mV).
    void set(const std::string& channel, double volts) {
        control(channel, static_cast<int>(volts * 10000.0 + 0.5));
    }
    // The 1 bar sensor reads 10 kPa at 0 V and 105 kPa at 5 V.
    void mapKpa(double kpa) { set("Ana 5", (kpa - 10.0) / 19.0); }
    void rpm(int value) { control("RPM / 100", value / 2); }
    void run(int passes) { simulator.Run(*ecu, passes); }
    double value(const std::string& name, int output = 0) const {
        int i = ecu->FindElementByName(utf8ToCp1252(name), true);
        EXPECT_GE(i, 0) << name;
        if (i < 0)
            return 0;
        auto raw = static_cast<int16_t>(
            ecu->ImageWord(Layout::kLiveBase + ecu->ElementLiveOffset[i] + 2L * output));
        return raw / 50.0;
    }
};

TEST_F(DefaultBehaviourTest, AWarmEngineAt3000RpmAndFullPressure) {
    rpm(3000);
    run(3000);
    EXPECT_NEAR(value("MAP (kPa)"), 100.0, 0.5);
    EXPECT_NEAR(value("Coolant Temp (°C)"), 85.0, 1.0);
    EXPECT_NEAR(value("Air Temp (°C)"), 25.0, 1.0);
    EXPECT_EQ(value("Fuel Cut"), 0.0);
    double pulse = value("Injector Pulse (ms)");
    double open = value("Injector Open Time (ms)");
    double dead = value("Injector Dead Time (ms)");
    // 400 cc/min injectors on 0.4 litres per cylinder, about 88 % VE, 13 AFR.
    EXPECT_GT(pulse, 6.5);
    EXPECT_LT(pulse, 8.5);
    EXPECT_NEAR(pulse, open + dead, 0.03);
    EXPECT_NEAR(dead, 0.88, 0.05);
    EXPECT_NEAR(value("Target Lambda (AFR)"), 13.0, 0.05);
    // Every injector output gets the pulse; the injector duty is about 18 %.
    EXPECT_EQ(value("Inj Pulse Out (ms)"), pulse);
    EXPECT_NEAR(value("Injector Duty (%)"), pulse * 30.0 / 12.0, 0.1);
    double advance = value("Ignition Advance (°BTDC)");
    EXPECT_GE(advance, 20.0);
    EXPECT_LE(advance, 30.0);
    // Output 1 fires at its cylinder's TDC less the advance, output 2 180 degrees before.
    EXPECT_EQ(value("Ign 1 Angle"), -advance);
    EXPECT_EQ(value("Ign 2 Angle"), -180.0 - advance);
    EXPECT_NEAR(value("Coil Dwell (ms)"), 2.88, 0.03);
    // Full pressure is open loop (the target is richer than 14.0).
    EXPECT_EQ(value("Closed-Loop Fuel"), 0.0);
    // Idle valve on aux 1, fuel pump on aux 2, tachometer on aux 3 at 100 Hz.
    EXPECT_EQ(value("Aux 1 Duty (%)"), value("Idle Effort (%)"));
    EXPECT_EQ(value("Aux 2 Duty (%)"), 100.0);
    EXPECT_EQ(value("Aux 3 Duty (%)"), 50.0);
    EXPECT_EQ(value("Aux 3 Period (ms)"), 10.0);
    std::cout << "[ figures  ] 3000 RPM, 100 kPa, 85 C, 25 C: injector pulse " << pulse
              << " ms (open " << open << " + dead " << dead << "), ignition " << advance
              << " deg BTDC\n";
}

TEST_F(DefaultBehaviourTest, AStoppedEngineGetsNoFuelAndNoDwell) {
    rpm(0);
    run(3000);
    EXPECT_EQ(value("Engine Running"), 0.0);
    EXPECT_EQ(value("Injector Pulse (ms)"), 0.0);
    EXPECT_EQ(value("Inj Pulse Out (ms)"), 0.0);
    EXPECT_EQ(value("Sec Pulse Out (ms)"), 0.0);
    EXPECT_EQ(value("Dwell Out (ms)"), 0.0);
    // The pump primes for two seconds after power-up, then stops.
    EXPECT_EQ(value("Fuel Pump On"), 0.0);
    // What the setup checklist shows with the key on.
    EXPECT_GE(value("MAP Sensor Raw"), 99.0);
    EXPECT_LE(value("MAP Sensor Raw"), 102.0);
    EXPECT_GE(value("Coolant Temperature Raw"), 20.0);
    EXPECT_LE(value("Coolant Temperature Raw"), 90.0);
    EXPECT_GE(value("Air Temperature Raw"), 0.0);
    EXPECT_LE(value("Air Temperature Raw"), 50.0);
    EXPECT_EQ(value("All Elec Loads Disabled"), 1.0);
}

TEST_F(DefaultBehaviourTest, CrankingAColdEngineGetsMoreFuel) {
    set("Ana 9", 2.55);
    rpm(300);
    run(500);
    EXPECT_NEAR(value("Coolant Temp (°C)"), 21.5, 1.0);
    EXPECT_EQ(value("Engine Cranking"), 1.0);
    double cranking = value("Injector Pulse (ms)");
    // About 170 % of the 6.56 ms required fuel at 20 C, whatever the manifold pressure.
    EXPECT_NEAR(cranking, 6.56 * value("Cranking Fuel (%)") / 100.0, 0.05);
    EXPECT_GT(cranking, 10.0);
    EXPECT_LT(cranking, 12.0);
    rpm(1500);
    run(500);
    EXPECT_EQ(value("Engine Cranking"), 0.0);
    EXPECT_LT(value("Injector Pulse (ms)"), cranking);
    // Just started, cold: warm-up and after-start enrichment add fuel.
    EXPECT_GT(value("Warm-up Total (%)"), 130.0);
}

TEST_F(DefaultBehaviourTest, TheRevLimiterCutsFuelWithHysteresis) {
    rpm(7300);
    run(200);
    EXPECT_EQ(value("Rev Limit Cut"), 1.0);
    EXPECT_EQ(value("Injector Pulse (ms)"), 0.0);
    rpm(7150); // between the resume speed and the limit: still cut
    run(200);
    EXPECT_EQ(value("Injector Pulse (ms)"), 0.0);
    rpm(7050); // below the resume speed, above the soft limit
    run(200);
    EXPECT_EQ(value("Rev Limit Cut"), 0.0);
    EXPECT_GT(value("Injector Pulse (ms)"), 5.0);
    EXPECT_EQ(value("Soft Limit Active"), 1.0);
    EXPECT_EQ(value("Ignition Advance (°BTDC)"), 0.0);
    rpm(6900);
    run(200);
    EXPECT_GT(value("Ignition Advance (°BTDC)"), 20.0);
}

TEST_F(DefaultBehaviourTest, AWarmIdleIsControlledInClosedLoop) {
    mapKpa(40.0);
    rpm(800);
    run(12000);
    EXPECT_EQ(value("Idle Target RPM /100"), 8.0);
    EXPECT_EQ(value("Closed Loop Idle"), 1.0);
    double pulse = value("Injector Pulse (ms)");
    EXPECT_GT(pulse, 1.5);
    EXPECT_LT(pulse, 3.5);
    // After the start delay the fuel is trimmed towards the 14.7 target: the
    // wideband reads 15, so the trim adds fuel.
    EXPECT_EQ(value("Closed-Loop Fuel"), 1.0);
    EXPECT_GT(value("CL Fuel Trim (%)"), 0.0);
    // Slower than the target: the idle PID opens the valve above its base effort.
    rpm(700);
    run(3000);
    EXPECT_GT(value("Idle Effort (%)"), value("Base Idle Effort"));
    EXPECT_GT(value("Idle Timing Corr (°)"), 0.0);
}

TEST_F(DefaultBehaviourTest, TheRadiatorFanSwitchesWithHysteresis) {
    rpm(900);
    auto coolant = [&](double volts) {
        set("Ana 9", volts);
        run(100);
        return value("Coolant Temp (°C)");
    };
    EXPECT_GT(coolant(0.449), 95.0); // Toyota curve: about 96 C
    EXPECT_EQ(value("Aux 5 Duty (%)"), 100.0);
    EXPECT_LT(coolant(0.471), 95.0); // about 94 C: still on
    EXPECT_EQ(value("Aux 5 Duty (%)"), 100.0);
    EXPECT_LT(coolant(0.505), 92.0); // about 91 C: off
    EXPECT_EQ(value("Aux 5 Duty (%)"), 0.0);
    EXPECT_LT(coolant(0.471), 95.0); // back to 94 C: stays off
    EXPECT_EQ(value("Aux 5 Duty (%)"), 0.0);
}

} // namespace
