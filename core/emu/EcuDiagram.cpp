#include "emu/EcuDiagram.h"

#include <algorithm>
#include <chrono>

namespace zolmar::emu {

bool EcuDiagram::SetInput(const std::string& caption, int position, const EcuMemoryView& memory,
                          std::string& error) {
    const int control = sim::SimulatedInputs::Find(caption, memory);
    if (control < 0) {
        error = "no simulator control is called \"" + caption + "\"";
        return false;
    }
    if (!inputs.SetPosition(control, position)) {
        error = "\"" + caption + "\" takes " +
                std::to_string(sim::SimulatedInputs::Minimum(control)) + " to " +
                std::to_string(sim::SimulatedInputs::Maximum(control));
        return false;
    }
    error.clear();
    return true;
}

void EcuDiagram::Restart(const EcuMemoryView& memory) {
    evaluator_.Start(memory);
}

void EcuDiagram::Pass(const EcuMemoryView& memory) {
    inputs.WriteAll(memory);
    held.Write(memory);
    evaluator_.Pass(memory);
    ++passes_;
}

void EcuDiagram::Advance(const EcuMemoryView& memory, uint32_t ms) {
    if (!running)
        return;
    const uint64_t due = uint64_t{ms} * static_cast<uint64_t>(passesPerMs < 1 ? 1 : passesPerMs);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    // Look at the clock now and then only: a pass of a small diagram is quicker. The
    // passes between two looks run as one run: nothing but the passes and the
    // inputs written before each touches the memory meanwhile.
    constexpr uint64_t kBetweenLooks = 16;
    for (uint64_t k = 0; k < due; k += kBetweenLooks) {
        if (budgetMs != 0 && Clock::now() >= deadline) {
            dropped_ += due - k;
            return;
        }
        const auto passes = static_cast<int>(std::min(kBetweenLooks, due - k));
        evaluator_.Run(memory, passes, [&] {
            inputs.WriteAll(memory);
            held.Write(memory);
        });
        passes_ += static_cast<uint64_t>(passes);
    }
}

} // namespace zolmar::emu
