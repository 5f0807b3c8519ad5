#include "setup/WiringForm.h"

#include "app/QtPorts.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QSpinBox>

namespace zolmar::gui {

namespace {

constexpr int kPictureWidth = 300;
constexpr int kPictureHeight = 524;
constexpr int kMarker = 12;

// The connector drawn as two blocks: the 16 power pins (101..116) in two columns at
// the top, the 60 signal pins (1..60) in three columns below.
QRect markerRect(int n) {
    int pin = PinTable::EcuPin(n);
    int column = 0;
    int row = 0;
    int top = 0;
    int columns = 0;
    if (pin >= 101) {
        columns = 2;
        column = (pin - 101) / 8;
        row = (pin - 101) % 8;
        top = 40;
    } else {
        columns = 3;
        column = (pin - 1) / 20;
        row = (pin - 1) % 20;
        top = 184;
    }
    int pitchX = 60;
    int left = (kPictureWidth - (columns - 1) * pitchX) / 2 - kMarker / 2;
    return QRect(left + column * pitchX, top + row * 16, kMarker, kMarker);
}

} // namespace

TWiringForm::TWiringForm(tECU& ecu, QWidget* parent) : QDialog(parent), ecu_(ecu) {
    setObjectName(QStringLiteral("TWiringForm"));
    setWindowTitle(QStringLiteral("ECU Wiring"));
    setModal(false);
    auto* row = new QHBoxLayout(this);
    ConnectorPicture = new QLabel(this);
    ConnectorPicture->setObjectName(QStringLiteral("ConnectorPicture"));
    ConnectorPicture->setAlignment(Qt::AlignTop);
    row->addWidget(ConnectorPicture);

    auto* scroll = new QScrollArea(this);
    auto* table = new QWidget(scroll);
    auto* grid = new QGridLayout(table);
    grid->setVerticalSpacing(1);
    // Two halves side by side, each with its headings.
    constexpr int kHalf = PinTable::kNumRecords / 2;
    for (int half = 0; half < 2; ++half) {
        grid->addWidget(new QLabel(QStringLiteral("Helverdy q7700x Connector"), table), 0, half * 4,
                        1, 2);
        grid->addWidget(new QLabel(QStringLiteral("Factory Connector"), table), 0, half * 4 + 2);
    }
    for (int n = 0; n < PinTable::kNumRecords; ++n) {
        int gridRow = 1 + n % kHalf;
        int gridColumn = (n / kHalf) * 4;
        auto* label = new QLabel(QString::fromStdString(PinTable::Label(n)), table);
        label->setFont(QFont(QStringLiteral("Monospace")));
        grid->addWidget(label, gridRow, gridColumn);
        auto* edit = new QLineEdit(table);
        edit->setObjectName(QStringLiteral("Edit%1").arg(n, 2, 10, QLatin1Char('0')));
        edit->setMaxLength(PinTable::kNameLength);
        edit->setFixedWidth(80);
        grid->addWidget(edit, gridRow, gridColumn + 1);
        auto* spin = new QSpinBox(table);
        spin->setObjectName(QStringLiteral("SpinEdit%1").arg(n, 2, 10, QLatin1Char('0')));
        spin->setRange(0, 255);
        grid->addWidget(spin, gridRow, gridColumn + 2);
        Edits[static_cast<size_t>(n)] = edit;
        SpinEdits[static_cast<size_t>(n)] = spin;
        edit->installEventFilter(this);
        spin->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, n](const QString& text) {
            if (!filling_)
                PinTable::SetPinName(ecu_, n, toImageText(text));
        });
        connect(spin, &QSpinBox::valueChanged, this, [this, n](int value) {
            if (!filling_)
                PinTable::SetFactoryPin(ecu_, n, static_cast<uint8_t>(value));
        });
    }
    grid->setColumnMinimumWidth(3, 24);
    scroll->setWidget(table);
    scroll->setWidgetResizable(true);
    scroll->setMinimumWidth(table->sizeHint().width() + 24);
    row->addWidget(scroll, 1);
    resize(kPictureWidth + table->sizeHint().width() + 60, 720);
    drawConnector();
}

void TWiringForm::fill() {
    filling_ = true;
    for (int n = 0; n < PinTable::kNumRecords; ++n) {
        Edits[static_cast<size_t>(n)]->setText(fromImageText(PinTable::PinName(ecu_, n)));
        SpinEdits[static_cast<size_t>(n)]->setValue(PinTable::FactoryPin(ecu_, n));
    }
    filling_ = false;
}

void TWiringForm::highlight(int n) {
    highlighted_ = n >= 0 && n < PinTable::kNumRecords ? n : -1;
    drawConnector();
}

void TWiringForm::drawConnector() {
    picture_ = QImage(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    picture_.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&picture_);
    p.setPen(Qt::black);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRoundedRect(QRect(60, 24, 180, 148), 8, 8);
    p.drawRoundedRect(QRect(30, 172, 240, 340), 8, 8);
    p.setFont(QFont(QStringLiteral("Sans"), 7));
    for (int n = 0; n < PinTable::kNumRecords; ++n) {
        QRect r = markerRect(n);
        p.setBrush(n == highlighted_ ? QColor(Qt::red) : QColor(0xC0, 0xC0, 0xC0));
        p.setPen(Qt::black);
        p.drawRect(r);
        p.setPen(Qt::white);
        p.drawText(QRect(r.right() + 3, r.top() - 2, 30, kMarker + 4), Qt::AlignVCenter,
                   QString::number(PinTable::EcuPin(n)));
    }
    p.end();
    ConnectorPicture->setPixmap(QPixmap::fromImage(picture_));
}

bool TWiringForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (int n = 0; n < PinTable::kNumRecords; ++n)
            if (watched == Edits[static_cast<size_t>(n)] ||
                watched == SpinEdits[static_cast<size_t>(n)])
                highlight(n);
    }
    return QDialog::eventFilter(watched, event);
}

void TWiringForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    emit hidden();
}

} // namespace zolmar::gui
