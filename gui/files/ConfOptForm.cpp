#include "files/ConfOptForm.h"

#include "files/Optimisation.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

TConfOptForm::TConfOptForm(Preferences& prefs, QWidget* parent) : QDialog(parent), prefs_(prefs) {
    setObjectName(QStringLiteral("TConfOptForm"));
    setWindowTitle(QStringLiteral("Configuration Optimisation"));
    setModal(false);
    auto* column = new QVBoxLayout(this);
    Balanced = new QCheckBox(QStringLiteral("Balanced Optimisation"), this);
    Balanced->setObjectName(QStringLiteral("Balanced"));
    Latency = new QCheckBox(QStringLiteral("Calculation Latency Optimisation"), this);
    Latency->setObjectName(QStringLiteral("Latency"));
    column->addWidget(Balanced);
    column->addWidget(Latency);
    // The two boxes always hold opposite values.
    connect(Balanced, &QCheckBox::clicked, this, [this](bool on) { clicked(on); });
    connect(Latency, &QCheckBox::clicked, this, [this](bool on) { clicked(!on); });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    column->addWidget(ok, 0, Qt::AlignRight);
    load();
}

void TConfOptForm::load() {
    bool b = Optimisation::IsBalanced(prefs_);
    Balanced->setChecked(b);
    Latency->setChecked(!b);
}

bool TConfOptForm::balanced() const {
    return Balanced->isChecked();
}

void TConfOptForm::clicked(bool balanced) {
    Balanced->setChecked(balanced);
    Latency->setChecked(!balanced);
    prefs_.write(Optimisation::kPreference, Optimisation::PreferenceValue(balanced));
}

} // namespace zolmar::gui
