// The editor's holders (selection, pending link, menu target, clipboard) act on the
// elements the user chose, whatever was created, deleted or reordered in between.
#include "DiagramGenerator.h"
#include "EditorHostFixture.h"
#include "TempDir.h"
#include "editor/PageOperations.h"
#include "files/SettingsFile.h"
#include "model/Tables.h"
#include "tables/TableEditor.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

struct EditorIdentityTest : test::PointerEditorTest {
    int named(const std::string& name) const { return ecu->FindElementByName(name, false); }
    // What an input holds, by the name of its source: addresses move, names do not.
    std::string inputText(int e, int k) const {
        uint16_t w = ecu->InputWord(e, k);
        if (!(w & 1))
            return "= " + std::to_string(static_cast<int16_t>(w));
        for (int i = 0; i < ecu->NumElements; ++i) {
            int first = ecu->ElementLiveOffset[i];
            if ((w & 0xFFFE) >= first &&
                (w & 0xFFFE) < first + 2 * ecu->OutputCount(ecu->TypeOf(i)))
                return "<- " + ecu->ExactNameOf(kNumPages + i) + "." +
                       std::to_string(((w & 0xFFFE) - first) / 2);
        }
        return "<- nothing";
    }
};

TEST_F(EditorIdentityTest, CutAndPasteKeepsOutsideSourcesWhereTheyAreNow) {
    // A and B are cut; X stays, behind A, so the cut moves its live block.
    int a = create(ElementType::Constant, 9, 2, 2, "A");
    int x = create(ElementType::Constant, 9, 2, 8, "X");
    int b = create(ElementType::Summer, 9, 10, 2, "B");
    ASSERT_TRUE(ecu->LinkInput(b, 0, x, 0));
    ASSERT_TRUE(ecu->LinkInput(b, 1, a, 0));
    editor.setSelection({a, b});
    editor.cut();
    ASSERT_LT(named("X"), x); // X moved down
    host.page = 10;
    editor.paste();
    int pasted = ecu->FindElementByName("B", false);
    ASSERT_GE(pasted, 0);
    EXPECT_EQ(inputText(pasted, 0), "<- X.0");
    EXPECT_EQ(inputText(pasted, 1), "<- A.0"); // inside the group: the pasted A
    EXPECT_EQ(ecu->PageOf(named("A")), 10);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EditorIdentityTest, ASingleCopyKeepsItsSourceAcrossADeleteToo) {
    int before = create(ElementType::Constant, 9, 2, 2, "before");
    int x = create(ElementType::Constant, 9, 2, 8, "X");
    int b = create(ElementType::Summer, 9, 10, 2, "B");
    ASSERT_TRUE(ecu->LinkInput(b, 0, x, 0));
    editor.setSelection({b});
    ASSERT_TRUE(editor.copy());
    ecu->DeleteElement(before);
    editor.paste();
    EXPECT_EQ(inputText(ecu->NumElements - 1, 0), "<- X.0");
}

TEST_F(EditorIdentityTest, PastingIntoAnotherConfigurationLeavesOutsideInputsUnlinked) {
    int x = create(ElementType::Constant, 9, 2, 8, "X");
    int b = create(ElementType::Summer, 9, 10, 2, "B");
    int m = create(ElementType::Multiplier, 9, 20, 2, "M");
    ASSERT_TRUE(ecu->LinkInput(b, 0, x, 0));
    ASSERT_TRUE(ecu->LinkInput(m, 0, x, 0));
    ASSERT_TRUE(ecu->LinkInput(m, 1, b, 0));
    editor.setSelection({b, m});
    ASSERT_TRUE(editor.copy());

    // Another configuration with the same layout: the old addresses would land on Y.
    test::TempDir dir;
    {
        SilentMessages quiet;
        tECU other(quiet);
        NewConfiguration::MakeBlank(other);
        other.CreateElement(ElementType::Constant, 2, 8, "Y", 9);
        std::string error;
        ASSERT_TRUE(SettingsFile::save(other, dir.path("other.ecu"), error));
    }
    std::string error;
    ASSERT_TRUE(SettingsFile::load(*ecu, dir.path("other.ecu"), error));
    editor.reset();
    editor.paste();
    int pb = named("B"), pm = named("M");
    ASSERT_GE(pb, 0);
    EXPECT_EQ(inputText(pb, 0), "= 0");
    EXPECT_EQ(inputText(pm, 0), "= 50"); // a multiplier's unlinked input is 1.00
    EXPECT_EQ(inputText(pm, 1), "<- B.0");
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts()[0],
              "2 pasted inputs were left unlinked: the elements they were linked to are not in "
              "this configuration.");
}

