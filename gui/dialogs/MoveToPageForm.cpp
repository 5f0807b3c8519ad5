#include "dialogs/MoveToPageForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"
#include "model/ECU.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zolmar::gui {

TMoveToPageForm::TMoveToPageForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Move to Different Page"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(QStringLiteral("Move all of the Elements on the"), this));
    column->addWidget(new QLabel(QStringLiteral("Current Page to the Following Page:"), this));
    PageNumber = new QSpinBox(this);
    PageNumber->setObjectName(QStringLiteral("PageNumber"));
    PageNumber->setRange(1, Layout::kNumPages);
    column->addWidget(PageNumber);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(buttonRow(this, ok, &cancel));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

int TMoveToPageForm::Execute(int page) {
    PageNumber->setValue(page + 1);
    return exec() == QDialog::Accepted ? PageNumber->value() - 1 : -1;
}

} // namespace zolmar::gui
