#include "setup/SetupWizard.h"
#include "EditorFixture.h"
#include "files/SettingsFile.h"
#include "model/PinTable.h"
#include "setup/DedicatedFunctions.h"
#include "setup/NamedSettings.h"
#include "setup/WizardLists.h"
#include "setup/WizardScript.h"

#include <gtest/gtest.h>
#include <random>

using namespace zolmar;
using C = WizardControl;
namespace L = WizardLists;

namespace {

// The shipped default configuration, with the change log captured.
struct SetupWizardTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    ChangeLog log;
    CapturedChangeLog* logged = nullptr;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) << error;
        auto sink = std::make_unique<CapturedChangeLog>();
        logged = sink.get();
        log.startSink(std::move(sink));
        ecu->ChangeLogger = &log;
    }
    int element(const std::string& name) const { return ecu->FindElementByName(name, true); }
    uint16_t word(const std::string& name) const {
        uint16_t v = 0;
        EXPECT_TRUE(NamedSettings::readWord(*ecu, name, v)) << name;
        return v;
    }
    int16_t signedWord(const std::string& name) const { return static_cast<int16_t>(word(name)); }
    uint8_t byte(const std::string& name) const {
        uint8_t v = 0;
        EXPECT_TRUE(NamedSettings::readByte(*ecu, name, v)) << name;
        return v;
    }
    uint8_t at(int constAddr) const { return ecu->ReadConstByte(constAddr); }
    bool missingListed(const WizardResult& r, const std::string& text) const {
        return r.warning().find(text) != std::string::npos;
    }
};

// The controls whose values differ, by name; empty when the answers agree.
std::string differences(const WizardAnswers& a, const WizardAnswers& b, bool thresholds = true) {
    std::string names;
    for (int c = 0; c < static_cast<int>(C::Count); ++c)
        if (a.field(static_cast<C>(c)) != b.field(static_cast<C>(c)))
            names += std::string(controlInfo(static_cast<C>(c)).name) + " " +
                     std::to_string(a.field(static_cast<C>(c))) + "/" +
                     std::to_string(b.field(static_cast<C>(c))) + " ";
    for (int t = 0; thresholds && t < WizardAnswers::kThresholds; ++t)
        if (a.threshold[size_t(t)] != b.threshold[size_t(t)])
            names += WizardScript::thresholdControlName(t) + " ";
    return names;
}

// Image offsets where two settings-file images differ.
std::string changedOffsets(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::string offsets;
    for (size_t k = 0; k < a.size() && offsets.size() < 200; ++k)
        if (a[k] != b[k])
            offsets += std::to_string(k) + " ";
    return offsets;
}

TEST_F(SetupWizardTest, TheDefaultConfigurationOpensOnTheWizardsOwnStartingValues) {
    SetupWizard wizard(*ecu);
    wizard.open();
    // The starting values, with the default diagram's load axes and aux functions.
    WizardAnswers expected;
    expected.veMode = 0;
    expected.secondMap = 1;
    expected.auxFunc = {3, 1, 7, 2, 21, 0, 0, 0};
    EXPECT_EQ(differences(wizard.answers(), expected, false), "");
    const WizardView v = wizard.view();
    EXPECT_FALSE(v.engineEnabled);
    EXPECT_TRUE(v.pwmEnabled);
    EXPECT_FALSE(v.stepsEnabled);
    EXPECT_FALSE(v.oddFireLabelVisible);
    EXPECT_EQ(v.capacityHint, "(97.6 in\xB3)");
    EXPECT_EQ(v.boostHint, "(11.6 psi)");
    EXPECT_EQ(v.injectorHint, "(38.1 lb / hr)");
    EXPECT_EQ(v.pwmHint, "(100.0 Hz)");
    EXPECT_EQ(v.ignitionWiring[0], "Igniter for Cylinder 1");
    EXPECT_EQ(v.injectorWiring[4], " ");
    // Aux 5 switches the radiator fan on a coolant temperature.
    EXPECT_TRUE(v.thresholds[4].visible);
    EXPECT_EQ(v.thresholds[4].unit, "\xB0"
                                    "C");
    EXPECT_EQ(v.thresholds[4].decimals, 2);
    EXPECT_FALSE(v.thresholds[0].visible);
}

TEST_F(SetupWizardTest, FinishOnUnchangedAnswersRewritesTheDefaultConfigurationAsItWas) {
    // As it was, but for the unused injector and ignition pins, which Finish names " ".
    tECU reference(messages);
    std::string error;
    ASSERT_TRUE(SettingsFile::load(reference, ZOLMAR_DEFAULT_CONFIG, error));
    for (int k = 1; k <= 12; ++k) {
        for (int record :
             {CylinderAssignment::injectorRecord(k), CylinderAssignment::ignitionRecord(k)})
            if (record >= 0 && PinTable::PinName(reference, record).empty())
                PinTable::SetPinName(reference, record, " ");
    }
    const std::vector<uint8_t> before = SettingsFile::fromImage(reference);
    SetupWizard wizard(*ecu);
    wizard.open();
    WizardResult r = wizard.finish();
    EXPECT_TRUE(r.applied);
    EXPECT_TRUE(r.missing.empty()) << r.warning();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(changedOffsets(SettingsFile::fromImage(*ecu), before), "");
    EXPECT_TRUE(ecu->Modified);
    EXPECT_EQ(ecu->SyncAt(Layout::kConstBase + ecu->ElementConstOffset[element("Dwell Time (ms)")]),
              Sync::ToWrite);
}

