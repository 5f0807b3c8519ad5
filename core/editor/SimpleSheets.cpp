#include "editor/SimpleSheets.h"

#include "editor/SimpleViewSettings.h"
#include "files/SettingsHints.h"
#include "model/Tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace zolmar::SimpleSheets {

using namespace ElementType;

namespace {

// Limits over all sheets together; a setting beyond one is left out.
constexpr int kMaxLabels = 2500;
constexpr int kMaxNumeric = 1500;
constexpr int kMaxCheckBoxes = 500;
constexpr int kMaxDropDowns = 250;
constexpr int kMaxButtons = 200;
constexpr int kMaxSpinEdits = 50;
constexpr int kMaxOrdered = 100;
constexpr size_t kMaxDescriptions = 1000;

struct Counts {
    int labels = 0, numeric = 0, checks = 0, dropDowns = 0, buttons = 0, spins = 0;
};

std::string nameOf(const tECU& ecu, int element) {
    return ecu.NameOf(Layout::kNumPages + element);
}

std::string pageText(const tECU& ecu, int element) {
    return " on page " + std::to_string(ecu.PageOf(element) + 1);
}

int constAddr(const tECU& ecu, int element) {
    return ecu.ElementConstOffset[element];
}

std::string mux4Description(const tECU& ecu, int element, int r) {
    return Description(ecu, ecu.ElementLogicOffset[element] + 12 + 16 * r);
}

// The first 4-way mux other than this one whose name equals the text, or -1.
int muxNamed(const tECU& ecu, const std::string& text, int self) {
    for (int i = 0; i < ecu.NumElements; ++i)
        if (i != self && ecu.TypeOf(i) == Mux4 && nameOf(ecu, i) == text)
            return i;
    return -1;
}

// Fills the drop-down of a 4-way mux and records its folds.
void mux4Entries(const tECU& ecu, int element, Control& c, std::array<int, 4>& fold) {
    const int s = ecu.ReadConstByte(constAddr(ecu, element)) & 3;
    int before = 0;
    for (int r = 0; r < 4; ++r) {
        const std::string d = mux4Description(ecu, element, r);
        const int n = muxNamed(ecu, d, element);
        fold[static_cast<size_t>(r)] = n;
        if (n >= 0) {
            for (int k = 0; k < 4; ++k)
                c.entries.push_back(mux4Description(ecu, n, k));
            if (r == s)
                c.selected = before + (ecu.ReadConstByte(constAddr(ecu, n)) & 3);
            before += 4;
        } else {
            c.entries.push_back(d);
            if (r == s)
                c.selected = before;
            before += 1;
        }
    }
}

// Makes the control of a setting; false when a limit leaves it out.
bool makeControl(const tECU& ecu, int element, int slot, int perColumn, Counts& n, Control& c) {
    const int type = ecu.TypeOf(element);
    const int column = slot / perColumn;
    const int row = slot % perColumn;
    const int left = 270 * column + 10;
    const int top = 30 * row + 10;
    const int c0 = constAddr(ecu, element);
    c.element = element;
    c.slot = slot;
    auto labelled = [&](ControlKind kind, int width, int& count, int limit) {
        if (count >= limit || n.labels >= kMaxLabels)
            return false;
        ++count;
        ++n.labels;
        c.kind = kind;
        c.hasLabel = true;
        c.label = nameOf(ecu, element);
        c.box = {left + 147, top, width, 0};
        c.labelBox = {left, top + 3, 140, 0};
        return true;
    };
    auto button = [&](ControlKind kind, int width, std::string caption) {
        if (n.buttons >= kMaxButtons)
            return false;
        ++n.buttons;
        c.kind = kind;
        c.box = {left, top, width, 22};
        c.caption = std::move(caption);
        return true;
    };
    switch (type) {
    case Constant:
        if (!labelled(ControlKind::Numeric, 65, n.numeric, kMaxNumeric))
            return false;
        c.value = static_cast<int16_t>(ecu.ReadConstWord(c0)) / 50.0;
        return true;
    case Tickbox:
        if (n.checks >= kMaxCheckBoxes)
            return false;
        ++n.checks;
        c.kind = ControlKind::CheckBox;
        c.box = {left, top, 200, 0};
        c.caption = nameOf(ecu, element);
        c.checked = (ecu.ReadConstByte(c0) & 1) != 0;
        return true;
    case Mux32:
        if (!labelled(ControlKind::Mux32List, 115, n.dropDowns, kMaxDropDowns))
            return false;
        for (int k = 0; k < 32; ++k)
            c.entries.push_back(Description(ecu, ecu.ElementLogicOffset[element] + 68 + 16 * k));
        c.selected = ecu.ReadConstByte(c0) & 31;
        return true;
    case Mux4:
        return labelled(ControlKind::Mux4List, 115, n.dropDowns, kMaxDropDowns);
    case Delay:
        if (!labelled(ControlKind::SpinEdit, 65, n.spins, kMaxSpinEdits))
            return false;
        c.spinValue = ecu.ReadConstWord(c0);
        return true;
    case Table2D:
        return button(ControlKind::TableButton, 220, nameOf(ecu, element) + "  (2D table)");
    case Table3D:
        return button(ControlKind::TableButton, 220, nameOf(ecu, element) + "  (3D table)");
    default:
        return button(ControlKind::DialogButton, 180, nameOf(ecu, element));
    }
}

void logChange(tECU& ecu, const std::string& line) {
    ecu.LogChange(line);
}

std::string twoDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

bool valid(const tECU& ecu, int element, int type) {
    return element >= 0 && element < ecu.NumElements && ecu.TypeOf(element) == type;
}

} // namespace

