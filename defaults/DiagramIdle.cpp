// Idle speed control and the closed-loop actuators: boost control, variable cam
// timing and the drive-by-wire throttle.
#include "DefaultDiagram.h"

namespace zolmar::defaults {

namespace {

using Dedicated::dig;

const Ref kRpm{"Engine RPM/100"};
const Ref kCoolant{"Coolant Temp (°C)"};
const Ref kTps{"TPS Clipped"};

void idle(Design& d) {
    d.page(Pages::kIdle, "Idle Control");

    // Target: the base idle speed over coolant temperature plus the idle-up of
    // every load that is switched on.
    d.group("Idle target");
    d.lane(0);
    El elec1 = d.constant("Extra ElecLoad1 RPM /100", 1.5);
    El elec2 = d.constant("Extra ElecLoad2 RPM /100", 1.5);
    El steering = d.constant("Extra PSP RPM /100", 1.5);
    El aircon = d.constant("Extra Air-Con. RPM /100", 1.5);
    d.lane(1);
    El e1 = d.select("ElecLoad1 Extra /100", dig(Wiring::kElecLoad1), 0.0, elec1);
    El e2 = d.select("ElecLoad2 Extra /100", dig(Wiring::kElecLoad2), 0.0, elec2);
    El ps = d.select("PSP Extra /100", dig(Wiring::kPowerSteering), 0.0, steering);
    El ac = d.select("Air-Con Extra /100", dig(Wiring::kAirConRequest), 0.0, aircon);
    d.lane(2);
    El electrical = d.sum("Elec Loads Extra /100", e1, e2);
    El mechanical = d.sum("PSP + A/C Extra /100", ps, ac);
    El coolant = d.clip("Idle Coolant (°C)", kCoolant, -40.0, 150.0);
    d.lane(3);
    El extra = d.sum("Idle Extra RPM /100", electrical, mechanical);
    El base = d.table2D("Base Target RPM / 100", coolant, {{0, 11.0}, {70, 8.0}});
    d.lane(4);
    El target = d.sum("Idle Target RPM /100", base, extra);

    // Closed loop near idle: throttle shut, vehicle stopped and the speed within a
    // window above the target.
    d.group("Closed-loop idle", true);
    d.lane(0);
    El maxTps = d.constant("Idle TPS Max (%)", 3.0);
    El maxSpeed = d.constant("Idle Max Speed (km/h)", 5.0);
    El window = d.constant("Idle RPM Window /100", 4.0);
    d.lane(1);
    El shut = d.compare("Idle Throttle Shut", kTps, Compare::LessEq, maxTps);
    El stopped =
        d.compare("Idle Vehicle Stopped", Ref{"Vehicle Speed (km/h)"}, Compare::LessEq, maxSpeed);
    El entry = d.sum("Idle Entry RPM /100", target, window);
    d.lane(2);
    El near = d.compare("Idle RPM Near Target", kRpm, Compare::Less, entry);
    d.lane(3);
    El c1 = d.logicAnd("Idle Foot Off Stopped", shut, stopped);
    El c2 = d.logicAnd("Idle Speed Settled", near, Ref{"Engine Above Cranking"});
    d.lane(4);
    El closedLoop = d.logicAnd("Closed Loop Idle", c1, c2);
    El openLoop = d.logicNot("Open-Loop Idle", closedLoop);

    // Effort (0-100 %): base effort over coolant temperature, feed-forward for
    // the idle-up, and the PID. Out of closed loop the integral is held.
    d.group("Idle effort", true);
    d.lane(0);
    El baseEffort = d.table2D(
        "Base Idle Effort", coolant,
        {{-20, 55.0}, {0, 48.0}, {20, 42.0}, {40, 37.0}, {60, 34.0}, {80, 32.0}, {100, 32.0}});
    El perRpm = d.constant("Idle Effort per 100 RPM", 2.0);
    d.lane(1);
    El feedForward = d.multiply("Idle Load Effort (%)", extra, perRpm, 1.0);
    El kp = d.constant("Idle Proportional Gain", 3.0);
    El ki = d.constant("Idle Integral Gain", 1.0);
    d.lane(2);
    PidInputs p;
    p.setpoint = target;
    p.feedback = kRpm;
    p.integral = ki;
    p.proportional = kp;
    p.stopIntegralUp = openLoop;
    p.stopIntegralDown = openLoop;
    p.stopProportional = openLoop;
    p.stopDifferential = 1.0;
    p.resetIntegral = Ref{"Engine Not Started"};
    p.timesliceMs = 50.0;
    El pid = d.pid("Idle Speed PID", p);
    El open = d.sum("Idle Base + Load (%)", baseEffort, feedForward);
    d.lane(3);
    El total = d.sum("Idle Effort Sum (%)", open, pid);
    d.lane(4);
    El effort = d.clip("Idle Effort (%)", total, 0.0, 100.0);

    d.group("Idle actuator", true);
    d.lane(0);
    El type = d.mux4("Idle Controller Type", 0,
                     {{"2-wire Valve", 1.0},
                      {"3-wire Valve", 1.0},
                      {"Stepper Motor", 2.0},
                      {"None (ign only)", 0.0}});
    El steps = d.constant("Steps of Motor", 120.0);
    d.lane(1);
    El valve = d.compare("Idle Valve Selected", type, Compare::Equal, 1.0);
    El stepper = d.compare("Idle Stepper Selected", type, Compare::Equal, 2.0);
    El position = d.multiply("Stepper Target (steps)", effort, steps, 100.0);
    d.lane(2);
    d.select("Idle Valve Duty (%)", valve, 0.0, effort);
    El wanted = d.select("Stepper Position Wanted", stepper, 0.0, position);
    d.lane(3);
    d.stepper("Idle Stepper", wanted, 2);

    d.group("Loads");
    d.lane(0);
    El elecOn = d.logicOr("Elec Load Requests", dig(Wiring::kElecLoad1), dig(Wiring::kElecLoad2));
    El mechOn =
        d.logicOr("PSP or A/C Request", dig(Wiring::kPowerSteering), dig(Wiring::kAirConRequest));
    d.lane(1);
    d.logicNor("All Elec Loads Disabled", elecOn, mechOn);
}

void boost(Design& d) {
    d.page(Pages::kBoost, "Boost Control");

    // Base duty holds the wastegate; the PID trims towards the target once the
    // manifold pressure comes near it with the throttle open.
    d.group("Boost target");
    d.lane(0);
    El rpm = d.clip("Boost RPM/100", kRpm, 0.0, 200.0);
    El map = d.clip("Boost MAP (kPa)", Ref{"MAP (kPa)"}, 0.0, 400.0);
    El tps = d.clip("Boost TPS (%)", kTps, 0.0, 100.0);
    d.lane(1);
    El target =
        d.table2D("Boost Target (kPa)", rpm, {{10, 100.0}, {20, 110.0}, {30, 140.0}, {80, 140.0}});
    El baseDuty = d.table2D("Boost Base Duty (%)", rpm, {{10, 0.0}, {80, 0.0}});
    El window = d.constant("Boost PID Window (kPa)", 30.0);
    d.lane(2);
    El entry = d.difference("Boost PID Entry (kPa)", target, window);
    El open = d.compare("Boost Throttle Open", tps, Compare::Greater, 50.0);
    d.lane(3);
    El near = d.compare("MAP Near Boost Target", map, Compare::Greater, entry);
    d.lane(4);
    El active = d.logicAnd("Boost Control Active", near, open);
    El idle = d.logicNot("Boost Control Idle", active);

    d.group("Boost trim", true);
    d.lane(0);
    El kp = d.constant("Boost Proportional Gain", 0.5);
    El ki = d.constant("Boost Integral Gain", 0.5);
    d.lane(1);
    PidInputs p;
    p.setpoint = target;
    p.feedback = map;
    p.integral = ki;
    p.proportional = kp;
    p.stopIntegralUp = idle;
    p.stopIntegralDown = idle;
    p.stopProportional = idle;
    p.stopIntegral = idle;
    p.stopDifferential = 1.0;
    p.resetIntegral = idle;
    p.timesliceMs = 50.0;
    El pid = d.pid("Boost PID", p);
    d.lane(2);
    El sum = d.sum("Boost Duty Sum (%)", baseDuty, pid);
    El limit = d.constant("Boost Duty Limit (%)", 90.0);
    d.lane(3);
    d.clip("Boost Duty (%)", sum, 0.0, limit);
}

void camTiming(Design& d) {
    d.page(Pages::kVvt, "VVT Control");

    // Cam positions repeat every cylinder period; the wrapper folds them into
    // plus or minus half a period (limits written by the setup wizard).
    d.group("Cam angles");
    d.lane(0);
    El offset1 = d.constant("VVT1 Cam Offset (°)", 0.0);
    El offset2 = d.constant("VVT2 Cam Offset (°)", 0.0);
    d.lane(1);
    El raw1 = d.sum("VVT1 Raw + Offset (°)", Dedicated::vvt(1), offset1);
    El raw2 = d.sum("VVT2 Raw + Offset (°)", Dedicated::vvt(2), offset2);
    El lowest = d.constant("VVT Wrapper Minimum", -90.0);
    El highest = d.constant("VVT Wrapper Maximum", 90.0);
    d.lane(2);
    El angle1 = d.wrap("VVT1 Cam Angle (°)", raw1, lowest, highest);
    El angle2 = d.wrap("VVT2 Cam Angle (°)", raw2, lowest, highest);

    d.group("When to control");
    d.lane(0);
    El enable = d.tickbox("VVT Control Enable", false, 0.0, 1.0);
    El minCoolant = d.constant("VVT Min Coolant (°C)", 40.0);
    d.lane(1);
    El warm = d.compare("VVT Coolant Warm", kCoolant, Compare::GreaterEq, minCoolant);
    d.lane(2);
    El on = d.logicAnd("VVT Enabled Warm", enable, warm);
    d.lane(3);
    El active = d.logicAnd("VVT Active", on, Ref{"Engine Above Cranking"});
    El idle = d.logicNot("VVT Inactive", active);

    // The solenoid holds the cam at the hold duty; the PID moves it to the target.
    d.group("Cam control", true);
    d.lane(0);
    El rpm = d.clip("VVT RPM/100", kRpm, 0.0, 200.0);
    d.lane(1);
    El target1 = d.table2D("VVT1 Target (°)", rpm,
                           {{10, 0.0}, {20, 10.0}, {40, 20.0}, {60, 15.0}, {80, 5.0}});
    El target2 = d.table2D("VVT2 Target (°)", rpm, {{10, 0.0}, {80, 0.0}});
    El kp = d.constant("VVT Proportional Gain", 1.0);
    El ki = d.constant("VVT Integral Gain", 1.0);
    El hold = d.constant("VVT Hold Duty (%)", 50.0);
    for (int k = 1; k <= 2; ++k) {
        std::string n = "VVT" + std::to_string(k);
        PidInputs p;
        p.setpoint = k == 1 ? target1 : target2;
        p.feedback = k == 1 ? angle1 : angle2;
        p.integral = ki;
        p.proportional = kp;
        p.stopIntegralUp = idle;
        p.stopIntegralDown = idle;
        p.stopProportional = idle;
        p.stopIntegral = idle;
        p.stopDifferential = 1.0;
        p.resetIntegral = idle;
        p.timesliceMs = 20.0;
        d.lane(2);
        El pid = d.pid(n + " PID", p);
        d.lane(3);
        El sum = d.sum(n + " Duty Sum (%)", hold, pid);
        El clipped = d.clip(n + " Duty Clipped (%)", sum, 0.0, 100.0);
        d.lane(4);
        d.select(n + " Duty (%)", active, 0.0, clipped);
    }
}

// Throttle sensor or pedal in percent between its closed and full voltages.
El percentOf(Design& d, const std::string& name, Out input, double closedV, double fullV) {
    d.lane(0);
    El closed = d.constant(name + " Closed (V x100)", closedV);
    El full = d.constant(name + " Full (V x100)", fullV);
    d.lane(1);
    El offset = d.difference(name + " Above Closed", input, closed);
    El span = d.difference(name + " Span", full, closed);
    d.lane(2);
    El raw = d.multiply(name + " Raw (%)", offset, 100.0, span);
    d.lane(3);
    return d.clip(name + " (%)", raw, 0.0, 100.0);
}

void driveByWire(Design& d) {
    d.page(Pages::kDriveByWire, "Drive-By-Wire");

    // Two pedal tracks and a second throttle track are compared with the first;
    // a disagreement lets the throttle spring back (both outputs off).
    d.group("Pedal and TPS sensors");
    El pedal1 = percentOf(d, "Pedal 1", Dedicated::ana(Wiring::kPedal1), 50.0, 450.0);
    El pedal2 = percentOf(d, "Pedal 2", Dedicated::ana(Wiring::kPedal2), 50.0, 450.0);
    El tps2 = percentOf(d, "TPS 2", Dedicated::ana(Wiring::kTps2), 50.0, 450.0);
    d.lane(3);
    El tps1 = d.clip("DBW TPS 1 (%)", kTps, 0.0, 100.0);
    d.lane(4);
    El pedalDiff = d.difference("Pedal 1-2 Difference", pedal1, pedal2);
    El tpsDiff = d.difference("TPS 1-2 Difference", tps1, tps2);

    d.group("Plausibility", true);
    d.lane(0);
    El limit = d.constant("DBW Mismatch Limit (%)", 10.0);
    d.lane(1);
    El negative = d.difference("DBW Mismatch Neg (%)", 0.0, limit);
    d.lane(2);
    El p1 = d.compare("Pedal 1 Too High", pedalDiff, Compare::Greater, limit);
    El p2 = d.compare("Pedal 1 Too Low", pedalDiff, Compare::Less, negative);
    El t1 = d.compare("TPS 1 Too High", tpsDiff, Compare::Greater, limit);
    El t2 = d.compare("TPS 1 Too Low", tpsDiff, Compare::Less, negative);
    d.lane(3);
    El pedalFault = d.logicOr("Pedal Mismatch", p1, p2);
    El tpsFault = d.logicOr("TPS Mismatch", t1, t2);
    d.lane(4);
    El fault = d.logicOr("DBW Fault", pedalFault, tpsFault);
    El use = d.tickbox("Use Drive-By-Wire", false, 0.0, 1.0);
    d.lane(5);
    El active = d.logicAnd("DBW Active", use, fault, false, true);
    El idle = d.logicNot("DBW Inactive", active);

    // Target opening: the pedal plus an idle opening from the idle effort.
    d.group("Throttle target", true);
    d.lane(0);
    El idleEffort = d.clip("DBW Idle Effort (%)", Ref{"Idle Effort (%)"}, 0.0, 100.0);
    El idleRange = d.constant("DBW Idle Range (%)", 10.0);
    d.lane(1);
    El idleOpening = d.multiply("DBW Idle Opening (%)", idleEffort, idleRange, 100.0);
    d.lane(2);
    El wanted = d.sum("Throttle Target Sum (%)", pedal1, idleOpening);
    d.lane(3);
    El target = d.clip("Throttle Target (%)", wanted, 0.0, 100.0);

    // The PID drives an H-bridge: output 1 opens, output 2 closes.
    d.group("Throttle motor", true);
    d.lane(0);
    El kp = d.constant("Throttle Prop. Gain", 4.0);
    El ki = d.constant("Throttle Integ. Gain", 10.0);
    d.lane(1);
    PidInputs p;
    p.setpoint = target;
    p.feedback = tps1;
    p.integral = ki;
    p.proportional = kp;
    p.stopIntegralUp = idle;
    p.stopIntegralDown = idle;
    p.stopProportional = idle;
    p.stopIntegral = idle;
    p.stopDifferential = 1.0;
    p.resetIntegral = idle;
    p.timesliceMs = 10.0;
    El pid = d.pid("Throttle PID", p);
    d.lane(2);
    El effort = d.clip("DBW Effort (%)", pid, -100.0, 100.0);
    d.lane(3);
    El on = d.select("DBW Effort Active (%)", active, 0.0, effort);
    d.lane(4);
    d.clip("DBW Output 1 (%)", on, 0.0, 100.0);
    El reversed = d.difference("DBW Effort Reversed", 0.0, on);
    d.lane(5);
    d.clip("DBW Output 2 (%)", reversed, 0.0, 100.0);
}

} // namespace

void declareIdleAndActuators(Design& d) {
    idle(d);
    boost(d);
    camTiming(d);
    driveByWire(d);
}

} // namespace zolmar::defaults