TEST_F(SetupWizardTest, FourCylinderWastedSparkWritesPinsOffsetsAndSettings) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::IgnArrangement, CylinderAssignment::kWastedSpark));
    ASSERT_TRUE(wizard.set(C::EngineCap, 1840));
    ASSERT_TRUE(wizard.set(C::MaxRPM, 7200));
    ASSERT_TRUE(wizard.set(C::MaxBoost, 0));
    ASSERT_TRUE(wizard.set(C::DwellTime, 2500));
    ASSERT_TRUE(wizard.set(C::TrigOffset, -60));
    ecu->WriteConstByte(DedicatedAddress::kIgnitionOr, 0x80);
    WizardResult r = wizard.finish();
    EXPECT_TRUE(r.missing.empty()) << r.warning();

    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::ignitionRecord(1)), "Ign1&4");
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::ignitionRecord(2)), "Ign3&2");
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::ignitionRecord(3)), " ");
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::injectorRecord(4)), "InjCyl4");
    EXPECT_EQ(signedWord("Ign1 Period Angle Offset"), 0);
    EXPECT_EQ(signedWord("Ign2 Period Angle Offset"), -9000);
    EXPECT_EQ(signedWord("Inj3 PeriodAngle Offset"), 9000);
    EXPECT_EQ(signedWord("Inj4 PeriodAngle Offset"), 18000);
    EXPECT_EQ(at(DedicatedAddress::kIgnition) & 7, 1);
    EXPECT_EQ(at(DedicatedAddress::kIgnition + 1) & 7, 1);
    EXPECT_EQ(at(DedicatedAddress::kIgnition + 2) & 7, 0);
    EXPECT_EQ(at(DedicatedAddress::kIgnitionOr), 0x80); // bit 7 survives
    EXPECT_EQ(byte("Cyl 2 Sequence Index"), 3);
    EXPECT_EQ(word("Engine Capacity (Litres)"), 92);
    EXPECT_EQ(word("Hard Rev-Limit (/100)"), 3700);
    EXPECT_EQ(word("Soft Rev-Limit (/100)"), 3600);
    EXPECT_EQ(word("Inst. Overboost Cut, kPa"), 6000);
    EXPECT_EQ(word("1 Sec Overboost Cut, kPa"), 5500);
    EXPECT_EQ(word("Dwell Time (ms)"), 125);
    EXPECT_EQ(signedWord("Trigger Offset (Crank\xB0)"), -3000);
    EXPECT_EQ(ecu->ReadConstWord(42), 16384);

    // Reopened, the wizard shows the same answers.
    const WizardAnswers written = wizard.answers();
    SetupWizard again(*ecu);
    again.open();
    EXPECT_EQ(differences(again.answers(), written), "");
}

