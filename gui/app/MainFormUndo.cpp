// The main window's part in the undo history: the Edit menu, the one helper that
// makes a window's command a step, the checkpoints after every user input, and the
// recovery copy of unsaved work.
#include "app/MainForm.h"

#include "app/QtPorts.h"
#include "app/UndoHistoryForm.h"
#include "dialogs/ElementForm.h"
#include "files/Recovery.h"
#include "files/SettingsFile.h"
#include "setup/DedicatedForm.h"
#include "tables/TEditTable.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEvent>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

namespace zolmar::gui {

namespace {

// Every user input may have changed the configuration through any window: once it
// has been handled, whatever changed becomes a step.
class CheckpointAfterInput : public QObject {
public:
    CheckpointAfterInput(QObject* parent, std::function<void()> checkpoint)
        : QObject(parent), checkpoint_(std::move(checkpoint)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Drop:
        case QEvent::Shortcut:
            if (!pending_) {
                pending_ = true;
                QTimer::singleShot(0, this, [this] {
                    pending_ = false;
                    checkpoint_();
                });
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> checkpoint_;
    bool pending_ = false;
};

// While the image is being filled or written whole, nothing may be undone.
bool inTransfer(int state) {
    return state == Link::Startup || state == Link::StartReadAll || state == Link::ReadingAll ||
           state == Link::LostDuringRead || state == Link::StartWriteAll ||
           state == Link::WritingAll || state == Link::LostDuringWrite ||
           state == Link::ReadCancelled;
}

QString elided(const std::string& caption) {
    QString text = fromImageText(caption);
    if (text.size() > 60)
        text = text.left(57) + QStringLiteral("...");
    return text;
}

} // namespace

void TMainForm::buildUndo(QMenu* edit) {
    addItem(edit, QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    addItem(edit, QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y));
    action(QStringLiteral("Redo"))
        ->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addSeparator();
    addItem(edit, QStringLiteral("Undo History ..."), {}, true);
    // The same keys in every window of the program that is not modal.
    for (const char* c : {"Undo", "Redo"})
        action(QString::fromUtf8(c))->setShortcutContext(Qt::ApplicationShortcut);
    onTriggered(QStringLiteral("Undo"), [this] { undoClick(); });
    onTriggered(QStringLiteral("Redo"), [this] { redoClick(); });

    UndoHistoryForm = new TUndoHistoryForm(*undo_, this);
    UndoHistoryForm->goTo = [this](int position) { undoToPosition(position); };
    onTriggered(QStringLiteral("Undo History ..."), [this] {
        UndoHistoryForm->show();
        UndoHistoryForm->raise();
        UndoHistoryForm->refresh();
    });
    connect(edit, &QMenu::aboutToShow, this, &TMainForm::updateUndoCommands);

    qApp->installEventFilter(new CheckpointAfterInput(this, [this] { checkpoint(); }));

    RecoveryTimer = new QTimer(this);
    RecoveryTimer->setObjectName(QStringLiteral("RecoveryTimer"));
    RecoveryTimer->setInterval(kRecoveryInterval);
    connect(RecoveryTimer, &QTimer::timeout, this, &TMainForm::saveRecovery);
    RecoveryTimer->start();
}

bool TMainForm::recordStep(const std::string& caption, const std::function<void()>& command,
                           uint64_t mergeKey) {
    const bool recorded = undo_->Record(caption, command, mergeKey);
    afterStep(recorded);
    return recorded;
}

bool TMainForm::recordStep(const std::function<std::string()>& command, uint64_t mergeKey) {
    const bool recorded = undo_->Record(command, mergeKey);
    afterStep(recorded);
    return recorded;
}

void TMainForm::checkpoint() {
    afterStep(undo_->Checkpoint());
}

void TMainForm::afterStep(bool recorded) {
    if (recorded) {
        // Elements may have been created, deleted or reordered.
        followModel();
        // At once when a copy is cheap, else with the next tick of the timer.
        if (recoveryCheap_)
            saveRecovery();
    }
    updateUndoCommands();
}

void TMainForm::updateUndoCommands() {
    QAction* undo = action(QStringLiteral("Undo"));
    QAction* redo = action(QStringLiteral("Redo"));
    if (!undo || !undo_)
        return;
    const bool allowed = !inTransfer(ecu_->LinkState);
    const bool canUndo = allowed && undo_->CanUndo();
    const bool canRedo = allowed && undo_->CanRedo();
    undo->setText(canUndo ? QStringLiteral("Undo ") + elided(undo_->UndoCaption())
                          : QStringLiteral("Undo"));
    redo->setText(canRedo ? QStringLiteral("Redo ") + elided(undo_->RedoCaption())
                          : QStringLiteral("Redo"));
    undo->setEnabled(canUndo);
    redo->setEnabled(canRedo);
    updateModifiedMark();
    if (UndoHistoryForm)
        UndoHistoryForm->refresh();
}

void TMainForm::undoClick() {
    if (!inTransfer(ecu_->LinkState))
        afterHistoryMoved(undo_->Undo(), "Undone");
}

void TMainForm::redoClick() {
    if (!inTransfer(ecu_->LinkState))
        afterHistoryMoved(undo_->Redo(), "Redone");
}

void TMainForm::undoToPosition(int position) {
    if (!inTransfer(ecu_->LinkState))
        afterHistoryMoved(undo_->GoTo(position), "Gone back to");
}

void TMainForm::afterHistoryMoved(const UndoHistory::Outcome& outcome, const char* verb) {
    if (!outcome.done) {
        updateUndoCommands();
        return;
    }
    // Dialogs show values read before the step: they close without writing them back.
    closeDialogsWithoutWriting();
    redrawWholeDiagram();
    if (TableEditor->isVisible() && TableEditor->editor().IsOpen() &&
        TableEditor->editor().Reopen())
        TableEditor->RedrawAll();
    QString text = QString::fromUtf8(verb) + QStringLiteral(": ") + fromImageText(outcome.caption);
    if (outcome.learntKept > 0 &&
        !outcome.caption.ends_with(UndoHistory::LearntNote(outcome.learntKept)))
        text += fromImageText(UndoHistory::LearntNote(outcome.learntKept));
    statusBar()->showMessage(text, 8000);
    updateUndoCommands();
    if (recoveryCheap_)
        saveRecovery();
}

// ---------------------------------------------------------------- recovery

void TMainForm::setRecoveryFolder(const QString& folder) {
    recoveryFolder_ = folder.toStdString();
}

void TMainForm::saveRecovery() {
    if (recoveryFolder_.empty())
        return;
    if (!ecu_->Modified) {
        if (recoveryWritten_)
            removeRecovery();
        return;
    }
    // A half-read image is no one's work.
    if (inTransfer(ecu_->LinkState))
        return;
    const uint64_t state = undo_->Generation() * 1000003u + ecu_->ConfigurationGeneration();
    if (recoveryWritten_ && state == recoveryState_)
        return;
    QElapsedTimer took;
    took.start();
    std::string error;
    const int64_t now = QDateTime::currentSecsSinceEpoch();
    if (!Recovery::Write(*ecu_, recoveryFolder_, QCoreApplication::applicationPid(),
                         commands_.currentFile(), now, error)) {
        statusBar()->showMessage(QString::fromStdString(error), 8000);
        return;
    }
    recoveryCheap_ = took.elapsed() < kCheapRecoveryMs;
    recoveryWritten_ = true;
    recoveryState_ = state;
}

void TMainForm::saved() {
    undo_->MarkSaved();
    removeRecovery();
    updateUndoCommands();
}

void TMainForm::removeRecovery() {
    if (recoveryFolder_.empty())
        return;
    Recovery::Remove(recoveryFolder_, QCoreApplication::applicationPid());
    recoveryWritten_ = false;
}

bool TMainForm::offerRecovery() {
    // Copies of programs still running are theirs; this program's own id may have been
    // a killed one's before.
    const int64_t self = QCoreApplication::applicationPid();
    auto found = Recovery::Find(recoveryFolder_, [self](int64_t owner) {
        return owner != self && Recovery::ProcessRuns(owner);
    });
    if (!found)
        return false;
    const QString when = QDateTime::fromSecsSinceEpoch(found->savedAt)
                             .toString(QStringLiteral("d MMM yyyy HH:mm:ss"));
    const std::string of = found->originalFile.empty()
                               ? std::string("a configuration not yet saved")
                               : found->originalFile;
    const std::string question = "ZOLMAR did not close normally last time. Unsaved changes to " +
                                 of + " were kept for recovery at " + when.toStdString() +
                                 ".\n\nRecover them? (No discards them.)";
    if (!messages_.askYesNo(Messages::Kind::Confirmation, question)) {
        Recovery::Remove(recoveryFolder_, found->owner);
        return false;
    }
    std::string error;
    if (!SettingsFile::load(*ecu_, found->dataPath, error)) {
        messages_.error(error);
        return false;
    }
    // The work is this program's now: its own copy replaces the old one.
    Recovery::Remove(recoveryFolder_, found->owner);
    recoveryWritten_ = false;
    commands_.adoptFile(found->originalFile);
    configurationLoaded(true);
    ecu_->CheckUsageWords();
    // Still unsaved: the title says so and the copy stays until the work is saved.
    ecu_->Modified = true;
    undo_->Clear();
    updateCaption();
    updateUndoCommands();
    saveRecovery();
    return true;
}

} // namespace zolmar::gui
