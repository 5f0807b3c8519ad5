#include "simulator/Simulator.h"

#include "link/SyncEngine.h"

namespace zolmar::sim {

bool Simulator::RunPermitted(int linkState) {
    switch (linkState) {
    case Link::Online:
    case Link::LostWhileOnline:
    case Link::WritingChanges:
    case Link::Offline:
    case Link::LostDuringWrite:
    case Link::NewConfiguration:
        return true;
    default:
        return false;
    }
}

bool Simulator::Open(tECU& ecu) {
    if (!RunPermitted(ecu.LinkState))
        return false;
    ecu.Simulating = true;
    Start(ecu);
    return true;
}

void Simulator::Start(tECU& ecu) {
    ImageMemory memory(ecu);
    evaluator_.Start(memory.view());
    inputs_.WriteAll(memory.view());
}

void Simulator::Close(tECU& ecu) {
    ecu.Simulating = false;
}

int Simulator::Tick(tECU& ecu) {
    if (!ecu.Simulating || !RunPermitted(ecu.LinkState))
        return 0;
    Run(ecu, kPassesPerTick);
    return kPassesPerTick;
}

void Simulator::Run(tECU& ecu, int passes) {
    ImageMemory memory(ecu);
    evaluator_.Run(memory.view(), passes, [&] { held.Write(memory.view()); });
}

bool Simulator::SetControl(tECU& ecu, int control, int position) {
    if (!inputs_.SetPosition(control, position))
        return false;
    ImageMemory memory(ecu);
    inputs_.Write(control, memory.view());
    return true;
}

std::vector<std::string> Simulator::Captions(tECU& ecu) {
    ImageMemory memory(ecu);
    std::vector<std::string> captions;
    for (int c = 0; c < SimulatedInputs::kControls; ++c)
        captions.push_back(SimulatedInputs::OpenCaption(c, memory.view()));
    return captions;
}

} // namespace zolmar::sim
