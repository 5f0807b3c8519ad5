#include "files/ConfigurationProperties.h"

namespace zolmar::ConfigurationProperties {

namespace {
constexpr const char* kDetailsHint =
    "Free form text for comments on engine or installation (eg cam profile)";
} // namespace

const std::array<Field, kNumFields> kFields = {{
    {0x0310, 30, 30, "TunerEdit", "Name of tuner / workshop"},
    {0x032E, 10, 20, "PhoneEdit", "Phone number of tuner"},
    {0x0338, 40, 40, "EmailEdit", "Email address of tuner"},
    {0x0360, 40, 40, "Details1Edit", kDetailsHint},
    {0x0388, 40, 40, "Details2Edit", kDetailsHint},
    {0x03B0, 40, 40, "Details3Edit", kDetailsHint},
    {0x03D8, 40, 40, "Details4Edit", kDetailsHint},
}};

std::string Read(const tECU& ecu, int field) {
    std::string text;
    if (field < 0 || field >= kNumFields)
        return text;
    const Field& f = kFields[static_cast<size_t>(field)];
    for (int k = 0; k < f.length; ++k) {
        uint8_t b = ecu.ImageByte(f.offset + k);
        if (b != 0)
            text.push_back(static_cast<char>(b));
    }
    return text;
}

void WriteAll(tECU& ecu, const std::array<std::string, kNumFields>& texts) {
    for (size_t i = 0; i < kFields.size(); ++i) {
        const Field& f = kFields[i];
        const std::string& t = texts[i];
        for (int k = 0; k < f.length; ++k) {
            uint8_t b = k < static_cast<int>(t.size()) ? static_cast<uint8_t>(t[k]) : 0;
            ecu.SetImageByte(f.offset + k, b, true);
        }
    }
    ecu.Modified = true;
}

} // namespace zolmar::ConfigurationProperties
