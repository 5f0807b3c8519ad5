#include "files/NewConfiguration.h"

#include "files/ProgramFiles.h"
#include "files/SettingsFile.h"

namespace zolmar::NewConfiguration {

using namespace Layout;

void MakeBlank(tECU& ecu) {
    // Settings, pin table and properties: words 30..44 of the settings all ones.
    for (long offset = 0x0004; offset < kConstBase; ++offset) {
        uint8_t value = offset >= 0x0040 && offset <= 0x005D ? 0xFF : 0x00;
        ecu.SetImageByte(offset, value, true);
    }
    for (int a = 0; a < kLogicRecordLimit; ++a)
        ecu.WriteLogicByte(a, ElementType::Finish, false);
    for (int a = 0; a < kConstSize; ++a)
        ecu.WriteConstByte(a, 0);
    for (int p = 0; p < kNamePositions; ++p)
        ecu.WriteNameByte(p, 0);
    // Spare bytes behind the names: cleared, but nothing the ECU needs to be sent.
    for (long offset = 0x29FD8; offset <= 0x29FFB; ++offset)
        ecu.SetImageByte(offset, 0, false);
    ecu.RebuildIndex(true, false);
    ecu.ConfigurationReplaced();

    const char* const pages[] = {"Gauges",      "Inputs",           "Analogue Inputs",
                                 "Aux Outputs", "Injector Outputs", "Ignition Outputs",
                                 "General"};
    for (int p = 0; p < 7; ++p)
        ecu.RenameSlot(p, pages[p]);

    struct Dedicated {
        int type;
        const char* name;
        int page;
    };
    const Dedicated elements[] = {{ElementType::Inputs, "Inputs", 1},
                                  {ElementType::AnalogueInputs, "Analogue inputs", 2},
                                  {ElementType::AuxOutputs, "Aux outputs", 3},
                                  {ElementType::Injectors, "Injector outputs", 4},
                                  {ElementType::Ignition, "Ignition outputs", 5},
                                  {ElementType::General, "General", 6}};
    for (const auto& e : elements)
        ecu.CreateElement(e.type, 10, 1, e.name, e.page);
}

bool LoadComplete(tECU& ecu, std::string& error) {
    std::string path = ProgramFiles::Find(ProgramFiles::kDefaultConfiguration);
    if (path.empty()) {
        error = std::string(ProgramFiles::kDefaultConfiguration) +
                " is neither in the start-up folder nor beside the program";
        return false;
    }
    return SettingsFile::load(ecu, path, error);
}

} // namespace zolmar::NewConfiguration
