#include "setup/DedicatedForms.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"
#include "setup/LoggingChannels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

QComboBox* list(QWidget* parent, const std::vector<std::string>& items, const QString& name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(listOf(items));
    return c;
}

QCheckBox* box(QWidget* parent, const QString& text, const QString& name) {
    auto* b = new QCheckBox(text, parent);
    b->setObjectName(name);
    return b;
}

QSpinBox* spin(QWidget* parent, int low, int high, const QString& name) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(low, high);
    return s;
}

} // namespace

// ---------------------------------------------------------------- ignition

TIgnitionForm::TIgnitionForm(tECU& ecu, DialogServices services, QWidget* parent)
    : TDedicatedForm(ecu, std::move(services), QStringLiteral("Ignition Element"), parent),
      settings_(ecu) {
    setObjectName(QStringLiteral("TIgnitionForm"));
    auto* form = new QFormLayout();
    OutputNumber = spin(this, 1, IgnitionSettings::kOutputs, QStringLiteral("OutputNumber"));
    form->addRow(QStringLiteral("Ignition Output Number"), OutputNumber);
    Pattern = list(this, firingPatterns(), QStringLiteral("Pattern"));
    form->addRow(QStringLiteral("Pattern"), Pattern);
    body()->addLayout(form);
    Invert = box(this,
                 QStringLiteral("Invert  (NOTE:  This option should only be selected for igniters "
                                "that are\nexpecting a rising edge ignition output sense, eg. some "
                                "Hondas)!"),
                 QStringLiteral("Invert"));
    body()->addWidget(Invert);
    OrWithNext =
        box(this, QStringLiteral("OR with next Ignition Output"), QStringLiteral("OrWithNext"));
    body()->addWidget(OrWithNext);
    finishFrame();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    connect(OutputNumber, &QSpinBox::valueChanged, this, [this] { refresh(); });
    connect(Pattern, &QComboBox::activated, this, [this](int index) {
        settings_.setPattern(output(), index);
        refresh();
    });
    connect(Invert, &QCheckBox::clicked, this, [this](bool on) {
        settings_.setInvert(output(), on);
        refresh();
    });
    connect(OrWithNext, &QCheckBox::clicked, this, [this](bool on) {
        settings_.setOrWithNext(output(), on);
        refresh();
    });
}

int TIgnitionForm::output() const {
    return OutputNumber->value() - 1;
}

bool TIgnitionForm::load(int element) {
    if (!settings_.open(element))
        return false;
    loadFrame(element);
    loading_ = true;
    OutputNumber->setValue(1);
    loading_ = false;
    refresh();
    return true;
}

void TIgnitionForm::refresh() {
    if (loading_)
        return;
    int n = output();
    Pattern->setCurrentIndex(settings_.pattern(n));
    Invert->setChecked(settings_.invert(n));
    OrWithNext->setChecked(settings_.orWithNext(n));
    OrWithNext->setEnabled(settings_.orAllowed(n));
}

// ---------------------------------------------------------------- injectors

