// zolmar-cli wizard: the setup wizard's answers applied without a window.
#include "Cli.h"
#include "CliSupport.h"

#include "setup/SetupWizard.h"
#include "setup/WizardScript.h"

#include <ostream>

namespace zolmar::cli {

namespace {

constexpr const char* kUsage =
    "wizard IN.ecu OUT.ecu [--set NAME=VALUE ...] [--defaults] | wizard --show IN.ecu";

int show(const std::string& path, std::ostream& out, std::ostream& err) {
    SilentMessages messages;
    auto ecu = loadOrReport(path, messages, err);
    if (!ecu)
        return 1;
    SetupWizard wizard(*ecu);
    wizard.open();
    for (const auto& [name, value] : WizardScript::show(wizard))
        out << name << ": " << value << "\n";
    return 0;
}

int wizard(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 2 && args[0] == "--show")
        return show(args[1], out, err);
    if (args.size() < 2 || args[0].rfind("--", 0) == 0 || args[1].rfind("--", 0) == 0)
        return usageError(err, kUsage);
    RecordingMessages messages;
    auto ecu = loadOrReport(args[0], messages, err);
    if (!ecu)
        return 1;
    SetupWizard wizard(*ecu);
    wizard.open();
    // In the order given, as the installer would make the choices in the dialog.
    for (size_t k = 2; k < args.size(); ++k) {
        if (args[k] == "--defaults") {
            wizard.setDefaults();
            continue;
        }
        size_t equals = k + 1 < args.size() ? args[k + 1].find('=') : std::string::npos;
        if (args[k] != "--set" || equals == std::string::npos)
            return usageError(err, kUsage);
        const std::string& assignment = args[++k];
        std::string reason;
        if (!WizardScript::set(wizard, assignment.substr(0, equals), assignment.substr(equals + 1),
                               reason)) {
            err << "zolmar-cli: " << reason << "\n";
            return 2;
        }
    }
    const WizardResult result = wizard.finish();
    for (const std::string& line : WizardScript::missingLines(result))
        out << "missing: " << line << "\n";
    return saveOrReport(*ecu, args[1], err);
}

} // namespace

std::vector<Command> wizardCommands() {
    return {
        {"wizard", kUsage,
         "Applies the setup wizard's answers to IN and saves OUT, exactly as its Finish does.\n"
         "The answers start as the wizard shows them on opening IN; each --set changes one\n"
         "control as the installer would, in the order given, its rule included (so\n"
         "NumCylinders before FiringOrder). NAME is the control's name: Manufacturer,\n"
         "EngineType (or Engine), EngineCap, InjSize, InjSize2, MaxBoost, MaxRPM, MAPsensorType,\n"
         "CoolantTemp, AirTemp, O2Sensor, WidebandSensor, WidebandSensor2, VSSSelect, VEMode,\n"
         "SecondMap, IgnMode, TargetAFR, IdleController, HotIdle, ExtraCold, ExtraElec1,\n"
         "ExtraElec2, ExtraPSPrpm, ExtraACrpm, PWMperiodms, IdleStepCount, DBWtickbox,\n"
         "PistonOrRotary, NumCylinders, NumRotors, IgnArrangement, FiringOrder, DwellTime,\n"
         "TrigOffset, OddfireAngle, Aux1Func..Aux8Func, Inj5Func..Inj12Func, AuxEdit1..AuxEdit8,\n"
         "InjEdit5..InjEdit12 (thresholds). VALUE is a number, or a list entry's text or index\n"
         "(e.g. FiringOrder=1-3-4-2, IgnArrangement=\"Wasted Spark\"). --defaults presses \"Set\n"
         "Defaults for this Engine/Vehicle\" at that point. Prints 'missing: ' and each setting\n"
         "Finish found no element for. A refused NAME or VALUE exits 2 and saves nothing.\n"
         "With --show, prints the answers the wizard shows on opening IN as 'NAME: VALUE' lines,\n"
         "then its wiring labels (Ign1WireLabel.., Inj1WireLabel..) and ImportantInfoLabel.",
         wizard},
    };
}

} // namespace zolmar::cli
