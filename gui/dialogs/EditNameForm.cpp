#include "dialogs/EditNameForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

TEditNameForm::TEditNameForm(tECU& ecu, QWidget* parent) : QDialog(parent), editor_(ecu) {
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    NameEdit = new QLineEdit(QString::fromUtf8(NameEditor::kDefaultText), this);
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    NameEdit->setMaxLength(Layout::kNameLength);
    NameEdit->setMinimumWidth(240);
    form->addRow(QStringLiteral("Name"), NameEdit);
    column->addLayout(form);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(buttonRow(this, ok, &cancel));
    connect(ok, &QPushButton::clicked, this, [this] {
        editor_.ok(toImageText(NameEdit->text()));
        accept();
    });
}

void TEditNameForm::load(int slot) {
    editor_.open(slot);
    setWindowTitle(fromImageText(editor_.caption()));
    NameEdit->setText(fromImageText(editor_.text()));
    NameEdit->selectAll();
    NameEdit->setFocus();
}

void TEditNameForm::Execute(int slot) {
    load(slot);
    exec();
}

} // namespace zolmar::gui
