// The gauge page: what a tuner watches, with the target, validity and effort
// companions the live gauges window shows beside a value.
#include "DefaultDiagram.h"

namespace zolmar::defaults {

namespace {

GaugeScale dial(double minimum, double maximum, double soft, double hard, int number = 0,
                bool big = false) {
    GaugeScale g;
    g.minimum = minimum;
    g.maximum = maximum;
    g.softAlarm = soft;
    g.hardAlarm = hard;
    g.style = big ? GaugeStyle::BigDial : GaugeStyle::SmallDial;
    g.dial = number;
    return g;
}

GaugeScale indicator() {
    GaugeScale g;
    g.minimum = 0;
    g.maximum = 1;
    g.softAlarm = 1;
    g.hardAlarm = 1;
    g.style = GaugeStyle::Indicator;
    return g;
}

} // namespace

void declareGauges(Design& d) {
    d.page(Pages::kGauges, "Gauges");

    // The five values on the dial gauges window, in its order.
    d.group("Engine");
    d.lane(0);
    d.gauge("RPM/100", Ref{"Engine RPM/100"}, dial(0, 80, 68, 72, 1, true));
    d.lane(1);
    d.gauge("MAP", Ref{"MAP (kPa)"}, dial(0, 240, 180, 200, 2, true));
    d.lane(2);
    d.gauge("AFR", Ref{"Measured AFR"}, dial(10, 18, 16, 17, 3, true));
    d.lane(3);
    d.gauge("Coolant (°C)", Ref{"Coolant Temp (°C)"}, dial(-20, 140, 105, 115, 4, true));

    // Idle speed control is the RPM row's target; boost control the MAP row's.
    d.group("Targets and efforts", true);
    d.lane(0);
    // Scales whose quarter and eighth steps are round numbers.
    d.gauge("RPM/100 Target", Ref{"Idle Target RPM /100"}, dial(0, 20, 15, 18));
    d.gauge("RPM/100 Target Valid", Ref{"Closed Loop Idle"}, indicator());
    d.gauge("RPM/100 Effort", Ref{"Idle Effort (%)"}, dial(0, 100, 80, 95));
    d.lane(1);
    d.gauge("MAP Target", Ref{"Boost Target (kPa)"}, dial(0, 240, 180, 200));
    d.gauge("MAP Target Valid", Ref{"Boost Control Active"}, indicator());
    d.gauge("MAP Effort", Ref{"Boost Duty (%)"}, dial(0, 100, 80, 90));
    d.lane(2);
    d.gauge("AFR Target", Ref{"Target Lambda (AFR)"}, dial(10, 18, 16, 17));
    d.gauge("AFR Valid", Ref{"AFR Reading Valid"}, indicator());
    d.gauge("AFR Target Valid", Ref{"Closed-Loop Fuel"}, indicator());
    d.gauge("AFR Effort", Ref{"CL Fuel Trim (%)"}, dial(-20, 20, 10, 15));
    d.lane(3);
    d.gauge("Coolant (°C) Valid", Ref{"Coolant Sensor OK"}, indicator());
    d.gauge("Air (°C)", Ref{"Air Temp (°C)"}, dial(-20, 100, 60, 70));
    d.gauge("Air (°C) Valid", Ref{"Air Temp Sensor OK"}, indicator());
    d.lane(4);
    d.gauge("TPS (%)", Ref{"TPS Clipped"}, dial(0, 100, 101, 101));
    d.gauge("Battery (V)", Ref{"Src Battery"}, dial(8, 16, 15, 15.5));

    d.group("Fuel and ignition", true);
    struct Small {
        const char* name;
        const char* source;
        GaugeScale scale;
    };
    const Small small[] = {
        {"Ignition (°BTDC)", "Ignition Advance (°BTDC)", dial(-10, 50, 40, 45, 5)},
        {"Inj Pulse (ms)", "Injector Pulse (ms)", dial(0, 24, 18, 22)},
        {"Inj Duty (%)", "Injector Duty (%)", dial(0, 100, 80, 90)},
        {"VE (%)", "Volumetric Effic. (%)", dial(0, 120, 110, 115)},
        {"Fuel Corr (%)", "Fuel Corrections (%)", dial(40, 200, 150, 180)},
        {"Warm-up (%)", "Warm-up Total (%)", dial(100, 200, 160, 180)},
        {"Accel Enrich (%)", "Accel Enrichment (%)", dial(0, 100, 50, 80)},
        {"Dwell (ms)", "Coil Dwell (ms)", dial(0, 8, 6, 7)},
        {"Knock Retard (°)", "Knock Retard Sum (°)", dial(0, 20, 4, 8)},
        {"Speed (km/h)", "Vehicle Speed (km/h)", dial(0, 240, 200, 230)},
        {"Predicted MAP", "Predicted MAP (kPa)", dial(0, 240, 180, 200)}};
    int k = 0;
    for (const Small& g : small) {
        d.lane(k++ / 3);
        d.gauge(g.name, Ref{g.source}, g.scale);
    }

    d.group("States", true);
    const char* const states[][2] = {{"Cranking", "Engine Cranking"},
                                     {"Fuel Cut On", "Fuel Cut"},
                                     {"Rev Limit", "Rev Limit Cut"},
                                     {"Overboost", "Overboost Cut"},
                                     {"Fuel Pump", "Fuel Pump On"}};
    for (int k = 0; k < 5; ++k) {
        d.lane(k);
        d.gauge(states[k][0], Ref{states[k][1]}, indicator());
    }
}

} // namespace zolmar::defaults