TEST_F(EditorIdentityTest, TheSelectionFollowsItsElementsThroughAnOptimisation) {
    test::DiagramOptions o;
    o.seed = 11;
    o.elements = 60;
    o.pages = 3;
    NewConfiguration::MakeBlank(*ecu);
    test::GenerateDiagram(*ecu, o);
    std::vector<int> chosen = {named("E5"), named("E40")};
    editor.setSelection(chosen);
    ecu->OptimiseOrder(true);
    editor.structureChanged();
    ASSERT_NE(named("E5"), chosen[0]); // the numbering did change
    const int count = ecu->NumElements;
    editor.deleteElements();
    EXPECT_EQ(ecu->NumElements, count - 2);
    EXPECT_EQ(named("E5"), -1);
    EXPECT_EQ(named("E40"), -1);
}

TEST_F(EditorIdentityTest, NothingHeldSurvivesANewConfiguration) {
    int src = create(ElementType::Constant, 9, 2, 2, "Src");
    int dst = create(ElementType::Summer, 9, 20, 10, "Dst");
    render();
    click(px(20), px(10)); // input 1 of Dst: the link waits for its source
    ASSERT_TRUE(editor.linking());
    editor.setSelection({src, dst});

    NewConfiguration::MakeBlank(*ecu);
    int tick = create(ElementType::Tickbox, 9, 2, 2, "Tick");
    int sum = create(ElementType::Summer, 9, 20, 10, "Sum");
    const auto before = std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize);
    // Whoever forgets to tell the editor: the old numbers still do nothing.
    editor.deleteElements();
    EXPECT_EQ(ecu->NumElements, 8);
    render();
    Point out = outputPin(tick);
    click(out.x, out.y);
    EXPECT_EQ(std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize), before);
    EXPECT_FALSE(ecu->InputWord(sum, 0) & 1);
}

TEST_F(EditorIdentityTest, TheMenuTargetIsNeverAnElementThatTookTheDeletedOnesNumber) {
    int first = create(ElementType::Constant, 9, 2, 2, "First");
    create(ElementType::Constant, 9, 2, 8, "Second");
    render();
    // The context menu opened on First (right button), then First goes another way.
    editor.buttonDown(MouseButton::Right, px(3), px(2));
    editor.buttonUp(MouseButton::Right, px(3), px(2));
    ecu->DeleteElement(first);
    editor.deleteElements(); // "Delete Element/s" from the menu, later
    EXPECT_GE(named("Second"), 0);
    editor.viewProperties();
    EXPECT_TRUE(host.dialogs.empty());
}

TEST_F(EditorIdentityTest, FourAndFiveOpenTheRecentTableWhereverItIsNow) {
    int early = create(ElementType::Constant, 9, 2, 2, "early");
    create(ElementType::Table2D, 9, 10, 2, "First2D");
    int recent = create(ElementType::Table2D, 9, 10, 10, "Recent2D");
    TableEditor tables(*ecu);
    ASSERT_TRUE(tables.Open(recent));
    tables.Close();
    ecu->DeleteElement(early);
    EXPECT_EQ(tables.RecentOrFirst(false), named("Recent2D"));
    ecu->DeleteElement(named("Recent2D"));
    EXPECT_EQ(tables.RecentOrFirst(false), named("First2D"));
}

