#include "diagnostics/LogViewerForm.h"

#include "model/Cp1252.h"
#include "model/Tables.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <fstream>

namespace zolmar::gui {

namespace {

constexpr int kLeft = 64;   // room for the scale labels
constexpr int kBottom = 22; // room for the time axis

const QColor kPalette[] = {QColor(200, 0, 0),   QColor(0, 0, 200),   QColor(0, 128, 0),
                           QColor(128, 0, 128), QColor(200, 120, 0), QColor(0, 128, 128),
                           QColor(90, 90, 90),  QColor(160, 80, 40)};

QString fromLog(const std::string& bytes) {
    return QString::fromStdString(cp1252ToUtf8(bytes));
}

QString twoDecimals(double v) {
    return std::isnan(v) ? QStringLiteral("----") : QString::number(v, 'f', 2);
}

} // namespace

// ---------------------------------------------------------------- the plot

LogPlot::LogPlot(const diagnostics::LogFile& log, QWidget* parent) : QWidget(parent), log_(log) {
    setObjectName(QStringLiteral("LogPlot"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(480, 320);
}

void LogPlot::showAll() {
    t0 = log_.lines() ? log_.seconds.front() : 0;
    t1 = log_.lines() ? log_.seconds.back() : 1;
    if (!(t1 > t0))
        t1 = t0 + 1;
    emit rangeChanged();
    update();
}

void LogPlot::zoom(double factor, double about) {
    const double span = std::clamp((t1 - t0) * factor, 0.05, 1e7);
    const double share = (t1 > t0) ? (about - t0) / (t1 - t0) : 0.5;
    t0 = about - share * span;
    t1 = t0 + span;
    emit rangeChanged();
    update();
}

void LogPlot::pan(double fraction) {
    const double shift = (t1 - t0) * fraction;
    t0 += shift;
    t1 += shift;
    emit rangeChanged();
    update();
}

bool LogPlot::followsEnd() const {
    return log_.lines() == 0 || t1 >= log_.seconds.back() - 1e-9;
}

double LogPlot::valueAt(int channel, double t) const {
    if (channel < 0 || channel >= static_cast<int>(log_.channels.size()) || log_.lines() == 0)
        return NAN;
    size_t i = log_.lineAt(t);
    if (i >= log_.lines() || log_.seconds[i] > t) {
        if (i == 0)
            return NAN;
        --i;
    }
    return log_.channels[static_cast<size_t>(channel)].values[i];
}

void LogPlot::setCursor(double t) {
    cursor_ = t;
    update();
}

double LogPlot::timeAt(int x) const {
    const int w = std::max(1, width() - kLeft - 8);
    return t0 + (x - kLeft) * (t1 - t0) / w;
}

void LogPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const int w = std::max(1, width() - kLeft - 8);
    const int h = std::max(1, height() - kBottom - 4);
    const int panes = overlaid ? 1 : std::max<int>(1, static_cast<int>(shown.size()));
    const int paneH = h / panes;
    p.setPen(QColor(0xC0, 0xC0, 0xC0));
    for (int k = 0; k < panes; ++k)
        p.drawRect(kLeft, 2 + k * paneH, w, paneH - 2);
    for (size_t s = 0; s < shown.size(); ++s) {
        const int channel = shown[s];
        const int top = 2 + (overlaid ? 0 : static_cast<int>(s)) * paneH;
        // Each pane has its own scale: the range of the visible lines.
        const size_t a = log_.lineAt(t0);
        const size_t b = log_.lineAfter(t1);
        const auto stats =
            diagnostics::Statistics(log_.channels[static_cast<size_t>(channel)], a, b);
        double lo = stats.count ? stats.min : 0;
        double hi = stats.count ? stats.max : 1;
        if (hi - lo < 1e-6) {
            lo -= 1;
            hi += 1;
        }
        const double pad = (hi - lo) * 0.05;
        lo -= pad;
        hi += pad;
        const auto y = [&](double v) {
            return top + paneH - 3 - static_cast<int>((v - lo) / (hi - lo) * (paneH - 6));
        };
        const QColor colour = static_cast<size_t>(channel) < colours.size()
                                  ? colours[static_cast<size_t>(channel)]
                                  : Qt::black;
        p.setPen(colour);
        const auto columns = diagnostics::Decimate(log_, channel, t0, t1, w);
        // Each column shows its minimum to maximum; neighbouring values are joined
        // across columns without lines, but not across "----" or invalid stretches.
        int previousX = -1;
        double previousMid = 0;
        for (int x = 0; x < w; ++x) {
            const auto& c = columns[static_cast<size_t>(x)];
            if (!c.any) {
                const double t = t0 + (x + 0.5) * (t1 - t0) / w;
                if (previousX >= 0 && std::isnan(valueAt(channel, t)))
                    previousX = -1;
                continue;
            }
            const double mid = (static_cast<double>(c.min) + c.max) / 2;
            if (previousX >= 0)
                p.drawLine(kLeft + previousX, y(previousMid), kLeft + x, y(mid));
            p.drawLine(kLeft + x, y(c.min), kLeft + x, y(c.max));
            previousX = x;
            previousMid = mid;
        }
        if (!overlaid || s == 0) {
            p.setPen(Qt::black);
            p.drawText(QRect(0, top, kLeft - 4, 14), Qt::AlignRight, twoDecimals(hi - pad));
            p.drawText(QRect(0, top + paneH - 16, kLeft - 4, 14), Qt::AlignRight,
                       twoDecimals(lo + pad));
        }
        QString caption = fromLog(log_.channels[static_cast<size_t>(channel)].name);
        if (cursor_ >= t0 && cursor_ <= t1)
            caption += QStringLiteral(": ") + twoDecimals(valueAt(channel, cursor_));
        p.setPen(colour);
        p.drawText(kLeft + 6, top + 14 + (overlaid ? 14 * static_cast<int>(s) : 0), caption);
    }
    p.setPen(QPen(QColor(248, 150, 0), 1, Qt::DashLine));
    for (double m : markers)
        if (m >= t0 && m <= t1) {
            const int x = kLeft + static_cast<int>((m - t0) / (t1 - t0) * w);
            p.drawLine(x, 2, x, 2 + h);
        }
    if (cursor_ >= t0 && cursor_ <= t1) {
        const int x = kLeft + static_cast<int>((cursor_ - t0) / (t1 - t0) * w);
        p.setPen(Qt::black);
        p.drawLine(x, 2, x, 2 + h);
    }
    p.setPen(Qt::black);
    const int axis = height() - kBottom + 14;
    p.drawText(kLeft, axis, QString::number(t0, 'f', 3) + QStringLiteral(" s"));
    p.drawText(QRect(kLeft, axis - 12, w, 14), Qt::AlignRight,
               QString::number(t1, 'f', 3) + QStringLiteral(" s"));
    if (cursor_ >= t0 && cursor_ <= t1)
        p.drawText(QRect(kLeft, axis - 12, w, 14), Qt::AlignHCenter,
                   QStringLiteral("Cursor ") + QString::number(cursor_, 'f', 3) +
                       QStringLiteral(" s"));
}

void LogPlot::wheelEvent(QWheelEvent* event) {
    zoom(event->angleDelta().y() > 0 ? 0.8 : 1.25, timeAt(static_cast<int>(event->position().x())));
}

void LogPlot::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (event->button() == Qt::LeftButton) {
        dragX_ = static_cast<int>(event->position().x());
        dragT0_ = t0;
    }
}

void LogPlot::mouseMoveEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    if (dragX_ >= 0 && (event->buttons() & Qt::LeftButton)) {
        const double span = t1 - t0;
        t0 = dragT0_ - (x - dragX_) * span / std::max(1, width() - kLeft - 8);
        t1 = t0 + span;
        emit rangeChanged();
    }
    setCursor(timeAt(x));
}

