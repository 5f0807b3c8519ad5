#pragma once

#include "diagnostics/Checklist.h"
#include "model/ECU.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

namespace zolmar::gui {

// "Setup Checklist": the fifteen first-start steps with their live readings, marks,
// switches and warnings. Every decision is the core Checklist's; the window looks the
// named elements up again at each use, so it holds no element across a change.
class TChecksForm : public QDialog {
    Q_OBJECT

public:
    using Mark = diagnostics::Checklist::Mark;

    explicit TChecksForm(tECU& ecu, QWidget* parent = nullptr);

    // Opening: ChecklistOpen and Modified set, everything filled, the window shown.
    void open();
    // Another configuration is in the model: an open window shows it afresh. The
    // window also notices a replacement by itself at its next tick.
    void configurationReplaced();
    // The poll cycle's part while the window is visible: the live readings.
    void pollCycle();
    // The timers' work, callable on their own.
    void WarningsTimerTimer();
    void ChecklistTimerTimer();

    // What the window asks of the main window.
    std::function<void()> openSetupWizard;
    std::function<bool()> setupWizardAvailable;
    std::function<void()> openWiring;
    std::function<void(int element)> openTable;
    // A switch wrote a Tickbox or Constant: the page and the settings sheets show it.
    std::function<void()> switched;

    // The mark shown for step 1..15 (Hidden for steps without one).
    Mark mark(int step) const { return marks_[static_cast<size_t>(step)]; }
    // The step the arrow points at.
    int arrowStep() const { return arrowStep_; }

    std::array<QPushButton*, 16> OkButton{}; // by step; null where the step has none
    QPushButton* EnableTpsButton = nullptr;
    QPushButton* FinishTpsButton = nullptr;
    QPushButton* DisableInjectorsButton = nullptr;
    QPushButton* ReEnableInjectorsButton = nullptr;
    QPushButton* WizardLink = nullptr;
    QPushButton* WiringLink = nullptr;
    QPushButton* BaseIdleLink = nullptr;
    QPushButton* VeLink = nullptr;
    QPushButton* IgnitionLink = nullptr;
    QPushButton* MapPredictionLink = nullptr;
    QCheckBox* TimingLockBox = nullptr;
    QPushButton* LockAngleUp = nullptr;
    QPushButton* LockAngleDown = nullptr;
    QPushButton* OffsetUp = nullptr;
    QPushButton* OffsetDown = nullptr;
    QLabel* BatteryLabel = nullptr;
    QLabel* MapLabel = nullptr;
    QLabel* EctLabel = nullptr;
    QLabel* AirTempLabel = nullptr;
    QLabel* TpsLabel = nullptr;
    QLabel* RpmLabel = nullptr;
    QLabel* ElecLoadsLabel = nullptr;
    QLabel* IdleControlLabel = nullptr;
    QLabel* FuelControlLabel = nullptr;
    QLabel* LockAngleLabel = nullptr;
    QLabel* OffsetLabel = nullptr;
    QLabel* InjectorsLabel = nullptr;
    QLabel* TpsLearningLabel = nullptr;
    QLabel* CoolantWarning = nullptr;
    QLabel* RpmWarning = nullptr;
    QLabel* IgnitionWarning = nullptr;
    QLabel* VeWarning = nullptr;
    QLabel* Arrow = nullptr;
    QTimer* WarningsTimer = nullptr;
    QTimer* ChecklistTimer = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildSteps();
    void buildTimingRows();
    QLabel* text(const QString& caption, int x, int y, int width = 0);
    QPushButton* button(const QString& caption, int x, int y, int width);
    QPushButton* link(const QString& caption, int x, int y);
    void setMark(int step, Mark mark);
    // Everything that follows the model and not the engine: marks, arrow, check box,
    // angles, which buttons have their element.
    void fill();
    void afterSwitch(int element);
    void openNamedTable(diagnostics::Checklist::Named which);
    void resetReadings();
    // A replaced configuration seen at a tick refills the window; true when it did.
    bool followReplacement();

    tECU& ecu_;
    diagnostics::Checklist checklist_;
    std::array<QLabel*, 16> markLabels_{};
    std::array<Mark, 16> marks_{};
    int arrowStep_ = 1;
    uint64_t generation_ = 0; // the configuration the window shows
};

} // namespace zolmar::gui
