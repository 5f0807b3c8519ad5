// The main window's part in the monitoring windows: the simulator, the gauges, the
// logs and the scope. Kept apart from the frame so each window's wiring is in one place.
#include "app/MainForm.h"

#include "app/EcuJobRunner.h"
#include "app/PageSelector.h"
#include "diagnostics/LogRetrieveForm.h"
#include "diagnostics/LogViewerForm.h"
#include "gauges/ConfigureGaugeForm.h"
#include "gauges/GaugesForm.h"
#include "gauges/RealGaugesForm.h"
#include "scope/ScopeForm.h"
#include "simulator/SimulatorForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QTimer>

namespace zolmar::gui {

namespace {

constexpr const char* kCsvFilter = "Comma Separated Values (*.csv)|*.csv|All Files (*.*)|*.*";

// A stored window coordinate, or the default when the value is missing or no number.
int storedCoordinate(Preferences& prefs, const char* name, int fallback) {
    bool ok = false;
    const int value = QString::fromStdString(prefs.read(name)).toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

void TMainForm::buildMonitorWindows() {
    SimulatorForm = new TSimulatorForm(*ecu_, simulator_, this);
    connect(SimulatorForm, &TSimulatorForm::controlChanged, this, [this] { RenderOverlay(); });
    connect(SimulatorForm, &TSimulatorForm::closed, this, [this] { simulatorClosed(); });
    onTriggered(QStringLiteral("Simulator"), [this] { SimulatorClick(); });

    SimulationTimer = new QTimer(this);
    SimulationTimer->setObjectName(QStringLiteral("SimulationTimer"));
    SimulationTimer->setInterval(sim::Simulator::kPassesPerTick);
    connect(SimulationTimer, &QTimer::timeout, this, &TMainForm::SimulationTimerTimer);
    SimulationTimer->start();

    GaugesForm = new TGaugesForm(*ecu_, this);
    onTriggered(QStringLiteral("Gauges ..."), [this] { GaugesClick(); });
    action(QStringLiteral("Gauges ..."))->setEnabled(true);

    // The dial window waits, hidden, at its remembered place.
    RealGaugesForm = new TRealGaugesForm(*ecu_, this);
    RealGaugesForm->setSmall(prefs_.read("SmallRealGauges") == "Small");
    int screenHeight = 768;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        screenHeight = screen->geometry().height();
    RealGaugesForm->move(
        storedCoordinate(prefs_, "RealGaugesLeft", 0),
        storedCoordinate(prefs_, "RealGaugesTop", screenHeight - RealGaugesForm->height() - 30));
    ConfigureGaugeForm = new TConfigureGaugeForm(*ecu_, messages_, this);
    connect(RealGaugesForm, &TRealGaugesForm::configureRequested, this, &TMainForm::configureDial);
    connect(ConfigureGaugeForm, &TConfigureGaugeForm::sizeChanged, this, [this](bool small) {
        prefs_.write("SmallRealGauges", small ? "Small" : "Big");
        RealGaugesForm->setSmall(small);
        RealGaugesForm->setUp();
    });
    connect(ConfigureGaugeForm, &TConfigureGaugeForm::configured, this,
            [this] { RealGaugesForm->setUp(); });

    onTriggered(QStringLiteral("Start Logging to Laptop/PC"), [this] { StartLogClick(); });
    action(QStringLiteral("Start Logging to Laptop/PC"))->setEnabled(true);
    onTriggered(QStringLiteral("Stop Logging to Laptop/PC"), [this] { StopLogClick(); });
    LogRetrieveForm = new TLogRetrieveProgBarForm(*ecu_, messages_, dialogs_, this);
    LogRetrieveForm->driver = [this] { return engine_.Driver(); };
    LogRetrieveForm->jobs = &jobRunner();
    connect(LogRetrieveForm, &TLogRetrieveProgBarForm::statusText, this,
            [this](const QString& text) { ConnectionStatus->setText(text); });
    // The link reports its status only when it changes, so it is put back here.
    connect(LogRetrieveForm, &TLogRetrieveProgBarForm::statusReleased, this, [this] {
        ConnectionStatus->setText(QString::fromStdString(engine_.ConnectionStatus()));
    });
    onTriggered(QStringLiteral("Retrieve Log from ECU"), [this] { RetrieveLogClick(); });

    LogViewerForm = new TLogViewerForm(*ecu_, messages_, this);
    // The correction a tuner confirms in the viewer is one undoable step.
    LogViewerForm->applyCorrection = [this](tECU& ecu, int element,
                                            const std::vector<diagnostics::VeCorrection>& cells) {
        int written = 0;
        const std::string caption =
            "VE correction from log in " + ecu.NameOf(Layout::kNumPages + element);
        recordStep(caption, [&] { written = diagnostics::ApplyVeCorrection(ecu, element, cells); });
        RenderPage();
        return written;
    };
    onTriggered(QStringLiteral("Log Viewer ..."), [this] {
        auto name = dialogs_.askOpenFile("Open Log", kCsvFilter);
        if (name)
            openLogViewer(*name);
    });
    action(QStringLiteral("Log Viewer ..."))->setEnabled(true);
    setAcceptDrops(true);

    ScopeForm = new TScopeForm(*ecu_, messages_, this);
    ScopeForm->driver = [this] { return engine_.Driver(); };
    onTriggered(QStringLiteral("Scope ..."), [this] {
        ScopeForm->show();
        ScopeForm->raise();
    });
}

void TMainForm::monitorViewSwitched(bool atStartUp) {
    // The simulator shows its values on the diagram, so it belongs to the advanced view.
    enableCommand(QStringLiteral("Simulator"), advancedView());
    if (atStartUp)
        return;
    if (advancedView())
        RealGaugesForm->hide();
    else
        RealGaugesForm->setUp();
}

void TMainForm::monitorPollContext(PollContext& context) const {
    context.dialGaugesVisible = RealGaugesForm->isVisible();
    context.logTransferActive = LogRetrieveForm->transferActive();
}

void TMainForm::monitorPollCycle() {
    // The poll cycle stands still while the onboard log is read.
    if (LogRetrieveForm->transferActive())
        return;
    if (pcLog_.Active()) {
        std::string error;
        const auto fresh = [this](long address) { return engine_.LiveWordReadThisCycle(address); };
        if (!pcLog_.WriteLine(*ecu_, logClock_->milliseconds(), fresh, error))
            messages_.error(error);
    }
    GaugesForm->refresh();
    ScopeForm->ScopeCycle();
}

void TMainForm::monitorPageRendered() {
    // Renamed or moved gauges show at once in an open list.
    if (GaugesForm->isVisible())
        GaugesForm->buildList();
    // Tables created, deleted or renamed show in the viewer's table list.
    if (LogViewerForm->isVisible())
        LogViewerForm->refillTables();
}

bool TMainForm::openLogViewer(const std::string& path) {
    return LogViewerForm->openLog(path);
}

namespace {

// The local log file a drop carries, or an empty text.
QString droppedLog(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() &&
            url.toLocalFile().endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
            return url.toLocalFile();
    return {};
}

} // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedLog(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QString path = droppedLog(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    openLogViewer(path.toStdString());
}

void TMainForm::monitorConfigurationLoaded() {
    LogViewerForm->refillTables();
    // The scope mirrors the settings of the configuration now open.
    ecu_->ScopeSettingsLoaded = false;
    ScopeForm->LoadScopeSettings();
}

void TMainForm::scopeLoadSettings() {
    ScopeForm->LoadScopeSettings();
}

void TMainForm::monitorClosing() {
    prefs_.write("RealGaugesLeft", std::to_string(RealGaugesForm->x()));
    prefs_.write("RealGaugesTop", std::to_string(RealGaugesForm->y()));
    pcLog_.Stop(*ecu_);
}

// ---------------------------------------------------------------- simulator

void TMainForm::SimulatorClick() {
    // Nothing to simulate before a configuration is shown, nor while one is arriving.
    const bool noPages = ECUPage->count() <= 1 && ECUPage->itemText(0) == QLatin1String("No Pages");
    if (noPages || !simulator_.Open(*ecu_))
        return;
    ConnectionStatus->setText(QString::fromStdString(engine_.ConnectionStatusText(false)));
    SimulatorForm->prepare();
    RenderPage();
    SimulatorForm->show();
    SimulatorForm->raise();
}

void TMainForm::SimulationTimerTimer() {
    if (simulator_.Tick(*ecu_) > 0)
        RenderOverlay();
}

void TMainForm::simulatorClosed() {
    simulator_.Close(*ecu_);
    ConnectionStatus->setText(QString::fromStdString(engine_.ConnectionStatusText(false)));
    RenderPage();
}

void TMainForm::hideSimulator() {
    // Going online has already ended the simulation.
    SimulatorForm->hide();
}

// ---------------------------------------------------------------- gauges

void TMainForm::GaugesClick() {
    GaugesForm->buildList();
    GaugesForm->refresh();
    GaugesForm->show();
    GaugesForm->raise();
    if (!advancedView())
        RealGaugesForm->setUp();
}

void TMainForm::configureDial(int slot) {
    ConfigureGaugeForm->prepare(slot, RealGaugesForm->dials().SlotAt(slot - 1).gauge,
                                RealGaugesForm->small());
    ConfigureGaugeForm->open();
}

// ---------------------------------------------------------------- logging

void TMainForm::StartLogClick() {
    if (pcLog_.Active())
        StopLogClick();
    auto name = dialogs_.askSaveFileAs("Save Datalog As...", kCsvFilter, "csv",
                                       diagnostics::DefaultLogFileName());
    if (!name)
        return;
    std::string error;
    if (!pcLog_.Start(*ecu_, *name, logClock_->milliseconds(), error))
        messages_.error(error);
    enableCommand(QStringLiteral("Stop Logging to Laptop/PC"), ecu_->LoggingToPc);
}

void TMainForm::StopLogClick() {
    pcLog_.Stop(*ecu_);
    enableCommand(QStringLiteral("Stop Logging to Laptop/PC"), false);
}

void TMainForm::RetrieveLogClick() {
    LogRetrieveForm->open();
}

} // namespace zolmar::gui