TInjectorsForm::TInjectorsForm(tECU& ecu, DialogServices services, QWidget* parent)
    : TDedicatedForm(ecu, std::move(services), QStringLiteral("Injectors"), parent),
      settings_(ecu) {
    setObjectName(QStringLiteral("TInjectorsForm"));
    auto* each = new QGroupBox(QStringLiteral("Settings for each Injector Output"), this);
    auto* eachForm = new QFormLayout(each);
    OutputNumber = spin(each, 1, InjectorSettings::kOutputs, QStringLiteral("OutputNumber"));
    eachForm->addRow(QStringLiteral("Injector Output Number"), OutputNumber);
    Pattern = list(each, firingPatterns(), QStringLiteral("Pattern"));
    eachForm->addRow(QStringLiteral("Pattern"), Pattern);
    DivideBy10 =
        box(each, QStringLiteral("Divide Injection duration by 10"), QStringLiteral("DivideBy10"));
    eachForm->addRow(DivideBy10);
    UseAsAux =
        box(each, QStringLiteral("Use this channel as an Aux Output instead of an Injector Output"),
            QStringLiteral("UseAsAux"));
    eachForm->addRow(UseAsAux);
    body()->addWidget(each);

    auto* all = new QGroupBox(QStringLiteral("All Injector Outputs"), this);
    auto* allForm = new QFormLayout(all);
    Current = list(all, InjectorSettings::currents(), QStringLiteral("Current"));
    allForm->addRow(QStringLiteral("Injector Current"), Current);
    Mode = list(all, InjectorSettings::modes(), QStringLiteral("Mode"));
    allForm->addRow(QStringLiteral("Injection mode"), Mode);
    const QString peakCaptions[2] = {
        QString::fromUtf8("Peak time (\u00b5s) for Injector Outputs 1-6"),
        QString::fromUtf8("Peak time (\u00b5s) for Injector Outputs 7-12")};
    for (int g = 0; g < 2; ++g) {
        PeakTime[g] =
            spin(all, 0, InjectorSettings::kPeakMax, QStringLiteral("PeakTime%1").arg(g + 1));
        PeakTime[g]->setSingleStep(4);
        PeakTime[g]->setKeyboardTracking(false);
        allForm->addRow(peakCaptions[g], PeakTime[g]);
        connect(PeakTime[g], &QSpinBox::valueChanged, this, [this, g](int value) {
            if (!loading_)
                settings_.setPeakTime(g, value);
        });
    }
    body()->addWidget(all);
    finishFrame();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    connect(OutputNumber, &QSpinBox::valueChanged, this, [this] { refresh(); });
    connect(Pattern, &QComboBox::activated, this, [this](int index) {
        settings_.setPattern(output(), index);
        refresh();
    });
    connect(DivideBy10, &QCheckBox::clicked, this, [this](bool on) {
        settings_.setDivideBy10(output(), on);
        refresh();
    });
    connect(UseAsAux, &QCheckBox::clicked, this, [this](bool on) {
        settings_.setUseAsAux(output(), on);
        refresh();
    });
    connect(Current, &QComboBox::activated, this, [this](int index) {
        settings_.setCurrent(index);
        refresh();
    });
    connect(Mode, &QComboBox::activated, this, [this](int index) {
        settings_.setMode(index);
        // The element's picture and outputs follow the mode.
        if (services_.reroute)
            services_.reroute(ecu_.PageOf(settings_.element()));
        renderPage();
        refresh();
    });
}

int TInjectorsForm::output() const {
    return OutputNumber->value() - 1;
}

bool TInjectorsForm::load(int element) {
    if (!settings_.open(element))
        return false;
    loadFrame(element);
    loading_ = true;
    OutputNumber->setValue(1);
    loading_ = false;
    refresh();
    return true;
}

void TInjectorsForm::refresh() {
    if (loading_)
        return;
    loading_ = true;
    int n = output();
    Pattern->setCurrentIndex(settings_.pattern(n));
    DivideBy10->setChecked(settings_.divideBy10(n));
    UseAsAux->setChecked(settings_.useAsAux(n));
    UseAsAux->setEnabled(settings_.auxAllowed(n));
    Current->setCurrentIndex(settings_.current());
    Mode->setCurrentIndex(settings_.mode());
    for (int g = 0; g < 2; ++g)
        PeakTime[g]->setValue(settings_.peakTime(g));
    loading_ = false;
}

// ---------------------------------------------------------------- analogue inputs

TAnalogueForm::TAnalogueForm(tECU& ecu, DialogServices services, QWidget* parent)
    : TDedicatedForm(ecu, std::move(services), QStringLiteral("Analogue Inputs"), parent),
      settings_(ecu) {
    setObjectName(QStringLiteral("TAnalogueForm"));
    TemperatureBias = box(this, QStringLiteral("Bias Analogue Inputs 9-12 for Temperature Sensing"),
                          QStringLiteral("TemperatureBias"));
    body()->addWidget(TemperatureBias);
    finishFrame();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(TemperatureBias, &QCheckBox::clicked, this, [this](bool on) {
        settings_.setTemperatureBias(on);
        TemperatureBias->setChecked(settings_.temperatureBias());
    });
}

bool TAnalogueForm::load(int element) {
    if (!settings_.open(element))
        return false;
    loadFrame(element);
    TemperatureBias->setChecked(settings_.temperatureBias());
    return true;
}

