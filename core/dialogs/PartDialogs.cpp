#include "dialogs/PartDialogs.h"

#include "dialogs/ElementDialogs.h"
#include "model/Tables.h"

#include <algorithm>

namespace zolmar {

using namespace Layout;

namespace {

constexpr const char* kChooseOutput = "You must select an output for this screen";
constexpr const char* kGaugePageOnly = "This page can only contain Gauge elements or Labels";

} // namespace

// ---------------------------------------------------------------- Edit Link

bool LinkEditor::open(int element, int input, int shownPage) {
    if (element < 0 || element >= ecu_.NumElements || input < 0 ||
        input >= tECU::InputCount(ecu_.TypeOf(element)))
        return false;
    element_ = ElementRef(ecu_, element);
    input_ = input;
    shownPage_ = shownPage;
    sourceElement_ = -1;
    sourceOutput_ = -1;
    uint16_t word = ecu_.InputWord(element, input);
    isLink_ = (word & 1) != 0;
    int page = 0;
    if (isLink_) {
        int addr = word & 0xFFFE;
        for (int i = 0; i < ecu_.NumElements; ++i) {
            int first = ecu_.ElementLiveOffset[i];
            int outputs = ecu_.OutputCount(ecu_.TypeOf(i));
            if (addr >= first && addr < first + 2 * outputs) {
                sourceElement_ = i;
                sourceOutput_ = (addr - first) / 2;
                page = ecu_.PageOf(i);
                break;
            }
        }
        literal_ = "0.00";
    } else {
        literal_ = Tables::TwoDecimals(static_cast<int16_t>(word));
    }
    pages_ = {};
    ecu_.FillPageList(pages_);
    choosePage(page);
    return true;
}

void LinkEditor::choosePage(int page) {
    if (page < 0 || page >= kNumPages)
        return;
    pages_.selected = page;
    outputs_.clear();
    offered_.clear();
    for (int i = 0; i < ecu_.NumElements; ++i) {
        if (ecu_.PageOf(i) != page)
            continue;
        int outputs = ecu_.OutputCount(ecu_.TypeOf(i));
        for (int k = 0; k < outputs; ++k) {
            ecu_.AddLiveChoiceSorted(outputs_, i, k, LiveValueFormat::ByteAddress, sourceElement_,
                                     sourceOutput_);
            offered_.push_back(
                {static_cast<uint16_t>(ecu_.ElementLiveOffset[i] + 2 * k), ElementRef(ecu_, i), k});
        }
    }
}

std::string LinkEditor::destination() const {
    return " to input " + std::to_string(input_ + 1) + " of the element called " +
           ecu_.NameOf(kNumPages + element_.index(ecu_)) + " on page " +
           std::to_string(shownPage_ + 1);
}

bool LinkEditor::okLink(int outputEntry) {
    if (outputEntry < 0 || outputEntry >= static_cast<int>(outputs_.values.size())) {
        ecu_.messages().error(kChooseOutput);
        return false;
    }
    const int element = element_.index(ecu_);
    if (element < 0)
        return false;
    uint16_t addr = outputs_.values[static_cast<size_t>(outputEntry)];
    auto chosen = std::find_if(offered_.begin(), offered_.end(),
                               [addr](const Offered& o) { return o.address == addr; });
    if (chosen == offered_.end())
        return false;
    const int from = chosen->source.index(ecu_);
    if (from < 0)
        return false;
    addr = static_cast<uint16_t>(ecu_.ElementLiveOffset[from] + 2 * chosen->output);
    ecu_.WriteLogicWord(ecu_.InputWordAddress(element, input_), static_cast<uint16_t>(addr | 1),
                        false);
    std::string source;
    ecu_.NameOfLiveAddress(addr, source);
    ecu_.LogChange("Created a link from " + source + destination());
    return true;
}

bool LinkEditor::okLiteral(const std::string& text) {
    double value;
    if (!parseTypedValue(ecu_.messages(), text, value))
        return false;
    if (!element_.resolves(ecu_))
        return false;
    ecu_.SetLiteral(element_.index(ecu_), input_, value);
    long raw = Tables::RawFromValue(value) & ~1L;
    ecu_.LogChange("Assigned a literal/constant value of " +
                   Tables::TwoDecimals(static_cast<int>(raw)) + destination());
    return true;
}

// ---------------------------------------------------------------- Edit Element Name

void NameEditor::open(int slot) {
    slot_ = slot;
    element_ = slot >= kNumPages ? ElementRef(ecu_, slot - kNumPages) : ElementRef();
    caption_ = slot < kNumPages ? "Edit Page Name for page " + std::to_string(slot + 1)
                                : std::string("Edit Element name");
    text_ = ecu_.NameOf(slot);
}

void NameEditor::ok(const std::string& text) {
    text_ = text.substr(0, kNameLength);
    if (slot_ >= kNumPages) {
        // The element may have moved or gone while the dialog was open.
        const int element = element_.index(ecu_);
        if (element < 0)
            return;
        slot_ = kNumPages + element;
    }
    ecu_.RenameSlot(slot_, text_);
}

// ---------------------------------------------------------------- Cosmetic Properties

void CosmeticEditor::open(int configAddress) {
    address_ = configAddress;
    element_ = {};
    for (int i = 0; i < ecu_.NumElements; ++i)
        if (ecu_.ElementLogicOffset[i] == configAddress)
            element_ = ElementRef(ecu_, i);
    x_ = ecu_.ReadLogicByte(address_ + 1);
    y_ = ecu_.ReadLogicByte(address_ + 2);
    page_ = (ecu_.ReadLogicByte(address_ + 3) & 0x7F) + 1;
    oldPage_ = page_;
}

bool CosmeticEditor::ok(int x, int y, int page) {
    x = std::clamp(x, 0, 120);
    y = std::clamp(y, 0, 120);
    page = std::clamp(page, 1, kNumPages);
    const int element = element_.index(ecu_);
    if (element < 0)
        return false;
    address_ = ecu_.ElementLogicOffset[element];
    // The gauge page holds gauges and labels only, however the element gets there.
    int type = ecu_.ReadLogicByte(address_);
    if (page == 1 && type != ElementType::Gauge && type != ElementType::Label) {
        ecu_.messages().error(kGaugePageOnly);
        return false;
    }
    ecu_.WriteLogicByte(address_ + 1, static_cast<uint8_t>(x), true);
    ecu_.WriteLogicByte(address_ + 2, static_cast<uint8_t>(y), true);
    ecu_.WriteLogicByte(address_ + 3, static_cast<uint8_t>(page - 1), true);
    x_ = x;
    y_ = y;
    page_ = page;
    return true;
}

// ---------------------------------------------------------------- display options

DisplayOptions DisplayOptions::load(Preferences& prefs) {
    DisplayOptions o;
    std::string adv = prefs.read("DontShowAdvProps");
    o.advancedProperties = !adv.empty() && adv != "DontShow";
    o.showAllOutputs = prefs.read("ShowUnusedLiveVals") == "DoShow";
    std::string rows = prefs.read("MaxPerColumn");
    int n = 0;
    bool digits = !rows.empty() && rows.size() < 4;
    for (char c : rows) {
        if (c < '0' || c > '9')
            digits = false;
        else
            n = n * 10 + (c - '0');
    }
    o.maxPerColumn = digits && n >= 1 && n <= 20 ? n : kDefaultPerColumn;
    return o;
}

void DisplayOptions::storeAdvancedProperties(Preferences& prefs, bool on) {
    prefs.write("DontShowAdvProps", on ? "DoShow" : "DontShow");
}

void DisplayOptions::storeShowAllOutputs(Preferences& prefs, bool on) {
    prefs.write("ShowUnusedLiveVals", on ? "DoShow" : "DontShow");
}

int DisplayOptions::storeMaxPerColumn(Preferences& prefs, int rows) {
    rows = std::clamp(rows, 1, 20);
    prefs.write("MaxPerColumn", std::to_string(rows));
    return rows;
}

} // namespace zolmar