TEST_F(SetupWizardTest, RotaryPresetThenFinishWritesTheRotorAssignmentAndTriggers) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::Manufacturer, 7));
    ASSERT_TRUE(wizard.set(C::EngineType, 5)); // "RX7 S4 13B"
    wizard.setDefaults();
    const WizardAnswers& a = wizard.answers();
    EXPECT_EQ(a.rotary, 1);
    EXPECT_EQ(a.rotors, 2);
    EXPECT_EQ(a.arrangement, CylinderAssignment::kAddressing);
    EXPECT_EQ(a.injSize2, 550);
    EXPECT_EQ(a.auxFunc[0], 3); // the 2-wire valve's rule overrides the preset's aux 1
    EXPECT_EQ(a.auxFunc[7], 5);
    EXPECT_EQ(a.injFunc[0], L::kSecondaryEntry);
    EXPECT_EQ(a.injFunc[7], 8);
    EXPECT_FALSE(wizard.view().cylindersEnabled);

    logged->bytes.clear();
    WizardResult r = wizard.finish();
    EXPECT_TRUE(r.missing.empty()) << r.warning();
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::ignitionRecord(1)), "Leading");
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::ignitionRecord(4)), "Address");
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::ignitionRecord(5)), "Trailng");
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::injectorRecord(6)), "SecInjR");
    EXPECT_EQ(at(DedicatedAddress::kIgnitionOr) & 0x7F, 0x11);
    EXPECT_EQ(signedWord("Ign2 Period Angle Offset"), 9000);
    EXPECT_EQ(signedWord("Inj Wrapper Minimum"), -9000);
    EXPECT_EQ(byte("Engine is Wankel/Rotary"), 1);
    EXPECT_EQ(byte("Number of Rotors"), 1);
    EXPECT_EQ(byte("Sec Inj1 instead of Inj5"), 1);
    EXPECT_EQ(at(DedicatedAddress::kInjectors + 9) & 0x80, 0);         // output 5 injects
    EXPECT_EQ(at(DedicatedAddress::kInjectors + 9 + 14) & 0x80, 0x80); // output 12 is aux
    EXPECT_EQ(byte("Aux on Inj 12 Function"), 7);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(at(DedicatedAddress::kIgnition + k) & 7, 1);
    // The RX-7 trigger: 36-2 wheel steps, cam reset, every trigger a reluctor.
    EXPECT_EQ(ecu->ReadConstWord(24), 1500);
    EXPECT_EQ(at(26), 0);
    EXPECT_EQ(at(27), 3);
    EXPECT_EQ(at(23), 0);
    EXPECT_EQ(at(17) & 0x1F, 0);
    EXPECT_EQ(at(18), 7);
    EXPECT_EQ(at(19), 5);
    EXPECT_EQ(logged->bytes,
              "Angle Increment was changed to 30.00\n\r"
              "Reset Mode 1 was changed to None\n\r"
              "Reset Mode 2 was changed to Crank\n\r"
              "Reset Mode 3 was changed to None\n\r"
              "Special Trigger Mode was changed to Generic Multitooth (evenly spaced)\n\r"
              "Selected Reluctor mode for Trigger 1\n\r"
              "Selected Digital mode for Triggers 2 and 3\n\r"
              "Selected Reluctor mode for Triggers 4 and 5\n\r"
              "CAS 1 and CAS 2 set to normal (NOT swapped)\n\r"
              "Selected Reluctor mode for Trigger 1\n\r"
              "Selected Reluctor mode for Triggers 2 and 3\n\r"
              "Selected Reluctor mode for Triggers 4 and 5\n\r");

    // Reopened, the same answers; the stepper's count is written only for a stepper.
    WizardAnswers written = wizard.answers();
    written.idleSteps = 120;
    SetupWizard again(*ecu);
    again.open();
    EXPECT_EQ(differences(again.answers(), written, false), "");
}

TEST_F(SetupWizardTest, PresetsOnlyForKnownEnginesAndCustomChangesOnlyDerivedControls) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::Manufacturer, 7));
    ASSERT_TRUE(wizard.set(C::EngineType, 0)); // "MX5/Miata NA6 89-93"
    wizard.setDefaults();
    EXPECT_EQ(wizard.answers().injSize, 230);
    EXPECT_EQ(wizard.answers().maxBoost, 0);
    EXPECT_EQ(wizard.answers().arrangement, CylinderAssignment::kWastedSpark);
    EXPECT_EQ(wizard.answers().injFunc[4], 22);

    // An engine without known values keeps everything but the derived controls.
    ASSERT_TRUE(wizard.set(C::EngineType, 1)); // "MX5/Miata NA8 94-95"
    ASSERT_TRUE(wizard.set(C::IdleController, L::kIdleStepper));
    ASSERT_TRUE(wizard.set(C::DBWtickbox, 1));
    WizardAnswers before = wizard.answers();
    wizard.setDefaults();
    before.auxFunc[0] = 10; // idle rule, then drive-by-wire keeps aux 1 and 6
    before.auxFunc[5] = 11;
    EXPECT_EQ(differences(wizard.answers(), before, false), "");

    ASSERT_FALSE(wizard.set(C::IdleController, L::kIdleNone)); // disabled under drive-by-wire
    ASSERT_TRUE(wizard.set(C::Manufacturer, L::kCustom));
    EXPECT_EQ(wizard.answers().engine, -1);
    EXPECT_FALSE(wizard.view().engineEnabled);
    EXPECT_FALSE(wizard.set(C::EngineType, 0));
    before = wizard.answers();
    wizard.setDefaults();
    EXPECT_EQ(differences(wizard.answers(), before, false), "");
    EXPECT_EQ(L::enginePreset(7, 1), nullptr);
    EXPECT_NE(L::triggerPreset(7, 1), nullptr); // trigger presets are all shipped
}

