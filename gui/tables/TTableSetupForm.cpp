#include "tables/TTableSetupForm.h"

#include "app/QtPorts.h"
#include "model/Tables.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zolmar::gui {

namespace {

struct FieldText {
    const char* caption;
    const char* value;
};

constexpr FieldText k2D[] = {
    {"Lowest Reference Value:", "0.00"},
    {"Highest Reference Value:", "10.00"},
    {"Step Size:", "1.00"},
};

constexpr FieldText k3D[] = {
    {"Lowest Horizontal Reference Value:", "0.00"},
    {"Highest Horizontal Reference Value:", "10.00"},
    {"Horizontal Step Size:", "1.00"},
    {"Lowest Vertical Reference Value:", "0.00"},
    {"Highest Vertical Reference Value:", "5.00"},
    {"Vertical Step Size:", "1.00"},
};

} // namespace

TTableSetupForm::TTableSetupForm(tECU& ecu, int element, QWidget* parent)
    : QDialog(parent), ecu_(ecu), element_(ecu, element),
      threeD_(element >= 0 && element < ecu.NumElements &&
              ecu.TypeOf(element) == ElementType::Table3D) {
    setObjectName(QStringLiteral("TTableSetupForm"));
    setWindowTitle(threeD_ ? QStringLiteral("3D Table Setup") : QStringLiteral("2D Table Setup"));
    auto* grid = new QGridLayout(this);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    int row = 0;
    auto add = [&](const FieldText& f) {
        grid->addWidget(new QLabel(QString::fromUtf8(f.caption), this), row, 0);
        auto* edit = new QLineEdit(QString::fromUtf8(f.value), this);
        edit->setMaxLength(7);
        edit->setFont(fixed);
        grid->addWidget(edit, row, 1);
        fields_.push_back(edit);
        ++row;
    };
    if (threeD_)
        for (const auto& f : k3D)
            add(f);
    else
        for (const auto& f : k2D)
            add(f);
    grid->addWidget(new QLabel(threeD_ ? QStringLiteral("NOTE: Rows and Columns can be added or "
                                                        "deleted")
                                       : QStringLiteral("NOTE: Columns can be added or deleted"),
                               this),
                    row++, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("later, with arbitrary spacing"), this), row++, 0, 1,
                    2);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TTableSetupForm::accept);
    grid->addWidget(ok, row, 1);
}

bool TTableSetupForm::setUp() {
    auto text = [this](int k) { return toImageText(fields_[static_cast<size_t>(k)]->text()); };
    const int element = element_.index(ecu_);
    if (element < 0)
        return false;
    const Tables::SetupTexts horizontal{text(0), text(1), text(2)};
    if (!threeD_)
        return Tables::SetUp(ecu_, element, horizontal, nullptr);
    const Tables::SetupTexts vertical{text(3), text(4), text(5)};
    return Tables::SetUp(ecu_, element, horizontal, &vertical);
}

void TTableSetupForm::accept() {
    if (!element_.resolves(ecu_)) {
        QDialog::reject(); // the table went while the dialog was open
        return;
    }
    if (!done_ && !setUp())
        return; // the message was shown; the dialog stays open
    done_ = true;
    QDialog::accept();
}

void TTableSetupForm::reject() {
    // Closing sets the table up too; after a failure it keeps its first block.
    if (!done_)
        done_ = setUp();
    QDialog::reject();
}

bool RunTableSetup(QWidget* parent, tECU& ecu, int element) {
    if (element < 0 || element >= ecu.NumElements || !Tables::IsTable(ecu.TypeOf(element)))
        return false;
    TTableSetupForm form(ecu, element, parent);
    form.exec();
    return form.laidOut();
}

} // namespace zolmar::gui
