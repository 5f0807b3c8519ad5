#pragma once

#include "Design.h"

#include <vector>

namespace zolmar::defaults {

// The engineering starting points of the default configuration: sensor curves
// and base maps for a typical 1.6-litre four-cylinder petrol engine. A tuner
// refines them on the engine; they only have to be safe and plausible.
namespace Calibration {

// Analogue inputs read 0.01 V per unit (5 V = 500.00).
inline constexpr double kVolt = 100.0;
// Temperature inputs are biased by the ECU's pull-up resistor to 5 V.
inline constexpr double kPullUpOhms = 2200.0;

// An NTC thermistor described by its resistance at 20 degrees C and its beta.
struct Thermistor {
    double ohmsAt20;
    double beta;
};
// Temperature (degrees C) against the pulled-up input voltage, ascending voltage.
std::vector<Point> thermistorCurve(const Thermistor& sensor);

// Linear sensors: value at 0 V and at full scale.
std::vector<Point> linear(double volts0, double value0, double volts1, double value1);

// Axes of the main maps.
std::vector<double> rpmAxis();  // RPM / 100
std::vector<double> loadAxis(); // kPa
std::vector<double> tpsAxis();  // percent

// Map values at (RPM / 100, load in kPa or TPS percent).
double volumetricEfficiency(double rpm, double kpa);
double ignitionAdvance(double rpm, double kpa);
double targetAfr(double rpm, double kpa);
double predictedMap(double rpm, double tps);

} // namespace Calibration
} // namespace zolmar::defaults
