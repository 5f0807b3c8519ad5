#include "setup/WizardScript.h"

#include "dialogs/NumericEntry.h"
#include "model/Cp1252.h"

#include <cstdio>

namespace zolmar {
namespace WizardScript {

namespace {

int thresholdField(const std::string& name) {
    for (int t = 0; t < WizardAnswers::kThresholds; ++t)
        if (name == thresholdControlName(t))
            return t;
    return -1;
}

std::string fixed(double value, int decimals) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

std::string thresholdControlName(int field) {
    return field < 8 ? "AuxEdit" + std::to_string(field + 1)
                     : "InjEdit" + std::to_string(field - 3);
}

bool set(SetupWizard& wizard, const std::string& name, const std::string& value,
         std::string& reason) {
    if (int t = thresholdField(name); t >= 0) {
        double number = 0;
        if (!ReadReal(value, number)) {
            reason = name + ": \"" + value + "\" is not a number";
            return false;
        }
        if (!wizard.setThreshold(t, number)) {
            reason = name + ": " + value + " is outside the field's range";
            return false;
        }
        return true;
    }
    auto control = controlByName(name);
    if (!control) {
        reason = "no wizard control called " + name;
        return false;
    }
    const WizardControlInfo& info = controlInfo(*control);
    if (!wizard.view().enabled(*control)) {
        reason = name + " is disabled for the answers given before it";
        return false;
    }
    int32_t number = -1;
    if (info.type == WizardControlInfo::List) {
        const auto entries = wizard.entries(*control);
        const std::string text = utf8ToCp1252(value);
        for (size_t i = 0; i < entries.size() && number < 0; ++i)
            if (entries[i] == text)
                number = static_cast<int32_t>(i);
        if (number < 0 && (!ReadInteger(value, number) || number < 0 ||
                           number >= static_cast<int32_t>(entries.size()))) {
            reason = name + ": \"" + value + "\" is not one of its entries";
            return false;
        }
    } else if (!ReadInteger(value, number) || number < info.minimum || number > info.maximum) {
        reason = name + ": \"" + value + "\" is not a whole number from " +
                 std::to_string(info.minimum) + " to " + std::to_string(info.maximum);
        return false;
    }
    if (!wizard.set(*control, number)) {
        reason = name + ": \"" + value + "\" is not allowed";
        return false;
    }
    return true;
}

std::vector<std::pair<std::string, std::string>> show(const SetupWizard& wizard) {
    std::vector<std::pair<std::string, std::string>> lines;
    const WizardView view = wizard.view();
    for (int i = 0; i < static_cast<int>(WizardControl::Count); ++i) {
        const auto control = static_cast<WizardControl>(i);
        const WizardControlInfo& info = controlInfo(control);
        const int v = wizard.value(control);
        std::string text = std::to_string(v);
        if (info.type == WizardControlInfo::List) {
            const auto entries = wizard.entries(control);
            text = v >= 0 && v < static_cast<int>(entries.size())
                       ? cp1252ToUtf8(entries[static_cast<size_t>(v)])
                       : "";
        }
        lines.emplace_back(info.name, text);
    }
    for (int t = 0; t < WizardAnswers::kThresholds; ++t) {
        const auto& field = view.thresholds[static_cast<size_t>(t)];
        lines.emplace_back(thresholdControlName(t),
                           fixed(wizard.answers().threshold[static_cast<size_t>(t)],
                                 field.visible ? field.decimals : 2));
    }
    if (view.wiringVisible) {
        for (size_t k = 0; k < view.ignitionWiring.size(); ++k)
            if (view.ignitionWiring[k] != " ")
                lines.emplace_back("Ign" + std::to_string(k + 1) + "WireLabel",
                                   view.ignitionWiring[k]);
        for (size_t k = 0; k < view.injectorWiring.size(); ++k)
            if (view.injectorWiring[k] != " ")
                lines.emplace_back("Inj" + std::to_string(k + 1) + "WireLabel",
                                   view.injectorWiring[k]);
    }
    if (!view.importantInfo.empty())
        lines.emplace_back("ImportantInfoLabel", view.importantInfo);
    return lines;
}

std::vector<std::string> missingLines(const WizardResult& result) {
    std::vector<std::string> lines;
    for (const std::string& line : result.missing)
        lines.push_back(cp1252ToUtf8(line.compare(0, 2, "\n\r") == 0 ? line.substr(2) : line));
    return lines;
}

} // namespace WizardScript
} // namespace zolmar
