#include "model/UndoHistory.h"
#include "DiagramGenerator.h"
#include "editor/ElementClipboard.h"
#include "editor/PageOperations.h"
#include "files/ImportMerge.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"
#include "tables/TableEditor.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

// What undo and redo must bring back: the configuration regions, the index and the
// identities of the elements.
struct State {
    std::vector<uint8_t> image;
    int elements = 0;
    std::vector<int> logic, constants, live;
    std::vector<uint64_t> ids;

    explicit State(const tECU& ecu) {
        image.assign(ecu.Image, ecu.Image + kLiveBase);
        image.insert(image.end(), ecu.Image + kLiveBase + kLiveSize, ecu.Image + 0x2A000);
        elements = ecu.NumElements;
        for (int i = 0; i <= ecu.NumElements; ++i) {
            logic.push_back(ecu.ElementLogicOffset[i]);
            constants.push_back(ecu.ElementConstOffset[i]);
            live.push_back(ecu.ElementLiveOffset[i]);
        }
        ids = ecu.Identities().ids;
    }
    bool operator==(const State&) const = default;
};

int firstOfType(const tECU& ecu, int type) {
    for (int i = 0; i < ecu.NumElements; ++i)
        if (ecu.TypeOf(i) == type)
            return i;
    return -1;
}

struct UndoHistoryTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    std::unique_ptr<UndoHistory> history;

    void SetUp() override {
        NewConfiguration::MakeBlank(*ecu);
        test::DiagramOptions o;
        o.seed = 11;
        o.elements = 80;
        o.pages = 4;
        test::GenerateDiagram(*ecu, o);
        ecu->Modified = false;
        history = std::make_unique<UndoHistory>(*ecu);
    }

    // One random edit of one of the kinds the windows offer, as one step.
    void randomEdit(std::mt19937& random) {
        auto pick = [&](int n) { return n <= 0 ? 0 : static_cast<int>(random() % unsigned(n)); };
        const int n = ecu->NumElements;
        const int user = 6 + pick(n - 6); // past the dedicated blocks
        switch (pick(10)) {
        case 0:
            history->Record("create", [&] {
                ecu->CreateElement(ElementType::Summer, pick(20), pick(20), "new", 1 + pick(3));
            });
            break;
        case 1:
            history->Record("delete", [&] { PageOps::deleteElements(*ecu, {user}); });
            break;
        case 2:
            history->Record("literal", [&] { ecu->SetLiteral(user, 1, pick(600) - 300); });
            break;
        case 3:
            history->Record("rename", [&] {
                ecu->RenameSlot(kNumPages + user, "R" + std::to_string(pick(99)));
            });
            break;
        case 4:
            history->Record("const", [&] {
                const int at = ecu->ElementConstOffset[user];
                if (ecu->ElementConstOffset[user + 1] > at)
                    ecu->WriteConstByte(at, static_cast<uint8_t>(pick(256)));
            });
            break;
        case 5:
            history->Record("optimise", [&] { ecu->OptimiseOrder(pick(2) == 1); });
            break;
        case 6:
            history->Record("paste", [&] {
                ElementClipboard clip;
                std::vector<int> pasted;
                if (clip.copyGroup(*ecu, {user, 6 + pick(n - 6)}))
                    clip.paste(*ecu, 2, pasted);
            });
            break;
        case 7:
            history->Record("duplicate page", [&] { PageOps::duplicatePage(*ecu, 1 + pick(3)); });
            break;
        case 8:
            history->Record("move", [&] {
                ecu->WriteLogicByte(ecu->ElementLogicOffset[user] + 1,
                                    static_cast<uint8_t>(pick(30)), true);
            });
            break;
        default: {
            int t = firstOfType(*ecu, ElementType::Table3D);
            TableEditor table(*ecu);
            if (t >= 0 && table.Open(t)) {
                table.SelectAll();
                history->Record("percent", [&] { table.ChangeByPercent(pick(20) - 10); });
            }
        }
        }
    }
};

TEST_F(UndoHistoryTest, UndoingEveryKindOfEditRestoresTheStartAndRedoingRestoresTheEnd) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        ecu->Modified = false;
        history->Clear();
        const State start(*ecu);
        std::mt19937 random(seed);
        for (int k = 0; k < 40; ++k)
            randomEdit(random);
        const State end(*ecu);
        ASSERT_GT(history->Count(), 20);
        while (history->CanUndo())
            ASSERT_TRUE(history->Undo().done);
        EXPECT_TRUE(State(*ecu) == start) << "seed " << seed;
        EXPECT_FALSE(ecu->Modified);
        while (history->CanRedo())
            ASSERT_TRUE(history->Redo().done);
        EXPECT_TRUE(State(*ecu) == end) << "seed " << seed;
        EXPECT_TRUE(ecu->Modified);
        // Half way back and forth through GoTo reaches the same states.
        history->GoTo(0);
        EXPECT_TRUE(State(*ecu) == start);
        history->GoTo(history->Count());
        EXPECT_TRUE(State(*ecu) == end);
    }
}

