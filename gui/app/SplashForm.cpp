#include "app/SplashForm.h"

#include "app/QtPorts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

QLabel* makeLabel(const QString& text, QWidget* parent, const char* name = nullptr) {
    auto* label = new QLabel(text, parent);
    if (name)
        label->setObjectName(QString::fromUtf8(name));
    return label;
}

// A few elements of a block diagram, wired: the splash's picture.
class DiagramMotif : public QWidget {
public:
    explicit DiagramMotif(QWidget* parent) : QWidget(parent) { setFixedSize(200, 120); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink(0x1d, 0x3f, 0x6e);
        const QRectF boxes[] = {
            {4, 10, 54, 24}, {4, 74, 54, 24}, {84, 40, 50, 34}, {150, 40, 46, 34}};
        p.setPen(QPen(QColor(0, 0, 192), 3));
        p.drawPolyline(QPolygonF({{58, 22}, {70, 22}, {70, 50}, {84, 50}}));
        p.setPen(QPen(QColor(240, 120, 0), 3));
        p.drawPolyline(QPolygonF({{58, 86}, {70, 86}, {70, 64}, {84, 64}}));
        p.setPen(QPen(QColor(0, 128, 0), 3));
        p.drawLine(QPointF(134, 57), QPointF(150, 57));
        p.setPen(QPen(ink, 1.5));
        p.setBrush(Qt::white);
        for (const QRectF& box : boxes)
            p.drawRoundedRect(box, 3, 3);
        // A map's surface, as a table element shows it.
        QPainterPath curve(QPointF(92, 68));
        curve.cubicTo(QPointF(104, 67), QPointF(112, 48), QPointF(126, 46));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve);
        p.setPen(QColor(224, 0, 0));
        p.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 8));
        p.drawText(boxes[3], Qt::AlignCenter, QStringLiteral("4.20"));
        p.drawText(boxes[0], Qt::AlignCenter, QStringLiteral("98.0"));
        p.drawText(boxes[1], Qt::AlignCenter, QStringLiteral("3000"));
    }
};

} // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TSplashForm"));
    setWindowTitle(QStringLiteral("ZOLMAR"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* upper = new QWidget(this);
    upper->setFixedHeight(kSplashHeight);
    auto* top = new QVBoxLayout(upper);
    top->setContentsMargins(24, 20, 24, 14);
    auto* heading = new QHBoxLayout();
    auto* titles = new QVBoxLayout();
    auto* banner = makeLabel(QStringLiteral("ZOLMAR"), upper);
    banner->setStyleSheet(
        QStringLiteral("font-size: 44px; font-weight: bold; color: #1d3f6e; letter-spacing: 6px;"));
    titles->addWidget(banner);
    auto* subtitle = makeLabel(
        QStringLiteral("Configure, tune and monitor\nthe q7700x engine-management unit"), upper);
    subtitle->setStyleSheet(QStringLiteral("color: #444444;"));
    titles->addWidget(subtitle);
    titles->addStretch(1);
    heading->addLayout(titles, 1);
    heading->addWidget(new DiagramMotif(upper), 0, Qt::AlignTop);
    top->addLayout(heading);
    top->addStretch(1);
    auto* grid = new QGridLayout();
    grid->addWidget(makeLabel(QStringLiteral("Package/Firmware Version of Connected ECU:"), upper),
                    0, 0);
    Package = makeLabel(QStringLiteral(" "), upper, "Package");
    grid->addWidget(Package, 0, 1);
    grid->addWidget(makeLabel(QStringLiteral("Serial Number of Connected ECU:"), upper), 1, 0);
    Serial = makeLabel(QStringLiteral(" "), upper, "Serial");
    grid->addWidget(Serial, 1, 1);
    grid->setColumnStretch(1, 1);
    top->addLayout(grid);
    top->addSpacing(10);
    OpenSettingsFile = new QPushButton(QStringLiteral("Open an ECU Settings File"), upper);
    OpenSettingsFile->setObjectName(QStringLiteral("OpenSettingsFile"));
    connect(OpenSettingsFile, &QPushButton::clicked, this, &TSplashForm::openSettingsFileClicked);
    top->addWidget(OpenSettingsFile, 0, Qt::AlignLeft);
    column->addWidget(upper);

    lower_ = new QWidget(this);
    lower_->setFixedHeight(kProgressHeight - kSplashHeight);
    auto* row = new QHBoxLayout(lower_);
    row->setContentsMargins(24, 4, 24, 6);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(1);
    auto* first = new QHBoxLayout();
    first->setSpacing(4);
    ReadWriteSplashLabel = makeLabel(QString(), lower_, "ReadWriteSplashLabel");
    first->addWidget(ReadWriteSplashLabel);
    first->addStretch(1);
    first->addWidget(makeLabel(QStringLiteral("Bytes so far: "), lower_));
    BytesSoFar = makeLabel(QStringLiteral("0"), lower_, "BytesSoFar");
    first->addWidget(BytesSoFar);
    first->addWidget(makeLabel(QStringLiteral("/ 172032"), lower_));
    texts->addLayout(first);
    ProgressBar = new QProgressBar(lower_);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 172031);
    ProgressBar->setTextVisible(false);
    ProgressBar->setFixedHeight(10);
    texts->addWidget(ProgressBar);
    row->addLayout(texts, 1);
    CancelButton = new QPushButton(lower_);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(CancelButton, &QPushButton::clicked, this, &TSplashForm::cancelClicked);
    row->addWidget(CancelButton);
    column->addWidget(lower_);

    setClientHeight(kSplashHeight);
}

