// The evaluation that decodes the diagram once must compute exactly what the
// walking evaluation computes: every live word and every learnt table cell after
// every pass, on random diagrams of every evaluated type under random signals,
// through edits, structural changes and garbage bytes, and on the shipped default
// configuration over 100,000 passes.
#include "DiagramGenerator.h"
#include "RealisticDiagram.h"
#include "ReferenceEvaluator.h"
#include "files/SettingsFile.h"
#include "model/EcuMemoryView.h"
#include "simulator/DiagramEvaluator.h"
#include "simulator/SimulatedInputs.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <set>
#include <vector>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

// One copy of the ECU's memory: configuration and live area, learning into the
// configuration's constants.
struct Memory : LearnSink {
    std::vector<uint8_t> bytes;
    EcuMemoryView view;

    explicit Memory(const tECU& ecu) : bytes(ecu.Image, ecu.Image + kImageSize) {
        view.config = bytes.data();
        view.configSize = static_cast<uint32_t>(bytes.size());
        view.live = bytes.data() + kLiveBase;
        view.learn = this;
    }
    Memory(const Memory&) = delete;
    Memory& operator=(const Memory&) = delete;
    void LearnConstWord(int constAddr, uint16_t value) override {
        bytes[static_cast<size_t>(kConstBase + constAddr)] = static_cast<uint8_t>(value);
        bytes[static_cast<size_t>(kConstBase + constAddr + 1)] = static_cast<uint8_t>(value >> 8);
    }
};

// Both evaluations side by side on identical memories.
struct Pair {
    Memory fast;
    Memory slow;
    sim::DiagramEvaluator evaluator;
    test::reference::DiagramEvaluator reference;

    explicit Pair(const tECU& ecu) : fast(ecu), slow(ecu) {
        evaluator.Start(fast.view);
        reference.Start(slow.view);
    }
    void setByte(long address, uint8_t value) {
        fast.bytes[static_cast<size_t>(address)] = value;
        slow.bytes[static_cast<size_t>(address)] = value;
    }
    void setLive(long liveAddr, uint16_t value) {
        fast.view.SetLiveWord(liveAddr, value);
        slow.view.SetLiveWord(liveAddr, value);
    }
    // One pass of each; false (with a failure) at the first difference.
    bool pass(int& records) {
        records = evaluator.Pass(fast.view);
        const int expected = reference.Pass(slow.view);
        EXPECT_EQ(records, expected);
        if (fast.bytes != slow.bytes) {
            for (size_t k = 0; k < fast.bytes.size(); ++k)
                if (fast.bytes[k] != slow.bytes[k]) {
                    ADD_FAILURE() << "first difference at address " << k << " after step "
                                  << reference.StepCount();
                    break;
                }
            return false;
        }
        return records == expected;
    }
};

// Signal values that reach every branch: around the logic threshold (0 and 50),
// small and full-range numbers and the extremes.
int16_t signal(std::mt19937& random) {
    switch (random() % 6) {
    case 0:
        return static_cast<int16_t>(static_cast<int>(random() % 3) * 50 - 50);
    case 1:
        return static_cast<int16_t>(static_cast<int>(random() % 201) - 100);
    case 2:
        return static_cast<int16_t>(random() % 2 ? 32767 : -32768);
    case 3:
        return 0;
    default:
        return static_cast<int16_t>(random());
    }
}