TEST_F(UndoHistoryTest, AStepHoldsOnlyWhatItChangedAndMarksItAsAnEditWould) {
    const int t = firstOfType(*ecu, ElementType::Table3D);
    ASSERT_GE(t, 0);
    std::memset(ecu->SyncState, Sync::InStep, sizeof ecu->SyncState);
    const size_t empty = history->MemoryBytes();
    const int at = ecu->ElementConstOffset[t] + 10;
    const uint8_t was = ecu->ReadConstByte(at);
    EXPECT_TRUE(history->Record("Change cell", [&] { ecu->WriteConstByte(at, was ^ 0x55); }));
    EXPECT_LT(history->MemoryBytes() - empty, 300u);
    EXPECT_FALSE(history->Record("Nothing", [&] { ecu->WriteConstByte(at, was ^ 0x55); }));
    EXPECT_EQ(history->Count(), 1);
    EXPECT_EQ(history->UndoCaption(), "Change cell");

    std::memset(ecu->SyncState, Sync::InStep, sizeof ecu->SyncState);
    ecu->StructureChanged = false;
    ASSERT_TRUE(history->Undo().done);
    EXPECT_EQ(ecu->ReadConstByte(at), was);
    EXPECT_EQ(ecu->SyncAt(kConstBase + at), Sync::ToWrite);
    EXPECT_EQ(ecu->SyncAt(kConstBase + at + 1), Sync::InStep);
    EXPECT_FALSE(ecu->StructureChanged) << "a constant undo keeps the link online";
    EXPECT_EQ(history->RedoCaption(), "Change cell");
    EXPECT_FALSE(history->CanUndo());

    // A structural step takes the link offline when undone, as the edit did.
    history->Record("Delete", [&] { PageOps::deleteElements(*ecu, {ecu->NumElements - 1}); });
    ecu->StructureChanged = false;
    history->Undo();
    EXPECT_TRUE(ecu->StructureChanged);
    // A new step drops what could be redone.
    EXPECT_FALSE(history->CanRedo() && history->RedoCaption() == "Change cell");
}

TEST_F(UndoHistoryTest, BytesTheEcuLearntSinceAStepAreKeptAndTheCaptionSaysSo) {
    const int t = firstOfType(*ecu, ElementType::Table3D);
    const int at = ecu->ElementConstOffset[t] + 12;
    const uint8_t b0 = ecu->ReadConstByte(at), b1 = ecu->ReadConstByte(at + 1);
    history->Record("Change by 5%", [&] {
        ecu->WriteConstByte(at, b0 ^ 1);
        ecu->WriteConstByte(at + 1, b1 ^ 1);
    });
    // The ECU learns the second cell; the sync engine adopts it without a step.
    ecu->SetImageByte(kConstBase + at + 1, static_cast<uint8_t>(b1 ^ 7), false);
    history->Absorb();
    EXPECT_EQ(history->Count(), 1);

    auto out = history->Undo();
    EXPECT_TRUE(out.done);
    EXPECT_EQ(out.learntKept, 1);
    EXPECT_EQ(ecu->ReadConstByte(at), b0);
    EXPECT_EQ(ecu->ReadConstByte(at + 1), b1 ^ 7) << "the learnt value stays";
    EXPECT_EQ(history->RedoCaption(), "Change by 5%" + UndoHistory::LearntNote(1));
    EXPECT_EQ(UndoHistory::LearntNote(1), " (1 byte learnt by the ECU kept)");
    history->Redo();
    EXPECT_EQ(ecu->ReadConstByte(at), b0 ^ 1);
    EXPECT_EQ(ecu->ReadConstByte(at + 1), b1 ^ 7);
}

