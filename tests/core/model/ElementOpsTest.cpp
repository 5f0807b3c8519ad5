#include "RawConfig.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::test::RawConfig;

namespace {

struct ElementOpsTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);

    void blank() {
        NewConfiguration::MakeBlank(*ecu);
        std::memset(ecu->SyncState, 0, sizeof ecu->SyncState);
        ecu->Modified = ecu->LogicOrNamesChanged = ecu->StructureChanged = false;
    }
    int create(int type, int page = 1, const std::string& name = "x") {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 3, 4, name, page, &index)) << type;
        return index;
    }
    std::vector<uint8_t> snapshot() const {
        return std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize);
    }
    // Fills the constant area up to the given end with raw records after the
    // dedicated ones: full tables, one smaller table, then one-byte summers.
    void useConstantsUpTo(int end) {
        RawConfig raw(*ecu);
        int used = 0;
        while (end - used >= 1021) {
            raw.add(ElementType::Table2D, 1, 0, 0, "t", 255);
            used += 1021;
        }
        if (end - used >= 5) {
            int n = (end - used - 1) / 4;
            raw.add(ElementType::Table2D, 1, 0, 0, "t", n);
            used += 4 * n + 1;
        }
        while (used < end) {
            raw.add(ElementType::Summer);
            ++used;
        }
        raw.finish();
        ASSERT_EQ(ecu->ConstEnd(), end);
    }
};

TEST_F(ElementOpsTest, PageZeroTakesOnlyGaugesAndLabels) {
    blank();
    auto before = snapshot();
    EXPECT_FALSE(ecu->CreateElement(ElementType::Constant, 1, 1, "c", 0));
    ASSERT_EQ(messages.texts(),
              std::vector<std::string>{"This page can only contain Gauge elements or Labels"});
    EXPECT_EQ(messages.shown[0].kind, Messages::Kind::Error);
    EXPECT_EQ(before, snapshot());
    EXPECT_FALSE(ecu->Modified);
    EXPECT_TRUE(ecu->CreateElement(ElementType::Gauge, 1, 1, "g", 0));
    EXPECT_TRUE(ecu->CreateElement(ElementType::Label, 1, 1, "l", 0));
}

TEST_F(ElementOpsTest, OnlyOneAuxOnInjBlock) {
    blank();
    int first = create(ElementType::AuxOnInj);
    EXPECT_FALSE(ecu->CreateElement(ElementType::AuxOnInj, 1, 1, "again", 2));
    EXPECT_EQ(messages.texts().back(),
              "You can only have one block for Aux Outputs on Injector Outputs");
    ecu->DeleteElement(first);
    EXPECT_TRUE(ecu->CreateElement(ElementType::AuxOnInj, 1, 1, "again", 2));
}

