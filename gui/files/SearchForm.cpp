#include "files/SearchForm.h"

#include "app/QtPorts.h"
#include "files/Search.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zolmar::gui {

TSearchForm::TSearchForm(const tECU& ecu, Messages& messages, QWidget* parent)
    : QDialog(parent), ecu_(ecu), messages_(messages) {
    setObjectName(QStringLiteral("TSearchForm"));
    setWindowTitle(QStringLiteral("Search for Element"));
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    SearchBy = new QComboBox(this);
    SearchBy->setObjectName(QStringLiteral("SearchBy"));
    for (Search::Mode m :
         {Search::Mode::Index, Search::Mode::ConfigAddress, Search::Mode::ConstantAddress,
          Search::Mode::LiveAddress, Search::Mode::Name})
        SearchBy->addItem(QString::fromUtf8(Search::ModeCaption(m)));
    form->addRow(QStringLiteral("Search by:"), SearchBy);
    SearchNumber = new QSpinBox(this);
    SearchNumber->setObjectName(QStringLiteral("SearchNumber"));
    SearchNumber->setRange(0, Search::Maximum(Search::Mode::Index));
    SearchName = new QLineEdit(this);
    SearchName->setObjectName(QStringLiteral("SearchName"));
    SearchName->setMaxLength(Search::kMaxNameLength);
    auto* what = new QVBoxLayout();
    what->addWidget(SearchNumber);
    what->addWidget(SearchName);
    form->addRow(QStringLiteral("Search for:"), what);
    column->addLayout(form);
    SearchButton = new QPushButton(QStringLiteral("Search"), this);
    SearchButton->setObjectName(QStringLiteral("SearchButton"));
    SearchButton->setDefault(true);
    column->addWidget(SearchButton, 0, Qt::AlignRight);
    connect(SearchBy, &QComboBox::activated, this, &TSearchForm::modeChosen);
    connect(SearchButton, &QPushButton::clicked, this, &TSearchForm::SearchClick);
    connect(SearchName, &QLineEdit::returnPressed, this, &TSearchForm::SearchClick);
    SearchBy->setCurrentIndex(static_cast<int>(Search::Mode::Name));
    modeChosen(SearchBy->currentIndex());
    setMinimumWidth(300);
}

void TSearchForm::open() {
    show();
    raise();
    activateWindow();
    (SearchBy->currentIndex() == static_cast<int>(Search::Mode::Name)
         ? static_cast<QWidget*>(SearchName)
         : SearchNumber)
        ->setFocus();
}

void TSearchForm::modeChosen(int mode) {
    const auto m = static_cast<Search::Mode>(mode);
    const bool name = m == Search::Mode::Name;
    if (!name)
        SearchNumber->setMaximum(Search::Maximum(m));
    SearchNumber->setEnabled(!name);
    SearchName->setEnabled(name);
}

void TSearchForm::SearchClick() {
    if (!SearchButton->isEnabled())
        return;
    const auto mode = static_cast<Search::Mode>(SearchBy->currentIndex());
    const Search::Result r =
        Search::Find(ecu_, mode, SearchNumber->value(), toImageText(SearchName->text()));
    if (!r.found) {
        messages_.error(r.message);
        return;
    }
    if (found)
        found(r.element);
}

} // namespace zolmar::gui
