#include "app/MainForm.h"

#include "app/EcuJobRunner.h"
#include "app/PageSelector.h"
#include "app/QtPorts.h"
#include "app/SplashForm.h"
#include "app/StartHints.h"
#include "app/TablesMenu.h"
#include "app/ToolIcons.h"
#include "diagnostics/SelfTestForms.h"
#include "dialogs/CosmeticForm.h"
#include "dialogs/EditLinkForm.h"
#include "dialogs/EditNameForm.h"
#include "dialogs/ElementForm.h"
#include "dialogs/MoveToPageForm.h"
#include "dialogs/OptionForm.h"
#include "dialogs/OutputLinksForm.h"
#include "editor/PageOperations.h"
#include "editor/SimpleSheets.h"
#include "editor/SimpleView.h"
#include "files/ConfOptForm.h"
#include "files/ImportForm.h"
#include "files/NewConfigForm.h"
#include "files/NewConfiguration.h"
#include "files/Optimisation.h"
#include "files/ProgramFiles.h"
#include "files/PropertiesForm.h"
#include "link/FlashingForm.h"
#include "link/LearnHistoryForm.h"
#include "link/LoadSaveOfflineForm.h"
#include "link/ReconnectForm.h"
#include "link/SerialUsbXpress.h"
#include "setup/DedicatedForms.h"
#include "setup/InputsForm.h"
#include "setup/WiringForm.h"
#include "tables/TEditTable.h"
#include "tables/TMapOptionsForm.h"
#include "tables/TTableSetupForm.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

// The toolbar in order: hint, caption of its menu twin (empty when it has none
// yet), icon name (ToolIcons). Buttons without a working command stay disabled.
struct ToolButton {
    const char* hint;
    const char* menuTwin;
    const char* icon;
};

constexpr ToolButton kToolButtons[] = {
    {"New ECU configuration (Ctrl+N)", "New ...", "new"},
    {"Open ECU Configuration (Ctrl+O)", "Open ...", "open"},
    {"Save ECU configuration (Ctrl+S)", "Save", "save"},
    {"ECU Properties", "Properties ...", "properties"},
    {"Read configuration from ECU", "Read from ECU", "read"},
    {"Write configuration to ECU", "Write to ECU", "write"},
    {"Show Live Gauges (F2)", "Gauges ...", "gauges"},
    {"Open Setup Checklist (F3)", "Setup Checklist ...", "checklist"},
    {"Open Setup Wizard", "Setup Wizard", "wizard"},
    {"Run Simulator (F9)", "Simulator", "simulator"},
    {"Scope (F7)", "Scope ...", "scope"},
    {"Show Wiring (F8)", "Wiring ...", "wiring"},
    {"Start Logging to Laptop/PC (Ctrl+L)", "Start Logging to Laptop/PC", "logstart"},
    {"Stop Logging to Laptop/PC (Ctrl+K)", "Stop Logging to Laptop/PC", "logstop"},
    {"Retrieve Internal Log from ECU (Ctrl+R)", "Retrieve Log from ECU", "retrieve"},
    {"Onboard Logging Settings", "Onboard Logging Settings ...", "logsettings"},
    {"Analogue Voltages (F11)", "Analogue Voltages", "voltages"},
};

// The push buttons that follow the icons: caption, menu twin, control name.
struct PushButton {
    const char* caption;
    const char* menuTwin;
    const char* name;
};

constexpr PushButton kPushButtons[] = {
    {"Optimise", "Optimise Configuration", "OptimiseButton"},
    {"Update Cosmetic", "Update Cosmetic Changes", "UpdateCosmeticButton"},
    {"Go Online", "Go Online", "OnlineButton"},
};

// The context menu's "New Element" items, in the order of the add buttons.
constexpr const char* kNewElementItems[] = {
    "New Constant",
    "New 2D Table",
    "New 3D Table",
    "New Summer",
    "New Comparator",
    "New Multiplier",
    "New PID Controller",
    "New Clipper",
    "New Switch",
    "New Tickbox",
    "New 4-Way Multiplexer",
    "New Timer",
    "New Delay",
    "New Latch",
    "New Gauge",
    "New Display",
    "New Label",
    "New Stepper Motor Block",
    "New Wrapper",
    "New Inj Aux Outputs Block",
    "New 32-Way Multiplexer",
};

// Hint of "Optimise Configuration".
constexpr const char* kOptimiseHint = "Optimise the current configuration (may take a few "
                                      "seconds). See the 'Settings' menu for options.";

// A transport without devices: the window then waits for a file or an ECU forever.
std::unique_ptr<UsbXpress> noDevices() {
    SerialUsbXpress::Options options;
    options.scanSystem = false;
    return std::make_unique<SerialUsbXpress>(options);
}

// The add-element buttons: hint and the picture's name.
constexpr ToolButton kAddButtons[] = {
    {"Add a new Constant", "", "constant"},
    {"Add a new 2D Table", "", "table2d"},
    {"Add a new 3D Table", "", "table3d"},
    {"Add a new Summer", "", "summer"},
    {"Add a new Comparator", "", "comparator"},
    {"Add a new Multiplier", "", "multiplier"},
    {"Add a new PID Controller", "", "pid"},
    {"Add a new Clipper", "", "clipper"},
    {"Add a new Switch", "", "switch"},
    {"Add a new Tickbox", "", "tickbox"},
    {"Add a new 4-Way Multiplexer", "", "mux4"},
    {"Add a new Timer", "", "timer"},
    {"Add a new Delay", "", "delay"},
    {"Add a new Latch", "", "latch"},
    {"Add a new Gauge", "", "gauge"},
    {"Add a new Display", "", "display"},
    {"Add a new Label", "", "label"},
    {"Add a new Stepper Motor Block", "", "stepper"},
    {"Add a new Wrapper", "", "wrapper"},
    {"Add a new 'Aux Outputs On Inj Outputs' block", "", "injaux"},
    {"Add a new 32-Way Multiplexer", "", "mux32"},
};

} // namespace

QString helpFilePath() {
    const std::string found = ProgramFiles::Find(ProgramFiles::kManual);
    return found.empty()
               ? QCoreApplication::applicationDirPath() + QStringLiteral("/q7700xHelp.html")
               : QString::fromStdString(found);
}

TMainForm::TMainForm(Messages& messages, Preferences& prefs, FileDialogs& dialogs, UsbXpress* usb,
                     QWidget* parent)
    : QMainWindow(parent), messages_(messages), prefs_(prefs), dialogs_(dialogs),
      ecu_(std::make_unique<tECU>(messages)), undo_(std::make_unique<UndoHistory>(*ecu_)),
      commands_(*ecu_, messages, prefs, dialogs, *this), renderer_(*ecu_, router_, metrics_),
      noDevices_(usb ? nullptr : noDevices()), engine_(*ecu_, usb ? *usb : *noDevices_, *this) {
    setObjectName(QStringLiteral("TMainForm"));
    buildMenus();
    buildToolBar();
    buildTopPanel();
    buildContextMenu();
    buildLinkWindows();
    buildServiceWindows();
    buildDiagnosticsWindows();
    usbLink_ = usb ? usb : noDevices_.get();
    buildFlashingWindow();
    buildEditing();
    buildTableWindows();
    buildChecklistWindows();
    buildSetupWizard();
    buildHistoryWindows();
    applyDesktopConventions();
    updateCaption();

    // Start-up: every page to be routed, every live word shown, options loaded, the
    // synchronisation reset (locked, "Initialising") and the USB connection opened.
    router_.invalidateAll();
    std::fill(std::begin(ecu_->LiveWordLinked), std::end(ecu_->LiveWordLinked), 1);
    ecu_->TableEditElement.clear();
    applyDisplayOptions();
    ConfOptForm->load();
    MapOptionsForm->load();
    engine_.StartUp();

    RedrawTimer = new QTimer(this);
    RedrawTimer->setObjectName(QStringLiteral("RedrawTimer"));
    RedrawTimer->setInterval(500);
    connect(RedrawTimer, &QTimer::timeout, this, &TMainForm::redrawTimerTimer);
    RedrawTimer->start();

    applyStoredView();

    PollTimer = new QTimer(this);
    PollTimer->setObjectName(QStringLiteral("PollTimer"));
    PollTimer->setInterval(kPollInterval);
    connect(PollTimer, &QTimer::timeout, this, &TMainForm::PollTimerTimer);
    PollTimer->start();
}

