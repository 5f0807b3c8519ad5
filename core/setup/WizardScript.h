#pragma once

#include "setup/SetupWizard.h"

#include <string>
#include <utility>
#include <vector>

namespace zolmar {

// The setup wizard's answers as text, for scripted installations: controls by their
// names, list entries by their texts (UTF-8 here, image text inside the wizard).
namespace WizardScript {

// "AuxEdit1".."AuxEdit8", "InjEdit5".."InjEdit12" for threshold fields 0..15.
std::string thresholdControlName(int field);

// Sets the control NAME as the user would, its rule included. VALUE is a number, or
// for a list an entry's text or index. False with the reason when the name is
// unknown, the value not allowed, or the control disabled.
bool set(SetupWizard& wizard, const std::string& name, const std::string& value,
         std::string& reason);

// Every control and label the wizard shows, as (NAME, VALUE) pairs in tab order: the
// controls' values (lists by entry text, check boxes 0 or 1, threshold fields with
// their decimals), then the visible wiring labels and the important-information label.
std::vector<std::pair<std::string, std::string>> show(const SetupWizard& wizard);

// The missing list's lines without their leading line break.
std::vector<std::string> missingLines(const WizardResult& result);

} // namespace WizardScript
} // namespace zolmar