void LogPlot::mouseReleaseEvent(QMouseEvent*) {
    dragX_ = -1;
}

void LogPlot::keyPressEvent(QKeyEvent* event) {
    const double middle = (t0 + t1) / 2;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(0.5, cursor_ >= t0 && cursor_ <= t1 ? cursor_ : middle);
        break;
    case Qt::Key_Minus:
        zoom(2, cursor_ >= t0 && cursor_ <= t1 ? cursor_ : middle);
        break;
    case Qt::Key_Left:
        pan(-0.1);
        break;
    case Qt::Key_Right:
        pan(0.1);
        break;
    case Qt::Key_Home:
        showAll();
        break;
    case Qt::Key_M:
        // A marker at the cursor (or the middle of the view when the cursor is away).
        markers.push_back(cursor_ >= t0 && cursor_ <= t1 ? cursor_ : middle);
        std::sort(markers.begin(), markers.end());
        emit markersChanged();
        update();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

// ---------------------------------------------------------------- the scatter view

LogScatter::LogScatter(const diagnostics::LogFile& log, QWidget* parent)
    : QWidget(parent), log_(log) {
    setObjectName(QStringLiteral("LogScatter"));
    setMinimumSize(220, 200);
}

void LogScatter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    points_ = 0;
    const int n = static_cast<int>(log_.channels.size());
    if (x < 0 || y < 0 || x >= n || y >= n)
        return;
    const size_t a = log_.lineAt(t0);
    const size_t b = log_.lineAfter(t1);
    const auto& xs = log_.channels[static_cast<size_t>(x)];
    const auto& ys = log_.channels[static_cast<size_t>(y)];
    const auto sx = diagnostics::Statistics(xs, a, b);
    const auto sy = diagnostics::Statistics(ys, a, b);
    const double xr = std::max(sx.max - sx.min, 1e-6);
    const double yr = std::max(sy.max - sy.min, 1e-6);
    const int w = width() - 50, h = height() - 30;
    p.setPen(QColor(0xC0, 0xC0, 0xC0));
    p.drawRect(40, 4, w, h);
    p.setPen(QPen(QColor(0, 0, 200), 2));
    for (size_t i = a; i < b; ++i) {
        const float vx = xs.values[i], vy = ys.values[i];
        if (std::isnan(vx) || std::isnan(vy))
            continue;
        p.drawPoint(40 + static_cast<int>((vx - sx.min) / xr * w),
                    4 + h - static_cast<int>((vy - sy.min) / yr * h));
        ++points_;
    }
    p.setPen(Qt::black);
    p.drawText(QRect(0, 4, 38, 14), Qt::AlignRight, twoDecimals(sy.max));
    p.drawText(QRect(0, h - 10, 38, 14), Qt::AlignRight, twoDecimals(sy.min));
    p.drawText(40, height() - 10, twoDecimals(sx.min));
    p.drawText(QRect(40, height() - 22, w, 14), Qt::AlignRight, twoDecimals(sx.max));
}

