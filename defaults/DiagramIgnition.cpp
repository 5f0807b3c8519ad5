// Ignition pages: the advance map and its corrections, timing lock, dwell, knock
// control per cylinder, and the rev and boost limits that cut fuel.
#include "Calibration.h"
#include "DefaultDiagram.h"

namespace zolmar::defaults {

namespace {

const Ref kRpm{"Engine RPM/100"};
const Ref kCoolant{"Coolant Temp (°C)"};

void timing(Design& d) {
    d.page(Pages::kIgnitionTiming, "Ignition Timing");

    d.group("Advance");
    d.lane(0);
    El rpm = d.clip("Ign RPM/100", kRpm, 0.0, 200.0);
    El load = d.clip("Ign Load", Ref{"Ignition Map Load Axis"}, -100.0, 400.0);
    El coolant = d.clip("Ign Coolant (°C)", kCoolant, -40.0, 150.0);
    El air = d.clip("Ign Air Temp (°C)", Ref{"Air Temp (°C)"}, -40.0, 150.0);
    d.lane(1);
    El map = d.table3D("Ignition Map 1 (°BTDC)", rpm, load, Calibration::rpmAxis(),
                       Calibration::loadAxis(), Calibration::ignitionAdvance);
    El coolantCorr = d.table2D("Coolant Timing Corr (°)", coolant,
                               {{-20, 5.0},
                                {0, 3.0},
                                {20, 2.0},
                                {40, 1.0},
                                {60, 0.0},
                                {95, 0.0},
                                {105, -2.0},
                                {115, -4.0},
                                {125, -6.0}});
    El airCorr = d.table2D("Air Temp Timing Corr (°)", air,
                           {{-20, 1.0}, {20, 0.0}, {40, 0.0}, {60, -2.0}, {80, -4.0}, {100, -6.0}});
    d.lane(2);
    El withCoolant = d.sum("Advance + Coolant (°)", map, coolantCorr);
    d.lane(3);
    El withAir = d.sum("Advance + Air Temp (°)", withCoolant, airCorr);
    d.lane(4);
    El withIdle = d.sum("Advance + Idle (°)", withAir, Ref{"Idle Timing Corr (°)"});

    d.group("Limiter and timing lock", true);
    d.lane(0);
    El soft = d.clip("Ign Soft Limit", Ref{"Soft Limit Active"}, 0.0, 1.0);
    El softTiming = d.constant("Soft Limit Timing(°BTDC)", 0.0);
    d.lane(1);
    El limited = d.select("Advance After Limiter", soft, withIdle, softTiming);
    El lockAngle = d.constant("Timing Lock Angle(°BTDC)", 10.0);
    d.lane(2);
    // Ticked while checking the trigger offset with a timing light.
    El lock = d.tickbox("Timing Lock", false, limited, lockAngle);
    d.lane(3);
    d.clip("Ignition Advance (°BTDC)", lock, -10.0, 50.0);

    d.group("Dwell", true);
    d.lane(0);
    El dwell = d.constant("Dwell Time (ms)", 3.0);
    El battery = d.table2D(
        "Dwell Battery Corr (%)", Dedicated::battery(),
        {{6, 200.0}, {8, 160.0}, {10, 130.0}, {12, 110.0}, {13.5, 100.0}, {14, 96.0}, {16, 86.0}});
    d.lane(1);
    El corrected = d.multiply("Dwell Corrected (ms)", dwell, battery, 100.0);
    d.lane(2);
    // Coils are never charged while the engine stands still.
    d.select("Coil Dwell (ms)", Ref{"Engine Running"}, 0.0, corrected);

    // Ignition helps to hold the idle: advance when slow, retard when fast.
    d.group("Idle timing", true);
    d.lane(0);
    El target = d.clip("Ign Idle Target /100", Ref{"Idle Target RPM /100"}, 0.0, 200.0);
    El gain = d.constant("Idle Timing Gain (°)", 3.0);
    d.lane(1);
    El error = d.difference("Idle Speed Error /100", target, rpm);
    El most = d.constant("Idle Timing Max (°)", 8.0);
    d.lane(2);
    El raw = d.multiply("Idle Timing Raw (°)", error, gain, 1.0);
    El least = d.difference("Idle Timing Min (°)", 0.0, most);
    d.lane(3);
    El clipped = d.clip("Idle Timing Clipped (°)", raw, least, most);
    El closedLoop = d.clip("Ign Closed Loop Idle", Ref{"Closed Loop Idle"}, 0.0, 1.0);
    d.lane(4);
    d.select("Idle Timing Corr (°)", closedLoop, 0.0, clipped);
}

// Knock is measured in one window per firing (window 1 after the first cylinder
// in the firing order fires, and so on); each window's level above the threshold
// becomes a retard. Cylinder i takes the retard of the window of its place in the
// firing order: its sequence index, written by the setup wizard (8 = not fitted).
void knock(Design& d) {
    // Sequence indices of a four-cylinder engine firing 1-3-4-2.
    const int sequence[] = {0, 0, 3, 1, 2, 8, 8, 8, 8};

    d.page(Pages::kKnock, "Knock Control");
    d.group("Knock settings");
    d.lane(0);
    El enable = d.tickbox("Knock Control Enable", false, 0.0, 1.0);
    El threshold = d.constant("Knock Threshold", 20.0);
    El gain = d.constant("Knock Retard Gain (°)", 0.5);
    El most = d.constant("Knock Max Retard (°)", 8.0);
    d.lane(1);
    El active = d.select("Knock Gain Active", enable, 0.0, gain);

    // The total retard of all windows is the retard of all fitted cylinders.
    d.group("Knock windows", true);
    Out total;
    for (int w = 1; w <= 8; ++w) {
        std::string n = std::to_string(w);
        // Every window on its own row of the page (the summers are a row shorter).
        d.lane(0);
        d.gap(w > 1 ? 1 : 0);
        El level = d.difference("Knock " + n + " Level", Dedicated::knockInPhase(w),
                                Dedicated::knockBackground(w));
        d.lane(1);
        d.gap(w > 1 ? 1 : 0);
        El excess = d.difference("Knock " + n + " Excess", level, threshold);
        d.lane(2);
        El scaled = d.multiply("Knock " + n + " Scaled", excess, active, 1.0);
        d.lane(3);
        El retard = d.clip("Window " + n + " Retard", scaled, 0.0, most);
        if (w == 1) {
            total = retard;
            continue;
        }
        d.lane(4);
        d.gap(w == 2 ? 5 : 1);
        total = d.sum(w < 8 ? "Knock Retard 1-" + n + " (°)" : std::string("Knock Retard Sum (°)"),
                      total, retard);
    }

    d.page(Pages::kKnockCylinders, "Knock Cylinders");
    for (int i = 1; i <= 8; ++i) {
        std::string n = std::to_string(i);
        d.group();
        d.lane(0);
        std::vector<Choice> windows;
        for (int w = 1; w <= 8; ++w)
            windows.push_back(
                {"Window " + std::to_string(w), Ref{"Window " + std::to_string(w) + " Retard"}});
        windows.push_back({"None", 0.0});
        while (windows.size() < 32)
            windows.push_back({"-", 0.0});
        d.mux32("Cyl " + n + " Sequence Index", sequence[i], windows);
    }
}

void limits(Design& d) {
    d.page(Pages::kLimits, "Rev & Boost Limits");

    // Above the hard limit fuel is cut until the speed falls below the limit less
    // the hysteresis; above the soft limit the ignition goes to its soft timing.
    d.group("Rev limiter");
    d.lane(0);
    El rpm = d.clip("Limit RPM/100", kRpm, 0.0, 200.0);
    El hard = d.constant("Hard Rev-Limit (/100)", 72.0);
    El soft = d.constant("Soft Rev-Limit (/100)", 70.0);
    El hysteresis = d.constant("Rev Limit Hysteresis", 1.0);
    d.lane(1);
    El resume = d.difference("Hard Limit Resume /100", hard, hysteresis);
    El above = d.compare("Above Hard Limit", rpm, Compare::Greater, hard);
    d.compare("Soft Limit Active", rpm, Compare::Greater, soft);
    d.lane(2);
    El below = d.compare("Below Resume RPM", rpm, Compare::Less, resume);
    d.lane(3);
    El decide = d.logicOr("Rev Cut Decision", above, below);
    d.lane(4);
    El revCut = d.latch("Rev Limit Cut", above, decide, false);

    // Overboost cuts fuel at once above the instant limit, or after a second above
    // the lower limit, and holds the cut until the throttle is lifted.
    d.group("Overboost cut", true);
    d.spacing(4, 1);
    d.lane(0);
    El map = d.clip("Limit MAP (kPa)", Ref{"MAP (kPa)"}, 0.0, 400.0);
    El tps = d.clip("Limit TPS (%)", Ref{"TPS Clipped"}, 0.0, 100.0);
    El instant = d.constant("Inst. Overboost Cut, kPa", 200.0);
    El oneSecond = d.constant("1 Sec Overboost Cut, kPa", 190.0);
    d.lane(1);
    El overSecond = d.compare("Over 1 Sec Boost Limit", map, Compare::Greater, oneSecond);
    El overInstant = d.compare("Over Inst Boost Limit", map, Compare::Greater, instant);
    El lifted = d.compare("Throttle Lifted", tps, Compare::Less, 20.0);
    d.lane(2);
    d.advanced(true);
    El held = d.delay("Over Boost 1 Sec Ago", overSecond, 1000);
    d.advanced(false);
    d.lane(3);
    El timed = d.logicAnd("Over Boost For 1 Sec", overSecond, held);
    d.lane(4);
    El trigger = d.logicOr("Overboost Trigger", timed, overInstant);
    d.lane(5);
    El release = d.logicOr("Overboost Decision", trigger, lifted);
    d.lane(6);
    El boostCut = d.latch("Overboost Cut", trigger, release, false);

    d.group("Overrun fuel cut", true);
    d.lane(0);
    El enable = d.tickbox("Overrun Cut Enable", true, 0.0, 1.0);
    El minRpm = d.constant("Overrun Min RPM /100", 18.0);
    El minCoolant = d.constant("Overrun Min Coolant (°C)", 60.0);
    El maxTps = d.constant("Overrun Max TPS (%)", 1.0);
    d.lane(1);
    El fast = d.compare("Overrun RPM High", rpm, Compare::Greater, minRpm);
    El warm = d.compare("Overrun Engine Warm", kCoolant, Compare::Greater, minCoolant);
    El shut = d.compare("Overrun Throttle Shut", tps, Compare::LessEq, maxTps);
    d.lane(2);
    El c1 = d.logicAnd("Overrun Enabled Fast", enable, fast);
    El c2 = d.logicAnd("Overrun Warm Shut", warm, shut);
    d.lane(3);
    El overrun = d.logicAnd("Overrun Fuel Cut", c1, c2);

    d.group("Fuel cut");
    d.lane(0);
    El protection = d.logicOr("Engine Protection Cut", revCut, boostCut);
    d.lane(1);
    d.logicOr("Fuel Cut", protection, overrun);
}

} // namespace

void declareIgnition(Design& d) {
    timing(d);
    knock(d);
    limits(d);
}

} // namespace zolmar::defaults
