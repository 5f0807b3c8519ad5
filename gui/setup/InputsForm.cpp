#include "setup/InputsForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

QCheckBox* box(QWidget* parent, const QString& text, const QString& name) {
    auto* b = new QCheckBox(text, parent);
    b->setObjectName(name);
    return b;
}

QComboBox* list(QWidget* parent, const std::vector<std::string>& items, const QString& name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(listOf(items));
    return c;
}

QLineEdit* edit(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaximumWidth(90);
    return e;
}

void setTicked(QCheckBox* on, QCheckBox* off, bool value) {
    on->setChecked(value);
    off->setChecked(!value);
}

} // namespace

TInputsForm::TInputsForm(tECU& ecu, DialogServices services, QWidget* parent)
    : TDedicatedForm(ecu, std::move(services), QStringLiteral("Inputs"), parent), inputs_(ecu) {
    setObjectName(QStringLiteral("TInputsForm"));
    auto* columns = new QHBoxLayout();
    columns->addWidget(buildSerialAndDigital(), 0, Qt::AlignTop);
    columns->addWidget(buildTriggers(), 0, Qt::AlignTop);
    columns->addWidget(buildSpeedAndKnock(), 0, Qt::AlignTop);
    body()->addLayout(columns);
    finishFrame();
    connect(OKButton, &QPushButton::clicked, this, &TInputsForm::OKButtonClick);
}

QWidget* TInputsForm::buildSerialAndDigital() {
    auto* area = new QWidget(this);
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 0, 0, 0);

    auto* serial = new QGroupBox(QStringLiteral("Serial Inputs"), area);
    auto* form = new QFormLayout(serial);
    Serial1Type = list(serial, InputsTriggering::serialTypes(), QStringLiteral("Serial1Type"));
    Serial2Type = list(serial, InputsTriggering::serialTypes(), QStringLiteral("Serial2Type"));
    form->addRow(QStringLiteral("Serial Input 1 Type:"), Serial1Type);
    form->addRow(QStringLiteral("Serial Input 2 Type:"), Serial2Type);
    for (int input = 1; input <= 2; ++input) {
        QComboBox* c = input == 1 ? Serial1Type : Serial2Type;
        connect(c, &QComboBox::activated, this, [this, input](int index) {
            inputs_.setSerialType(input, index);
            renderPage();
        });
    }
    v->addWidget(serial);

    auto* digital = new QGroupBox(QStringLiteral("Digital Inputs"), area);
    auto* grid = new QGridLayout(digital);
    for (int n = 0; n < 8; ++n) {
        const QString number = QString::number(n + 1);
        grid->addWidget(new QLabel(QStringLiteral("Digital Input ") + number, digital), n, 0);
        PinNames[n] = new QLabel(digital);
        PinNames[n]->setObjectName(QStringLiteral("PinName") + number);
        PinNames[n]->setMinimumWidth(70);
        grid->addWidget(PinNames[n], n, 1);
        PullUp[n] = box(digital, QStringLiteral("Pull Up"), QStringLiteral("PullUp") + number);
        PullDown[n] =
            box(digital, QStringLiteral("Pull Down"), QStringLiteral("PullDown") + number);
        grid->addWidget(PullUp[n], n, 2);
        grid->addWidget(PullDown[n], n, 3);
        pair(PullUp[n], PullDown[n], [this, n](bool on) { inputs_.setPullUp(n + 1, on); });
    }
    v->addWidget(digital);
    return area;
}

