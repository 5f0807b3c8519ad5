// Aux outputs: the signals of the special aux functions, and one channel per aux
// output (8) and per spare injector output (5-12) that picks its function.
//
// Every channel's function is a 32-way mux whose entry number is the function
// number of the setup wizard. Special functions (1-19) deliver 500 + their duty in
// percent, so that one value carries both kinds: the threshold functions (20-29)
// deliver the measured value itself (always below 450), which the channel compares
// with its threshold. The tachometer (7) delivers 650: the channel then drives a
// 50 % duty at the tachometer's period.
#include "DefaultDiagram.h"

namespace zolmar::defaults {

namespace {

const Ref kRpm{"Engine RPM/100"};
const Ref kCoolant{"Coolant Temp (°C)"};

constexpr double kSpecialBase = 500.0;
constexpr double kSpecialFrom = 450.0;
constexpr double kTachometerCode = 650.0;
constexpr double kTachometerFrom = 625.0;
// threshold x 1.00 / 33.32 is 3 % of the threshold.
constexpr double kHysteresisDivisor = 33.32;

void functions(Design& d) {
    d.page(Pages::kAuxFunctions, "Aux Functions");

    // Primes the fuel system for two seconds after power-up, then runs while the
    // engine turns.
    d.group("Fuel pump");
    d.lane(0);
    El primed = d.delay("Fuel Pump Prime (ms)", 1.0, 2000);
    El running = d.clip("Pump Engine Running", Ref{"Engine Running"}, 0.0, 1.0);
    d.lane(1);
    El pump = d.logicOr("Fuel Pump On", primed, running, true, false);
    d.lane(2);
    El pumpDuty = d.select("Fuel Pump Duty (%)", pump, 0.0, 100.0);
    d.lane(3);
    d.sum("Code Pump", pumpDuty, kSpecialBase);

    d.group("Tachometer");
    d.lane(0);
    El pulses = d.constant("Tacho Pulses per Rev", 2.0);
    d.lane(1);
    El rate = d.multiply("Tacho Pulse Rate", kRpm, pulses, 1.0);
    d.lane(2);
    // 60000 ms per minute over RPM x pulses: 600 / (RPM / 100 x pulses).
    d.multiply("Tacho Period (ms)", 600.0, 1.0, rate);

    d.group("Air conditioner", true);
    d.lane(0);
    El request = d.delay("A/C Clutch Delay (ms)", Dedicated::dig(Wiring::kAirConRequest), 500);
    El minRpm = d.constant("A/C Min RPM /100", 6.0);
    El maxTps = d.constant("A/C Max TPS (%)", 80.0);
    El maxCoolant = d.constant("A/C Max Coolant (°C)", 112.0);
    d.lane(1);
    El turning = d.compare("A/C RPM OK", kRpm, Compare::Greater, minRpm);
    El part = d.compare("A/C Throttle OK", Ref{"TPS Clipped"}, Compare::Less, maxTps);
    El cool = d.compare("A/C Coolant OK", kCoolant, Compare::Less, maxCoolant);
    d.lane(2);
    El asked = d.logicAnd("A/C Asked Running", request, turning);
    El allowed = d.logicAnd("A/C Allowed", part, cool);
    d.lane(3);
    El clutch = d.logicAnd("A/C Clutch On", asked, allowed);
    d.lane(4);
    El acDuty = d.select("A/C Clutch Duty (%)", clutch, 0.0, 100.0);
    d.lane(5);
    d.sum("Code A/C", acDuty, kSpecialBase);

    d.group("Purge and PRCV", true);
    d.lane(0);
    El closedLoop = d.clip("Purge Closed Loop", Ref{"Closed-Loop Fuel"}, 0.0, 1.0);
    El purgeDuty = d.constant("Purge Valve Duty (%)", 30.0);
    El hotCoolant = d.constant("PRCV Hot Coolant (°C)", 100.0);
    d.lane(1);
    El purge = d.select("Purge Duty (%)", closedLoop, 0.0, purgeDuty);
    El hot = d.compare("PRCV Engine Hot", kCoolant, Compare::Greater, hotCoolant);
    El slow = d.compare("PRCV Low RPM", kRpm, Compare::Less, 15.0);
    d.lane(2);
    d.sum("Code Purge", purge, kSpecialBase);
    El prcv = d.logicAnd("PRCV On", hot, slow);
    d.lane(3);
    El prcvDuty = d.select("PRCV Duty (%)", prcv, 0.0, 100.0);
    d.lane(4);
    d.sum("Code PRCV", prcvDuty, kSpecialBase);

    d.group("Codes of other pages", true);
    struct Code {
        const char* name;
        Ref duty;
    };
    const Code codes[] = {
        {"Code Idle", {"Idle Valve Duty (%)"}}, {"Code Boost", {"Boost Duty (%)"}},
        {"Code DBW1", {"DBW Output 1 (%)"}},    {"Code DBW2", {"DBW Output 2 (%)"}},
        {"Code Step1", {"Idle Stepper", 0}},    {"Code Step3", {"Idle Stepper", 1}},
        {"Code VVT1", {"VVT1 Duty (%)"}},       {"Code VVT2", {"VVT2 Duty (%)"}}};
    int k = 0;
    for (const Code& c : codes) {
        d.lane(k++ / 4);
        d.sum(c.name, c.duty, kSpecialBase);
    }
    // The other two stepper wires carry the inverse of each coil.
    d.lane(2);
    El coil1 = d.clip("Stepper Coil 1", Ref{"Idle Stepper", 0}, 0.0, 100.0);
    El coil2 = d.clip("Stepper Coil 2", Ref{"Idle Stepper", 1}, 0.0, 100.0);
    d.lane(3);
    El inverse1 = d.difference("Stepper Coil 1 Inverse", 100.0, coil1);
    El inverse2 = d.difference("Stepper Coil 2 Inverse", 100.0, coil2);
    d.lane(4);
    d.sum("Code Step2", inverse1, kSpecialBase);
    d.sum("Code Step4", inverse2, kSpecialBase);

    // The measured values the threshold functions compare, under short names.
    d.group("Threshold sources", true);
    struct Source {
        const char* name;
        Arg value;
        double low, high;
    };
    const Source sources[] = {{"Src RPM", kRpm, 0, 200},
                              {"Src Coolant", kCoolant, -40, 150},
                              {"Src Air", Ref{"Air Temp (°C)"}, -40, 150},
                              {"Src MAP", Ref{"MAP (kPa)"}, 0, 400},
                              {"Src TPS", Ref{"TPS Clipped"}, 0, 100},
                              {"Src AFR", Ref{"Measured AFR"}, 0, 30},
                              {"Src Speed", Ref{"Vehicle Speed (km/h)"}, 0, 400},
                              {"Src Battery", Dedicated::battery(), 0, 30},
                              {"Src EGT (x10 °C)", Dedicated::serial1(5), 0, 400},
                              {"Src Knock", Ref{"Knock Retard Sum (°)"}, 0, 400}};
    k = 0;
    for (const Source& src : sources) {
        d.lane(k++ / 4);
        if (std::string(src.name) == "Src EGT (x10 °C)")
            d.multiply(src.name, src.value, 1.0, 10.0);
        else
            d.clip(src.name, src.value, src.low, src.high);
    }
}

// The 32 entries of a function mux: numbers as the setup wizard lists them.
std::vector<Choice> functionChoices() {
    const Arg none = kSpecialBase;
    return {{"None", none},
            {"Fuel Pump", Ref{"Code Pump"}},
            {"Air Conditioner", Ref{"Code A/C"}},
            {"Idle Valve", Ref{"Code Idle"}},
            {"Idle Valve Inv.", Ref{"Code Idle"}},
            {"Boost Control", Ref{"Code Boost"}},
            {"Main Relay", kSpecialBase + 100.0},
            {"Tachometer", kTachometerCode},
            {"Purge Valve", Ref{"Code Purge"}},
            {"PRCV", Ref{"Code PRCV"}},
            {"DBW Output 1", Ref{"Code DBW1"}},
            {"DBW Output 2", Ref{"Code DBW2"}},
            {"Stepper 1", Ref{"Code Step1"}},
            {"Stepper 2", Ref{"Code Step2"}},
            {"Stepper 3", Ref{"Code Step3"}},
            {"Stepper 4", Ref{"Code Step4"}},
            {"VVT 1 Solenoid", Ref{"Code VVT1"}},
            {"VVT 2 Solenoid", Ref{"Code VVT2"}},
            {"Reserved", none},
            {"Reserved", none},
            {"RPM Above", Ref{"Src RPM"}},
            {"Coolant Above", Ref{"Src Coolant"}},
            {"Air Temp Above", Ref{"Src Air"}},
            {"MAP Above", Ref{"Src MAP"}},
            {"TPS Above", Ref{"Src TPS"}},
            {"AFR Above", Ref{"Src AFR"}},
            {"Speed Above", Ref{"Src Speed"}},
            {"Battery Above", Ref{"Src Battery"}},
            {"EGT Above", Ref{"Src EGT (x10 °C)"}},
            {"Knock Above", Ref{"Src Knock"}},
            {"Reserved", none},
            {"Reserved", none}};
}

struct ChannelNames {
    std::string function;  // the 32-way mux
    std::string threshold; // threshold constant
    std::string period;    // PWM period constant
    std::string prefix;    // of the channel's own elements
};

void channel(Design& d, const ChannelNames& n, int function, double threshold, Out tachoPeriod,
             bool newBand) {
    d.group(n.prefix, newBand);
    d.spacing(2, 1, 3);
    d.lane(0);
    El code = d.mux32(n.function, function, functionChoices());
    d.lane(1);
    El period = d.constant(n.period, 10.0);
    El tacho = d.compare(n.prefix + " Tacho", code, Compare::GreaterEq, kTachometerFrom);
    El limit = d.constant(n.threshold, threshold);
    // Once on, the output stays on until the value falls 3 % below the threshold,
    // so that a fan or a light does not chatter around it.
    El hysteresis = d.multiply(n.prefix + " Hysteresis", limit, Ref{n.prefix + " Above Thr"},
                               kHysteresisDivisor);
    El switchPoint = d.difference(n.prefix + " Switch Point", limit, hysteresis);
    El special = d.compare(n.prefix + " Special", code, Compare::GreaterEq, kSpecialFrom);
    El above = d.compare(n.prefix + " Above Thr", code, Compare::GreaterEq, switchPoint);
    El duty = d.difference(n.prefix + " Duty - 500", code, kSpecialBase);
    d.lane(2);
    d.select(n.prefix + " Period (ms)", tacho, period, tachoPeriod);
    El switched = d.select(n.prefix + " Thr Duty", above, 0.0, 100.0);
    El chosen = d.select(n.prefix + " Duty Sel", special, switched, duty);
    d.select(n.prefix + " Duty (%)", tacho, chosen, 50.0);
}

} // namespace

void declareAuxOutputs(Design& d) {
    functions(d);

    // Default functions: idle valve, fuel pump, tachometer, air conditioner and a
    // radiator fan above 95 degrees C on aux outputs 1-5.
    const int auxFunction[] = {0, 3, 1, 7, 2, 21, 0, 0, 0};
    const double auxThreshold[] = {0, 0, 0, 0, 0, 95.0, 0, 0, 0};
    for (int page = 0; page < 4; ++page) {
        const char* const titles[] = {"Aux Channels 1-4", "Aux Channels 5-8",
                                      "Inj Aux Channels 5-8", "Inj Aux Channels 9-12"};
        d.page(Pages::kAuxChannels1 + page, titles[page]);
        // Each channel takes the tachometer's period from right above it.
        const char* const prefixes[] = {"Aux", "Aux", "InjAux", "InjAux"};
        int first = page < 2 ? 4 * page + 1 : 4 * (page - 2) + 5;
        for (int pair = 0; pair < 2; ++pair) {
            std::vector<El> tacho;
            for (int column = 0; column < 2; ++column) {
                d.group("", column == 0);
                d.spacing(2, 1, column == 0 ? 29 : 0);
                d.lane(0);
                tacho.push_back(d.clip(std::string("Tacho For ") + prefixes[page] + " " +
                                           std::to_string(first + 2 * pair + column),
                                       Ref{"Tacho Period (ms)"}, 0.0, 600.0));
            }
            for (int column = 0; column < 2; ++column) {
                int k = 2 * pair + column;
                ChannelNames n;
                int function = 0;
                double threshold = 0;
                if (page < 2) {
                    int a = 4 * page + k + 1;
                    std::string s = std::to_string(a);
                    n = {"Aux " + s + " Function", "Aux " + s + " Threshold Value",
                         "Aux Out " + s + " Period (ms)", "Aux " + s};
                    function = auxFunction[a];
                    threshold = auxThreshold[a];
                } else {
                    int j = 4 * (page - 2) + k + 5;
                    std::string s = std::to_string(j);
                    std::string limit = j <= 9 ? "Aux Inj" + s + " Threshold Value"
                                               : "AuxInj" + s + " Threshold Value";
                    n = {"Aux on Inj " + s + " Function", limit, "Inj " + s + " Aux Period (ms)",
                         "InjAux " + s};
                }
                channel(d, n, function, threshold, tacho[static_cast<size_t>(column)], column == 0);
            }
        }
    }
}

} // namespace zolmar::defaults
