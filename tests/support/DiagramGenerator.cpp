#include "DiagramGenerator.h"

#include "files/NewConfiguration.h"
#include "model/Tables.h"

#include <cstring>
#include <random>
#include <vector>

namespace zolmar::test {

using namespace Layout;

namespace {

void emptyConfiguration(tECU& ecu) {
    std::memset(ecu.Image + kLogicBase, 0xFF, kLogicSize);
    std::memset(ecu.Image + kConstBase, 0, kConstSize);
    ecu.RebuildIndex(true, true);
    ecu.UpdateUsageWords();
}

} // namespace

int GenerateDiagram(tECU& ecu, const DiagramOptions& o) {
    std::mt19937 random(o.seed);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
    if (o.dedicated)
        NewConfiguration::MakeBlank(ecu);
    else
        emptyConfiguration(ecu);

    int created = 0;
    const int auxAt = o.auxOnInj ? o.elements / 2 : -1;
    for (int k = 0; k < o.elements; ++k) {
        int type = below(20);
        int page = 1 + below(o.pages);
        if (type == ElementType::Gauge || (type == ElementType::Label && below(4) == 0))
            page = 0;
        if (k == auxAt) {
            type = ElementType::AuxOnInj;
            page = 1;
        }
        int index = 0;
        if (!ecu.CreateElement(type, below(60), below(40), "E" + std::to_string(k), page, &index))
            continue;
        ++created;
        if (o.resizeTables && Tables::IsTable(type)) {
            Tables::AxisLayout h{0, 50 * (1 + below(12)), 50};
            Tables::AxisLayout v{-100, 100 * below(5), 100};
            Tables::LayOut(ecu, index, h, type == ElementType::Table3D ? &v : nullptr);
        }
    }

    // Links in every direction, literals elsewhere.
    std::vector<std::pair<int, int>> outputs;
    for (int i = 0; i < ecu.NumElements; ++i)
        for (int u = 0; u < ecu.OutputCount(ecu.TypeOf(i)); ++u)
            outputs.emplace_back(i, u);
    for (int i = 0; i < ecu.NumElements; ++i) {
        for (int k = 0; k < tECU::InputCount(ecu.TypeOf(i)); ++k) {
            if (!outputs.empty() && below(100) < o.linkPercent) {
                auto [source, output] =
                    outputs[static_cast<size_t>(below(static_cast<int>(outputs.size())))];
                ecu.LinkInput(i, k, source, output);
            } else if (below(3) == 0) {
                ecu.SetLiteral(i, k, (below(2000) - 1000) / 7.0);
            }
        }
    }
    ecu.RebuildIndex(true, true);
    return created;
}

void GenerateBackwardChains(tECU& ecu, int pages, int elements) {
    NewConfiguration::MakeBlank(ecu);
    // Mostly two-byte live blocks, with a display now and then, so that 3454
    // elements fit the live area.
    const int types[] = {ElementType::Summer, ElementType::Multiplier, ElementType::Comparator,
                         ElementType::Summer, ElementType::Switch,     ElementType::Display,
                         ElementType::Summer, ElementType::Wrapper,    ElementType::Display};
    for (int k = 0; ecu.NumElements < elements; ++k) {
        int type = types[k % 9];
        if (!ecu.CreateElement(type, k % 200, (k / 200) % 200, "C" + std::to_string(k),
                               1 + k % pages))
            break;
    }
    // Chains of at most 150 links run from later records to earlier ones: element i
    // reads the next element with an output at least 24 places behind it.
    const int stride = 24;
    for (int i = 6; i < ecu.NumElements; ++i) {
        if (tECU::InputCount(ecu.TypeOf(i)) == 0)
            continue;
        for (int j = i + stride; j < ecu.NumElements && j < i + 2 * stride; ++j) {
            if (ecu.OutputCount(ecu.TypeOf(j)) > 0) {
                ecu.LinkInput(i, 0, j, 0);
                break;
            }
        }
    }
    ecu.RebuildIndex(true, true);
}

} // namespace zolmar::test
