// The main window's part in the setup checklist, the element search, the constant
// export and help: the windows, their commands and what they ask of the main window.
#include "app/MainForm.h"

#include "app/HelpContexts.h"
#include "app/UndoHistoryForm.h"
#include "diagnostics/ChecksForm.h"
#include "diagnostics/LogRetrieveForm.h"
#include "diagnostics/LogViewerForm.h"
#include "files/CompareForm.h"
#include "files/ConstantExport.h"
#include "files/PropertiesForm.h"
#include "files/RestorePointsForm.h"
#include "files/SearchForm.h"
#include "gauges/GaugesForm.h"
#include "link/FlashingForm.h"
#include "scope/ScopeForm.h"
#include "setup/WiringForm.h"
#include "tables/TEditTable.h"

#include <QAction>
#include <QDesktopServices>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>

#ifndef ZOLMAR_FORUM_URL
#define ZOLMAR_FORUM_URL ""
#endif

namespace zolmar::gui {

void TMainForm::buildChecklistWindows() {
    urlOpener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    ChecksForm = new TChecksForm(*ecu_, this);
    // The "Setup Wizard." link: the wizard command, when it may run.
    ChecksForm->openSetupWizard = [this] {
        QAction* wizard = action(QStringLiteral("Setup Wizard"));
        if (wizard->isEnabled())
            wizard->trigger();
    };
    ChecksForm->setupWizardAvailable = [this] {
        return action(QStringLiteral("Setup Wizard"))->isEnabled();
    };
    ChecksForm->openWiring = [this] { action(QStringLiteral("Wiring ..."))->trigger(); };
    ChecksForm->openTable = [this](int element) { openTableEditor(element); };
    // In the simple view the render rebuilds the sheets, so their controls show the switch.
    ChecksForm->switched = [this] {
        if (pageDrawable())
            RenderPage();
    };
    action(QStringLiteral("Setup Checklist ..."))->setEnabled(true);
    onTriggered(QStringLiteral("Setup Checklist ..."), [this] { ChecksForm->open(); });
    onConfigurationReplaced([this] { ChecksForm->configurationReplaced(); });

    SearchForm = new TSearchForm(*ecu_, messages_, this);
    SearchForm->found = [this](int element) { showFoundElement(element); };
    onTriggered(QStringLiteral("Search for Element"), [this] { SearchForm->open(); });
    // An open dialog searches only while the command may: not while a configuration
    // arrives or is written whole.
    QAction* search = action(QStringLiteral("Search for Element"));
    connect(search, &QAction::changed, SearchForm,
            [this, search] { SearchForm->SearchButton->setEnabled(search->isEnabled()); });
    SearchForm->SearchButton->setEnabled(search->isEnabled());

    action(QStringLiteral("Export Constant Data to csv"))->setEnabled(true);
    onTriggered(QStringLiteral("Export Constant Data to csv"), [this] { exportConstants(); });

    // Help answers from every window, also from the modal flashing window.
    action(QStringLiteral("Help / User Manual"))->setShortcutContext(Qt::ApplicationShortcut);
    auto* flashingHelp = new QShortcut(QKeySequence(Qt::Key_F1), FlashingForm);
    connect(flashingHelp, &QShortcut::activated, this, &TMainForm::showHelp);

    action(QStringLiteral("On-line forum"))->setEnabled(true);
    onTriggered(QStringLiteral("On-line forum"), [this] {
        if (!forumAddress_.isEmpty())
            urlOpener(QUrl(forumAddress_));
    });
    setForumAddress(QStringLiteral(ZOLMAR_FORUM_URL));
}

void TMainForm::setForumAddress(const QString& address) {
    forumAddress_ = address.trimmed();
    action(QStringLiteral("On-line forum"))->setVisible(!forumAddress_.isEmpty());
}

bool TMainForm::commandConnected(const QString& caption) const {
    return working_.contains(action(caption));
}

void TMainForm::showFoundElement(int element) {
    if (element < 0 || element >= ecu_->NumElements)
        return;
    SearchForm->hide();
    editor_->clearSelection();
    setCurrentPage(ecu_->PageOf(element)); // drawn, and shown from its top-left corner
    openElementDialog(element);
}

void TMainForm::exportConstants() {
    auto file = dialogs_.askSaveFile(ConstantExport::kSaveTitle, ConstantExport::kFilter, "csv");
    if (!file)
        return;
    std::string error;
    if (!ConstantExport::Write(*ecu_, *file, error))
        messages_.error(error);
}

QUrl TMainForm::helpUrl() const {
    HelpContexts::Visible v;
    auto shown = [](const QWidget* w) { return w && w->isVisible(); };
    v.checklist = shown(ChecksForm);
    v.wiring = shown(WiringForm);
    v.scope = shown(ScopeForm);
    v.gauges = shown(GaugesForm);
    v.flashing = shown(FlashingForm);
    v.tableEditor = shown(TableEditor);
    v.advancedView = advancedView();
    v.logRetrieval = shown(LogRetrieveForm);
    v.properties = shown(PropertiesForm);
    v.undoHistory = shown(UndoHistoryForm);
    v.comparison = shown(CompareForm);
    v.restorePoints = shown(RestorePointsForm);
    v.logViewer = shown(LogViewerForm);
    QUrl url = QUrl::fromLocalFile(helpFilePath());
    const std::string anchor = HelpContexts::Anchor(HelpContexts::Context(v));
    if (!anchor.empty())
        url.setFragment(QString::fromStdString(anchor));
    return url;
}

void TMainForm::showHelp() {
    urlOpener(helpUrl());
}

void TMainForm::checklistPollCycle() {
    ChecksForm->pollCycle();
}

} // namespace zolmar::gui