TMainForm::~TMainForm() = default;

QAction* TMainForm::addItem(QMenu* menu, const QString& caption, const QKeySequence& shortcut,
                            bool enabled) {
    auto* a = menu->addAction(caption);
    a->setShortcut(shortcut);
    a->setEnabled(enabled);
    actions_.insert(caption, a);
    return a;
}

void TMainForm::onTriggered(const QString& caption, const std::function<void()>& command) {
    QAction* a = action(caption);
    working_.insert(a);
    connect(a, &QAction::triggered, this, [command] { command(); });
}

void TMainForm::enableCommand(const QString& caption, bool enabled) {
    if (QAction* a = action(caption))
        a->setEnabled(enabled && working_.contains(a));
}

void TMainForm::buildMenus() {
    auto addMenu = [this](const QString& title) {
        QMenu* m = menuBar()->addMenu(title);
        menus_.insert(title, m);
        return m;
    };

    QMenu* file = addMenu(QStringLiteral("File"));
    addItem(file, QStringLiteral("New ..."), QKeySequence(Qt::CTRL | Qt::Key_N));
    addItem(file, QStringLiteral("Open ..."), QKeySequence(Qt::CTRL | Qt::Key_O), true);
    addItem(file, QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    addItem(file, QStringLiteral("Save As ..."), QKeySequence(Qt::CTRL | Qt::Key_A), true);
    addItem(file, QStringLiteral("Import/Merge Configuration"));
    addItem(file, QStringLiteral("Compare with File ..."), {}, true);
    addItem(file, QStringLiteral("Compare with Restore Point ..."), {}, true);
    addItem(file, QStringLiteral("Properties ..."));
    for (size_t k = 0; k < recent_.size(); ++k) {
        recent_[k] = file->addAction(QString());
        recent_[k]->setObjectName(QStringLiteral("RecentItem%1").arg(k + 1));
        connect(recent_[k], &QAction::triggered, this, [this, k] {
            commands_.openRecent(recent_[k]->text().toStdString());
            refreshRecentItems();
        });
    }
    addItem(file, QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q), true);
    connect(file, &QMenu::aboutToShow, this, &TMainForm::refreshRecentItems);
    onTriggered(QStringLiteral("Open ..."), [this] { commands_.open(); });
    onTriggered(QStringLiteral("Save"), [this] {
        if (commands_.save())
            saved();
    });
    onTriggered(QStringLiteral("Save As ..."), [this] {
        if (commands_.saveAs())
            saved();
    });
    onTriggered(QStringLiteral("Exit"), [this] { close(); });

    buildUndo(addMenu(QStringLiteral("Edit")));

    QMenu* sync = addMenu(QStringLiteral("ECU Config / Settings Synchronisation"));
    for (const char* c : {"Go Online", "Update Cosmetic Changes", "Read from ECU", "Write to ECU",
                          "Optimise Configuration", "Setup Wizard"})
        addItem(sync, QString::fromUtf8(c));
    action(QStringLiteral("Optimise Configuration"))
        ->setStatusTip(QString::fromUtf8(kOptimiseHint));
    action(QStringLiteral("Optimise Configuration"))->setToolTip(QString::fromUtf8(kOptimiseHint));
    sync->setToolTipsVisible(true);
    onTriggered(QStringLiteral("Go Online"), [this] { engine_.GoOnline(); });
    onTriggered(QStringLiteral("Update Cosmetic Changes"), [this] { engine_.GoOnline(); });
    onTriggered(QStringLiteral("Read from ECU"), [this] { ReadFromEcuClick(); });
    onTriggered(QStringLiteral("Write to ECU"), [this] { engine_.WriteToEcu(); });
    onTriggered(QStringLiteral("Optimise Configuration"), [this] { OptimiseClick(); });

    QMenu* windows = addMenu(QStringLiteral("Windows"));
    addItem(windows, QStringLiteral("Gauges ..."), QKeySequence(Qt::Key_F2));
    addItem(windows, QStringLiteral("Setup Checklist ..."), QKeySequence(Qt::Key_F3));
    addItem(windows, QStringLiteral("Scope ..."), QKeySequence(Qt::Key_F7));
    addItem(windows, QStringLiteral("Wiring ..."), QKeySequence(Qt::Key_F8));
    addItem(windows, QStringLiteral("Simulator"), QKeySequence(Qt::Key_F9));
    addItem(windows, QStringLiteral("Analogue Voltages"), QKeySequence(Qt::Key_F11));

    QMenu* maps = addMenu(QStringLiteral("Maps/Tables"));
    for (const char* sub : {"3D Tables", "2D Tables"}) {
        QMenu* m = maps->addMenu(QString::fromUtf8(sub));
        m->setEnabled(false);
        menus_.insert(QString::fromUtf8(sub), m);
    }
    addItem(maps, QStringLiteral("Map/Table Options"), {}, true);
    onTriggered(QStringLiteral("Map/Table Options"), [this] {
        MapOptionsForm->load();
        MapOptionsForm->show();
        MapOptionsForm->raise();
    });
    connect(maps, &QMenu::aboutToShow, this, &TMainForm::refreshTablesMenu);
    for (bool threeD : {false, true}) {
        auto* recent = new QAction(this);
        recent->setObjectName(threeD ? QStringLiteral("RecentTable3D")
                                     : QStringLiteral("RecentTable2D"));
        recent->setShortcut(QKeySequence(threeD ? Qt::Key_F5 : Qt::Key_F4));
        connect(recent, &QAction::triggered, this, [this, threeD] { openRecentTable(threeD); });
        addAction(recent);
    }

    QMenu* dedicated = addMenu(QStringLiteral("Dedicated Functions"));
    for (const char* c : {"Inputs and Triggering", "Ignition", "Injectors", "Aux Outputs",
                          "Aux Outputs on Spare Injector Outputs", "General"})
        addItem(dedicated, QString::fromUtf8(c));

    QMenu* logging = addMenu(QStringLiteral("Logging"));
    addItem(logging, QStringLiteral("Start Logging to Laptop/PC"),
            QKeySequence(Qt::CTRL | Qt::Key_L));
    addItem(logging, QStringLiteral("Stop Logging to Laptop/PC"),
            QKeySequence(Qt::CTRL | Qt::Key_K));
    addItem(logging, QStringLiteral("Retrieve Log from ECU"), QKeySequence(Qt::CTRL | Qt::Key_R));
    addItem(logging, QStringLiteral("Log Viewer ..."));
    addItem(logging, QStringLiteral("Onboard Logging Settings ..."));

    QMenu* advanced = addMenu(QStringLiteral("Advanced"));
    for (const char* c : {"View Learn History", "Export Constant Data to csv",
                          "Period Angle Offset Calculator", "Start Logging Configuration Changes",
                          "Stop Logging Configuration Changes", "ECU Ram Test", "ECU Injector Test",
                          "ECU Digital Input capacitor test", "Calibrate Analog"})
        addItem(advanced, QString::fromUtf8(c));
    action(QStringLiteral("View Learn History"))->setEnabled(true);
    onTriggered(QStringLiteral("View Learn History"), [this] {
        LearnHistoryForm->setHistory(engine_.LearnHistory());
        LearnHistoryForm->show();
        LearnHistoryForm->raise();
    });

    QMenu* firmware = addMenu(QStringLiteral("Firmware"));
    addItem(firmware, QStringLiteral("Upgrade Package/Firmware"));

    QMenu* settings = addMenu(QStringLiteral("Settings"));
    for (const char* c :
         {"Startup Hints", "Configuration Optimisation", "Advanced Element Properties",
          "Live Value Display", "Column size on each page/tabsheet"})
        addItem(settings, QString::fromUtf8(c));
    action(QStringLiteral("Startup Hints"))->setEnabled(true);
    onTriggered(QStringLiteral("Startup Hints"),
                [this] { StartHints::showFromMenu(prefs_, messages_); });
    action(QStringLiteral("Configuration Optimisation"))->setEnabled(true);
    onTriggered(QStringLiteral("Configuration Optimisation"), [this] {
        ConfOptForm->load();
        ConfOptForm->show();
        ConfOptForm->raise();
    });

    QMenu* help = addMenu(QStringLiteral("Help"));
    addItem(help, QStringLiteral("About"), {}, true);
    onTriggered(QStringLiteral("About"), [this] { showSplashWindow(); });
    addItem(help, QStringLiteral("Help / User Manual"), QKeySequence(Qt::Key_F1), true);
    onTriggered(QStringLiteral("Help / User Manual"), [this] { showHelp(); });
    addItem(help, QStringLiteral("On-line forum"));
}

