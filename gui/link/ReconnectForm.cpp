#include "link/ReconnectForm.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

TreconnectForm::TreconnectForm(QWidget* parent) : QDialog(parent, Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TreconnectForm"));
    setWindowTitle(QStringLiteral("No ECU connected"));
    setModal(false);
    auto* column = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("  No ECU connected...Connect ECU  "), this);
    text->setStyleSheet(QStringLiteral("font-size: 15px; padding: 12px;"));
    column->addWidget(text);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(CancelButton, &QPushButton::clicked, this, &TreconnectForm::cancelClicked);
    column->addWidget(CancelButton, 0, Qt::AlignHCenter);
}

// Escape and the window's close button give up, as Cancel does.
void TreconnectForm::reject() {
    emit cancelClicked();
}

} // namespace zolmar::gui