TEST_F(SetupWizardTest, ControlRules) {
    SetupWizard wizard(*ecu);
    wizard.open();
    // Stepper motor: four aux outputs, the step count, no period.
    ASSERT_TRUE(wizard.set(C::IdleController, L::kIdleStepper));
    EXPECT_EQ(wizard.answers().auxFunc, (std::array<int, 8>{12, 13, 7, 14, 21, 15, 0, 0}));
    EXPECT_TRUE(wizard.view().stepsEnabled);
    EXPECT_FALSE(wizard.view().pwmHintVisible);
    EXPECT_FALSE(wizard.set(C::PWMperiodms, 20));
    ASSERT_TRUE(wizard.set(C::IdleController, L::kIdleThreeWire));
    EXPECT_EQ(wizard.answers().auxFunc[5], 4);
    // Drive-by-wire takes aux 1 and 6; cleared, the functions stay.
    ASSERT_TRUE(wizard.set(C::DBWtickbox, 1));
    EXPECT_EQ(wizard.answers().auxFunc[0], 10);
    EXPECT_FALSE(wizard.view().idleControllerEnabled);
    ASSERT_TRUE(wizard.set(C::DBWtickbox, 0));
    EXPECT_EQ(wizard.answers().auxFunc[5], 11);

    // Six cylinders need injector outputs 5 and 6; the odd-fire label follows the angle.
    ASSERT_TRUE(wizard.set(C::Inj5Func, 3));
    ASSERT_TRUE(wizard.set(C::NumCylinders, 6));
    EXPECT_EQ(wizard.answers().injFunc[0], L::kInjectorEntry);
    EXPECT_EQ(wizard.answers().oddFireAngle, 120);
    EXPECT_EQ(wizard.entries(C::FiringOrder).front(), "1-5-3-6-2-4");
    EXPECT_FALSE(wizard.view().oddFireLabelVisible);
    ASSERT_TRUE(wizard.set(C::OddfireAngle, 90));
    EXPECT_TRUE(wizard.view().oddFireLabelVisible);
    ASSERT_TRUE(wizard.set(C::NumCylinders, 7));
    EXPECT_EQ(wizard.answers().firingOrder, -1);
    EXPECT_TRUE(wizard.entries(C::IgnArrangement).empty());
    EXPECT_EQ(wizard.view().injectorWiring[0], " ");
    ASSERT_TRUE(wizard.set(C::NumCylinders, 10));
    EXPECT_EQ(wizard.answers().arrangement, CylinderAssignment::kWastedSpark);

    // Rotary: two rotors' secondary injectors on outputs 5 and 6.
    ASSERT_TRUE(wizard.set(C::PistonOrRotary, 1));
    EXPECT_EQ(wizard.answers().injFunc[1], L::kSecondaryEntry);
    EXPECT_FALSE(wizard.view().oddFireEnabled);
    EXPECT_FALSE(wizard.set(C::NumCylinders, 4));

    // The Toyota engines that cannot use an addressing igniter say so; Nissan's RB
    // engines hide the wiring.
    ASSERT_TRUE(wizard.set(C::Manufacturer, L::kToyota));
    ASSERT_TRUE(wizard.set(C::EngineType, 8)); // "7MGE"
    EXPECT_EQ(wizard.view().importantInfo, "NOTE: Can't use standard 'Addressing' Igniter!");
    ASSERT_TRUE(wizard.set(C::PistonOrRotary, 0));
    ASSERT_TRUE(wizard.set(C::Manufacturer, L::kNissan));
    EXPECT_EQ(wizard.view().importantInfo, "");
    EXPECT_FALSE(wizard.view().wiringVisible);

    EXPECT_FALSE(wizard.set(C::MaxRPM, 3000));
    EXPECT_FALSE(wizard.set(C::O2Sensor, 6));
    EXPECT_FALSE(wizard.set(C::Count, 0));
}

TEST_F(SetupWizardTest, TheOddFireAngleIsReadBackFromTheIgnitionOffsets) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::NumCylinders, 6));
    ASSERT_TRUE(wizard.set(C::OddfireAngle, 90));
    wizard.finish();
    EXPECT_EQ(signedWord("Ign4 Period Angle Offset"), -7500);
    SetupWizard again(*ecu);
    again.open();
    EXPECT_EQ(again.answers().oddFireAngle, 90);
    EXPECT_TRUE(again.view().oddFireLabelVisible);

    // Offsets all zero give nothing to go by: the even-fire angle, no odd-fire label.
    for (int k = 1; k <= 8; ++k)
        ecu->WriteConstWord(
            ecu->ElementConstOffset[element("Ign" + std::to_string(k) + " Period Angle Offset")],
            0);
    again.open();
    EXPECT_EQ(again.answers().oddFireAngle, 120);
    EXPECT_FALSE(again.view().oddFireLabelVisible);
}

TEST_F(SetupWizardTest, ThresholdsStoreAndShowTheirUnits) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::Aux8Func, 20)); // RPM
    EXPECT_EQ(wizard.view().thresholds[7].unit, "RPM");
    EXPECT_EQ(wizard.view().thresholds[7].maximum, 65500);
    ASSERT_TRUE(wizard.setThreshold(7, 6000));
    EXPECT_FALSE(wizard.setThreshold(7, -1));
    ASSERT_TRUE(wizard.setThreshold(4, 95.5)); // aux 5, coolant
    EXPECT_FALSE(wizard.setThreshold(4, 700));
    ASSERT_TRUE(wizard.set(C::Inj12Func, 22)); // injector 12: coolant (list index - 1)
    ASSERT_TRUE(wizard.setThreshold(15, -40.25));
    // Changing another output's function keeps what was typed for these.
    ASSERT_TRUE(wizard.set(auxFunc(7), 23));
    EXPECT_EQ(wizard.answers().threshold[7], 6000);
    EXPECT_EQ(wizard.answers().threshold[4], 95.5);
    WizardResult r = wizard.finish();
    EXPECT_TRUE(r.missing.empty()) << r.warning();
    EXPECT_EQ(word("Aux 8 Threshold Value"), 3000);
    EXPECT_EQ(word("Aux 5 Threshold Value"), 4775);
    EXPECT_EQ(signedWord("AuxInj12 Threshold Value"), -2013);
    SetupWizard again(*ecu);
    again.open();
    EXPECT_EQ(again.answers().threshold[7], 6000);
    EXPECT_EQ(again.answers().threshold[4], 95.5);
    EXPECT_EQ(again.answers().threshold[15], -40.26);
}

