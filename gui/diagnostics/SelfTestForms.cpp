#include "diagnostics/SelfTestForms.h"

#include "app/QtPorts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace AV = SelfTests::AnalogueVoltages;

TRamTestForm::TRamTestForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TRamTestForm"));
    setWindowTitle(QStringLiteral("RAM test results"));
    auto* column = new QVBoxLayout(this);
    Results = new QPlainTextEdit(this);
    Results->setObjectName(QStringLiteral("Results"));
    Results->setReadOnly(true);
    Results->setFont(QFont(QStringLiteral("Monospace")));
    Results->setMinimumSize(380, 420);
    column->addWidget(Results);
}

void TRamTestForm::showLines(const std::vector<std::string>& lines) {
    Results->clear();
    for (const auto& line : lines)
        Results->appendPlainText(QString::fromStdString(line));
    show();
    raise();
}

namespace {
constexpr int kPlotWidth = 330;
constexpr int kPlotHeight = 186;
} // namespace

TInjectorTestForm::TInjectorTestForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TInjectorTestForm"));
    setWindowTitle(QStringLiteral("Injector Test Result"));
    auto* row = new QHBoxLayout(this);
    Plot = new QLabel(this);
    Plot->setObjectName(QStringLiteral("Plot"));
    row->addWidget(Plot);
    auto* column = new QVBoxLayout();
    for (int j = 1; j <= 12; ++j) {
        auto* box = new QCheckBox(QStringLiteral("Injector %1").arg(j), this);
        box->setObjectName(QStringLiteral("Injector%1").arg(j));
        box->setChecked(true);
        QColor colour(static_cast<QRgb>(SelfTests::InjectorColour(j)));
        box->setStyleSheet(
            QStringLiteral("QCheckBox { color: %1; background: black; }").arg(colour.name()));
        connect(box, &QCheckBox::toggled, this, &TInjectorTestForm::redraw);
        Injectors[static_cast<size_t>(j - 1)] = box;
        column->addWidget(box);
    }
    TestButton = new QPushButton(QStringLiteral("Test"), this);
    TestButton->setObjectName(QStringLiteral("TestButton"));
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    column->addWidget(TestButton);
    column->addWidget(CloseButton);
    row->addLayout(column);
    connect(TestButton, &QPushButton::clicked, this, &TInjectorTestForm::testClicked);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::hide);
    redraw();
}

