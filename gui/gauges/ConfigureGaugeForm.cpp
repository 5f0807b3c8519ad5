#include "gauges/ConfigureGaugeForm.h"

#include "app/QtPorts.h"
#include "gauges/DialGauges.h"
#include "model/Tables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace zolmar::gui {

TConfigureGaugeForm::TConfigureGaugeForm(tECU& ecu, Messages& messages, QWidget* parent)
    : QDialog(parent), ecu_(ecu), messages_(messages) {
    setObjectName(QStringLiteral("TConfigureGaugeForm"));
    setWindowTitle(QStringLiteral("Configure Gauge"));
    auto* column = new QVBoxLayout(this);
    SmallGauges = new QCheckBox(QStringLiteral("Show Smaller Gauges"), this);
    connect(SmallGauges, &QCheckBox::toggled, this,
            [this](bool small) { emit sizeChanged(small); });
    column->addWidget(SmallGauges);
    auto* form = new QFormLayout();
    GaugeSelect = new QComboBox(this);
    // A gauge chosen for an empty dial brings its own scale and alarms.
    connect(GaugeSelect, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(gauges_.size()))
            showValues(gauges_[static_cast<size_t>(index)]);
    });
    form->addRow(QStringLiteral("Select Input for this Gauge:"), GaugeSelect);
    const char* captions[4] = {"Minimum Gauge Value:", "Maximum Gauge Value:",
                               "Soft alarm threshold:", "Hard alarm threshold:"};
    for (size_t k = 0; k < fields_.size(); ++k) {
        fields_[k] = new QLineEdit(this);
        form->addRow(QString::fromUtf8(captions[k]), fields_[k]);
    }
    column->addLayout(form);
    auto* buttons = new QHBoxLayout();
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &TConfigureGaugeForm::OKButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
}

void TConfigureGaugeForm::prepare(int slot, int gauge, bool small) {
    slot_ = slot;
    {
        QSignalBlocker block(SmallGauges);
        SmallGauges->setChecked(small);
    }
    showValues(gauge);
    gauges_ = gauges::DialGauges::Selectable(ecu_);
    listedFor_ = ecu_.StructureGeneration();
    QSignalBlocker block(GaugeSelect);
    GaugeSelect->clear();
    for (int g : gauges_)
        GaugeSelect->addItem(fromImageText(ecu_.NameOf(g + 128)));
    int selected = -1;
    for (size_t k = 0; k < gauges_.size(); ++k)
        if (gauges_[k] == gauge)
            selected = static_cast<int>(k);
    GaugeSelect->setCurrentIndex(selected);
}

void TConfigureGaugeForm::showValues(int gauge) {
    const auto settings = gauges::ReadGaugeSettings(ecu_, gauge);
    const int values[4] = {settings.minimum, settings.maximum, settings.softAlarm,
                           settings.hardAlarm};
    for (size_t k = 0; k < fields_.size(); ++k)
        fields_[k]->setText(gauge >= 0 ? QString::fromStdString(Tables::TwoDecimals(values[k]))
                                       : QString());
}

void TConfigureGaugeForm::OKButtonClick() {
    const int index = GaugeSelect->currentIndex();
    // Elements moved since the list was filled: its entries name other gauges now.
    if (listedFor_ != ecu_.StructureGeneration()) {
        reject();
        return;
    }
    if (index < 0 || index >= static_cast<int>(gauges_.size())) {
        accept();
        return;
    }
    std::array<std::string, 4> texts;
    for (size_t k = 0; k < texts.size(); ++k)
        texts[k] = fields_[k]->text().trimmed().toStdString();
    std::string error;
    if (!gauges::DialGauges::Configure(ecu_, slot_, gauges_[static_cast<size_t>(index)], texts,
                                       error)) {
        messages_.error(error);
        return;
    }
    emit configured();
    accept();
}

} // namespace zolmar::gui