// ---------------------------------------------------------------- the window

TLogViewerForm::TLogViewerForm(tECU& ecu, Messages& messages, QWidget* parent)
    : QWidget(parent, Qt::Window), ecu_(ecu), messages_(messages) {
    setObjectName(QStringLiteral("TLogViewerForm"));
    setWindowTitle(QStringLiteral("Log Viewer"));
    applyCorrection = [](tECU& e, int element,
                         const std::vector<diagnostics::VeCorrection>& corrections) {
        return diagnostics::ApplyVeCorrection(e, element, corrections);
    };
    auto* row = new QHBoxLayout(this);
    auto* side = new QVBoxLayout();
    Search = new QLineEdit(this);
    Search->setPlaceholderText(QStringLiteral("Search channels"));
    connect(Search, &QLineEdit::textChanged, this, [this](const QString& text) {
        for (int k = 0; k < ChannelList->count(); ++k)
            ChannelList->item(k)->setHidden(
                !ChannelList->item(k)->text().contains(text, Qt::CaseInsensitive));
    });
    side->addWidget(Search);
    ChannelList = new QListWidget(this);
    ChannelList->setObjectName(QStringLiteral("ChannelList"));
    connect(ChannelList, &QListWidget::itemChanged, this, [this] { channelsChanged(); });
    connect(ChannelList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int c = item->data(Qt::UserRole).toInt();
        const QColor chosen = QColorDialog::getColor(colours_[static_cast<size_t>(c)], this);
        if (!chosen.isValid())
            return;
        colours_[static_cast<size_t>(c)] = chosen;
        item->setForeground(chosen);
        channelsChanged();
    });
    side->addWidget(ChannelList, 1);
    Overlay = new QCheckBox(QStringLiteral("Overlay channels"), this);
    connect(Overlay, &QCheckBox::toggled, this, [this] { channelsChanged(); });
    side->addWidget(Overlay);
    Statistics = new QLabel(this);
    Statistics->setObjectName(QStringLiteral("Statistics"));
    Statistics->setWordWrap(true);
    Statistics->setTextFormat(Qt::PlainText);
    side->addWidget(Statistics);
    row->addLayout(side);

    auto* centre = new QVBoxLayout();
    plot_ = new LogPlot(log_, this);
    connect(plot_, &LogPlot::rangeChanged, this, [this] { updateStatistics(); });
    connect(plot_, &LogPlot::markersChanged, this, [this] { saveMarkers(); });
    centre->addWidget(plot_, 3);
    centre->addWidget(new QLabel(
        QStringLiteral("Wheel or +/- zoom, drag or Left/Right pan, Home shows all, M sets a "
                       "marker at the cursor. Double-click a channel for its colour."),
        this));

    auto* cells = new QGridLayout();
    TableList = new QComboBox(this);
    ValueList = new QComboBox(this);
    MeasuredList = new QComboBox(this);
    TargetList = new QComboBox(this);
    MinSamples = new QSpinBox(this);
    MinSamples->setRange(1, 100000);
    MinSamples->setValue(20);
    cells->addWidget(new QLabel(QStringLiteral("Table:"), this), 0, 0);
    cells->addWidget(TableList, 0, 1);
    cells->addWidget(new QLabel(QStringLiteral("Mean of:"), this), 0, 2);
    cells->addWidget(ValueList, 0, 3);
    auto* show = new QPushButton(QStringLiteral("Show Cells"), this);
    connect(show, &QPushButton::clicked, this, &TLogViewerForm::showCells);
    cells->addWidget(show, 0, 4);
    cells->addWidget(new QLabel(QStringLiteral("Measured lambda:"), this), 1, 0);
    cells->addWidget(MeasuredList, 1, 1);
    cells->addWidget(new QLabel(QStringLiteral("Target lambda:"), this), 1, 2);
    cells->addWidget(TargetList, 1, 3);
    cells->addWidget(new QLabel(QStringLiteral("Minimum samples per cell:"), this), 2, 0);
    cells->addWidget(MinSamples, 2, 1);
    auto* apply = new QPushButton(QStringLiteral("Apply VE Correction..."), this);
    connect(apply, &QPushButton::clicked, this, &TLogViewerForm::applyCorrectionClick);
    cells->addWidget(apply, 2, 4);
    centre->addLayout(cells);
    auto* lower = new QHBoxLayout();
    CellGrid = new QTableWidget(this);
    CellGrid->setObjectName(QStringLiteral("CellGrid"));
    CellGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CellGrid->horizontalHeader()->setDefaultSectionSize(46);
    CellGrid->verticalHeader()->setDefaultSectionSize(20);
    lower->addWidget(CellGrid, 3);
    auto* scatterColumn = new QVBoxLayout();
    ScatterX = new QComboBox(this);
    ScatterY = new QComboBox(this);
    scatter_ = new LogScatter(log_, this);
    auto* pick = new QHBoxLayout();
    pick->addWidget(new QLabel(QStringLiteral("Scatter:"), this));
    pick->addWidget(ScatterY);
    pick->addWidget(new QLabel(QStringLiteral("against"), this));
    pick->addWidget(ScatterX);
    scatterColumn->addLayout(pick);
    scatterColumn->addWidget(scatter_, 1);
    for (QComboBox* list : {ScatterX, ScatterY})
        connect(list, &QComboBox::currentIndexChanged, this, [this] {
            scatter_->x = ScatterX->currentData().toInt();
            scatter_->y = ScatterY->currentData().toInt();
            scatter_->update();
        });
    lower->addLayout(scatterColumn, 2);
    centre->addLayout(lower, 2);
    row->addLayout(centre, 1);

    FollowTimer = new QTimer(this);
    FollowTimer->setInterval(500);
    connect(FollowTimer, &QTimer::timeout, this, &TLogViewerForm::followEnd);
    resize(1100, 760);
}

