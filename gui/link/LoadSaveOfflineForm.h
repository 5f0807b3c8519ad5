#pragma once

#include <QDialog>

class QPushButton;

namespace zolmar::gui {

// Asked when an ECU answers while a configuration of the PC is loaded: load the
// ECU's settings, write the PC's, or stay offline.
class TLoadSaveOfflineForm : public QDialog {
    Q_OBJECT

public:
    explicit TLoadSaveOfflineForm(QWidget* parent = nullptr);
    QPushButton* LoadButton = nullptr;
    QPushButton* WriteButton = nullptr;
    QPushButton* OfflineButton = nullptr;

signals:
    void loadClicked();
    void writeClicked();
    void offlineClicked();

protected:
    void reject() override;
};

} // namespace zolmar::gui