TEST_F(SetupWizardTest, TwoWireValveOverridesAuxOneAtOpeningAndDriveByWireSurvivesReopening) {
    SetupWizard first(*ecu);
    first.open();
    ASSERT_TRUE(first.set(C::Aux1Func, 2));
    first.finish();
    EXPECT_EQ(byte("Aux 1 Function"), 2);
    SetupWizard reopened(*ecu);
    reopened.open();
    EXPECT_EQ(reopened.answers().auxFunc[0], 3);
    reopened.finish();
    EXPECT_EQ(byte("Aux 1 Function"), 3);

    ASSERT_TRUE(reopened.set(C::DBWtickbox, 1));
    ecu->WriteConstByte(DedicatedAddress::kAuxOutputs, 0x81);
    reopened.finish();
    EXPECT_EQ(at(DedicatedAddress::kAuxOutputs), 0xA1); // drive high, the rest kept
    EXPECT_EQ(at(DedicatedAddress::kAuxOutputs + 5) & 0x20, 0x20);
    EXPECT_EQ(PinTable::PinName(*ecu, 32), "TPS 1");
    EXPECT_EQ(PinTable::PinName(*ecu, 53), "Pedal 1");
    EXPECT_EQ(byte("Use Drive-By-Wire"), 1);
    SetupWizard dbw(*ecu);
    dbw.open();
    EXPECT_EQ(dbw.answers().driveByWire, 1);
    EXPECT_EQ(dbw.answers().auxFunc[0], 10);
    EXPECT_EQ(dbw.answers().auxFunc[5], 11);
}

TEST_F(SetupWizardTest, ThreeWireValveSetsTheInvertBitsAndThePeriods) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::IdleController, L::kIdleThreeWire));
    ASSERT_TRUE(wizard.set(C::PWMperiodms, 7));
    ASSERT_TRUE(wizard.set(injFunc(9), 5)); // aux function 4 on injector 9
    ecu->WriteConstByte(DedicatedAddress::kAuxOutputs, 0x81);
    WizardResult r = wizard.finish();
    EXPECT_TRUE(r.missing.empty()) << r.warning();
    EXPECT_EQ(byte("Idle Controller Type"), 1);
    EXPECT_EQ(at(DedicatedAddress::kAuxOutputs), 0x01);
    EXPECT_EQ(at(DedicatedAddress::kAuxOutputs + 5) & 0x80, 0x80);
    EXPECT_EQ(word("Aux Out 1 Period (ms)"), 350);
    EXPECT_EQ(word("Aux Out 6 Period (ms)"), 350);
    EXPECT_EQ(word("Inj 9 Aux Period (ms)"), 350);
    int spare = -1;
    for (int i = 0; i < ecu->NumElements && spare < 0; ++i)
        if (ecu->TypeOf(i) == ElementType::AuxOnInj)
            spare = ecu->ElementConstOffset[i];
    ASSERT_GE(spare, 0);
    EXPECT_EQ(at(spare + 4) & 0x80, 0x80);
    EXPECT_EQ(at(DedicatedAddress::kInjectors + 9 + 8) & 0x80, 0x80);
    EXPECT_EQ(byte("Aux on Inj 9 Function"), 4);

    ASSERT_TRUE(wizard.set(C::IdleController, L::kIdleStepper));
    ASSERT_TRUE(wizard.set(C::IdleStepCount, 200));
    wizard.finish();
    EXPECT_EQ(byte("Idle Controller Type"), 2);
    EXPECT_EQ(word("Steps of Motor"), 10000);
}