// ---------------------------------------------------------------- aux outputs

TAuxOutputsForm::TAuxOutputsForm(tECU& ecu, DialogServices services, QWidget* parent)
    : TDedicatedForm(ecu, std::move(services), QStringLiteral("Aux Outputs"), parent),
      settings_(ecu) {
    setObjectName(QStringLiteral("TAuxOutputsForm"));
    auto* form = new QFormLayout();
    auto* outputRow = new QHBoxLayout();
    OutputNumber = list(this, {}, QStringLiteral("OutputNumber"));
    PinName = new QLabel(this);
    PinName->setObjectName(QStringLiteral("PinName"));
    outputRow->addWidget(OutputNumber);
    outputRow->addWidget(PinName);
    form->addRow(QStringLiteral("Output Number:"), outputRow);
    body()->addLayout(form);
    body()->addWidget(
        new QLabel(QStringLiteral("Copy behaviour of another aux channel on this block:"), this));
    CopyOf = list(this, {}, QStringLiteral("CopyOf"));
    body()->addWidget(CopyOf);
    Invert = box(this, QStringLiteral("Invert"), QStringLiteral("Invert"));
    DriveHigh = box(this, QStringLiteral("Drive high side "), QStringLiteral("DriveHigh"));
    UseAsAux = box(this, QStringLiteral("Use this spare Injector Output as an Aux Output"),
                   QStringLiteral("UseAsAux"));
    body()->addWidget(Invert);
    body()->addWidget(DriveHigh);
    body()->addWidget(UseAsAux);
    finishFrame();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    connect(OutputNumber, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    connect(CopyOf, &QComboBox::activated, this, [this](int entry) {
        settings_.setCopyEntry(output(), entry);
        refresh();
    });
    connect(Invert, &QCheckBox::clicked, this, [this](bool on) {
        settings_.setInvert(output(), on);
        refresh();
    });
    connect(DriveHigh, &QCheckBox::clicked, this, [this](bool on) {
        settings_.setDriveHigh(output(), on);
        refresh();
    });
    connect(UseAsAux, &QCheckBox::clicked, this, [this](bool on) {
        settings_.setUseAsAux(output(), on);
        refresh();
    });
}

int TAuxOutputsForm::output() const {
    return OutputNumber->currentIndex();
}

bool TAuxOutputsForm::load(int element) {
    if (!settings_.open(element))
        return false;
    loadFrame(element);
    loading_ = true;
    setWindowTitle(QString::fromStdString(settings_.caption()));
    OutputNumber->clear();
    OutputNumber->addItems(listOf(settings_.outputNames()));
    CopyOf->clear();
    CopyOf->addItems(listOf(settings_.copyEntries()));
    OutputNumber->setCurrentIndex(0);
    DriveHigh->setVisible(!settings_.spareInjectors());
    UseAsAux->setVisible(settings_.spareInjectors());
    loading_ = false;
    refresh();
    return true;
}

void TAuxOutputsForm::refresh() {
    if (loading_)
        return;
    int n = output();
    PinName->setText(fromImageText(settings_.pinName(n)));
    CopyOf->setCurrentIndex(settings_.copyEntry(n));
    Invert->setChecked(settings_.invert(n));
    DriveHigh->setChecked(settings_.driveHigh(n));
    UseAsAux->setChecked(settings_.useAsAux(n));
}

// ---------------------------------------------------------------- general

TGeneralForm::TGeneralForm(tECU& ecu, DialogServices services, QWidget* parent)
    : TDedicatedForm(ecu, std::move(services), QStringLiteral("General Functions"), parent),
      settings_(ecu) {
    setObjectName(QStringLiteral("TGeneralForm"));
    setModal(true);
    auto* form = new QFormLayout();
    LoggingPeriod = list(this, GeneralSettings::loggingPeriods(), QStringLiteral("LoggingPeriod"));
    form->addRow(QStringLiteral("Logging Period:"), LoggingPeriod);
    body()->addLayout(form);
    ForceLogging = box(this, QStringLiteral("Force Logging"), QStringLiteral("ForceLogging"));
    body()->addWidget(ForceLogging);
    // Hidden and disabled: the logging targets are not chosen in this dialog.
    LogToFlash =
        box(this, QStringLiteral("Log To Internal Flash Memory"), QStringLiteral("LogToFlash"));
    LogToUsb = box(this, QStringLiteral("Log To USB Stick"), QStringLiteral("LogToUsb"));
    for (QCheckBox* hidden : {LogToFlash, LogToUsb}) {
        hidden->setEnabled(false);
        hidden->setVisible(false);
        body()->addWidget(hidden);
    }

    auto* phones = new QGroupBox(QStringLiteral("Headphone Settings"), this);
    auto* phonesForm = new QFormLayout(phones);
    for (int k = 0; k < 2; ++k) {
        Knock[k] =
            list(phones, GeneralSettings::headphoneOutputs(), QStringLiteral("Knock%1").arg(k + 1));
        phonesForm->addRow(QStringLiteral("Knock %1:").arg(k + 1), Knock[k]);
    }
    PlayTones = box(phones, QStringLiteral("Play tones"), QStringLiteral("PlayTones"));
    phonesForm->addRow(PlayTones);
    body()->addWidget(phones);
    auto writePhones = [this] {
        settings_.setHeadphones(Knock[0]->currentIndex(), Knock[1]->currentIndex(),
                                PlayTones->isChecked());
        refresh();
    };
    connect(Knock[0], &QComboBox::activated, this, writePhones);
    connect(Knock[1], &QComboBox::activated, this, writePhones);
    connect(PlayTones, &QCheckBox::clicked, this, writePhones);

    auto* power = new QFormLayout();
    IgnitionPower =
        list(this, GeneralSettings::ignitionPowerSetups(), QStringLiteral("IgnitionPower"));
    power->addRow(QStringLiteral("Ignition Power setup:"), IgnitionPower);
    body()->addLayout(power);

    auto* channels =
        new QGroupBox(QStringLiteral("Onboard logging and Flash Drive logging settings: "), this);
    auto* channelsForm = new QFormLayout(channels);
    for (int c = 0; c < LoggingChannels::kCount; ++c) {
        Channels[c] = list(channels, {}, QStringLiteral("Channel%1").arg(c + 1));
        channelsForm->addRow(QStringLiteral("Internal Logging Channel %1:").arg(c + 1),
                             Channels[c]);
        connect(Channels[c], &QComboBox::activated, this, [this, c](int entry) {
            settings_.setChannelEntry(c, entry);
            refresh();
        });
    }
    body()->addWidget(channels);
    finishFrame();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    connect(LoggingPeriod, &QComboBox::activated, this, [this](int index) {
        settings_.setLoggingPeriod(index);
        refresh();
    });
    connect(ForceLogging, &QCheckBox::clicked, this, [this](bool on) {
        settings_.setForceLogging(on);
        refresh();
    });
    connect(IgnitionPower, &QComboBox::activated, this, [this](int index) {
        settings_.setIgnitionPower(index);
        refresh();
    });
}

bool TGeneralForm::load(int element) {
    if (!settings_.open(element))
        return false;
    loadFrame(element);
    QStringList names = listOf(settings_.gaugeNames());
    for (QComboBox* c : Channels) {
        c->clear();
        c->addItems(names);
    }
    refresh();
    return true;
}

void TGeneralForm::Execute(int element) {
    if (load(element))
        exec();
}

void TGeneralForm::refresh() {
    LoggingPeriod->setCurrentIndex(settings_.loggingPeriod());
    ForceLogging->setChecked(settings_.forceLogging());
    for (int k = 0; k < 2; ++k)
        Knock[k]->setCurrentIndex(settings_.knock(k + 1));
    PlayTones->setChecked(settings_.playTones());
    LogToFlash->setChecked(settings_.logToFlash());
    LogToUsb->setChecked(settings_.logToUsb());
    IgnitionPower->setCurrentIndex(settings_.ignitionPower());
    for (int c = 0; c < LoggingChannels::kCount; ++c)
        Channels[c]->setCurrentIndex(settings_.channelEntry(c));
}

} // namespace zolmar::gui