TEST_F(EditorIdentityTest, AnOpenTableEditorWritesOnlyItsOwnTable) {
    int tb = create(ElementType::Table2D, 9, 10, 2, "TB");
    create(ElementType::Table2D, 9, 10, 10, "Fuel2");
    TableEditor tables(*ecu);
    ASSERT_TRUE(tables.Open(tb));
    auto fuel = [&] {
        int f = named("Fuel2");
        int c = ecu->ElementConstOffset[f];
        return std::vector<uint8_t>(ecu->Image + kConstBase + c, ecu->Image + kConstBase + c + 9);
    };
    const auto untouched = fuel();
    editor.setSelection({tb});
    editor.deleteElements();
    EXPECT_TRUE(tables.Gone());
    EXPECT_FALSE(tables.IsOpen());
    tables.TypeDigit(4);
    tables.TypeDigit(2);
    tables.CommitEntry();
    tables.Nudge(50);
    EXPECT_EQ(fuel(), untouched);
}

// ---------------------------------------------------------------- property

// Every element described by what it is, where it is and what it holds; inputs by the
// name of their source, so that the description survives any renumbering.
struct Described {
    int type = 0;
    std::string where;
    std::vector<std::string> inputs; // "<Name.output" or "=raw"
    std::vector<uint8_t> constants;
    bool operator==(const Described&) const = default;
};

std::string show(const Described& d) {
    std::string text = std::to_string(d.type) + " " + d.where;
    for (const auto& in : d.inputs)
        text += " " + in;
    for (uint8_t b : d.constants)
        text += " " + std::to_string(b);
    return text;
}

std::map<std::string, Described> describe(const tECU& ecu) {
    std::map<std::string, Described> all;
    for (int e = 0; e < ecu.NumElements; ++e) {
        Described d;
        d.type = ecu.TypeOf(e);
        d.where = "p" + std::to_string(ecu.PageOf(e)) + " " + std::to_string(ecu.ColumnOf(e)) +
                  "," + std::to_string(ecu.RowOf(e));
        for (int k = 0; k < tECU::InputCount(d.type); ++k) {
            uint16_t w = ecu.InputWord(e, k);
            std::string text = "=" + std::to_string(w);
            for (int i = 0; (w & 1) && i < ecu.NumElements; ++i) {
                int first = ecu.ElementLiveOffset[i];
                int at = w & 0xFFFE;
                if (at >= first && at < first + 2 * ecu.OutputCount(ecu.TypeOf(i))) {
                    text = "<" + ecu.ExactNameOf(kNumPages + i) + "." +
                           std::to_string((at - first) / 2);
                    break;
                }
            }
            d.inputs.push_back(text);
        }
        int c = ecu.ElementConstOffset[e];
        int size = ecu.ConstSize(d.type, c);
        for (int b = 0; b < size; ++b)
            d.constants.push_back(ecu.ReadConstByte(c + b));
        all[ecu.ExactNameOf(kNumPages + e)] = d;
    }
    return all;
}

// What deleting the targets does to another element: inputs from them become unlinked.
Described withoutLinksFrom(Described d, const std::set<std::string>& deleted) {
    for (auto& in : d.inputs) {
        if (in.empty() || in[0] != '<')
            continue;
        std::string source = in.substr(1, in.rfind('.') - 1);
        if (deleted.count(source))
            in = "=" + std::to_string(tECU::UnlinkedLiteral(d.type));
    }
    return d;
}