TEST_F(SetupWizardTest, OpeningReadsTheEngineSensorsAndIdleOfAFile) {
    ecu->WriteConstByte(18, L::kToyota);
    ecu->WriteConstByte(19, 2); // "1UZFE"
    ecu->WriteConstByte(8, 7);
    ecu->WriteConstByte(ecu->ElementConstOffset[element("Oxygen Sensor Type")], 2);
    ecu->WriteConstByte(ecu->ElementConstOffset[element("Analogue Wideband Select")], 3);
    ecu->WriteConstByte(ecu->ElementConstOffset[element("Coolant Temperature Raw")], 0);
    const int base = ecu->ElementConstOffset[element("Base Target RPM / 100")];
    ecu->WriteConstWord(base + 5, 1001); // 1000 RPM cold, bit 0 ignored
    ecu->WriteConstWord(base + 7, 375);  // 748 RPM warm
    SetupWizard wizard(*ecu);
    wizard.open();
    const WizardAnswers& a = wizard.answers();
    EXPECT_EQ(a.manufacturer, L::kToyota);
    EXPECT_EQ(a.engine, 2);
    EXPECT_TRUE(wizard.view().engineEnabled);
    EXPECT_EQ(a.wideband2, 7);
    EXPECT_EQ(a.o2Sensor, 5);
    EXPECT_EQ(a.coolantTemp, 1);
    EXPECT_EQ(a.hotIdle, 748);
    EXPECT_EQ(a.extraCold, 2000 - 748);

    // Finish writes the serial wideband's sensor type and the idle cells untuned.
    WizardResult r = wizard.finish();
    EXPECT_TRUE(r.missing.empty()) << r.warning();
    EXPECT_EQ(byte("Oxygen Sensor Type"), 3);
    EXPECT_EQ(ecu->ReadConstWord(base + 5), 1000);
    EXPECT_EQ(ecu->ReadConstWord(base + 7), 374);
    // Every other Toyota engine: 36-1 crank and a cam sensor on reluctor inputs.
    EXPECT_EQ(ecu->ReadConstWord(24), 1500);
    EXPECT_EQ(at(28), 2);
}

TEST_F(SetupWizardTest, AnIdleTableWithMoreRowsAndMissingOrWrongElementsAreListed) {
    SetupWizard wizard(*ecu);
    wizard.open();
    // The idle table given a third entry.
    const int table = element("Base Target RPM / 100");
    ecu->WriteConstByte(ecu->ElementConstOffset[table], 3);
    // A summer that took the capacity constant's name; the constant renamed away.
    const int capacity = element("Engine Capacity (Litres)");
    ASSERT_TRUE(ecu->RenameSlot(Layout::kNumPages + capacity, "Old capacity"));
    int summer = -1;
    for (int i = 6; i < ecu->NumElements && summer < 0; ++i)
        if (ecu->TypeOf(i) == ElementType::Summer)
            summer = i;
    ASSERT_GE(summer, 0);
    ASSERT_TRUE(ecu->RenameSlot(Layout::kNumPages + summer, "Engine Capacity (Litres)"));
    const int next = ecu->ElementConstOffset[summer + 1];
    const uint8_t summerByte = at(ecu->ElementConstOffset[summer]);
    const uint8_t nextByte = at(next);
    ASSERT_TRUE(ecu->RenameSlot(Layout::kNumPages + element("Dwell Time (ms)"), "x"));

    WizardResult r = wizard.finish();
    EXPECT_TRUE(r.applied);
    EXPECT_EQ(r.warning(), "The following elements were NOT updated with values from this wizard:"
                           "\n\r\"Engine Capacity (Litres)\" (element of the wrong type)"
                           "\n\r\"Base Target RPM / 100\" (table has had more rows added to it)"
                           "\n\r\"Dwell Time (ms)\" (element not found)");
    EXPECT_EQ(at(ecu->ElementConstOffset[summer]), summerByte);
    EXPECT_EQ(at(next), nextByte);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(WizardScript::missingLines(r).back(), "\"Dwell Time (ms)\" (element not found)");
}

TEST_F(SetupWizardTest, ABlankConfigurationGetsDedicatedFieldsPinsAndTriggerAndListsEveryName) {
    NewConfiguration::MakeBlank(*ecu);
    SetupWizard wizard(*ecu);
    wizard.open();
    WizardAnswers expected;
    expected.auxFunc[0] = 3; // the 2-wire valve's output
    EXPECT_EQ(differences(wizard.answers(), expected, false), "");
    ASSERT_TRUE(wizard.set(C::Manufacturer, 3));
    ASSERT_TRUE(wizard.set(C::WidebandSensor, 1));
    logged->bytes.clear();
    WizardResult r = wizard.finish();
    EXPECT_EQ(at(18), 3);
    EXPECT_EQ(at(19), 0);
    EXPECT_EQ(at(0), 1);
    EXPECT_EQ(ecu->ReadConstWord(24), 500); // Ford "Inline-6 ?"
    EXPECT_EQ(at(26), 2);
    EXPECT_NE(logged->bytes.find("Reset Mode 1 was changed to Missing Tooth Equals Crank Reset"),
              std::string::npos);
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::injectorRecord(1)), "InjCyl1");
    // Every named setting Finish writes for these answers, each listed once.
    EXPECT_EQ(r.missing.size(), 62u);
    for (const char* name :
         {"\"Engine Capacity (Litres)\" (element not found)", "\"Number of Cylinders\"",
          "\"Oxygen Sensor Type\"", "\"Base Target RPM / 100\" (element not found)",
          "\"Aux Out 1 Period (ms)\"", "\"Aux 8 Function\"", "\"Trigger Offset (Crank\xB0)\"",
          "\"Inj Wrapper Minimum\"", "\"Cyl 8 Sequence Index\"", "\"VVT Wrapper Maximum\"",
          "\"Ign4 Period Angle Offset\"", "\"Inj4 PeriodAngle Offset\""})
        EXPECT_TRUE(missingListed(r, name)) << name;
    EXPECT_FALSE(missingListed(r, "Number of Rotors"));
}

