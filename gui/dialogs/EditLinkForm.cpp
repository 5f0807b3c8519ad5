#include "dialogs/EditLinkForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zolmar::gui {

TEditLinkForm::TEditLinkForm(tECU& ecu, QWidget* parent) : QDialog(parent), editor_(ecu) {
    setWindowTitle(QStringLiteral("Edit Link"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* group = new QLabel(QStringLiteral("Link Type"), this);
    column->addWidget(group);
    LinkRadio = new QRadioButton(QStringLiteral("Link to another element"), this);
    LiteralRadio = new QRadioButton(QStringLiteral("Specify constant value"), this);
    column->addWidget(LinkRadio);
    PageList = new QComboBox(this);
    PageList->setObjectName(QStringLiteral("PageList"));
    PageList->setMaxVisibleItems(30);
    OutputList = new QComboBox(this);
    OutputList->setObjectName(QStringLiteral("OutputList"));
    OutputList->setMinimumContentsLength(28);
    column->addWidget(PageList);
    column->addWidget(OutputList);
    column->addWidget(LiteralRadio);
    LiteralEdit = new QLineEdit(QStringLiteral("0.00"), this);
    LiteralEdit->setObjectName(QStringLiteral("LiteralEdit"));
    column->addWidget(LiteralEdit);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    column->addLayout(buttonRow(this, ok, &cancel));
    connect(ok, &QPushButton::clicked, this, &TEditLinkForm::OKButtonClick);
    connect(LinkRadio, &QRadioButton::toggled, this, [this] { modeChanged(); });
    connect(PageList, &QComboBox::activated, this, [this](int page) {
        editor_.choosePage(page);
        fillOutputs();
    });
}

bool TEditLinkForm::load(int element, int input, int shownPage) {
    if (!editor_.open(element, input, shownPage))
        return false;
    PageList->clear();
    for (const auto& caption : editor_.pages().items)
        PageList->addItem(fromImageText(caption));
    PageList->setCurrentIndex(editor_.page());
    fillOutputs();
    LiteralEdit->setText(fromImageText(editor_.literalText()));
    LinkRadio->setChecked(editor_.isLink());
    LiteralRadio->setChecked(!editor_.isLink());
    modeChanged();
    if (!editor_.isLink()) {
        LiteralEdit->selectAll();
        LiteralEdit->setFocus();
    }
    return true;
}

bool TEditLinkForm::Execute(int element, int input, int shownPage) {
    if (!load(element, input, shownPage))
        return false;
    return exec() == QDialog::Accepted;
}

void TEditLinkForm::fillOutputs() {
    OutputList->clear();
    for (const auto& name : editor_.outputs().items)
        OutputList->addItem(fromImageText(name));
    OutputList->setCurrentIndex(editor_.outputs().selected);
}

void TEditLinkForm::modeChanged() {
    bool link = LinkRadio->isChecked();
    PageList->setEnabled(link);
    OutputList->setEnabled(link);
    LiteralEdit->setEnabled(!link);
}

void TEditLinkForm::OKButtonClick() {
    bool ok = LinkRadio->isChecked() ? editor_.okLink(OutputList->currentIndex())
                                     : editor_.okLiteral(toImageText(LiteralEdit->text()));
    if (ok)
        accept();
}

} // namespace zolmar::gui
