#include "files/NewConfigForm.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

TNewConfigForm::TNewConfigForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TNewConfigForm"));
    setWindowTitle(QStringLiteral("New Configuration Option"));
    auto* column = new QVBoxLayout(this);
    auto button = [this, column](const QString& caption, const QString& name, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setMinimumHeight(36);
        column->addWidget(b);
        return b;
    };
    BlankButton = button(QStringLiteral("New Blank Configuration"), QStringLiteral("BlankButton"),
                         QStringLiteral("This would never be required by typical users, it is "
                                        "only for users who intend to use the ECU to control "
                                        "something other than a car engine"));
    CompleteButton =
        button(QStringLiteral("New Complete Configuration"), QStringLiteral("CompleteButton"),
               QStringLiteral("This is the same as opening the Default ECU configuration file"));
    CancelButton = button(QStringLiteral("Cancel"), QStringLiteral("CancelButton"), QString());
    connect(BlankButton, &QPushButton::clicked, this, &TNewConfigForm::blankClicked);
    connect(CompleteButton, &QPushButton::clicked, this, &TNewConfigForm::completeClicked);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::hide);
    setMinimumWidth(320);
}

} // namespace zolmar::gui
