#include "files/ImportMerge.h"

#include "files/SettingsFile.h"
#include "link/SyncEngine.h"

#include <algorithm>
#include <map>
#include <memory>

namespace zolmar::ImportMerge {

using namespace Layout;

bool Source::loaded() const {
    return bytes.size() >= static_cast<size_t>(SettingsFile::kFileSize);
}

bool CurrentValid(int linkState) {
    switch (linkState) {
    case Link::Online:
    case Link::LostWhileOnline:
    case Link::WritingChanges:
    case Link::Offline:
    case Link::WritingAll:
    case Link::StartWriteAll:
    case Link::LostDuringWrite:
    case Link::NewConfiguration:
        return true;
    default:
        return false;
    }
}

namespace {

// A source as an indexed model, so that its elements can be walked safely.
std::unique_ptr<tECU> indexed(const std::vector<uint8_t>& bytes) {
    static SilentMessages quiet;
    auto ecu = std::make_unique<tECU>(quiet);
    SettingsFile::toImage(*ecu, bytes);
    ecu->RebuildIndex(false, false);
    return ecu;
}

// The types whose data follows the element's name from the values source.
bool takesValues(int type) {
    switch (type) {
    case ElementType::Constant:
    case ElementType::Table2D:
    case ElementType::Table3D:
    case ElementType::Tickbox:
    case ElementType::Mux4:
    case ElementType::Stepper:
    case ElementType::Mux32:
    case ElementType::AuxOnInj:
        return true;
    default:
        return false;
    }
}

// The listed kinds: everything matched by name but the injector aux block.
const char* failureLabel(int type) {
    switch (type) {
    case ElementType::Constant:
        return "- The Constant called \"";
    case ElementType::Table2D:
        return "- The 2D Table called \"";
    case ElementType::Table3D:
        return "- The 3D Table called \"";
    case ElementType::Tickbox:
        return "- The Tickbox called \"";
    case ElementType::Mux4:
        return "- The 4-Way Mux called \"";
    case ElementType::Stepper:
        return "- The Stepper Block called \"";
    case ElementType::Mux32:
        return "- The 32-Way Mux called \"";
    default:
        return nullptr;
    }
}

// Counts of every name among all element name slots (capped at 2: the first two
// occurrences decide) and the first element of each name.
class NameCensus {
public:
    explicit NameCensus(const tECU& ecu) {
        for (int i = 0; i < kMaxElements; ++i) {
            int& n = counts_[ecu.ExactNameOf(kNumPages + i)];
            n = std::min(n + 1, 2);
        }
        for (int i = ecu.NumElements - 1; i >= 0; --i)
            first_[ecu.ExactNameOf(kNumPages + i)] = i;
    }
    bool unique(const std::string& name) const {
        auto it = counts_.find(name);
        return it != counts_.end() && it->second == 1;
    }
    int firstElement(const std::string& name) const {
        auto it = first_.find(name);
        return it == first_.end() ? -1 : it->second;
    }

private:
    std::map<std::string, int> counts_;
    std::map<std::string, int> first_;
};

// Finds the values source's element for each element of the configuration source.
class Matcher {
public:
    Matcher(const tECU& configuration, const tECU& values)
        : configuration_(configuration), values_(values), inConfiguration_(configuration),
          inValues_(values) {}

