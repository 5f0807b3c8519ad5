#include "setup/DedicatedForm.h"

#include "app/QtPorts.h"
#include "dialogs/DialogParts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

TDedicatedForm::TDedicatedForm(tECU& ecu, DialogServices services, const QString& caption,
                               QWidget* parent)
    : QDialog(parent), ecu_(ecu), services_(std::move(services)), props_(ecu) {
    setWindowTitle(caption);
    column_ = new QVBoxLayout(this);
    column_->setSizeConstraint(QLayout::SetFixedSize);
    auto* nameRow = new QHBoxLayout();
    nameRow->addWidget(new QLabel(QStringLiteral("Name:"), this));
    NameLabel = new QLabel(this);
    NameLabel->setObjectName(QStringLiteral("NameLabel"));
    nameRow->addWidget(NameLabel, 1);
    column_->addLayout(nameRow);
}

void TDedicatedForm::finishFrame() {
    CosPropsButton = new QPushButton(QStringLiteral("Cosmetic Properties"), this);
    CosPropsButton->setObjectName(QStringLiteral("CosPropsButton"));
    connect(CosPropsButton, &QPushButton::clicked, this, [this] {
        if (services_.cosmetic)
            services_.cosmetic(props_.context().configAddress);
    });
    auto* cosRow = new QHBoxLayout();
    cosRow->addWidget(CosPropsButton);
    cosRow->addStretch(1);
    column_->addLayout(cosRow);
    column_->addLayout(buttonRow(this, OKButton, &CancelButton));

    AdvancedSection = new QWidget(this);
    AdvancedSection->setObjectName(QStringLiteral("AdvancedSection"));
    auto* grid = new QGridLayout(AdvancedSection);
    grid->setContentsMargins(0, 6, 0, 0);
    for (int r = 0; r < 8; ++r) {
        auto* caption = new QLabel(AdvancedSection);
        auto* value = new QLabel(AdvancedSection);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(caption, r / 2, 2 * (r % 2));
        grid->addWidget(value, r / 2, 2 * (r % 2) + 1);
        advancedValues_ << caption << value;
    }
    column_->addWidget(AdvancedSection);
}

void TDedicatedForm::loadFrame(int element) {
    if (!props_.open(element))
        return;
    NameLabel->setText(fromImageText(props_.context().name));
    auto rows = props_.advancedRows();
    for (size_t r = 0; r < rows.size() && 2 * r + 1 < static_cast<size_t>(advancedValues_.size());
         ++r) {
        advancedValues_[static_cast<int>(2 * r)]->setText(fromImageText(rows[r].caption));
        advancedValues_[static_cast<int>(2 * r + 1)]->setText(fromImageText(rows[r].value));
    }
    AdvancedSection->setVisible(services_.advancedProps && services_.advancedProps());
    CosPropsButton->setVisible(services_.advancedView && services_.advancedView());
}

void TDedicatedForm::Open(int element) {
    if (!load(element))
        return;
    setModal(false);
    show();
    raise();
    activateWindow();
}

void TDedicatedForm::renderPage() const {
    if (services_.renderPage)
        services_.renderPage();
}

} // namespace zolmar::gui