TEST_F(ElementOpsTest, CreationAppendsWithTheTypesDefaults) {
    blank();
    const int oldConstEnd = ecu->ConstEnd();
    int t2 = create(ElementType::Table2D, 2, "Fuel");
    int t3 = create(ElementType::Table3D);
    int mul = create(ElementType::Multiplier);
    int cmp = create(ElementType::Comparator);
    int latch = create(ElementType::Latch);
    int gauge = create(ElementType::Gauge, 0);
    int mux4 = create(ElementType::Mux4);
    int mux32 = create(ElementType::Mux32);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ecu->NumElements, 14);
    EXPECT_EQ(ecu->ElementConstOffset[t2], oldConstEnd);

    const uint8_t table2D[] = {2, 0, 0, 0x88, 0x13, 0, 0, 0, 0};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[t2] + k), table2D[k]) << k;
    const uint8_t table3D[18] = {2, 2, 0, 0, 0x88, 0x13, 0, 0, 0x88, 0x13};
    for (int k = 0; k < 18; ++k)
        EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[t3] + k), table3D[k]) << k;
    EXPECT_EQ(ecu->ElementConstOffset[t3] - ecu->ElementConstOffset[t2], 9);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(ecu->InputWord(mul, k), 50);
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[cmp]), 4);
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[latch]), 1);
    int g = ecu->ElementConstOffset[gauge];
    EXPECT_EQ(ecu->ReadConstWord(g), 0);
    EXPECT_EQ(ecu->ReadConstWord(g + 2), 5000);
    EXPECT_EQ(ecu->ReadConstWord(g + 4), 4000);
    EXPECT_EQ(ecu->ReadConstWord(g + 6), 4500);
    EXPECT_EQ(ecu->ReadConstByte(g + 8), 2);
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[mux4] + 12), 'I');
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[mux4] + 12 + 16 * 3 + 6), '4');
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[mux4] + 12 + 16 * 3 + 7), 0);
    int last = ecu->ElementLogicOffset[mux32] + 68 + 16 * 31;
    EXPECT_EQ(ecu->ReadLogicByte(last + 6), '3');
    EXPECT_EQ(ecu->ReadLogicByte(last + 7), '2');

    int r = ecu->ElementLogicOffset[t2];
    EXPECT_EQ(ecu->ReadLogicByte(r), 2);
    EXPECT_EQ(ecu->ReadLogicByte(r + 1), 3);
    EXPECT_EQ(ecu->ReadLogicByte(r + 2), 4);
    EXPECT_EQ(ecu->ReadLogicByte(r + 3), 2);
    EXPECT_EQ(ecu->NameOf(kNumPages + t2), "Fuel");
    EXPECT_EQ(ecu->ReadLogicByte(ecu->LogicEnd()), 0xFF);
    EXPECT_EQ(ecu->SyncState[kLogicBase + r + 11], Sync::ToWrite);
    EXPECT_EQ(ecu->ImageWord(0), (ecu->ConstEnd() + 1024) & 0x7FFF);
    EXPECT_EQ(ecu->ImageWord(2), ecu->LogicEnd() + 1);
    EXPECT_TRUE(ecu->StructureChanged);
}

TEST_F(ElementOpsTest, NamesAreCutTo24BytesWithoutTerminator) {
    blank();
    int e = create(ElementType::Constant, 1, "123456789012345678901234567890");
    EXPECT_EQ(ecu->NameOf(kNumPages + e), "123456789012345678901234");
    EXPECT_EQ(ecu->ReadNameByte((kNumPages + e + 1) * kNameLength), 0);
    EXPECT_TRUE(ecu->RenameSlot(5, "Page five"));
    EXPECT_EQ(ecu->NameOf(5), "Page five");
    EXPECT_EQ(ecu->ReadNameByte(5 * kNameLength + 23), 0);
    EXPECT_EQ(ecu->SyncState[kNameRegion1 + 5 * kNameLength + 23], Sync::ToWrite);
    EXPECT_FALSE(ecu->RenameSlot(kNumNameSlots, "x"));
}

TEST_F(ElementOpsTest, CreationRefusesWhenAnyAreaIsFull) {
    RawConfig raw(*ecu);
    for (int i = 0; i < kMaxElements; ++i)
        raw.add(ElementType::Label);
    raw.finish();
    auto before = snapshot();
    EXPECT_FALSE(ecu->CreateElement(ElementType::Label, 1, 1, "x", 0));
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"Could not create new element (Not enough memory)"});
    EXPECT_EQ(before, snapshot());

    // Live area: a block that would reach past it is refused, one that ends at its end fits.
    raw.clear();
    for (int i = 0; i < 372; ++i)
        raw.add(ElementType::Delay);
    for (int i = 0; i < 3; ++i)
        raw.add(ElementType::Constant);
    raw.finish();
    ASSERT_EQ(ecu->LiveEnd(), kLiveSize - 2);
    EXPECT_FALSE(ecu->CreateElement(ElementType::Delay, 1, 1, "d", 1));
    EXPECT_TRUE(ecu->CreateElement(ElementType::Constant, 1, 1, "c", 1));
    EXPECT_FALSE(ecu->CreateElement(ElementType::Label, 1, 1, "l", 1));

    EXPECT_FALSE(ecu->CreateElement(20, 1, 1, "?", 1));
    EXPECT_EQ(messages.texts().back(), "Could not create new element (unknown type 20)");
}

