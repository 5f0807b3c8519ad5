#include "app/MainForm.h"

#include "app/QtPorts.h"
#include "app/StartHints.h"
#include "app/ToolIcons.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

// The toolbar in order: hint, caption of its menu twin (empty when it has none
// yet), icon text. Buttons without a working command stay disabled.
struct ToolButton {
    const char* hint;
    const char* menuTwin;
    const char* iconText;
};

constexpr ToolButton kToolButtons[] = {
    {"New ECU configuration (Ctrl+N)", "New ...", "new"},
    {"Open ECU Configuration (Ctrl+O)", "Open ...", "open"},
    {"Save ECU configuration (Ctrl+S)", "Save", "save"},
    {"ECU Properties", "Properties ...", "i"},
    {"Read configuration from ECU", "Read from ECU", "R"},
    {"Write configuration to ECU", "Write to ECU", "W"},
    {"Show Live Gauges (F2)", "Gauges ...", "G"},
    {"Open Setup Checklist (F3)", "Setup Checklist ...", "\u2713"},
    {"Open Setup Wizard", "Setup Wizard", "Wz"},
    {"Run Simulator (F9)", "Simulator", "Sim"},
    {"Scope (F7)", "Scope ...", "~"},
    {"Show Wiring (F8)", "Wiring ...", "Pin"},
    {"Start Logging to Laptop/PC (Ctrl+L)", "Start Logging to Laptop/PC", "L+"},
    {"Stop Logging to Laptop/PC (Ctrl+K)", "Stop Logging to Laptop/PC", "L-"},
    {"Retrieve Internal Log from ECU (Ctrl+R)", "Retrieve Log from ECU", "Log"},
    {"Onboard Logging Settings", "Onboard Logging Settings ...", "Cfg"},
    {"Analogue Voltages (F11)", "Analogue Voltages", "V"},
};

// The push buttons that follow the icons.
constexpr const char* kPushButtons[] = {"Optimise", "Update Cosmetic", "Go Online"};

// The add-element buttons: hint and the picture's short text.
constexpr ToolButton kAddButtons[] = {
    {"Add a new Constant", "", "K"},
    {"Add a new 2D Table", "", "2D"},
    {"Add a new 3D Table", "", "3D"},
    {"Add a new Summer", "", "\u03a3"},
    {"Add a new Comparator", "", ">"},
    {"Add a new Multiplier", "", "\u00d7"},
    {"Add a new PID Controller", "", "PID"},
    {"Add a new Clipper", "", "Clp"},
    {"Add a new Switch", "", "Sw"},
    {"Add a new Tickbox", "", "\u2611"},
    {"Add a new 4-Way Multiplexer", "", "M4"},
    {"Add a new Timer", "", "T"},
    {"Add a new Delay", "", "Dly"},
    {"Add a new Latch", "", "Lt"},
    {"Add a new Gauge", "", "Ga"},
    {"Add a new Display", "", "Dsp"},
    {"Add a new Label", "", "Abc"},
    {"Add a new Stepper Motor Block", "", "Stp"},
    {"Add a new Wrapper", "", "Wr"},
    {"Add a new 'Aux Outputs On Inj Outputs' block", "", "IA"},
    {"Add a new 32-Way Multiplexer", "", "M32"},
};

} // namespace

QString helpFilePath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/q7700xHelp.html");
}

