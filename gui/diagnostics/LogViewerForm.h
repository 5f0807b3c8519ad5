#pragma once

#include "diagnostics/LogFile.h"
#include "model/ECU.h"
#include "ports/Messages.h"

#include <QColor>
#include <QWidget>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace zolmar::gui {

class LogPlot;
class LogScatter;

// "Log Viewer": a PC log or onboard log drawn against time, channel by channel, with
// a cursor, markers, the figures of the visible range, and the table overlay that
// shows which cells the drive passed through and proposes a VE correction.
class TLogViewerForm : public QWidget {
    Q_OBJECT

public:
    TLogViewerForm(tECU& ecu, Messages& messages, QWidget* parent = nullptr);
    ~TLogViewerForm() override;

    // Opens the log (false with the reason shown when it is no log).
    bool openLog(const std::string& path);
    // Reads lines appended since the last look; the view follows the end when it showed it.
    void followEnd();
    // The tables of the open configuration, refilled after a load or structural change.
    void refillTables();

    const diagnostics::LogFile& log() const { return log_; }
    LogPlot* plot() const { return plot_; }
    LogScatter* scatter() const { return scatter_; }
    QListWidget* channelList() const { return ChannelList; }
    QLineEdit* search() const { return Search; }
    QLabel* statistics() const { return Statistics; }
    QComboBox* tableList() const { return TableList; }
    QComboBox* valueList() const { return ValueList; }
    QComboBox* measuredList() const { return MeasuredList; }
    QComboBox* targetList() const { return TargetList; }
    QTableWidget* cellGrid() const { return CellGrid; }
    void showCells();
    // Proposes the VE correction for the chosen table, asks, and writes it when confirmed.
    void applyCorrectionClick();
    // Where the markers of a log are kept: beside it.
    static std::string markerPath(const std::string& logPath);
    void saveMarkers();

    // Writes the correction as one edit of the configuration. Kept in one place so that
    // the edit can be recorded as a single step of the configuration's history.
    std::function<int(tECU&, int element, const std::vector<diagnostics::VeCorrection>&)>
        applyCorrection;

private:
    void fillChannels();
    void channelsChanged();
    void updateStatistics();
    int tableElement() const;

    tECU& ecu_;
    Messages& messages_;
    diagnostics::LogFile log_;
    std::string path_;
    size_t consumed_ = 0;
    std::vector<QColor> colours_;
    LogPlot* plot_ = nullptr;
    LogScatter* scatter_ = nullptr;
    QComboBox* ScatterX = nullptr;
    QComboBox* ScatterY = nullptr;
    QLineEdit* Search = nullptr;
    QListWidget* ChannelList = nullptr;
    QCheckBox* Overlay = nullptr;
    QLabel* Statistics = nullptr;
    QComboBox* TableList = nullptr;
    QComboBox* ValueList = nullptr;
    QComboBox* MeasuredList = nullptr;
    QComboBox* TargetList = nullptr;
    QSpinBox* MinSamples = nullptr;
    QTableWidget* CellGrid = nullptr;
    QTimer* FollowTimer = nullptr;
    std::vector<ElementRef> tables_;
    uint64_t tablesFor_ = ~uint64_t{0}; // the structure the table list was filled for
};

// The plot: stacked panes (one per shown channel, each with its own scale) or all
// channels overlaid, drawn from the min/max of each pixel column.
class LogPlot : public QWidget {
    Q_OBJECT

public:
    explicit LogPlot(const diagnostics::LogFile& log, QWidget* parent = nullptr);

    std::vector<int> shown;      // channels, in drawing order
    std::vector<QColor> colours; // per channel
    std::vector<double> markers; // seconds
    bool overlaid = false;
    double t0 = 0, t1 = 1; // the visible range

    void showAll();
    void zoom(double factor, double about);
    void pan(double fraction);
    // The value of a channel at a time: its last line at or before it (NaN for none).
    double valueAt(int channel, double t) const;
    double cursor() const { return cursor_; }
    void setCursor(double t);
    bool followsEnd() const;

signals:
    void rangeChanged();
    void markersChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    double timeAt(int x) const;
    const diagnostics::LogFile& log_;
    double cursor_ = -1;
    int dragX_ = -1;
    double dragT0_ = 0;
};

// One channel against another over the visible range, a point per line with both values.
class LogScatter : public QWidget {
    Q_OBJECT

public:
    explicit LogScatter(const diagnostics::LogFile& log, QWidget* parent = nullptr);
    int x = -1, y = -1;
    double t0 = 0, t1 = 0;
    // The points the last drawing showed.
    size_t points() const { return points_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const diagnostics::LogFile& log_;
    size_t points_ = 0;
};

} // namespace zolmar::gui