std::string Description(const tECU& ecu, int logicAddr) {
    std::string text;
    for (int k = 0; k < 16; ++k) {
        uint8_t b = ecu.ReadLogicByte(logicAddr + k);
        if (b != 0)
            text += static_cast<char>(b);
    }
    return text.empty() ? std::string(" ") : text;
}

int PerColumnSetting(const std::string& stored) {
    int value = 0;
    if (stored.empty() || stored.size() > 2)
        return kDefaultPerColumn;
    for (char ch : stored) {
        if (ch < '0' || ch > '9')
            return kDefaultPerColumn;
        value = value * 10 + (ch - '0');
    }
    return value >= 1 && value <= 20 ? value : kDefaultPerColumn;
}

Sheets Build(const tECU& ecu, int perColumn) {
    if (perColumn < 1)
        perColumn = kDefaultPerColumn;
    Sheets result;
    std::vector<std::string> descriptions;
    for (int i = 0; i < ecu.NumElements && descriptions.size() < kMaxDescriptions; ++i)
        if (ecu.TypeOf(i) == Mux4)
            for (int r = 0; r < 4 && descriptions.size() < kMaxDescriptions; ++r)
                descriptions.push_back(mux4Description(ecu, i, r));
    const std::set<std::string> described(descriptions.begin(), descriptions.end());

    std::vector<std::vector<int>> onPage(Layout::kNumPages);
    for (int i = 0; i < ecu.NumElements; ++i)
        if (SimpleViewSettings::IsSettingKind(ecu.TypeOf(i)))
            onPage[static_cast<size_t>(ecu.PageOf(i))].push_back(i);

    Counts counts;
    for (int p = 1; p < Layout::kNumPages; ++p) {
        const auto& elements = onPage[static_cast<size_t>(p)];
        if (elements.empty())
            continue;
        Sheet sheet;
        sheet.page = p;
        sheet.caption = ecu.NameOf(p);
        std::vector<int> rows;
        for (int i : elements)
            if (!ecu.AdvancedOnly(i) && !described.count(nameOf(ecu, i)) &&
                rows.size() < static_cast<size_t>(kMaxOrdered))
                rows.push_back(ecu.RowOf(i));
        std::sort(rows.begin(), rows.end());
        std::vector<bool> used(rows.size(), false);
        // Settings left out of the ordering follow it one after another rather than
        // all on the one slot after it, where they would hide each other.
        int extra = 0;
        for (int i : elements) {
            if (ecu.AdvancedOnly(i))
                continue;
            const int type = ecu.TypeOf(i);
            if (type == Mux4 && described.count(nameOf(ecu, i)))
                continue; // folded into the mux that names it
            int slot = -1;
            for (size_t k = 0; k < rows.size(); ++k)
                if (!used[k] && rows[k] == ecu.RowOf(i)) {
                    used[k] = true;
                    slot = static_cast<int>(k);
                    break;
                }
            if (slot < 0)
                slot = static_cast<int>(rows.size()) + extra++;
            Control c;
            if (!makeControl(ecu, i, slot, perColumn, counts, c))
                continue;
            if (c.kind == ControlKind::Mux4List) {
                std::array<int, 4> fold{-1, -1, -1, -1};
                mux4Entries(ecu, i, c, fold);
                result.folds[i] = fold;
            }
            sheet.controls.push_back(std::move(c));
        }
        result.sheets.push_back(std::move(sheet));
    }
    return result;
}

