#include "Calibration.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zolmar::defaults::Calibration {

namespace {

// Straight lines between the given (x, y) points, flat beyond the ends.
double piecewise(const std::vector<std::pair<double, double>>& curve, double x) {
    if (x <= curve.front().first)
        return curve.front().second;
    for (size_t k = 1; k < curve.size(); ++k)
        if (x <= curve[k].first) {
            double t = (x - curve[k - 1].first) / (curve[k].first - curve[k - 1].first);
            return curve[k - 1].second + t * (curve[k].second - curve[k - 1].second);
        }
    return curve.back().second;
}

double roundTo(double value, double step) {
    return std::round(value / step) * step;
}

} // namespace

std::vector<Point> thermistorCurve(const Thermistor& sensor) {
    std::vector<Point> points;
    // From hot (low voltage) to cold (high voltage), so the references ascend.
    for (int t = 140; t >= -40; t -= 10) {
        double kelvin = t + 273.15;
        double ohms = sensor.ohmsAt20 * std::exp(sensor.beta * (1.0 / kelvin - 1.0 / 293.15));
        double volts = 5.0 * ohms / (ohms + kPullUpOhms);
        points.push_back({roundTo(volts * kVolt, 0.02), static_cast<double>(t)});
    }
    return points;
}

std::vector<Point> linear(double volts0, double value0, double volts1, double value1) {
    return {{volts0 * kVolt, value0}, {volts1 * kVolt, value1}};
}

std::vector<double> rpmAxis() {
    std::vector<double> axis;
    for (int r = 5; r <= 80; r += 5)
        axis.push_back(r);
    return axis;
}

std::vector<double> loadAxis() {
    return {20, 30, 40, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180, 200};
}

std::vector<double> tpsAxis() {
    return {0, 2, 4, 6, 8, 10, 15, 20, 30, 40, 60, 80, 100};
}

double volumetricEfficiency(double rpm, double kpa) {
    // Torque peak near 4500 RPM; breathing falls off at light load (residual gas).
    double curve = 60.0 + 38.0 * std::exp(-std::pow((rpm - 45.0) / 28.0, 2.0));
    double load = 0.70 + 0.30 * std::min(kpa, 100.0) / 100.0;
    return roundTo(curve * load, 0.5);
}

double ignitionAdvance(double rpm, double kpa) {
    const std::vector<std::pair<double, double>> fullLoad = {
        {5, 8}, {10, 10}, {15, 14}, {20, 18}, {30, 24}, {40, 28}, {50, 30}, {60, 31}, {80, 32}};
    const std::vector<std::pair<double, double>> vacuum = {{5, 4},   {10, 8},  {15, 10},
                                                           {20, 14}, {30, 16}, {80, 16}};
    double advance = piecewise(fullLoad, rpm);
    if (kpa < 100.0)
        advance += std::clamp((100.0 - kpa) / 70.0, 0.0, 1.0) * piecewise(vacuum, rpm);
    else
        advance -= 0.12 * (kpa - 100.0); // boost: about one degree per 8 kPa
    // Below 1500 RPM at most 18 degrees, never above 42.
    advance = std::clamp(advance, 0.0, rpm < 15.0 ? 18.0 : 42.0);
    return roundTo(advance, 0.5);
}

double targetAfr(double rpm, double kpa) {
    double afr = piecewise({{70, 14.7}, {100, 13.0}, {200, 11.8}}, kpa);
    if (rpm >= 60.0 && kpa >= 90.0)
        afr -= 0.2; // a little richer at high speed and full load
    return roundTo(afr, 0.1);
}

double predictedMap(double rpm, double tps) {
    double tau = 2.0 + 0.3 * rpm;
    return roundTo(100.0 - 72.0 * std::exp(-tps / tau), 0.5);
}

} // namespace zolmar::defaults::Calibration