void TMainForm::buildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Tools"));
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(22, 22));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);

    // Each button runs its menu twin's command and always has its twin's state.
    auto twinned = [this](QAction* a, const char* menuTwin) {
        QAction* twin = menuTwin[0] ? actions_.value(QString::fromUtf8(menuTwin)) : nullptr;
        a->setEnabled(twin && twin->isEnabled());
        if (twin) {
            connect(a, &QAction::triggered, twin, &QAction::trigger);
            connect(twin, &QAction::changed, a, [a, twin] { a->setEnabled(twin->isEnabled()); });
        }
    };
    auto addButton = [&](const ToolButton& b) {
        auto* a = toolBar_->addAction(toolIcon(QString::fromUtf8(b.icon)), QString());
        a->setToolTip(QString::fromUtf8(b.hint));
        twinned(a, b.menuTwin);
        actions_.insert(QString::fromUtf8(b.hint), a);
    };
    for (const auto& b : kToolButtons)
        addButton(b);
    toolBar_->addSeparator();
    for (const auto& b : kPushButtons) {
        auto* a = toolBar_->addAction(QString::fromUtf8(b.caption));
        a->setObjectName(QString::fromUtf8(b.name));
        twinned(a, b.menuTwin);
        actions_.insert(QString::fromUtf8(b.name), a);
    }
    action(QStringLiteral("OptimiseButton"))->setToolTip(QString::fromUtf8(kOptimiseHint));
    toolBar_->addSeparator();
    for (const auto& b : kAddButtons) {
        addButton(b);
        addButtons_.append(actions_.value(QString::fromUtf8(b.hint)));
    }
}

void TMainForm::buildTopPanel() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);

    auto* row = new QHBoxLayout();
    row->addWidget(new QLabel(QStringLiteral("ECU Page:"), central));
    ECUPage = new PageSelector(central);
    ECUPage->setObjectName(QStringLiteral("ECUPage"));
    ECUPage->setMaxVisibleItems(30);
    ECUPage->setMinimumContentsLength(32);
    ECUPage->addItem(QStringLiteral("No Pages"));
    ECUPage->onChosen = [this](int index) { pageChosen(index); };
    row->addWidget(ECUPage);
    ECUPageSimple = new QComboBox(central);
    ECUPageSimple->setObjectName(QStringLiteral("ECUPageSimple"));
    ECUPageSimple->setMaxVisibleItems(30);
    ECUPageSimple->setMinimumContentsLength(32);
    ECUPageSimple->addItem(QStringLiteral("No Pages"));
    ECUPageSimple->hide();
    row->addWidget(ECUPageSimple);
    AdvancedView = new QCheckBox(QStringLiteral("Advanced View"), central);
    AdvancedView->setObjectName(QStringLiteral("AdvancedView"));
    connect(AdvancedView, &QCheckBox::clicked, this, [this] { viewSwitched(false); });
    row->addWidget(AdvancedView);
    ConfigLock = new QCheckBox(QStringLiteral("Lock Logic Configuration"), central);
    ConfigLock->setObjectName(QStringLiteral("ConfigLock"));
    ConfigLock->setChecked(true);
    connect(ConfigLock, &QCheckBox::clicked, this, &TMainForm::lockClicked);
    row->addWidget(ConfigLock);
    LinkingHintLabel = new QLabel(central);
    LinkingHintLabel->setObjectName(QStringLiteral("LinkingHintLabel"));
    LinkingHintLabel->setStyleSheet(QStringLiteral("color: red"));
    row->addWidget(LinkingHintLabel, 1);
    ConnectionStatus = new QLabel(QStringLiteral("Initialising"), central);
    ConnectionStatus->setObjectName(QStringLiteral("ConnectionStatus"));
    row->addWidget(ConnectionStatus);
    column->addLayout(row);

    ScrollBox = new QScrollArea(central);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setBackgroundRole(QPalette::Base);
    ElementView = new DiagramCanvas(ScrollBox);
    connect(ElementView, &DiagramCanvas::mouseMoved, this, [this](QPoint position) {
        lastMouse_ = {position.x(), position.y()};
        if (editor_)
            editor_->pointerMove(position.x(), position.y());
        RenderOverlay();
    });
    ScrollBox->setWidget(ElementView);
    ScrollBox->horizontalScrollBar()->setSingleStep(Grid::kCell);
    ScrollBox->verticalScrollBar()->setSingleStep(Grid::kCell);
    column->addWidget(ScrollBox, 1);
    SimpleView = new TSimpleView(*ecu_, messages_, central);
    SimpleView->hide();
    column->addWidget(SimpleView, 1);
    connect(SimpleView, &TSimpleView::sheetChanged, this, [this](int index) {
        QSignalBlocker block(ECUPageSimple);
        ECUPageSimple->setCurrentIndex(index);
    });
    connect(ECUPageSimple, &QComboBox::activated, this,
            [this](int index) { SimpleView->pageControl()->setCurrentIndex(index); });
    setCentralWidget(central);
}

