#pragma once

#include "diagnostics/SelfTests.h"
#include "model/ECU.h"

#include <QDialog>
#include <QImage>
#include <array>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zolmar::gui {

// "RAM test results": the failing cells of the last RAM test.
class TRamTestForm : public QDialog {
    Q_OBJECT

public:
    explicit TRamTestForm(QWidget* parent = nullptr);
    void showLines(const std::vector<std::string>& lines);
    QPlainTextEdit* Results = nullptr;
};

// "Injector Test Result": voltage and current traces of the twelve injectors.
class TInjectorTestForm : public QDialog {
    Q_OBJECT

public:
    using Captures =
        std::array<std::array<uint16_t, SelfTests::kResultWords>, SelfTests::kCaptures>;
    explicit TInjectorTestForm(QWidget* parent = nullptr);

    // Draws the plot from the captures and the ticked injectors.
    void redraw();
    Captures& captures() { return captures_; }
    const QImage& plot() const { return plot_; }

    std::array<QCheckBox*, 12> Injectors{};
    QPushButton* TestButton = nullptr;
    QPushButton* CloseButton = nullptr;

signals:
    void testClicked();

private:
    Captures captures_{};
    QImage plot_;
    QLabel* Plot = nullptr;
};

// "Analogue Voltages": the raw voltages of the analogue inputs, injectors and rails.
class TAnaVoltsForm : public QDialog {
    Q_OBJECT

public:
    explicit TAnaVoltsForm(tECU& ecu, QWidget* parent = nullptr);
    // Opening: AnaVoltsOpen set, pin names filled, the window shown on top.
    void open();
    // One poll cycle: the values, when the live area holds them.
    void pollCycle();

    std::array<QLabel*, SelfTests::AnalogueVoltages::kInputs> InputVolts{};
    std::array<QLabel*, SelfTests::AnalogueVoltages::kInputs> PinNames{};
    std::array<QLabel*, SelfTests::AnalogueVoltages::kInjectors> InjectorVolts{};
    std::array<QLabel*, SelfTests::AnalogueVoltages::kInjectors> InjectorAmps{};
    QLabel* Rail3V3 = nullptr;
    QLabel* Rail5V = nullptr;
    QLabel* Battery = nullptr;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    tECU& ecu_;
};

} // namespace zolmar::gui
