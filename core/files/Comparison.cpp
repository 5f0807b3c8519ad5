// Comparison of two configurations by element name and type, and the selective merge.
#include "files/Comparison.h"

#include "files/ConfigurationProperties.h"
#include "model/PinTable.h"
#include "model/Tables.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <unordered_map>

namespace zolmar::Comparison {

using namespace Layout;

namespace {

// How an element is told apart in both configurations: its type, its name and which
// of the elements of that name and type it is. The six dedicated elements exist once
// each and are known by their type alone, so renaming one keeps it matched.
struct Ident {
    int type = -1;
    std::string name;
    int occurrence = 1;
    bool operator<(const Ident& o) const {
        if (type != o.type)
            return type < o.type;
        if (name != o.name)
            return name < o.name;
        return occurrence < o.occurrence;
    }
    bool operator==(const Ident& o) const {
        return type == o.type && name == o.name && occurrence == o.occurrence;
    }
};

std::string groupKey(int type, const std::string& name) {
    return std::string(1, static_cast<char>(type)) + name;
}

// The elements of one configuration with their identities.
struct Side {
    const tECU& ecu;
    std::vector<Ident> idents;
    std::unordered_map<std::string, int> groupSize;
    std::map<Ident, int> index;

    explicit Side(const tECU& e) : ecu(e) {
        const int n = ecu.NumElements;
        idents.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            Ident& id = idents[static_cast<size_t>(i)];
            id.type = ecu.TypeOf(i);
            if (!isDedicatedType(id.type))
                id.name = ecu.ExactNameOf(kNumPages + i);
            id.occurrence = ++groupSize[groupKey(id.type, id.name)];
            index.emplace(id, i);
        }
    }
    int find(const Ident& id) const {
        auto it = index.find(id);
        return it == index.end() ? -1 : it->second;
    }
    int countOf(const Ident& id) const {
        auto it = groupSize.find(groupKey(id.type, id.name));
        return it == groupSize.end() ? 0 : it->second;
    }
    // The element whose live block holds the live address, or -1.
    int elementAtLive(int liveAddr, bool anyLiveWord = false) const {
        const int n = ecu.NumElements;
        const uint16_t* begin = ecu.ElementLiveOffset;
        const uint16_t* end = ecu.ElementLiveOffset + n;
        const uint16_t* it = std::upper_bound(begin, end, static_cast<uint16_t>(liveAddr));
        if (it == begin)
            return -1;
        int e = static_cast<int>(it - begin) - 1;
        // Elements without live words share their offset with the next one.
        while (e >= 0 && tECU::LiveSize(ecu.TypeOf(e)) == 0)
            --e;
        if (e < 0)
            return -1;
        const int off = ecu.ElementLiveOffset[e];
        const int size =
            anyLiveWord ? tECU::LiveSize(ecu.TypeOf(e)) : 2 * ecu.OutputCount(ecu.TypeOf(e));
        if (liveAddr < off || liveAddr >= off + size)
            return -1;
        return e;
    }
};

std::string typeToken(int type) {
    switch (type) {
    case ElementType::Injectors:
        return "Injectors";
    case ElementType::Ignition:
        return "Ignition";
    case ElementType::AuxOnInj:
        return "AuxOnInj";
    case ElementType::AuxOutputs:
        return "AuxOutputs";
    case ElementType::AnalogueInputs:
        return "AnalogueInputs";
    case ElementType::Inputs:
        return "Inputs";
    case ElementType::General:
        return "General";
    default:
        break;
    }
    const TypeInfo& info = typeInfo(type);
    if (!info.valid)
        return "Type" + std::to_string(type);
    std::string token;
    for (const char* c = info.typeName; *c; ++c)
        if (*c != ' ')
            token.push_back(*c);
    return token;
}

// Keys are split at commas, printed before ": " and typed in a shell: anything else
// that could confuse them goes as %XX.
std::string escape(const std::string& text) {
    std::string out;
    for (char ch : text) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b >= 0x7F || b == '%' || b == '/' || b == ',' || b == ':' || b == '#') {
            char buffer[4];
            std::snprintf(buffer, sizeof buffer, "%%%02X", b);
            out += buffer;
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

std::string hex2(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", value & 0xFF);
    return buffer;
}

std::string valueAndRaw(uint16_t raw) {
    return Tables::TwoDecimals(static_cast<int16_t>(raw)) + " (raw " +
           std::to_string(static_cast<int16_t>(raw)) + ")";
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The dialog's caption and the name of the settings at a dedicated block's offset.
std::string settingName(int type, int offset) {
    const std::string k = std::to_string(offset);
    switch (type) {
    case ElementType::AnalogueInputs:
        return offset == 0 ? "Analogue Inputs: temperature bias of inputs 9-12"
                           : "Analogue Inputs: byte " + k;
    case ElementType::AuxOutputs:
        return offset < 8 ? "Aux Outputs: Aux " + std::to_string(offset + 1) +
                                " invert, high side drive, copy"
                          : "Aux Outputs: byte " + k;
    case ElementType::AuxOnInj:
        return offset < 8 ? "Aux Outputs on Spare Injector Outputs: Aux on Inj " +
                                std::to_string(offset + 5) + " invert, high side drive, copy"
                          : "Aux Outputs on Spare Injector Outputs: byte " + k;
    case ElementType::Ignition:
        return offset < 8
                   ? "Ignition Element: output " + std::to_string(offset + 1) + " pattern, invert"
                   : "Ignition Element: byte " + k;
    case ElementType::Injectors:
        return offset == 25 ? "Injectors: current, injection mode"
                            : "Injectors: outputs pattern, divide by 10, aux use (byte " + k + ")";
    case ElementType::General:
        switch (offset) {
        case 0:
            return "General Functions: logging period, force logging, log to flash, log to USB";
        case 1:
            return "General Functions: headphones knock 1, knock 2, play tones";
        case 17:
            return "Ignition Element: OR with next output";
        case 34:
            return "General Functions: ignition power";
        case 36:
            return "Injectors: peak time outputs 1-6";
        case 37:
            return "Injectors: peak time outputs 7-12";
        default:
            return "General Functions: byte " + k;
        }
    case ElementType::Inputs: {
        const std::string caption = "Inputs and Triggering: ";
        const char* half = offset % 2 == 0 ? " (low byte)" : " (high byte)";
        if (offset == 0 || offset == 8)
            return caption + "serial input " + (offset == 0 ? "1" : "2") + " type";
        if (offset == 16)
            return caption + "pull-ups of digital inputs 1-8";
        if (offset == 17)
            return caption + "digital or reluctor (triggers, VSS)";
        if (offset == 22)
            return caption + "trigger edges";
        if (offset == 23)
            return caption + "special trigger mode, swap, two missing teeth";
        if (offset == 24 || offset == 25)
            return caption + "angle increment" + half;
        if (offset >= 26 && offset <= 28)
            return caption + "reset mode " + std::to_string(offset - 25);
        if (offset >= 30 && offset < 38)
            return caption + "VSS " + std::to_string((offset - 30) / 2 + 1) + " period" + half;
        if (offset >= 38 && offset < 44) {
            const char* field[] = {"knock window start", "knock window finish", "knock step"};
            return caption + field[(offset - 38) / 2] + half;
        }
        return caption + "byte " + k;
    }
    default:
        return "byte " + k;
    }
}

// What one input holds, by source name rather than address.
struct InputValue {
    bool linked = false;
    bool resolved = false;
    Ident source;
    int output = 0;
    uint16_t raw = 0;
    std::string text;
    bool operator==(const InputValue& o) const {
        if (linked != o.linked)
            return false;
        if (!linked || !resolved || !o.resolved)
            return resolved == o.resolved && raw == o.raw;
        return source == o.source && output == o.output;
    }
};

InputValue inputOf(const Side& side, int element, int input) {
    InputValue v;
    v.raw = side.ecu.InputWord(element, input);
    v.linked = (v.raw & 1) != 0;
    if (!v.linked) {
        v.text = Tables::TwoDecimals(static_cast<int16_t>(v.raw));
        return v;
    }
    const int addr = v.raw & 0xFFFE;
    const int src = side.elementAtLive(addr);
    if (src < 0) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "link to live address 0x%04X", addr);
        v.text = buffer;
        return v;
    }
    v.resolved = true;
    v.source = side.idents[static_cast<size_t>(src)];
    v.output = (addr - side.ecu.ElementLiveOffset[src]) / 2;
    v.text = quoted(side.ecu.OutputName(src, v.output, false)) + " (" + typeToken(v.source.type) +
             " output " + std::to_string(v.output + 1) + ")";
    return v;
}

// The scope's trigger and channel sources: live word numbers kept in the General
// Functions block, compared by the element they point into. Codes from 4096 on name
// no live word and compare as they stand.
constexpr int kScopeSourceOffsets[5] = {2, 6, 8, 10, 12};
constexpr int kFirstSpecialScopeSource = 4096;

int scopeSourceAt(int offset) {
    for (int s = 0; s < 5; ++s)
        if (offset == kScopeSourceOffsets[s] || offset == kScopeSourceOffsets[s] + 1)
            return s;
    return -1;
}

struct LiveWord {
    bool resolved = false;
    Ident owner;
    int offset = 0;
    uint16_t raw = 0;
    std::string text;
    bool operator==(const LiveWord& o) const {
        if (resolved != o.resolved)
            return false;
        return resolved ? owner == o.owner && offset == o.offset : raw == o.raw;
    }
};

LiveWord liveWordOf(const Side& side, int constAddr) {
    LiveWord w;
    w.raw = side.ecu.ReadConstWord(constAddr);
    // The scope keeps live word numbers: the live address halved.
    const int e = w.raw < kFirstSpecialScopeSource ? side.elementAtLive(2 * w.raw, true) : -1;
    if (e < 0) {
        w.text = "code " + std::to_string(w.raw);
        return w;
    }
    w.resolved = true;
    w.owner = side.idents[static_cast<size_t>(e)];
    w.offset = 2 * w.raw - side.ecu.ElementLiveOffset[e];
    w.text = quoted(side.ecu.ExactNameOf(kNumPages + e)) + " (" + typeToken(w.owner.type) +
             ") live word " + std::to_string(w.offset / 2 + 1);
    return w;
}

// A word of the logging channels: a live address, or a name position, resolved to the
// element it points into; other values compare as they stand.
LiveWord channelWordOf(const Side& side, long imageOffset, bool namePosition) {
    LiveWord w;
    w.raw = side.ecu.ImageWord(imageOffset);
    int e = -1;
    if (namePosition) {
        const int first = kNumPages * kNameLength;
        if (w.raw >= first && (w.raw - first) % kNameLength == 0 &&
            (w.raw - first) / kNameLength < side.ecu.NumElements)
            e = (w.raw - first) / kNameLength;
    } else if (w.raw != 0xFFFF) {
        e = side.elementAtLive(w.raw, true);
    }
    if (e < 0) {
        w.text =
            w.raw == 0xFFFF || w.raw == 0 ? std::string("none") : "code " + std::to_string(w.raw);
        return w;
    }
    w.resolved = true;
    w.owner = side.idents[static_cast<size_t>(e)];
    w.offset = namePosition ? 0 : w.raw - side.ecu.ElementLiveOffset[e];
    w.text = quoted(side.ecu.ExactNameOf(kNumPages + e));
    if (!namePosition)
        w.text += " live word " + std::to_string(w.offset / 2 + 1);
    return w;
}

constexpr int kLoggingChannels = 15;
constexpr int kChannelPart = 1000; // parts from here on are logging channels
long channelOffset(int channel, int word) {
    return (word == 0 ? 0x0004 : word == 1 ? 0x0022 : 0x0040) + 2L * channel;
}

std::string positionText(const tECU& ecu, int e) {
    return "page " + std::to_string(ecu.PageOf(e) + 1) + " column " +
           std::to_string(ecu.ColumnOf(e)) + " row " + std::to_string(ecu.RowOf(e));
}

// The constants of an ordinary element as words (value / 50 and raw), a byte at an odd end.
std::string constantFields(const tECU& ecu, int addr, int size, const tECU* other, int otherAddr,
                           bool onlyDiffering) {
    std::string text;
    auto add = [&](const std::string& field) {
        if (!text.empty())
            text += ", ";
        text += field;
    };
    const bool single = size <= 2;
    for (int k = 0; k < size;) {
        if (k + 1 < size) {
            uint16_t w = ecu.ReadConstWord(addr + k);
            if (!onlyDiffering || !other || other->ReadConstWord(otherAddr + k) != w)
                add(single ? valueAndRaw(w) : "word " + std::to_string(k) + " " + valueAndRaw(w));
            k += 2;
        } else {
            uint8_t b = ecu.ReadConstByte(addr + k);
            if (!onlyDiffering || !other || other->ReadConstByte(otherAddr + k) != b)
                add(single ? std::to_string(b)
                           : "byte " + std::to_string(k) + " " + std::to_string(b));
            ++k;
        }
    }
    return text;
}

constexpr const char* kPropertyKeys[ConfigurationProperties::kNumFields] = {
    "tuner", "phone", "email", "notes1", "notes2", "notes3", "notes4"};
constexpr const char* kPropertyNames[ConfigurationProperties::kNumFields] = {
    "name of tuner / workshop",
    "phone number of tuner",
    "email address of tuner",
    "notes line 1",
    "notes line 2",
    "notes line 3",
    "notes line 4"};

class Comparer {
public:
    Comparer(const tECU& a, const tECU& b) : a_(a), b_(b), sa_(a), sb_(b) {}

