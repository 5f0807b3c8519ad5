// Any settings file through the setup wizard: opening, control changes, Set Defaults
// and Finish must stay inside the image whatever the named elements, the dedicated
// blocks and the records hold.
#include "files/SettingsFile.h"
#include "setup/SetupWizard.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8)
        return 0;
    // The first bytes choose control changes; the input, repeated, fills the file.
    std::vector<uint8_t> file(SettingsFile::kFileSize);
    for (size_t k = 0; k < file.size(); ++k)
        file[k] = data[k % size];
    static SilentMessages messages;
    static auto ecu = std::make_unique<tECU>(messages);
    SettingsFile::toImage(*ecu, file);
    ecu->RebuildIndex(true, true);
    SetupWizard wizard(*ecu);
    wizard.open();
    for (size_t k = 0; k + 1 < 8; k += 2)
        wizard.set(static_cast<WizardControl>(data[k] % static_cast<int>(WizardControl::Count)),
                   static_cast<int8_t>(data[k + 1]));
    wizard.setDefaults();
    wizard.view();
    wizard.finish();
    return 0;
}
