#include "files/PropertiesForm.h"

#include "app/QtPorts.h"
#include "files/ConfigurationReport.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace zolmar::gui {

using ConfigurationProperties::kFields;

TPropertiesForm::TPropertiesForm(tECU& ecu, Messages& messages, QWidget* parent)
    : QDialog(parent), ecu_(ecu), messages_(messages) {
    setObjectName(QStringLiteral("TPropertiesForm"));
    setWindowTitle(QStringLiteral("ECU and Configuration Properties"));
    setModal(false);
    auto* column = new QVBoxLayout(this);

    auto* details = new QGridLayout();
    const char* captions[] = {"Tuner:", "Phone:", "Email:", "Details:"};
    for (size_t i = 0; i < Edits.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromUtf8(kFields[i].name));
        edit->setToolTip(QString::fromUtf8(kFields[i].hint));
        edit->setMaxLength(kFields[i].editLength);
        edit->setMinimumWidth(340);
        Edits[i] = edit;
        int row = static_cast<int>(i);
        if (i < 4)
            details->addWidget(new QLabel(QString::fromUtf8(captions[i]), this), row, 0);
        details->addWidget(edit, row, 1);
    }
    SendEmailButton = new QPushButton(QStringLiteral("Send Email"), this);
    SendEmailButton->setObjectName(QStringLiteral("SendEmailButton"));
    SendEmailButton->setToolTip(QStringLiteral("Send email to tuner"));
    details->addWidget(SendEmailButton, 2, 2);
    column->addLayout(details);

    auto valueRow = [this](QGridLayout* grid, int row, const QString& caption, const char* name) {
        grid->addWidget(new QLabel(caption, this), row, 0);
        auto* value = new QLabel(this);
        value->setObjectName(QString::fromUtf8(name));
        grid->addWidget(value, row, 1);
        return value;
    };
    auto* ecuGroup = new QGroupBox(QStringLiteral("ECU Data "), this);
    auto* ecuGrid = new QGridLayout(ecuGroup);
    ECUSerial = valueRow(ecuGrid, 0, QStringLiteral("Serial Number:"), "ECUSerial");
    PackageVersion = valueRow(ecuGrid, 1, QStringLiteral("Package Version:"), "PackageVersion");
    FWRateLabel = valueRow(ecuGrid, 2, QStringLiteral("Micro Main Loop Speed:"), "FWRateLabel");
    EleRateLabel = valueRow(ecuGrid, 3, QStringLiteral("FPGA Recalc Rate:"), "EleRateLabel");
    column->addWidget(ecuGroup);

    auto* memoryGroup = new QGroupBox(QStringLiteral("Speed and Memory Use"), this);
    auto* memoryGrid = new QGridLayout(memoryGroup);
    LiveUsage = valueRow(memoryGrid, 0, QStringLiteral("Live  :"), "LiveUsage");
    ConstUsage = valueRow(memoryGrid, 1, QStringLiteral("Const:"), "ConstUsage");
    LogicUsage = valueRow(memoryGrid, 2, QStringLiteral("Logic:"), "LogicUsage");
    NumElementsButton = new QPushButton(QStringLiteral("Num Elements:"), this);
    NumElementsButton->setObjectName(QStringLiteral("NumElementsButton"));
    memoryGrid->addWidget(NumElementsButton, 3, 0);
    NumElements = new QLabel(this);
    NumElements->setObjectName(QStringLiteral("NumElements"));
    memoryGrid->addWidget(NumElements, 3, 1);
    column->addWidget(memoryGroup);

    auto* buttons = new QHBoxLayout();
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setToolTip(QStringLiteral("Set tuner, phone and email details from defaults"));
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    column->addLayout(buttons);

    connect(OKButton, &QPushButton::clicked, this, &TPropertiesForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::hide);
    connect(NumElementsButton, &QPushButton::clicked, this, &TPropertiesForm::NumElementsClick);
    connect(SendEmailButton, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl(mailAddress())); });
}

void TPropertiesForm::fill() {
    filledFor_ = ecu_.ConfigurationGeneration();
    for (size_t i = 0; i < Edits.size(); ++i)
        Edits[i]->setText(fromImageText(ConfigurationProperties::Read(ecu_, static_cast<int>(i))));
    LiveUsage->setText(QString::fromStdString(ConfigurationReport::LiveUsageText(ecu_)));
    ConstUsage->setText(QString::fromStdString(ConfigurationReport::ConstUsageText(ecu_)));
    LogicUsage->setText(QString::fromStdString(ConfigurationReport::LogicUsageText(ecu_)));
    NumElements->setText(QString::fromStdString(ConfigurationReport::ElementCountText(ecu_)));
    ECUSerial->setText(ecu_.EcuPresent ? fromImageText(ecu_.EcuSerial) : QStringLiteral(" "));
}

void TPropertiesForm::setLabels(const EcuLabels& labels) {
    PackageVersion->setText(QString::fromStdString(labels.packageVersion));
    FWRateLabel->setText(QString::fromStdString(labels.firmwareRate));
    EleRateLabel->setText(QString::fromStdString(labels.calcRate));
    if (!labels.serial.empty())
        ECUSerial->setText(fromImageText(labels.serial));
}

void TPropertiesForm::OKButtonClick() {
    // Fields read from a configuration that has since been replaced never reach the
    // one now open: the window shows that one instead.
    if (filledFor_ != ecu_.ConfigurationGeneration()) {
        fill();
        return;
    }
    std::array<std::string, ConfigurationProperties::kNumFields> texts;
    for (size_t i = 0; i < Edits.size(); ++i)
        texts[i] = toImageText(Edits[i]->text());
    ConfigurationProperties::WriteAll(ecu_, texts);
    hide();
}

void TPropertiesForm::NumElementsClick() {
    messages_.show(Messages::Kind::Plain, ConfigurationReport::NumElementsText(ecu_),
                   Messages::Buttons::Ok);
}

QString TPropertiesForm::mailAddress() const {
    return QStringLiteral("mailto:") + Edits[2]->text();
}

} // namespace zolmar::gui