    Report run() {
        for (int p = 0; p < kNumPages; ++p) {
            std::string na = a_.ExactNameOf(p), nb = b_.ExactNameOf(p);
            if (na == nb)
                continue;
            Difference d;
            d.kind = Kind::PageName;
            d.key = "page/" + std::to_string(p + 1) + "/name";
            d.page = p;
            d.part = p;
            d.what = "Page " + std::to_string(p + 1) + " name";
            d.oldText = quoted(na);
            d.newText = quoted(nb);
            d.text = d.oldText + " -> " + d.newText;
            report_.differences.push_back(std::move(d));
        }
        for (int n = 0; n < PinTable::kNumRecords; ++n) {
            const std::string na = PinTable::PinName(a_, n), nb = PinTable::PinName(b_, n);
            const int fa = PinTable::FactoryPin(a_, n), fb = PinTable::FactoryPin(b_, n);
            if (na == nb && fa == fb)
                continue;
            Difference d;
            d.kind = Kind::Wiring;
            d.key = "pin/" + std::to_string(n + 1);
            d.page = -1;
            d.part = n;
            d.what = "Wiring: " + PinTable::Label(n);
            d.oldText = quoted(na) + " factory pin " + std::to_string(fa);
            d.newText = quoted(nb) + " factory pin " + std::to_string(fb);
            d.text = d.what + ": " + d.oldText + " -> " + d.newText;
            report_.differences.push_back(std::move(d));
        }
        for (int f = 0; f < ConfigurationProperties::kNumFields; ++f) {
            const std::string va = ConfigurationProperties::Read(a_, f);
            const std::string vb = ConfigurationProperties::Read(b_, f);
            if (va == vb)
                continue;
            Difference d;
            d.kind = Kind::Property;
            d.key = std::string("property/") + kPropertyKeys[f];
            d.page = -1;
            d.part = f;
            d.what = std::string("Properties: ") + kPropertyNames[f];
            d.oldText = quoted(va);
            d.newText = quoted(vb);
            d.text = d.what + ": " + d.oldText + " -> " + d.newText;
            report_.differences.push_back(std::move(d));
        }
        std::set<std::string> ambiguous;
        for (int i = 0; i < a_.NumElements; ++i) {
            const Ident& id = sa_.idents[static_cast<size_t>(i)];
            const int j = sb_.find(id);
            if (isAmbiguous(id))
                ambiguous.insert(quoted(id.name) + " (" + typeToken(id.type) + ")");
            if (j < 0)
                onlyIn(Kind::OnlyInA, a_, i, id);
            else
                pair(i, j, id);
        }
        for (int j = 0; j < b_.NumElements; ++j) {
            const Ident& id = sb_.idents[static_cast<size_t>(j)];
            if (isAmbiguous(id))
                ambiguous.insert(quoted(id.name) + " (" + typeToken(id.type) + ")");
            if (sa_.find(id) < 0)
                onlyIn(Kind::OnlyInB, b_, j, id);
        }
        for (const std::string& line : ambiguous)
            report_.ambiguousNames.push_back(line + " is not unique: matched by name and order");
        return std::move(report_);
    }

private:
    bool isAmbiguous(const Ident& id) const {
        return !isDedicatedType(id.type) && (sa_.countOf(id) > 1 || sb_.countOf(id) > 1);
    }

