#pragma once

#include <QDialog>

class QPushButton;

namespace zolmar::gui {

// "No ECU connected": shown while a full read or write waits for the lost ECU.
class TreconnectForm : public QDialog {
    Q_OBJECT

public:
    explicit TreconnectForm(QWidget* parent = nullptr);
    QPushButton* CancelButton = nullptr;

signals:
    void cancelClicked();

protected:
    void reject() override;
};

} // namespace zolmar::gui