TEST_F(ElementOpsTest, TablesNeedMoreThanTheirDefaultBlockFree) {
    useConstantsUpTo(kConstSize - 10);
    EXPECT_TRUE(ecu->CreateElement(ElementType::Table2D, 1, 1, "t", 1));
    useConstantsUpTo(kConstSize - 9);
    EXPECT_FALSE(ecu->CreateElement(ElementType::Table2D, 1, 1, "t", 1));
    useConstantsUpTo(kConstSize - 19);
    EXPECT_TRUE(ecu->CreateElement(ElementType::Table3D, 1, 1, "t", 1));
    useConstantsUpTo(kConstSize - 18);
    EXPECT_FALSE(ecu->CreateElement(ElementType::Table3D, 1, 1, "t", 1));
    // Other types need their block plus one byte.
    useConstantsUpTo(kConstSize - 3);
    EXPECT_TRUE(ecu->CreateElement(ElementType::Constant, 1, 1, "c", 1));
    useConstantsUpTo(kConstSize - 2);
    EXPECT_FALSE(ecu->CreateElement(ElementType::Constant, 1, 1, "c", 1));
}

TEST_F(ElementOpsTest, DeletingRepairsEveryLink) {
    blank();
    int a = create(ElementType::Constant, 1, "a");
    int clip = create(ElementType::Clipper, 1, "clip");
    int mul = create(ElementType::Multiplier, 1, "mul");
    int sum = create(ElementType::Summer, 1, "sum");
    int later = create(ElementType::Comparator, 1, "later");
    ecu->LinkInput(mul, 0, clip, 1);
    ecu->LinkInput(mul, 1, a, 0);
    ecu->LinkInput(sum, 0, clip, 0);
    ecu->LinkInput(sum, 1, later, 0);
    ecu->LinkInput(later, 0, 1, 5); // analogue inputs, before the deleted element
    const uint16_t toA = ecu->InputWord(mul, 1);
    const uint16_t toLater = ecu->InputWord(sum, 1);
    const int end = ecu->LogicEnd();
    const int constEnd = ecu->ConstEnd();

    ecu->DeleteElement(clip);
    EXPECT_TRUE(messages.shown.empty());
    mul -= 1;
    sum -= 1;
    later -= 1;
    EXPECT_EQ(ecu->InputWord(mul, 0), 50);  // Multiplier: 1.00
    EXPECT_EQ(ecu->InputWord(mul, 1), toA); // earlier source unchanged
    EXPECT_EQ(ecu->InputWord(sum, 0), 0);   // Summer: 0.00
    EXPECT_EQ(ecu->InputWord(sum, 1), toLater - 6);
    std::string name;
    ASSERT_TRUE(ecu->NameOfLiveAddress(ecu->InputWord(sum, 1) & 0xFFFE, name));
    EXPECT_EQ(name, "Pg2.later");
    EXPECT_EQ(ecu->NameOf(kNumPages + later), "later");
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[later]), 4);
    // The last slot keeps its copy; the logic tail is 0xFF.
    EXPECT_EQ(ecu->NameOf(kNumPages + later + 1), "later");
    for (int x = ecu->LogicEnd(); x <= end; ++x)
        EXPECT_EQ(ecu->ReadLogicByte(x), 0xFF);
    EXPECT_EQ(ecu->LogicEnd(), end - 10);
    EXPECT_EQ(ecu->ConstEnd(), constEnd);
    EXPECT_EQ(ecu->ImageWord(2), ecu->LogicEnd() + 1);

    auto before = snapshot();
    ecu->DeleteElement(-1);
    ecu->DeleteElement(ecu->NumElements);
    EXPECT_EQ(before, snapshot());
}

TEST_F(ElementOpsTest, DeletingMovesNamesAcrossTheTwoNameRegions) {
    RawConfig raw(*ecu);
    for (int i = 0; i < 1580; ++i)
        raw.add(ElementType::Label, 1, 0, 0, "L" + std::to_string(i));
    raw.finish();
    EXPECT_EQ(ecu->Image[kNameRegion2], 'L'); // element 1577 starts the second region
    ecu->DeleteElement(1576);
    EXPECT_EQ(ecu->NameOf(kNumPages + 1576), "L1577");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ecu->Image + 0x29FC0), 5), "L1577");
    EXPECT_EQ(ecu->NameOf(kNumPages + 1577), "L1578");
    EXPECT_EQ(ecu->NumElements, 1579);
}