void ConstantChanged(tECU& ecu, int element, double value) {
    if (!valid(ecu, element, Constant) || !std::isfinite(value))
        return;
    double raw = std::nearbyint(value * 50.0);
    raw = std::clamp(raw, -32768.0, 32767.0);
    ecu.WriteConstWord(constAddr(ecu, element),
                       static_cast<uint16_t>(static_cast<int16_t>(static_cast<int>(raw))));
    logChange(ecu, "The constant value of the constant called " + nameOf(ecu, element) +
                       pageText(ecu, element) + " was changed to " + twoDecimals(value));
}

void TickboxClicked(tECU& ecu, int element) {
    if (!valid(ecu, element, Tickbox))
        return;
    const int c = constAddr(ecu, element);
    const bool ticked = (ecu.ReadConstByte(c) & 1) != 0;
    ecu.WriteConstByte(c, ticked ? 0 : 1);
    logChange(ecu,
              std::string(ticked ? "Crossed the tickbox called " : "Ticked the tickbox called ") +
                  nameOf(ecu, element) + pageText(ecu, element));
}

void Mux32Changed(tECU& ecu, int element, int entry) {
    if (!valid(ecu, element, Mux32) || entry < 0)
        return;
    ecu.WriteConstByte(constAddr(ecu, element), static_cast<uint8_t>(entry & 31));
    logChange(ecu, "Selected input " + std::to_string(entry + 1) + " on the 32-way Mux called " +
                       nameOf(ecu, element) + pageText(ecu, element));
}

void Mux4Changed(tECU& ecu, const FoldTable& folds, int element, int entry) {
    if (!valid(ecu, element, Mux4) || entry < 0)
        return;
    std::array<int, 4> fold{-1, -1, -1, -1};
    if (auto it = folds.find(element); it != folds.end())
        fold = it->second;
    auto select = [&](int mux, int input) {
        ecu.WriteConstByte(constAddr(ecu, mux), static_cast<uint8_t>(input));
        logChange(ecu, "Selected input " + std::to_string(input + 1) + " on the 4-way Mux called " +
                           nameOf(ecu, mux) + pageText(ecu, mux));
    };
    int first = 0;
    for (int r = 0; r < 4; ++r) {
        const int n = fold[static_cast<size_t>(r)];
        const bool folded = valid(ecu, n, Mux4);
        const int width = folded ? 4 : 1;
        if (entry < first + width) {
            if (folded)
                select(n, entry - first);
            select(element, r);
            return;
        }
        first += width;
    }
}

void DelayChanged(tECU& ecu, int element, int value) {
    if (!valid(ecu, element, Delay))
        return;
    value = std::clamp(value, 0, 40000);
    ecu.WriteConstWord(constAddr(ecu, element), static_cast<uint16_t>(value));
    logChange(ecu, "The Delay value of the Delay called " + nameOf(ecu, element) +
                       pageText(ecu, element) + " was changed to " + std::to_string(value));
}

ButtonTarget TargetOf(const tECU& ecu, int element) {
    switch (element) {
    case 0:
        return ButtonTarget::InputsAndTriggering;
    case 1:
        return ButtonTarget::AnalogueInputs;
    case 2:
        return ButtonTarget::AuxOutputs;
    case 3:
        return ButtonTarget::Injectors;
    case 4:
        return ButtonTarget::Ignition;
    case 5:
        return ButtonTarget::OnboardLogging;
    default:
        break;
    }
    if (element >= 0 && element < ecu.NumElements) {
        if (ecu.TypeOf(element) == AuxOnInj)
            return ButtonTarget::AuxOnInj;
        if (ecu.TypeOf(element) == Stepper)
            return ButtonTarget::Stepper;
    }
    return ButtonTarget::TableEditor;
}

std::string HintText(const tECU& ecu, int element, const std::string* hints) {
    const std::string name =
        element >= 0 && element < ecu.NumElements ? nameOf(ecu, element) : std::string();
    std::string text = "\"" + name + "\"\r\n \r\n";
    if (hints)
        text += SettingsHints::Lookup(*hints, name);
    return text;
}

} // namespace zolmar::SimpleSheets