void TMainForm::buildContextMenu() {
    ElementOptions = new QMenu(this);
    ElementOptions->setObjectName(QStringLiteral("ElementOptions"));
    for (const char* c :
         {"View Element Properties", "Rename Element", "Edit Link", "Delete Link", "Copy", "Cut",
          "Paste", "Delete Element/s", "Select All", "Search for Element"})
        addItem(ElementOptions, QString::fromUtf8(c));
    QMenu* pages = ElementOptions->addMenu(QStringLiteral("Page Options"));
    menus_.insert(QStringLiteral("Page Options"), pages);
    for (const char* c : {"Page Properties", "Rename Page", "Move All to Different Page",
                          "Duplicate Page", "Delete Page"})
        addItem(pages, QString::fromUtf8(c));
    QMenu* create = ElementOptions->addMenu(QStringLiteral("New Element"));
    menus_.insert(QStringLiteral("New Element"), create);
    for (const char* c : kNewElementItems)
        addItem(create, QString::fromUtf8(c));

    ElementView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ElementView, &QWidget::customContextMenuRequested, this, [this](QPoint position) {
        if (!advancedView())
            return;
        // The open menu takes the button's release: the editor sees it here.
        if (editor_)
            editor_->buttonUp(MouseButton::Right, position.x(), position.y());
        ElementOptions->popup(ElementView->mapToGlobal(position));
    });
}

void TMainForm::buildLinkWindows() {
    SplashForm = new TSplashForm(this);
    connect(SplashForm, &TSplashForm::cancelClicked, this, [this] { engine_.CancelProgress(); });
    connect(SplashForm, &TSplashForm::openSettingsFileClicked, this, [this] {
        engine_.OpenFileFromProgress();
        commands_.open();
    });
    ReconnectForm = new TreconnectForm(this);
    connect(ReconnectForm, &TreconnectForm::cancelClicked, this,
            [this] { engine_.CancelReconnect(); });
    LoadSaveOfflineForm = new TLoadSaveOfflineForm(this);
    connect(LoadSaveOfflineForm, &TLoadSaveOfflineForm::loadClicked, this,
            [this] { LoadAllFromEcuClick(); });
    connect(LoadSaveOfflineForm, &TLoadSaveOfflineForm::writeClicked, this,
            [this] { engine_.WriteAllToEcu(); });
    connect(LoadSaveOfflineForm, &TLoadSaveOfflineForm::offlineClicked, this,
            [this] { engine_.StayOffline(); });
    LearnHistoryForm = new TLearnHistoryForm(this);
    connect(LearnHistoryForm, &TLearnHistoryForm::clearClicked, this,
            [this] { engine_.ClearLearnHistory(); });
    ConfOptForm = new TConfOptForm(prefs_, this);
    buildMonitorWindows();
}

void TMainForm::buildServiceWindows() {
    NewConfigForm = new TNewConfigForm(this);
    connect(NewConfigForm, &TNewConfigForm::blankClicked, this, &TMainForm::NewBlankClick);
    connect(NewConfigForm, &TNewConfigForm::completeClicked, this, &TMainForm::NewCompleteClick);
    action(QStringLiteral("New ..."))->setEnabled(true);
    onTriggered(QStringLiteral("New ..."), [this] {
        SplashForm->hide();
        NewConfigForm->show();
        NewConfigForm->raise();
    });

    ImportForm = new TImportForm(*ecu_, messages_, dialogs_, this);
    connect(ImportForm, &TImportForm::merged, this, &TMainForm::importMerged);
    ImportForm->recordStep = [this](const std::string& caption,
                                    const std::function<void()>& command) {
        recordStep(caption, command);
    };
    action(QStringLiteral("Import/Merge Configuration"))->setEnabled(true);
    onTriggered(QStringLiteral("Import/Merge Configuration"), [this] {
        ImportForm->prepare();
        ImportForm->exec();
    });

    PropertiesForm = new TPropertiesForm(*ecu_, messages_, this);
    action(QStringLiteral("Properties ..."))->setEnabled(true);
    onTriggered(QStringLiteral("Properties ..."), [this] {
        PropertiesForm->fill();
        PropertiesForm->setLabels(engine_.Labels());
        PropertiesForm->show();
        PropertiesForm->raise();
    });

    WiringForm = new TWiringForm(*ecu_, this);
    connect(WiringForm, &TWiringForm::hidden, this, [this] {
        if (pageDrawable())
            RenderPage();
    });
    action(QStringLiteral("Wiring ..."))->setEnabled(true);
    onTriggered(QStringLiteral("Wiring ..."), [this] {
        WiringForm->fill();
        WiringForm->show();
        WiringForm->raise();
    });
}

void TMainForm::buildDiagnosticsWindows() {
    RamTestForm = new TRamTestForm(this);
    InjectorTestForm = new TInjectorTestForm(this);
    connect(InjectorTestForm, &TInjectorTestForm::testClicked, this, &TMainForm::InjectorTestClick);
    AnaVoltsForm = new TAnaVoltsForm(*ecu_, this);
    onTriggered(QStringLiteral("ECU Ram Test"), [this] { RamTestClick(); });
    onTriggered(QStringLiteral("ECU Injector Test"), [this] {
        InjectorTestForm->show();
        InjectorTestForm->raise();
        InjectorTestClick();
    });
    onTriggered(QStringLiteral("ECU Digital Input capacitor test"),
                [this] { DigitalInputTestClick(); });
    onTriggered(QStringLiteral("Calibrate Analog"), [this] { CalibrateAnalogClick(); });
    action(QStringLiteral("Analogue Voltages"))->setEnabled(true);
    onTriggered(QStringLiteral("Analogue Voltages"), [this] { AnaVoltsForm->open(); });
}

void TMainForm::buildFlashingWindow() {
    FlashingForm = new TFlashingForm(*usbLink_, dialogs_, messages_, this);
    connect(FlashingForm, &TFlashingForm::linkWanted, this, [this](bool flashing) {
        if (flashing)
            engine_.Disconnect();
        else
            engine_.Connect();
    });
    action(QStringLiteral("Upgrade Package/Firmware"))->setEnabled(true);
    onTriggered(QStringLiteral("Upgrade Package/Firmware"), [this] { FlashingForm->exec(); });
}

void TMainForm::NewBlankClick() {
    if (!commands_.askToSave(FileCommands::OnNo::KeepModified))
        return;
    NewConfiguration::MakeBlank(*ecu_);
    engine_.NewBlankConfiguration();
    NewConfigForm->hide();
    engine_.ClearLearnHistory();
    setConfigLocked(true);
    followModel();
}

void TMainForm::NewCompleteClick() {
    if (!commands_.askToSave(FileCommands::OnNo::KeepModified))
        return;
    std::string error;
    if (!NewConfiguration::LoadComplete(*ecu_, error)) {
        messages_.error(error);
        return;
    }
    NewConfigForm->hide();
    engine_.ClearLearnHistory();
    setConfigLocked(true);
    // The ECU holds another configuration now: once connected it asks to load or write.
    engine_.ConfigurationOpened();
    followModel();
    ecu_->CheckUsageWords();
    openSetupWizard();
}

void TMainForm::importMerged() {
    engine_.ConfigurationOpened();
    engine_.ClearLearnHistory();
    followModel();
}

