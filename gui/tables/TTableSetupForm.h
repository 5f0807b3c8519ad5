#pragma once

#include "model/ECU.h"

#include <QDialog>
#include <vector>

class QLineEdit;

namespace zolmar::gui {

// "2D Table Setup" / "3D Table Setup": the first axes of a newly created table.
// OK lays the table out or shows why not and stays open; closing tries once more
// and otherwise leaves the table as it was created.
class TTableSetupForm : public QDialog {
    Q_OBJECT

public:
    TTableSetupForm(tECU& ecu, int element, QWidget* parent = nullptr);

    // The edit fields in order: lowest, highest, step (then the vertical three).
    QLineEdit* field(int k) const { return fields_[static_cast<size_t>(k)]; }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    bool laidOut() const { return done_; }

    void accept() override;
    void reject() override;

private:
    bool setUp();

    tECU& ecu_;
    ElementRef element_; // the new table, wherever it is when OK is pressed
    bool threeD_;
    bool done_ = false;
    std::vector<QLineEdit*> fields_;
};

// Sets a newly created 2D or 3D table up, modal over the parent; true when the
// table was laid out. The diagram's "New 2D table" / "New 3D table" call it.
bool RunTableSetup(QWidget* parent, tECU& ecu, int element);

} // namespace zolmar::gui
