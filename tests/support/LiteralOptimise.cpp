#include "LiteralOptimise.h"

#include "model/HeldReferences.h"

#include <vector>

namespace zolmar::test {

using namespace Layout;

namespace {

struct State {
    std::vector<int> W; // live offsets before the sort
    std::vector<int> P; // P[k] = position now of the element that stood at k
};

int pageOf(const tECU& ecu, int j) {
    return ecu.ReadLogicByte(ecu.ElementLogicOffset[j] + 3) & 0x7F;
}

void start(tECU& ecu, State& s) {
    s.W.assign(ecu.ElementLiveOffset, ecu.ElementLiveOffset + ecu.NumElements);
    s.P.resize(static_cast<size_t>(ecu.NumElements));
    for (int k = 0; k < ecu.NumElements; ++k)
        s.P[static_cast<size_t>(k)] = k;
}

void swapAt(tECU& ecu, State& s, int j) {
    const int l0 = ecu.ElementLogicOffset[j], l1 = ecu.ElementLogicOffset[j + 1],
              l2 = ecu.ElementLogicOffset[j + 2];
    const int c0 = ecu.ElementConstOffset[j], c1 = ecu.ElementConstOffset[j + 1],
              c2 = ecu.ElementConstOffset[j + 2];
    std::vector<uint8_t> recA, recB, constA, constB;
    for (int a = l0; a < l1; ++a)
        recA.push_back(ecu.ReadLogicByte(a));
    for (int a = l1; a < l2; ++a)
        recB.push_back(ecu.ReadLogicByte(a));
    for (int a = c0; a < c1; ++a)
        constA.push_back(ecu.ReadConstByte(a));
    for (int a = c1; a < c2; ++a)
        constB.push_back(ecu.ReadConstByte(a));
    int at = l0;
    for (uint8_t b : recB)
        ecu.WriteLogicByte(at++, b, false);
    for (uint8_t b : recA)
        ecu.WriteLogicByte(at++, b, false);
    at = c0;
    for (uint8_t b : constB)
        ecu.WriteConstByte(at++, b);
    for (uint8_t b : constA)
        ecu.WriteConstByte(at++, b);
    const int n0 = (kNumPages + j) * kNameLength, n1 = n0 + kNameLength;
    for (int k = 0; k < kNameLength; ++k) {
        uint8_t a = ecu.ReadNameByte(n0 + k), b = ecu.ReadNameByte(n1 + k);
        ecu.WriteNameByte(n0 + k, b);
        ecu.WriteNameByte(n1 + k, a);
    }
    std::swap(ecu.ElementDepth[j], ecu.ElementDepth[j + 1]);
    for (int& p : s.P) {
        if (p == j)
            p = j + 1;
        else if (p == j + 1)
            p = j;
    }
    // The two elements keep their identities, as the model's own reordering does.
    std::vector<int> order(static_cast<size_t>(ecu.NumElements));
    for (int k = 0; k < ecu.NumElements; ++k)
        order[static_cast<size_t>(k)] = k;
    std::swap(order[static_cast<size_t>(j)], order[static_cast<size_t>(j) + 1]);
    ecu.PermuteIdentities(order);
    ecu.RebuildIndex(false, false);
}

template <class Condition> void bubbleSort(tECU& ecu, State& s, Condition swapWanted) {
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (int j = 0; j + 1 < ecu.NumElements; ++j) {
            if (swapWanted(j) && ecu.TypeOf(j) < 31 && ecu.TypeOf(j + 1) < 31) {
                swapAt(ecu, s, j);
                swapped = true;
            }
        }
    }
}

void remap(tECU& ecu, const State& s) {
    const int n = static_cast<int>(s.W.size());
    std::vector<bool> done(kLogicSize / 2 + 64, false);
    for (int e = 0; e < ecu.NumElements; ++e) {
        for (int k = 0; k < tECU::InputCount(ecu.TypeOf(e)); ++k) {
            int addr = ecu.InputWordAddress(e, k);
            uint16_t w = ecu.ReadLogicWord(addr);
            if (!(w & 1) || done[static_cast<size_t>(addr / 2)])
                continue;
            int s16 = w & 0xFFFE;
            for (int i = 0; i < n; ++i) {
                bool inside = i == n - 1 ? s16 >= s.W[static_cast<size_t>(i)]
                                         : s.W[static_cast<size_t>(i)] <= s16 &&
                                               s16 < s.W[static_cast<size_t>(i) + 1];
                if (!inside)
                    continue;
                int moved = ecu.ElementLiveOffset[s.P[static_cast<size_t>(i)]];
                ecu.WriteLogicWord(
                    addr, static_cast<uint16_t>((s16 - s.W[static_cast<size_t>(i)] + moved) | 1),
                    false);
                done[static_cast<size_t>(addr / 2)] = true;
                break;
            }
        }
    }
}

} // namespace

static void literalSort(tECU& ecu, bool balanced);

void LiteralOptimiseOrder(tECU& ecu, bool balanced) {
    // What the configuration holds outside the records follows the elements, as it
    // does in the model's optimisation.
    const HeldReferences::Snapshot held = HeldReferences::Capture(ecu);
    literalSort(ecu, balanced);
    HeldReferences::Follow(ecu, held);
}

void literalSort(tECU& ecu, bool balanced) {
    State s;
    if (balanced) {
        start(ecu, s);
        bubbleSort(ecu, s, [&](int j) { return pageOf(ecu, j) > pageOf(ecu, j + 1); });
        remap(ecu, s);
        ecu.RebuildIndex(true, false);
        start(ecu, s);
        bubbleSort(ecu, s, [&](int j) {
            return ecu.ElementDepth[j] < ecu.ElementDepth[j + 1] &&
                   pageOf(ecu, j) == pageOf(ecu, j + 1);
        });
        remap(ecu, s);
    } else {
        ecu.RebuildIndex(true, false);
        start(ecu, s);
        bubbleSort(ecu, s, [&](int j) { return ecu.ElementDepth[j] < ecu.ElementDepth[j + 1]; });
        remap(ecu, s);
    }
}

} // namespace zolmar::test
