#include "scope/Scope.h"

#include "link/ModbusDriver.h"

#include <cstdio>

namespace zolmar::scope {

using namespace ScopeMap;

ScopeSettings ScopeSettings::Read(const tECU& ecu) {
    ScopeSettings s;
    s.triggerSource = ecu.ReadConstWord(kTriggerSource);
    s.triggerLevel = static_cast<int16_t>(ecu.ReadConstWord(kTriggerLevel));
    for (int k = 0; k < kChannels; ++k) {
        s.source[static_cast<size_t>(k)] = ecu.ReadConstWord(kChannelSource + 2 * k);
        s.offset[static_cast<size_t>(k)] = static_cast<int16_t>(ecu.ReadConstWord(kOffset + 2 * k));
        s.scale[static_cast<size_t>(k)] = ecu.ReadConstWord(kScale + 2 * k);
    }
    const uint8_t timebase = ecu.ReadConstByte(kTimebase);
    s.timebase = timebase & 0x0F;
    s.falling = (timebase & 0x10) != 0;
    s.horizontal = 248 - ecu.ReadConstByte(kHorizontal);
    return s;
}

namespace ScopeWrite {

void ChannelSource(tECU& ecu, int channel, uint16_t code) {
    if (channel >= 0 && channel < kChannels)
        ecu.WriteConstWord(kChannelSource + 2 * channel, code);
}

void TriggerSource(tECU& ecu, uint16_t code) {
    ecu.WriteConstWord(kTriggerSource, code);
}

void TriggerLevel(tECU& ecu, int position) {
    ecu.WriteConstWord(kTriggerLevel, static_cast<uint16_t>(position * -50));
}

void TriggerBit(tECU& ecu, int bit) {
    ecu.WriteConstWord(kTriggerLevel, static_cast<uint16_t>(1u << (bit & 15)));
}

void Timebase(tECU& ecu, int timebase) {
    const uint8_t old = ecu.ReadConstByte(kTimebase);
    ecu.WriteConstByte(kTimebase, static_cast<uint8_t>((old & 0xF0) | (timebase & 0x0F)));
}

void Edge(tECU& ecu, bool falling) {
    const uint8_t old = ecu.ReadConstByte(kTimebase);
    ecu.WriteConstByte(kTimebase, static_cast<uint8_t>(falling ? old | 0x10 : old & ~0x10));
}

void Horizontal(tECU& ecu, int position) {
    ecu.WriteConstByte(kHorizontal, static_cast<uint8_t>(248 - position));
}

void Offset(tECU& ecu, int channel, int divisions) {
    if (channel >= 0 && channel < kChannels)
        ecu.WriteConstWord(kOffset + 2 * channel, static_cast<uint16_t>(divisions));
}

void Scale(tECU& ecu, int channel, int index) {
    if (channel >= 0 && channel < kChannels)
        ecu.WriteConstWord(kScale + 2 * channel, static_cast<uint16_t>(index));
}

} // namespace ScopeWrite

int TriggerLevelPosition(int16_t stored) {
    return stored / -50;
}

int TriggerBitIndex(int16_t stored) {
    for (int bit = 0; bit < 16; ++bit)
        if (static_cast<uint16_t>(stored) == (1u << bit))
            return bit;
    return 0;
}

std::array<int, 4> LabelBands(const std::array<int, 4>& items) {
    std::array<int, 4> bands{};
    int count = 0;
    for (size_t k = 0; k < items.size(); ++k)
        if (IsBitSet(items[k]))
            bands[k] = (count++ % 2 == 0) ? kLowerBand : kUpperBand;
    return bands;
}

int SampleCount(int channel) {
    if (channel < 0 || channel >= kChannels)
        return 0;
    const long room = (Layout::kImageSize - (kSamples + kChannelBytes * channel)) / 2;
    return room < kSampleCount ? static_cast<int>(room) : kSampleCount;
}

int16_t Sample(const tECU& ecu, int channel, int index) {
    if (index < 0 || index >= SampleCount(channel))
        return 0;
    return static_cast<int16_t>(ecu.ImageWord(kSamples + kChannelBytes * channel + 2L * index));
}

namespace {

int clampScale(int index) {
    return index < 0 ? 0 : index >= kScales ? kScales - 1 : index;
}

} // namespace

int ValueY(int16_t v, int scaleIndex, int offset) {
    const int index = clampScale(scaleIndex);
    const int s = ScaleFactor(index);
    const int base = 288 + 48 * offset;
    return index <= 3 ? base + (s * v * -48) / 50 : base + ((v * -48) / 50) / s;
}

int RawY(int16_t v, int scaleIndex, int offset) {
    const int index = clampScale(scaleIndex);
    const int s = ScaleFactor(index);
    const int base = 288 + 48 * offset;
    return index <= 3 ? base + (v * -s) / 128 : base + (-v / 128) / s;
}

bool AngleInTurnUnits(uint8_t packageMajor, uint8_t packageMinor) {
    return packageMajor != 0 || packageMinor > 27;
}

int AngleY(int16_t v, int reference, bool turnUnits, int offset) {
    int e = -v;
    if (turnUnits)
        e = e * 360 / 655;
    int d = e - reference;
    while (d > 18000)
        d -= 36000;
    while (d < -18000)
        d += 36000;
    return 288 + 48 * offset + d / 100;
}

std::vector<TracePoint> Trace(const tECU& ecu, int channel, int item, const ScopeSettings& settings,
                              int angleReference) {
    std::vector<TracePoint> points;
    if (channel < 0 || channel >= kChannels || IsBitSet(item))
        return points;
    const auto k = static_cast<size_t>(channel);
    const SourceKind kind = KindOfItem(item);
    const bool turns = AngleInTurnUnits(ecu.PackageMajor, ecu.PackageMinor);
    const int count = SampleCount(channel);
    points.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int16_t v = Sample(ecu, channel, i);
        int y = 0;
        if (kind == SourceKind::Raw)
            y = RawY(v, settings.scale[k], settings.offset[k]);
        else if (kind == SourceKind::Angle)
            y = AngleY(v, angleReference, turns, settings.offset[k]);
        else
            y = ValueY(v, settings.scale[k], settings.offset[k]);
        points.push_back({2 * i, y});
    }
    return points;
}