void TSplashForm::setClientHeight(int height) {
    lower_->setVisible(height >= kProgressHeight);
    setFixedSize(kWidth, height);
}

void TSplashForm::showCentred() {
    // Over the main window, or the screen's middle when that is not shown.
    QWidget* over = parentWidget();
    QRect area = over && over->isVisible() ? over->geometry() : QRect();
    if (area.isEmpty())
        if (QScreen* screen = QGuiApplication::primaryScreen())
            area = screen->availableGeometry();
    if (!isVisible())
        move(area.center() - QPoint(kWidth / 2, kProgressHeight / 2));
    show();
    raise();
}

void TSplashForm::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter p(this);
    p.setPen(QPen(QColor(0x1d, 0x3f, 0x6e), 2));
    p.drawRect(rect().adjusted(1, 1, -1, -1));
}

bool TSplashForm::progressShown() const {
    return isVisible() && lower_->isVisible();
}

void TSplashForm::showSplash(const std::string& package, const std::string& serial) {
    Package->setText(fromImageText(package));
    Serial->setText(fromImageText(serial));
    setClientHeight(kSplashHeight);
    showCentred();
}

void TSplashForm::showProgress(const ProgressView& view) {
    ReadWriteSplashLabel->setText(QString::fromStdString(view.activity));
    CancelButton->setText(QString::fromStdString(view.cancelCaption));
    Package->setText(fromImageText(view.package));
    Serial->setText(fromImageText(view.serial));
    ProgressBar->setValue(view.position);
    BytesSoFar->setText(QString::fromStdString(view.bytesSoFar));
    setClientHeight(view.clientHeight);
    if (!isVisible())
        showCentred();
}

// The splash alone goes away at a click or Escape; the progress only by its buttons.
void TSplashForm::mousePressEvent(QMouseEvent* event) {
    if (!lower_->isVisible())
        hide();
    QWidget::mousePressEvent(event);
}

void TSplashForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (lower_->isVisible())
            emit cancelClicked();
        else
            hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TSplashForm::closeEvent(QCloseEvent* event) {
    // Closing the progress window gives up the transfer, as its cancel button does.
    if (lower_->isVisible())
        emit cancelClicked();
    QWidget::closeEvent(event);
}

} // namespace zolmar::gui
