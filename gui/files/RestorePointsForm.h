#pragma once

#include "files/RestorePoints.h"
#include "ports/Preferences.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace zolmar::gui {

// "Restore Points": the restore points of the loaded file or ECU, newest first; any
// one compared with the loaded configuration or with another, and one restored after
// asking.
class TRestorePointsForm : public QDialog {
    Q_OBJECT

public:
    TRestorePointsForm(RestorePoints::Store& store, Messages& messages, Preferences& prefs,
                       QWidget* parent = nullptr);
    // Shows the points of these owners (the loaded file, the ECU).
    void open(const std::vector<std::string>& owners);
    void refill();
    // The selected points, newest first.
    std::vector<RestorePoints::Point> selected() const;
    const std::vector<RestorePoints::Point>& points() const { return points_; }
    static QString pointTitle(const RestorePoints::Point& point);

    void compareWithLoaded();
    void compareSelectedTwo();
    void restoreSelected();

    QTreeWidget* List = nullptr;
    QCheckBox* ShowAll = nullptr;
    QSpinBox* LimitMB = nullptr;
    QPushButton* CompareButton = nullptr;
    QPushButton* CompareTwoButton = nullptr;
    QPushButton* RestoreButton = nullptr;

    // The main window's parts: show a comparison (a null: the loaded configuration),
    // restore a point's bytes (one step).
    std::function<void(std::unique_ptr<tECU> a, const QString& aTitle, std::unique_ptr<tECU> b,
                       const QString& bTitle)>
        compare;
    std::function<void(const std::vector<uint8_t>& bytes)> restore;

private:
    std::unique_ptr<tECU> load(const RestorePoints::Point& point);
    void updateButtons();

    RestorePoints::Store& store_;
    Messages& messages_;
    Preferences& prefs_;
    std::vector<std::string> owners_;
    std::vector<RestorePoints::Point> points_;
};

} // namespace zolmar::gui