TEST_F(SetupWizardTest, EightCylindersOnOneDistributorAndSevenWithoutAFiringOrder) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::NumCylinders, 8));
    ASSERT_TRUE(wizard.set(C::IgnArrangement, CylinderAssignment::kSingleDistributor));
    wizard.finish();
    EXPECT_EQ(at(DedicatedAddress::kIgnitionOr) & 0x7F, 0x7F);
    SetupWizard again(*ecu);
    again.open();
    EXPECT_EQ(again.answers().cylinders, 8);
    EXPECT_EQ(again.answers().arrangement, CylinderAssignment::kSingleDistributor);

    // Seven cylinders: wrappers, no offsets, no sequence, the order index left alone.
    const int16_t offset = signedWord("Ign2 Period Angle Offset");
    const uint8_t sequence = byte("Cyl 3 Sequence Index");
    ecu->WriteConstByte(DedicatedAddress::kGeneral + 16, 5);
    ASSERT_TRUE(again.set(C::NumCylinders, 7));
    EXPECT_EQ(again.answers().firingOrder, -1);
    WizardResult r = again.finish();
    EXPECT_TRUE(r.missing.empty()) << r.warning();
    EXPECT_EQ(signedWord("Ign2 Period Angle Offset"), offset);
    EXPECT_EQ(byte("Cyl 3 Sequence Index"), sequence);
    EXPECT_EQ(at(DedicatedAddress::kGeneral + 16), 5);
    EXPECT_EQ(signedWord("VVT Wrapper Minimum"), -2571);
    EXPECT_EQ(at(DedicatedAddress::kIgnitionOr) & 0x7F, 0);
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::ignitionRecord(1)), " ");
    EXPECT_EQ(word("Number of Cylinders"), 350);
    EXPECT_EQ(ecu->ReadConstWord(42), 9362); // 65536 / 7, rounded
}

TEST_F(SetupWizardTest, OneCylinderAndWithoutTheDedicatedElements) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::NumCylinders, 1));
    wizard.finish();
    EXPECT_EQ(ecu->ReadConstWord(42), 0); // 65536 has no 16-bit form
    EXPECT_EQ(PinTable::PinName(*ecu, CylinderAssignment::ignitionRecord(1)), "Igniter");

    // A configuration whose first elements are not the dedicated ones: no field at a
    // fixed address is touched, the named settings still are.
    tECU other(messages);
    for (int a = 0; a < Layout::kLogicSize; ++a)
        other.SetImageByte(Layout::kLogicBase + a, 0xFF, false);
    other.RebuildIndex(false, false);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(other.CreateElement(ElementType::Constant, 1, 1 + 3 * i, "c", 1));
        other.WriteConstWord(2 * i, 0x1111);
    }
    other.RenameSlot(Layout::kNumPages + 2, "Dwell Time (ms)");
    SetupWizard odd(other);
    odd.open();
    WizardResult r = odd.finish();
    EXPECT_EQ(r.missing.front(), "\n\r\"Dedicated elements 0 to 5\" (not in this configuration)");
    EXPECT_EQ(other.ReadConstWord(0), 0x1111); // where the inputs block would lie
    EXPECT_EQ(other.ReadConstWord(2), 0x1111);
    EXPECT_EQ(other.ReadConstWord(4), 500); // 4369 x 20 us, clamped to 10000 us
    EXPECT_EQ(PinTable::PinName(other, CylinderAssignment::injectorRecord(1)), "InjCyl1");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SetupWizardTest, OutOfRangeBytesLeaveTheirControlsAndAreNeverWrittenBack) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::Manufacturer, 5));
    ASSERT_TRUE(wizard.set(C::EngineType, 3));
    ecu->WriteConstByte(18, 200);
    ecu->WriteConstByte(0, 99);
    ecu->WriteConstByte(ecu->ElementConstOffset[element("MAP Sensor Raw")], 4);
    ecu->WriteConstByte(ecu->ElementConstOffset[element("Idle Controller Type")], 9);
    ecu->WriteConstByte(ecu->ElementConstOffset[element("Engine is Wankel/Rotary")], 2);
    ecu->WriteConstWord(ecu->ElementConstOffset[element("Number of Cylinders")], 0);
    ecu->WriteConstWord(ecu->ElementConstOffset[element("Aux Out 1 Period (ms)")], 0);
    ecu->WriteConstByte(DedicatedAddress::kGeneral + 16, 77);
    wizard.open();
    const WizardAnswers& a = wizard.answers();
    EXPECT_EQ(a.manufacturer, 5);
    EXPECT_EQ(a.engine, 3);
    EXPECT_EQ(a.wideband1, 0);
    EXPECT_EQ(a.mapSensor, 1);
    EXPECT_EQ(a.idleController, L::kIdleTwoWire);
    EXPECT_EQ(a.rotary, 0);
    EXPECT_EQ(a.cylinders, 1);
    EXPECT_EQ(a.pwmPeriod, 1);
    EXPECT_EQ(a.firingOrder, 0);
    wizard.view(); // no division by a count of 0
    wizard.finish();
    EXPECT_EQ(at(18), 5);
    EXPECT_EQ(at(0), 0);
    EXPECT_EQ(byte("MAP Sensor Raw"), 1);
    EXPECT_EQ(at(DedicatedAddress::kGeneral + 16), 0);
}

