#include "diagnostics/ChecksForm.h"

#include "app/QtPorts.h"

#include <QCheckBox>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace zolmar::gui {

using diagnostics::Checklist;
using Named = Checklist::Named;

namespace {

// Columns of the window: arrow, mark, step text, two readings, the OK buttons.
constexpr int kArrowX = 4;
constexpr int kMarkX = 26;
constexpr int kTextX = 50;
constexpr int kValueX = 370;
constexpr int kValue2X = 600;
constexpr int kOkX = 810;
constexpr int kRowHeight = 22;

QPixmap picture(Checklist::Mark mark) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (mark == Checklist::Mark::Tick) {
        p.setPen(QPen(QColor(0x10, 0x90, 0x20), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawPolyline(QPolygonF({{2.5, 8.5}, {6.5, 12.5}, {13.5, 3.5}}));
    } else {
        p.setPen(QPen(QColor(0xC8, 0x18, 0x18), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    }
    return pixmap;
}

QPixmap arrowPicture() {
    QPixmap pixmap(18, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x50, 0xC0));
    p.drawPolygon(QPolygonF({{1, 5}, {9, 5}, {9, 1}, {17, 8}, {9, 15}, {9, 11}, {1, 11}}));
    return pixmap;
}

QString qt(const std::string& text) {
    return fromImageText(text);
}

// The row of a step: the arrow's place, the controls a little above it.
int rowY(int step) {
    return Checklist::ArrowY(step) - 3;
}

} // namespace

TChecksForm::TChecksForm(tECU& ecu, QWidget* parent) : QDialog(parent), ecu_(ecu) {
    setObjectName(QStringLiteral("TChecksForm"));
    setWindowTitle(QStringLiteral("Setup Checklist"));
    setFixedSize(880, 500);
    text(QStringLiteral("Done?"), 14, 4);
    buildSteps();
    buildTimingRows();

    Arrow = new QLabel(this);
    Arrow->setObjectName(QStringLiteral("Arrow"));
    Arrow->setPixmap(arrowPicture());
    Arrow->resize(18, 16);
    Arrow->move(kArrowX, Checklist::ArrowY(1));

    auto warning = [this](const QString& caption, int x, int y) {
        QLabel* label = text(caption, x, y);
        label->setStyleSheet(QStringLiteral("color: #c81818; font-weight: bold"));
        label->hide();
        return label;
    };
    CoolantWarning = warning(QStringLiteral("Coolant Temp Too High"), kValue2X, rowY(5));
    RpmWarning = warning(QStringLiteral("RPM is Unstable"), kValue2X, rowY(10));
    IgnitionWarning = warning(QStringLiteral("Ignition Map contains potentially excessive values"),
                              kTextX, rowY(15) + 34);
    VeWarning = warning(QStringLiteral("3D VE table contains potentially unreasonable values"),
                        kTextX, rowY(15) + 56);

    WarningsTimer = new QTimer(this);
    WarningsTimer->setObjectName(QStringLiteral("WarningsTimer"));
    WarningsTimer->setInterval(50);
    connect(WarningsTimer, &QTimer::timeout, this, &TChecksForm::WarningsTimerTimer);
    ChecklistTimer = new QTimer(this);
    ChecklistTimer->setObjectName(QStringLiteral("ChecklistTimer"));
    ChecklistTimer->setInterval(200);
    connect(ChecklistTimer, &QTimer::timeout, this, &TChecksForm::ChecklistTimerTimer);
}

QLabel* TChecksForm::text(const QString& caption, int x, int y, int width) {
    auto* label = new QLabel(caption, this);
    label->move(x, y);
    label->resize(width > 0 ? width : label->sizeHint().width(), kRowHeight);
    return label;
}

QPushButton* TChecksForm::button(const QString& caption, int x, int y, int width) {
    auto* b = new QPushButton(caption, this);
    b->setGeometry(x, y, width, kRowHeight);
    // Enter must not toggle a step behind the user's back.
    b->setAutoDefault(false);
    return b;
}

QPushButton* TChecksForm::link(const QString& caption, int x, int y) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    b->setFlat(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(QStringLiteral("QPushButton { color: #1a4fc0; text-decoration: underline; "
                                    "border: none; padding: 0 2px; text-align: left }"
                                    "QPushButton:disabled { color: #a0a0a0 }"));
    b->setGeometry(x, y, b->sizeHint().width(), kRowHeight);
    return b;
}

void TChecksForm::buildSteps() {
    for (int step = 1; step <= Checklist::kSteps; ++step) {
        const bool marked = Checklist::HasManualMark(step) || (step >= 3 && step <= 6);
        if (marked) {
            auto* m = new QLabel(this);
            m->setObjectName(QStringLiteral("Mark%1").arg(step));
            m->setGeometry(kMarkX, Checklist::ArrowY(step), 16, 16);
            m->hide();
            markLabels_[static_cast<size_t>(step)] = m;
        }
        if (Checklist::HasOkButton(step)) {
            QPushButton* ok = button(QStringLiteral("OK"), kOkX, rowY(step), 56);
            ok->setObjectName(QStringLiteral("OkButton%1").arg(step));
            connect(ok, &QPushButton::clicked, this, [this, step] {
                Checklist::ToggleStep(ecu_, step);
                fill();
            });
            OkButton[static_cast<size_t>(step)] = ok;
        }
    }
    // A caption followed by links on one row.
    auto captionAndLinks = [this](int step, const QString& caption,
                                  std::initializer_list<QPushButton**> targets,
                                  std::initializer_list<const char*> captions) {
        QLabel* label = text(caption, kTextX, rowY(step));
        int x = label->geometry().right() + 1;
        auto target = targets.begin();
        for (const char* c : captions) {
            QPushButton* l = link(QString::fromUtf8(c), x, rowY(step));
            x = l->geometry().right() + 6;
            **target++ = l;
        }
    };
    captionAndLinks(1, QStringLiteral("Complete the "), {&WizardLink}, {"Setup Wizard."});
    captionAndLinks(2, QStringLiteral("Wire the q7700x loom into the vehicle. "), {&WiringLink},
                    {"Wiring Window"});
    connect(WizardLink, &QPushButton::clicked, this, [this] {
        if (openSetupWizard)
            openSetupWizard();
    });
    connect(WiringLink, &QPushButton::clicked, this, [this] {
        if (openWiring)
            openWiring();
    });

    text(QStringLiteral("Battery voltage 11V - 16V?"), kTextX, rowY(3));
    BatteryLabel = text(QString(), kValueX, rowY(3), 220);
    text(QStringLiteral("MAP reads about 100 kPa at 0 RPM?"), kTextX, rowY(4));
    MapLabel = text(QString(), kValueX, rowY(4), 220);
    text(QStringLiteral("Coolant Temp reads sensible value?"), kTextX, rowY(5));
    EctLabel = text(QString(), kValueX, rowY(5), 220);
    text(QStringLiteral("Air Temp reads a sensible value?"), kTextX, rowY(6));
    AirTempLabel = text(QString(), kValueX, rowY(6), 220);

    EnableTpsButton = button(QStringLiteral("Enable TPS Learning in Preparation for Next Step"),
                             kTextX, rowY(7), 310);
    TpsLearningLabel = text(QString(), kValueX, rowY(7), 220);
    text(QStringLiteral("Calibrate TPS (apply WOT for 2 sec)."), kTextX, rowY(8));
    TpsLabel = text(QString(), kValueX, rowY(8), 220);
    FinishTpsButton = button(QStringLiteral("OK  (Finished TPS learning)"), kValue2X, rowY(8), 200);
    DisableInjectorsButton = button(
        QStringLiteral("Disable Injectors in Preparation for Next Step"), kTextX, rowY(9), 310);
    InjectorsLabel = text(QString(), kValueX, rowY(9), 220);
    text(QStringLiteral("ECU detects 150-350 RPM when cranking."), kTextX, rowY(10));
    RpmLabel = text(QString(), kValueX, rowY(10), 220);
    ReEnableInjectorsButton = button(QStringLiteral("Re-Enable Injectors"), kTextX, rowY(11), 160);
    text(QStringLiteral("Start The Engine."), kTextX + 170, rowY(11));
    connect(EnableTpsButton, &QPushButton::clicked, this,
            [this] { afterSwitch(Checklist::EnableTpsLearning(ecu_)); });
    connect(FinishTpsButton, &QPushButton::clicked, this,
            [this] { afterSwitch(Checklist::FinishTpsLearning(ecu_)); });
    connect(DisableInjectorsButton, &QPushButton::clicked, this,
            [this] { afterSwitch(Checklist::DisableInjectors(ecu_)); });
    connect(ReEnableInjectorsButton, &QPushButton::clicked, this,
            [this] { afterSwitch(Checklist::ReEnableInjectors(ecu_)); });

    captionAndLinks(12, QStringLiteral("Setup Idle Control. "), {&BaseIdleLink}, {"Base Idle"});
    ElecLoadsLabel = text(QString(), kValueX, rowY(12), 220);
    IdleControlLabel = text(QString(), kValue2X, rowY(12), 200);
    captionAndLinks(13, QStringLiteral("Fuel and Ignition Tuning. "), {&VeLink, &IgnitionLink},
                    {"3D VE Table", "Ignition Timing"});
    FuelControlLabel = text(QString(), kValue2X, rowY(13), 200);
    captionAndLinks(14, QStringLiteral("Check Transient Throttle Response. "), {&MapPredictionLink},
                    {"MAP prediction"});
    text(QStringLiteral("Check Cranking when Hot and Cold."), kTextX, rowY(15));
    const std::pair<QPushButton*, Named> tables[] = {{BaseIdleLink, Named::BaseIdle},
                                                     {VeLink, Named::VeTable},
                                                     {IgnitionLink, Named::IgnitionMap},
                                                     {MapPredictionLink, Named::MapPrediction}};
    for (const auto& [l, which] : tables)
        connect(l, &QPushButton::clicked, this, [this, which] { openNamedTable(which); });
}

void TChecksForm::buildTimingRows() {
    // Between steps 10 and 11: setting the base timing with a timing light.
    const int hintY = rowY(10) + 24;
    const int controlsY = hintY + 24;
    text(QStringLiteral("With a timing light: tick Timing Lock, then step the Trigger Offset "
                        "until the light shows the Timing Lock Angle."),
         kTextX, hintY);
    TimingLockBox = new QCheckBox(QStringLiteral("Timing Lock"), this);
    TimingLockBox->setGeometry(kTextX, controlsY, 110, kRowHeight);
    connect(TimingLockBox, &QCheckBox::clicked, this,
            [this](bool ticked) { afterSwitch(Checklist::SetTimingLock(ecu_, ticked)); });

    auto angle = [this, controlsY](const QString& caption, int x, QLabel*& value, QPushButton*& up,
                                   QPushButton*& down, Named which) {
        QLabel* c = text(caption, x, controlsY);
        value = text(QString(), c->geometry().right() + 6, controlsY, 56);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int arrows = value->geometry().right() + 6;
        up = button(QStringLiteral("\u25B2"), arrows, controlsY, 24);
        down = button(QStringLiteral("\u25BC"), arrows + 26, controlsY, 24);
        connect(up, &QPushButton::clicked, this,
                [this, which] { afterSwitch(Checklist::NudgeAngle(ecu_, which, +1)); });
        connect(down, &QPushButton::clicked, this,
                [this, which] { afterSwitch(Checklist::NudgeAngle(ecu_, which, -1)); });
    };
    angle(QStringLiteral("Timing Lock Angle:"), kTextX + 130, LockAngleLabel, LockAngleUp,
          LockAngleDown, Named::TimingLockAngle);
    angle(QStringLiteral("Trigger Offset:"), kTextX + 440, OffsetLabel, OffsetUp, OffsetDown,
          Named::TriggerOffset);
}

void TChecksForm::setMark(int step, Mark mark) {
    QLabel* label = markLabels_[static_cast<size_t>(step)];
    marks_[static_cast<size_t>(step)] = mark;
    if (!label)
        return;
    if (mark == Mark::Hidden) {
        label->hide();
        return;
    }
    label->setPixmap(picture(mark));
    label->show();
}

void TChecksForm::resetReadings() {
    BatteryLabel->setText(QStringLiteral("Current Battery Voltage: "));
    MapLabel->setText(QStringLiteral("Current MAP (kPa): "));
    EctLabel->setText(QStringLiteral("Current ECT (degrees): "));
    AirTempLabel->setText(QStringLiteral("Current Air Temp (degrees): "));
    RpmLabel->setText(QStringLiteral("Current RPM: "));
    for (int step = 3; step <= 6; ++step)
        setMark(step, Mark::Hidden);
}

void TChecksForm::open() {
    checklist_.Open(ecu_);
    generation_ = ecu_.ConfigurationGeneration();
    resetReadings();
    ChecklistTimerTimer();
    WarningsTimerTimer();
    pollCycle();
    show();
    raise();
    activateWindow();
}

void TChecksForm::configurationReplaced() {
    if (!isVisible())
        return;
    // The readings and the RPM history were the other configuration's.
    generation_ = ecu_.ConfigurationGeneration();
    resetReadings();
    checklist_ = diagnostics::Checklist();
    ChecklistTimerTimer();
    WarningsTimerTimer();
}

void TChecksForm::fill() {
    for (int step = 1; step <= Checklist::kSteps; ++step)
        if (Checklist::HasManualMark(step))
            setMark(step, Checklist::Done(ecu_, step) ? Mark::Tick : Mark::Cross);
    const auto lock = Checklist::TimingLockTicked(ecu_);
    TimingLockBox->setEnabled(lock.has_value());
    TimingLockBox->setChecked(lock.value_or(false));
    LockAngleLabel->setText(qt(Checklist::AngleText(ecu_, Named::TimingLockAngle)));
    OffsetLabel->setText(qt(Checklist::AngleText(ecu_, Named::TriggerOffset)));

    // A feature whose element is missing is greyed out.
    auto has = [this](Named which) { return Checklist::Find(ecu_, which) >= 0; };
    const bool learn = has(Named::LearnTps);
    const bool injectors = has(Named::EnableInjectors);
    EnableTpsButton->setEnabled(learn);
    FinishTpsButton->setEnabled(learn);
    DisableInjectorsButton->setEnabled(injectors);
    ReEnableInjectorsButton->setEnabled(injectors);
    for (QPushButton* b : {LockAngleUp, LockAngleDown})
        b->setEnabled(has(Named::TimingLockAngle));
    for (QPushButton* b : {OffsetUp, OffsetDown})
        b->setEnabled(has(Named::TriggerOffset));
    BaseIdleLink->setEnabled(has(Named::BaseIdle));
    VeLink->setEnabled(has(Named::VeTable));
    IgnitionLink->setEnabled(has(Named::IgnitionMap));
    MapPredictionLink->setEnabled(has(Named::MapPrediction));
    WizardLink->setEnabled(Checklist::WizardLinkAvailable(ecu_.LinkState) && setupWizardAvailable &&
                           setupWizardAvailable());
}

void TChecksForm::afterSwitch(int element) {
    fill();
    if (element >= 0 && switched)
        switched();
}

void TChecksForm::openNamedTable(Named which) {
    const int element = Checklist::Find(ecu_, which);
    if (element >= 0 && openTable)
        openTable(element);
}

bool TChecksForm::followReplacement() {
    if (ecu_.ConfigurationGeneration() == generation_ || !isVisible())
        return false;
    configurationReplaced();
    return true;
}

void TChecksForm::pollCycle() {
    if (!isVisible())
        return;
    followReplacement();
    const Checklist::Readings r = Checklist::PollCycle(ecu_);
    if (r.live) {
        BatteryLabel->setText(qt(r.battery));
        RpmLabel->setText(qt(r.rpm));
        MapLabel->setText(qt(r.map));
        EctLabel->setText(qt(r.coolant));
        AirTempLabel->setText(qt(r.air));
    }
    for (int k = 0; k < 4; ++k)
        setMark(3 + k, r.marks[static_cast<size_t>(k)]);
    LockAngleLabel->setText(qt(r.timingLockAngle));
    OffsetLabel->setText(qt(r.triggerOffset));
    TpsLabel->setText(qt(r.tps));
    ElecLoadsLabel->setText(qt(r.elecLoads));
    IdleControlLabel->setText(qt(r.closedLoopIdle));
    FuelControlLabel->setText(qt(r.closedLoopFuel));
}

void TChecksForm::WarningsTimerTimer() {
    if (followReplacement())
        return;
    const Checklist::Warnings w = checklist_.WarningsTick(ecu_);
    auto show = [](QLabel* label, const std::optional<std::string>& text) {
        label->setVisible(text.has_value());
        if (text)
            label->setText(qt(*text));
    };
    show(InjectorsLabel, w.injectors);
    show(TpsLearningLabel, w.tpsLearning);
    CoolantWarning->setVisible(w.coolantTooHigh);
    RpmWarning->setVisible(w.rpmUnstable);
}

void TChecksForm::ChecklistTimerTimer() {
    if (followReplacement())
        return;
    const Checklist::TableChecks t = Checklist::CheckTables(ecu_);
    IgnitionWarning->setVisible(t.ignitionExcessive);
    VeWarning->setVisible(t.veUnreasonable);
    if (t.arrowStep > 0) {
        arrowStep_ = t.arrowStep;
        Arrow->move(kArrowX, Checklist::ArrowY(arrowStep_));
    }
    fill();
}

void TChecksForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    WarningsTimer->start();
    ChecklistTimer->start();
}

void TChecksForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    WarningsTimer->stop();
    ChecklistTimer->stop();
    Checklist::Close(ecu_);
}

} // namespace zolmar::gui