void TMainForm::buildTableWindows() {
    MapOptionsForm = new TMapOptionsForm(prefs_, this);
    TableEditor = new TEditTable(*ecu_, messages_, dialogs_, *MapOptionsForm, this);
    TableEditor->diagramChanged = [this] {
        router_.invalidate(currentPage_);
        RenderPage();
    };
    TableEditor->tablesChanged = [this] { refreshTablesMenu(); };
    TableEditor->recordStep = [this](const std::string& caption,
                                     const std::function<void()>& command,
                                     uint64_t mergeKey) { recordStep(caption, command, mergeKey); };
    TableEditor->openCosmetic = [this](int element) {
        if (element >= 0 && element < ecu_->NumElements)
            CosmeticForm->Execute(ecu_->ElementLogicOffset[element]);
    };
    SimpleView->openTable = [this](int element) { openTableEditor(element); };
    SimpleView->openDialog = [this](int element, SimpleSheets::ButtonTarget target) {
        openSettingDialog(element, static_cast<int>(target));
    };
}

void TMainForm::openSettingDialog(int element, int target) {
    using SimpleSheets::ButtonTarget;
    // The dedicated functions open through their menu items; a command whose window
    // is not built yet stays disabled and does nothing.
    const char* item = nullptr;
    switch (static_cast<ButtonTarget>(target)) {
    case ButtonTarget::InputsAndTriggering:
        item = "Inputs and Triggering";
        break;
    case ButtonTarget::AuxOutputs:
        item = "Aux Outputs";
        break;
    case ButtonTarget::Injectors:
        item = "Injectors";
        break;
    case ButtonTarget::Ignition:
        item = "Ignition";
        break;
    case ButtonTarget::OnboardLogging:
        item = "Onboard Logging Settings ...";
        break;
    case ButtonTarget::AuxOnInj:
        item = "Aux Outputs on Spare Injector Outputs";
        break;
    case ButtonTarget::TableEditor:
        openTableEditor(element);
        return;
    case ButtonTarget::AnalogueInputs:
    case ButtonTarget::Stepper:
        openElementDialog(element);
        return;
    }
    if (QAction* a = action(QString::fromUtf8(item)))
        a->trigger();
}

bool TMainForm::openTableEditor(int element) {
    TableEditor->setAdvancedView(advancedView());
    return TableEditor->OpenTable(element);
}

void TMainForm::openRecentTable(bool threeD) {
    int element = TableEditor->editor().RecentOrFirst(threeD);
    if (element >= 0)
        openTableEditor(element);
}

QComboBox* TMainForm::pageSelector() const {
    return ECUPage;
}

void TMainForm::refreshRecentItems() {
    auto names = commands_.recent().items();
    for (size_t k = 0; k < recent_.size(); ++k) {
        recent_[k]->setText(QString::fromStdString(FileCommands::menuCaptionFor(names[k])));
        recent_[k]->setEnabled(!names[k].empty());
        recent_[k]->setVisible(!names[k].empty());
    }
}

void TMainForm::refreshTablesMenu() {
    TablesMenu::Lists lists = TablesMenu::Build(*ecu_);
    auto fill = [this](QMenu* m, const std::vector<TablesMenu::Item>& items) {
        m->clear();
        for (const auto& item : items) {
            QAction* a = m->addAction(literalCaption(item.caption));
            // The menu may stay open across a poll cycle that renumbers the tables.
            ElementRef table(*ecu_, item.element);
            connect(a, &QAction::triggered, this, [this, table] {
                int element = table.index(*ecu_);
                if (element >= 0)
                    openTableEditor(element);
            });
        }
        m->setEnabled(!items.empty());
    };
    fill(menu(QStringLiteral("3D Tables")), lists.tables3D);
    fill(menu(QStringLiteral("2D Tables")), lists.tables2D);
}

void TMainForm::refreshView() {
    RenderPage();
}

bool TMainForm::pageDrawable() const {
    return ecu_->LinkState != Link::Startup && ecu_->LinkState != Link::ReadCancelled;
}

void TMainForm::refreshPageList() {
    ChoiceList list;
    list.selected = currentPage_;
    ecu_->FillPageList(list);
    QSignalBlocker block(ECUPage);
    if (ECUPage->count() != static_cast<int>(list.items.size())) {
        ECUPage->clear();
        for (const auto& item : list.items)
            ECUPage->addItem(fromImageText(item));
    } else {
        for (int k = 0; k < ECUPage->count(); ++k) {
            QString text = fromImageText(list.items[static_cast<size_t>(k)]);
            if (ECUPage->itemText(k) != text)
                ECUPage->setItemText(k, text);
        }
    }
    ECUPage->setCurrentIndex(currentPage_);
}

void TMainForm::BuildSimpleSheets() {
    SimpleView->BuildSimpleSheets(SimpleSheets::PerColumnSetting(prefs_.read("MaxPerColumn")));
    QSignalBlocker block(ECUPageSimple);
    ECUPageSimple->clear();
    for (const auto& sheet : SimpleView->sheets().sheets)
        ECUPageSimple->addItem(fromImageText(sheet.caption));
    if (ECUPageSimple->count() == 0)
        ECUPageSimple->addItem(QStringLiteral("No Pages"));
    ECUPageSimple->setCurrentIndex(std::max(0, SimpleView->pageControl()->currentIndex()));
}

void TMainForm::RenderPage() {
    if (!advancedView())
        BuildSimpleSheets();
    DrawList list;
    renderer_.RenderPage(currentPage_, advancedView(), list);
    ElementView->execute(list);
    ElementView->backUp();
    refreshPageList();
    RenderOverlay();
    if (editor_ && advancedView()) {
        DrawList marks;
        editor_->selectionMarks(marks);
        ElementView->execute(marks);
    }
    monitorPageRendered();
}

void TMainForm::RenderOverlay() {
    // While a full read runs the canvas shows no page of the configuration arriving.
    int state = ecu_->LinkState;
    bool reading =
        state == Link::ReadingAll || state == Link::StartReadAll || state == Link::LostDuringRead;
    if (!advancedView() || !pageDrawable() || reading)
        return;
    DrawList list;
    renderer_.RenderOverlay(currentPage_, lastMouse_, list);
    ElementView->executeOverlay(list);
    // The drag ghosts go over the values; they are drawn only when they move.
    if (editor_) {
        DrawList ghosts;
        editor_->ghosts(ghosts);
        if (!ghosts.ops.empty())
            ElementView->execute(ghosts);
    }
}

void TMainForm::setCurrentPage(int page) {
    if (page < 0 || page >= Layout::kNumPages)
        return;
    if (page != currentPage_ && editor_)
        editor_->pageChanged();
    currentPage_ = page;
    if (pageDrawable())
        RenderPage();
    else
        refreshPageList();
    if (!advancedView())
        SimpleView->showPage(page);
    ScrollBox->horizontalScrollBar()->setValue(0);
    ScrollBox->verticalScrollBar()->setValue(0);
}

void TMainForm::pageChosen(int index) {
    // The selection of pointer editing is emptied with the page change.
    setCurrentPage(index < 0 ? 0 : index);
    ElementView->setFocus(Qt::OtherFocusReason);
}

bool TMainForm::advancedView() const {
    return AdvancedView->isChecked();
}

bool TMainForm::configLocked() const {
    return ConfigLock->isChecked();
}

void TMainForm::setAdvancedView(bool advanced) {
    AdvancedView->setChecked(advanced);
    viewSwitched(false);
}

void TMainForm::setConfigLocked(bool locked) {
    ConfigLock->setChecked(locked);
    lockClicked();
}