TEST(DecodedDiagramTest, RandomDiagramsOfEveryTypeUnderRandomSignalsAndEdits) {
    std::set<int> typesSeen;
    int decodings = 0;
    for (uint32_t seed = 1; seed <= 24; ++seed) {
        SilentMessages messages;
        auto ecu = std::make_unique<tECU>(messages);
        test::DiagramOptions options;
        options.seed = seed;
        options.elements = 40 + static_cast<int>(seed % 4) * 60;
        options.linkPercent = 50 + static_cast<int>(seed % 3) * 20;
        options.dedicated = seed % 2 == 0;
        test::GenerateDiagram(*ecu, options);
        for (int i = 0; i < ecu->NumElements; ++i)
            typesSeen.insert(ecu->TypeOf(i));
        Pair pair(*ecu);
        std::mt19937 random(seed * 7919);
        const int logicEnd = ecu->LogicEnd();
        SCOPED_TRACE(seed);
        int records = 0;
        for (int p = 0; p < 600; ++p) {
            // Random signals anywhere in the live area, element states included.
            const int words = p % 50 == 0 ? kLiveSize / 2 : 40;
            for (int k = 0; k < words; ++k) {
                const long word = p % 50 == 0 ? k : static_cast<long>(random() % (kLiveSize / 2));
                pair.setLive(2 * word, static_cast<uint16_t>(signal(random)));
            }
            // Edits between passes: constants and option bytes, input words (literals
            // and links), now and then a type byte or a table's size, or garbage.
            if (p % 7 == 3)
                pair.setByte(kConstBase + static_cast<long>(random() % 2048),
                             static_cast<uint8_t>(random()));
            if (p % 11 == 5 && logicEnd > 4)
                pair.setByte(kLogicBase + static_cast<long>(random() % logicEnd),
                             static_cast<uint8_t>(random()));
            if (p % 97 == 50 && ecu->NumElements > 0) {
                const int i = static_cast<int>(random() % static_cast<uint32_t>(ecu->NumElements));
                pair.setByte(kLogicBase + ecu->ElementLogicOffset[i],
                             static_cast<uint8_t>(random() % 21));
            }
            if (p % 150 == 149)
                for (int k = 0; k < 64; ++k)
                    pair.setByte(kLogicBase + static_cast<long>(random() % (logicEnd + 64)),
                                 static_cast<uint8_t>(random()));
            ASSERT_TRUE(pair.pass(records)) << "pass " << p;
        }
        decodings += pair.evaluator.Decodings();
    }
    for (int type = ElementType::Constant; type <= ElementType::Mux32; ++type) {
        if (type != ElementType::Display) {
            EXPECT_TRUE(typesSeen.count(type)) << "no element of type " << type;
        }
    }
    // Edits of the logic area decode again; passes between them do not.
    EXPECT_GT(decodings, 24 * 20);
    EXPECT_LT(decodings, 24 * 200);
}

TEST(DecodedDiagramTest, PassesWithinARunFollowTableSizesAndComparedLogic) {
    SilentMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    test::GenerateRealisticDiagram(*ecu, 400, 3);
    Pair pair(*ecu);
    std::mt19937 random(5);
    int records = 0;
    for (int run = 0; run < 40; ++run) {
        // A run's passes with the inputs changing before each, as the simulator runs
        // them; the reference passes one by one.
        const int16_t rpm = signal(random);
        pair.evaluator.Run(pair.fast.view, 50, [&] { pair.fast.view.SetLiveWord(80, rpm); });
        for (int k = 0; k < 50; ++k) {
            pair.slow.view.SetLiveWord(80, static_cast<uint16_t>(rpm));
            pair.reference.Pass(pair.slow.view);
        }
        ASSERT_EQ(pair.fast.bytes, pair.slow.bytes) << "run " << run;
        // Between runs, an edit of a logic byte or of a table's first dimension.
        if (run % 2 == 0)
            pair.setByte(kLogicBase + static_cast<long>(random() % ecu->LogicEnd()),
                         static_cast<uint8_t>(random()));
        else
            for (int i = 0; i < ecu->NumElements; ++i)
                if (ecu->TypeOf(i) == ElementType::Table2D) {
                    pair.setByte(kConstBase + ecu->ElementConstOffset[i],
                                 static_cast<uint8_t>(1 + random() % 40));
                    break;
                }
    }
    ASSERT_TRUE(pair.pass(records));
}

TEST(DecodedDiagramTest, DefaultConfigurationOverAHundredThousandPasses) {
    SilentMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    std::string error;
    ASSERT_TRUE(SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) << error;
    Pair pair(*ecu);
    // The simulator's controls swept through their ranges, one control a pass.
    sim::SimulatedInputs inputs;
    std::mt19937 random(11);
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kPasses = 10000; // the same comparison, fewer passes under the sanitizer
#else
    constexpr int kPasses = 100000;
#endif
    int records = 0;
    for (int p = 0; p < kPasses; ++p) {
        const int control = static_cast<int>(random() % sim::SimulatedInputs::kControls);
        const int low = sim::SimulatedInputs::Minimum(control);
        const int high = sim::SimulatedInputs::Maximum(control);
        inputs.SetPosition(
            control, low + static_cast<int>(random() % static_cast<uint32_t>(high - low + 1)));
        inputs.Write(control, pair.fast.view);
        inputs.Write(control, pair.slow.view);
        if (!pair.pass(records))
            FAIL() << "pass " << p;
    }
    EXPECT_GT(records, 900);
    EXPECT_EQ(pair.evaluator.Decodings(), 1);
}

} // namespace
