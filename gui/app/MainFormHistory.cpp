// The main window's part in comparing configurations and in restore points: the two
// commands, the points taken at saves, transfers and whole-configuration commands,
// the periodic point, and the two steps that change the configuration.
#include "app/MainForm.h"

#include "app/QtPorts.h"
#include "files/CompareForm.h"
#include "files/Comparison.h"
#include "files/ImportForm.h"
#include "files/RestorePointsForm.h"
#include "files/SettingsFile.h"
#include "setup/SetupWizardForm.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

namespace zolmar::gui {

namespace {

constexpr int kPeriodicCheckMs = 30 * 1000;

int64_t nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

void TMainForm::buildHistoryWindows() {
    restoreStore_ = std::make_unique<RestorePoints::Store>(
        RestorePoints::DefaultFolder(),
        RestorePoints::LimitFromPreference(prefs_.read(RestorePoints::kLimitPreference)));

    CompareForm = new TCompareForm(*ecu_, messages_, this);
    CompareForm->goToElement = [this](int element) { showFoundElement(element); };
    CompareForm->goToPage = [this](int page) { setCurrentPage(page); };
    CompareForm->takeFromOther = [this](const tECU& other, const std::vector<std::string>& keys) {
        takeDifferencesStep(other, keys);
    };
    CompareForm->tableView()->openTable = [this](int element) { openTableEditor(element); };

    RestorePointsForm = new TRestorePointsForm(*restoreStore_, messages_, prefs_, this);
    RestorePointsForm->compare = [this](std::unique_ptr<tECU> a, const QString& aTitle,
                                        std::unique_ptr<tECU> b, const QString& bTitle) {
        CompareForm->compare(std::move(a), aTitle, std::move(b), bTitle);
    };
    RestorePointsForm->restore = [this](const std::vector<uint8_t>& bytes) {
        takeRestorePoint(RestorePoints::Reason::kRestore);
        restorePointStep(bytes);
    };

    onTriggered(QStringLiteral("Compare with File ..."), [this] { compareWithFile(); });
    onTriggered(QStringLiteral("Compare with Restore Point ..."),
                [this] { RestorePointsForm->open(restoreOwners()); });
    onConfigurationReplaced([this] {
        if (CompareForm->isVisible())
            CompareForm->refresh();
        if (RestorePointsForm->isVisible())
            RestorePointsForm->open(restoreOwners());
    });

    ImportForm->beforeMerge = [this] { takeRestorePoint(RestorePoints::Reason::kImport); };
    WizardForm->beforeFinish = [this] { takeRestorePoint(RestorePoints::Reason::kWizard); };

    RestoreTimer = new QTimer(this);
    RestoreTimer->setObjectName(QStringLiteral("RestoreTimer"));
    RestoreTimer->setInterval(kPeriodicCheckMs);
    connect(RestoreTimer, &QTimer::timeout, this, [this] { periodicRestorePoint(nowMs()); });
    RestoreTimer->start();
}

std::vector<std::string> TMainForm::restoreOwners() const {
    std::vector<std::string> owners;
    if (!commands_.currentFile().empty())
        owners.push_back(RestorePoints::FileOwner(commands_.currentFile()));
    if (!ecu_->EcuSerial.empty())
        owners.push_back(RestorePoints::EcuOwner(ecu_->EcuSerial));
    if (owners.empty())
        owners.push_back(RestorePoints::kUnsavedOwner);
    return owners;
}

void TMainForm::takeRestorePoint(const std::string& reason, const std::string& owner, int64_t at) {
    if (!restorePointsKept_)
        return;
    const std::string whose = !owner.empty() ? owner : restoreOwners().front();
    std::string error;
    const int64_t now = at != 0 ? at : nowMs();
    if (!restoreStore_->Add(*ecu_, whose, reason, now, error)) {
        // A full disc must not stop a save or a transfer: said once, then quietly skipped.
        if (!restoreFailureShown_) {
            restoreFailureShown_ = true;
            messages_.error("No restore point could be kept: " + error);
        }
        return;
    }
    restoreSchedule_.taken(now, RestorePoints::Signature(*ecu_));
    if (RestorePointsForm && RestorePointsForm->isVisible())
        RestorePointsForm->refill();
}

void TMainForm::restorePoint(const std::string& reason, const std::string& file) {
    takeRestorePoint(reason, file.empty() ? std::string() : RestorePoints::FileOwner(file));
}

void TMainForm::fullWriteCommitted() {
    takeRestorePoint(RestorePoints::Reason::kWritten, RestorePoints::EcuOwner(ecu_->EcuSerial));
}

void TMainForm::periodicRestorePoint(int64_t now) {
    if (!ecu_->Modified)
        return;
    if (restoreSchedule_.due(now, RestorePoints::Signature(*ecu_)))
        takeRestorePoint(RestorePoints::Reason::kPeriodic, {}, now);
}

void TMainForm::compareWithFile() {
    auto path =
        dialogs_.askOpenFile("Select an ECU settings file to compare with", FileCommands::kFilter);
    if (path && !path->empty())
        compareWithPath(*path);
}

void TMainForm::compareWithPath(const std::string& path) {
    auto other = std::make_unique<tECU>(messages_);
    std::string error;
    if (!SettingsFile::load(*other, path, error)) {
        messages_.error(error);
        return;
    }
    CompareForm->compare(nullptr, QStringLiteral("Loaded configuration"), std::move(other),
                         QFileInfo(QString::fromStdString(path)).fileName());
}

// ---- One undoable step each. ----

void TMainForm::takeDifferencesStep(const tECU& other, const std::vector<std::string>& keys) {
    std::vector<std::string> problems;
    std::string error;
    bool applied = false;
    const std::string caption = keys.size() == 1
                                    ? "Take 1 difference"
                                    : "Take " + std::to_string(keys.size()) + " differences";
    recordStep(caption, [&] {
        applied = Comparison::ApplyDifferences(*ecu_, other, keys, problems, error);
    });
    if (!applied) {
        messages_.error(error);
        return;
    }
    redrawWholeDiagram();
    if (!problems.empty()) {
        std::string text = "These differences could not be taken:";
        for (const std::string& p : problems)
            text += "\n\r" + p;
        messages_.show(Messages::Kind::Warning, text, Messages::Buttons::Ok);
    }
}

void TMainForm::restorePointStep(const std::vector<uint8_t>& bytes) {
    recordStep("Restore restore point", [&] { RestorePoints::Restore(*ecu_, bytes); });
    // As after Import/Merge: the whole configuration changed in place.
    engine_.ConfigurationOpened();
    engine_.ClearLearnHistory();
    redrawWholeDiagram();
}

} // namespace zolmar::gui
