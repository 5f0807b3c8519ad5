#include "RealisticDiagram.h"

#include "files/NewConfiguration.h"
#include "model/Tables.h"

#include <algorithm>
#include <random>
#include <vector>

namespace zolmar::test {

namespace {

using namespace ElementType;

// Elements per thousand. What is left over becomes displays and labels, which cost
// no live words: the live area is what limits a full diagram.
struct Share {
    int type;
    int perThousand;
};
constexpr Share kMix[] = {
    {Table2D, 35},  {Table3D, 12}, {PID, 17},         {Timer, 9},       {Delay, 6},
    {Latch, 9},     {Stepper, 1},  {Clipper, 17},     {Mux4, 3},        {Gauge, 9},
    {Constant, 58}, {Summer, 174}, {Multiplier, 116}, {Comparator, 87}, {Switch, 72},
    {Tickbox, 29},  {Wrapper, 29}, {Display, 145},    {Label, 105},
};

// Live words of the dedicated elements that the ECU measures: engine speed and the
// analogue inputs (outputs of elements 0 and 1).
struct Signal {
    int element;
    int output;
};
constexpr Signal kSignals[] = {{0, 44}, {0, 16}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 42}};

} // namespace

int GenerateRealisticDiagram(tECU& ecu, int elements, uint32_t seed) {
    std::mt19937 random(seed);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
    NewConfiguration::MakeBlank(ecu);
    const int wanted = elements - ecu.NumElements;

    std::vector<int> types;
    for (const Share& s : kMix)
        types.insert(types.end(), static_cast<size_t>(wanted * s.perThousand / 1000), s.type);
    if (wanted >= 1500)
        types.insert(types.end(), 2, Mux32);
    for (int k = 0; static_cast<int>(types.size()) < wanted; ++k)
        types.push_back(k % 2 ? Label : Display);
    types.resize(static_cast<size_t>(std::max(wanted, 0)));
    std::shuffle(types.begin(), types.end(), random);

    for (size_t k = 0; k < types.size(); ++k) {
        const int type = types[k];
        const int page = type == Gauge ? 0 : 1 + below(20);
        int index = 0;
        if (!ecu.CreateElement(type, below(60), below(40), "R" + std::to_string(k), page, &index))
            break;
        const int c = ecu.ElementConstOffset[index];
        switch (type) {
        case Table2D:
            Tables::LayOut(ecu, index, {0, 500 * (7 + below(12)), 500}, nullptr);
            break;
        case Table3D: {
            const Tables::AxisLayout h{0, 800 * (7 + below(8)), 800};
            const Tables::AxisLayout v{0, 2500 * (7 + below(4)), 2500};
            Tables::LayOut(ecu, index, h, &v);
            break;
        }
        case Constant:
            ecu.WriteConstWord(c, static_cast<uint16_t>((below(10000) - 5000) & 0xFFFE));
            break;
        case Summer:
            ecu.WriteConstByte(c, static_cast<uint8_t>(below(32)));
            break;
        case Comparator:
            ecu.WriteConstByte(c, static_cast<uint8_t>(1 + below(6)));
            break;
        case Tickbox:
        case Latch:
        case Mux4:
        case Mux32:
        case Stepper:
            ecu.WriteConstByte(c, static_cast<uint8_t>(below(256)));
            break;
        case Delay:
            ecu.WriteConstWord(c, static_cast<uint16_t>(10 * (1 + below(100))));
            break;
        default:
            break;
        }
    }

    // Table cells, now that every block has its place.
    for (int i = 0; i < ecu.NumElements; ++i) {
        Tables::Shape shape;
        if (!Tables::ShapeOf(ecu, i, shape))
            continue;
        for (int row = 0; row < shape.rows; ++row)
            for (int column = 0; column < shape.columns; ++column)
                Tables::WriteCell(ecu, shape, column, row,
                                  static_cast<uint16_t>((below(20000) - 5000) & 0xFFFE));
    }

    std::vector<Signal> outputs; // outputs by element, in storage order
    std::vector<int> firstOutput(static_cast<size_t>(ecu.NumElements) + 1, 0);
    for (int i = 0; i < ecu.NumElements; ++i) {
        firstOutput[static_cast<size_t>(i)] = static_cast<int>(outputs.size());
        for (int u = 0; u < ecu.OutputCount(ecu.TypeOf(i)); ++u)
            outputs.push_back({i, u});
    }
    firstOutput[static_cast<size_t>(ecu.NumElements)] = static_cast<int>(outputs.size());
    auto linkNear = [&](int i, int k) {
        const int here = firstOutput[static_cast<size_t>(i)];
        const int count = static_cast<int>(outputs.size());
        int pick;
        if (below(100) < 8 && here + 1 < count) // feedback from a later element
            pick = here + 1 + below(std::min(60, count - here - 1));
        else if (here > 0)
            pick = std::max(0, here - 1 - below(std::min(300, here)));
        else
            pick = 0;
        const Signal s = outputs[static_cast<size_t>(pick)];
        ecu.LinkInput(i, k, s.element, s.output);
    };
    auto signal = [&](int i, int k) {
        const Signal s = kSignals[below(static_cast<int>(std::size(kSignals)))];
        ecu.LinkInput(i, k, s.element, s.output);
    };

    for (int i = 6; i < ecu.NumElements; ++i) {
        const int type = ecu.TypeOf(i);
        const int inputs = tECU::InputCount(type);
        for (int k = 0; k < inputs; ++k) {
            if (below(100) < 5)
                ecu.SetLiteral(i, k, (below(2000) - 1000) / 10.0);
            else
                linkNear(i, k);
        }
        switch (type) {
        case Table2D:
        case Table3D: {
            const int learn = type == Table2D ? 2 : 3;
            below(2) ? signal(i, 0) : linkNear(i, 0);
            if (type == Table3D)
                signal(i, 1);
            // One table in ten learns, from whatever its trigger follows.
            if (below(10) != 0)
                ecu.SetLiteral(i, learn, 0);
            ecu.SetLiteral(i, learn + 1, 1);
            break;
        }
        case PID:
            signal(i, 1);
            ecu.SetLiteral(i, 2, 0.5 + below(20) / 10.0);
            ecu.SetLiteral(i, 3, 0.5 + below(20) / 10.0);
            ecu.SetLiteral(i, 4, below(10) / 10.0);
            for (int k = 5; k <= 10; ++k)
                if (below(4) != 0)
                    ecu.SetLiteral(i, k, 0);
            ecu.SetLiteral(i, 11, 5 + 5 * below(10)); // 5..50 ms
            break;
        case Multiplier:
            if (below(3) == 0)
                ecu.SetLiteral(i, 2, 1 + below(10));
            break;
        case Timer:
            ecu.SetLiteral(i, 0, 0.5 + below(50) / 10.0);
            break;
        default:
            break;
        }
    }
    ecu.RebuildIndex(true, true);
    return ecu.NumElements;
}

} // namespace zolmar::test
