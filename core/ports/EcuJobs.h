#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace zolmar {

// Runs ECU exchanges that can take long (the ECU's own time-outs reach 10 and 25 s).
// The program runs the work away from its window's thread, shows its progress and
// keeps the window answering meanwhile; tests and tools run it in place. The work
// touches the driver only, never the model or the user.
class EcuJobs {
public:
    // Shared between the work and whoever shows it.
    struct Control {
        std::atomic<bool> cancelled{false}; // set by Cancel; the work stops at its next step
        std::atomic<int> done{0};           // steps done, out of the job's total
    };
    virtual ~EcuJobs() = default;
    // Runs the work to its end. total > 0 shows progress as steps done of total;
    // cancellable offers Cancel; an empty title shows nothing (the caller shows its own
    // progress). Returns false when it could not run at all (another job is running).
    virtual bool run(const std::string& title, int total, bool cancellable,
                     const std::function<void(Control&)>& work) = 0;
};

// Runs every job at once on the caller's thread.
class InlineJobs : public EcuJobs {
public:
    bool run(const std::string&, int, bool, const std::function<void(Control&)>& work) override {
        Control control;
        work(control);
        return true;
    }
};

} // namespace zolmar
