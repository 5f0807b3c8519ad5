// Decodes any bytes as an onboard log received from an ECU: as the words of the
// transfer buffer, and as the contents of the virtual ECU's log ring read back by the
// retrieval with any amount, then written as the CSV file with any channel settings.
// Nothing may read or write outside the buffers (the sanitizers watch).
#include "diagnostics/OnboardLog.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "link/ModbusDriver.h"
#include "model/ECU.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentMessages messages;
    static auto ecu = std::make_unique<tECU>(messages);
    if (size < 2)
        return 0;
    std::vector<uint16_t> words(size / 2);
    for (size_t k = 0; k < words.size(); ++k)
        words[k] = static_cast<uint16_t>(data[2 * k] | data[2 * k + 1] << 8);
    (void)diagnostics::OnboardLog::CsvRecords(words.data(), words.size());

    // The channel settings: name positions anywhere, any period.
    for (long k = 0; k < 0x600; ++k)
        ecu->Image[k] = data[static_cast<size_t>(k) % size];

    auto virtualEcu = std::make_unique<emu::VirtualEcu>();
    emu::OnboardLogRing& ring = virtualEcu->OnboardLog();
    for (size_t k = 0; k < words.size(); ++k) {
        // Spread the words over the pages, the probed last records included.
        const int page = static_cast<int>(k % 6);
        const int word = static_cast<int>((k * 7919) % emu::OnboardLogRing::kPageWords);
        ring.SetWord(page, word, words[k]);
        ring.SetWord(page, emu::OnboardLogRing::kPageWords - 16, words[k]);
    }
    emu::VirtualEcuLink link(*virtualEcu);
    TModbusDriver driver(link);
    diagnostics::LogRetrieval retrieval;
    retrieval.Start(data[0] % 3);
    for (int tick = 0; tick < 400 && retrieval.Busy(); ++tick)
        retrieval.Tick(&driver);
    (void)diagnostics::OnboardLog::CsvFile(*ecu, retrieval.Words().data(),
                                           static_cast<size_t>(retrieval.WordsReceived()));
    return 0;
}
