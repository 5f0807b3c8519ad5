#include "setup/SetupWizardForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"
#include "dialogs/TIASciEdit.h"
#include "setup/WizardScript.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

using C = WizardControl;

constexpr const char* kFinishHint =
    "Confirms and Applies the settings from this Wizard to the ECU configuration!";

QGridLayout* grid(QWidget* page) {
    auto* g = new QGridLayout(page);
    g->setColumnStretch(10, 1);
    g->setVerticalSpacing(4);
    return g;
}

void finishGrid(QGridLayout* g) {
    g->setRowStretch(g->rowCount(), 1);
}

} // namespace

TSetupWizard::TSetupWizard(tECU& ecu, Messages& messages, QWidget* parent)
    : QDialog(parent), ecu_(ecu), messages_(messages), wizard_(ecu) {
    setObjectName(QStringLiteral("TSetupWizard"));
    setWindowTitle(QStringLiteral("Startup ECU Configuration"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    Tabs = new QTabWidget(this);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    Tabs->addTab(buildBasic(), QStringLiteral("Basic"));
    Tabs->addTab(buildTuning(), QStringLiteral("Tuning"));
    Tabs->addTab(buildIgnition(), QStringLiteral("Ignition/Injection"));
    Tabs->addTab(buildOutputs(), QStringLiteral("Outputs"));
    column->addWidget(Tabs);

    auto* buttons = new QHBoxLayout();
    auto button = [this, buttons](const QString& caption, const QString& name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    PrevButton = button(QStringLiteral("< Prev"), QStringLiteral("PrevButton"));
    NextButton = button(QStringLiteral("Next >"), QStringLiteral("NextButton"));
    buttons->addStretch(1);
    FinishButton = button(QStringLiteral("Finish"), QStringLiteral("FinishButton"));
    FinishButton->setDefault(true);
    FinishButton->setToolTip(QString::fromUtf8(kFinishHint));
    CancelButton = button(QStringLiteral("Cancel"), QStringLiteral("CancelButton"));
    column->addLayout(buttons);

    connect(PrevButton, &QPushButton::clicked, this,
            [this] { Tabs->setCurrentIndex(Tabs->currentIndex() - 1); });
    connect(NextButton, &QPushButton::clicked, this,
            [this] { Tabs->setCurrentIndex(Tabs->currentIndex() + 1); });
    connect(Tabs, &QTabWidget::currentChanged, this, &TSetupWizard::showTabButtons);
    connect(FinishButton, &QPushButton::clicked, this, &TSetupWizard::FinishButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TSetupWizard::CancelButtonClick);
    showTabButtons();
}

QLabel* TSetupWizard::hint(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setMinimumWidth(90);
    return label;
}

QWidget* TSetupWizard::makeControl(WizardControl c, QWidget* parent) {
    const WizardControlInfo& info = controlInfo(c);
    QWidget* w = nullptr;
    if (info.type == WizardControlInfo::List) {
        auto* box = new QComboBox(parent);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        connect(box, &QComboBox::currentIndexChanged, this,
                [this, c](int index) { changed(c, index); });
        w = box;
    } else if (info.type == WizardControlInfo::Number) {
        auto* spin = new QSpinBox(parent);
        spin->setRange(info.minimum, info.maximum);
        // The numbers move in the steps an installer thinks in.
        static const std::pair<C, int> kSteps[] = {
            {C::EngineCap, 20},  {C::InjSize, 20},     {C::InjSize2, 20},   {C::MaxBoost, 10},
            {C::MaxRPM, 100},    {C::HotIdle, 50},     {C::ExtraCold, 50},  {C::ExtraElec1, 50},
            {C::ExtraElec2, 50}, {C::ExtraPSPrpm, 50}, {C::ExtraACrpm, 50}, {C::DwellTime, 500}};
        for (const auto& [control, step] : kSteps)
            if (control == c)
                spin->setSingleStep(step);
        spin->setKeyboardTracking(false);
        spin->setMinimumWidth(80);
        connect(spin, &QSpinBox::valueChanged, this, [this, c](int value) { changed(c, value); });
        w = spin;
    } else {
        auto* box = new QCheckBox(parent);
        connect(box, &QCheckBox::toggled, this, [this, c](bool on) { changed(c, on ? 1 : 0); });
        w = box;
    }
    w->setObjectName(QString::fromUtf8(info.name));
    controls_[static_cast<size_t>(c)] = w;
    return w;
}

void TSetupWizard::addRow(QGridLayout* g, int row, const QString& caption, WizardControl c,
                          QLabel* after, int column) {
    QWidget* page = g->parentWidget();
    g->addWidget(new QLabel(caption, page), row, column);
    auto* line = new QHBoxLayout();
    line->addWidget(makeControl(c, page));
    if (after)
        line->addWidget(after);
    line->addStretch(1);
    g->addLayout(line, row, column + 1);
}

void TSetupWizard::addRows(QGridLayout* g, int first, std::initializer_list<Row> rows) {
    int row = first;
    for (const Row& r : rows)
        addRow(g, row++, QString::fromUtf8(r.caption), r.control, r.after);
}

QWidget* TSetupWizard::buildBasic() {
    auto* page = new QWidget(this);
    QGridLayout* g = grid(page);
    SetDefaultsButton = new QPushButton(
        QStringLiteral("Set Defaults for this Engine/Vehicle\n(existing values in this wizard "
                       "will be replaced!)"),
        page);
    SetDefaultsButton->setObjectName(QStringLiteral("SetDefaultsButton"));
    SetDefaultsButton->setAutoDefault(false);
    connect(SetDefaultsButton, &QPushButton::clicked, this, &TSetupWizard::SetDefaultsButtonClick);
    g->addWidget(SetDefaultsButton, 0, 2, 2, 1, Qt::AlignTop);
    CapacityHint = hint(page, QStringLiteral("CapacityHint"));
    InjectorHint = hint(page, QStringLiteral("InjectorHint"));
    InjectorHint2 = hint(page, QStringLiteral("InjectorHint2"));
    BoostHint = hint(page, QStringLiteral("BoostHint"));
    addRows(g, 0,
            {{"Manufacturer:", C::Manufacturer},
             {"Engine / Vehicle:", C::EngineType},
             {"Engine Capacity (cc):", C::EngineCap, CapacityHint},
             {"Injector Size (cc/min):", C::InjSize, InjectorHint},
             {"Secondary Injector Size (cc/min, 0 = none):", C::InjSize2, InjectorHint2},
             {"Maximum Boost (kPa, 0 = naturally aspirated):", C::MaxBoost, BoostHint},
             {"Redline (RPM):", C::MaxRPM},
             {"MAP Sensor:", C::MAPsensorType},
             {"Coolant Temperature Sensor:", C::CoolantTemp},
             {"Air Temperature Sensor:", C::AirTemp},
             {"Oxygen Sensor:", C::O2Sensor},
             {"1st Serial Port:", C::WidebandSensor},
             {"2nd Serial Port:", C::WidebandSensor2},
             {"Vehicle Speed Sensors:", C::VSSSelect}});
    finishGrid(g);
    return page;
}

QWidget* TSetupWizard::buildTuning() {
    auto* page = new QWidget(this);
    QGridLayout* g = grid(page);
    PWMprdHint = hint(page, QStringLiteral("PWMprdHint"));
    auto* note = new QLabel(QStringLiteral("(Requires an external driver board, connected to Aux "
                                           "Outputs 1 and 6)."),
                            page);
    addRows(g, 0,
            {{"VE Map 1 Load Axis:", C::VEMode},
             {"VE Map 2 Load Axis:", C::SecondMap},
             {"Ignition Map Load Axis:", C::IgnMode},
             {"Target AFR Load Axis:", C::TargetAFR},
             {"Idle Controller:", C::IdleController},
             {"Warm Idle (RPM):", C::HotIdle},
             {"Extra Idle when Cold (RPM):", C::ExtraCold},
             {"Extra Idle for Electrical Load 1 (RPM):", C::ExtraElec1},
             {"Extra Idle for Electrical Load 2 (RPM):", C::ExtraElec2},
             {"Extra Idle for Power Steering (RPM):", C::ExtraPSPrpm},
             {"Extra Idle for Air Conditioner (RPM):", C::ExtraACrpm},
             {"Idle Valve PWM Period (ms):", C::PWMperiodms, PWMprdHint},
             {"Idle Stepper Motor Steps:", C::IdleStepCount},
             {"Drive-By-Wire Throttle:", C::DBWtickbox, note}});
    finishGrid(g);
    return page;
}

QWidget* TSetupWizard::buildIgnition() {
    auto* page = new QWidget(this);
    QGridLayout* g = grid(page);
    OddFireLabel = hint(page, QStringLiteral("OddFireLabel"));
    OddFireLabel->setText(QStringLiteral("Odd-Fire selected!"));
    OddFireLabel->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold"));
    addRows(
        g, 0,
        {{"Engine Type:", C::PistonOrRotary},
         {"Number of Cylinders:", C::NumCylinders},
         {"Number of Rotors:", C::NumRotors},
         {"Ignition Arrangement:", C::IgnArrangement},
         {"Firing Order:", C::FiringOrder},
         {"Dwell Time (\u00b5s):", C::DwellTime},
         {"Trigger Offset (Crank\u00b0):", C::TrigOffset},
         {"Odd-Fire Angle (Crank\u00b0, cylinder 1 to the next):", C::OddfireAngle, OddFireLabel}});
    ImportantInfoLabel = hint(page, QStringLiteral("ImportantInfoLabel"));
    ImportantInfoLabel->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold"));
    g->addWidget(ImportantInfoLabel, 8, 0, 1, 3);

    // The wiring the answers give, beside the engine's answers.
    auto* box = new QGroupBox(QStringLiteral("Wiring"), page);
    auto* wiring = new QGridLayout(box);
    wiring->setVerticalSpacing(2);
    // Ignition outputs 1..8, a gap, then injector outputs 1..12.
    for (int row = 0; row < 21; ++row) {
        if (row == 8)
            continue;
        const bool ignition = row < 8;
        const int k = ignition ? row + 1 : row - 8;
        wiring->addWidget(
            new QLabel(QStringLiteral("Wire %1 Output %2 to")
                           .arg(ignition ? QStringLiteral("Ignition") : QStringLiteral("Injector"))
                           .arg(k),
                       box),
            row, 0);
        QLabel* label = hint(box, QStringLiteral("%1%2WireLabel")
                                      .arg(ignition ? QStringLiteral("Ign") : QStringLiteral("Inj"))
                                      .arg(k));
        (ignition ? ignWire_[static_cast<size_t>(k - 1)] : injWire_[static_cast<size_t>(k - 1)]) =
            label;
        wiring->addWidget(label, row, 1);
    }
    wiring->setRowMinimumHeight(8, 8);
    wiring->setColumnMinimumWidth(1, 230);
    g->addWidget(box, 0, 3, 22, 1, Qt::AlignTop);
    g->setColumnMinimumWidth(2, 20);
    finishGrid(g);
    return page;
}

QWidget* TSetupWizard::buildOutputs() {
    auto* page = new QWidget(this);
    QGridLayout* g = grid(page);
    for (int t = 0; t < WizardAnswers::kThresholds; ++t) {
        const bool aux = t < 8;
        const int output = aux ? t + 1 : t - 3;
        addRow(g, t,
               aux ? QStringLiteral("Aux Output %1:").arg(output)
                   : QStringLiteral("Injector Output %1:").arg(output),
               aux ? auxFunc(output) : injFunc(output));
        auto* edit = new TIASciEdit(messages_, page);
        edit->setObjectName(QString::fromStdString(WizardScript::thresholdControlName(t)));
        NumericEntry& e = edit->entry();
        e.SciFloatPointType = iasdptDecimalSeparatorOnly;
        e.SciNFixedAllDigits = 1;
        edit->setMaximumWidth(80);
        connect(edit, &TIASciEdit::numberChanged, this, [this, t] { thresholdTyped(t); });
        // What cannot be stored is refused: the field shows the answer again.
        connect(edit, &TIASciEdit::notNumber, this, &TSetupWizard::fill);
        connect(edit, &TIASciEdit::outOfBounds, this, &TSetupWizard::fill);
        thresholds_[static_cast<size_t>(t)] = edit;
        g->addWidget(edit, t, 2);
        units_[static_cast<size_t>(t)] = hint(page, aux ? QStringLiteral("AuxHint%1").arg(output)
                                                        : QStringLiteral("InjHint%1").arg(output));
        g->addWidget(units_[static_cast<size_t>(t)], t, 3);
    }
    finishGrid(g);
    return page;
}

void TSetupWizard::showTabButtons() {
    PrevButton->setVisible(Tabs->currentIndex() > 0);
    NextButton->setVisible(Tabs->currentIndex() < Tabs->count() - 1);
}

int TSetupWizard::Execute(int tab) {
    wizard_.open();
    fill();
    Tabs->setCurrentIndex(tab >= 0 && tab < kTabs ? tab : 0);
    return exec();
}

void TSetupWizard::configurationReplaced() {
    wizard_.configurationReplaced();
    if (isVisible())
        fill();
}

void TSetupWizard::changed(WizardControl c, int value) {
    if (filling_)
        return;
    wizard_.set(c, value);
    fill();
}

void TSetupWizard::thresholdTyped(int field) {
    TIASciEdit* edit = thresholds_[static_cast<size_t>(field)];
    if (filling_ || edit->entry().SettingDefault())
        return;
    wizard_.setThreshold(field, edit->entry().SciFloatValue());
    fill();
}

void TSetupWizard::fill() {
    filling_ = true;
    const WizardAnswers& a = wizard_.answers();
    const WizardView v = wizard_.view();
    for (int i = 0; i < static_cast<int>(C::Count); ++i) {
        const auto c = static_cast<C>(i);
        QWidget* w = controls_[static_cast<size_t>(i)];
        const QSignalBlocker block(w);
        const int value = a.field(c);
        if (auto* box = qobject_cast<QComboBox*>(w)) {
            const QStringList items = listOf(wizard_.entries(c));
            QStringList shown;
            for (int k = 0; k < box->count(); ++k)
                shown << box->itemText(k);
            if (shown != items) {
                box->clear();
                box->addItems(items);
            }
            box->setCurrentIndex(value < box->count() ? value : -1);
        } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
            spin->setValue(value);
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            check->setChecked(value != 0);
        }
        w->setEnabled(v.enabled(c));
    }
    CapacityHint->setText(fromImageText(v.capacityHint));
    BoostHint->setText(fromImageText(v.boostHint));
    InjectorHint->setText(fromImageText(v.injectorHint));
    InjectorHint2->setText(fromImageText(v.injectorHint2));
    PWMprdHint->setText(fromImageText(v.pwmHint));
    PWMprdHint->setVisible(v.pwmHintVisible);
    OddFireLabel->setVisible(v.oddFireLabelVisible);
    ImportantInfoLabel->setText(fromImageText(v.importantInfo));
    for (size_t k = 0; k < ignWire_.size(); ++k) {
        ignWire_[k]->setText(fromImageText(v.ignitionWiring[k]));
        ignWire_[k]->setVisible(v.wiringVisible);
    }
    for (size_t k = 0; k < injWire_.size(); ++k) {
        injWire_[k]->setText(fromImageText(v.injectorWiring[k]));
        injWire_[k]->setVisible(v.wiringVisible);
    }
    for (size_t t = 0; t < thresholds_.size(); ++t) {
        const WizardView::Threshold& field = v.thresholds[t];
        NumericEntry& e = thresholds_[t]->entry();
        e.SciFloatMin = field.minimum;
        e.SciFloatMax = field.maximum;
        e.SciNFixedPrecitionDigits = static_cast<uint8_t>(field.decimals);
        e.ShowValue(a.threshold[t]);
        thresholds_[t]->setVisible(field.visible);
        units_[t]->setText(fromImageText(field.unit));
        units_[t]->setVisible(field.visible);
    }
    filling_ = false;
}

void TSetupWizard::SetDefaultsButtonClick() {
    wizard_.setDefaults();
    fill();
}

void TSetupWizard::FinishButtonClick() {
    if (beforeFinish)
        beforeFinish();
    const WizardResult result = wizard_.finish();
    if (!result.applied) {
        messages_.error("Another configuration was loaded while this wizard was open, so "
                        "nothing was written. The wizard now shows the loaded configuration.");
        fill();
        return;
    }
    if (!result.missing.empty())
        messages_.show(Messages::Kind::Warning, result.warning(), Messages::Buttons::Ok);
    accept();
    if (onFinished)
        onFinished();
}

void TSetupWizard::CancelButtonClick() {
    reject();
}

void TSetupWizard::reject() {
    QDialog::reject();
    if (onCancelled)
        onCancelled();
}

} // namespace zolmar::gui