void TMainForm::applyStoredView() {
    AdvancedView->setChecked(prefs_.read("AdvancedView") == "Advanced");
    viewSwitched(true);
}

void TMainForm::updateEditCommands() {
    bool editable = advancedView() && !ConfigLock->isChecked();
    for (QAction* a : addButtons_)
        a->setEnabled(editable);
    action(QStringLiteral("Start Logging Configuration Changes"))->setEnabled(editable);
    action(QStringLiteral("Stop Logging Configuration Changes"))->setEnabled(editable);
}

void TMainForm::viewSwitched(bool atStartUp) {
    bool advanced = advancedView();
    prefs_.write("AdvancedView", advanced ? "Advanced" : "Simple");
    ConfigLock->setVisible(advanced);
    if (!advanced)
        ConfigLock->setChecked(true);
    updateEditCommands();
    if (TableEditor)
        TableEditor->setAdvancedView(advanced);
    ECUPage->setVisible(advanced);
    ECUPageSimple->setVisible(!advanced);
    ScrollBox->setVisible(advanced);
    SimpleView->setVisible(!advanced);
    (void)atStartUp; // the dial-gauge window, shown in the simple view, comes later
    monitorViewSwitched(atStartUp);
    if (pageDrawable()) {
        router_.invalidate(currentPage_);
        RenderPage();
    }
}

void TMainForm::lockClicked() {
    if (editor_ && ConfigLock->isChecked())
        editor_->setAddKind(0);
    LinkingHintLabel->clear();
    updateEditCommands();
}

void TMainForm::redrawTimerTimer() {
    if (!ecu_->ConstantsChanged)
        return;
    ecu_->ConstantsChanged = false;
    RenderPage();
    if (TableEditor->isVisible())
        TableEditor->RedrawAll();
}

PollContext TMainForm::pollContext() const {
    PollContext context;
    context.currentPage = currentPage_;
    context.advancedView = advancedView();
    context.flashingWindowVisible = FlashingForm && FlashingForm->isVisible();
    context.tableEditorVisible = TableEditor && TableEditor->isVisible();
    monitorPollContext(context);
    return context;
}

void TMainForm::PollTimerTimer() {
    // Not within a cycle (a question it asks) or an ECU job: one user of the link at a time.
    if (pollHeld())
        return;
    inPoll_ = true;
    // What the user changed is a step before the ECU's reports come in; values the
    // ECU learnt are no step of anyone's.
    checkpoint();
    followModel();
    engine_.PollCycle(pollContext());
    undo_->Absorb();
    // A full read may have replaced the configuration in this cycle.
    followModel();
    if (!ecu_->Simulating)
        RenderOverlay();
    AnaVoltsForm->pollCycle();
    TableEditor->PollHooks();
    monitorPollCycle();
    checklistPollCycle();
    updateModifiedMark();
    inPoll_ = false;
    linkPollCycle();
}

void TMainForm::OptimiseClick() {
    takeRestorePoint(RestorePoints::Reason::kOptimise);
    std::string message;
    recordStep("Optimise configuration",
               [&] { message = Optimisation::Optimise(*ecu_, ConfOptForm->balanced()); });
    // Element numbers changed: every window follows its elements.
    redrawWholeDiagram();
    messages_.information(message);
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // After the window is on the screen, so the hint has a parent to sit over, and
    // never over the progress of the start-up read.
    startHintPending_ = true;
    QTimer::singleShot(0, this, [this] { startHintsWhenReady(); });
}

void TMainForm::showSplashWindow() {
    // The connected ECU's version and serial number, when one is connected.
    bool known = ecu_->EcuPresent && ecu_->OnlineCapable;
    SplashForm->showSplash(known ? engine_.Labels().packageVersion : " ",
                           known ? ecu_->EcuSerial : " ");
}

void TMainForm::updateCaption() {
    setWindowTitle(QString::fromStdString(commands_.windowTitle(kTitle)));
    updateModifiedMark();
    action(QStringLiteral("Save"))->setEnabled(commands_.saveEnabled());
}

void TMainForm::updateModifiedMark() {
    // Edits set the model's flag from everywhere; the poll picks them up.
    setWindowModified(ecu_->Modified);
}

void TMainForm::configurationLoaded(bool fromDialog) {
    // A file read offline: wait for an ECU, then ask whether to load from or write to it.
    engine_.ConfigurationOpened();
    engine_.ClearLearnHistory();
    // Every window that showed the previous configuration is refilled or closed.
    followModel();
    if (fromDialog)
        SplashForm->hide();
}

void TMainForm::captionChanged() {
    updateCaption();
}

// ---------------------------------------------------------------- the link's views

void TMainForm::commandsChanged(const CommandAvailability& c) {
    enableCommand(QStringLiteral("Read from ECU"), c.readFromEcu);
    enableCommand(QStringLiteral("Write to ECU"), c.writeToEcu);
    enableCommand(QStringLiteral("ECU Ram Test"), c.ramTest);
    enableCommand(QStringLiteral("ECU Injector Test"), c.injectorTest);
    enableCommand(QStringLiteral("ECU Digital Input capacitor test"), c.digitalInputTest);
    enableCommand(QStringLiteral("Calibrate Analog"), c.calibrateAnalog);
    enableCommand(QStringLiteral("Retrieve Log from ECU"), c.retrieveLog);
    enableCommand(QStringLiteral("Stop Logging to Laptop/PC"), c.stopLogging);
    enableCommand(QStringLiteral("Save As ..."), c.saveAs);
    enableCommand(QStringLiteral("Go Online"), c.goOnline);
    enableCommand(QStringLiteral("Optimise Configuration"), c.optimise);
    enableCommand(QStringLiteral("Setup Wizard"), c.wizardAndScope);
    enableCommand(QStringLiteral("Scope ..."), c.wizardAndScope);
    enableCommand(QStringLiteral("Search for Element"), c.searchElement);
    enableCommand(QStringLiteral("Update Cosmetic Changes"), c.updateCosmetic);
}

void TMainForm::connectionStatusChanged(const std::string& text) {
    ConnectionStatus->setText(QString::fromStdString(text));
}

void TMainForm::showProgress(const ProgressView& view) {
    SplashForm->showProgress(view);
}

void TMainForm::hideProgress() {
    SplashForm->hide();
}

void TMainForm::showReconnect() {
    if (!ReconnectForm->isVisible())
        ReconnectForm->show();
}

void TMainForm::hideReconnect() {
    ReconnectForm->hide();
}

void TMainForm::showLoadOrWrite() {
    if (!LoadSaveOfflineForm->isVisible()) {
        LoadSaveOfflineForm->show();
        LoadSaveOfflineForm->raise();
    }
}

void TMainForm::hideLoadOrWrite() {
    LoadSaveOfflineForm->hide();
}

void TMainForm::tickLockLogic() {
    if (!ConfigLock->isChecked())
        setConfigLocked(true);
}

void TMainForm::learnHistoryLine(const std::string&) {
    LearnHistoryForm->setHistory(engine_.LearnHistory());
}

void TMainForm::learnHistoryCleared() {
    LearnHistoryForm->setHistory({});
}

void TMainForm::redrawLiveOverlay() {
    RenderOverlay();
}

void TMainForm::refreshTableEditor() {
    // Learnt cells arrived: the range and both views are read anew.
    TableEditor->editor().ComputeRange();
    TableEditor->RedrawAll();
}

