#include "emu/ScopeCapture.h"

#include "emu/VirtualEcu.h"
#include "model/ECU.h"

#include <algorithm>
#include <cmath>

namespace zolmar::emu {

namespace {

// Constant addresses of the scope settings, as image offsets.
constexpr uint32_t kTriggerSource = Layout::kConstBase + 303;
constexpr uint32_t kTriggerLevel = Layout::kConstBase + 305;
constexpr uint32_t kChannelSource = Layout::kConstBase + 307;
constexpr uint32_t kTimebaseByte = Layout::kConstBase + 315;
constexpr uint32_t kHorizontalByte = Layout::kConstBase + 316;
constexpr int kRpmWord = 44; // live word: RPM / 100 as a raw value
constexpr size_t kHistoryLimit = 4096;
constexpr double kPi = 3.14159265358979323846;

uint16_t flashWord(const VirtualEcu& ecu, uint32_t address) {
    return static_cast<uint16_t>(ecu.Committed()[address] | ecu.Committed()[address + 1] << 8);
}

bool within(double angle, double from, double length) {
    double d = std::fmod(angle - from, 720.0);
    if (d < 0)
        d += 720.0;
    return d < length;
}

} // namespace

double ScopeCapture::SamplePeriod(int timebase) {
    static constexpr double kMicros[16] = {10,     20,     50,     100,    200,   500,
                                           1000,   2000,   5000,   10000,  20000, 50000,
                                           100000, 200000, 500000, 1000000};
    return kMicros[timebase & 15] / 24.0;
}

void ScopeCapture::Attach(VirtualEcu& ecu) {
    ecu.onTick.push_back([this, &ecu](uint64_t nowMs) { Tick(ecu, nowMs); });
}

ScopeCapture::Engine ScopeCapture::EngineAt(int64_t micros) const {
    Engine e;
    e.rpm = rpm_;
    const double revolutions =
        phase_ + rpm_ / 60.0 * (static_cast<double>(micros) - static_cast<double>(lastUs_)) / 1e6;
    double cycle = std::fmod(revolutions * 360.0, 720.0);
    e.angle = cycle < 0 ? cycle + 720.0 : cycle;
    return e;
}

uint16_t ScopeCapture::historyValue(int slot, int64_t micros) const {
    if (history_.empty())
        return 0;
    // The last value recorded at or before the time; the oldest for earlier times.
    auto after =
        std::upper_bound(history_.begin(), history_.end(), micros, [](int64_t t, const History& h) {
            return t < static_cast<int64_t>(h.micros);
        });
    if (after != history_.begin())
        --after;
    return after->values[static_cast<size_t>(slot)];
}

uint16_t ScopeCapture::SignalAt(const VirtualEcu& ecu, uint16_t code, int64_t micros) const {
    const Engine e = EngineAt(micros);
    const bool running = e.rpm > 0;
    const double crank = std::fmod(e.angle, 360.0);
    const int tooth = static_cast<int>(crank / 10.0); // a 36-1 wheel
    const bool toothHigh = running && tooth != 35 && std::fmod(crank, 10.0) < 5.0;
    const bool cam = running && e.angle < 30.0;
    const double msToDegrees = 6.0 * e.rpm / 1000.0;
    const double injectorDegrees = 3.0 * msToDegrees;
    const double dwellDegrees = 3.0 * msToDegrees;
    auto injector = [&](int n) { return running && within(e.angle, 180.0 * n, injectorDegrees); };
    auto ignition = [&](int n) {
        return running && within(e.angle, 180.0 * n - 10.0 - dwellDegrees, dwellDegrees);
    };
    const double seconds = static_cast<double>(micros) / 1e6;
    uint16_t bits = 0;
    switch (code) {
    case 4096:
    case 4104: { // knock sensor: a ringing after each combustion
        const double since = std::fmod(e.angle + (code == 4104 ? 90.0 : 0.0), 180.0);
        const double ring = running && since < 60.0 ? std::exp(-since / 20.0) : 0.02;
        return static_cast<uint16_t>(static_cast<int16_t>(
            std::lround(6000.0 * ring * std::sin(2 * kPi * 6500.0 * seconds))));
    }
    case 4097:
    case 4105: {
        const double since = std::fmod(e.angle + (code == 4105 ? 90.0 : 0.0), 180.0);
        return static_cast<uint16_t>(
            std::lround(running && since < 60.0 ? 4000.0 * std::exp(-since / 20.0) : 80.0));
    }
    case 4112: { // the crank sensor's voltage, rising with speed
        if (!running || tooth == 35)
            return 0;
        const double amplitude = std::min(30000.0, 4.0 * e.rpm);
        return static_cast<uint16_t>(static_cast<int16_t>(
            std::lround(amplitude * std::sin(2 * kPi * std::fmod(crank, 10.0) / 10.0))));
    }
    case 4113:
        return cam ? 20000 : 0;
    case 4128:
    case 4129:
        bits = static_cast<uint16_t>((toothHigh ? 1 : 0) | (cam ? 2 : 0));
        return bits;
    case 4130:
        bits = static_cast<uint16_t>((toothHigh ? 1 : 0) | (cam ? 2 : 0) |
                                     (running && tooth == 35 ? 0x20 : 0) | (running ? 0x0F00 : 0));
        return bits;
    case 4132:
        for (int n = 0; n < 4; ++n)
            bits = static_cast<uint16_t>(bits | (injector(n) ? 1 << n : 0) |
                                         (ignition(n) ? 1 << (8 + n) : 0));
        return bits;
    case 4133:
    case 4135:
        for (int n = 0; n < 4; ++n)
            bits = static_cast<uint16_t>(bits | (injector(n) ? 1 << n : 0));
        return bits;
    case 4134:
        for (int n = 0; n < 4; ++n)
            bits = static_cast<uint16_t>(
                bits | (running && within(e.angle, 180.0 * n + 10.0, 60.0) ? 1 << n : 0));
        return bits;
    case 4136: { // a 16-bit turn, reported negated
        const double hundredths = (crank - 180.0) * 100.0;
        return static_cast<uint16_t>(
            static_cast<int16_t>(-std::lround(hundredths * 655.0 / 360.0)));
    }
    case 4141:
        for (int n = 0; n < 4; ++n) {
            if (!injector(n))
                continue;
            const bool peak = within(e.angle, 180.0 * n, msToDegrees);
            bits =
                static_cast<uint16_t>(bits | ((peak ? 1 : 0) | 2 | (peak ? 0 : 4) | 8) << (4 * n));
        }
        return bits;
    default:
        break;
    }
    if (code < 4096) {
        // A live value: channels and trigger keep a history; others read as they are now.
        for (int slot = 0; slot < 4; ++slot)
            if (flashWord(ecu, kChannelSource + 2 * slot) == code)
                return historyValue(slot, micros);
        if (flashWord(ecu, kTriggerSource) == code)
            return historyValue(4, micros);
        return ecu.ReadWord(EcuMap::kLiveBase + 2u * code);
    }
    return 0;
}

bool ScopeCapture::triggered(const VirtualEcu& ecu, int64_t from, int64_t to, int64_t& at) const {
    const uint16_t code = flashWord(ecu, kTriggerSource);
    const int16_t level = static_cast<int16_t>(flashWord(ecu, kTriggerLevel));
    const bool falling = (ecu.Committed()[kTimebaseByte] & 0x10) != 0;
    const double step = SamplePeriod(ecu.Committed()[kTimebaseByte] & 15);
    const bool bitSet = code >= 4128 && code != 4136;
    // Look at most 4096 samples back: enough for a 10 ms tick at the fastest base.
    const int64_t span = to - from;
    const int64_t steps = std::min<int64_t>(4096, static_cast<int64_t>(span / step) + 1);
    auto edge = [&](uint16_t previous, uint16_t now) {
        if (bitSet) {
            const bool before = (previous & static_cast<uint16_t>(level)) != 0;
            const bool after = (now & static_cast<uint16_t>(level)) != 0;
            return falling ? before && !after : !before && after;
        }
        const int a = static_cast<int16_t>(previous);
        const int b = static_cast<int16_t>(now);
        return falling ? a > level && b <= level : a < level && b >= level;
    };
    if (code < 4096) {
        // A live value changes only as the diagram runs: compare the last two ticks.
        if (history_.size() < 2 ||
            !edge(history_[history_.size() - 2].values[4], history_.back().values[4]))
            return false;
        at = to;
        return true;
    }
    uint16_t previous = SignalAt(ecu, code, from);
    for (int64_t k = 1; k <= steps; ++k) {
        const int64_t t = from + static_cast<int64_t>(std::llround(k * step));
        if (t > to)
            break;
        const uint16_t now = SignalAt(ecu, code, t);
        if (edge(previous, now)) {
            at = t;
            return true;
        }
        previous = now;
    }
    return false;
}

void ScopeCapture::fill(VirtualEcu& ecu) {
    const double step = SamplePeriod(ecu.Committed()[kTimebaseByte] & 15);
    int before = 248 - ecu.Committed()[kHorizontalByte];
    before = before < 0 ? 0 : before > 255 ? 255 : before;
    for (int channel = 0; channel < 4; ++channel) {
        const uint16_t code = flashWord(ecu, kChannelSource + 2 * channel);
        for (int i = 0; i < kSamples; ++i) {
            const int64_t t = static_cast<int64_t>(triggerUs_) +
                              static_cast<int64_t>(std::llround((i - before) * step));
            ecu.WriteWord(kSampleBase + 512u * channel + 2u * i, SignalAt(ecu, code, t));
        }
    }
}

void ScopeCapture::Tick(VirtualEcu& ecu, uint64_t nowMs) {
    const uint64_t nowUs = nowMs * 1000;
    // The engine turns at the speed the diagram sees.
    phase_ += rpm_ / 60.0 * static_cast<double>(nowUs - lastUs_) / 1e6;
    phase_ = std::fmod(phase_, 2.0);
    const uint64_t fromUs = lastUs_;
    lastUs_ = nowUs;
    rpm_ = 2 * static_cast<int16_t>(ecu.ReadWord(EcuMap::kLiveBase + 2 * kRpmWord));
    if (rpm_ < 0)
        rpm_ = 0;
    History h{nowUs, {}};
    for (int slot = 0; slot < 4; ++slot) {
        const uint16_t code = flashWord(ecu, kChannelSource + 2 * slot);
        h.values[static_cast<size_t>(slot)] =
            code < 4096 ? ecu.ReadWord(EcuMap::kLiveBase + 2u * code) : 0;
    }
    const uint16_t trigger = flashWord(ecu, kTriggerSource);
    h.values[4] = trigger < 4096 ? ecu.ReadWord(EcuMap::kLiveBase + 2u * trigger) : 0;
    history_.push_back(h);
    while (history_.size() > kHistoryLimit)
        history_.pop_front();

    const uint8_t mode = ecu.ModeBits();
    if (mode <= 1 && state_ != State::Waiting)
        state_ = State::Waiting; // armed again
    int64_t at = 0;
    if (mode == 2 && state_ != State::Capturing) {
        triggerUs_ = fromUs; // forced since the last tick
        state_ = State::Capturing;
    } else if (state_ == State::Waiting &&
               triggered(ecu, static_cast<int64_t>(fromUs), static_cast<int64_t>(nowUs), at)) {
        triggerUs_ = static_cast<uint64_t>(at);
        state_ = State::Capturing;
        ecu.SetModeBits(2);
    }
    if (state_ == State::Capturing) {
        const double step = SamplePeriod(ecu.Committed()[kTimebaseByte] & 15);
        int after = kSamples - (248 - ecu.Committed()[kHorizontalByte]);
        after = after < 1 ? 1 : after > kSamples ? kSamples : after;
        if (static_cast<double>(nowUs) >= static_cast<double>(triggerUs_) + after * step) {
            fill(ecu);
            state_ = State::Complete;
            ecu.SetModeBits(3);
        }
    }
}

} // namespace zolmar::emu
