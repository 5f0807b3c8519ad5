// The pages of the dedicated elements: triggering, analogue inputs, aux outputs,
// the injector and ignition outputs with each output's angle, and the general
// functions with onboard logging.
#include "DefaultDiagram.h"

namespace zolmar::defaults {

namespace {

void inputs(Design& d) {
    d.page(Pages::kInputs, "Inputs");
    d.group();
    d.lane(0);
    d.dedicated(0);
    d.lane(1);
    // Crank angle of the first trigger tooth after the reset, counted from TDC of
    // cylinder 1; it shifts every injection and ignition angle.
    d.constant("Trigger Offset (Crank°)", 0.0);

    d.page(Pages::kAnalogue, "Analogue Inputs");
    d.group();
    d.lane(0);
    d.dedicated(1);
}

void auxOutputs(Design& d) {
    d.page(Pages::kAuxOutputs, "Aux Outputs");
    d.group("Aux outputs 1-8");
    d.lane(0);
    El aux = d.dedicated(2);
    for (int a = 1; a <= 8; ++a) {
        std::string prefix = "Aux " + std::to_string(a);
        d.connect(aux, 2 * (a - 1), Ref{prefix + " Duty (%)"});
        d.connect(aux, 2 * (a - 1) + 1, Ref{prefix + " Period (ms)"});
    }
    d.group("Aux on injector outputs");
    d.lane(0);
    El onInjectors = d.auxOnInjectors("AuxOuts on Injectors5-12");
    for (int j = 5; j <= 12; ++j) {
        std::string prefix = "InjAux " + std::to_string(j);
        d.connect(onInjectors, 2 * (j - 5), Ref{prefix + " Duty (%)"});
        d.connect(onInjectors, 2 * (j - 5) + 1, Ref{prefix + " Period (ms)"});
    }
}

// Period angle offsets of a four-cylinder engine firing 1-3-4-2 (degrees).
constexpr double kOffsets[] = {0, 0, -180, 180, 360, 0, 0, 0, 0, 0, 0, 0, 0};

// Rows of the per-output chains on the angle pages: one output every five rows.
constexpr int kPitch = 5;

void injectionAngles(Design& d) {
    d.page(Pages::kInjectionAngles, "Injection Angles");

    // Each output's angle: trigger offset, less the injection angle, plus the
    // output's place in the cycle, folded into plus or minus 360 degrees. A
    // secondary injector fires with its primary's cylinder.
    d.group("Injection angles");
    d.spacing(4, 1);
    d.lane(0);
    El base = d.difference("Inj Base Angle (°)", Ref{"Trigger Offset (Crank°)"},
                           Ref{"Injection Angle (°BTDC)"});
    std::vector<Out> secondary(13);
    for (int k = 5; k <= 8; ++k) {
        d.row(kPitch * (k - 1));
        secondary[k] =
            d.clip("Inj " + std::to_string(k) + " Is Secondary",
                   Ref{"Sec Inj" + std::to_string(k - 4) + " instead of Inj" + std::to_string(k)},
                   0.0, 1.0);
    }
    d.lane(1);
    std::vector<El> offsets(13);
    for (int k = 1; k <= 12; ++k) {
        d.row(kPitch * (k - 1));
        offsets[k] = d.constant("Inj" + std::to_string(k) + " PeriodAngle Offset", kOffsets[k]);
    }
    d.lane(2);
    std::vector<Out> used(offsets.begin(), offsets.end());
    for (int k = 5; k <= 8; ++k) {
        d.row(kPitch * (k - 1));
        used[k] = d.select("Inj " + std::to_string(k) + " Offset Used", secondary[k], offsets[k],
                           offsets[k - 4]);
    }
    d.lane(3);
    std::vector<El> sums(13);
    for (int k = 1; k <= 12; ++k) {
        d.row(kPitch * (k - 1));
        sums[k] = d.sum("Inj " + std::to_string(k) + " Angle Sum", base, used[k]);
    }
    El lowest = d.constant("Inj Wrapper Minimum", -360.0);
    El highest = d.constant("Inj Wrapper Maximum", 360.0);
    d.lane(4);
    for (int k = 1; k <= 12; ++k) {
        d.row(kPitch * (k - 1));
        d.wrap("Inj " + std::to_string(k) + " Angle", sums[k], lowest, highest);
    }
}

void injectorOutputs(Design& d) {
    d.page(Pages::kInjectorOutputs, "Injector Outputs");
    d.group("Injector wiring");
    d.spacing(8, 1);
    d.lane(0);
    El pulse = d.clip("Inj Pulse Out (ms)", Ref{"Injector Pulse (ms)"}, 0.0, 100.0);
    El secPulse = d.clip("Sec Pulse Out (ms)", Ref{"Sec Injector Pulse (ms)"}, 0.0, 100.0);
    std::vector<El> secondary(13);
    for (int k = 1; k <= 4; ++k)
        secondary[k] =
            d.tickbox("Sec Inj" + std::to_string(k) + " instead of Inj" + std::to_string(k + 4),
                      false, 0.0, 1.0);
    d.lane(1);
    std::vector<Out> durations(13, pulse);
    for (int k = 5; k <= 8; ++k)
        durations[k] =
            d.select("Inj " + std::to_string(k) + " Pulse Used", secondary[k - 4], pulse, secPulse);
    d.lane(2);
    El injectors = d.dedicated(3);
    for (int k = 1; k <= 12; ++k) {
        int in = 4 * (k - 1);
        d.connect(injectors, in, durations[k]);
        d.connect(injectors, in + 1, Ref{"Inj " + std::to_string(k) + " Angle"});
        d.connect(injectors, in + 2, 0.0); // no asynchronous injection
        d.connect(injectors, in + 3, 0.0);
    }
}

void ignitionAngles(Design& d) {
    d.page(Pages::kIgnitionAngles, "Ignition Angles");

    // Each output's spark angle: trigger offset, less the advance, plus the
    // output's place in the cycle, plus its cylinder's knock retard (which its
    // sequence index picks from the knock windows). On a rotary engine outputs
    // 5-8 fire the trailing plugs of rotors 1-4: at their rotor's place, later by
    // the trailing split.
    d.group("Ignition angles");
    d.spacing(3, 1);
    d.lane(0);
    El base = d.difference("Ign Base Angle (°)", Ref{"Trigger Offset (Crank°)"},
                           Ref{"Ignition Advance (°BTDC)"});
    d.row(kPitch * 4);
    El rotary = d.clip("Ign Rotary Engine", Ref{"Engine is Wankel/Rotary"}, 0.0, 1.0);
    El split = d.constant("Trailing Split (°)", 10.0);
    d.lane(1);
    std::vector<El> offsets(9);
    for (int k = 1; k <= 8; ++k) {
        d.row(kPitch * (k - 1));
        offsets[k] = d.constant("Ign" + std::to_string(k) + " Period Angle Offset", kOffsets[k]);
    }
    El trailing = d.sum("Ign Trailing Base (°)", base, split);
    d.lane(2);
    std::vector<Out> used(offsets.begin(), offsets.end());
    for (int k = 5; k <= 8; ++k) {
        d.row(kPitch * (k - 1));
        used[k] = d.select("Ign " + std::to_string(k) + " Offset Used", rotary, offsets[k],
                           offsets[k - 4]);
    }
    El trailingBase = d.select("Ign Base 5-8 (°)", rotary, base, trailing);
    d.lane(3);
    std::vector<El> sums(9);
    for (int k = 1; k <= 8; ++k) {
        d.row(kPitch * (k - 1));
        sums[k] = d.sum("Ign " + std::to_string(k) + " Angle Sum",
                        k <= 4 ? Out(base) : trailingBase, used[k]);
    }
    d.lane(4);
    std::vector<El> knocked(9);
    for (int k = 1; k <= 8; ++k) {
        d.row(kPitch * (k - 1));
        knocked[k] = d.sum("Ign " + std::to_string(k) + " Knock Adjusted", sums[k],
                           Ref{"Cyl " + std::to_string(k) + " Sequence Index"});
    }
    El lowest = d.constant("Ign Wrapper Minimum", -360.0);
    El highest = d.constant("Ign Wrapper Maximum", 360.0);
    d.lane(5);
    for (int k = 1; k <= 8; ++k) {
        d.row(kPitch * (k - 1));
        d.wrap("Ign " + std::to_string(k) + " Angle", knocked[k], lowest, highest);
    }
}

void ignitionOutputs(Design& d) {
    d.page(Pages::kIgnitionOutputs, "Ignition Outputs");
    d.group("Ignition wiring");
    d.spacing(4, 1);
    d.lane(0);
    El dwell = d.clip("Dwell Out (ms)", Ref{"Coil Dwell (ms)"}, 0.0, 20.0);
    d.lane(1);
    El ignition = d.dedicated(4);
    for (int k = 1; k <= 8; ++k) {
        d.connect(ignition, 2 * (k - 1), Ref{"Ign " + std::to_string(k) + " Angle"});
        d.connect(ignition, 2 * (k - 1) + 1, dwell);
    }
}

void general(Design& d) {
    d.page(Pages::kGeneral, "General");
    d.group("Lights and logging");
    d.lane(0);
    El stopped = d.tickbox("Log With Engine Stopped", false, Ref{"Engine Running"}, 1.0);
    El sensors =
        d.logicOr("Sensor Warning", Ref{"Coolant Sensor Fault"}, Ref{"Air Temp Sensor Fault"});
    d.lane(1);
    El general = d.dedicated(5);
    d.connect(general, 0, 0.0); // keep-on: the ignition switch controls the power
    d.connect(general, 1, Ref{"Engine Protection Cut"});
    d.connect(general, 2, sensors);
    d.connect(general, 3, stopped);
}

} // namespace

void declareOutputs(Design& d) {
    inputs(d);
    auxOutputs(d);
    injectorOutputs(d);
    injectionAngles(d);
    ignitionOutputs(d);
    ignitionAngles(d);
    general(d);
}

} // namespace zolmar::defaults
