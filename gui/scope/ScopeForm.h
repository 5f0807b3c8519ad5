#pragma once

#include "model/ECU.h"
#include "ports/Messages.h"
#include "scope/Scope.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace zolmar {
class TModbusDriver;
}

namespace zolmar::gui {

class ScopeScreen;

// The "Scope" window: four channels of ECU signals captured by the ECU around a
// trigger. The settings live in the configuration's constants; the window mirrors
// them, arms and forces the capture, fetches the buffer through the poll cycle and
// draws it.
class TScopeForm : public QWidget {
    Q_OBJECT

public:
    TScopeForm(tECU& ecu, Messages& messages, QWidget* parent = nullptr);

    // The driver for the two mode-word writes (it may not exist yet).
    std::function<TModbusDriver*()> driver;

    // Fills every control from the configuration, unless already done.
    void LoadScopeSettings();
    // One poll cycle's work; nothing while hidden.
    void ScopeCycle();
    void RunClick(bool ticked);
    void ForceTriggerClick();
    void HelpClick();

    const QImage& screen() const;
    QComboBox* source(int channel) const { return sources_[static_cast<size_t>(channel)]; }
    QComboBox* livePage(int channel) const { return pages_[static_cast<size_t>(channel)]; }
    QComboBox* liveElement(int channel) const { return elements_[static_cast<size_t>(channel)]; }
    QComboBox* scale(int channel) const { return scales_[static_cast<size_t>(channel)]; }
    QSlider* offset(int channel) const { return offsets_[static_cast<size_t>(channel)]; }
    QCheckBox* showChannel(int channel) const { return shows_[static_cast<size_t>(channel)]; }
    QLabel* marker(int channel) const { return markers_[static_cast<size_t>(channel)]; }
    QComboBox* triggerSource() const { return sources_[4]; }
    QSlider* triggerLevel() const { return TrigLevel; }
    QLabel* triggerLevelMarker() const { return TrigLevelMarker; }
    QComboBox* booleanTrigger() const { return BoolTrigSource; }
    QComboBox* timebase() const { return TimeBase; }
    QComboBox* trigMode() const { return TrigMode; }
    QCheckBox* run() const { return RunBox; }
    QCheckBox* accumulate() const { return Accumulate; }
    QCheckBox* fallingEdge() const { return FallingEdge; }
    QSlider* horizontal() const { return HorizSlider; }
    QLabel* horizontalLabel() const { return HorizLabel; }
    QLabel* status() const { return StatusLabel; }
    QLabel* captureAge() const { return CaptureAge; }
    const scope::ScopeCycle& cycle() const { return cycle_; }
    QSlider* cursor(int k) const { return k == 0 ? CursorA : CursorB; }
    QCheckBox* showCursor(int k) const { return k == 0 ? ShowA : ShowB; }
    QLabel* cursorLabel(int k) const {
        return k == 0 ? CursorALabel : k == 1 ? CursorBLabel : DeltaLabel;
    }
    QLabel* bandLabel(bool upper, int bit) const {
        return (upper ? upper_ : lower_)[static_cast<size_t>(bit)];
    }

protected:
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildChannel(int channel);
    QWidget* buildTrigger();
    QWidget* buildTiming();
    void fillPages(int list);
    void fillElements(int list, int page, int liveAddress);
    void selectLiveAddress(int list, int liveAddress);
    void sourceChosen(int list, int item);
    void elementChosen(int list);
    void applyVisibility(int list);
    void showTriggerKind();
    // The band labels of the capture on screen, or of the settings when none is shown.
    void setBands();
    void setMarker(int channel);
    void setHorizontal();
    void updateCursors();
    void clearScreen();
    void paintGrid();
    void drawChannels(const std::array<int, 4>& items);
    int itemOf(int list) const;
    std::array<int, 4> channelItems() const;

    tECU& ecu_;
    Messages& messages_;
    scope::ScopeCycle cycle_;
    std::array<int, 4> shownItems_{}; // the sources of the capture on screen
    QElapsedTimer clock_;
    int angleReference_ = 0;
    bool loading_ = false;
    ScopeScreen* screen_ = nullptr;
    // Lists 0-3 are the channels, 4 the trigger.
    std::array<QComboBox*, 5> sources_{};
    std::array<QComboBox*, 5> pages_{};
    std::array<QComboBox*, 5> elements_{};
    // The outputs each element list offers, by element identity: addresses move when
    // elements are created, deleted or reordered while the window is open.
    struct OfferedOutput {
        ElementRef element;
        int output = 0;
    };
    std::array<std::vector<OfferedOutput>, 5> offered_{};
    std::array<QComboBox*, 4> scales_{};
    std::array<QLabel*, 4> scaleCaptions_{};
    std::array<QSlider*, 4> offsets_{};
    std::array<QLabel*, 4> offsetCaptions_{};
    std::array<QCheckBox*, 4> shows_{};
    std::array<QLabel*, 4> markers_{};
    std::array<QLabel*, 16> lower_{};
    std::array<QLabel*, 16> upper_{};
    std::array<QLabel*, 4> fixedLabels_{};
    QSlider* TrigLevel = nullptr;
    QLabel* TrigLevelCaption = nullptr;
    QLabel* TrigLevelMarker = nullptr;
    QLabel* BoolTrigCaption = nullptr;
    QComboBox* BoolTrigSource = nullptr;
    QComboBox* TimeBase = nullptr;
    QComboBox* TrigMode = nullptr;
    QCheckBox* RunBox = nullptr;
    QCheckBox* Accumulate = nullptr;
    QCheckBox* FallingEdge = nullptr;
    QSlider* HorizSlider = nullptr;
    QLabel* HorizLabel = nullptr;
    QLabel* TMarker = nullptr;
    QLabel* StatusLabel = nullptr;
    QLabel* CaptureAge = nullptr;
    QSlider* CursorA = nullptr;
    QSlider* CursorB = nullptr;
    QCheckBox* ShowA = nullptr;
    QCheckBox* ShowB = nullptr;
    QLabel* CursorALabel = nullptr;
    QLabel* CursorBLabel = nullptr;
    QLabel* DeltaLabel = nullptr;
    QLabel* AMarker = nullptr;
    QLabel* BMarker = nullptr;
};

} // namespace zolmar::gui