TEST_F(ElementOpsTest, DeletingAConstantBlockMovesTheLaterOnes) {
    blank();
    int t = create(ElementType::Table2D);
    int c = create(ElementType::Constant);
    ecu->WriteConstWord(ecu->ElementConstOffset[c], 0x1234);
    int at = ecu->ElementConstOffset[t];
    ecu->DeleteElement(t);
    EXPECT_EQ(ecu->ElementConstOffset[c - 1], at);
    EXPECT_EQ(ecu->ReadConstWord(at), 0x1234);
    EXPECT_EQ(ecu->ConstEnd(), at + 2);
    EXPECT_EQ(ecu->ImageWord(0), ecu->ConstEnd() + 1024);
}

TEST_F(ElementOpsTest, UnlinkingWritesTheCreationLiteral) {
    blank();
    int a = create(ElementType::Constant);
    int mul = create(ElementType::Multiplier);
    int sum = create(ElementType::Summer);
    ecu->LinkInput(mul, 2, a, 0);
    ecu->LinkInput(sum, 0, a, 0);
    ecu->SetLiteral(sum, 1, 3.0);
    ecu->UnlinkInput(ecu->ElementLogicOffset[mul], 3);
    ecu->UnlinkInput(ecu->ElementLogicOffset[sum], 1);
    ecu->UnlinkInput(ecu->ElementLogicOffset[sum], 2);
    EXPECT_EQ(ecu->InputWord(mul, 2), 50);
    EXPECT_EQ(ecu->InputWord(sum, 0), 0);
    EXPECT_EQ(ecu->InputWord(sum, 1), 150);
}

TEST_F(ElementOpsTest, LiteralsAreRoundedEvenAndLimited) {
    blank();
    int s = create(ElementType::Summer);
    struct Case {
        double value;
        uint16_t word;
    };
    const Case cases[] = {{1.25, 62},   {-1.25, 0xFFC2}, {0.01, 0},  {-0.01, 0},
                          {655, 32750}, {-655, 0x8012},  {1.23, 62}, {0.03, 2}};
    for (const auto& c : cases) {
        EXPECT_TRUE(ecu->SetLiteral(s, 0, c.value));
        EXPECT_EQ(ecu->InputWord(s, 0), c.word) << c.value;
    }
    // Beyond the typed range the word would wrap; nothing is written.
    EXPECT_FALSE(ecu->SetLiteral(s, 0, 655.02));
    EXPECT_FALSE(ecu->SetLiteral(s, 0, -700));
    EXPECT_FALSE(ecu->SetLiteral(s, 0, std::nan("")));
    EXPECT_FALSE(ecu->SetLiteral(s, 2, 1));
    EXPECT_EQ(ecu->InputWord(s, 0), 2);
    EXPECT_FALSE(ecu->LinkInput(s, 0, s, 1));
    EXPECT_TRUE(ecu->LinkInput(s, 0, s, 0));
    EXPECT_EQ(ecu->InputWord(s, 0), (ecu->ElementLiveOffset[s]) | 1);
}

TEST_F(ElementOpsTest, PageListShowsNumbersNamesAndBlankPages) {
    blank();
    ChoiceList list;
    list.selected = 42;
    ecu->FillPageList(list);
    ASSERT_EQ(list.items.size(), 128u);
    EXPECT_EQ(list.items[0], "   1: Gauges (blank)");
    EXPECT_EQ(list.items[1], "   2: Inputs");
    EXPECT_EQ(list.items[6], "   7: General");
    EXPECT_EQ(list.items[7], "   8:  (blank)");
    EXPECT_EQ(list.items[9], "  10:  (blank)");
    EXPECT_EQ(list.items[98], "  99:  (blank)");
    EXPECT_EQ(list.items[99], "100:  (blank)");
    EXPECT_EQ(list.items[127], "128:  (blank)");
    EXPECT_EQ(list.selected, 42);
    create(ElementType::Gauge, 0);
    ecu->FillPageList(list);
    EXPECT_EQ(list.items[0], "   1: Gauges");
}

// Keeps, by element name, what every input should hold, and checks the image.
class LinkExpectations {
public:
    struct Input {
        bool linked = false;
        std::string source;
        int output = 0;
        uint16_t literal = 0;
    };

    explicit LinkExpectations(const tECU& ecu) : ecu_(ecu) {}

