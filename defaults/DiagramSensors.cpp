// Sensor pages: MAP and throttle position, temperatures, the oxygen sensor, and
// engine speed, vehicle speed and the load axes of the maps.
#include "Calibration.h"
#include "DefaultDiagram.h"

namespace zolmar::defaults {

namespace {

using namespace Dedicated;
using Calibration::linear;

void mapAndThrottle(Design& d) {
    d.page(Pages::kMapTps, "MAP & TPS Sensors");

    d.group("MAP sensor");
    d.lane(0);
    El input = d.clip("MAP Input (V x100)", ana(Wiring::kMap), 0.0, 500.0);
    d.lane(1);
    El bar1 = d.table2D("MAP 1 Bar Curve (kPa)", input, linear(0, 10.0, 5, 105.0));
    El bar2 = d.table2D("MAP 2 Bar Curve (kPa)", input, linear(0, 8.8, 5, 208.0));
    El bar3 = d.table2D("MAP 3 Bar Curve (kPa)", input, linear(0, 1.1, 5, 315.5));
    d.lane(2);
    El raw = d.mux4("MAP Sensor Raw", 1,
                    {{"None (100 kPa)", 100.0}, {"1 Bar", bar1}, {"2 Bar", bar2}, {"3 Bar", bar3}});
    d.lane(3);
    d.clip("MAP (kPa)", raw, 5.0, 400.0);

    // The throttle's closed and wide-open voltages are learned: "Learn TPS" first
    // takes the present voltage as both ends, then widens them as the throttle moves.
    d.group("TPS learning", true);
    d.lane(0);
    El tps = d.clip("TPS Input (V x100)", ana(Wiring::kTps), 0.0, 500.0);
    El learn = d.tickbox("Learn TPS", false, 0.0, 1.0);
    d.lane(1);
    El closed = d.table2D("TPS Closed (V x100)", 0.0, {{0, 50.0}});
    El wot = d.table2D("TPS WOT (V x100)", 0.0, {{0, 450.0}});
    d.lane(2);
    El below = d.compare("TPS Below Closed", tps, Compare::Less, closed);
    El above = d.compare("TPS Above WOT", tps, Compare::Greater, wot);
    d.advanced(true);
    El learnDelayed = d.delay("TPS Learn Delayed", learn, 200);
    d.advanced(false);
    El starting = d.logicAnd("TPS Learn Starting", learn, learnDelayed, false, true);
    d.lane(3);
    El newClosed = d.logicOr("TPS New Closed", below, starting);
    El newWot = d.logicOr("TPS New WOT", above, starting);
    d.lane(4);
    El learnClosed = d.logicAnd("Learn TPS Closed", learn, newClosed);
    El learnWot = d.logicAnd("Learn TPS WOT", learn, newWot);
    d.learn(closed, tps, learnClosed, 1.0);
    d.learn(wot, tps, learnWot, 1.0);

    d.group("Throttle position", true);
    d.lane(0);
    El span = d.difference("TPS Span (V x100)", wot, closed);
    El offset = d.difference("TPS Above Closed", tps, closed);
    d.lane(1);
    El percent = d.multiply("TPS Unclipped (%)", offset, 100.0, span);
    d.lane(2);
    d.clip("TPS Clipped", percent, 0.0, 100.0);
}

// One NTC temperature input: the curves of the four makes the wizard offers, the
// selection, and a fallback value while the input reads open or shorted.
void temperature(Design& d, const std::string& heading, const std::string& prefix, int channel,
                 const std::string& rawName, const std::string& sensorName,
                 const std::string& faultName, const std::string& okName,
                 const std::string& limpName, double limp, bool newBand) {
    using Calibration::Thermistor;
    using Calibration::thermistorCurve;
    d.group(heading, newBand);
    d.lane(0);
    El input = d.clip(prefix + " Input (V x100)", ana(channel), 0.0, 500.0);
    d.lane(1);
    El ford =
        d.table2D(prefix + " Ford Curve (°C)", input, thermistorCurve(Thermistor{37300, 3950}));
    El mazda =
        d.table2D(prefix + " Mazda Curve (°C)", input, thermistorCurve(Thermistor{2600, 3500}));
    El nissan =
        d.table2D(prefix + " Nissan Curve (°C)", input, thermistorCurve(Thermistor{2500, 3380}));
    El toyota =
        d.table2D(prefix + " Toyota Curve (°C)", input, thermistorCurve(Thermistor{2450, 3450}));
    El shorted = d.compare(prefix + " Input Shorted", input, Compare::Less, 5.0);
    El open = d.compare(prefix + " Input Open", input, Compare::Greater, 499.0);
    d.lane(2);
    El raw = d.mux4(rawName, 3,
                    {{"Ford", ford}, {"Mazda", mazda}, {"Nissan", nissan}, {"Toyota", toyota}});
    El fault = d.logicOr(faultName, shorted, open);
    El limpValue = d.constant(limpName, limp);
    d.lane(3);
    d.select(sensorName, fault, raw, limpValue);
    d.logicNot(okName, fault);
}

void lambda(Design& d) {
    d.page(Pages::kLambda, "Lambda Sensors");

    d.group("Analogue oxygen sensor");
    d.lane(0);
    El input = d.clip("O2 Input (V x100)", ana(Wiring::kOxygen), 0.0, 500.0);
    d.lane(1);
    El bosch = d.table2D("Bosch WB 0-1V (AFR)", input, linear(0, 10.0, 1, 20.0));
    El custom = d.table2D("Custom WB 0-5V (AFR)", input, linear(0, 10.0, 5, 20.0));
    El aem = d.table2D("AEM UEGO 0-5V (AFR)", input, linear(0, 7.31, 5, 19.19));
    El ngk = d.table2D("NGK AFX 0-5V (AFR)", input, linear(0, 8.82, 5, 19.11));
    El narrow = d.table2D("Narrowband O2 (AFR)", input,
                          {{0, 17.0},
                           {10, 16.0},
                           {20, 15.2},
                           {35, 14.9},
                           {45, 14.7},
                           {55, 14.5},
                           {70, 14.1},
                           {80, 13.6},
                           {90, 12.8},
                           {100, 12.0}});
    d.lane(2);
    El wideband = d.mux4("Analogue Wideband Select", 0,
                         {{"Bosch 0-1V", bosch},
                          {"Custom 0-5V", custom},
                          {"AEM UEGO 0-5V", aem},
                          {"NGK AFX 0-5V", ngk}});

    d.group("Measured mixture", true);
    d.lane(0);
    // A serial wideband controller reports the mixture and whether it is valid.
    El serial = d.select("Serial AFR", serial1(2), 0.0, serial1(1));
    d.lane(1);
    El type = d.mux4("Oxygen Sensor Type", 2,
                     {{"None", 0.0},
                      {"Narrowband 0-1V", narrow},
                      {"Analog. Wideband", wideband},
                      {"Serial Wideband", serial}});
    d.lane(2);
    El afr = d.clip("Measured AFR", type, 0.0, 30.0);
    d.lane(3);
    El rich = d.compare("AFR Above 7", afr, Compare::Greater, 7.0);
    El lean = d.compare("AFR Below 22", afr, Compare::Less, 22.0);
    d.lane(4);
    d.logicAnd("AFR Reading Valid", rich, lean);
}

void speedAndLoad(Design& d) {
    d.page(Pages::kSpeedLoad, "Speed & Load");

    d.group("Engine speed");
    d.lane(0);
    El rpm = d.clip("Engine RPM/100", Dedicated::rpm(), 0.0, 200.0);
    El crankLimit = d.constant("Cranking RPM Limit /100", 4.0);
    d.lane(1);
    El running = d.compare("Engine Running", rpm, Compare::Greater, 0.0);
    El started = d.compare("Engine Above Cranking", rpm, Compare::GreaterEq, crankLimit);
    d.lane(2);
    d.logicAnd("Engine Cranking", running, started, false, true);
    d.logicNot("Engine Not Started", started);

    d.group("Vehicle speed");
    d.lane(0);
    El front = d.sum("VSS 1+2", vss(1), vss(2));
    El rear = d.sum("VSS 3+4", vss(3), vss(4));
    d.lane(1);
    El all = d.sum("VSS Total", front, rear);
    d.lane(2);
    El average = d.multiply("VSS Wheel Average", all, 1.0, 4.0);
    d.lane(3);
    El arrangement = d.mux4("VSS arrangement", 0,
                            {{"None", 0.0},
                             {"Gearbox Hall", vss(1)},
                             {"Hall + 2 Reluct.", vss(1)},
                             {"4 Wheel Reluctor", average}});
    d.lane(4);
    d.clip("Vehicle Speed (km/h)", arrangement, 0.0, 400.0);

    // The steady-state MAP the throttle will give: tip-in is seen before the
    // manifold fills (acceleration enrichment) and is one choice of load.
    d.group("Load axes", true);
    d.spacing(5, 1);
    d.lane(0);
    El map = d.clip("Load MAP (kPa)", Ref{"MAP (kPa)"}, 0.0, 400.0);
    El tps = d.clip("Load TPS (%)", Ref{"TPS Clipped"}, 0.0, 100.0);
    d.lane(1);
    El predicted = d.table3D("Predicted MAP (kPa)", rpm, tps, Calibration::rpmAxis(),
                             Calibration::tpsAxis(), Calibration::predictedMap);
    El ahead = d.compare("Predicted Above MAP", predicted, Compare::Greater, map);
    d.lane(2);
    El higher = d.select("MAP or Predicted (kPa)", ahead, map, predicted);
    d.lane(3);
    auto axis = [&](const std::string& name, int selected) {
        d.mux4(name, selected,
               {{"MAP (kPa)", map},
                {"TPS (%)", tps},
                {"Predicted MAP", predicted},
                {"Max MAP/Predict", higher}});
    };
    axis("Load Axis for VE map 1", 0);
    axis("Load Axis for VE map 2", 1);
    axis("Ignition Map Load Axis", 0);
    axis("Target Lambda Load Axis", 0);
}

} // namespace

void declareSensors(Design& d) {
    mapAndThrottle(d);

    d.page(Pages::kTemperatures, "Temperature Sensors");
    temperature(d, "Coolant temperature", "ECT", Wiring::kCoolant, "Coolant Temperature Raw",
                "Coolant Temp (°C)", "Coolant Sensor Fault", "Coolant Sensor OK",
                "Coolant Limp Value (°C)", 60.0, false);
    temperature(d, "Air temperature", "IAT", Wiring::kAirTemp, "Air Temperature Raw",
                "Air Temp (°C)", "Air Temp Sensor Fault", "Air Temp Sensor OK",
                "Air Temp Limp Value (°C)", 25.0, true);

    lambda(d);
    speedAndLoad(d);
}

} // namespace zolmar::defaults
