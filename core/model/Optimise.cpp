// Configuration optimisation: reorders the element records so that the ECU, which
// calculates in record order, computes sources before their consumers.
//
// The order is the one an adjacent-swap bubble sort gives (swap while the left
// element sorts strictly after the right one, never moving an element whose type
// is 31 or above). Such a sort is stable, and no element ever crosses an immovable
// one, so the result is a stable sort of every run of movable elements. A pair of
// elements is swapped exactly once when it is inverted, so an element takes part
// in a swap exactly when it is in some inversion; the bytes such swaps write are
// those of the records, constant blocks and name slots of these elements. That is
// what is written here, in one pass, leaving the same bytes, marks and flags.
#include "model/ECU.h"
#include "model/HeldReferences.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace zolmar {

using namespace Layout;

namespace {

constexpr int kFirstImmovableType = 31;

enum class SortKey { Page, Depth, DepthWithinPage };

struct Reordering {
    std::vector<int> order; // order[new position] = old position
    std::vector<bool> swapped;
    bool any = false;
};

// The bubble sort's result and which elements it swaps, without performing it.
Reordering plan(const tECU& ecu, SortKey mode) {
    const int n = ecu.NumElements;
    Reordering r;
    r.order.resize(static_cast<size_t>(n));
    r.swapped.assign(static_cast<size_t>(n), false);
    std::vector<int> type(static_cast<size_t>(n)), page(static_cast<size_t>(n));
    std::vector<long> key(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        r.order[static_cast<size_t>(i)] = i;
        type[static_cast<size_t>(i)] = ecu.TypeOf(i);
        page[static_cast<size_t>(i)] = ecu.PageOf(i);
        // Ascending keys: pages up, depths down.
        key[static_cast<size_t>(i)] =
            mode == SortKey::Page ? page[static_cast<size_t>(i)] : -ecu.ElementDepth[i];
    }
    auto sameGroup = [&](int a, int b) {
        if (type[static_cast<size_t>(a)] >= kFirstImmovableType ||
            type[static_cast<size_t>(b)] >= kFirstImmovableType)
            return false;
        return mode != SortKey::DepthWithinPage ||
               page[static_cast<size_t>(a)] == page[static_cast<size_t>(b)];
    };
    for (int first = 0; first < n;) {
        int last = first;
        while (last + 1 < n && sameGroup(last, last + 1))
            ++last;
        if (last > first) {
            auto begin = r.order.begin() + first;
            auto end = r.order.begin() + last + 1;
            std::stable_sort(begin, end, [&](int a, int b) {
                return key[static_cast<size_t>(a)] < key[static_cast<size_t>(b)];
            });
            // An element is in an inversion when a larger key stands before it or a
            // smaller one after it.
            long maxBefore = LONG_MIN;
            for (int p = first; p <= last; ++p) {
                if (maxBefore > key[static_cast<size_t>(p)])
                    r.swapped[static_cast<size_t>(p)] = true;
                maxBefore = std::max(maxBefore, key[static_cast<size_t>(p)]);
            }
            long minAfter = LONG_MAX;
            for (int p = last; p >= first; --p) {
                if (minAfter < key[static_cast<size_t>(p)])
                    r.swapped[static_cast<size_t>(p)] = true;
                minAfter = std::min(minAfter, key[static_cast<size_t>(p)]);
            }
        }
        first = last + 1;
    }
    for (bool s : r.swapped)
        r.any = r.any || s;
    return r;
}

} // namespace