QWidget* TInputsForm::buildTriggers() {
    auto* group = new QGroupBox(QStringLiteral("Trigger Inputs"), this);
    auto* v = new QVBoxLayout(group);
    auto* form = new QFormLayout();
    std::vector<std::string> modes = InputsTriggering::modeTexts();
    SpecialTrigMode = list(group, modes, QStringLiteral("SpecialTrigMode"));
    connect(SpecialTrigMode, &QComboBox::activated, this, [this](int index) {
        inputs_.setSpecialMode(index);
        refresh();
    });
    form->addRow(QStringLiteral("Special Trigger Mode:"), SpecialTrigMode);
    AngIncrement = edit(group, QStringLiteral("AngIncrement"));
    form->addRow(QStringLiteral("Angle Increment (crank degrees):"), AngIncrement);
    Reset[0] = list(group, InputsTriggering::reset1Modes(), QStringLiteral("Reset1"));
    Reset[1] = list(group, InputsTriggering::reset23Modes(), QStringLiteral("Reset2"));
    Reset[2] = list(group, InputsTriggering::reset23Modes(), QStringLiteral("Reset3"));
    for (int k = 0; k < 3; ++k) {
        form->addRow(QStringLiteral("Reset Mode %1:").arg(k + 1), Reset[k]);
        connect(Reset[k], &QComboBox::activated, this, [this, k](int index) {
            inputs_.setReset(k + 1, index);
            refresh();
        });
    }
    v->addLayout(form);

    SwapCAS1and2 =
        box(group, QStringLiteral("Swap CAS 1 and CAS 2"), QStringLiteral("SwapCAS1and2"));
    connect(SwapCAS1and2, &QCheckBox::clicked, this, [this](bool on) {
        inputs_.setSwapCas(on);
        refresh();
    });
    v->addWidget(SwapCAS1and2);
    TwoMissingTeeth =
        box(group, QStringLiteral("2 missing teeth on crank (Default: 1 missing tooth)"),
            QStringLiteral("TwoMissingTeeth"));
    connect(TwoMissingTeeth, &QCheckBox::clicked, this, [this](bool on) {
        inputs_.setTwoMissingTeeth(on);
        refresh();
    });
    v->addWidget(TwoMissingTeeth);

    auto* grid = new QGridLayout();
    const char* const triggerNames[3] = {"Trig1", "Trig23", "Trig45"};
    const char* const triggerCaptions[3] = {"Trigger 1", "Triggers 2 and 3", "Triggers 4 and 5"};
    for (int g = 0; g < 3; ++g) {
        const QString name = QString::fromLatin1(triggerNames[g]);
        grid->addWidget(new QLabel(QString::fromLatin1(triggerCaptions[g]), group), g, 0);
        TrigDig[g] = box(group, QStringLiteral("Digital"), name + QStringLiteral("Dig"));
        TrigRel[g] = box(group, QStringLiteral("Rel"), name + QStringLiteral("Rel"));
        grid->addWidget(TrigDig[g], g, 1);
        grid->addWidget(TrigRel[g], g, 2);
        pair(TrigDig[g], TrigRel[g], [this, g](bool on) { inputs_.setTriggerDigital(g, on); });
    }
    for (int t = 0; t < 5; ++t) {
        const QString number = QString::number(t + 1);
        int row = 3 + t;
        grid->addWidget(
            new QLabel(QStringLiteral("Trigger ") + number + QStringLiteral(" edge"), group), row,
            0);
        FallingEdge[t] = box(group, QStringLiteral("Falling"),
                             QStringLiteral("Trig") + number + QStringLiteral("FallingEdge"));
        RisingEdge[t] = box(group, QStringLiteral("Rising"),
                            QStringLiteral("Trig") + number + QStringLiteral("RisingEdge"));
        grid->addWidget(FallingEdge[t], row, 1);
        grid->addWidget(RisingEdge[t], row, 2);
        pair(FallingEdge[t], RisingEdge[t],
             [this, t](bool on) { inputs_.setFallingEdge(t + 1, on); });
    }
    v->addLayout(grid);
    return group;
}

QWidget* TInputsForm::buildSpeedAndKnock() {
    auto* area = new QWidget(this);
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 0, 0, 0);

    auto* speed = new QGroupBox(QStringLiteral("Vehicle Speed Inputs"), area);
    auto* grid = new QGridLayout(speed);
    const char* const vssNames[3] = {"VSS1", "VSS2", "VSS34"};
    const char* const vssCaptions[3] = {"VSS 1", "VSS 2", "VSS 3 and 4"};
    for (int g = 0; g < 3; ++g) {
        const QString name = QString::fromLatin1(vssNames[g]);
        grid->addWidget(new QLabel(QString::fromLatin1(vssCaptions[g]), speed), g, 0);
        VSSDig[g] = box(speed, QStringLiteral("Digital"), name + QStringLiteral("Dig"));
        VSSRel[g] = box(speed, QStringLiteral("Rel"), name + QStringLiteral("Rel"));
        grid->addWidget(VSSDig[g], g, 1);
        grid->addWidget(VSSRel[g], g, 2);
        pair(VSSDig[g], VSSRel[g], [this, g](bool on) { inputs_.setVssDigital(g, on); });
    }
    for (int n = 0; n < 4; ++n) {
        const QString number = QString::number(n + 1);
        int row = 3 + n;
        grid->addWidget(
            new QLabel(QStringLiteral("VSS ") + number + QStringLiteral(" period (ms at 1 km/h)"),
                       speed),
            row, 0);
        VssPeriod[n] = new QSpinBox(speed);
        VssPeriod[n]->setObjectName(QStringLiteral("vss") + number + QStringLiteral("period"));
        VssPeriod[n]->setRange(0, InputsTriggering::kVssPeriodMax);
        // Typing writes once the entry is complete, not on every keystroke.
        VssPeriod[n]->setKeyboardTracking(false);
        grid->addWidget(VssPeriod[n], row, 1, 1, 2);
        connect(VssPeriod[n], &QSpinBox::valueChanged, this, [this, n](int value) {
            if (!loading_)
                inputs_.setVssPeriod(n + 1, value);
        });
    }
    LearnButton = new QPushButton(QStringLiteral("Learn 40km/h Vehicle Speed"), speed);
    LearnButton->setObjectName(QStringLiteral("LearnButton"));
    connect(LearnButton, &QPushButton::clicked, this, [this] {
        if (inputs_.learnVehicleSpeed())
            refresh();
        else
            ecu_.messages().information(
                "No live vehicle speed: go online with a calculating ECU, or start the "
                "simulator, then learn while the vehicle runs at 40 km/h.");
    });
    grid->addWidget(LearnButton, 7, 0, 1, 3);
    v->addWidget(speed);

    auto* knock = new QGroupBox(QStringLiteral("Knock Window (crank degrees)"), area);
    auto* form = new QFormLayout(knock);
    KnockStart = edit(knock, QStringLiteral("KnockStart"));
    KnockEnd = edit(knock, QStringLiteral("KnockEnd"));
    KnockStep = edit(knock, QStringLiteral("KnockStep"));
    form->addRow(QStringLiteral("Start angle:"), KnockStart);
    form->addRow(QStringLiteral("Finish angle:"), KnockEnd);
    form->addRow(QStringLiteral("Step angle:"), KnockStep);
    v->addWidget(knock);
    v->addStretch(1);
    return area;
}

