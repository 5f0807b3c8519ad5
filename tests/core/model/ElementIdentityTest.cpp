#include "DiagramGenerator.h"
#include "TempDir.h"
#include "editor/ElementClipboard.h"
#include "editor/PageOperations.h"
#include "files/ImportMerge.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "model/ECU.h"
#include "model/HeldReferences.h"
#include "setup/LoggingChannels.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

struct ElementIdentityTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);

    void SetUp() override { NewConfiguration::MakeBlank(*ecu); }
    int add(int type, const std::string& name, int page = 1) {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, 1, name, page, &index));
        return index;
    }
    std::string nameOf(int i) const { return ecu->ExactNameOf(kNumPages + i); }
    // A reference per element, by its (unique) name.
    std::map<std::string, ElementRef> referToAll() const {
        std::map<std::string, ElementRef> refs;
        for (int i = 0; i < ecu->NumElements; ++i)
            refs[nameOf(i)] = ElementRef(*ecu, i);
        return refs;
    }
    // Every reference whose element still exists resolves to the element of that name;
    // the others resolve to nothing.
    void expectFollowed(const std::map<std::string, ElementRef>& refs) const {
        for (const auto& [name, ref] : refs) {
            int now = ecu->FindElementByName(name, false);
            EXPECT_EQ(ref.index(*ecu), now) << name;
        }
    }
};

TEST_F(ElementIdentityTest, ReferencesFollowTheirElementsThroughEveryRenumbering) {
    test::DiagramOptions o;
    o.seed = 7;
    o.elements = 120;
    o.pages = 4;
    test::GenerateDiagram(*ecu, o);
    auto refs = referToAll();
    std::mt19937 random(3);

    // Deletes anywhere in the diagram move every later element down.
    for (int k = 0; k < 20; ++k) {
        int victim = 6 + static_cast<int>(random() % static_cast<unsigned>(ecu->NumElements - 6));
        ecu->DeleteElement(victim);
        expectFollowed(refs);
    }
    // Both optimisations reorder almost everything.
    ecu->OptimiseOrder(true);
    expectFollowed(refs);
    ecu->OptimiseOrder(false);
    expectFollowed(refs);

    // New elements get identities of their own; old ones keep theirs.
    int created = add(ElementType::Summer, "new summer", 8);
    ElementRef fresh(*ecu, created);
    for (const auto& [name, ref] : refs)
        EXPECT_NE(ref.id(), fresh.id());
    int copy = PageOps::duplicatePage(*ecu, 8);
    ASSERT_GE(copy, 0);
    expectFollowed(refs);
    EXPECT_EQ(fresh.index(*ecu), ecu->FindElementByName("new summer", false));
    // The copies are other elements: the first of two equal names is the original.
    int twin = ecu->FindElementByName("new summer", true);
    EXPECT_NE(ElementRef(*ecu, twin).id(), fresh.id());
}

TEST_F(ElementIdentityTest, AReplacedConfigurationResolvesNothingHeldForTheOldOne) {
    int summer = add(ElementType::Summer, "S");
    ElementRef s(*ecu, summer);
    ElementRef dedicated(*ecu, 0);
    const uint64_t generation = ecu->ConfigurationGeneration();

    // Saving and loading the same file gives the same bytes but another configuration.
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(SettingsFile::save(*ecu, dir.path("a.ecu"), error)) << error;
    ASSERT_TRUE(SettingsFile::load(*ecu, dir.path("a.ecu"), error)) << error;
    EXPECT_EQ(s.index(*ecu), -1);
    EXPECT_EQ(dedicated.index(*ecu), -1);
    EXPECT_GT(ecu->ConfigurationGeneration(), generation);

    ElementRef again(*ecu, ecu->FindElementByName("S", false));
    NewConfiguration::MakeBlank(*ecu);
    EXPECT_EQ(again.index(*ecu), -1);

    // An import or merge replaces the configuration as a whole, too.
    ElementRef inputs(*ecu, 0);
    ImportMerge::Apply(*ecu, SettingsFile::fromImage(*ecu));
    EXPECT_EQ(inputs.index(*ecu), -1);

    // Two models never share an identity.
    tECU other(messages);
    NewConfiguration::MakeBlank(other);
    ElementRef foreign(other, 0);
    EXPECT_EQ(foreign.index(*ecu), -1);
    EXPECT_EQ(ElementRef(*ecu, -1).index(*ecu), -1);
    EXPECT_EQ(ElementRef(*ecu, ecu->NumElements).index(*ecu), -1);
}

TEST_F(ElementIdentityTest, ARecordRewrittenBehindTheModelsBackIsNotTakenForTheElement) {
    int summer = add(ElementType::Summer, "S");
    ElementRef s(*ecu, summer);
    // Another kind of element now stands at that index, written raw.
    ecu->WriteLogicByte(ecu->ElementLogicOffset[summer], ElementType::Multiplier, false);
    EXPECT_EQ(s.index(*ecu), -1);
}