TMainForm::TMainForm(Messages& messages, Preferences& prefs, FileDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), messages_(messages), prefs_(prefs),
      ecu_(std::make_unique<tECU>(messages)), commands_(*ecu_, messages, prefs, dialogs, *this),
      renderer_(*ecu_, router_, metrics_) {
    setObjectName(QStringLiteral("TMainForm"));
    buildMenus();
    buildToolBar();
    buildTopPanel();
    updateCaption();

    // Start-up state: locked, every page to be routed, every live word shown.
    ecu_->LinkState = 0;
    router_.invalidateAll();
    std::fill(std::begin(ecu_->LiveWordLinked), std::end(ecu_->LiveWordLinked), 1);
    ecu_->TableEditElement = -1;
    ecu_->ShowAllOutputs = prefs_.read("ShowUnusedLiveVals") == "DoShow";

    RedrawTimer = new QTimer(this);
    RedrawTimer->setObjectName(QStringLiteral("RedrawTimer"));
    RedrawTimer->setInterval(500);
    connect(RedrawTimer, &QTimer::timeout, this, &TMainForm::redrawTimerTimer);
    RedrawTimer->start();

    applyStoredView();
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

void TMainForm::buildMenus() {
    auto addMenu = [this](const QString& title) {
        QMenu* m = menuBar()->addMenu(title);
        menus_.insert(title, m);
        return m;
    };

    QMenu* file = addMenu(QStringLiteral("File"));
    addItem(file, QStringLiteral("New ..."), QKeySequence(Qt::CTRL | Qt::Key_N));
    auto* open =
        addItem(file, QStringLiteral("Open ..."), QKeySequence(Qt::CTRL | Qt::Key_O), true);
    auto* save = addItem(file, QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    auto* saveAs =
        addItem(file, QStringLiteral("Save As ..."), QKeySequence(Qt::CTRL | Qt::Key_A), true);
    addItem(file, QStringLiteral("Import/Merge Configuration"));
    addItem(file, QStringLiteral("Properties ..."));
    for (size_t k = 0; k < recent_.size(); ++k) {
        recent_[k] = file->addAction(QString());
        recent_[k]->setObjectName(QStringLiteral("RecentItem%1").arg(k + 1));
        connect(recent_[k], &QAction::triggered, this, [this, k] {
            commands_.openRecent(recent_[k]->text().toStdString());
            refreshRecentItems();
        });
    }
    auto* exitItem =
        addItem(file, QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q), true);
    connect(file, &QMenu::aboutToShow, this, &TMainForm::refreshRecentItems);
    connect(open, &QAction::triggered, this, [this] { commands_.open(); });
    connect(save, &QAction::triggered, this, [this] { commands_.save(); });
    connect(saveAs, &QAction::triggered, this, [this] { commands_.saveAs(); });
    connect(exitItem, &QAction::triggered, this, &QWidget::close);

    QMenu* sync = addMenu(QStringLiteral("ECU Config / Settings Synchronisation"));
    for (const char* c : {"Go Online", "Update Cosmetic Changes", "Read from ECU", "Write to ECU",
                          "Optimise Configuration", "Setup Wizard"})
        addItem(sync, QString::fromUtf8(c));

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
    addItem(maps, QStringLiteral("Map/Table Options"));

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
    addItem(logging, QStringLiteral("Onboard Logging Settings ..."));

    QMenu* advanced = addMenu(QStringLiteral("Advanced"));
    for (const char* c : {"View Learn History", "Export Constant Data to csv",
                          "Period Angle Offset Calculator", "Start Logging Configuration Changes",
                          "Stop Logging Configuration Changes", "ECU Ram Test", "ECU Injector Test",
                          "ECU Digital Input capacitor test", "Calibrate Analog"})
        addItem(advanced, QString::fromUtf8(c));

    QMenu* firmware = addMenu(QStringLiteral("Firmware"));
    addItem(firmware, QStringLiteral("Upgrade Package/Firmware"));

    QMenu* settings = addMenu(QStringLiteral("Settings"));
    for (const char* c :
         {"Startup Hints", "Configuration Optimisation", "Advanced Element Properties",
          "Live Value Display", "Column size on each page/tabsheet"})
        addItem(settings, QString::fromUtf8(c));
    QAction* hints = action(QStringLiteral("Startup Hints"));
    hints->setEnabled(true);
    connect(hints, &QAction::triggered, this,
            [this] { StartHints::showFromMenu(prefs_, messages_); });

    QMenu* help = addMenu(QStringLiteral("Help"));
    addItem(help, QStringLiteral("About"));
    auto* manual =
        addItem(help, QStringLiteral("Help / User Manual"), QKeySequence(Qt::Key_F1), true);
    connect(manual, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl::fromLocalFile(helpFilePath())); });
    addItem(help, QStringLiteral("On-line forum"));
}

