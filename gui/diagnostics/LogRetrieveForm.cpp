#include "diagnostics/LogRetrieveForm.h"

#include "diagnostics/PcLog.h"
#include "files/AtomicFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

constexpr const char* kCsvFilter = "Comma Separated Values (*.csv)|*.csv|All Files (*.*)|*.*";

} // namespace

TLogRetrieveProgBarForm::TLogRetrieveProgBarForm(tECU& ecu, Messages& messages,
                                                 FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), ecu_(ecu), messages_(messages), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TLogRetrieveProgBarForm"));
    setWindowTitle(QStringLiteral("Read Internal Datalog from ECU"));
    openFile = [](const std::string& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
    auto* column = new QVBoxLayout(this);
    auto* amount = new QHBoxLayout();
    amount->addWidget(new QLabel(QStringLiteral("Amount to Read:"), this));
    AmountToRead = new QComboBox(this);
    AmountToRead->setObjectName(QStringLiteral("AmountToRead"));
    connect(AmountToRead, &QComboBox::currentIndexChanged, this,
            &TLogRetrieveProgBarForm::amountChanged);
    amount->addWidget(AmountToRead, 1);
    column->addLayout(amount);
    auto* bytes = new QHBoxLayout();
    bytes->addWidget(new QLabel(QStringLiteral("Bytes retrieved so far: "), this));
    BytesSoFar = new QLabel(QStringLiteral(" "), this);
    BytesSoFar->setObjectName(QStringLiteral("BytesSoFar"));
    bytes->addWidget(BytesSoFar);
    TotalBytesLabel = new QLabel(QStringLiteral("/ 393216"), this);
    TotalBytesLabel->setObjectName(QStringLiteral("TotalBytesLabel"));
    bytes->addWidget(TotalBytesLabel);
    bytes->addStretch(1);
    column->addLayout(bytes);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    column->addWidget(ProgressBar);
    AutoOpenFile = new QCheckBox(
        QStringLiteral("Open the csv file automatically once log is retrieved"), this);
    AutoOpenFile->setObjectName(QStringLiteral("AutoOpenFile"));
    AutoOpenFile->setChecked(true);
    column->addWidget(AutoOpenFile);
    auto* buttons = new QHBoxLayout();
    SaveButton = new QPushButton(QStringLiteral("Save To.."), this);
    GoButton = new QPushButton(QStringLiteral("GO  (Retrieve)"), this);
    GoButton->setObjectName(QStringLiteral("GoButton"));
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    connect(SaveButton, &QPushButton::clicked, this, &TLogRetrieveProgBarForm::SaveToClick);
    connect(GoButton, &QPushButton::clicked, this, &TLogRetrieveProgBarForm::GoClick);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::hide);
    buttons->addWidget(SaveButton);
    buttons->addWidget(GoButton);
    buttons->addWidget(CloseButton);
    column->addLayout(buttons);

    LogPollTimer = new QTimer(this);
    LogPollTimer->setObjectName(QStringLiteral("LogPollTimer"));
    LogPollTimer->setInterval(50);
    connect(LogPollTimer, &QTimer::timeout, this, &TLogRetrieveProgBarForm::LogPollTimerTimer);
    LogPollTimer->start();
    resize(460, 170);
}

void TLogRetrieveProgBarForm::open() {
    const int period = diagnostics::OnboardLog::PeriodCode(ecu_);
    {
        QSignalBlocker block(AmountToRead);
        AmountToRead->clear();
        for (const std::string& choice : diagnostics::OnboardLog::AmountChoices(period))
            AmountToRead->addItem(QString::fromStdString(choice));
        AmountToRead->setCurrentIndex(5);
    }
    TotalBytesLabel->setText(QStringLiteral("/ 393216"));
    ProgressBar->setRange(0, 393215);
    ProgressBar->setValue(0);
    GoButton->setEnabled(!fileName_.empty());
    show();
    raise();
}

void TLogRetrieveProgBarForm::amountChanged(int choice) {
    if (choice < 0)
        return;
    const int bytes = 65536 * (choice + 1);
    TotalBytesLabel->setText(QStringLiteral("/ %1").arg(bytes));
    ProgressBar->setRange(0, bytes - 1);
    ProgressBar->setValue(0);
}

void TLogRetrieveProgBarForm::SaveToClick() {
    auto name = dialogs_.askSaveFileAs("Save Internal Log to csv file", kCsvFilter, "csv",
                                       diagnostics::DefaultLogFileName());
    if (!name)
        return;
    fileName_ = *name;
    GoButton->setEnabled(true);
}

void TLogRetrieveProgBarForm::GoClick() {
    if (fileName_.empty() || retrieval_.Busy())
        return;
    retrieval_.Start(AmountToRead->currentIndex() < 0 ? 5 : AmountToRead->currentIndex());
}

void TLogRetrieveProgBarForm::LogPollTimerTimer() {
    if (!isVisible() || !retrieval_.Busy()) {
        // Hiding the window abandons a transfer; the next GO probes the pages again.
        if (retrieval_.Busy())
            retrieval_.Abandon();
        releaseStatus();
        BytesSoFar->setText(QStringLiteral(" "));
        AmountToRead->setEnabled(true);
        return;
    }
    AmountToRead->setEnabled(false);
    TModbusDriver* link = driver ? driver() : nullptr;
    diagnostics::LogRetrieval::Status status = diagnostics::LogRetrieval::Status::Idle;
    auto tick = [this, link, &status](EcuJobs::Control&) { status = retrieval_.Tick(link); };
    InlineJobs inPlace;
    // A tick still running (its timer fired within it) waits for the next one.
    if (!(jobs ? *jobs : static_cast<EcuJobs&>(inPlace)).run({}, 0, false, tick))
        return;
    if (status == diagnostics::LogRetrieval::Status::Done) {
        ProgressBar->setValue(ProgressBar->maximum());
        BytesSoFar->setText(QString::number(2 * retrieval_.WordsReceived()));
        releaseStatus();
        finish();
        return;
    }
    if (retrieval_.Received() > 0) {
        ProgressBar->setValue(static_cast<int>(2 * retrieval_.Received() - 1));
        BytesSoFar->setText(QString::number(2 * retrieval_.Received()));
    }
    statusShown_ = true;
    emit statusText(status == diagnostics::LogRetrieval::Status::CommsError
                        ? QStringLiteral("Comms Error")
                        : QStringLiteral("Retrieving Log"));
}

void TLogRetrieveProgBarForm::releaseStatus() {
    if (!statusShown_)
        return;
    statusShown_ = false;
    emit statusReleased();
}

void TLogRetrieveProgBarForm::finish() {
    const std::string csv = diagnostics::OnboardLog::CsvFile(
        ecu_, retrieval_.Words().data(), static_cast<size_t>(retrieval_.WordsReceived()));
    std::string error;
    if (!writeFileAtomically(fileName_, csv.data(), csv.size(), error)) {
        messages_.error(error);
        return;
    }
    if (AutoOpenFile->isChecked() && openFile)
        openFile(fileName_);
}

} // namespace zolmar::gui