    // The values source's element matching configuration element i, or -1.
    int match(int i) const {
        std::string name = configuration_.ExactNameOf(kNumPages + i);
        if (!inConfiguration_.unique(name) || !inValues_.unique(name))
            return -1;
        int v = inValues_.firstElement(name);
        if (v < 0 || values_.TypeOf(v) != configuration_.TypeOf(i))
            return -1;
        return v;
    }

private:
    const tECU& configuration_;
    const tECU& values_;
    NameCensus inConfiguration_;
    NameCensus inValues_;
};

void copyConst(const tECU& from, int fromAddr, tECU& to, int toAddr, int size) {
    for (int k = 0; k < size; ++k)
        to.SetImageByte(kConstBase + toAddr + k, from.ReadConstByte(fromAddr + k), false);
}

} // namespace

Summary Validate(const Source& configuration, const Source& values, bool currentValid) {
    Summary s;
    auto add = [&s](const std::string& line) { s.text += line + "\r\n"; };
    auto check = [&](const Source& source, const char* missing) {
        if (!source.useCurrent && source.fileName.empty()) {
            add(missing);
            add(" ");
        } else if (source.useCurrent && !currentValid) {
            add("The current settings are not valid.");
            add(" ");
        }
    };
    check(configuration, "You need to select a file for the Element Configuration source.");
    check(values, "You need to select a file for the Values source.");
    auto usable = [&](const Source& source) {
        return source.useCurrent ? currentValid : !source.fileName.empty() && source.loaded();
    };
    if (!usable(configuration) || !usable(values))
        return s;

    auto named = [](const Source& source) {
        return source.useCurrent ? std::string("the current settings")
                                 : "\"" + source.fileName + "\"";
    };
    add("The following will be taken from the Configuration Source (" + named(configuration) +
        ") ...");
    add("-- Elements and their locations");
    add("-- Input/Output Links");
    add("-- Page names and Element names");
    add("-- Settings for most individual Elements, exceptions are described below.");
    add("");
    add("The following will be taken from the Values Source (" + named(values) + ") ...");
    add("-- Settings for Dedicated Elements");
    add("-- Strings for the 'Properties' and 'Wiring' Windows");
    add("-- Settings for the following types of Elements:");
    add("    - Tables (automatically resized)");
    add("    - Constants");
    add("    - Tickboxes");
    add("    - 4-Way and 32-Way Muxes");
    add("    - Stepper Blocks");
    add("");
    add("Note: This requires a matching Element (identical name) to exist in both the "
        "Configuration Source and the Values Source (see below for exceptions).");
    add("");
    add("Warning: If you have added any elements to the Values Source, and they don't exist in "
        "the Configuration Source, those elements will be lost!");
    add("");
    add("Also, if any Elements are listed below, they will have their data taken from the "
        "Configuration Source rather than the Values Source, due to a failure to find a "
        "matching name, or if the same name was found more than once ...");
    add("");
    for (const auto& line : FailedMatches(configuration.bytes, values.bytes))
        add(line);
    s.goEnabled = true;
    return s;
}

std::vector<std::string> FailedMatches(const std::vector<uint8_t>& configuration,
                                       const std::vector<uint8_t>& values) {
    std::vector<std::string> lines;
    if (configuration.size() < SettingsFile::kFileSize || values.size() < SettingsFile::kFileSize)
        return lines;
    auto c = indexed(configuration);
    auto v = indexed(values);
    Matcher matcher(*c, *v);
    for (int i = 0; i < c->NumElements; ++i) {
        const char* label = failureLabel(c->TypeOf(i));
        if (label != nullptr && matcher.match(i) < 0)
            lines.push_back(label + c->ExactNameOf(kNumPages + i) + "\"");
    }
    return lines;
}

bool Merge(const std::vector<uint8_t>& configuration, const std::vector<uint8_t>& values,
           std::vector<uint8_t>& result, std::string& error) {
    if (configuration.size() < SettingsFile::kFileSize || values.size() < SettingsFile::kFileSize) {
        error = "A source of the merge is not a whole ECU settings file.";
        return false;
    }
    auto c = indexed(configuration);
    auto v = indexed(values);
    auto r = indexed(configuration);
    Matcher matcher(*c, *v);

    for (int a = 0; a < kLogicRecordLimit; ++a)
        r->Image[kLogicBase + a] = ElementType::Finish;
    for (long offset = kPinTableBase; offset < kConstBase; ++offset)
        r->Image[offset] = v->Image[offset];

    int o = 0;
    long growth = 0;
    for (int i = 0; i < c->NumElements; ++i) {
        const int type = c->TypeOf(i);
        const int at = c->ElementConstOffset[i];
        // Sizes of unknown types read as -1: such an element has no block to copy.
        const int s = std::max(0, c->ConstSize(type, at));
        const tECU* from = c.get();
        int fromAddr = at;
        int size = s;
        if (takesValues(type)) {
            int m = matcher.match(i);
            if (m >= 0) {
                from = v.get();
                fromAddr = v->ElementConstOffset[m];
                size = std::max(0, v->ConstSize(type, fromAddr));
                growth += size - s;
            }
        } else if (isDedicatedType(type)) {
            from = v.get();
        }
        if (o + size > kConstSize) {
            error = "The merged configuration needs more constant data than the ECU holds (" +
                    std::to_string(kConstSize) + " bytes); nothing was changed.";
            return false;
        }
        copyConst(*from, fromAddr, *r, o, size);
        const int record = c->ElementLogicOffset[i];
        for (int k = 0; k < tECU::LogicSize(type) && record + k < kLogicSize; ++k)
            r->Image[kLogicBase + record + k] = c->Image[kLogicBase + record + k];
        o += size;
    }

    uint16_t usage = r->ImageWord(0);
    auto constUsage = static_cast<uint16_t>((usage + growth) & 0x7FFF);
    r->SetImageWord(0, static_cast<uint16_t>((usage & 0x8000) | constUsage), false);
    result = SettingsFile::fromImage(*r);
    return true;
}

void Apply(tECU& ecu, const std::vector<uint8_t>& merged) {
    if (merged.size() < SettingsFile::kFileSize)
        return;
    SettingsFile::toImage(ecu, merged);
    ecu.RebuildIndex(true, true);
    ecu.ConfigurationReplaced();
    ecu.Modified = true;
    ecu.CheckUsageWords();
}

} // namespace zolmar::ImportMerge