    void record(int element) {
        auto& inputs = byName_[name(element)];
        inputs.clear();
        for (int k = 0; k < tECU::InputCount(ecu_.TypeOf(element)); ++k) {
            Input in;
            uint16_t w = ecu_.InputWord(element, k);
            in.linked = (w & 1) != 0;
            if (in.linked)
                ownerOf(w & 0xFFFE, in.source, in.output);
            else
                in.literal = w;
            inputs.push_back(in);
        }
    }
    void recordAll() {
        byName_.clear();
        for (int i = 0; i < ecu_.NumElements; ++i)
            record(i);
    }
    // Before the element goes: its consumers fall back to their creation literal.
    void deleting(int element) {
        std::string gone = name(element);
        byName_.erase(gone);
        for (int i = 0; i < ecu_.NumElements; ++i) {
            if (i == element)
                continue;
            for (auto& in : byName_[name(i)]) {
                if (in.linked && in.source == gone) {
                    in.linked = false;
                    in.literal = tECU::UnlinkedLiteral(ecu_.TypeOf(i));
                }
            }
        }
    }
    std::string check() const {
        if (static_cast<int>(byName_.size()) != ecu_.NumElements)
            return "element count";
        for (int i = 0; i < ecu_.NumElements; ++i) {
            auto it = byName_.find(name(i));
            if (it == byName_.end())
                return "unknown element " + name(i);
            for (int k = 0; k < static_cast<int>(it->second.size()); ++k) {
                const Input& want = it->second[static_cast<size_t>(k)];
                uint16_t w = ecu_.InputWord(i, k);
                std::string where = name(i) + " input " + std::to_string(k);
                if (want.linked != ((w & 1) != 0))
                    return where + " link/literal";
                if (!want.linked && w != want.literal)
                    return where + " literal";
                std::string source;
                int output = -1;
                if (want.linked && (!ownerOf(w & 0xFFFE, source, output) || source != want.source ||
                                    output != want.output))
                    return where + " source " + source;
            }
        }
        return {};
    }

private:
    std::string name(int i) const { return ecu_.NameOf(kNumPages + i); }
    bool ownerOf(int address, std::string& source, int& output) const {
        for (int j = 0; j < ecu_.NumElements; ++j) {
            for (int u = 0; u < ecu_.OutputCount(ecu_.TypeOf(j)); ++u) {
                if (ecu_.ElementLiveOffset[j] + 2 * u == address) {
                    source = name(j);
                    output = u;
                    return true;
                }
            }
        }
        return false;
    }

    const tECU& ecu_;
    std::map<std::string, std::vector<Input>> byName_;
};

TEST_F(ElementOpsTest, LinksKeepTheirSourcesThroughAnySequenceOfOperations) {
    std::mt19937 random(2024);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
    for (int round = 0; round < 6; ++round) {
        blank();
        LinkExpectations expect(*ecu);
        expect.recordAll();
        int counter = 0;
        for (int step = 0; step < 160; ++step) {
            int what = below(10);
            if (what < 4 || ecu->NumElements < 8) {
                int type = below(30) == 0 ? ElementType::AuxOnInj : below(20);
                int page = type == ElementType::Gauge ? 0 : 1 + below(4);
                int index = 0;
                if (ecu->CreateElement(type, below(50), below(50), "N" + std::to_string(counter++),
                                       page, &index))
                    expect.record(index);
            } else if (what < 6) {
                int e = 6 + below(ecu->NumElements - 6);
                expect.deleting(e);
                ecu->DeleteElement(e);
            } else if (what < 9) {
                int e = below(ecu->NumElements), s = below(ecu->NumElements);
                int inputs = tECU::InputCount(ecu->TypeOf(e));
                int outputs = ecu->OutputCount(ecu->TypeOf(s));
                if (inputs > 0 && outputs > 0) {
                    ASSERT_TRUE(ecu->LinkInput(e, below(inputs), s, below(outputs)));
                    expect.record(e);
                }
            } else {
                ecu->OptimiseOrder(below(2) == 0);
            }
            ASSERT_EQ(expect.check(), "") << "round " << round << " step " << step;
        }
    }
    std::vector<std::string> expected(messages.texts().size(),
                                      "You can only have one block for Aux Outputs on Injector "
                                      "Outputs");
    EXPECT_EQ(messages.texts(), expected);
}

} // namespace
