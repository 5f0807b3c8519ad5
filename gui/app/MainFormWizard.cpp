// The main window's part in the setup wizard: its command, what Finish and Cancel
// leave behind, and the configuration replaced under it.
#include "app/MainForm.h"

#include "setup/SetupWizardForm.h"

#include <QAction>

namespace zolmar::gui {

void TMainForm::buildSetupWizard() {
    WizardForm = new TSetupWizard(*ecu_, messages_, this);
    // The new pin names appear on the diagram.
    WizardForm->onFinished = [this] {
        // What Finish wrote is one step.
        afterStep(undo_->Checkpoint("Setup Wizard Finish"));
        router_.invalidateAll();
        RenderPage();
    };
    // Leaving without writing returns the link to the state of a freshly opened
    // configuration, as after New Complete, which opens the wizard.
    WizardForm->onCancelled = [this] {
        router_.invalidateAll();
        engine_.ConfigurationOpened();
        RenderPage();
    };
    onTriggered(QStringLiteral("Setup Wizard"), [this] { openSetupWizard(); });
    onConfigurationReplaced([this] { WizardForm->configurationReplaced(); });
}

void TMainForm::openSetupWizard(int tab) {
    if (!WizardForm->isVisible())
        WizardForm->Execute(tab);
}

} // namespace zolmar::gui