TEST_F(ElementIdentityTest, StructureGenerationCountsRenumberingAndResizingButNotValues) {
    int table = add(ElementType::Table2D, "T");
    int summer = add(ElementType::Summer, "S");
    uint64_t g = ecu->StructureGeneration();
    ecu->WriteConstWord(ecu->ElementConstOffset[summer] + 0, 10);
    ecu->RebuildIndex(true, true);
    EXPECT_EQ(ecu->StructureGeneration(), g);
    // Growing a table moves the constant blocks behind it.
    ecu->WriteConstByte(ecu->ElementConstOffset[table], 5);
    ecu->RebuildIndex(false, false);
    EXPECT_GT(ecu->StructureGeneration(), g);
    g = ecu->StructureGeneration();
    ecu->DeleteElement(table);
    EXPECT_GT(ecu->StructureGeneration(), g);
}

// ---------------------------------------------------------------- held references

struct HeldReferencesTest : ElementIdentityTest {};

TEST_F(HeldReferencesTest, LoggingChannelsFollowTheirGaugesAndFallBackWhenTheyGo) {
    int before = add(ElementType::Summer, "before", 1);
    int rpm = add(ElementType::Gauge, "RPM", 0);
    int map = add(ElementType::Gauge, "MAP", 0);
    add(ElementType::Gauge, "MAP Valid", 0);
    ASSERT_TRUE(LoggingChannels::Assign(*ecu, 0, rpm));
    ASSERT_TRUE(LoggingChannels::Assign(*ecu, 1, map));
    ecu->Modified = false;

    ecu->DeleteElement(before);
    rpm = ecu->FindElementByName("RPM", false);
    map = ecu->FindElementByName("MAP", false);
    int valid = ecu->FindElementByName("MAP Valid", false);
    EXPECT_EQ(LoggingChannels::GaugeOf(*ecu, 0), rpm);
    EXPECT_EQ(LoggingChannels::Read(*ecu, 0).namePosition, 3072 + 24 * rpm);
    EXPECT_EQ(LoggingChannels::GaugeOf(*ecu, 1), map);
    EXPECT_EQ(LoggingChannels::Read(*ecu, 1).validAddress, ecu->ElementLiveOffset[valid]);
    // The ECU logs what the words say: they are sent and the change is unsaved.
    EXPECT_TRUE(ecu->Modified);
    EXPECT_EQ(ecu->SyncAt(HeldReferences::LoggedAddressOffset(0)), Sync::ToWrite);

    // The validity gauge goes: the channel logs without one. The gauge goes: unused.
    ecu->DeleteElement(valid);
    EXPECT_EQ(LoggingChannels::Read(*ecu, 1).validAddress, 0xFFFF);
    EXPECT_EQ(LoggingChannels::GaugeOf(*ecu, 1), ecu->FindElementByName("MAP", false));
    ecu->DeleteElement(ecu->FindElementByName("RPM", false));
    auto gone = LoggingChannels::Read(*ecu, 0);
    EXPECT_EQ(gone.liveAddress, 0);
    EXPECT_EQ(gone.namePosition, 0);
    EXPECT_EQ(gone.validAddress, 0xFFFF);

    // A reordering moves them as well.
    ecu->OptimiseOrder(true);
    EXPECT_EQ(LoggingChannels::GaugeOf(*ecu, 1), ecu->FindElementByName("MAP", false));
    // Unused channels stay as a new configuration leaves them.
    EXPECT_EQ(LoggingChannels::Read(*ecu, 5).liveAddress, 0);
    EXPECT_EQ(LoggingChannels::Read(*ecu, 5).namePosition, 0);
}

TEST_F(HeldReferencesTest, ScopeSourcesFollowTheOutputTheyShow) {
    int before = add(ElementType::Summer, "before", 1);
    int pid = add(ElementType::PID, "PID", 1);
    const int trigger = HeldReferences::ScopeSourceAddress(0);
    const int channel2 = HeldReferences::ScopeSourceAddress(2);
    // The PID's second output on channel 2, its first as the trigger; channel 3 shows
    // a signal of the ECU's own, which no renumbering touches.
    ecu->WriteConstWord(channel2, static_cast<uint16_t>(ecu->ElementLiveOffset[pid] / 2 + 1));
    ecu->WriteConstWord(trigger, static_cast<uint16_t>(ecu->ElementLiveOffset[pid] / 2));
    ecu->WriteConstWord(HeldReferences::ScopeSourceAddress(3), 4132);

    ecu->DeleteElement(before);
    pid = ecu->FindElementByName("PID", false);
    EXPECT_EQ(ecu->ReadConstWord(channel2), ecu->ElementLiveOffset[pid] / 2 + 1);
    EXPECT_EQ(ecu->ReadConstWord(trigger), ecu->ElementLiveOffset[pid] / 2);
    EXPECT_EQ(ecu->ReadConstWord(HeldReferences::ScopeSourceAddress(3)), 4132);
    ecu->DeleteElement(pid);
    EXPECT_EQ(ecu->ReadConstWord(channel2), 0xFFFF);
    EXPECT_EQ(ecu->ReadConstWord(trigger), 0xFFFF);
}

} // namespace
