#include "DefaultConfiguration.h"

#include "DefaultDiagram.h"
#include "PageGeometry.h"
#include "files/NewConfiguration.h"
#include "model/Cp1252.h"
#include "model/PinTable.h"
#include "setup/LoggingChannels.h"

namespace zolmar::defaults {

namespace {

// Constant addresses of the dedicated blocks.
constexpr int kInputsBlock = 0;
constexpr int kGeneralBlock = 301;

// Triggering of a 36-1 crank wheel on a reluctor (trigger 1) with a Hall cam
// sensor (triggers 2/3) for sequential injection; knock window 10-60 degrees
// after TDC, one window per cylinder of four.
void inputsAndTriggering(tECU& ecu) {
    ecu.WriteConstByte(kInputsBlock + 17, 0x06);      // triggers 2/3 digital
    ecu.WriteConstByte(kInputsBlock + 22, 0x40);      // triggers 2/3 digital
    ecu.WriteConstByte(kInputsBlock + 23, 0);         // generic multitooth
    ecu.WriteConstWord(kInputsBlock + 24, 500);       // 10 degrees per tooth
    ecu.WriteConstByte(kInputsBlock + 26, 2);         // missing tooth = crank reset
    ecu.WriteConstByte(kInputsBlock + 27, 1);         // cam on next crank trigger
    ecu.WriteConstWord(kInputsBlock + 38, 910);       // knock window from 10 degrees
    ecu.WriteConstWord(kInputsBlock + 40, 5461);      // to 60 degrees
    ecu.WriteConstWord(kInputsBlock + 42, 65536 / 4); // one window per cylinder
}

// Onboard logging every 50 ms; the scope set up for checking the trigger.
void generalFunctions(tECU& ecu) {
    ecu.WriteConstByte(kGeneralBlock + 0, 2);
    ecu.WriteConstWord(303, 4130);      // trigger on the processed trigger inputs,
    ecu.WriteConstWord(305, 1);         // bit "Trig 1 Processed"
    ecu.WriteConstWord(307, 4128);      // raw trigger inputs
    ecu.WriteConstWord(309, 4130);      // processed trigger inputs
    ecu.WriteConstWord(311, 4132);      // injector and ignition outputs
    ecu.WriteConstWord(313, 4136);      // current engine angle
    ecu.WriteConstByte(315, 8);         // 5 ms / div, rising edge
    ecu.WriteConstByte(316, 248 - 120); // trigger in the middle
    for (int c = 0; c < 4; ++c)
        ecu.WriteConstWord(327 + 2 * c, 3); // 1 / div
}

// What the installer wires where, as the pin names show it on the diagram.
void pinNames(tECU& ecu) {
    struct Pin {
        int record;
        const char* name;
    };
    const Pin pins[] = {
        {0, "InjCyl1"},  {1, "InjCyl2"},  {2, "InjCyl3"},  {3, "InjCyl4"},  {16, "IgnCyl1"},
        {26, "IgnCyl2"}, {17, "IgnCyl3"}, {27, "IgnCyl4"}, {19, "IdleVlv"}, {22, "FuelPmp"},
        {24, "Tacho"},   {31, "A/C"},     {33, "Fan"},     {56, "Crank"},   {57, "Cam"},
        {38, "Knock"},   {20, "A/C Req"}, {21, "PSP"},     {23, "ELoad1"},  {34, "ELoad2"},
    };
    for (const Pin& p : pins)
        PinTable::SetPinName(ecu, p.record, p.name);
    const std::pair<int, const char*> analogue[] = {{Wiring::kTps, "TPS"},
                                                    {Wiring::kMap, "MAP"},
                                                    {Wiring::kOxygen, "O2"},
                                                    {Wiring::kCoolant, "ECT"},
                                                    {Wiring::kAirTemp, "IAT"}};
    for (const auto& [channel, name] : analogue)
        PinTable::SetPinName(ecu, PinTable::AnalogueInputRecord(channel), name);
}

void loggingChannels(tECU& ecu, std::vector<std::string>& problems) {
    const char* const logged[LoggingChannels::kCount] = {"RPM/100",          "MAP",
                                                         "TPS (%)",          "AFR",
                                                         "AFR Target",       "Coolant (°C)",
                                                         "Air (°C)",         "Battery (V)",
                                                         "Inj Pulse (ms)",   "Ignition (°BTDC)",
                                                         "Knock Retard (°)", "Accel Enrich (%)",
                                                         "AFR Effort",       "RPM/100 Effort",
                                                         "Speed (km/h)"};
    for (int c = 0; c < LoggingChannels::kCount; ++c) {
        int gauge = ecu.FindElementByName(utf8ToCp1252(logged[c]), false);
        if (!LoggingChannels::Assign(ecu, c, gauge))
            problems.push_back(std::string("no gauge \"") + logged[c] + "\" to log");
    }
}

} // namespace

void declareDefaultDiagram(Design& d) {
    declareOutputs(d);
    declareSensors(d);
    declareFuel(d);
    declareIgnition(d);
    declareIdleAndActuators(d);
    declareAuxOutputs(d);
    declareGauges(d);
}

bool BuildDefaultConfiguration(tECU& ecu, std::vector<std::string>& problems,
                               std::vector<std::string>* report) {
    RecordingMessages messages;
    Messages& previous = ecu.messages();
    ecu.setMessages(messages);
    NewConfiguration::MakeBlank(ecu);
    // Pin names first: the page layout leaves room for the names they give.
    pinNames(ecu);
    Design design;
    declareDefaultDiagram(design);
    bool built = design.build(ecu, problems);
    if (report)
        *report = design.layoutReport();
    if (built) {
        inputsAndTriggering(ecu);
        generalFunctions(ecu);
        loggingChannels(ecu, problems);
        ecu.RebuildIndex(true, true);
        ecu.CheckUsageWords();
        for (const std::string& p : PageGeometry::check(ecu))
            problems.push_back(p);
    }
    for (const auto& m : messages.shown)
        problems.push_back("message: " + cp1252ToUtf8(m.text));
    ecu.setMessages(previous);
    return built && problems.empty();
}

} // namespace zolmar::defaults
