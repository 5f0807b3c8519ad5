#include "gauges/GaugesForm.h"

#include "app/QtPorts.h"

#include <QFont>
#include <QFontDatabase>
#include <QLabel>

namespace zolmar::gui {

namespace {

constexpr int kGroupWidth = 424;
constexpr int kFirstRowY = 52;

void colour(QLabel* label, bool red) {
    label->setStyleSheet(red ? QStringLiteral("color: rgb(255,0,0)")
                             : QStringLiteral("color: black"));
}

} // namespace

TGaugesForm::TGaugesForm(tECU& ecu, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), ecu_(ecu) {
    setObjectName(QStringLiteral("TGaugesForm"));
    setWindowTitle(QStringLiteral("Live Gauges"));
    setAutoFillBackground(true);
    QFont bold = font();
    bold.setPixelSize(13);
    bold.setBold(true);
    // Values are padded with blanks to line up, so they need a fixed pitch.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(13);
    fixed.setBold(true);
    for (int group = 0; group < 2; ++group) {
        const int x = group * kGroupWidth;
        auto heading = [this, x](const char* text, int dx, int y) {
            auto* label = new QLabel(QString::fromUtf8(text), this);
            label->move(x + dx, y);
        };
        heading("Variable", 8, 6);
        heading("Value", 214, 6);
        heading("Target, Effort", 300, 6);
        heading("Red=Invalid", 206, 24);
        heading("Red=Open-Loop", 300, 24);
    }
    for (int row = 0; row < gauges::GaugeList::kMaxRows; ++row) {
        const int x = (row / gauges::GaugeList::kRowsPerGroup) * kGroupWidth;
        const int y =
            kFirstRowY + (row % gauges::GaugeList::kRowsPerGroup) * gauges::GaugeList::kRowPitch;
        auto make = [this, x, y](const QFont& f, int dx, int width) {
            auto* label = new QLabel(QStringLiteral(" "), this);
            label->setFont(f);
            label->setGeometry(x + dx, y, width, 20);
            return label;
        };
        names_[static_cast<size_t>(row)] = make(bold, 8, 196);
        values_[static_cast<size_t>(row)] = make(fixed, 206, 88);
        targets_[static_cast<size_t>(row)] = make(fixed, 296, 126);
    }
    buildList();
    ecu_.GaugesWindowOpen = false;
}

void TGaugesForm::buildList() {
    list_.Build(ecu_);
    const auto& rows = list_.Rows();
    for (int row = 0; row < gauges::GaugeList::kMaxRows; ++row) {
        const bool used = row < static_cast<int>(rows.size());
        names_[static_cast<size_t>(row)]->setText(
            used ? fromImageText(rows[static_cast<size_t>(row)].name) : QStringLiteral(" "));
        values_[static_cast<size_t>(row)]->setText(QStringLiteral(" "));
        targets_[static_cast<size_t>(row)]->setText(QStringLiteral(" "));
    }
    setFixedSize(list_.Width(), list_.Height());
}

void TGaugesForm::refresh() {
    for (int row = 0; row < static_cast<int>(list_.Rows().size()); ++row) {
        const auto view = list_.Refresh(ecu_, row);
        QLabel* value = values_[static_cast<size_t>(row)];
        value->setText(QString::fromStdString(view.value));
        colour(value, view.valueRed);
        QLabel* target = targets_[static_cast<size_t>(row)];
        target->setText(QString::fromStdString(view.target));
        colour(target, view.targetRed);
    }
}

void TGaugesForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    ecu_.GaugesWindowOpen = false;
}

} // namespace zolmar::gui
