#include "files/NewConfiguration.h"
#include "model/ECU.h"
#include "model/PinTable.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

struct NamingTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    NamingTest() { NewConfiguration::MakeBlank(*ecu); }
    int create(int type, int page, const std::string& name) {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, 1, name, page, &index));
        return index;
    }
};

TEST_F(NamingTest, InputAndOutputNamesCarryPageNameAndRole) {
    int fuel = create(ElementType::Table2D, 3, "Fuel");
    EXPECT_EQ(ecu->InputName(fuel, 1), "Page4.Fuel.LearnV");
    EXPECT_EQ(ecu->OutputName(fuel, 0, true), "Pg4.Fuel");
    EXPECT_EQ(ecu->OutputName(fuel, 3, true), "Pg4.Fuel.Tuned");
    EXPECT_EQ(ecu->OutputName(fuel, 1, false), "Fuel.Close");

    int pid = create(ElementType::PID, 1, "Idle");
    EXPECT_EQ(ecu->InputName(pid, 11), "Page2.Idle.Timeslice");
    EXPECT_EQ(ecu->InputName(pid, 12), "Page2.Idle");
    EXPECT_EQ(ecu->OutputName(pid, 1, false), "Idle.Integral");
    int timer = create(ElementType::Timer, 1, "T");
    EXPECT_EQ(ecu->OutputName(timer, 0, false), "T.Elapsed");
    EXPECT_EQ(ecu->InputName(timer, 0), "Page2.T.Interval(s)");
    int step = create(ElementType::Stepper, 1, "S");
    EXPECT_EQ(ecu->OutputName(step, 2, false), "S.Current Position");
    int mux = create(ElementType::Mux4, 1, "M");
    EXPECT_EQ(ecu->InputName(mux, 2), "Page2.M");
    int t3 = create(ElementType::Table3D, 1, "Ign");
    EXPECT_EQ(ecu->InputName(t3, 1), "Page2.Ign.In2");
    EXPECT_EQ(ecu->OutputName(t3, 2, false), "Ign.Close2");
    int aux = create(ElementType::AuxOnInj, 1, "A");
    EXPECT_EQ(ecu->InputName(aux, 0), "Page2.A.Inj5AuxDuty");
    EXPECT_EQ(ecu->InputName(aux, 15), "Page2.A.Inj12AuxPeriod");
}

TEST_F(NamingTest, DedicatedElementsNameTheirChannels) {
    EXPECT_EQ(ecu->InputName(3, 47), "Page5.Injector outputs.Inj12Pulse");
    EXPECT_EQ(ecu->InputName(3, 5), "Page5.Injector outputs.Inj2Angle");
    EXPECT_EQ(ecu->InputName(4, 15), "Page6.Ignition outputs.Ign8Dwell");
    EXPECT_EQ(ecu->InputName(2, 2), "Page4.Aux outputs.Aux2Duty");
    EXPECT_EQ(ecu->InputName(5, 3), "Page7.General.LogEnable");
    // The injector block's alternative form has unnamed inputs and one output.
    ecu->WriteConstByte(ecu->ElementConstOffset[3] + 25, 1);
    EXPECT_EQ(ecu->InputName(3, 47), "Page5.Injector outputs");
    EXPECT_EQ(ecu->OutputCount(ElementType::Injectors), 1);

    PinTable::SetPinName(*ecu, 32, "MAP");
    EXPECT_EQ(ecu->OutputName(1, 0, false), "Analogue inputs: Ana 1 (MAP)");
    EXPECT_EQ(ecu->OutputName(1, 1, false), "Analogue inputs: Ana 2 ()");
    EXPECT_EQ(ecu->OutputName(1, 17, false), "Analogue inputs: Inj 1 I");
    EXPECT_EQ(ecu->OutputName(1, 39, false), "Analogue inputs: Inj 12 I");
    EXPECT_EQ(ecu->OutputName(1, 43, false), "Analogue inputs: Temp");
    PinTable::SetPinName(*ecu, 64, "Clutch");
    EXPECT_EQ(ecu->OutputName(0, 52, true), "Pg2.Inputs: Dig 8 (Clutch)");
    EXPECT_EQ(ecu->OutputName(0, 8, false), "Inputs: Serial2.1");
    EXPECT_EQ(ecu->OutputName(0, 25, false), "Inputs: Knock 1 Background");
    EXPECT_EQ(ecu->OutputName(0, 38, false), "Inputs: Knock 8 In Phase");
    EXPECT_EQ(ecu->OutputName(0, 23, false), "Inputs: VSSPeriod4");
    EXPECT_EQ(ecu->OutputName(0, 44, false), "Inputs: RPM / 100");
}