std::vector<TracePoint> BitTrace(const tECU& ecu, int channel, int bit, int band) {
    std::vector<TracePoint> points;
    const int count = SampleCount(channel);
    points.reserve(2 * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const bool set = (static_cast<uint16_t>(Sample(ecu, channel, i)) >> bit) & 1;
        const int y = band + 16 * bit - (set ? 13 : 0);
        points.push_back({2 * i, y});
        points.push_back({2 * i + 2, y});
    }
    return points;
}

int AngleReference(const tECU& ecu) {
    const int element = ecu.FindElementByName("Trigger Offset (Crank\xB0)", false);
    if (element < 0)
        return 0;
    return static_cast<int16_t>(ecu.ReadConstWord(ecu.ElementConstOffset[element]));
}

ScopeCycle::Result ScopeCycle::Cycle(tECU& ecu, const Controls& controls, bool accumulate) {
    Result r;
    const int modeBits = ecu.EcuModeBits & 3;
    if (controls.mode == Auto && modeBits <= 1 && ++autoCounter_ > 2) {
        autoCounter_ = 0;
        r.forceTrigger = true;
    }
    const bool ready = controls.run && modeBits == 3;
    bool run = controls.run;
    if (controls.mode == Single && ready) {
        r.untickRun = true;
        run = false;
    }
    if (!run)
        r.status = "STOPPED";
    else if (modeBits <= 1)
        r.status = "WAIT";
    else
        r.status = "TRIGGERED";

    if (ready && !fetching_) {
        fetching_ = true;
        fetchItems_ = controls.items;
        fetchMs_ = controls.nowMs;
        for (int k = 0; k < kChannels; ++k) {
            if (!controls.shown[static_cast<size_t>(k)])
                continue;
            const long begin = kSamples + kChannelBytes * k;
            const long end = begin + 2L * SampleCount(k);
            for (long a = begin; a < end; ++a)
                ecu.SetSync(a, Sync::ToRead);
        }
    }
    if (fetching_) {
        bool pending = false;
        for (long a = kBuffer; a < Layout::kImageSize && !pending; ++a)
            pending = ecu.SyncAt(a) == Sync::ToRead;
        if (!pending) {
            fetching_ = false;
            r.draw = true;
            r.clear = !accumulate;
            r.rearm = run && controls.mode != Single;
            r.items = fetchItems_;
            shown_ = true;
            shownMs_ = fetchMs_;
        }
    }
    return r;
}

void ScopeCycle::DropPendingReads(tECU& ecu) {
    for (long a = kBuffer; a < Layout::kImageSize; ++a)
        if (ecu.SyncAt(a) == Sync::ToRead)
            ecu.SetSync(a, Sync::InStep);
}

void ScopeCycle::Abandon(tECU& ecu) {
    DropPendingReads(ecu);
    fetching_ = false;
}

std::string ScopeCycle::CaptureAgeText(uint32_t nowMs) const {
    if (!shown_)
        return "No capture";
    const uint32_t age = nowMs - shownMs_;
    char text[48];
    std::snprintf(text, sizeof text, "Capture %u.%u s old", age / 1000, (age % 1000) / 100);
    return text;
}

void WriteModeWord(TModbusDriver* driver, uint16_t value) {
    if (!driver)
        return;
    std::string error;
    driver->WriteRegister(kModeWord, value, error);
}

} // namespace zolmar::scope