    std::string elementKey(const Ident& id) const {
        if (isDedicatedType(id.type))
            return typeToken(id.type);
        std::string key = typeToken(id.type) + "/" + escape(id.name);
        if (isAmbiguous(id))
            key += "#" + std::to_string(id.occurrence);
        return key;
    }

    Difference base(Kind kind, const std::string& prefix, const Ident& id, const tECU& ecu,
                    int e) const {
        Difference d;
        d.kind = kind;
        d.key = prefix + "/" + elementKey(id);
        d.element = ecu.ExactNameOf(kNumPages + e);
        d.type = id.type;
        d.occurrence = id.occurrence;
        d.ambiguous = isAmbiguous(id);
        d.page = ecu.PageOf(e);
        return d;
    }

    void onlyIn(Kind kind, const tECU& ecu, int e, const Ident& id) {
        Difference d = base(kind, kind == Kind::OnlyInA ? "only-in-a" : "only-in-b", id, ecu, e);
        d.text = std::string(kind == Kind::OnlyInA ? "only in A" : "only in B") + ", " +
                 positionText(ecu, e);
        report_.differences.push_back(std::move(d));
    }

    void pair(int i, int j, const Ident& id) {
        const int type = id.type;
        if (a_.PageOf(i) != b_.PageOf(j) || a_.ColumnOf(i) != b_.ColumnOf(j) ||
            a_.RowOf(i) != b_.RowOf(j)) {
            Difference d = base(Kind::Moved, "moved", id, b_, j);
            d.oldText = positionText(a_, i);
            d.newText = positionText(b_, j);
            d.text = d.oldText + " -> " + d.newText;
            report_.differences.push_back(std::move(d));
        }
        recordRest(i, j, id);
        const int inputs = tECU::InputCount(type);
        for (int k = 0; k < inputs; ++k) {
            InputValue va = inputOf(sa_, i, k), vb = inputOf(sb_, j, k);
            if (va == vb)
                continue;
            Difference d = base(Kind::Input, "input", id, b_, j);
            d.key += "/" + std::to_string(k + 1);
            d.part = k;
            d.what = "Input " + std::to_string(k + 1);
            d.oldText = va.text;
            d.newText = vb.text;
            d.text = d.what + ": " + d.oldText + " -> " + d.newText;
            report_.differences.push_back(std::move(d));
        }
        if (Tables::IsTable(type))
            table(i, j, id);
        else if (isDedicatedType(type))
            settings(i, j, id);
        else
            constants(i, j, id);
    }