void TMainForm::buildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Tools"));
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(22, 22));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);

    auto addButton = [this](const ToolButton& b) {
        QAction* twin = b.menuTwin[0] ? actions_.value(QString::fromUtf8(b.menuTwin)) : nullptr;
        auto* a = toolBar_->addAction(toolIcon(QString::fromUtf8(b.iconText)), QString());
        a->setToolTip(QString::fromUtf8(b.hint));
        a->setEnabled(twin && twin->isEnabled());
        if (twin) {
            connect(a, &QAction::triggered, twin, &QAction::trigger);
            connect(twin, &QAction::changed, a, [a, twin] { a->setEnabled(twin->isEnabled()); });
        }
        actions_.insert(QString::fromUtf8(b.hint), a);
    };
    for (const auto& b : kToolButtons)
        addButton(b);
    toolBar_->addSeparator();
    for (const char* caption : kPushButtons) {
        auto* a = toolBar_->addAction(QString::fromUtf8(caption));
        a->setEnabled(false);
        actions_.insert(QString::fromUtf8(caption), a);
    }
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
    ECUPage = new QComboBox(central);
    ECUPage->setObjectName(QStringLiteral("ECUPage"));
    ECUPage->setMaxVisibleItems(30);
    ECUPage->setMinimumContentsLength(32);
    ECUPage->addItem(QStringLiteral("No Pages"));
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
        RenderOverlay();
    });
    ScrollBox->setWidget(ElementView);
    ScrollBox->horizontalScrollBar()->setSingleStep(Grid::kCell);
    ScrollBox->verticalScrollBar()->setSingleStep(Grid::kCell);
    column->addWidget(ScrollBox, 1);
    setCentralWidget(central);
}

void TMainForm::refreshRecentItems() {
    auto names = commands_.recent().items();
    for (size_t k = 0; k < recent_.size(); ++k) {
        recent_[k]->setText(QString::fromStdString(FileCommands::menuCaptionFor(names[k])));
        recent_[k]->setEnabled(!names[k].empty());
        recent_[k]->setVisible(!names[k].empty());
    }
}

void TMainForm::refreshView() {
    RenderPage();
}

void TMainForm::RenderPage() {
    DrawList list;
    renderer_.RenderPage(currentPage_, advancedView(), list);
    ElementView->execute(list);
    ElementView->backUp();
    RenderOverlay();
}

void TMainForm::RenderOverlay() {
    if (!advancedView())
        return;
    DrawList list;
    renderer_.RenderOverlay(currentPage_, lastMouse_, list);
    ElementView->execute(list);
}

void TMainForm::setCurrentPage(int page) {
    if (page < 0 || page >= Layout::kNumPages)
        return;
    currentPage_ = page;
    if (ecu_->LinkState != 0 && ecu_->LinkState != 13)
        RenderPage();
    ScrollBox->horizontalScrollBar()->setValue(0);
    ScrollBox->verticalScrollBar()->setValue(0);
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

void TMainForm::viewSwitched(bool atStartUp) {
    bool advanced = advancedView();
    prefs_.write("AdvancedView", advanced ? "Advanced" : "Simple");
    ConfigLock->setVisible(advanced);
    if (!advanced)
        ConfigLock->setChecked(true);
    bool editable = advanced && !ConfigLock->isChecked();
    for (QAction* a : addButtons_)
        a->setEnabled(editable);
    action(QStringLiteral("Start Logging Configuration Changes"))->setEnabled(editable);
    action(QStringLiteral("Stop Logging Configuration Changes"))->setEnabled(editable);
    ECUPage->setVisible(advanced);
    ECUPageSimple->setVisible(!advanced);
    (void)atStartUp;
    if (ecu_->LinkState != 0 && ecu_->LinkState != 13) {
        router_.invalidate(currentPage_);
        RenderPage();
    }
}

void TMainForm::lockClicked() {
    LinkingHintLabel->clear();
    bool editable = advancedView() && !ConfigLock->isChecked();
    for (QAction* a : addButtons_)
        a->setEnabled(editable);
    action(QStringLiteral("Start Logging Configuration Changes"))->setEnabled(editable);
    action(QStringLiteral("Stop Logging Configuration Changes"))->setEnabled(editable);
}

void TMainForm::redrawTimerTimer() {
    if (!ecu_->ConstantsChanged)
        return;
    ecu_->ConstantsChanged = false;
    RenderPage();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // After the window is on the screen, so the hint has a parent to sit over.
    QTimer::singleShot(0, this, [this] { StartHints::show(prefs_, messages_); });
}

void TMainForm::updateCaption() {
    setWindowTitle(QString::fromStdString(commands_.caption(kTitle)));
    action(QStringLiteral("Save"))->setEnabled(commands_.saveEnabled());
}

void TMainForm::configurationLoaded(bool) {
    // A file read offline: wait for an ECU, then ask whether to load from or write to it.
    ecu_->LinkState = 12;
    router_.invalidateAll();
    RenderPage();
}

void TMainForm::captionChanged() {
    updateCaption();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Closing is abandoned when the user wanted the changes saved and they were not.
    if (commands_.canClose())
        event->accept();
    else
        event->ignore();
}

} // namespace zolmar::gui
