#pragma once

#include "model/ECU.h"
#include "simulator/Simulator.h"

#include <QWidget>
#include <vector>

class QAbstractSlider;
class QCheckBox;
class QLabel;

namespace zolmar::gui {

// The "Simulator" window: one control per input signal the ECU would measure. The
// controls move the simulator's inputs; what they do to the model is the core's.
class TSimulatorForm : public QWidget {
    Q_OBJECT

public:
    TSimulatorForm(tECU& ecu, sim::Simulator& simulator, QWidget* parent = nullptr);

    // Sets the captions from the configuration and the controls from the positions.
    void prepare();
    // Moves a control as the user would; false outside its range.
    bool setControl(int control, int position);
    QAbstractSlider* slider(int control) const;
    QCheckBox* checkBox(int control) const;
    QLabel* caption(int control) const;
    QLabel* valueLabel(int control) const;

signals:
    // A control wrote its live word(s).
    void controlChanged();
    // The user closed the window.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void changed(int control, int position);

    tECU& ecu_;
    sim::Simulator& simulator_;
    std::vector<QAbstractSlider*> sliders_;
    std::vector<QCheckBox*> boxes_;
    std::vector<QLabel*> captions_;
    std::vector<QLabel*> values_;
};

} // namespace zolmar::gui