void TInputsForm::pair(QCheckBox* on, QCheckBox* off, std::function<void(bool)> write) {
    connect(on, &QCheckBox::clicked, this, [this, write](bool ticked) {
        write(ticked);
        refresh();
    });
    connect(off, &QCheckBox::clicked, this, [this, write](bool ticked) {
        write(!ticked);
        refresh();
    });
}

bool TInputsForm::load(int element) {
    if (!inputs_.open(element))
        return false;
    loadFrame(element);
    loading_ = true;
    for (int n = 0; n < 8; ++n)
        PinNames[n]->setText(fromImageText(inputs_.digitalPinName(n + 1)));
    auto texts = inputs_.editTexts();
    AngIncrement->setText(fromImageText(texts[0]));
    KnockStart->setText(fromImageText(texts[1]));
    KnockEnd->setText(fromImageText(texts[2]));
    KnockStep->setText(fromImageText(texts[3]));
    loading_ = false;
    refresh();
    return true;
}

void TInputsForm::refresh() {
    loading_ = true;
    Serial1Type->setCurrentIndex(inputs_.serialType(1));
    Serial2Type->setCurrentIndex(inputs_.serialType(2));
    for (int n = 0; n < 8; ++n)
        setTicked(PullUp[n], PullDown[n], inputs_.pullUp(n + 1));
    for (int g = 0; g < 3; ++g) {
        setTicked(TrigDig[g], TrigRel[g], inputs_.triggerDigital(g));
        setTicked(VSSDig[g], VSSRel[g], inputs_.vssDigital(g));
    }
    for (int t = 0; t < 5; ++t)
        setTicked(FallingEdge[t], RisingEdge[t], inputs_.fallingEdge(t + 1));
    SpecialTrigMode->setCurrentIndex(inputs_.specialModeEntry());
    SwapCAS1and2->setChecked(inputs_.swapCas());
    TwoMissingTeeth->setChecked(inputs_.twoMissingTeeth());
    for (int k = 0; k < 3; ++k)
        Reset[k]->setCurrentIndex(inputs_.reset(k + 1));
    for (int n = 0; n < 4; ++n)
        VssPeriod[n]->setValue(inputs_.vssPeriod(n + 1));

    auto e = inputs_.enables();
    TwoMissingTeeth->setEnabled(e.twoMissingTeeth);
    AngIncrement->setEnabled(e.angleIncrement);
    for (QComboBox* r : Reset)
        r->setEnabled(e.resets);
    for (int t = 0; t < 5; ++t) {
        FallingEdge[t]->setEnabled(e.edges);
        RisingEdge[t]->setEnabled(e.edges);
    }
    for (int g = 0; g < 3; ++g) {
        TrigDig[g]->setEnabled(e.triggerPairs[static_cast<size_t>(g)]);
        TrigRel[g]->setEnabled(e.triggerPairs[static_cast<size_t>(g)]);
    }
    loading_ = false;
}

void TInputsForm::OKButtonClick() {
    if (inputs_.ok({toImageText(AngIncrement->text()), toImageText(KnockStart->text()),
                    toImageText(KnockEnd->text()), toImageText(KnockStep->text())}))
        accept();
}

TPeriodAngleForm::TPeriodAngleForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPeriodAngleForm"));
    setWindowTitle(QStringLiteral("Period Angle Offset Calculator"));
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(
        new QLabel(QStringLiteral("Engine Angle (in crank degrees) within full cycle, "
                                  "from 0 to 720 (where 0 is TDC cylinder 1 "
                                  "compression):"),
                   this));
    EngineAngle = new QSpinBox(this);
    EngineAngle->setObjectName(QStringLiteral("EngineAngle"));
    EngineAngle->setRange(0, 720);
    EngineAngle->setValue(0);
    column->addWidget(EngineAngle);
    ResultLabel = new QLabel(this);
    ResultLabel->setObjectName(QStringLiteral("ResultLabel"));
    column->addWidget(ResultLabel);
    auto show = [this](int angle) {
        ResultLabel->setText(QString::fromStdString(InputsTriggering::periodAngleText(angle)));
    };
    connect(EngineAngle, &QSpinBox::valueChanged, this, show);
    show(0);
}

} // namespace zolmar::gui
