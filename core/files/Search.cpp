#include "files/Search.h"

namespace zolmar::Search {

using namespace Layout;

namespace {

// Walks the records summing one of the sizes; the first element whose block
// contains the address wins. The walk ends at the finish byte, an unknown code,
// the count limit or when a sum leaves its area.
int findByAddress(const tECU& ecu, Mode mode, long address) {
    long logic = 0, constant = 0, live = 0;
    for (int count = 0; count < kMaxElements; ++count) {
        int type = ecu.ReadLogicByte(static_cast<int>(logic));
        int size = tECU::LogicSize(type);
        if (size <= 0)
            return -1;
        long start = 0, length = 0;
        switch (mode) {
        case Mode::ConfigAddress:
            start = logic;
            length = size;
            break;
        case Mode::ConstantAddress:
            start = constant;
            length = ecu.ConstSize(type, static_cast<int>(constant));
            break;
        default:
            start = live;
            length = tECU::LiveSize(type);
            break;
        }
        if (address >= start && address < start + length)
            return count;
        constant += ecu.ConstSize(type, static_cast<int>(constant));
        live += tECU::LiveSize(type);
        logic += size;
        if (logic >= kLogicRecordLimit)
            return -1;
        if (mode == Mode::ConstantAddress && constant >= kConstSize)
            return -1;
        if (mode == Mode::LiveAddress && live >= kLiveSize)
            return -1;
    }
    return -1;
}

} // namespace

const char* ModeCaption(Mode mode) {
    switch (mode) {
    case Mode::Index:
        return "Index";
    case Mode::ConfigAddress:
        return "Config Address";
    case Mode::ConstantAddress:
        return "Constant Address";
    case Mode::LiveAddress:
        return "Live Address";
    default:
        return "Name";
    }
}

int Maximum(Mode mode) {
    switch (mode) {
    case Mode::Index:
        return kMaxElements - 1;
    case Mode::ConfigAddress:
        return kLogicRecordLimit - 1;
    case Mode::ConstantAddress:
        return kConstSize - 1;
    case Mode::LiveAddress:
        return kLiveSize - 1;
    default:
        return 0;
    }
}

Result Find(const tECU& ecu, Mode mode, long number, const std::string& name) {
    Result r;
    std::string what;
    switch (mode) {
    case Mode::Index:
        r.element = number >= 0 && number < ecu.NumElements ? static_cast<int>(number) : -1;
        what = "index ";
        break;
    case Mode::ConfigAddress:
        r.element = findByAddress(ecu, mode, number);
        what = "logic address ";
        break;
    case Mode::ConstantAddress:
        r.element = findByAddress(ecu, mode, number);
        what = "constant address ";
        break;
    case Mode::LiveAddress:
        r.element = findByAddress(ecu, mode, number);
        what = "live address ";
        break;
    case Mode::Name:
        r.element = ecu.FindElementByName(name.substr(0, kMaxNameLength), true);
        break;
    }
    // An element the index does not hold (a walk past a corrupt end) is not offered.
    if (r.element >= ecu.NumElements)
        r.element = -1;
    r.found = r.element >= 0;
    if (r.found)
        r.page = ecu.PageOf(r.element);
    else if (mode == Mode::Name)
        r.message = "There is no element with name \"" + name + "\"";
    else
        r.message = "There is no element with " + what + std::to_string(number);
    return r;
}

} // namespace zolmar::Search