TEST_F(EditorIdentityTest, HoldersNeverTouchAnElementTheyDidNotTarget) {
    test::TempDir dir;
    std::mt19937 random(20261209);
    auto pick = [&](int lo, int hi) { return lo + static_cast<int>(random() % (hi - lo + 1)); };
    NewConfiguration::MakeBlank(*ecu);
    test::DiagramOptions o;
    o.seed = 5;
    o.elements = 80;
    o.pages = 3;
    test::GenerateDiagram(*ecu, o);
    int serial = 0;
    // Names stay unique, so that "the same element" can be told by name.
    auto renameNew = [&](int from) {
        for (int e = from; e < ecu->NumElements; ++e)
            ecu->RenameSlot(kNumPages + e, "N" + std::to_string(serial++));
    };
    auto anyElement = [&] { return pick(6, ecu->NumElements - 1); };

    TableEditor tables(*ecu);
    std::string tableName;        // the table the editor was opened on
    std::set<std::string> chosen; // what the selection was made of
    std::string linkTarget;       // the element whose input 1 a link was started on
    int actions = 0;
    for (int step = 0; step < 300; ++step) {
        const int what = pick(0, 11);
        if (what == 0 && ecu->NumElements > 20) { // a structural change: delete
            ecu->DeleteElement(anyElement());
        } else if (what == 1) {
            int n = ecu->NumElements;
            ecu->CreateElement(pick(0, 1) ? ElementType::Summer : ElementType::Table2D,
                               pick(0, 100), pick(0, 100), "", pick(1, 3));
            renameNew(n);
        } else if (what == 2) {
            ecu->OptimiseOrder(pick(0, 1) == 1);
        } else if (what == 3) {
            int n = ecu->NumElements;
            if (PageOps::duplicatePage(*ecu, pick(7, 9)) >= 0)
                renameNew(n);
        } else if (what == 4 && pick(0, 5) == 0) { // another configuration, now and then
            std::string error;
            ASSERT_TRUE(SettingsFile::save(*ecu, dir.path("c.ecu"), error));
            ASSERT_TRUE(SettingsFile::load(*ecu, dir.path("c.ecu"), error));
        } else if (what == 5) { // the user opens a table, selects, starts a link
            std::vector<int> list;
            for (int e = 0; e < ecu->NumElements; ++e)
                if (ecu->TypeOf(e) == ElementType::Table2D ||
                    ecu->TypeOf(e) == ElementType::Table3D)
                    list.push_back(e);
            if (!list.empty()) {
                int t = list[static_cast<size_t>(pick(0, static_cast<int>(list.size()) - 1))];
                if (tables.Open(t))
                    tableName = ecu->ExactNameOf(kNumPages + t);
            }
        } else if (what == 6) {
            std::vector<int> sel = {anyElement(), anyElement(), anyElement()};
            editor.setSelection(sel);
            chosen.clear();
            for (int e : sel)
                chosen.insert(ecu->ExactNameOf(kNumPages + e));
        } else if (what == 7) {
            int s = anyElement();
            if (ecu->TypeOf(s) == ElementType::Summer) {
                host.page = ecu->PageOf(s);
                render();
                ElementBox box = renderer.boxOf(s);
                click(px(box.x), px(box.y));
                if (editor.linking())
                    linkTarget = ecu->ExactNameOf(kNumPages + s);
            }
        } else { // a holder acts: only its own element may change
            auto before = describe(*ecu);
            std::set<std::string> targets;
            const int action = what - 8;
            if (action == 0 && tables.IsOpen()) {
                targets.insert(tableName);
                tables.SelectAll();
                tables.Nudge(50);
            } else if (action == 1) {
                std::vector<int> now = editor.selection();
                for (int e : now)
                    targets.insert(ecu->ExactNameOf(kNumPages + e));
                for (const auto& name : targets)
                    EXPECT_TRUE(chosen.count(name)) << "selected but never chosen: " << name;
                editor.deleteElements();
                chosen.clear();
            } else if (action == 2 && editor.linking()) {
                int source = anyElement();
                targets.insert(linkTarget);
                host.page = ecu->PageOf(source);
                render();
                Point out = outputPin(source);
                click(out.x, out.y);
                linkTarget.clear();
            } else if (action == 3) {
                int e = anyElement();
                editor.setSelection({e});
                chosen = {ecu->ExactNameOf(kNumPages + e)};
                continue;
            }
            ++actions;
            auto after = describe(*ecu);
            for (const auto& [name, d] : after) {
                if (targets.count(name))
                    continue;
                auto it = before.find(name);
                ASSERT_NE(it, before.end()) << "step " << step << ": " << name << " appeared";
                const Described expected =
                    action == 1 ? withoutLinksFrom(it->second, targets) : it->second;
                EXPECT_EQ(show(d), show(expected))
                    << "step " << step << " action " << action << ": " << name;
            }
        }
        if (ecu->NumElements < 20) {
            test::GenerateDiagram(*ecu, o);
            renameNew(0);
        }
    }
    EXPECT_GT(actions, 30);
}

} // namespace
