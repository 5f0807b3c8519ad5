#include "dialogs/CosmeticForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zolmar::gui {

TCosmeticForm::TCosmeticForm(tECU& ecu, std::function<void(int, int)> moved, QWidget* parent)
    : QDialog(parent), editor_(ecu), moved_(std::move(moved)) {
    setWindowTitle(QStringLiteral("Cosmetic Properties"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    auto spin = [&](const QString& caption, const QString& name, int low, int high) {
        auto* box = new QSpinBox(this);
        box->setObjectName(name);
        box->setRange(low, high);
        form->addRow(caption, box);
        return box;
    };
    XPosition = spin(QStringLiteral("X Position"), QStringLiteral("XPosition"), 0, 120);
    YPosition = spin(QStringLiteral("Y Position"), QStringLiteral("YPosition"), 0, 120);
    ScreenPage = spin(QStringLiteral("Screen/Page"), QStringLiteral("ScreenPage"), 1, 128);
    column->addLayout(form);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(buttonRow(this, ok, &cancel));
    connect(ok, &QPushButton::clicked, this, &TCosmeticForm::OKButtonClick);
}

void TCosmeticForm::load(int configAddress) {
    editor_.open(configAddress);
    XPosition->setValue(editor_.x());
    YPosition->setValue(editor_.y());
    ScreenPage->setValue(editor_.page());
}

void TCosmeticForm::Execute(int configAddress) {
    load(configAddress);
    exec();
}

void TCosmeticForm::OKButtonClick() {
    if (!editor_.ok(XPosition->value(), YPosition->value(), ScreenPage->value()))
        return;
    if (moved_)
        moved_(editor_.oldPage() - 1, editor_.page() - 1);
    accept();
}

} // namespace zolmar::gui
