// Any status blocks and learn reports as the synchronisation engine takes them, cycle
// after cycle, online with a small configuration: what the ECU reports may change the
// constants it learnt and nothing else of the configuration, and another serial number
// never lets a write through before its question.
#include "FuzzTransport.h"
#include "link/SyncEngine.h"
#include "model/ECU.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

namespace {

struct Asked : LinkObserver {
    bool replace = false;
    bool replaceConfiguration() override { return replace; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 64 * 40)
        return 0;
    static SilentMessages messages;
    static auto pc = std::make_unique<tECU>(messages);
    static std::vector<uint8_t> start;
    if (start.empty()) {
        int k = -1;
        pc->CreateElement(ElementType::Constant, 2, 2, "C", 1, &k);
        pc->CreateElement(ElementType::Table2D, 8, 2, "T", 1, &k);
        pc->RebuildIndex(true, true);
        start.assign(pc->Image, pc->Image + Layout::kImageSize);
    }
    std::copy(start.begin(), start.end(), pc->Image);
    std::fill(std::begin(pc->SyncState), std::end(pc->SyncState), uint8_t{0});
    pc->RebuildIndex(true, true);

    fuzz::ByteSource source(data + 1, size - 1);
    fuzz::AnsweringUsb usb;
    usb.answer = [&source](const uint8_t* request, uint32_t length) {
        return fuzz::wellFormedReply(request, length, source);
    };
    Asked observer;
    observer.replace = (data[0] & 1) != 0;
    SyncEngine engine(*pc, usb, observer);
    engine.StartUp();
    pc->LinkState = Link::Online;
    PollContext context;
    context.tableEditorVisible = true;
    bool fullRead = false;
    for (int cycle = 0; cycle < 40 && !source.empty(); ++cycle) {
        if (cycle == (data[0] >> 1) % 8)
            pc->WriteConstByte(0, static_cast<uint8_t>(data[0])); // an edit to be sent
        engine.PollCycle(context);
        fullRead |= pc->LinkState == Link::StartReadAll || pc->LinkState == Link::ReadingAll;
    }
    // Outside the constants and the live area nothing may change but by a full read.
    if (!fullRead) {
        for (long a = Layout::kLogicBase; a < Layout::kLiveBase; ++a)
            if (pc->Image[a] != start[static_cast<size_t>(a)])
                __builtin_trap();
    }
    const std::string& history = engine.LearnHistory();
    if (!history.empty() && history.substr(history.size() - 2) != "\n\r")
        __builtin_trap();
    return 0;
}