void TMainForm::fullReadFinished() {
    takeRestorePoint(RestorePoints::Reason::kRead, RestorePoints::EcuOwner(ecu_->EcuSerial));
    updateCaption();
    // The configuration was replaced by the ECU's; the link is still in its reading
    // state, so the page is drawn here.
    followModel();
    RenderPage();
}

void TMainForm::labelsChanged(const EcuLabels& labels) {
    PropertiesForm->setLabels(labels);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Closing is abandoned when the user waits for the ECU to take unsent edits, or
    // wanted the changes saved and they were not.
    if (!mayCloseWithUnsentEdits()) {
        event->ignore();
        return;
    }
    if (commands_.canClose()) {
        monitorClosing();
        PollTimer->stop();
        // A normal close: nothing is left to recover.
        removeRecovery();
        event->accept();
    } else {
        event->ignore();
    }
}

// ---------------------------------------------------------------- diagram editing

void TMainForm::buildEditing() {
    EditorHost& host = *this;
    editor_ = std::make_unique<PointerEditor>(*ecu_, renderer_, router_, host);

    DialogServices services;
    services.renderPage = [this] { RenderPage(); };
    services.reroute = [this](int page) { router_.invalidate(page); };
    services.advancedView = [this] { return advancedView(); };
    services.advancedProps = [this] { return DisplayOptions::load(prefs_).advancedProperties; };
    CosmeticForm = new TCosmeticForm(
        *ecu_,
        [this](int oldPage, int newPage) {
            router_.invalidate(oldPage);
            router_.invalidate(newPage);
            RenderPage();
        },
        this);
    services.cosmetic = [this](int configAddress) { CosmeticForm->Execute(configAddress); };
    buildSetupDialogs(services);
    for (int type = 0; type < 256; ++type)
        if (dialogKindFor(type) == DialogKind::Properties)
            elementForms_[type] = new TElementForm(type, *ecu_, services, this);
    EditLinkForm = new TEditLinkForm(*ecu_, this);
    EditNameForm = new TEditNameForm(*ecu_, this);
    MoveToPageForm = new TMoveToPageForm(this);
    OutputLinksForm = new TOutputLinksForm(this);
    const TOptionForm::Option options[3] = {TOptionForm::Option::AdvancedProperties,
                                            TOptionForm::Option::ShowAllOutputs,
                                            TOptionForm::Option::ColumnSize};
    const char* const captions[3] = {"Advanced Element Properties", "Live Value Display",
                                     "Column size on each page/tabsheet"};
    for (size_t k = 0; k < 3; ++k) {
        optionForms_[k] = new TOptionForm(
            options[k], prefs_,
            [this, k] {
                applyDisplayOptions();
                if (k == 1)
                    RenderPage();
                if (k == 2 && !advancedView())
                    BuildSimpleSheets();
            },
            this);
        QString caption = QString::fromUtf8(captions[k]);
        action(caption)->setEnabled(true);
        onTriggered(caption, [this, k] {
            optionForms_[k]->load();
            optionForms_[k]->show();
            optionForms_[k]->raise();
        });
    }

    connect(ElementView, &DiagramCanvas::mousePressed, this, [this](QPoint p, Qt::MouseButton b) {
        if (b == Qt::LeftButton || b == Qt::RightButton)
            editor_->buttonDown(b == Qt::LeftButton ? MouseButton::Left : MouseButton::Right, p.x(),
                                p.y());
    });
    connect(ElementView, &DiagramCanvas::mouseReleased, this, [this](QPoint p, Qt::MouseButton b) {
        if (b == Qt::LeftButton || b == Qt::RightButton)
            editor_->buttonUp(b == Qt::LeftButton ? MouseButton::Left : MouseButton::Right, p.x(),
                              p.y());
    });
    connect(ElementView, &DiagramCanvas::keyPressed, this, [this](int key) {
        switch (key) {
        case Qt::Key_Up:
            editor_->key(PointerEditor::Key::Up);
            break;
        case Qt::Key_Down:
            editor_->key(PointerEditor::Key::Down);
            break;
        case Qt::Key_Left:
            editor_->key(PointerEditor::Key::Left);
            break;
        default:
            editor_->key(PointerEditor::Key::Right);
            break;
        }
    });

    ecu_->ChangeLogger = &changeLog_;
    onTriggered(QStringLiteral("Start Logging Configuration Changes"),
                [this] { startChangeLog(); });
    onTriggered(QStringLiteral("Stop Logging Configuration Changes"),
                [this] { changeLog_.stop(); });

    // The context menu.
    auto item = [this](const char* caption, const std::function<void()>& command) {
        QAction* a = action(QString::fromUtf8(caption));
        connect(a, &QAction::triggered, this, [command] { command(); });
    };
    item("View Element Properties", [this] { editor_->viewProperties(); });
    item("Rename Element", [this] { editor_->renameElement(); });
    item("Edit Link", [this] { editor_->editLink(); });
    // A command as one step named by the number of elements it made or removed.
    auto counted = [this](const char* verb, void (PointerEditor::*command)()) {
        return [this, verb, command] {
            recordStep([this, verb, command] {
                const int before = ecu_->NumElements;
                (editor_.get()->*command)();
                const int n = std::abs(ecu_->NumElements - before);
                return std::string(verb) + " " + std::to_string(n) +
                       (n == 1 ? " element" : " elements");
            });
        };
    };
    auto named = [this](const char* caption, void (PointerEditor::*command)()) {
        return [this, caption, command] {
            recordStep(caption, [this, command] { (editor_.get()->*command)(); });
        };
    };
    item("Delete Link", named("Delete link", &PointerEditor::deleteLink));
    item("Copy", [this] { editor_->copy(); });
    item("Cut", counted("Cut", &PointerEditor::cut));
    item("Paste", counted("Paste", &PointerEditor::paste));
    item("Delete Element/s", counted("Delete", &PointerEditor::deleteElements));
    item("Select All", [this] { editor_->selectAll(); });
    item("Page Properties", [this] { editor_->pageProperties(); });
    item("Rename Page", [this] { editor_->renamePage(); });
    item("Move All to Different Page", named("Move page", &PointerEditor::moveAll));
    item("Duplicate Page", counted("Duplicate page:", &PointerEditor::duplicatePage));
    item("Delete Page", counted("Delete page:", &PointerEditor::deletePage));
    action(QStringLiteral("Page Properties"))->setEnabled(true);
    for (int kind = 1; kind <= 21; ++kind) {
        QAction* create = action(QString::fromUtf8(kNewElementItems[kind - 1]));
        connect(create, &QAction::triggered, this, [this, kind, create] {
            recordStep("Create " + create->text().remove(QStringLiteral("New ")).toStdString(),
                       [this, kind] { editor_->createAtClickCell(kind); });
            editor_->clearSelection();
        });
        QAction* add = addButtons_.value(kind - 1);
        connect(add, &QAction::triggered, this, [this, kind] { editor_->setAddKind(kind); });
    }
}

void TMainForm::startChangeLog() {
    changeLog_.stop();
    auto file =
        dialogs_.askSaveFile("Log Changes to Configuration in a csv File",
                             "Comma Separated Values (*.csv)|*.csv|All Files (*.*)|*.*", "csv");
    std::string error;
    if (file && !changeLog_.startFile(*file, error))
        messages_.error(error);
}