    // Record bytes other than position and inputs: labels of multiplexers, the
    // advanced-only mark, and the name of a dedicated element.
    void recordRest(int i, int j, const Ident& id) {
        const int type = id.type;
        const int la = a_.ElementLogicOffset[i], lb = b_.ElementLogicOffset[j];
        const int from = 4 + 2 * tECU::InputCount(type);
        const int size = tECU::LogicSize(type);
        std::vector<std::string> parts;
        if (a_.AdvancedOnly(i) != b_.AdvancedOnly(j))
            parts.push_back(std::string("advanced only ") + (a_.AdvancedOnly(i) ? "yes" : "no") +
                            " -> " + (b_.AdvancedOnly(j) ? "yes" : "no"));
        int differing = 0;
        for (int k = from; k < size; ++k)
            if (a_.ReadLogicByte(la + k) != b_.ReadLogicByte(lb + k))
                ++differing;
        if (differing > 0)
            parts.push_back(std::to_string(differing) + " bytes of labels and settings differ");
        if (isDedicatedType(type) && a_.ExactNameOf(kNumPages + i) != b_.ExactNameOf(kNumPages + j))
            parts.push_back("name " + quoted(a_.ExactNameOf(kNumPages + i)) + " -> " +
                            quoted(b_.ExactNameOf(kNumPages + j)));
        if (parts.empty())
            return;
        Difference d = base(Kind::Record, "record", id, b_, j);
        for (const std::string& p : parts)
            d.text += (d.text.empty() ? "" : "; ") + p;
        report_.differences.push_back(std::move(d));
    }

    void constants(int i, int j, const Ident& id) {
        const int ca = a_.ElementConstOffset[i], cb = b_.ElementConstOffset[j];
        const int size = a_.ConstSize(id.type, ca);
        if (size <= 0)
            return;
        bool same = true;
        for (int k = 0; k < size && same; ++k)
            same = a_.ReadConstByte(ca + k) == b_.ReadConstByte(cb + k);
        if (same)
            return;
        Difference d = base(Kind::Constant, "constant", id, b_, j);
        d.oldText = constantFields(a_, ca, size, &b_, cb, true);
        d.newText = constantFields(b_, cb, size, &a_, ca, true);
        d.text = d.oldText + " -> " + d.newText;
        report_.differences.push_back(std::move(d));
    }

