#pragma once

#include "diagnostics/PcLog.h"
#include "editor/DiagramCanvas.h"
#include "editor/LinkRouter.h"
#include "editor/PageRenderer.h"
#include "editor/PointerEditor.h"
#include "files/ChangeLog.h"
#include "files/FileCommands.h"
#include "files/RestorePoints.h"
#include "link/SyncEngine.h"
#include "model/ECU.h"
#include "model/UndoHistory.h"
#include "ports/Clock.h"
#include "simulator/Simulator.h"

#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <array>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QDialog;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QScrollArea;
class QTimer;
class QToolBar;
class QUrl;

namespace zolmar {
class UsbXpress;
}

namespace zolmar::gui {

class PageSelector;
class TConfOptForm;
class TImportForm;
class TNewConfigForm;
class TPropertiesForm;
class TWiringForm;
class TInputsForm;
class TIgnitionForm;
class TInjectorsForm;
class TAnalogueForm;
class TAuxOutputsForm;
class TGeneralForm;
class TPeriodAngleForm;
class TSetupWizard;
struct DialogServices;
class TRamTestForm;
class TInjectorTestForm;
class TAnaVoltsForm;
class TFlashingForm;
class TLearnHistoryForm;
class TLoadSaveOfflineForm;
class TConfigureGaugeForm;
class TGaugesForm;
class TLogRetrieveProgBarForm;
class TLogViewerForm;
class TRealGaugesForm;
class TScopeForm;
class TSimulatorForm;
class TSplashForm;
class TreconnectForm;
class TElementForm;
class TEditLinkForm;
class TEditNameForm;
class TCosmeticForm;
class TMoveToPageForm;
class TOutputLinksForm;
class TOptionForm;
class TSimpleView;
class TEditTable;
class TDedicatedForm;
class TMapOptionsForm;
class TChecksForm;
class TSearchForm;
class TUndoHistoryForm;
class TCompareForm;
class TRestorePointsForm;

// The manual shipped beside the program.
QString helpFilePath();

// The main window: owner of the one configuration model, its menus, toolbar and
// views, and of the poll timer that keeps the model in step with the ECU.
class EcuJobRunner;

class TMainForm : public QMainWindow,
                  private FileCommandHooks,
                  private LinkObserver,
                  private EditorHost {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "ZOLMAR";
    static constexpr int kPollInterval = 50;

    // usb is the link to the ECU; without one the window finds no ECU.
    TMainForm(Messages& messages, Preferences& prefs, FileDialogs& dialogs,
              UsbXpress* usb = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    tECU& ecu() { return *ecu_; }
    FileCommands& fileCommands() { return commands_; }
    SyncEngine& engine() { return engine_; }

    // A menu or toolbar command by its caption (menus), hint (toolbar buttons) or
    // control name (the push buttons "OptimiseButton", "UpdateCosmeticButton",
    // "OnlineButton").
    QAction* action(const QString& caption) const { return actions_.value(caption); }
    QMenu* menu(const QString& title) const { return menus_.value(title); }
    QToolBar* toolBar() const { return toolBar_; }
    QMenu* elementOptions() const { return ElementOptions; }
    const std::array<QAction*, RecentFiles::kCount>& recentItems() const { return recent_; }

    LinkRouter& router() { return router_; }
    PageRenderer& renderer() { return renderer_; }
    DiagramCanvas* canvas() const { return ElementView; }
    QScrollArea* scrollBox() const { return ScrollBox; }
    QComboBox* pageSelector() const;
    QLabel* connectionStatus() const { return ConnectionStatus; }
    TSplashForm* splash() const { return SplashForm; }
    TreconnectForm* reconnectForm() const { return ReconnectForm; }
    TLoadSaveOfflineForm* loadSaveOfflineForm() const { return LoadSaveOfflineForm; }
    TLearnHistoryForm* learnHistoryForm() const { return LearnHistoryForm; }
    TConfOptForm* confOptForm() const { return ConfOptForm; }
    TNewConfigForm* newConfigForm() const { return NewConfigForm; }
    TImportForm* importForm() const { return ImportForm; }
    TPropertiesForm* propertiesForm() const { return PropertiesForm; }
    TWiringForm* wiringForm() const { return WiringForm; }
    TInputsForm* inputsForm() const { return InputsForm; }
    TIgnitionForm* ignitionForm() const { return IgnitionForm; }
    TInjectorsForm* injectorsForm() const { return InjectorsForm; }
    TAnalogueForm* analogueForm() const { return AnalogueForm; }
    TAuxOutputsForm* auxOutputsForm() const { return AuxOutputsForm; }
    TGeneralForm* generalForm() const { return GeneralForm; }
    TPeriodAngleForm* periodAngleForm() const { return PeriodAngleForm; }
    TSetupWizard* setupWizard() const { return WizardForm; }
    // "Setup Wizard": the wizard on the loaded configuration, modal, on the given tab
    // (0 "Basic" .. 3 "Outputs"). Also what New Complete and the checklist's link open.
    void openSetupWizard(int tab = 0);
    TRamTestForm* ramTestForm() const { return RamTestForm; }
    TInjectorTestForm* injectorTestForm() const { return InjectorTestForm; }
    TAnaVoltsForm* anaVoltsForm() const { return AnaVoltsForm; }
    TFlashingForm* flashingForm() const { return FlashingForm; }
    QTimer* pollTimer() const { return PollTimer; }
    TSimpleView* simpleView() const { return SimpleView; }
    TEditTable* tableEditor() const { return TableEditor; }
    TMapOptionsForm* mapOptionsForm() const { return MapOptionsForm; }
    // Opens the table editor on a 2D or 3D table element; false when it is no table.
    bool openTableEditor(int element);
    // F4 / F5: the most recent 2D / 3D table, else the first one shown in the simple view.
    void openRecentTable(bool threeD);
    // A simple-view button of a setting that is no table (target: SimpleSheets::ButtonTarget).
    void openSettingDialog(int element, int target);
    QComboBox* simplePageSelector() const { return ECUPageSimple; }

    // --- diagram editing
    PointerEditor& editor() { return *editor_; }
    // The property dialog of an element type (nullptr for types without one).
    TElementForm* elementForm(int type) const;
    TEditLinkForm* editLinkForm() const { return EditLinkForm; }
    TEditNameForm* editNameForm() const { return EditNameForm; }
    TCosmeticForm* cosmeticForm() const { return CosmeticForm; }
    TMoveToPageForm* moveToPageForm() const { return MoveToPageForm; }
    TOutputLinksForm* outputLinksForm() const { return OutputLinksForm; }
    TOptionForm* optionForm(int k) const { return optionForms_[static_cast<size_t>(k)]; }
    // Opens the window an element's click opens.
    void openElementDialog(int element) override;
    // Where the dedicated function dialogs plug in: called with the element.
    std::function<void(int element)> dedicatedDialogHook;

    // Brings every window in step with the model after elements were created, deleted
    // or reordered, or the configuration was replaced (MainFormModel.cpp). Runs at the
    // start of each poll cycle and after every command that changes the diagram.
    // True when it found a change (and redrew the page).
    bool followModel();
    // Windows that show a configuration of their own register here to be refilled or
    // closed when another one replaces it.
    void onConfigurationReplaced(std::function<void()> hook);

    // Fills the recent entries from the preferences, as each opening of the File menu does.
    void refreshRecentItems();
    // Rebuilds the "3D Tables" and "2D Tables" submenus, as each opening of the menu does.
    void refreshTablesMenu();
    // Shows the configuration as it now stands in the model.
    void refreshView();
    // Full redraw of the current page, then its overlay.
    void RenderPage();
    // Live values, hover blink, displays, dials and levers over the current page.
    void RenderOverlay();
    // Page 0..127: the page becomes current, is drawn and shown from its top-left corner.
    void setCurrentPage(int page) override;
    int currentPage() const override { return currentPage_; }
    bool advancedView() const override;
    // Ticks or unticks "Advanced View" as a click does.
    void setAdvancedView(bool advanced);
    // Ticks or unticks "Lock Logic Configuration" as a click does.
    void setConfigLocked(bool locked);
    bool configLocked() const override;
    // The start-up form of the view switch, from the stored preference.
    void applyStoredView();
    // Whether the splash window follows the start hint when the window is first shown.
    void setSplashAtStart(bool show) { splashAtStart_ = show; }

    // One poll cycle: synchronisation, then the live overlay.
    void PollTimerTimer();
    // "Optimise Configuration".
    void OptimiseClick();
    // "New Configuration Option" buttons.
    void NewBlankClick();
    void NewCompleteClick();
    // The ECU self-tests of the Advanced menu (MainFormLink.cpp).
    void RamTestClick();
    void InjectorTestClick();
    void DigitalInputTestClick();
    void CalibrateAnalogClick();
    // "Read from ECU" and "Load All Settings From ECU": after the question to save.
    void ReadFromEcuClick();
    void LoadAllFromEcuClick();
    // The runner of long ECU exchanges (self-tests), with their progress window.
    EcuJobRunner& jobRunner();

    // --- the monitoring windows: simulator, gauges, logging, scope (MainFormMonitor.cpp)
    sim::Simulator& simulator() { return simulator_; }
    TSimulatorForm* simulatorForm() const { return SimulatorForm; }
    QTimer* simulationTimer() const { return SimulationTimer; }
    // "Simulator": opens the simulation when the link state and a loaded configuration
    // permit it.
    void SimulatorClick();
    // The simulation timer's tick: 50 passes, then the live values on the diagram.
    void SimulationTimerTimer();
    TGaugesForm* gaugesForm() const { return GaugesForm; }
    TRealGaugesForm* realGaugesForm() const { return RealGaugesForm; }
    TConfigureGaugeForm* configureGaugeForm() const { return ConfigureGaugeForm; }
    TLogRetrieveProgBarForm* logRetrieveForm() const { return LogRetrieveForm; }
    TLogViewerForm* logViewerForm() const { return LogViewerForm; }
    // Opens a PC log or onboard log in the "Log Viewer" (a file given or dropped).
    bool openLogViewer(const std::string& path);
    TScopeForm* scopeForm() const { return ScopeForm; }
    const diagnostics::PcLog& pcLog() const { return pcLog_; }
    // The tick of the PC log's time stamps; tests set a manual one.
    void setLogClock(Clock& clock) { logClock_ = &clock; }
    // "Gauges ...": the list, and the dials too in the simple view.
    void GaugesClick();
    // Mouse release over dial 1-5: "Configure Gauge" for it.
    void configureDial(int slot);
    void StartLogClick();
    void StopLogClick();
    void RetrieveLogClick();

    // --- undo, redo and the recovery copy (MainFormUndo.cpp)
    UndoHistory& undoHistory() { return *undo_; }
    TUndoHistoryForm* undoHistoryForm() const { return UndoHistoryForm; }
    // The one way a window's command becomes one undoable step: runs command and
    // records what it changed under caption, then every window follows the model.
    // A non-zero mergeKey merges it into the previous step of the same key (typing).
    // Changes no command named still become steps after each user input.
    bool recordStep(const std::string& caption, const std::function<void()>& command,
                    uint64_t mergeKey = 0);
    // The same for a command that returns its caption once it has run.
    bool recordStep(const std::function<std::string()>& command, uint64_t mergeKey = 0);
    // "Undo <caption>" (Ctrl+Z), "Redo <caption>" (Ctrl+Y, Ctrl+Shift+Z), and the
    // history window's choice: the state after that many steps.
    void undoClick();
    void redoClick();
    void undoToPosition(int position);
    // Where unsaved work is copied (none: no copies); the program uses the user's
    // data folder.
    void setRecoveryFolder(const QString& folder);
    static constexpr int kRecoveryInterval = 30000;
    static constexpr int kCheapRecoveryMs = 30;
    // Writes the recovery copy when there is unsaved work it does not hold yet, and
    // removes it once there is none.
    void saveRecovery();
    // At start: offers the copy a previous run left; true when it was recovered.
    bool offerRecovery();
    QTimer* recoveryTimer() const { return RecoveryTimer; }

    // --- the setup checklist, element search, constant export and help
    // (MainFormChecklist.cpp)
    TChecksForm* checksForm() const { return ChecksForm; }
    TSearchForm* searchForm() const { return SearchForm; }
    // The found element: its page shown from the top-left, no selection, its dialog.
    void showFoundElement(int element);
    // "Export Constant Data to csv".
    void exportConstants();
    // "Help / User Manual" (F1, in every window): the manual at the section of the
    // window in front.
    QUrl helpUrl() const;
    void showHelp();
    // "On-line forum" opens this address; it is hidden while the address is empty.
    void setForumAddress(const QString& address);
    QString forumAddress() const { return forumAddress_; }
    // Opens a file or address with the desktop; tests record instead.
    std::function<bool(const QUrl&)> urlOpener;
    // Whether a command has its window connected (availability may enable it).
    bool commandConnected(const QString& caption) const;

    // --- comparison and restore points (MainFormHistory.cpp)
    TCompareForm* compareForm() const { return CompareForm; }
    TRestorePointsForm* restorePointsForm() const { return RestorePointsForm; }
    RestorePoints::Store& restoreStore() { return *restoreStore_; }
    // Writes a restore point of the configuration as it stands; owner empty: the loaded
    // file, else the ECU. Failures are shown once per session, never stop the command.
    // at: the time to stamp it with, 0 for now.
    void takeRestorePoint(const std::string& reason, const std::string& owner = {}, int64_t at = 0);
    // Whether points are written at all (a screenshot writes none).
    void setRestorePointsKept(bool kept) { restorePointsKept_ = kept; }
    // The owners whose points the window lists: the loaded file and the ECU.
    std::vector<std::string> restoreOwners() const;
    // "Compare with File ...", and the comparison with a file named at start.
    void compareWithFile();
    void compareWithPath(const std::string& path);
    // The periodic point: due ten minutes after the last one when something changed
    // (nowMs: the time since the epoch, as points are stamped).
    void periodicRestorePoint(int64_t nowMs);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // A log file dropped on the window opens in the log viewer.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildTopPanel();
    void buildContextMenu();
    void buildLinkWindows();
    void buildServiceWindows();
    void importMerged();
    void buildDiagnosticsWindows();
    void buildFlashingWindow();
    void buildTableWindows();
    // The dedicated function dialogs, their menu items and the canvas hook.
    void buildSetupDialogs(const DialogServices& services);
    void openDedicatedDialog(int element);
    // The setup wizard and its command (MainFormWizard.cpp).
    void buildSetupWizard();
    // Every path that replaces the configuration tells the wizard.
    QAction* addItem(QMenu* menu, const QString& caption, const QKeySequence& shortcut = {},
                     bool enabled = false);
    // Connects a command and marks it as working, so availability may enable it.
    void onTriggered(const QString& caption, const std::function<void()>& command);
    void enableCommand(const QString& caption, bool enabled);
    void updateCaption();
    // The title's unsaved mark follows the model's Modified flag.
    void updateModifiedMark();
    void showSplashWindow();
    void viewSwitched(bool atStartUp);
    void lockClicked();
    void updateEditCommands();
    void redrawTimerTimer();
    void pageChosen(int index);
    void refreshPageList();
    // The simple view's sheets and their selector, rebuilt from the model.
    void BuildSimpleSheets();
    bool pageDrawable() const;
    PollContext pollContext() const;
    // Alt-letter access for the menus, F1 everywhere.
    void applyDesktopConventions();
    void buildMonitorWindows();
    void monitorViewSwitched(bool atStartUp);
    void monitorPollCycle();
    void monitorPollContext(PollContext& context) const;
    void monitorPageRendered();
    void monitorClosing();
    void monitorConfigurationLoaded();
    void simulatorClosed();
    void buildChecklistWindows();
    void checklistPollCycle();
    // The link's part (MainFormLink.cpp).
    bool pollHeld() const;
    void linkPollCycle();
    void startHintsWhenReady();
    bool mayCloseWithUnsentEdits();

    // FileCommandHooks
    void configurationLoaded(bool fromDialog) override;
    void captionChanged() override;

    // LinkObserver
    void commandsChanged(const CommandAvailability& commands) override;
    void connectionStatusChanged(const std::string& text) override;
    void showProgress(const ProgressView& view) override;
    void hideProgress() override;
    void showReconnect() override;
    void hideReconnect() override;
    void showLoadOrWrite() override;
    void hideLoadOrWrite() override;
    void tickLockLogic() override;
    void learnHistoryLine(const std::string& line) override;
    void learnHistoryCleared() override;
    void redrawLiveOverlay() override;
    void refreshTableEditor() override;
    void fullReadFinished() override;
    void labelsChanged(const EcuLabels& labels) override;

    // EditorHost
    void renderPage() override {
        if (!followModel())
            RenderPage();
    }
    void renderOverlay() override { RenderOverlay(); }
    void draw(const DrawList& list) override;
    void whiteOutBackup(int x, int y, int x2, int y2) override;
    void openNameDialog(int slot) override;
    void openLinkDialog(int element, int input) override;
    void showLinkList(const std::string& caption, const std::vector<std::string>& lines) override;
    std::optional<int> askMoveTarget(int page) override;
    std::string pageCaption(int page) const override;
    ScrollState scrollState() const override;
    void scrollBy(int dx, int dy) override;
    void setPointerCursor(PointerCursor cursor) override;
    void setHint(const std::string& hint) override;
    void setMenuStates(const EditorMenuStates& states) override;
    void tableEditorMoved() override;
    void setUpNewTable(int element) override;

    void buildEditing();
    void buildUndo(QMenu* edit);
    void checkpoint();
    void afterStep(bool recorded);
    void updateUndoCommands();
    void afterHistoryMoved(const UndoHistory::Outcome& outcome, const char* verb);
    void removeRecovery();
    // The configuration now equals its file.
    void saved();
    void elementsMoved();
    void redrawAfterFollowing();
    void configurationReplaced();
    // Routes of every page are made again, windows follow their elements, the page is drawn.
    void redrawWholeDiagram();
    // Open element and dedicated dialogs close without writing what they read.
    void closeDialogsWithoutWriting();
    QList<QDialog*> elementDialogs() const;
    QList<TDedicatedForm*> dedicatedDialogs() const;
    void startChangeLog();
    void applyDisplayOptions();
    void hideSimulator() override;
    void scopeLoadSettings() override;
    bool replaceConfiguration() override;
    void transferFailed(const std::string& message) override;
    void deviceProblem(const std::string& text) override;

    Messages& messages_;
    Preferences& prefs_;
    FileDialogs& dialogs_;
    ChangeLog changeLog_;
    std::unique_ptr<tECU> ecu_;
    std::unique_ptr<UndoHistory> undo_;
    FileCommands commands_;
    LinkRouter router_;
    DiagramCanvas* ElementView = nullptr;
    QtTextMetrics metrics_;
    PageRenderer renderer_;
    std::unique_ptr<UsbXpress> noDevices_;
    SyncEngine engine_;
    int currentPage_ = 0;
    uint64_t seenConfiguration_ = 0;
    uint64_t seenStructure_ = 0;
    std::vector<std::function<void()>> replacementHooks_;
    Point lastMouse_{-1, -1};
    bool shownOnce_ = false;
    bool splashAtStart_ = true;

    QHash<QString, QAction*> actions_;
    QSet<QAction*> working_;
    QHash<QString, QMenu*> menus_;
    std::array<QAction*, RecentFiles::kCount> recent_{};
    QToolBar* toolBar_ = nullptr;
    PageSelector* ECUPage = nullptr;
    QComboBox* ECUPageSimple = nullptr;
    QCheckBox* AdvancedView = nullptr;
    QCheckBox* ConfigLock = nullptr;
    QLabel* LinkingHintLabel = nullptr;
    QLabel* ConnectionStatus = nullptr;
    QScrollArea* ScrollBox = nullptr;
    TSimpleView* SimpleView = nullptr;
    QMenu* ElementOptions = nullptr;
    QTimer* RedrawTimer = nullptr;
    QTimer* PollTimer = nullptr;
    QList<QAction*> addButtons_;
    TSplashForm* SplashForm = nullptr;
    TreconnectForm* ReconnectForm = nullptr;
    TLoadSaveOfflineForm* LoadSaveOfflineForm = nullptr;
    TLearnHistoryForm* LearnHistoryForm = nullptr;
    TConfOptForm* ConfOptForm = nullptr;
    TNewConfigForm* NewConfigForm = nullptr;
    TImportForm* ImportForm = nullptr;
    TPropertiesForm* PropertiesForm = nullptr;
    TWiringForm* WiringForm = nullptr;
    TInputsForm* InputsForm = nullptr;
    TIgnitionForm* IgnitionForm = nullptr;
    TInjectorsForm* InjectorsForm = nullptr;
    TAnalogueForm* AnalogueForm = nullptr;
    TAuxOutputsForm* AuxOutputsForm = nullptr;
    TGeneralForm* GeneralForm = nullptr;
    TPeriodAngleForm* PeriodAngleForm = nullptr;
    TSetupWizard* WizardForm = nullptr;
    TRamTestForm* RamTestForm = nullptr;
    TInjectorTestForm* InjectorTestForm = nullptr;
    TAnaVoltsForm* AnaVoltsForm = nullptr;
    TFlashingForm* FlashingForm = nullptr;
    UsbXpress* usbLink_ = nullptr;
    std::unique_ptr<PointerEditor> editor_;
    std::map<int, TElementForm*> elementForms_;
    TEditLinkForm* EditLinkForm = nullptr;
    TEditNameForm* EditNameForm = nullptr;
    TCosmeticForm* CosmeticForm = nullptr;
    TMoveToPageForm* MoveToPageForm = nullptr;
    TOutputLinksForm* OutputLinksForm = nullptr;
    std::array<TOptionForm*, 3> optionForms_{};
    TMapOptionsForm* MapOptionsForm = nullptr;
    TEditTable* TableEditor = nullptr;

    sim::Simulator simulator_;
    TSimulatorForm* SimulatorForm = nullptr;
    QTimer* SimulationTimer = nullptr;
    TGaugesForm* GaugesForm = nullptr;
    TRealGaugesForm* RealGaugesForm = nullptr;
    TConfigureGaugeForm* ConfigureGaugeForm = nullptr;
    TLogRetrieveProgBarForm* LogRetrieveForm = nullptr;
    TLogViewerForm* LogViewerForm = nullptr;
    TScopeForm* ScopeForm = nullptr;
    TChecksForm* ChecksForm = nullptr;
    TSearchForm* SearchForm = nullptr;
    TUndoHistoryForm* UndoHistoryForm = nullptr;
    QTimer* RecoveryTimer = nullptr;
    std::string recoveryFolder_;
    bool recoveryWritten_ = false;
    bool recoveryCheap_ = true;
    uint64_t recoveryState_ = 0;
    QString forumAddress_;
    diagnostics::PcLog pcLog_;
    SteadyClock steadyClock_;
    Clock* logClock_ = &steadyClock_;

    std::unique_ptr<EcuJobRunner> jobs_;
    bool inPoll_ = false;
    bool startHintPending_ = false;
    int linkCycles_ = 0;
    bool closeWhenSent_ = false;

    // --- comparison and restore points (MainFormHistory.cpp)
    void buildHistoryWindows();
    void restorePoint(const std::string& reason, const std::string& file) override;
    void fullWriteCommitted() override;
    // One user step each: the undo history wraps these two calls.
    void takeDifferencesStep(const tECU& other, const std::vector<std::string>& keys);
    void restorePointStep(const std::vector<uint8_t>& bytes);
    std::unique_ptr<RestorePoints::Store> restoreStore_;
    RestorePoints::Schedule restoreSchedule_;
    QTimer* RestoreTimer = nullptr;
    TCompareForm* CompareForm = nullptr;
    TRestorePointsForm* RestorePointsForm = nullptr;
    bool restoreFailureShown_ = false;
    bool restorePointsKept_ = true;
};

} // namespace zolmar::gui
