#include "files/ConstantExport.h"
#include "files/Search.h"
#include "model/ECU.h"
#include "model/Tables.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

// Any bytes at all can come from a file or an ECU: every operation on the diagram
// must stay inside its arrays and finish (the sanitizer build checks the former).
TEST(CorruptImageTest, EveryOperationSurvivesAnyImage) {
    SilentMessages quiet;
    auto ecu = std::make_unique<tECU>(quiet);
    std::mt19937 random(777);
    const int codes[] = {0, 1, 2, 4, 5, 6, 7, 12, 15, 16, 19, 31, 127, 159, 191, 94, 255, 20};
    for (int round = 0; round < 16; ++round) {
        for (int k = 0; k < kStatusBase; ++k)
            ecu->Image[k] = static_cast<uint8_t>(random());
        if (round % 2) {
            // Mostly valid codes, so that there are many elements with big live blocks.
            for (int L = 0; L + 600 < kLogicSize;) {
                int code = codes[random() % 16];
                ecu->Image[kLogicBase + L] = static_cast<uint8_t>(code);
                L += tECU::LogicSize(code);
            }
        }
        ecu->RebuildIndex(true, true);
        const int n = ecu->NumElements;
        std::string sink;
        for (int i = 0; i < n; i += 7) {
            int type = ecu->TypeOf(i);
            for (int k = 0; k <= tECU::InputCount(type); ++k)
                sink += ecu->InputName(i, k);
            for (int k = 0; k <= ecu->OutputCount(type); ++k)
                sink += ecu->OutputName(i, k, true);
            if (Tables::IsTable(type)) {
                int16_t in[5] = {static_cast<int16_t>(random()), static_cast<int16_t>(random()),
                                 1234, 50, 50};
                uint16_t live[6] = {};
                Tables::LookUp(*ecu, type, ecu->ElementConstOffset[i], in, live);
                int index = 0;
                Tables::Grow(*ecu, i, Tables::Axis::Horizontal, 77, index);
                Tables::Shrink(*ecu, i, Tables::Axis::Vertical, 0, 1);
                Tables::FillInserted(*ecu, i, Tables::Axis::Horizontal, 1);
            }
        }
        std::string name;
        for (int a = 0; a < 400; a += 3)
            ecu->NameOfLiveAddress(a, name);
        LiveChoiceList choices;
        for (int i = 0; i < ecu->NumElements && i < 50; ++i)
            ecu->AddLiveChoiceSorted(choices, i, 0, LiveValueFormat::WordNumber, 3, 0);
        ChoiceList pages;
        ecu->FillPageList(pages);
        EXPECT_LT(ConstantExport::Text(*ecu).size(), 2u * 1000 * 1000);
        for (auto mode : {Search::Mode::ConfigAddress, Search::Mode::ConstantAddress,
                          Search::Mode::LiveAddress})
            Search::Find(*ecu, mode, static_cast<long>(random() % 40000), "");

        ecu->OptimiseOrder(round % 4 < 2);
        if (ecu->NumElements > 0)
            ecu->DeleteElement(
                static_cast<int>(random() % static_cast<unsigned>(ecu->NumElements)));
        ecu->CreateElement(ElementType::Summer, 1, 1, "new", 3);
        EXPECT_LE(ecu->NumElements, kMaxElements);
        EXPECT_FALSE(sink.empty() && n > 0);
    }
}

} // namespace