    void settings(int i, int j, const Ident& id) {
        const int ca = a_.ElementConstOffset[i], cb = b_.ElementConstOffset[j];
        const int size = a_.ConstSize(id.type, ca);
        const bool general = id.type == ElementType::General;
        for (int s = 0; general && s < 5; ++s) {
            const int k = kScopeSourceOffsets[s];
            if (k + 1 >= size)
                break;
            const LiveWord wa = liveWordOf(sa_, ca + k), wb = liveWordOf(sb_, cb + k);
            if (wa == wb)
                continue;
            Difference d = base(Kind::Setting, "setting", id, b_, j);
            d.key += "/" + std::to_string(k);
            d.part = k;
            d.what = s == 0 ? std::string("Scope: trigger source")
                            : "Scope: channel " + std::to_string(s) + " source";
            d.oldText = wa.text;
            d.newText = wb.text;
            d.text = d.what + ": " + d.oldText + " -> " + d.newText;
            report_.differences.push_back(std::move(d));
        }
        for (int c = 0; general && c < kLoggingChannels; ++c) {
            std::string ta, tb;
            bool same = true;
            for (int w = 0; w < 3; ++w) {
                const LiveWord wa = channelWordOf(sa_, channelOffset(c, w), w == 1);
                const LiveWord wb = channelWordOf(sb_, channelOffset(c, w), w == 1);
                same = same && wa == wb;
                const char* label = w == 0 ? "logs " : w == 1 ? ", named " : ", valid ";
                ta += label + wa.text;
                tb += label + wb.text;
            }
            if (same)
                continue;
            Difference d = base(Kind::Setting, "setting", id, b_, j);
            d.key += "/channel" + std::to_string(c + 1);
            d.part = kChannelPart + c;
            d.what = "General Functions: logging channel " + std::to_string(c + 1);
            d.oldText = ta;
            d.newText = tb;
            d.text = d.what + ": " + d.oldText + " -> " + d.newText;
            report_.differences.push_back(std::move(d));
        }
        for (int k = 0; k < size; ++k) {
            if (general && scopeSourceAt(k) >= 0 &&
                kScopeSourceOffsets[scopeSourceAt(k)] + 1 < size)
                continue;
            const uint8_t va = a_.ReadConstByte(ca + k), vb = b_.ReadConstByte(cb + k);
            if (va == vb)
                continue;
            Difference d = base(Kind::Setting, "setting", id, b_, j);
            d.key += "/" + std::to_string(k);
            d.part = k;
            d.what = settingName(id.type, k);
            d.oldText = hex2(va);
            d.newText = hex2(vb);
            d.text = d.what + ": " + d.oldText + " -> " + d.newText;
            report_.differences.push_back(std::move(d));
        }
    }

    static std::string shapeText(const Tables::Shape& s) {
        return s.is3D() ? std::to_string(s.columns) + " x " + std::to_string(s.rows)
                        : std::to_string(s.columns) + " points";
    }

    void table(int i, int j, const Ident& id) {
        Tables::Shape sa, sb;
        if (!Tables::ShapeOf(a_, i, sa) || !Tables::ShapeOf(b_, j, sb))
            return;
        if (sa.columns != sb.columns || sa.rows != sb.rows) {
            Difference d = base(Kind::Axes, "axes", id, b_, j);
            d.oldText = shapeText(sa);
            d.newText = shapeText(sb);
            d.text = d.oldText + " -> " + d.newText + " (cells not compared)";
            report_.differences.push_back(std::move(d));
            return;
        }
        int horizontal = 0, vertical = 0;
        for (int c = 0; c < sa.columns; ++c)
            if (Tables::Reference(a_, sa, Tables::Axis::Horizontal, c) !=
                Tables::Reference(b_, sb, Tables::Axis::Horizontal, c))
                ++horizontal;
        if (sa.is3D())
            for (int r = 0; r < sa.rows; ++r)
                if (Tables::Reference(a_, sa, Tables::Axis::Vertical, r) !=
                    Tables::Reference(b_, sb, Tables::Axis::Vertical, r))
                    ++vertical;
        if (horizontal + vertical > 0) {
            Difference d = base(Kind::Axes, "axes", id, b_, j);
            d.text = std::to_string(horizontal) + " horizontal and " + std::to_string(vertical) +
                     " vertical references differ";
            report_.differences.push_back(std::move(d));
        }
        Difference d = base(Kind::Cells, "cells", id, b_, j);
        long long sum = 0;
        for (int r = 0; r < sa.rows; ++r)
            for (int c = 0; c < sa.columns; ++c) {
                const uint16_t oa = Tables::Cell(a_, sa, c, r), ob = Tables::Cell(b_, sb, c, r);
                if (oa == ob)
                    continue;
                d.cells.push_back({c, r, oa, ob});
                const int change = static_cast<int16_t>(ob) - static_cast<int16_t>(oa);
                sum += change;
                if (std::abs(change) > std::abs(d.largestChange))
                    d.largestChange = change;
            }
        if (d.cells.empty())
            return;
        d.meanChange = static_cast<double>(sum) / static_cast<double>(d.cells.size());
        char mean[32];
        std::snprintf(mean, sizeof mean, "%+.2f", d.meanChange / 50.0);
        const std::string largest = Tables::TwoDecimals(static_cast<int16_t>(d.largestChange));
        d.text = std::to_string(d.cells.size()) + " cells differ, largest change " +
                 (d.largestChange > 0 ? "+" : "") + largest + ", mean change " + mean;
        report_.differences.push_back(std::move(d));
    }