void TMainForm::applyDisplayOptions() {
    DisplayOptions o = DisplayOptions::load(prefs_);
    ecu_->ShowAllOutputs = o.showAllOutputs;
    for (auto& [type, form] : elementForms_)
        form->applyAdvancedOption(o.advancedProperties);
}

TElementForm* TMainForm::elementForm(int type) const {
    auto it = elementForms_.find(type);
    return it == elementForms_.end() ? nullptr : it->second;
}

void TMainForm::openElementDialog(int element) {
    if (element < 0 || element >= ecu_->NumElements)
        return;
    int type = ecu_->TypeOf(element);
    switch (dialogKindFor(type)) {
    case DialogKind::Properties:
        elementForm(type)->Execute(element);
        RenderPage();
        break;
    case DialogKind::TableEditor:
        openTableEditor(element);
        break;
    case DialogKind::Dedicated:
        if (dedicatedDialogHook)
            dedicatedDialogHook(element);
        break;
    case DialogKind::None:
        break;
    }
}

void TMainForm::draw(const DrawList& list) {
    ElementView->execute(list);
}

void TMainForm::whiteOutBackup(int x, int y, int x2, int y2) {
    ElementView->fillBackup(x, y, x2, y2);
}

void TMainForm::openNameDialog(int slot) {
    EditNameForm->Execute(slot);
}

void TMainForm::openLinkDialog(int element, int input) {
    EditLinkForm->Execute(element, input, currentPage_);
}

void TMainForm::showLinkList(const std::string& caption, const std::vector<std::string>& lines) {
    QStringList list;
    for (const auto& line : lines)
        list << fromImageText(line);
    OutputLinksForm->showLines(fromImageText(caption), list);
}

std::optional<int> TMainForm::askMoveTarget(int page) {
    int target = MoveToPageForm->Execute(page);
    if (target < 0)
        return std::nullopt;
    return target;
}

std::string TMainForm::pageCaption(int page) const {
    return toImageText(ECUPage->itemText(page));
}

ScrollState TMainForm::scrollState() const {
    ScrollState s;
    s.width = ScrollBox->viewport()->width();
    s.height = ScrollBox->viewport()->height();
    s.h = ScrollBox->horizontalScrollBar()->value();
    s.v = ScrollBox->verticalScrollBar()->value();
    return s;
}

void TMainForm::scrollBy(int dx, int dy) {
    QScrollBar* h = ScrollBox->horizontalScrollBar();
    QScrollBar* v = ScrollBox->verticalScrollBar();
    h->setValue(h->value() + dx);
    v->setValue(v->value() + dy);
}

void TMainForm::setPointerCursor(PointerCursor cursor) {
    Qt::CursorShape shape = cursor == PointerCursor::Cross  ? Qt::CrossCursor
                            : cursor == PointerCursor::Hand ? Qt::PointingHandCursor
                                                            : Qt::ArrowCursor;
    if (ElementView->cursor().shape() != shape)
        ElementView->setCursor(shape);
}

void TMainForm::setHint(const std::string& hint) {
    LinkingHintLabel->setText(fromImageText(hint));
}

void TMainForm::setMenuStates(const EditorMenuStates& s) {
    auto set = [this](const char* caption, bool on) {
        action(QString::fromUtf8(caption))->setEnabled(on);
    };
    set("View Element Properties", s.viewProperties);
    set("Rename Element", s.renameElement);
    set("Edit Link", s.editLink);
    set("Delete Link", s.deleteLink);
    set("Copy", s.copy);
    set("Cut", s.cut);
    set("Paste", s.paste);
    set("Delete Element/s", s.deleteElements);
    set("Select All", s.selectAll);
    set("Rename Page", s.renamePage);
    set("Move All to Different Page", s.moveAll);
    set("Duplicate Page", s.duplicatePage);
    set("Delete Page", s.deletePage);
    for (const char* c : kNewElementItems)
        set(c, s.newItems);
}

void TMainForm::setUpNewTable(int element) {
    RunTableSetup(this, *ecu_, element);
    refreshTablesMenu();
}

void TMainForm::tableEditorMoved() {
    followModel();
}

// ---------------------------------------------------------------- dedicated functions

void TMainForm::buildSetupDialogs(const DialogServices& services) {
    InputsForm = new TInputsForm(*ecu_, services, this);
    IgnitionForm = new TIgnitionForm(*ecu_, services, this);
    InjectorsForm = new TInjectorsForm(*ecu_, services, this);
    AnalogueForm = new TAnalogueForm(*ecu_, services, this);
    AuxOutputsForm = new TAuxOutputsForm(*ecu_, services, this);
    GeneralForm = new TGeneralForm(*ecu_, services, this);
    PeriodAngleForm = new TPeriodAngleForm(this);
    dedicatedDialogHook = [this](int element) { openDedicatedDialog(element); };

    // The dedicated elements are always elements 0..5; the advanced view shows their page.
    struct Command {
        const char* caption;
        int page;
        int element;
        int type;
    };
    static const Command kCommands[] = {
        {"Inputs and Triggering", 1, 0, ElementType::Inputs},
        {"Ignition", 5, 4, ElementType::Ignition},
        {"Injectors", 4, 3, ElementType::Injectors},
        {"Aux Outputs", 3, 2, ElementType::AuxOutputs},
        {"General", 6, 5, ElementType::General},
        // The onboard log's channels and period are general functions.
        {"Onboard Logging Settings ...", 6, 5, ElementType::General},
    };
    for (const Command& c : kCommands) {
        QString caption = QString::fromUtf8(c.caption);
        action(caption)->setEnabled(true);
        onTriggered(caption, [this, c] {
            if (c.element >= ecu_->NumElements || ecu_->TypeOf(c.element) != c.type)
                return;
            if (advancedView())
                setCurrentPage(c.page);
            openDedicatedDialog(c.element);
        });
    }
    action(QStringLiteral("Aux Outputs on Spare Injector Outputs"))->setEnabled(true);
    onTriggered(QStringLiteral("Aux Outputs on Spare Injector Outputs"), [this] {
        for (int i = 0; i < ecu_->NumElements; ++i)
            if (ecu_->TypeOf(i) == ElementType::AuxOnInj) {
                openDedicatedDialog(i);
                return;
            }
        messages_.information("Your configuration doesn't have an 'Aux Outputs on Spare Injector "
                              "Outputs' Element block!");
    });
    action(QStringLiteral("Period Angle Offset Calculator"))->setEnabled(true);
    onTriggered(QStringLiteral("Period Angle Offset Calculator"), [this] {
        PeriodAngleForm->show();
        PeriodAngleForm->raise();
    });
}

void TMainForm::openDedicatedDialog(int element) {
    if (element < 0 || element >= ecu_->NumElements)
        return;
    switch (ecu_->TypeOf(element)) {
    case ElementType::Inputs:
        InputsForm->Open(element);
        break;
    case ElementType::Ignition:
        IgnitionForm->Open(element);
        break;
    case ElementType::Injectors:
        InjectorsForm->Open(element);
        break;
    case ElementType::AnalogueInputs:
        AnalogueForm->Open(element);
        break;
    case ElementType::AuxOutputs:
    case ElementType::AuxOnInj:
        AuxOutputsForm->Open(element);
        break;
    case ElementType::General:
        GeneralForm->Execute(element);
        break;
    default:
        break;
    }
}

} // namespace zolmar::gui