TEST_F(UndoHistoryTest, TypingInOneRangeMergesAndTheSavedPositionDrivesTheModifiedMark) {
    const int t = firstOfType(*ecu, ElementType::Table3D);
    const int at = ecu->ElementConstOffset[t] + 20;
    const uint8_t was = ecu->ReadConstByte(at);
    for (int k = 1; k <= 5; ++k)
        history->Record(
            "Type in table", [&] { ecu->WriteConstByte(at + k % 2, uint8_t(was + k)); }, 42);
    EXPECT_EQ(history->Count(), 1);
    history->Record(
        "Other", [&] { ecu->WriteConstByte(at + 4, 9); }, 43);
    EXPECT_EQ(history->Count(), 2);

    ecu->Modified = false; // saved here
    history->MarkSaved();
    history->Undo();
    EXPECT_TRUE(ecu->Modified);
    history->Redo();
    EXPECT_FALSE(ecu->Modified) << "back at the saved state";
    // Typing after a save never merges into the saved step.
    history->Record(
        "Other", [&] { ecu->WriteConstByte(at + 4, 10); }, 43);
    EXPECT_EQ(history->Count(), 3);
    history->Undo();
    EXPECT_FALSE(ecu->Modified);
    history->Undo();
    history->Undo();
    EXPECT_EQ(ecu->ReadConstByte(at), was);
    // Steps after the saved one are dropped by a new step: the file can no longer be reached.
    history->Record("Third", [&] { ecu->WriteConstByte(at + 6, 1); });
    EXPECT_EQ(history->SavedPosition(), -1);
    history->Undo();
    EXPECT_TRUE(ecu->Modified);
}

TEST_F(UndoHistoryTest, ChangesNoCommandNamedBecomeAStepAndAReplacedConfigurationStartsAgain) {
    const int n = ecu->NumElements;
    ecu->RenameSlot(kNumPages + 7, "Boost target");
    EXPECT_TRUE(history->Checkpoint());
    EXPECT_EQ(history->UndoCaption(), "Rename Boost target");
    PageOps::deleteElements(*ecu, {8, 9});
    EXPECT_EQ(history->UndoCaption(), "Delete 2 elements");
    EXPECT_EQ(history->Count(), 2);
    history->Undo();
    EXPECT_EQ(ecu->NumElements, n);

    // A field that writes at every keystroke: one step per element, not per key.
    const int t = firstOfType(*ecu, ElementType::Table3D);
    ASSERT_GE(t, 0);
    const int k = ecu->ElementConstOffset[t] + 8;
    const uint16_t was = ecu->ReadConstWord(k);
    for (uint16_t v : {1, 15, 150, 1500}) {
        ecu->WriteConstWord(k, v);
        history->Checkpoint();
    }
    EXPECT_EQ(history->Count(), 2);
    int holder = 0;
    while (holder == t || ecu->ElementConstOffset[holder + 1] == ecu->ElementConstOffset[holder])
        ++holder;
    const int other = ecu->ElementConstOffset[holder];
    ecu->WriteConstByte(other, static_cast<uint8_t>(ecu->ReadConstByte(other) ^ 1));
    history->Checkpoint();
    EXPECT_EQ(history->Count(), 3) << "another element is another step";
    history->Undo();
    history->Undo();
    EXPECT_EQ(ecu->ReadConstWord(k), was);

    // A load, New or full read replaces the configuration outside any command.
    NewConfiguration::MakeBlank(*ecu);
    EXPECT_FALSE(history->CanUndo());
    EXPECT_FALSE(history->CanRedo());
    EXPECT_EQ(history->Count(), 0);
}

TEST_F(UndoHistoryTest, AnImportMergeIsOneStepAndElementsKeepTheirIdentitiesThroughUndo) {
    const State start(*ecu);
    ElementRef held(*ecu, 20);
    std::vector<uint8_t> merged(ecu->Image, ecu->Image + kImageSize);
    RecordingMessages m2;
    tECU other(m2);
    NewConfiguration::MakeBlank(other);
    std::vector<uint8_t> blank(other.Image, other.Image + kImageSize);
    ASSERT_TRUE(
        history->Record("Import/Merge configuration", [&] { ImportMerge::Apply(*ecu, blank); }));
    EXPECT_LT(held.index(*ecu), 0);
    EXPECT_EQ(history->Count(), 1);
    history->Undo();
    EXPECT_TRUE(State(*ecu) == start);
    EXPECT_EQ(held.index(*ecu), 20) << "the element is back with its identity";
}

TEST_F(UndoHistoryTest, TenThousandCellStepsStayUnderSixteenMegabytes) {
    const int t = firstOfType(*ecu, ElementType::Table3D);
    const int at = ecu->ElementConstOffset[t] + 4;
    const int cells = (ecu->ElementConstOffset[t + 1] - at) / 2;
    ASSERT_GT(cells, 10);
    for (int k = 0; k < 10000; ++k) {
        const int cell = at + 2 * (k % cells);
        history->Record("Cell " + std::to_string(k), [&] {
            ecu->WriteConstWord(cell, static_cast<uint16_t>(ecu->ReadConstWord(cell) + 2));
        });
    }
    EXPECT_EQ(history->Count(), 10000);
    EXPECT_LT(history->MemoryBytes(), 16u << 20);
    EXPECT_GT(history->MemoryBytes(), 10000u * 4); // it counts what it holds
}

} // namespace