void TInjectorTestForm::redraw() {
    plot_ = QImage(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
    plot_.fill(Qt::black);
    QPainter p(&plot_);
    QFont font(QStringLiteral("Sans"));
    font.setPixelSize(8);
    p.setFont(font);
    const QColor grid(0x40, 0x40, 0x40);
    for (int i = 0; i <= 7; ++i) {
        int x = 24 + 40 * i;
        p.setPen(grid);
        p.drawLine(x, 6, x, 166);
        p.setPen(Qt::white);
        p.drawText(QRect(x - 15, 171, 30, 12), Qt::AlignCenter,
                   QString::number((i - 1) / 2.0, 'g', 2));
    }
    for (int i = 0; i <= 16; ++i) {
        int y = 6 + 10 * i;
        p.setPen(grid);
        p.drawLine(24, y, 304, y);
        if (i % 2 == 0) {
            p.setPen(Qt::white);
            p.drawText(QRect(0, y - 6, 22, 12), Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("%1V").arg(16 - i));
            p.drawText(QRect(306, y - 6, 24, 12), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("%1A").arg((16 - i) / 2.0, 0, 'g', 2));
        }
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int j = 0; j < 12; ++j) {
        if (!Injectors[static_cast<size_t>(j)] || !Injectors[static_cast<size_t>(j)]->isChecked())
            continue;
        p.setPen(QPen(QColor(static_cast<QRgb>(SelfTests::InjectorColour(j + 1))), 3));
        for (int kind = 0; kind < 2; ++kind) {
            const auto& capture = captures_[static_cast<size_t>(2 * j + kind)];
            const int divisor = kind == 0 ? 248 : 68;
            QPainterPath path;
            path.moveTo(SelfTests::TraceX(0), SelfTests::TraceY(capture[0], divisor));
            for (int k = 1; k < SelfTests::kResultWords; ++k)
                path.lineTo(SelfTests::TraceX(k),
                            SelfTests::TraceY(capture[static_cast<size_t>(k)], divisor));
            p.drawPath(path);
        }
    }
    p.end();
    if (Plot)
        Plot->setPixmap(QPixmap::fromImage(plot_));
}

TAnaVoltsForm::TAnaVoltsForm(tECU& ecu, QWidget* parent) : QDialog(parent), ecu_(ecu) {
    setObjectName(QStringLiteral("TAnaVoltsForm"));
    setWindowTitle(QStringLiteral("Analogue Voltages"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    auto* grid = new QGridLayout(this);
    auto value = [this, grid](int row, int column, const QString& caption, const QString& text) {
        grid->addWidget(new QLabel(caption, this), row, column);
        auto* label = new QLabel(text, this);
        label->setMinimumWidth(60);
        grid->addWidget(label, row, column + 1);
        return label;
    };
    for (int k = 0; k < AV::kInputs; ++k) {
        InputVolts[static_cast<size_t>(k)] =
            value(k, 0, QStringLiteral("Analogue Input %1 Voltage:").arg(k + 1),
                  QStringLiteral("-.---- V"));
        InputVolts[static_cast<size_t>(k)]->setObjectName(QStringLiteral("AnaVolts%1").arg(k + 1));
        auto* pin = new QLabel(this);
        pin->setObjectName(QStringLiteral("AnaPin%1").arg(k + 1));
        grid->addWidget(pin, k, 2);
        PinNames[static_cast<size_t>(k)] = pin;
    }
    for (int j = 0; j < AV::kInjectors; ++j) {
        InjectorVolts[static_cast<size_t>(j)] = value(
            j, 3, QStringLiteral("Injector %1 Voltage:").arg(j + 1), QStringLiteral("--.-- V"));
        InjectorAmps[static_cast<size_t>(j)] = value(
            j, 5, QStringLiteral("Injector %1 Current:").arg(j + 1), QStringLiteral("--.-- A"));
    }
    Rail3V3 = value(13, 3, QStringLiteral("Internal 3.3V Rail::"), QStringLiteral("-.---- V"));
    Rail5V = value(14, 3, QStringLiteral("Internal 5V Rail:"), QStringLiteral("-.---- V"));
    Battery = value(15, 3, QStringLiteral("Battery Voltage:"), QStringLiteral("--.-- V"));
}

void TAnaVoltsForm::open() {
    ecu_.AnaVoltsOpen = true;
    for (int k = 0; k < AV::kInputs; ++k)
        PinNames[static_cast<size_t>(k)]->setText(fromImageText(AV::InputPinLabel(ecu_, k + 1)));
    show();
    raise();
}

void TAnaVoltsForm::pollCycle() {
    if (!isVisible() || !(ecu_.OnlineCapable || ecu_.Simulating))
        return;
    auto set = [](QLabel* label, const std::string& text) {
        label->setText(QString::fromStdString(text));
    };
    for (int k = 0; k < AV::kInputs; ++k)
        set(InputVolts[static_cast<size_t>(k)],
            AV::InputText(AV::LiveWord(ecu_, AV::kInputBase + 2 * k)));
    for (int j = 0; j < AV::kInjectors; ++j) {
        set(InjectorVolts[static_cast<size_t>(j)],
            AV::InjectorVoltageText(AV::LiveWord(ecu_, AV::kInjectorBase + 4 * j)));
        set(InjectorAmps[static_cast<size_t>(j)],
            AV::InjectorCurrentText(AV::LiveWord(ecu_, AV::kInjectorBase + 4 * j + 2)));
    }
    set(Rail3V3, AV::RailText(AV::LiveWord(ecu_, AV::kRail3V3)));
    set(Rail5V, AV::RailText(AV::LiveWord(ecu_, AV::kRail5V)));
    set(Battery, AV::BatteryText(AV::LiveWord(ecu_, AV::kBattery)));
}

void TAnaVoltsForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    ecu_.AnaVoltsOpen = false;
}

} // namespace zolmar::gui