// One sort of OptimiseOrder: applies the reordering and remaps every link.
// W holds the live offsets from before the sort.
static void sortAndRemap(tECU& ecu, SortKey mode) {
    const int n = ecu.NumElements;
    std::vector<int> W(ecu.ElementLiveOffset, ecu.ElementLiveOffset + n);
    Reordering r = plan(ecu, mode);
    std::vector<int> P(static_cast<size_t>(n)); // P[old position] = new position
    for (int k = 0; k < n; ++k)
        P[static_cast<size_t>(r.order[static_cast<size_t>(k)])] = k;

    if (r.any) {
        // Old extents, as plain sums so that nothing wraps.
        std::vector<int> logicAt(static_cast<size_t>(n) + 1), constAt(static_cast<size_t>(n) + 1);
        std::vector<int> logicSize(static_cast<size_t>(n)), constSize(static_cast<size_t>(n));
        int c = 0;
        for (int i = 0; i < n; ++i) {
            logicAt[static_cast<size_t>(i)] = ecu.ElementLogicOffset[i];
            logicSize[static_cast<size_t>(i)] =
                ecu.ElementLogicOffset[i + 1] - ecu.ElementLogicOffset[i];
            constAt[static_cast<size_t>(i)] = c;
            constSize[static_cast<size_t>(i)] = ecu.ConstSize(ecu.TypeOf(i), c);
            c += constSize[static_cast<size_t>(i)];
        }
        logicAt[static_cast<size_t>(n)] = ecu.ElementLogicOffset[n];
        constAt[static_cast<size_t>(n)] = c;

        // The new contents of the logic area, the constants and the element names.
        const int logicBegin = logicAt[0];
        std::vector<uint8_t> logic, consts, names;
        logic.reserve(static_cast<size_t>(logicAt[static_cast<size_t>(n)] - logicBegin));
        consts.reserve(static_cast<size_t>(c));
        names.reserve(static_cast<size_t>(n) * kNameLength);
        for (int k = 0; k < n; ++k) {
            auto old = static_cast<size_t>(r.order[static_cast<size_t>(k)]);
            for (int b = 0; b < logicSize[old]; ++b)
                logic.push_back(ecu.ReadLogicByte(logicAt[old] + b));
            for (int b = 0; b < constSize[old]; ++b)
                consts.push_back(ecu.ReadConstByte(constAt[old] + b));
            for (int b = 0; b < kNameLength; ++b)
                names.push_back(
                    ecu.ReadNameByte((kNumPages + static_cast<int>(old)) * kNameLength + b));
        }

        // Write the spans the swaps would have written: those of swapped elements.
        for (int i = 0; i < n; ++i) {
            if (!r.swapped[static_cast<size_t>(i)])
                continue;
            for (int a = logicAt[static_cast<size_t>(i)]; a < logicAt[static_cast<size_t>(i) + 1];
                 ++a)
                ecu.WriteLogicByte(a, logic[static_cast<size_t>(a - logicBegin)], false);
            for (int a = constAt[static_cast<size_t>(i)]; a < constAt[static_cast<size_t>(i) + 1];
                 ++a) {
                if (a < kConstSize)
                    ecu.WriteConstByte(a, consts[static_cast<size_t>(a)]);
            }
            for (int b = 0; b < kNameLength; ++b)
                ecu.WriteNameByte(
                    (kNumPages + i) * kNameLength + b,
                    names[static_cast<size_t>(i) * kNameLength + static_cast<size_t>(b)]);
        }

        std::vector<int16_t> depth(ecu.ElementDepth, ecu.ElementDepth + n);
        for (int k = 0; k < n; ++k)
            ecu.ElementDepth[k] = depth[static_cast<size_t>(r.order[static_cast<size_t>(k)])];
        ecu.PermuteIdentities(r.order);
        ecu.RebuildIndex(false, false);
    }

    // Remap every link by the element (old numbering) whose live block held it.
    // With live offsets in order the owner is found by bisection. Offsets that
    // wrapped (a corrupt configuration) overlap; the first element whose span holds
    // the address wins, found by painting each even address once.
    const bool monotonic = std::is_sorted(W.begin(), W.end());
    std::vector<int> owner;
    if (!monotonic) {
        constexpr int kCells = 65536 / 2;
        owner.assign(kCells, -1);
        std::vector<int> next(kCells + 1); // next unpainted cell at or after a cell
        for (int c = 0; c <= kCells; ++c)
            next[static_cast<size_t>(c)] = c;
        auto find = [&](int c) {
            while (next[static_cast<size_t>(c)] != c) {
                next[static_cast<size_t>(c)] =
                    next[static_cast<size_t>(next[static_cast<size_t>(c)])];
                c = next[static_cast<size_t>(c)];
            }
            return c;
        };
        for (int i = 0; i < n; ++i) {
            const int from = (W[static_cast<size_t>(i)] + 1) / 2;
            const int to = i == n - 1 ? kCells : (W[static_cast<size_t>(i) + 1] + 1) / 2;
            for (int c = find(from); c < to; c = find(c)) {
                owner[static_cast<size_t>(c)] = i;
                next[static_cast<size_t>(c)] = c + 1;
            }
        }
    }
    auto sourceOf = [&](int s) {
        if (monotonic) {
            auto it = std::upper_bound(W.begin(), W.end(), s);
            return static_cast<int>(it - W.begin()) - 1;
        }
        return owner[static_cast<size_t>(s / 2)];
    };
    for (int e = 0; e < ecu.NumElements; ++e) {
        int inputs = tECU::InputCount(ecu.TypeOf(e));
        for (int k = 0; k < inputs; ++k) {
            int addr = ecu.InputWordAddress(e, k);
            if (addr + 1 >= kLogicSize)
                break;
            uint16_t w = ecu.ReadLogicWord(addr);
            if (!(w & 1))
                continue;
            int s = w & 0xFFFE;
            int i = sourceOf(s);
            if (i < 0 || i >= n)
                continue;
            int moved = ecu.ElementLiveOffset[P[static_cast<size_t>(i)]];
            auto word = static_cast<uint16_t>((s - W[static_cast<size_t>(i)] + moved) | 1);
            ecu.WriteLogicWord(addr, word, false);
        }
    }
}

void tECU::OptimiseOrder(bool balanced) {
    const HeldReferences::Snapshot held = HeldReferences::Capture(*this);
    if (balanced) {
        sortAndRemap(*this, SortKey::Page);
        RebuildIndex(true, false);
        sortAndRemap(*this, SortKey::DepthWithinPage);
    } else {
        RebuildIndex(true, false);
        sortAndRemap(*this, SortKey::Depth);
    }
    HeldReferences::Follow(*this, held);
}

} // namespace zolmar
