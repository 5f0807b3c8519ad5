// Fuel pages: the speed-density fuel equation, enrichments, closed-loop lambda
// control and the injector pulse with dead time, staging, cranking and cuts.
#include "Calibration.h"
#include "DefaultDiagram.h"

namespace zolmar::defaults {

namespace {

const Ref kRpm{"Engine RPM/100"};
const Ref kCoolant{"Coolant Temp (°C)"};
const Ref kAirTemp{"Air Temp (°C)"};

void fuelBase(Design& d) {
    d.page(Pages::kFuelBase, "Fuel Base");

    d.group("VE and mixture");
    d.lane(0);
    El rpm = d.clip("Fuel RPM/100", kRpm, 0.0, 200.0);
    El load1 = d.clip("VE1 Load", Ref{"Load Axis for VE map 1"}, -100.0, 400.0);
    El load2 = d.clip("VE2 Load", Ref{"Load Axis for VE map 2"}, -100.0, 400.0);
    El loadAfr = d.clip("Target AFR Load", Ref{"Target Lambda Load Axis"}, -100.0, 400.0);
    d.lane(1);
    El ve1 = d.table3D("%Volumetric Efficiency 1", rpm, load1, Calibration::rpmAxis(),
                       Calibration::loadAxis(), Calibration::volumetricEfficiency);
    El ve2 = d.table3D("%Volumetric Efficiency 2", rpm, load2, Calibration::rpmAxis(),
                       Calibration::tpsAxis(), [](double, double) { return 100.0; });
    El target = d.table3D("Target Lambda (AFR)", rpm, loadAfr, Calibration::rpmAxis(),
                          Calibration::loadAxis(), Calibration::targetAfr);
    El stoich = d.constant("Stoichiometric AFR", 14.70);
    d.lane(2);
    El ve = d.multiply("Volumetric Effic. (%)", ve1, ve2, 100.0);
    // Richer than stoichiometric needs proportionally more fuel.
    El mixture = d.multiply("Fuel Mixture (%)", stoich, 100.0, target);
    d.lane(3);
    El veMixture = d.multiply("VE x Mixture (%)", ve, mixture, 100.0);

    // Air mass follows the manifold pressure (speed density); the corrections
    // (temperatures, acceleration, closed loop) come from their own pages.
    d.group("Fuel equation", true);
    d.lane(0);
    El map = d.clip("Fuel MAP (kPa)", Ref{"MAP (kPa)"}, 0.0, 400.0);
    El corrections = d.clip("Fuel Corrections In (%)", Ref{"Fuel Corrections (%)"}, 0.0, 600.0);
    d.lane(1);
    El charge = d.multiply("Air Charge (%)", veMixture, map, 100.0);
    d.lane(2);
    El demand = d.multiply("Fuel Demand (%)", charge, corrections, 100.0);
    d.lane(3);
    d.multiply("Injector Open Time (ms)", Ref{"Required Fuel (ms)"}, demand, 100.0);

    // Required fuel: the injector time for one cylinder filling at 100 % VE,
    // 100 kPa and 20 degrees C, at the stoichiometric mixture. Air at 100 kPa and
    // 20 degrees C weighs 1.189 g/l and petrol 0.74 g/cc, so with the capacity per
    // cylinder in units of 10 cc and the injector size in units of 10 cc/min:
    // ms = 1.189 x 60000 / (14.7 x 0.74 x 10) x (cc/10) / (cc/min/10) / 100
    //    = 6.558 x (cc/10) / (cc/min/10).
    d.group("Engine and injectors", true);
    d.lane(0);
    El cylinders = d.constant("Number of Cylinders", 4.0);
    El rotors = d.mux4("Number of Rotors", 1,
                       {{"1 Rotor", 1.0}, {"2 Rotors", 2.0}, {"3 Rotors", 3.0}, {"4 Rotors", 4.0}});
    El wankel = d.tickbox("Engine is Wankel/Rotary", false, 0.0, 1.0);
    d.lane(1);
    El chambers = d.select("Cylinders or Rotors", wankel, cylinders, rotors);
    El capacity = d.constant("Engine Capacity (Litres)", 1.60);
    d.lane(2);
    El perCylinder = d.multiply("Capacity per Cyl (x10cc)", capacity, 100.0, chambers);
    El injector = d.constant("Inj. Size (x100 L/min)", 40.0);
    d.advanced(true);
    El factor = d.constant("Req Fuel Factor", 6.558);
    d.advanced(false);
    d.lane(3);
    d.multiply("Required Fuel (ms)", perCylinder, factor, injector);
}

void enrichment(Design& d) {
    d.page(Pages::kFuelEnrichment, "Fuel Enrichment");

    d.group("Warm-up and after-start");
    d.lane(0);
    El coolant = d.clip("Enrich Coolant (°C)", kCoolant, -40.0, 150.0);
    El notStarted = d.clip("Enrich Not Started", Ref{"Engine Not Started"}, 0.0, 1.0);
    El seconds = d.constant("After-Start Time (s)", 15.0);
    d.lane(1);
    El afterStart = d.table2D(
        "After-Start Enrich (%)", coolant,
        {{-20, 45.0}, {0, 35.0}, {20, 25.0}, {40, 15.0}, {60, 10.0}, {80, 6.0}, {100, 5.0}});
    El warmup = d.table2D("Warm-up Enrichment (%)", coolant,
                          {{-40, 170.0},
                           {-20, 150.0},
                           {0, 135.0},
                           {20, 120.0},
                           {40, 110.0},
                           {60, 104.0},
                           {70, 101.0},
                           {80, 100.0},
                           {105, 100.0},
                           {120, 105.0}});
    El timer = d.timer("After-Start Timer", seconds, notStarted);
    d.lane(2);
    // The extra enrichment fades linearly while the timer runs down.
    El fading = d.multiply("After-Start Decay (%)", afterStart, timer.out(1), seconds);
    d.lane(3);
    d.gap(6);
    El warm = d.sum("Warm-up Total (%)", warmup, fading);

    d.group("Air density");
    d.lane(0);
    El air = d.clip("Enrich Air Temp (°C)", Ref{"Air Temp (°C)"}, -40.0, 150.0);
    d.lane(1);
    // Air density relative to 20 degrees C.
    El density = d.table2D("Air Temp Fuel Corr (%)", air,
                           {{-40, 125.8},
                            {-20, 115.8},
                            {0, 107.3},
                            {20, 100.0},
                            {40, 93.6},
                            {60, 88.0},
                            {80, 83.0},
                            {100, 78.6},
                            {120, 74.6}});

    // Tip-in is seen in the predicted MAP before the manifold fills: its rise over
    // the last 200 ms adds fuel, more on a cold engine.
    d.group("Accel from predicted MAP", true);
    d.lane(0);
    El predicted = d.clip("Enrich Predicted MAP", Ref{"Predicted MAP (kPa)"}, 0.0, 400.0);
    d.lane(1);
    d.advanced(true);
    El before = d.delay("Predicted MAP 200ms Ago", predicted, 200);
    d.advanced(false);
    d.lane(2);
    El rise = d.difference("Predicted MAP Rise", predicted, before);
    d.lane(3);
    El rising = d.clip("Accel MAP Rise (kPa)", rise, 0.0, 100.0);
    El perKpa = d.constant("Accel Enrich per kPa (%)", 1.0);
    d.lane(4);
    El accel = d.multiply("Accel Enrichment (%)", rising, perKpa, 1.0);

    d.group("All corrections", true);
    d.lane(0);
    El cold = d.multiply("Accel Enrich Warm-up (%)", accel, warm, 100.0);
    d.lane(1);
    El accelFactor = d.sum("Accel Factor (%)", cold, 100.0);
    d.lane(2);
    El both = d.multiply("Warm-up x Accel (%)", warm, accelFactor, 100.0);
    d.lane(3);
    El withAir = d.multiply("Temp x Accel (%)", both, density, 100.0);
    d.lane(4);
    El closedLoop = d.clip("CL Factor In (%)", Ref{"CL Fuel Factor (%)"}, 0.0, 200.0);
    d.lane(5);
    d.multiply("Fuel Corrections (%)", withAir, closedLoop, 100.0);
}

void closedLoop(Design& d) {
    d.page(Pages::kClosedLoop, "Closed-Loop Fuel");

    d.group("When to trim");
    d.lane(0);
    El enable = d.tickbox("Closed-Loop Enable", true, 0.0, 1.0);
    El minCoolant = d.constant("CL Min Coolant (°C)", 60.0);
    El maxRpm = d.constant("CL Max RPM /100", 45.0);
    El minAfr = d.constant("CL Min Target AFR", 14.0);
    El settled = d.delay("CL Start Delay (ms)", Ref{"Engine Above Cranking"}, 10000);
    d.lane(1);
    El warm = d.compare("CL Coolant Warm", kCoolant, Compare::GreaterEq, minCoolant);
    El slow = d.compare("CL RPM In Range", kRpm, Compare::LessEq, maxRpm);
    El lean = d.compare("CL Target Lean", Ref{"Target Lambda (AFR)"}, Compare::GreaterEq, minAfr);
    El steady = d.compare("CL No Accel", Ref{"Accel Enrichment (%)"}, Compare::LessEq, 0.0);
    d.lane(2);
    El c1 = d.logicAnd("CL Sensor Ready", enable, Ref{"AFR Reading Valid"});
    El c2 = d.logicAnd("CL Engine Warm", warm, slow);
    El c3 = d.logicAnd("CL Cruise Mixture", lean, steady);
    El c4 = d.logicAnd("CL Fuelling", settled, Ref{"Fuel Cut"}, false, true);
    d.lane(3);
    El c12 = d.logicAnd("CL Conditions A", c1, c2);
    El c34 = d.logicAnd("CL Conditions B", c3, c4);
    d.lane(4);
    El active = d.logicAnd("Closed-Loop Fuel", c12, c34);
    d.logicNot("Open-Loop Fuel", active);

    // The PID trims the fuel in percent: measured leaner than the target adds fuel.
    // Out of closed loop the trim is held and not applied; it restarts at 0 with
    // every start. At the trim limit the integral stops winding up.
    d.group("Lambda PID", true);
    d.lane(0);
    El kp = d.constant("CL Proportional Gain", 1.0);
    El ki = d.constant("CL Integral Gain", 2.0);
    El limit = d.constant("CL Trim Limit (%)", 15.0);
    d.lane(1);
    El lowest = d.difference("CL Trim Lower Limit", 0.0, limit);
    El stopUp = d.logicOr("CL Stop Trim Up", Ref{"Open-Loop Fuel"}, Ref{"CL Fuel Trim (%)", 1});
    El stopDown = d.logicOr("CL Stop Trim Down", Ref{"Open-Loop Fuel"}, Ref{"CL Fuel Trim (%)", 2});
    d.lane(2);
    PidInputs p;
    p.setpoint = Ref{"Measured AFR"};
    p.feedback = Ref{"Target Lambda (AFR)"};
    p.integral = ki;
    p.proportional = kp;
    p.stopIntegralUp = stopUp;
    p.stopIntegralDown = stopDown;
    p.stopProportional = Ref{"Open-Loop Fuel"};
    p.stopIntegral = Ref{"Open-Loop Fuel"};
    p.stopDifferential = 1.0;
    p.resetIntegral = Ref{"Engine Not Started"};
    p.timesliceMs = 50.0;
    El pid = d.pid("Closed-Loop Fuel PID", p);
    d.lane(3);
    El trim = d.clip("CL Fuel Trim (%)", pid, lowest, limit);
    d.lane(4);
    d.sum("CL Fuel Factor (%)", trim, 100.0);
}

void pulse(Design& d) {
    d.page(Pages::kFuelPulse, "Fuel Pulse");

    // Secondary injectors join in above the staging point; both then share the
    // fuel in proportion to their sizes.
    d.group("Staging");
    d.lane(0);
    El open = d.clip("Open Time In (ms)", Ref{"Injector Open Time (ms)"}, 0.0, 600.0);
    El primary = d.clip("Primary Size", Ref{"Inj. Size (x100 L/min)"}, 0.0, 600.0);
    El secondary = d.constant("Sec Inj Size(x100 L/min)", 0.0);
    El stagingPoint = d.constant("Staging Point (ms)", 8.0);
    d.lane(1);
    El over = d.compare("Above Staging Point", open, Compare::Greater, stagingPoint);
    El fitted = d.compare("Secondary Fitted", secondary, Compare::Greater, 0.0);
    El both = d.sum("Pri + Sec Size", primary, secondary);
    d.lane(2);
    El staged = d.logicAnd("Staging Active", over, fitted);
    El shared = d.multiply("Staged Open Time (ms)", open, primary, both);
    d.lane(3);
    El priOpen = d.select("Primary Open Time (ms)", staged, open, shared);
    El secOpen = d.select("Secondary Open Time (ms)", staged, 0.0, shared);

    d.group("Dead time and cranking", true);
    d.lane(0);
    El dead = d.table2D(
        "Injector Dead Time (ms)", Dedicated::battery(),
        {{6, 3.2}, {8, 2.2}, {10, 1.56}, {12, 1.16}, {13, 1.0}, {14, 0.9}, {15, 0.8}, {16, 0.72}});
    El crank = d.table2D(
        "Cranking Fuel (%)", kCoolant,
        {{-20, 380.0}, {0, 260.0}, {20, 170.0}, {40, 125.0}, {60, 95.0}, {80, 80.0}, {100, 70.0}});
    d.lane(1);
    El running = d.sum("Running Pulse (ms)", priOpen, dead);
    El cranking = d.multiply("Cranking Pulse (ms)", Ref{"Required Fuel (ms)"}, crank, 100.0);
    El secRun = d.sum("Secondary Run Pulse (ms)", secOpen, dead);
    d.lane(2);
    El pulse = d.select("Fuel Pulse (ms)", Ref{"Engine Cranking"}, running, cranking);
    d.lane(3);
    El afterCuts = d.select("Pulse After Cuts (ms)", Ref{"Fuel Cut"}, pulse, 0.0);
    d.lane(4);
    El enabled = d.tickbox("Enable Injectors", true, 0.0, afterCuts);
    d.lane(5);
    // No injection while the engine does not turn.
    El final = d.select("Injector Pulse (ms)", Ref{"Engine Running"}, 0.0, enabled);
    d.lane(6);
    El firing = d.compare("Injectors Firing", final, Compare::Greater, 0.0);
    d.multiply("Injector Duty (%)", final, kRpm, 12.0);
    d.lane(7);
    El secOn = d.logicAnd("Secondary Firing", staged, firing);
    d.lane(8);
    d.select("Sec Injector Pulse (ms)", secOn, 0.0, secRun);

    d.group("Injection timing", true);
    d.lane(0);
    d.table2D("Injection Angle (°BTDC)", kRpm,
              {{5, 380.0}, {20, 380.0}, {40, 420.0}, {60, 450.0}, {80, 470.0}});
}

} // namespace

void declareFuel(Design& d) {
    fuelBase(d);
    enrichment(d);
    closedLoop(d);
    pulse(d);
}

} // namespace zolmar::defaults
