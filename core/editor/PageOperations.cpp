#include "editor/PageOperations.h"

#include <algorithm>

namespace zolmar {

using namespace Layout;

namespace PageOps {

namespace {

struct Kind {
    int type;
    const char* name;
    const char* logStart;
    const char* plural;
};

constexpr Kind kKinds[21] = {
    {ElementType::Constant, "Constant", "Added a new Constant called ", " Constants"},
    {ElementType::Table2D, "2D table", "Added a new 2D Table called ", " 2D tables"},
    {ElementType::Table3D, "3D table", "Added a new 3D Table called ", " 3D tables"},
    {ElementType::Summer, "Summer", "Added a new Summer called ", " Summers"},
    {ElementType::Comparator, "Comparator", "Added a new Comparator called ", " Comparators"},
    {ElementType::Multiplier, "Multiplier", "Added a new Multiplier called ", " Multipliers"},
    {ElementType::PID, "PID controller", "Added a new PID called ", " PID controllers"},
    {ElementType::Clipper, "Clipper", "Added a new Clipper called ", " Clippers"},
    {ElementType::Switch, "Switch", "Added a new Switch called ", " Switches"},
    {ElementType::Tickbox, "Tickbox", "Added a new Tickbox called ", " Tickboxes"},
    {ElementType::Mux4, "4-way mux", "Added a new 4way Mux called ", " 4-Way Muxes"},
    {ElementType::Timer, "Timer", "Added a new Timer called ", " Timers"},
    {ElementType::Delay, "Delay", "Added a new Delay called ", " Delays"},
    {ElementType::Latch, "Latch", "Added a new Latch called ", " Latches"},
    {ElementType::Gauge, "Gauge", "Added a new Gauge called ", " Gauges"},
    {ElementType::Display, "Display", "Added a new Display called ", " Displays"},
    {ElementType::Label, "Label", "Added a new Label called ", " Labels"},
    {ElementType::Stepper, "Stepper Block", "Added a new Stepper Block called ", " Stepper Blocks"},
    {ElementType::Wrapper, "Wrapper", "Added a new Wrapper called ", " Wrappers"},
    {ElementType::AuxOnInj, "AuxOuts on Injectors5-12",
     "Added a new block for Aux Outputs on Injector Outputs, called ", " AuxInj blocks"},
    {ElementType::Mux32, "32-way mux", "Added a new 32way Mux called ", " 32-Way Muxes"},
};

constexpr const char* kNoFreePages = "There are no free pages";
constexpr const char* kGaugePageOnly = "This page can only contain Gauge elements or Labels";
constexpr const char* kOneAuxOnInj =
    "You can only have one block for Aux Outputs on Injector Outputs";
constexpr const char* kNoRoom = "Could not duplicate page (Not enough memory)";

bool gaugePageType(int type) {
    return type == ElementType::Gauge || type == ElementType::Label;
}

std::string pageText(int page) {
    return std::to_string(page + 1);
}

} // namespace

int typeOfKind(int kind) {
    return kind >= 1 && kind <= 21 ? kKinds[kind - 1].type : -1;
}

const char* defaultNameOfKind(int kind) {
    return kind >= 1 && kind <= 21 ? kKinds[kind - 1].name : "";
}

const char* addedLogStart(int kind) {
    return kind >= 1 && kind <= 21 ? kKinds[kind - 1].logStart : "";
}

std::vector<int> elementsOnPage(const tECU& ecu, int page) {
    std::vector<int> list;
    for (int i = 0; i < ecu.NumElements; ++i)
        if (ecu.PageOf(i) == page)
            list.push_back(i);
    return list;
}

bool holdsDedicated(const tECU& ecu, const std::vector<int>& elements) {
    for (int e : elements)
        if (e >= 0 && e < ecu.NumElements && isDedicatedType(ecu.TypeOf(e)))
            return true;
    return false;
}

void deleteElements(tECU& ecu, std::vector<int> elements) {
    std::sort(elements.begin(), elements.end());
    elements.erase(std::unique(elements.begin(), elements.end()), elements.end());
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
        int e = *it;
        if (e < 0 || e >= ecu.NumElements || isDedicatedType(ecu.TypeOf(e)))
            continue;
        ecu.LogChange("Deleted a " + tECU::TypeName(ecu.TypeOf(e)) + " called " +
                      ecu.NameOf(kNumPages + e) + " from page " + pageText(ecu.PageOf(e)));
        ecu.DeleteElement(e);
    }
}

std::vector<std::string> linkedInputs(const tECU& ecu, int element, int output, int skipPage) {
    std::vector<std::string> lines;
    if (element < 0 || element >= ecu.NumElements)
        return lines;
    auto word = static_cast<uint16_t>((ecu.ElementLiveOffset[element] + 2 * output) | 1);
    for (int i = 0; i < ecu.NumElements; ++i) {
        if (skipPage >= 0 && ecu.PageOf(i) == skipPage)
            continue;
        int inputs = tECU::InputCount(ecu.TypeOf(i));
        for (int k = 0; k < inputs; ++k)
            if (ecu.InputWord(i, k) == word)
                lines.push_back("   - " + ecu.InputName(i, k));
    }
    return lines;
}

std::vector<std::string> pageProperties(const tECU& ecu, int page) {
    std::vector<std::string> lines = {"This page contains the following elements:", " "};
    std::vector<int> elements = elementsOnPage(ecu, page);
    for (const Kind& kind : kKinds) {
        long n = std::count_if(elements.begin(), elements.end(),
                               [&](int e) { return ecu.TypeOf(e) == kind.type; });
        if (n > 0) {
            lines.push_back(std::to_string(n) + kind.plural);
            lines.push_back(" ");
        }
    }
    lines.push_back("The following links (TO OTHER PAGES) originate on this page:");
    lines.push_back(" ");
    for (int e : elements) {
        int outputs = ecu.OutputCount(ecu.TypeOf(e));
        for (int k = 0; k < outputs; ++k) {
            lines.push_back(" ");
            lines.push_back("\"" + ecu.OutputName(e, k, false) + "\" is linked to...");
            for (auto& line : linkedInputs(ecu, e, k, page))
                lines.push_back(std::move(line));
        }
    }
    return lines;
}

bool moveAll(tECU& ecu, int page, int target) {
    if (target < 0 || target >= kNumPages)
        return false;
    std::vector<int> elements = elementsOnPage(ecu, page);
    if (target == 0)
        for (int e : elements)
            if (!gaugePageType(ecu.TypeOf(e))) {
                ecu.messages().error(kGaugePageOnly);
                return false;
            }
    for (int e : elements)
        ecu.WriteLogicByte(ecu.ElementLogicOffset[e] + 3, static_cast<uint8_t>(target), true);
    return true;
}

int duplicatePage(tECU& ecu, int page) {
    const std::vector<int> elements = elementsOnPage(ecu, page);
    bool onlyGauges = true;
    int logic = 0, constant = 0, live = 0;
    for (int e : elements) {
        int type = ecu.TypeOf(e);
        onlyGauges = onlyGauges && gaugePageType(type);
        if (isDedicatedType(type))
            return -1;
        if (type == ElementType::AuxOnInj) {
            ecu.messages().error(kOneAuxOnInj);
            return -1;
        }
        logic += tECU::LogicSize(type);
        constant += ecu.ConstSize(type, ecu.ElementConstOffset[e]);
        live += tECU::LiveSize(type);
    }
    std::vector<bool> used(kNumPages, false);
    for (int i = 0; i < ecu.NumElements; ++i)
        used[static_cast<size_t>(ecu.PageOf(i))] = true;
    int target = -1;
    // The gauge page takes only a page of gauges and labels.
    for (int p = onlyGauges ? 0 : 1; p < kNumPages && target < 0; ++p)
        if (!used[static_cast<size_t>(p)] && ecu.ExactNameOf(p).empty())
            target = p;
    if (target < 0) {
        ecu.messages().error(kNoFreePages);
        return -1;
    }
    const int n = ecu.NumElements;
    if (logic >= kLogicRecordLimit - ecu.LogicEnd() || constant >= kConstSize - ecu.ConstEnd() ||
        live > kLiveSize - ecu.LiveEnd() || static_cast<int>(elements.size()) >= kMaxElements - n) {
        ecu.messages().error(kNoRoom);
        return -1;
    }
    ecu.LogChange("Duplicated the contents of page " + pageText(page) + " called " +
                  ecu.NameOf(page));

    for (size_t c = 0; c < elements.size(); ++c) {
        int e = elements[c];
        int type = ecu.TypeOf(e);
        int lsz = tECU::LogicSize(type);
        int csz = ecu.ConstSize(type, ecu.ElementConstOffset[e]);
        int from = ecu.ElementLogicOffset[e];
        int L = ecu.LogicEnd();
        int C = ecu.ConstEnd();
        for (int b = 0; b < lsz; ++b)
            ecu.WriteLogicByte(
                L + b, b == 3 ? static_cast<uint8_t>(target) : ecu.ReadLogicByte(from + b), false);
        ecu.WriteLogicByte(L + lsz, ElementType::Finish, false);
        int cfrom = ecu.ElementConstOffset[e];
        for (int b = 0; b < csz; ++b)
            ecu.WriteConstByte(C + b, ecu.ReadConstByte(cfrom + b));
        int slot = kNumPages + n + static_cast<int>(c);
        for (int b = 0; b < kNameLength; ++b)
            ecu.WriteNameByte(slot * kNameLength + b,
                              ecu.ReadNameByte((kNumPages + e) * kNameLength + b));
        ecu.RebuildIndex(false, false);
    }

    // Links inside the page now come from the copies.
    for (size_t c = 0; c < elements.size(); ++c) {
        int copy = n + static_cast<int>(c);
        if (copy >= ecu.NumElements)
            break;
        int inputs = tECU::InputCount(ecu.TypeOf(copy));
        for (int k = 0; k < inputs; ++k) {
            uint16_t w = ecu.InputWord(copy, k);
            if (!(w & 1))
                continue;
            int s = w & 0xFFFE;
            for (size_t src = 0; src < elements.size(); ++src) {
                int e = elements[src];
                int first = ecu.ElementLiveOffset[e];
                int outputs = ecu.OutputCount(ecu.TypeOf(e));
                if (s >= first && s < first + 2 * outputs) {
                    int twin = n + static_cast<int>(src);
                    int addr = ecu.ElementLiveOffset[twin] + (s - first);
                    ecu.WriteLogicWord(ecu.InputWordAddress(copy, k),
                                       static_cast<uint16_t>(addr | 1), false);
                    break;
                }
            }
        }
    }
    ecu.RebuildIndex(false, true);
    ecu.UpdateUsageWords();
    return target;
}

bool askDeletePage(tECU& ecu, int page, const std::string& selectorText) {
    if (holdsDedicated(ecu, elementsOnPage(ecu, page)))
        return false;
    return ecu.messages().askYesNo(Messages::Kind::Confirmation,
                                   "Are you sure you want to delete page " + selectorText + "?");
}

void clearPageName(tECU& ecu, int page) {
    for (int b = 0; b < kNameLength; ++b)
        ecu.WriteNameByte(page * kNameLength + b, 0);
}

} // namespace PageOps

} // namespace zolmar