    const tECU& a_;
    const tECU& b_;
    Side sa_;
    Side sb_;
    Report report_;
};

} // namespace

Group GroupOf(Kind kind) {
    switch (kind) {
    case Kind::Axes:
    case Kind::Cells:
        return Group::Tables;
    case Kind::Constant:
        return Group::Constants;
    case Kind::Setting:
    case Kind::Wiring:
    case Kind::Property:
        return Group::Settings;
    default:
        return Group::Diagram;
    }
}

bool ParseGroup(const std::string& text, Group& group) {
    if (text == "tables")
        group = Group::Tables;
    else if (text == "constants")
        group = Group::Constants;
    else if (text == "diagram")
        group = Group::Diagram;
    else if (text == "settings")
        group = Group::Settings;
    else
        return false;
    return true;
}

Report Compare(const tECU& a, const tECU& b) {
    return Comparer(a, b).run();
}

Report Filtered(const Report& report, Group group) {
    if (group == Group::All)
        return report;
    Report out;
    out.ambiguousNames = report.ambiguousNames;
    for (const Difference& d : report.differences)
        if (GroupOf(d.kind) == group)
            out.differences.push_back(d);
    return out;
}

std::vector<std::string> Lines(const Report& report) {
    std::vector<std::string> lines;
    for (const Difference& d : report.differences) {
        lines.push_back(d.key + ": " + d.text);
        for (const CellChange& c : d.cells)
            lines.push_back(d.key + "/c" + std::to_string(c.column + 1) + "r" +
                            std::to_string(c.row + 1) + ": " + valueAndRaw(c.oldRaw) + " -> " +
                            valueAndRaw(c.newRaw));
    }
    for (const std::string& a : report.ambiguousNames)
        lines.push_back("ambiguous: " + a);
    return lines;
}

std::string TypeToken(int type) {
    return typeToken(type);
}

int ElementOf(const tECU& ecu, const Difference& difference) {
    if (difference.kind == Kind::PageName || difference.kind == Kind::Wiring ||
        difference.kind == Kind::Property || difference.type < 0)
        return -1;
    Ident id;
    id.type = difference.type;
    id.name = isDedicatedType(difference.type) ? std::string() : difference.element;
    id.occurrence = difference.occurrence;
    return Side(ecu).find(id);
}

TablePair PairOfTables(const tECU& a, const tECU& b, const Difference& difference) {
    TablePair pair;
    const int i = ElementOf(a, difference), j = ElementOf(b, difference);
    pair.inA = i >= 0 && Tables::ShapeOf(a, i, pair.shapeA);
    pair.inB = j >= 0 && Tables::ShapeOf(b, j, pair.shapeB);
    if (!pair.inA && !pair.inB)
        return pair;
    const tECU& first = pair.inA ? a : b;
    const Tables::Shape& shape = pair.inA ? pair.shapeA : pair.shapeB;
    pair.columns = shape.columns;
    pair.rows = shape.rows;
    pair.sameCounts = pair.inA && pair.inB && pair.shapeA.columns == pair.shapeB.columns &&
                      pair.shapeA.rows == pair.shapeB.rows;
    for (int c = 0; c < shape.columns; ++c)
        pair.horizontal.push_back(Tables::Reference(first, shape, Tables::Axis::Horizontal, c));
    if (shape.is3D())
        for (int r = 0; r < shape.rows; ++r)
            pair.vertical.push_back(Tables::Reference(first, shape, Tables::Axis::Vertical, r));
    for (int r = 0; r < shape.rows; ++r)
        for (int c = 0; c < shape.columns; ++c) {
            const bool inB = pair.inB && c < pair.shapeB.columns && r < pair.shapeB.rows;
            const uint16_t va = pair.inA ? Tables::Cell(a, pair.shapeA, c, r) : 0;
            const uint16_t vb = inB ? Tables::Cell(b, pair.shapeB, c, r) : 0;
            pair.cellsA.push_back(va);
            pair.cellsB.push_back(vb);
            const int change = static_cast<int16_t>(vb) - static_cast<int16_t>(va);
            if (pair.inA && inB && std::abs(change) > pair.largestChange)
                pair.largestChange = std::abs(change);
        }
    return pair;
}

std::vector<std::string> ParseSelection(const std::string& text) {
    std::vector<std::string> keys;
    if (text == "all")
        return keys;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string key =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!key.empty())
            keys.push_back(key);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return keys;
}

namespace {

class Merger {
public:
    Merger(tECU& a, const tECU& b, std::vector<std::string>& problems)
        : a_(a), b_(b), problems_(problems) {}

