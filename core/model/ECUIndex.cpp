// The derived element index: the walk over the logic area, usage words, depths.
#include "model/ECU.h"

#include <vector>

namespace zolmar {

using namespace Layout;

namespace {
constexpr int kLinkAddresses = 32768; // even live addresses 0..65534
constexpr int kDepthLevels = 201;
// Input words of records that start below 45052 end before this logic address.
constexpr int kInputWordFlags = (kLogicRecordLimit + 4 + 2 * 48) / 2 + 1;
} // namespace

void tECU::RebuildIndex(bool withDepths, bool withLinkFlags) {
    int L = 0;
    uint16_t C = 0;
    uint16_t V = 0;
    int i = 0;
    // The layout walked, so that a change of any element's blocks is noticed.
    uint64_t signature = 1469598103934665603ull;
    auto mix = [&signature](uint64_t v) { signature = (signature ^ v) * 1099511628211ull; };
    for (;;) {
        ElementLogicOffset[i] = L;
        ElementConstOffset[i] = C;
        ElementLiveOffset[i] = V;
        int type = ReadLogicByte(L);
        int s = LogicSize(type);
        // The finish byte and an unknown code both end the walk at this record,
        // as if the configuration ended there.
        if (s <= 0)
            break;
        mix(static_cast<uint64_t>(type) | static_cast<uint64_t>(L) << 8 |
            static_cast<uint64_t>(C) << 32 | static_cast<uint64_t>(V) << 48);
        C = static_cast<uint16_t>(C + ConstSize(type, C));
        V = static_cast<uint16_t>(V + LiveSize(type));
        L += s;
        ++i;
        if (L >= kLogicRecordLimit - 1 || i >= kMaxElements) {
            ElementLogicOffset[i] = L;
            ElementConstOffset[i] = C;
            ElementLiveOffset[i] = V;
            break;
        }
    }
    NumElements = i;
    mix(static_cast<uint64_t>(L) | static_cast<uint64_t>(C) << 32 | static_cast<uint64_t>(V) << 48);
    followIndex(signature);

    if (withDepths)
        ComputeDepths();

    if (withLinkFlags) {
        std::vector<uint16_t> counts(kLinkAddresses, 0);
        countLinks(counts.data());
        for (int e = 0; e < NumElements; ++e) {
            int outputs = OutputCount(TypeOf(e));
            for (int k = 0; k < outputs; ++k) {
                int word = ElementLiveOffset[e] / 2 + k;
                if (word >= kLiveWords)
                    break;
                int addr = ElementLiveOffset[e] + 2 * k;
                bool linked = addr / 2 < kLinkAddresses && counts[addr / 2] > 0;
                LiveWordLinked[word] = linked ? 1 : 0;
            }
        }
    }
}

void tECU::countLinks(uint16_t* countPerAddress) const {
    for (int e = 0; e < NumElements; ++e) {
        int inputs = InputCount(TypeOf(e));
        for (int k = 0; k < inputs; ++k) {
            uint16_t w = InputWord(e, k);
            if (w & 1)
                ++countPerAddress[w >> 1];
        }
    }
}

int tECU::CountLinksTo(int liveAddr) const {
    int count = 0;
    for (int e = 0; e < NumElements; ++e) {
        int inputs = InputCount(TypeOf(e));
        for (int k = 0; k < inputs; ++k) {
            uint16_t w = InputWord(e, k);
            if ((w & 1) && (w & 0xFFFE) == liveAddr)
                ++count;
        }
    }
    return count;
}

void tECU::UpdateUsageWords() {
    int elementsBefore = NumElements;
    int constBefore = ConstEnd();
    int logicBefore = LogicEnd();
    RebuildIndex(false, false);
    if (elementsBefore != NumElements || constBefore != ConstEnd() || logicBefore != LogicEnd()) {
        messages_->error("NumElements before = " + std::to_string(elementsBefore) +
                         ", NumElements after = " + std::to_string(NumElements) + "." +
                         "ConstUsage before = " + std::to_string(constBefore) +
                         ", ConstUsage after = " + std::to_string(ConstEnd()) + "." +
                         "ConfigUsage before = " + std::to_string(logicBefore) +
                         ", ConfigUsage after = " + std::to_string(LogicEnd()) + ".");
    }
    long logicUsage = LogicEnd() + 1;
    auto w0 = static_cast<uint16_t>(((logicUsage >> 16) << 15) | ((ConstEnd() + 1024) & 0x7FFF));
    if (w0 != ImageWord(0))
        SetImageWord(0, w0, true);
    auto w1 = static_cast<uint16_t>(logicUsage & 0xFFFF);
    if (w1 != ImageWord(2))
        SetImageWord(2, w1, true);
}

bool tECU::UsageWordsAgree() const {
    const long storedConst = ImageWord(0) & 0x7FFF;
    const long storedLogic = ImageWord(2) | ((static_cast<long>(ImageWord(0)) << 1) & 0x10000);
    return storedConst == ConstEnd() + 1024L && storedLogic == LogicEnd() + 1L;
}

void tECU::CheckUsageWords() {
    if (UsageWarningOpen)
        return;
    long storedConst = ImageWord(0) & 0x7FFF;
    long actualConst = ConstEnd() + 1024L;
    if (storedConst != actualConst) {
        UsageWarningOpen = true;
        messages_->error("Configuration appears to be corrupted!\n\rConstMemUsage (including 1024 "
                         "bytes of fixed constant data) = " +
                         std::to_string(storedConst) + ", but actual configuration indicates " +
                         std::to_string(actualConst) + "!");
        UsageWarningOpen = false;
    }
    long storedLogic = ImageWord(2) | ((static_cast<long>(ImageWord(0)) << 1) & 0x10000);
    long actualLogic = LogicEnd() + 1L;
    if (storedLogic != actualLogic) {
        UsageWarningOpen = true;
        messages_->error(
            "Configuration appears to be corrupted!\n\rConfigMemUsage (including finish byte) = " +
            std::to_string(storedLogic) + ", but actual configuration indicates " +
            std::to_string(actualLogic) + "!");
        UsageWarningOpen = false;
    }
}

void tECU::ComputeDepths() {
    for (auto& d : ElementDepth)
        d = -1;
    const int n = NumElements;

    std::vector<uint16_t> counts(kLinkAddresses, 0);
    countLinks(counts.data());

    // For each even live address, the first (element, output) in walk order that
    // lives there. With wrapped live offsets several may; the first one wins.
    std::vector<int16_t> owner(kLinkAddresses, -1);
    for (int i = 0; i < n; ++i) {
        int outputs = OutputCount(TypeOf(i));
        bool linked = false;
        for (int u = 0; u < outputs; ++u) {
            int addr = ElementLiveOffset[i] + 2 * u;
            if (addr / 2 >= kLinkAddresses)
                continue;
            if (owner[addr / 2] < 0)
                owner[addr / 2] = static_cast<int16_t>(i);
            if (counts[addr / 2] > 0)
                linked = true;
        }
        if (!linked)
            ElementDepth[i] = 0;
    }

    std::vector<uint8_t> followed(kInputWordFlags, 0);
    for (int level = 0; level < kDepthLevels; ++level) {
        for (int j = 0; j < n; ++j) {
            if (ElementDepth[j] != level)
                continue;
            int inputs = InputCount(TypeOf(j));
            for (int k = 0; k < inputs; ++k) {
                uint16_t w = InputWord(j, k);
                if (!(w & 1))
                    continue;
                int source = owner[w >> 1];
                int flag = InputWordAddress(j, k) / 2;
                if (source < 0 || flag >= kInputWordFlags || followed[flag])
                    continue;
                ElementDepth[source] = static_cast<int16_t>(level + 1);
                followed[flag] = 1;
            }
        }
    }
}

} // namespace zolmar