TLogViewerForm::~TLogViewerForm() = default;

std::string TLogViewerForm::markerPath(const std::string& logPath) {
    return logPath + ".markers";
}

bool TLogViewerForm::openLog(const std::string& path) {
    diagnostics::LogFile log;
    std::string error;
    if (!diagnostics::ReadLogFile(path, log, error)) {
        messages_.error(utf8ToCp1252(error));
        return false;
    }
    log_ = std::move(log);
    path_ = path;
    std::ifstream size(path, std::ios::binary | std::ios::ate);
    consumed_ = static_cast<size_t>(std::max<std::streamoff>(0, size.tellg()));
    colours_.clear();
    for (size_t c = 0; c < log_.channels.size(); ++c)
        colours_.push_back(kPalette[c % std::size(kPalette)]);
    plot_->markers.clear();
    std::ifstream markers(markerPath(path));
    for (double t; markers >> t;)
        plot_->markers.push_back(t);
    setWindowTitle(QStringLiteral("Log Viewer - ") + QString::fromStdString(path));
    fillChannels();
    refillTables();
    plot_->showAll();
    FollowTimer->start();
    show();
    raise();
    return true;
}

void TLogViewerForm::followEnd() {
    // A load, a full read or a structural change: the table list follows.
    if (ecu_.StructureGeneration() + ecu_.ConfigurationGeneration() != tablesFor_)
        refillTables();
    if (path_.empty())
        return;
    std::ifstream in(path_, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() <= consumed_)
        return;
    const bool atEnd = plot_->followsEnd();
    const double span = plot_->t1 - plot_->t0;
    diagnostics::AppendLog(text.data(), text.size(), consumed_, log_);
    if (atEnd && log_.lines()) {
        plot_->t1 = std::max(log_.seconds.back(), plot_->t0 + span);
        plot_->t0 = plot_->t1 - span;
    }
    updateStatistics();
    plot_->update();
}