    void run(const std::vector<const Difference*>& chosen) {
        // Deletes from the highest index down leave the lower ones in place.
        {
            Side sa(a_);
            std::vector<int> doomed;
            for (const Difference* d : chosen)
                if (d->kind == Kind::OnlyInA) {
                    const int e = sa.find(identOf(*d));
                    if (e >= 0 && isDedicatedType(d->type))
                        problem(*d, "a dedicated element cannot be deleted");
                    else if (e >= 0)
                        doomed.push_back(e);
                }
            std::sort(doomed.rbegin(), doomed.rend());
            for (int e : doomed)
                a_.DeleteElement(e);
        }
        // New elements are appended in B's order of occurrence, so each takes the
        // occurrence it has in B.
        std::vector<std::pair<const Difference*, int>> created;
        {
            std::vector<const Difference*> adds;
            for (const Difference* d : chosen)
                if (d->kind == Kind::OnlyInB)
                    adds.push_back(d);
            std::stable_sort(adds.begin(), adds.end(),
                             [](const Difference* x, const Difference* y) {
                                 return x->occurrence < y->occurrence;
                             });
            Side sb(b_);
            for (const Difference* d : adds) {
                const int j = sb.find(identOf(*d));
                if (j < 0)
                    continue;
                const int e = create(*d, j);
                if (e >= 0)
                    created.emplace_back(d, e);
            }
        }
        Side sa(a_), sb(b_);
        for (const Difference* d : chosen) {
            if (d->kind == Kind::PageName) {
                a_.RenameSlot(d->part, b_.ExactNameOf(d->part));
                continue;
            }
            if (d->kind == Kind::Wiring) {
                PinTable::SetPinName(a_, d->part, PinTable::PinName(b_, d->part));
                PinTable::SetFactoryPin(a_, d->part, PinTable::FactoryPin(b_, d->part));
                a_.Modified = true;
                continue;
            }
            if (d->kind == Kind::Property) {
                std::array<std::string, ConfigurationProperties::kNumFields> texts;
                for (int f = 0; f < ConfigurationProperties::kNumFields; ++f)
                    texts[static_cast<size_t>(f)] =
                        ConfigurationProperties::Read(f == d->part ? b_ : a_, f);
                ConfigurationProperties::WriteAll(a_, texts);
                continue;
            }
            if (d->kind == Kind::OnlyInA || d->kind == Kind::OnlyInB || d->kind == Kind::Input)
                continue;
            const Ident id = identOf(*d);
            const int i = sa.find(id), j = sb.find(id);
            if (i < 0 || j < 0)
                continue;
            apply(sa, sb, *d, i, j);
        }
        // Links last: their sources may have been created above.
        for (const Difference* d : chosen)
            if (d->kind == Kind::Input) {
                const Ident id = identOf(*d);
                const int i = sa.find(id), j = sb.find(id);
                if (i >= 0 && j >= 0)
                    copyInput(sa, sb, *d, i, j, d->part);
            }
        for (auto& [d, e] : created) {
            const int j = sb.find(identOf(*d));
            for (int k = 0; j >= 0 && k < tECU::InputCount(d->type); ++k)
                copyInput(sa, sb, *d, e, j, k);
        }
        a_.RebuildIndex(true, true);
        a_.UpdateUsageWords();
    }

private:
    static Ident identOf(const Difference& d) {
        Ident id;
        id.type = d.type;
        id.name = isDedicatedType(d.type) ? std::string() : d.element;
        id.occurrence = d.occurrence;
        return id;
    }

    void problem(const Difference& d, const std::string& why) {
        problems_.push_back(d.key + ": " + why);
    }

    int create(const Difference& d, int j) {
        if (isDedicatedType(d.type) || !tECU::IsCreatableType(d.type)) {
            problem(d, "this kind of element cannot be created");
            return -1;
        }
        const int pageByte = b_.ReadLogicByte(b_.ElementLogicOffset[j] + 3);
        int e = -1;
        if (!a_.CreateElement(d.type, b_.ColumnOf(j), b_.RowOf(j), d.element, pageByte, &e)) {
            problem(d, "the element could not be created");
            return -1;
        }
        copyRecordRest(e, j, d.type);
        if (Tables::IsTable(d.type)) {
            if (!Tables::CopyFrom(a_, e, b_, j, Tables::Part::Whole))
                problem(d, "the table's data did not fit: it keeps its default block");
        } else {
            copyConstants(e, j, d.type);
        }
        return e;
    }

    void copyRecordRest(int i, int j, int type) {
        const int la = a_.ElementLogicOffset[i], lb = b_.ElementLogicOffset[j];
        for (int k = 4 + 2 * tECU::InputCount(type); k < tECU::LogicSize(type); ++k)
            if (a_.ReadLogicByte(la + k) != b_.ReadLogicByte(lb + k))
                a_.WriteLogicByte(la + k, b_.ReadLogicByte(lb + k), true);
    }

    void copyConstants(int i, int j, int type) {
        const int ca = a_.ElementConstOffset[i], cb = b_.ElementConstOffset[j];
        const int size = a_.ConstSize(type, ca);
        for (int k = 0; k < size; ++k)
            if (a_.ReadConstByte(ca + k) != b_.ReadConstByte(cb + k))
                a_.WriteConstByte(ca + k, b_.ReadConstByte(cb + k));
        a_.ConstantsChanged = true;
    }

