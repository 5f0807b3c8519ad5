#include "dialogs/OptionForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"
#include "dialogs/PartDialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zolmar::gui {

TOptionForm::TOptionForm(Option option, Preferences& prefs, std::function<void()> applied,
                         QWidget* parent)
    : QDialog(parent), option_(option), prefs_(prefs), applied_(std::move(applied)) {
    auto* column = new QVBoxLayout(this);
    switch (option) {
    case Option::AdvancedProperties:
        setWindowTitle(QStringLiteral("Advanced Element Properties"));
        Check = new QCheckBox(
            QStringLiteral("Show advanced properties when viewing element properties"), this);
        break;
    case Option::ShowAllOutputs:
        setWindowTitle(QStringLiteral("Live Value Display Options"));
        Check = new QCheckBox(
            QStringLiteral("Show Live Values for outputs that connect to nothing"), this);
        break;
    case Option::ColumnSize:
        setWindowTitle(QStringLiteral("Column size on each page/tabsheet"));
        column->addWidget(new QLabel(
            QStringLiteral("Limit the number of settings in each column (on a page/tabsheet) to:"),
            this));
        NumRows = new QSpinBox(this);
        NumRows->setObjectName(QStringLiteral("NumRows"));
        NumRows->setRange(1, 20);
        column->addWidget(NumRows);
        column->addWidget(new QLabel(QStringLiteral("(this may need to be changed to suit "
                                                    "different height/width monitors)."),
                                     this));
        connect(NumRows, &QSpinBox::valueChanged, this, [this](int rows) {
            if (loading_)
                return;
            DisplayOptions::storeMaxPerColumn(prefs_, rows);
            if (applied_)
                applied_();
        });
        break;
    }
    if (Check) {
        column->addWidget(Check);
        connect(Check, &QCheckBox::toggled, this, [this](bool on) {
            if (loading_)
                return;
            if (option_ == Option::AdvancedProperties)
                DisplayOptions::storeAdvancedProperties(prefs_, on);
            else
                DisplayOptions::storeShowAllOutputs(prefs_, on);
            if (applied_)
                applied_();
        });
    }
}

void TOptionForm::load() {
    loading_ = true;
    DisplayOptions o = DisplayOptions::load(prefs_);
    if (option_ == Option::AdvancedProperties)
        Check->setChecked(o.advancedProperties);
    else if (option_ == Option::ShowAllOutputs)
        Check->setChecked(o.showAllOutputs);
    else
        NumRows->setValue(o.maxPerColumn);
    loading_ = false;
}

} // namespace zolmar::gui
