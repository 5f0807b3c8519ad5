#include "setup/NamedSettings.h"

namespace zolmar {

namespace NamedSettings {

namespace {

bool kindMatches(int type, Kind kind) {
    switch (kind) {
    case Kind::Word:
        return type == ElementType::Constant;
    case Kind::Byte:
        return type == ElementType::Tickbox || type == ElementType::Mux4 ||
               type == ElementType::Mux32;
    case Kind::Table2D:
        return type == ElementType::Table2D;
    }
    return false;
}

} // namespace

Found find(const tECU& ecu, const std::string& name, Kind kind, bool last) {
    Found found;
    int e = ecu.FindElementByName(name, last);
    if (e < 0)
        return found;
    found.element = e;
    found.constAddr = ecu.ElementConstOffset[e];
    int type = ecu.TypeOf(e);
    // The block must lie within the constants the configuration uses, and those within
    // the constant area, whatever a damaged file says.
    long end = static_cast<long>(found.constAddr) + ecu.ConstSize(type, found.constAddr);
    bool inside = ecu.ConstEnd() <= Layout::kConstSize && end <= ecu.ConstEnd();
    found.lookup = kindMatches(type, kind) && inside ? Lookup::Found : Lookup::WrongKind;
    return found;
}

namespace {

template <class T> bool readAs(const tECU& ecu, const std::string& name, Kind kind, T& value) {
    Found f = find(ecu, name, kind, true);
    if (f.lookup != Lookup::Found)
        return false;
    value = static_cast<T>(kind == Kind::Word ? ecu.ReadConstWord(f.constAddr)
                                              : ecu.ReadConstByte(f.constAddr));
    return true;
}

} // namespace

bool readWord(const tECU& ecu, const std::string& name, uint16_t& value) {
    return readAs(ecu, name, Kind::Word, value);
}

bool readByte(const tECU& ecu, const std::string& name, uint8_t& value) {
    return readAs(ecu, name, Kind::Byte, value);
}

bool dedicatedLayout(const tECU& ecu) {
    static constexpr int kTypes[6] = {ElementType::Inputs,     ElementType::AnalogueInputs,
                                      ElementType::AuxOutputs, ElementType::Injectors,
                                      ElementType::Ignition,   ElementType::General};
    if (ecu.NumElements < 6)
        return false;
    for (int i = 0; i < 6; ++i)
        if (ecu.TypeOf(i) != kTypes[i])
            return false;
    return true;
}

std::string missingLine(const std::string& name, Lookup lookup) {
    return "\n\r\"" + name + "\"" +
           (lookup == Lookup::WrongKind ? " (element of the wrong type)" : " (element not found)");
}

} // namespace NamedSettings

void NamedWriter::word(const std::string& name, uint16_t value) {
    auto f = NamedSettings::find(ecu_, name, NamedSettings::Kind::Word, true);
    if (f.lookup == NamedSettings::Lookup::Found)
        ecu_.WriteConstWord(f.constAddr, value);
    else
        missing_.push_back(NamedSettings::missingLine(name, f.lookup));
}

void NamedWriter::byte(const std::string& name, uint8_t value) {
    auto f = NamedSettings::find(ecu_, name, NamedSettings::Kind::Byte, false);
    if (f.lookup == NamedSettings::Lookup::Found)
        ecu_.WriteConstByte(f.constAddr, value);
    else
        missing_.push_back(NamedSettings::missingLine(name, f.lookup));
}

void NamedWriter::write(const NamedValue& value) {
    if (value.word)
        word(value.name, value.value);
    else
        byte(value.name, static_cast<uint8_t>(value.value));
}

} // namespace zolmar
