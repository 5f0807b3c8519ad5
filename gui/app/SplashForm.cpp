#include "app/SplashForm.h"

#include "app/QtPorts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

QLabel* makeLabel(const QString& text, QWidget* parent, const char* name = nullptr) {
    auto* label = new QLabel(text, parent);
    if (name)
        label->setObjectName(QString::fromUtf8(name));
    return label;
}

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
    upper->setStyleSheet(QStringLiteral("QWidget#SplashUpper { border: 1px solid #1d3f6e; }"));
    upper->setObjectName(QStringLiteral("SplashUpper"));
    auto* top = new QVBoxLayout(upper);
    top->setContentsMargins(24, 20, 24, 14);
    auto* banner = makeLabel(QStringLiteral("ZOLMAR"), upper);
    banner->setStyleSheet(
        QStringLiteral("font-size: 44px; font-weight: bold; color: #1d3f6e; letter-spacing: 6px;"));
    top->addWidget(banner);
    auto* subtitle = makeLabel(
        QStringLiteral("Configure, tune and monitor the q7700x engine-management unit"), upper);
    subtitle->setStyleSheet(QStringLiteral("color: #444444;"));
    top->addWidget(subtitle);
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

bool TSplashForm::progressShown() const {
    return isVisible() && lower_->isVisible();
}

void TSplashForm::showSplash(const std::string& package, const std::string& serial) {
    Package->setText(fromImageText(package));
    Serial->setText(fromImageText(serial));
    setClientHeight(kSplashHeight);
    show();
    raise();
}

void TSplashForm::showProgress(const ProgressView& view) {
    ReadWriteSplashLabel->setText(QString::fromStdString(view.activity));
    CancelButton->setText(QString::fromStdString(view.cancelCaption));
    Package->setText(fromImageText(view.package));
    Serial->setText(fromImageText(view.serial));
    ProgressBar->setValue(view.position);
    BytesSoFar->setText(QString::fromStdString(view.bytesSoFar));
    setClientHeight(view.clientHeight);
    if (!isVisible()) {
        show();
        raise();
    }
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