    void apply(const Side& sa, const Side& sb, const Difference& d, int i, int j) {
        switch (d.kind) {
        case Kind::Moved: {
            const int page = b_.PageOf(j);
            if (page == 0 && d.type != ElementType::Gauge && d.type != ElementType::Label) {
                problem(d, "This page can only contain Gauge elements or Labels");
                return;
            }
            const int l = a_.ElementLogicOffset[i];
            a_.WriteLogicByte(l + 1, static_cast<uint8_t>(b_.ColumnOf(j)), true);
            a_.WriteLogicByte(l + 2, static_cast<uint8_t>(b_.RowOf(j)), true);
            const uint8_t mark = a_.ReadLogicByte(l + 3) & 0x80;
            a_.WriteLogicByte(l + 3, static_cast<uint8_t>(mark | page), true);
            return;
        }
        case Kind::Record: {
            copyRecordRest(i, j, d.type);
            const int l = a_.ElementLogicOffset[i];
            const uint8_t mark = b_.ReadLogicByte(b_.ElementLogicOffset[j] + 3) & 0x80;
            const uint8_t now = a_.ReadLogicByte(l + 3);
            if ((now & 0x80) != mark)
                a_.WriteLogicByte(l + 3, static_cast<uint8_t>((now & 0x7F) | mark), true);
            if (isDedicatedType(d.type))
                a_.RenameSlot(kNumPages + i, b_.ExactNameOf(kNumPages + j));
            return;
        }
        case Kind::Constant:
            copyConstants(i, j, d.type);
            return;
        case Kind::Setting: {
            const int ca = a_.ElementConstOffset[i], cb = b_.ElementConstOffset[j];
            if (d.part >= kChannelPart && d.part < kChannelPart + kLoggingChannels) {
                const int c = d.part - kChannelPart;
                uint16_t words[3];
                for (int w = 0; w < 3; ++w) {
                    const LiveWord from = channelWordOf(sb, channelOffset(c, w), w == 1);
                    words[w] = from.raw;
                    if (!from.resolved)
                        continue;
                    const int owner = sa.find(from.owner);
                    if (owner < 0) {
                        problem(d, from.text + " is not in this configuration");
                        return;
                    }
                    words[w] =
                        static_cast<uint16_t>(w == 1 ? (kNumPages + owner) * kNameLength
                                                     : a_.ElementLiveOffset[owner] + from.offset);
                }
                for (int w = 0; w < 3; ++w)
                    if (a_.ImageWord(channelOffset(c, w)) != words[w])
                        a_.SetImageWord(channelOffset(c, w), words[w], true);
                a_.Modified = true;
                a_.ConstantsChanged = true;
                return;
            }
            if (d.type == ElementType::General && scopeSourceAt(d.part) >= 0 &&
                d.part + 1 < a_.ConstSize(d.type, ca)) {
                const LiveWord w = liveWordOf(sb, cb + d.part);
                uint16_t raw = w.raw;
                if (w.resolved) {
                    const int owner = sa.find(w.owner);
                    if (owner < 0) {
                        problem(d, w.text + " is not in this configuration");
                        return;
                    }
                    raw = static_cast<uint16_t>((a_.ElementLiveOffset[owner] + w.offset) / 2);
                }
                a_.WriteConstWord(ca + d.part, raw);
                a_.ConstantsChanged = true;
                return;
            }
            if (d.part >= 0 && d.part < a_.ConstSize(d.type, ca)) {
                a_.WriteConstByte(ca + d.part, b_.ReadConstByte(cb + d.part));
                a_.ConstantsChanged = true;
            }
            return;
        }
        case Kind::Axes: {
            Tables::Shape sa, sb;
            if (!Tables::ShapeOf(a_, i, sa) || !Tables::ShapeOf(b_, j, sb))
                return;
            const bool sameCounts = sa.columns == sb.columns && sa.rows == sb.rows;
            if (!Tables::CopyFrom(a_, i, b_, j,
                                  sameCounts ? Tables::Part::References : Tables::Part::Whole))
                problem(d, "the table does not fit the constant memory left");
            return;
        }
        case Kind::Cells:
            if (!Tables::CopyFrom(a_, i, b_, j, Tables::Part::Cells))
                problem(d, "the tables' counts differ: take their axes too");
            return;
        default:
            return;
        }
    }

    void copyInput(const Side& sa, const Side& sb, const Difference& d, int i, int j, int k) {
        const InputValue v = inputOf(sb, j, k);
        if (!v.linked) {
            if (a_.InputWord(i, k) != v.raw)
                a_.WriteLogicWord(a_.InputWordAddress(i, k), v.raw, false);
            return;
        }
        const int source = v.resolved ? sa.find(v.source) : -1;
        if (source < 0 || !a_.LinkInput(i, k, source, v.output))
            problem(d, "Input " + std::to_string(k + 1) + " cannot be linked: " + v.text +
                           " is not in this configuration");
    }

    tECU& a_;
    const tECU& b_;
    std::vector<std::string>& problems_;
};

} // namespace

bool ApplyDifferences(tECU& a, const tECU& b, const std::vector<std::string>& keys,
                      std::vector<std::string>& problems, std::string& error) {
    const Report report = Compare(a, b);
    std::vector<const Difference*> chosen;
    if (keys.empty()) {
        for (const Difference& d : report.differences)
            chosen.push_back(&d);
    } else {
        std::unordered_map<std::string, const Difference*> byKey;
        for (const Difference& d : report.differences)
            byKey.emplace(d.key, &d);
        std::set<const Difference*> seen;
        for (const std::string& key : keys) {
            auto it = byKey.find(key);
            if (it == byKey.end()) {
                error = "No difference has the key " + key;
                return false;
            }
            if (seen.insert(it->second).second)
                chosen.push_back(it->second);
        }
    }
    Merger(a, b, problems).run(chosen);
    return true;
}

} // namespace zolmar::Comparison