TEST_F(SetupWizardTest, ReadModifyWriteKeepsTheOtherBitsOfDedicatedBytes) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::VSSSelect, 1));
    ecu->WriteConstByte(17, 0xDF);
    for (int k = 1; k <= 12; ++k)
        ecu->WriteConstByte(DedicatedAddress::kInjectors + 2 * k - 1, 0xFF);
    ecu->WriteConstByte(DedicatedAddress::kIgnition + 2, 0xFF);
    wizard.finish();
    EXPECT_EQ(at(17), 0x3F); // VSS 1 digital, the other VSS reluctor, triggers kept
    EXPECT_EQ(at(DedicatedAddress::kInjectors + 1), 0x8F);         // pattern cleared
    EXPECT_EQ(at(DedicatedAddress::kInjectors + 2 * 5 - 1), 0x0F); // and output 5 injects
    EXPECT_EQ(at(DedicatedAddress::kIgnition + 2), 0xF8);
}

TEST_F(SetupWizardTest, AnotherConfigurationLoadedWhileOpenNeverReceivesTheOldAnswers) {
    SetupWizard wizard(*ecu);
    wizard.open();
    ASSERT_TRUE(wizard.set(C::EngineCap, 2600));
    ASSERT_TRUE(wizard.set(auxFunc(2), 8));

    // Another configuration replaces this one: a blank one with its constant renamed.
    tECU reference(messages);
    NewConfiguration::MakeBlank(reference);
    reference.CreateElement(ElementType::Constant, 1, 1, "Engine Capacity (Litres)", 1);
    reference.WriteConstWord(reference.ElementConstOffset[6], 75);
    const std::vector<uint8_t> replacement = SettingsFile::fromImage(reference);
    SettingsFile::toImage(*ecu, replacement);
    ecu->RebuildIndex(true, true);

    // Without being told, Finish refuses: the diagram is not the one it read.
    WizardResult refused = wizard.finish();
    EXPECT_FALSE(refused.applied);
    EXPECT_EQ(SettingsFile::fromImage(*ecu), replacement);
    EXPECT_EQ(wizard.answers().engineCap, 1500);
    EXPECT_EQ(wizard.answers().auxFunc[1], 0);

    // Told, it shows the new configuration, with the starting values where the new one
    // holds nothing: a value typed for the old one is gone.
    ASSERT_TRUE(wizard.set(C::MaxRPM, 8000));
    SettingsFile::toImage(*ecu, replacement);
    ecu->RebuildIndex(true, true);
    wizard.configurationReplaced();
    EXPECT_EQ(wizard.answers().engineCap, 1500);
    EXPECT_EQ(wizard.answers().maxRpm, 7000);
    WizardResult r = wizard.finish();
    EXPECT_TRUE(r.applied);
    EXPECT_EQ(word("Engine Capacity (Litres)"), 75);
}

// Random bytes in the named settings, the dedicated blocks and the element records:
// opening, Set Defaults and Finish stay inside the image (the sanitizer build checks).
TEST_F(SetupWizardTest, DamagedConfigurationsOpenAndFinish) {
    const std::vector<uint8_t> original = SettingsFile::fromImage(*ecu);
    std::mt19937 random(12);
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> bytes = original;
        const size_t constants = 0x16000 + Layout::kConstBase;
        for (int k = 0; k < 400; ++k)
            bytes[constants + random() % 6000] = static_cast<uint8_t>(random());
        if (round % 4 == 0)
            for (int k = 0; k < 20; ++k)
                bytes[random() % 0xB000] = static_cast<uint8_t>(random()); // records
        SilentMessages quiet;
        tECU damaged(quiet);
        SettingsFile::toImage(damaged, bytes);
        damaged.RebuildIndex(true, true);
        SetupWizard wizard(damaged);
        wizard.open();
        for (int c = 0; c < static_cast<int>(C::Count); ++c)
            wizard.set(static_cast<C>(c), static_cast<int>(random() % 40) - 2);
        wizard.setDefaults();
        wizard.view();
        WizardResult r = wizard.finish();
        EXPECT_TRUE(r.applied);
    }
}

} // namespace
