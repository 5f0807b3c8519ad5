#include "simulator/SimulatorForm.h"

#include "app/QtPorts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

using sim::InputKind;
using sim::SimulatedInputs;

// The groups of controls as the window arranges them.
struct Section {
    const char* title;
    InputKind kind;
};

constexpr Section kSections[] = {
    {"Engine", InputKind::Rpm},
    {"Engine", InputKind::Battery},
    {"Analogue Inputs", InputKind::Analogue},
    {"Digital Inputs:", InputKind::Digital},
    {"Vehicle Speed", InputKind::Vss},
    {"Cam Phase", InputKind::Vvt},
    {"Knock", InputKind::Knock},
    {"Serial Channels", InputKind::Serial},
};

} // namespace

TSimulatorForm::TSimulatorForm(tECU& ecu, sim::Simulator& simulator, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), ecu_(ecu), simulator_(simulator),
      sliders_(SimulatedInputs::kControls, nullptr), boxes_(SimulatedInputs::kControls, nullptr),
      captions_(SimulatedInputs::kControls, nullptr), values_(SimulatedInputs::kControls, nullptr) {
    setObjectName(QStringLiteral("TSimulatorForm"));
    setWindowTitle(QStringLiteral("Simulator"));
    auto* outer = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("This simulation tool allows you to simulate the state of the inputs to "
                       "the ECU, and subsequently observe the behaviour of the ECU "
                       "configuration. You may perform datalogging as you would with an ECU "
                       "connected in real time."),
        this);
    text->setWordWrap(true);
    outer->addWidget(text);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* body = new QWidget(scroll);
    auto* sections = new QVBoxLayout(body);
    QGroupBox* group = nullptr;
    QGridLayout* grid = nullptr;
    const char* lastTitle = "";
    for (const Section& section : kSections) {
        if (QString::fromUtf8(section.title) != QString::fromUtf8(lastTitle)) {
            group = new QGroupBox(QString::fromUtf8(section.title), body);
            grid = new QGridLayout(group);
            grid->setColumnStretch(1, 1);
            sections->addWidget(group);
            lastTitle = section.title;
        }
        for (int c = 0; c < SimulatedInputs::kControls; ++c) {
            if (SimulatedInputs::Kind(c) != section.kind)
                continue;
            const int row = grid->rowCount();
            auto* caption = new QLabel(QString::fromStdString(SimulatedInputs::Caption(c)), group);
            caption->setMinimumWidth(150);
            captions_[c] = caption;
            if (section.kind == InputKind::Digital) {
                auto* box = new QCheckBox(group);
                box->setObjectName(QStringLiteral("Control%1").arg(c));
                connect(box, &QCheckBox::toggled, this,
                        [this, c](bool ticked) { changed(c, ticked ? 1 : 0); });
                boxes_[c] = box;
                grid->addWidget(box, row, 0);
                grid->addWidget(caption, row, 1);
                continue;
            }
            auto* slider = new QSlider(Qt::Horizontal, group);
            slider->setObjectName(QStringLiteral("Control%1").arg(c));
            slider->setRange(SimulatedInputs::Minimum(c), SimulatedInputs::Maximum(c));
            slider->setMinimumWidth(220);
            connect(slider, &QSlider::valueChanged, this,
                    [this, c](int position) { changed(c, position); });
            sliders_[c] = slider;
            auto* value = new QLabel(group);
            value->setMinimumWidth(90);
            values_[c] = value;
            grid->addWidget(caption, row, 0);
            grid->addWidget(slider, row, 1);
            grid->addWidget(value, row, 2);
        }
    }
    sections->addStretch(1);
    scroll->setWidget(body);
    outer->addWidget(scroll, 1);
    resize(560, 700);
}

void TSimulatorForm::prepare() {
    std::vector<std::string> open = sim::Simulator::Captions(ecu_);
    for (int c = 0; c < SimulatedInputs::kControls; ++c) {
        captions_[c]->setText(fromImageText(open[static_cast<size_t>(c)]));
        const int p = simulator_.Inputs().Position(c);
        if (sliders_[c]) {
            QSignalBlocker block(sliders_[c]);
            sliders_[c]->setValue(p);
            values_[c]->setText(QString::fromStdString(simulator_.Inputs().ValueText(c)));
        } else if (boxes_[c]) {
            QSignalBlocker block(boxes_[c]);
            boxes_[c]->setChecked(p != 0);
        }
    }
}

bool TSimulatorForm::setControl(int control, int position) {
    if (control < 0 || control >= SimulatedInputs::kControls ||
        position < SimulatedInputs::Minimum(control) ||
        position > SimulatedInputs::Maximum(control))
        return false;
    if (sliders_[control])
        sliders_[control]->setValue(position);
    else
        boxes_[control]->setChecked(position != 0);
    return true;
}

void TSimulatorForm::changed(int control, int position) {
    if (!simulator_.SetControl(ecu_, control, position))
        return;
    if (values_[control])
        values_[control]->setText(QString::fromStdString(simulator_.Inputs().ValueText(control)));
    emit controlChanged();
}

QAbstractSlider* TSimulatorForm::slider(int control) const {
    return control >= 0 && control < SimulatedInputs::kControls ? sliders_[control] : nullptr;
}

QCheckBox* TSimulatorForm::checkBox(int control) const {
    return control >= 0 && control < SimulatedInputs::kControls ? boxes_[control] : nullptr;
}

QLabel* TSimulatorForm::caption(int control) const {
    return control >= 0 && control < SimulatedInputs::kControls ? captions_[control] : nullptr;
}

QLabel* TSimulatorForm::valueLabel(int control) const {
    return control >= 0 && control < SimulatedInputs::kControls ? values_[control] : nullptr;
}

void TSimulatorForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace zolmar::gui
