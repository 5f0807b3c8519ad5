#pragma once

#include "ports/EcuJobs.h"

#include <QString>

class QWidget;

namespace zolmar::gui {

// Runs ECU jobs on a thread of their own while the window keeps answering: after a
// moment a modal window shows the job (its progress and, where the ECU allows, Cancel),
// and until then no input reaches the program. A job without a title never shows a
// window (a step of a window's own transfer). One job at a time.
class EcuJobRunner : public EcuJobs {
public:
    explicit EcuJobRunner(QWidget* parent) : parent_(parent) {}

    bool run(const std::string& title, int total, bool cancellable,
             const std::function<void(Control&)>& work) override;
    bool active() const { return active_; }

    // How long a job runs before its window shows (ms).
    static constexpr int kShowAfterMs = 300;
    static QString stoppingText() { return QStringLiteral("Stopping after the current step..."); }

private:
    QWidget* parent_;
    bool active_ = false;
};

} // namespace zolmar::gui
