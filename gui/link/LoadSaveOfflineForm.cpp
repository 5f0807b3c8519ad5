#include "link/LoadSaveOfflineForm.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

TLoadSaveOfflineForm::TLoadSaveOfflineForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TLoadSaveOfflineForm"));
    setWindowTitle(QStringLiteral("ECU Connected"));
    setModal(false);
    auto* column = new QVBoxLayout(this);
    auto add = [&](const char* caption, const char* name, void (TLoadSaveOfflineForm::*signal)()) {
        auto* button = new QPushButton(QString::fromUtf8(caption), this);
        button->setObjectName(QString::fromUtf8(name));
        button->setMinimumHeight(32);
        connect(button, &QPushButton::clicked, this, signal);
        column->addWidget(button);
        return button;
    };
    LoadButton =
        add("Load All Settings From ECU", "LoadButton", &TLoadSaveOfflineForm::loadClicked);
    WriteButton =
        add("Write All Settings to ECU", "WriteButton", &TLoadSaveOfflineForm::writeClicked);
    OfflineButton =
        add("Cancel  (Go/Stay Offline)", "OfflineButton", &TLoadSaveOfflineForm::offlineClicked);
    setMinimumWidth(300);
}

// Escape and the window's close button mean staying offline.
void TLoadSaveOfflineForm::reject() {
    emit offlineClicked();
}

} // namespace zolmar::gui
