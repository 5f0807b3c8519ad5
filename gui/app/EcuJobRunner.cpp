#include "app/EcuJobRunner.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <thread>

namespace zolmar::gui {

namespace {

// The job's window: its name, a bar (busy while the job has no steps), Cancel.
class JobDialog : public QDialog {
public:
    JobDialog(QWidget* parent, const QString& title, int total, bool cancellable,
              EcuJobs::Control& control)
        : QDialog(parent), control_(control), cancellable_(cancellable) {
        setObjectName(QStringLiteral("EcuJobDialog"));
        setWindowTitle(title);
        setModal(true);
        auto* column = new QVBoxLayout(this);
        label_ = new QLabel(QStringLiteral("%1: waiting for the ECU...").arg(title), this);
        column->addWidget(label_);
        bar_ = new QProgressBar(this);
        bar_->setRange(0, total > 0 ? total : 0);
        bar_->setMinimumWidth(320);
        column->addWidget(bar_);
        if (cancellable) {
            cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
            cancel_->setObjectName(QStringLiteral("CancelButton"));
            column->addWidget(cancel_, 0, Qt::AlignRight);
            connect(cancel_, &QPushButton::clicked, this, [this] { cancel(); });
        }
    }
    void update() {
        if (bar_->maximum() > 0)
            bar_->setValue(control_.done);
    }
    void cancel() {
        if (!cancellable_ || control_.cancelled)
            return;
        control_.cancelled = true;
        label_->setText(EcuJobRunner::stoppingText());
        cancel_->setEnabled(false);
    }
    // The window's close button and Escape: Cancel where the job allows it, else
    // nothing (the ECU finishes what it was asked).
    void reject() override { cancel(); }

private:
    EcuJobs::Control& control_;
    bool cancellable_;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace

bool EcuJobRunner::run(const std::string& title, int total, bool cancellable,
                       const std::function<void(Control&)>& work) {
    if (active_)
        return false;
    active_ = true;
    Control control;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        work(control);
        finished = true;
    });
    // Wakes the loop below while nothing else happens.
    QTimer wake;
    wake.start(10);
    QElapsedTimer clock;
    clock.start();
    JobDialog* dialog = nullptr;
    while (!finished) {
        if (!dialog && !title.empty() && clock.elapsed() >= kShowAfterMs) {
            dialog =
                new JobDialog(parent_, QString::fromStdString(title), total, cancellable, control);
            dialog->show();
        }
        // Until the modal window shows, input waits: nothing may start a second job.
        QCoreApplication::processEvents(dialog ? QEventLoop::WaitForMoreEvents
                                               : QEventLoop::ExcludeUserInputEvents |
                                                     QEventLoop::WaitForMoreEvents);
        if (dialog)
            dialog->update();
    }
    worker.join();
    delete dialog;
    active_ = false;
    return true;
}

} // namespace zolmar::gui
