#pragma once

#include "ports/Preferences.h"

#include <QDialog>

class QCheckBox;

namespace zolmar::gui {

// "Configuration Optimisation": which order "Optimise Configuration" gives the
// diagram, kept in the preference "ConfOptMode".
class TConfOptForm : public QDialog {
    Q_OBJECT

public:
    explicit TConfOptForm(Preferences& prefs, QWidget* parent = nullptr);
    // Ticks the boxes from the stored preference.
    void load();
    bool balanced() const;
    QCheckBox* Balanced = nullptr;
    QCheckBox* Latency = nullptr;

private:
    void clicked(bool balanced);

    Preferences& prefs_;
};

} // namespace zolmar::gui