TEST_F(NamingTest, PinTableRecordsAndChannels) {
    EXPECT_EQ(PinTable::RecordOffset(PinTable::AnalogueInputRecord(1)), 0x1B0);
    EXPECT_EQ(PinTable::RecordOffset(PinTable::AnalogueInputRecord(12)), 0x208);
    EXPECT_EQ(PinTable::RecordOffset(PinTable::AnalogueInputRecord(16)), 0x2E8);
    EXPECT_EQ(PinTable::RecordOffset(PinTable::DigitalInputRecord(1)), 0x150);
    EXPECT_EQ(PinTable::RecordOffset(PinTable::DigitalInputRecord(8)), 0x2B0);
    EXPECT_EQ(PinTable::Label(32), "17 Ana 1");
    EXPECT_EQ(PinTable::Label(0), "101 Inj 1");
    EXPECT_EQ(PinTable::Label(16), "  1 Ign 1");
    EXPECT_EQ(PinTable::Label(75), "60 PGND");
    EXPECT_EQ(PinTable::Label(76), "");
    for (int n = 0; n < PinTable::kNumRecords; ++n) {
        EXPECT_EQ(PinTable::PinName(*ecu, n), "");
        EXPECT_EQ(PinTable::FactoryPin(*ecu, n), 0);
    }
    ecu->Modified = false;
    PinTable::SetPinName(*ecu, 5, "LONGNAME");
    PinTable::SetFactoryPin(*ecu, 5, 200);
    EXPECT_EQ(PinTable::PinName(*ecu, 5), "LONGNAM");
    EXPECT_EQ(PinTable::FactoryPin(*ecu, 5), 200);
    EXPECT_EQ(ecu->SyncState[0xB0 + 8 * 5 + 7], Sync::ToWrite);
    EXPECT_FALSE(ecu->Modified);
    EXPECT_EQ(PinTable::PinName(*ecu, -1), "");
}

TEST_F(NamingTest, LiveAddressesNameOnlyOutputs) {
    int clip = create(ElementType::Clipper, 1, "Clip");
    int delay = create(ElementType::Delay, 1, "D");
    std::string name = "unchanged";
    int at = ecu->ElementLiveOffset[clip];
    EXPECT_TRUE(ecu->NameOfLiveAddress(at + 4, name));
    EXPECT_EQ(name, "Pg2.Clip.Underflow");
    name = "unchanged";
    EXPECT_FALSE(ecu->NameOfLiveAddress(at + 3, name));
    EXPECT_FALSE(ecu->NameOfLiveAddress(ecu->ElementLiveOffset[delay] + 2, name)); // internal
    EXPECT_FALSE(ecu->NameOfLiveAddress(ecu->LiveEnd(), name));
    EXPECT_EQ(name, "unchanged");
    EXPECT_TRUE(ecu->NameOfLiveAddress(0, name));
    EXPECT_EQ(name, "Pg2.Inputs: Serial1.1");
}

