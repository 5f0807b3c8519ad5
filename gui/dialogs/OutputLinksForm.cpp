#include "dialogs/OutputLinksForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

TOutputLinksForm::TOutputLinksForm(QWidget* parent) : QDialog(parent) {
    auto* column = new QVBoxLayout(this);
    Lines = new QListWidget(this);
    Lines->setObjectName(QStringLiteral("Lines"));
    Lines->setMinimumSize(420, 300);
    column->addWidget(Lines);
    QPushButton* ok = nullptr;
    column->addLayout(buttonRow(this, ok, nullptr));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TOutputLinksForm::showLines(const QString& caption, const QStringList& lines) {
    setWindowTitle(caption);
    Lines->clear();
    Lines->addItems(lines);
    show();
    raise();
}

} // namespace zolmar::gui
