// The main window keeps every window in step with the model: after elements were
// created, deleted or reordered each holder follows its elements or lets go of the
// ones that went, and after the configuration was replaced (open, new, import, full
// read) every window that showed the old one is refilled or closed. Nothing keeps an
// element number or address across either.
#include "app/MainForm.h"

#include "dialogs/CosmeticForm.h"
#include "dialogs/EditLinkForm.h"
#include "dialogs/EditNameForm.h"
#include "dialogs/ElementForm.h"
#include "dialogs/MoveToPageForm.h"
#include "dialogs/OutputLinksForm.h"
#include "files/PropertiesForm.h"
#include "gauges/ConfigureGaugeForm.h"
#include "gauges/GaugesForm.h"
#include "gauges/RealGaugesForm.h"
#include "setup/DedicatedForms.h"
#include "setup/InputsForm.h"
#include "setup/WiringForm.h"
#include "tables/TEditTable.h"

#include <ranges>

namespace zolmar::gui {

bool TMainForm::followModel() {
    const uint64_t configuration = ecu_->ConfigurationGeneration();
    const uint64_t structure = ecu_->StructureGeneration();
    if (configuration == seenConfiguration_ && structure == seenStructure_)
        return false;
    const bool replaced = configuration != seenConfiguration_;
    seenConfiguration_ = configuration;
    seenStructure_ = structure;
    if (replaced) {
        // Another configuration: its history starts here.
        undo_->Checkpoint();
        configurationReplaced();
    } else {
        elementsMoved();
    }
    return true;
}

QList<QDialog*> TMainForm::elementDialogs() const {
    QList<QDialog*> dialogs;
    for (const auto& [type, form] : elementForms_)
        dialogs.append(form);
    dialogs << EditLinkForm << EditNameForm << CosmeticForm << MoveToPageForm << OutputLinksForm
            << ConfigureGaugeForm;
    return dialogs;
}

QList<TDedicatedForm*> TMainForm::dedicatedDialogs() const {
    return {InputsForm, IgnitionForm, InjectorsForm, AnalogueForm, AuxOutputsForm, GeneralForm};
}

void TMainForm::elementsMoved() {
    editor_->structureChanged();
    // The table editor follows its table, and closes once the table has gone.
    if (TableEditor->editor().Gone()) {
        TableEditor->hide();
    } else if (TableEditor->isVisible() && TableEditor->editor().Reopen()) {
        TableEditor->RedrawAll();
    }
    // Property dialogs whose element went close without writing.
    for (TElementForm* form : std::views::values(elementForms_))
        if (form->isVisible() && !form->properties().stillOpen())
            form->reject();
    for (TDedicatedForm* form : dedicatedDialogs())
        if (form && form->isVisible() && !form->stillOpen())
            form->reject();
    // A gauge list offers gauges by position in it: the choice would go astray.
    if (ConfigureGaugeForm->isVisible())
        ConfigureGaugeForm->reject();
    if (GaugesForm->isVisible())
        GaugesForm->buildList();
    if (RealGaugesForm->isVisible())
        RealGaugesForm->setUp();
    // The scope's lists name outputs where they are now.
    monitorConfigurationLoaded();
    redrawAfterFollowing();
}

void TMainForm::redrawAfterFollowing() {
    // While a full read fills the image the canvas shows nothing of it.
    const int state = ecu_->LinkState;
    if (state == Link::Startup || state == Link::ReadCancelled || state == Link::ReadingAll ||
        state == Link::StartReadAll || state == Link::LostDuringRead)
        return;
    RenderPage();
}

void TMainForm::redrawWholeDiagram() {
    router_.invalidateAll();
    if (!followModel())
        RenderPage();
}

void TMainForm::closeDialogsWithoutWriting() {
    for (QDialog* d : elementDialogs())
        if (d && d->isVisible())
            d->reject();
    for (TDedicatedForm* form : dedicatedDialogs())
        if (form && form->isVisible())
            form->reject();
}

void TMainForm::configurationReplaced() {
    editor_->reset();
    router_.invalidateAll();
    TableEditor->hide();
    // Nothing a dialog read from the old configuration may be written into the new one.
    closeDialogsWithoutWriting();
    if (PropertiesForm->isVisible())
        PropertiesForm->fill();
    if (WiringForm->isVisible())
        WiringForm->fill();
    if (GaugesForm->isVisible())
        GaugesForm->buildList();
    if (RealGaugesForm->isVisible())
        RealGaugesForm->setUp();
    monitorConfigurationLoaded();
    for (const auto& hook : replacementHooks_)
        hook();
    redrawAfterFollowing();
}

void TMainForm::onConfigurationReplaced(std::function<void()> hook) {
    replacementHooks_.push_back(std::move(hook));
}

} // namespace zolmar::gui