void TLogViewerForm::saveMarkers() {
    if (path_.empty())
        return;
    std::ofstream out(markerPath(path_), std::ios::binary);
    for (double t : plot_->markers) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f\n", t);
        out << text;
    }
}

void TLogViewerForm::fillChannels() {
    QSignalBlocker block(ChannelList);
    ChannelList->clear();
    for (QComboBox* list : {ValueList, MeasuredList, TargetList, ScatterX, ScatterY})
        list->clear();
    for (size_t c = 0; c < log_.channels.size(); ++c) {
        const QString name = fromLog(log_.channels[c].name);
        auto* item = new QListWidgetItem(name, ChannelList);
        item->setData(Qt::UserRole, static_cast<int>(c));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(c < 4 ? Qt::Checked : Qt::Unchecked);
        item->setForeground(colours_[c]);
        for (QComboBox* list : {ValueList, MeasuredList, TargetList, ScatterX, ScatterY})
            list->addItem(name, static_cast<int>(c));
    }
    // The first lambda (or AFR) channels are the likely choices for the correction.
    bool measured = false, targetFound = false;
    for (size_t c = 0; c < log_.channels.size(); ++c) {
        const QString name = fromLog(log_.channels[c].name).toLower();
        const bool target = name.contains(QStringLiteral("target"));
        if (!target && !name.contains(QStringLiteral("lambda")) &&
            !name.contains(QStringLiteral("afr")))
            continue;
        if (target && !targetFound) {
            TargetList->setCurrentIndex(static_cast<int>(c));
            targetFound = true;
        } else if (!target && !measured) {
            MeasuredList->setCurrentIndex(static_cast<int>(c));
            ValueList->setCurrentIndex(static_cast<int>(c));
            measured = true;
        }
    }
    // The mixture against the engine speed is the first look at a drive.
    if (log_.channels.size() >= 2) {
        ScatterX->setCurrentIndex(0);
        ScatterY->setCurrentIndex(ValueList->currentIndex() > 0 ? ValueList->currentIndex() : 1);
    }
    channelsChanged();
}

void TLogViewerForm::channelsChanged() {
    plot_->shown.clear();
    for (int k = 0; k < ChannelList->count(); ++k)
        if (ChannelList->item(k)->checkState() == Qt::Checked)
            plot_->shown.push_back(ChannelList->item(k)->data(Qt::UserRole).toInt());
    plot_->colours = colours_;
    plot_->overlaid = Overlay->isChecked();
    updateStatistics();
    plot_->update();
}

void TLogViewerForm::updateStatistics() {
    scatter_->t0 = plot_->t0;
    scatter_->t1 = plot_->t1;
    scatter_->update();
    const size_t a = log_.lineAt(plot_->t0);
    const size_t b = log_.lineAfter(plot_->t1);
    QString text = QStringLiteral("Visible %1 s to %2 s\n")
                       .arg(plot_->t0, 0, 'f', 3)
                       .arg(plot_->t1, 0, 'f', 3);
    for (int c : plot_->shown) {
        const auto& channel = log_.channels[static_cast<size_t>(c)];
        text += QString::fromStdString(cp1252ToUtf8(
                    diagnostics::StatsLine(channel.name, diagnostics::Statistics(channel, a, b)))) +
                QStringLiteral("\n");
    }
    Statistics->setText(text);
}

