#include "simulator/SimulatedInputs.h"

#include "model/PinTable.h"

#include <cstdlib>

namespace zolmar::sim {

namespace {

struct Group {
    InputKind kind;
    int first;    // first control of the group
    int count;    // controls in the group
    int liveWord; // live word of the group's first control
    int minimum;
    int maximum;
};

constexpr Group kGroups[] = {
    {InputKind::Serial, 0, 16, 0, -655, 655},    {InputKind::Vss, 16, 4, 16, 0, 400},
    {InputKind::Knock, 20, 16, 24, 0, 200},      {InputKind::Vvt, 36, 4, 40, -40, 40},
    {InputKind::Rpm, 40, 1, 44, 0, 8000},        {InputKind::Digital, 41, 8, 45, 0, 1},
    {InputKind::Analogue, 49, 16, 80, 0, 50000}, {InputKind::Battery, 65, 1, 122, 0, 700},
};

constexpr int kVssPeriodWord = 20;
constexpr int kVssCalibration = 30; // constant address of the VSS 1 period at 1 km/h

const Group* groupOf(int control) {
    for (const Group& g : kGroups)
        if (control >= g.first && control < g.first + g.count)
            return &g;
    return nullptr;
}

// Pin-table records of the VSS inputs and of the cam inputs CAS 2..5, whose phases
// the VVT controls stand for.
constexpr int kVssRecords[4] = {68, 58, 48, 54};
constexpr int kVvtRecords[4] = {57, 66, 67, 55};

std::string pinName(const EcuMemoryView& memory, int record) {
    std::string name;
    const long offset = PinTable::RecordOffset(record);
    if (offset < 0)
        return name;
    for (int k = 0; k < PinTable::kNameLength; ++k) {
        const uint8_t b = memory.ConfigByte(offset + k);
        if (b != 0)
            name.push_back(static_cast<char>(b));
    }
    return name;
}

// value / divisor with the given number of decimals, rounded half away from zero.
std::string decimal(long value, long divisor, int decimals) {
    long scale = 1;
    for (int k = 0; k < decimals; ++k)
        scale *= 10;
    const long magnitude = std::labs(value);
    const long scaled = (magnitude * scale * 2 + divisor) / (2 * divisor);
    std::string fraction = std::to_string(scaled % scale);
    while (static_cast<int>(fraction.size()) < decimals)
        fraction = "0" + fraction;
    return std::string(value < 0 && scaled != 0 ? "-" : "") + std::to_string(scaled / scale) + "." +
           fraction;
}

std::string trimRight(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

SimulatedInputs::SimulatedInputs() {
    for (int& p : position_)
        p = 0;
}

InputKind SimulatedInputs::Kind(int control) {
    const Group* g = groupOf(control);
    return g ? g->kind : InputKind::Serial;
}

int SimulatedInputs::Minimum(int control) {
    const Group* g = groupOf(control);
    return g ? g->minimum : 0;
}

int SimulatedInputs::Maximum(int control) {
    const Group* g = groupOf(control);
    return g ? g->maximum : 0;
}

int SimulatedInputs::LiveWord(int control) {
    const Group* g = groupOf(control);
    return g ? g->liveWord + control - g->first : -1;
}

std::string SimulatedInputs::Caption(int control) {
    const Group* g = groupOf(control);
    if (!g)
        return {};
    const int k = control - g->first; // 0-based within the group
    const std::string number = std::to_string(k + 1);
    switch (g->kind) {
    case InputKind::Serial:
        return "Serial " + std::to_string(k / 8 + 1) + "." + std::to_string(k % 8 + 1);
    case InputKind::Vss:
        return "VSS " + number;
    case InputKind::Knock:
        return "Knock " + std::to_string(k / 2 + 1) + (k % 2 ? " background" : " in phase");
    case InputKind::Vvt:
        return "VVT " + number;
    case InputKind::Rpm:
        return "RPM / 100";
    case InputKind::Digital:
        return "Dig Inp " + number;
    case InputKind::Analogue:
        return "Ana " + number;
    case InputKind::Battery:
        return "Battery Voltage";
    }
    return {};
}

std::string SimulatedInputs::OpenCaption(int control, const EcuMemoryView& memory) {
    const Group* g = groupOf(control);
    if (!g)
        return {};
    const int k = control - g->first;
    const std::string number = std::to_string(k + 1);
    switch (g->kind) {
    case InputKind::Analogue:
        return "Ana" + number + ": " + pinName(memory, PinTable::AnalogueInputRecord(k + 1));
    case InputKind::Digital:
        return "Dig Inp " + number + ": " + pinName(memory, PinTable::DigitalInputRecord(k + 1));
    case InputKind::Vss:
        return "VSS " + number + ": " + pinName(memory, kVssRecords[k]);
    case InputKind::Vvt:
        return "VVT " + number + ": " + pinName(memory, kVvtRecords[k]);
    default:
        return Caption(control);
    }
}

int SimulatedInputs::Find(const std::string& caption, const EcuMemoryView& memory) {
    const std::string wanted = trimRight(caption);
    for (int c = 0; c < kControls; ++c)
        if (wanted == Caption(c) || wanted == trimRight(OpenCaption(c, memory)))
            return c;
    return -1;
}

int SimulatedInputs::Position(int control) const {
    return control >= 0 && control < kControls ? position_[control] : 0;
}

bool SimulatedInputs::SetPosition(int control, int position) {
    if (control < 0 || control >= kControls || position < Minimum(control) ||
        position > Maximum(control))
        return false;
    position_[control] = position;
    return true;
}

std::string SimulatedInputs::ValueText(int control) const {
    const int p = Position(control);
    switch (Kind(control)) {
    case InputKind::Serial:
    case InputKind::Knock:
        return std::to_string(p);
    case InputKind::Vss:
        return decimal(p, 1, 2) + " km/h";
    case InputKind::Vvt:
        return decimal(p, 1, 2);
    case InputKind::Rpm:
    case InputKind::Battery:
        return decimal(p, 50, 2);
    case InputKind::Analogue:
        return decimal(p, 10000, 3) + " V ";
    case InputKind::Digital:
        return {};
    }
    return {};
}

int SimulatedInputs::LiveValue(int control) const {
    const int p = Position(control);
    switch (Kind(control)) {
    case InputKind::Serial:
    case InputKind::Vss:
    case InputKind::Knock:
    case InputKind::Vvt:
        return p * 50;
    case InputKind::Digital:
        return p ? 50 : 0;
    case InputKind::Analogue:
        return p / 2;
    case InputKind::Rpm:
    case InputKind::Battery:
        return p;
    }
    return 0;
}

int SimulatedInputs::VssPeriod(int vss, const EcuMemoryView& memory) const {
    if (vss < 0 || vss >= 4)
        return 0;
    const long speed = Position(kGroups[1].first + vss);
    if (speed <= 0)
        return 0;
    const long calibration = memory.ConstWord(kVssCalibration + 2 * vss);
    const long period = calibration * 50 / speed;
    // A slow vehicle with a long calibration period would not fit the word.
    return period > 32767 ? 32767 : static_cast<int>(period);
}

void SimulatedInputs::Write(int control, const EcuMemoryView& memory) const {
    const int word = LiveWord(control);
    if (word < 0)
        return;
    memory.SetLiveWord(2L * word, static_cast<uint16_t>(LiveValue(control)));
    if (Kind(control) == InputKind::Vss) {
        const int vss = word - kGroups[1].liveWord;
        memory.SetLiveWord(2L * (kVssPeriodWord + vss),
                           static_cast<uint16_t>(VssPeriod(vss, memory)));
    }
}

void SimulatedInputs::WriteAll(const EcuMemoryView& memory) const {
    for (int c = 0; c < kControls; ++c)
        Write(c, memory);
}

void HeldWords::Hold(int word, uint16_t raw) {
    for (auto& h : held_) {
        if (h.first == word) {
            h.second = raw;
            return;
        }
    }
    held_.emplace_back(word, raw);
}

} // namespace zolmar::sim