TEST_F(NamingTest, ChoiceListsSortByCodeAndKeepTheSelection) {
    int b = create(ElementType::Constant, 1, "b");
    int a = create(ElementType::Constant, 1, "B");
    int ab = create(ElementType::Constant, 1, "Bx");
    int clip = create(ElementType::Clipper, 1, "");
    LiveChoiceList list;
    ecu->AddLiveChoiceSorted(list, b, 0, LiveValueFormat::ByteAddress, ab, 0);
    ecu->AddLiveChoiceSorted(list, ab, 0, LiveValueFormat::ByteAddress, ab, 0);
    EXPECT_EQ(list.selected, 0);
    ecu->AddLiveChoiceSorted(list, a, 0, LiveValueFormat::ByteAddress, ab, 0);
    ecu->AddLiveChoiceSorted(list, clip, 0, LiveValueFormat::WordNumber, ab, 0);
    ecu->AddLiveChoiceSorted(list, clip, 2, LiveValueFormat::WordNumber, ab, 0);
    ecu->AddLiveChoiceSorted(list, b, 0, LiveValueFormat::ByteAddress, ab, 0);
    EXPECT_EQ(list.items, (std::vector<std::string>{" ", ".Underflow", "B", "Bx", "b", "b"}));
    EXPECT_EQ(list.values[0], ecu->ElementLiveOffset[clip] / 2);
    EXPECT_EQ(list.values[1], ecu->ElementLiveOffset[clip] / 2 + 2);
    EXPECT_EQ(list.values[2], ecu->ElementLiveOffset[a]);
    EXPECT_EQ(list.values[3], ecu->ElementLiveOffset[ab]);
    EXPECT_EQ(list.selected, 3);
}

TEST_F(NamingTest, ChoiceListComparesOnlyTheFirst24Characters) {
    int x = create(ElementType::Constant, 1, "abcdefghijklmnopqrstuvwx");
    int y = create(ElementType::Clipper, 1, "abcdefghijklmnopqrstuvwx");
    LiveChoiceList list;
    ecu->AddLiveChoiceSorted(list, y, 1, LiveValueFormat::ByteAddress, -1, -1);
    ecu->AddLiveChoiceSorted(list, x, 0, LiveValueFormat::ByteAddress, -1, -1);
    ecu->AddLiveChoiceSorted(list, y, 2, LiveValueFormat::ByteAddress, -1, -1);
    // Names equal in their first 24 characters keep the order they came in.
    EXPECT_EQ(list.items[0], "abcdefghijklmnopqrstuvwx.Overflow");
    EXPECT_EQ(list.items[1], "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(list.items[2], "abcdefghijklmnopqrstuvwx.Underflow");
    EXPECT_EQ(list.selected, -1);
}

TEST_F(NamingTest, ValuesFormatWithTheirDecimalsAndTheLiveRule) {
    EXPECT_EQ(ecu->FormatValue50(-50, false), "  -1.0");
    EXPECT_EQ(ecu->FormatValue50(32767, false), "655.34");
    EXPECT_EQ(ecu->FormatValue50(50, false), "  1.00");
    EXPECT_EQ(ecu->FormatValue50(0, false), "  0.00");
    EXPECT_EQ(ecu->FormatValue50(1, false), "  0.02");
    EXPECT_EQ(ecu->FormatValue50(-32768, false), "-655.4");
    EXPECT_EQ(ecu->FormatValue50(-3, false), "  -0.1");
    EXPECT_EQ(ecu->FormatValue50(-2, false), "  -0.0");
    EXPECT_EQ(ecu->FormatValue50(-5000, false), "-100.0");
    EXPECT_EQ(ecu->FormatValue50(4999, false), " 99.98");

    EXPECT_EQ(ecu->FormatValue50(50, true), "  ----");
    ecu->Simulating = true;
    EXPECT_EQ(ecu->FormatValue50(50, true), "  1.00");
    ecu->Simulating = false;
    ecu->EcuPresent = ecu->OnlineCapable = true;
    EXPECT_EQ(ecu->FormatValue50(50, true), "  ----"); // calculation rate 0
    ecu->CalcRate = 10;
    EXPECT_EQ(ecu->FormatValue50(50, true), "  1.00");
    ecu->OnlineCapable = false;
    EXPECT_EQ(ecu->FormatValue50(50, true), "  ----");
}

} // namespace