void TLogViewerForm::refillTables() {
    const int previous = tableElement();
    tablesFor_ = ecu_.StructureGeneration() + ecu_.ConfigurationGeneration();
    TableList->clear();
    tables_.clear();
    for (int i = 0; i < ecu_.NumElements; ++i)
        if (Tables::IsTable(ecu_.TypeOf(i))) {
            tables_.emplace_back(ecu_, i);
            TableList->addItem(fromLog(ecu_.NameOf(Layout::kNumPages + i)));
            if (i == previous)
                TableList->setCurrentIndex(TableList->count() - 1);
        }
    if (previous < 0)
        for (int k = 0; k < TableList->count(); ++k)
            if (TableList->itemText(k).contains(QStringLiteral("Volumetric"))) {
                TableList->setCurrentIndex(k);
                break;
            }
}

int TLogViewerForm::tableElement() const {
    const int k = TableList ? TableList->currentIndex() : -1;
    if (k < 0 || k >= static_cast<int>(tables_.size()))
        return -1;
    return tables_[static_cast<size_t>(k)].index(ecu_);
}

void TLogViewerForm::showCells() {
    const int element = tableElement();
    diagnostics::LogCells cells;
    std::string error;
    if (!diagnostics::BinCells(ecu_, log_, element, ValueList->currentData().toInt(), cells,
                               error)) {
        messages_.error(utf8ToCp1252(error));
        return;
    }
    CellGrid->clear();
    CellGrid->setColumnCount(cells.columns);
    CellGrid->setRowCount(cells.rows);
    QStringList columns, rows;
    for (double x : cells.xRefs)
        columns << QString::number(x, 'f', 2);
    for (int r = 0; r < cells.rows; ++r)
        rows << (cells.yRefs.empty() ? QString() : QString::number(cells.yRefs[r], 'f', 2));
    CellGrid->setHorizontalHeaderLabels(columns);
    CellGrid->setVerticalHeaderLabels(rows);
    const double most = *std::max_element(cells.seconds.begin(), cells.seconds.end());
    for (int r = 0; r < cells.rows; ++r)
        for (int c = 0; c < cells.columns; ++c) {
            const size_t k = static_cast<size_t>(r * cells.columns + c);
            auto* item = new QTableWidgetItem(
                cells.count[k] ? QString::number(cells.mean(c, r), 'f', 2) : QString());
            // The longer the log stayed in a cell, the deeper its colour.
            const double share = most > 0 ? cells.seconds[k] / most : 0;
            item->setBackground(cells.count[k]
                                    ? QColor::fromHsvF(0.33 - 0.33 * share, 0.25 + 0.6 * share, 1.0)
                                    : QColor(Qt::white));
            item->setToolTip(QStringLiteral("%1 lines, %2 s")
                                 .arg(cells.count[k])
                                 .arg(cells.seconds[k], 0, 'f', 2));
            CellGrid->setItem(r, c, item);
        }
}

void TLogViewerForm::applyCorrectionClick() {
    const int element = tableElement();
    std::string error;
    const auto proposal = diagnostics::ProposeVeCorrection(
        ecu_, log_, element, MeasuredList->currentData().toInt(), TargetList->currentData().toInt(),
        static_cast<uint32_t>(MinSamples->value()), error);
    if (proposal.empty()) {
        messages_.information(error.empty() ? "No cell has enough samples to correct."
                                            : utf8ToCp1252(error));
        return;
    }
    double smallest = 10, largest = 0;
    for (const auto& c : proposal) {
        smallest = std::min(smallest, c.factor);
        largest = std::max(largest, c.factor);
    }
    char text[240];
    std::snprintf(text, sizeof text,
                  "Correct %zu cells of \"%s\" by measured / target lambda (factors %.3f to "
                  "%.3f)?",
                  proposal.size(), ecu_.NameOf(Layout::kNumPages + element).c_str(), smallest,
                  largest);
    if (!messages_.askYesNo(Messages::Kind::Confirmation, text))
        return;
    applyCorrection(ecu_, element, proposal);
    showCells();
}

} // namespace zolmar::gui
