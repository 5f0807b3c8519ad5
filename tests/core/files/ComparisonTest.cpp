#include "files/Comparison.h"
#include "files/ConfigurationProperties.h"
#include "files/SettingsFile.h"
#include "model/PinTable.h"
#include "model/Tables.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>
#include <set>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

struct ComparisonTest : ::testing::Test {
    RecordingMessages messages;

    std::unique_ptr<tECU> defaults() {
        auto ecu = std::make_unique<tECU>(messages);
        std::string error;
        EXPECT_TRUE(SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) << error;
        return ecu;
    }
    std::unique_ptr<tECU> copyOf(const tECU& from) {
        auto ecu = std::make_unique<tECU>(messages);
        SettingsFile::toImage(*ecu, SettingsFile::fromImage(from));
        ecu->RebuildIndex(true, true);
        return ecu;
    }
    static std::set<std::string> keys(const Comparison::Report& report) {
        std::set<std::string> k;
        for (const auto& d : report.differences)
            k.insert(d.key);
        return k;
    }
    static std::string name(const tECU& ecu, int e) { return ecu.ExactNameOf(kNumPages + e); }
    // Elements whose name and type are unique and plain enough to spell their keys here.
    static std::vector<int> plainUnique(const tECU& ecu, int type) {
        std::map<std::string, int> count;
        for (int i = 0; i < ecu.NumElements; ++i)
            if (ecu.TypeOf(i) == type)
                ++count[name(ecu, i)];
        std::vector<int> out;
        for (int i = 0; i < ecu.NumElements; ++i) {
            if (ecu.TypeOf(i) != type || count[name(ecu, i)] != 1 || name(ecu, i).empty())
                continue;
            bool plain = true;
            for (char c : name(ecu, i))
                plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == ' ' ||
                                  c == '_' || c == '-' || c == '.' || c == '(' || c == ')');
            if (plain)
                out.push_back(i);
        }
        return out;
    }
    static std::string token(int type) {
        switch (type) {
        case ElementType::Constant:
            return "Constant";
        case ElementType::Table2D:
            return "2DTable";
        case ElementType::Table3D:
            return "3DTable";
        case ElementType::Label:
            return "Label";
        case ElementType::Summer:
            return "Summer";
        default:
            return "?";
        }
    }
    static std::string elementKey(const char* kind, int type, const std::string& n) {
        return std::string(kind) + "/" + token(type) + "/" + n;
    }
    // The element of the name and type in ecu, or -1.
    static int find(const tECU& ecu, int type, const std::string& n) {
        for (int i = 0; i < ecu.NumElements; ++i)
            if (ecu.TypeOf(i) == type && name(ecu, i) == n)
                return i;
        return -1;
    }
};

TEST_F(ComparisonTest, AConfigurationEqualsItselfAndItsRenumberedCopy) {
    auto a = defaults();
    auto b = copyOf(*a);
    EXPECT_TRUE(Comparison::Compare(*a, *b).equal());
    // Optimising moves every element, block and live address: by name nothing changed.
    b->OptimiseOrder(true);
    ASSERT_NE(SettingsFile::fromImage(*a), SettingsFile::fromImage(*b));
    const auto report = Comparison::Compare(*a, *b);
    EXPECT_TRUE(report.equal()) << (report.differences.empty() ? "" : report.differences[0].key);
}

// A random sequence of edits, structural ones among them; after each the comparison
// with the original names exactly what differs now.
TEST_F(ComparisonTest, RandomEditsAreReportedExactlyByName) {
    auto a = defaults();
    auto b = copyOf(*a);
    std::mt19937 random(16);
    std::set<std::string> expected;
    const std::vector<int> constants = plainUnique(*a, ElementType::Constant);
    const std::vector<int> tables3 = plainUnique(*a, ElementType::Table3D);
    const std::vector<int> labels = plainUnique(*a, ElementType::Label);
    const std::vector<int> summers = plainUnique(*a, ElementType::Summer);
    ASSERT_FALSE(constants.empty());
    ASSERT_FALSE(tables3.empty());
    ASSERT_GT(labels.size(), 5u);
    ASSERT_FALSE(summers.empty());
    auto pick = [&](const std::vector<int>& v) {
        return v[std::uniform_int_distribution<size_t>(0, v.size() - 1)(random)];
    };
    int created = 0;
    std::set<std::string> deleted;
    for (int step = 0; step < 60; ++step) {
        const int edit = std::uniform_int_distribution<int>(0, 8)(random);
        if (edit == 0) { // a constant's value
            const std::string n = name(*a, pick(constants));
            const int e = find(*b, ElementType::Constant, n);
            const int addr = b->ElementConstOffset[e];
            b->WriteConstWord(addr, static_cast<uint16_t>(b->ReadConstWord(addr) + 50));
            expected.insert(elementKey("constant", ElementType::Constant, n));
        } else if (edit == 1) { // one cell of a map
            const std::string n = name(*a, pick(tables3));
            const int e = find(*b, ElementType::Table3D, n);
            Tables::Shape shape;
            ASSERT_TRUE(Tables::ShapeOf(*b, e, shape));
            const int c = step % shape.columns, r = step % shape.rows;
            const int ea = find(*a, ElementType::Table3D, n);
            Tables::Shape sa;
            Tables::ShapeOf(*a, ea, sa);
            Tables::WriteCell(*b, shape, c, r,
                              static_cast<uint16_t>(Tables::Cell(*a, sa, c, r) + 2 + step * 2));
            expected.insert(elementKey("cells", ElementType::Table3D, n));
        } else if (edit == 2) { // a move on its page
            const std::string n = name(*a, pick(labels));
            if (deleted.count(n))
                continue;
            const int e = find(*b, ElementType::Label, n);
            const int l = b->ElementLogicOffset[e];
            b->WriteLogicByte(l + 1, static_cast<uint8_t>(b->ColumnOf(e) + 1), true);
            const int ea = find(*a, ElementType::Label, n);
            if (b->ColumnOf(e) != a->ColumnOf(ea))
                expected.insert(elementKey("moved", ElementType::Label, n));
        } else if (edit == 3) { // a literal
            const std::string n = name(*a, pick(summers));
            const int e = find(*b, ElementType::Summer, n);
            ASSERT_TRUE(b->SetLiteral(e, 1, 1.0 + step));
            expected.insert(elementKey("input", ElementType::Summer, n) + "/2");
        } else if (edit == 4) { // a page's name
            const int page = 1 + step % 20;
            ASSERT_TRUE(b->RenameSlot(page, "Edited " + std::to_string(step)));
            expected.insert("page/" + std::to_string(page + 1) + "/name");
        } else if (edit == 5) { // a new element
            const std::string n = "Added " + std::to_string(++created);
            ASSERT_TRUE(b->CreateElement(ElementType::Label, 3, 3, n, 9));
            expected.insert(elementKey("only-in-b", ElementType::Label, n));
        } else if (edit == 6) { // renumbers everything
            b->OptimiseOrder(step % 2 == 0);
        } else if (edit == 7) { // a delete: every element behind it moves down
            const std::string n = name(*a, pick(labels));
            const int e = find(*b, ElementType::Label, n);
            if (e < 0)
                continue;
            b->DeleteElement(e);
            deleted.insert(n);
            expected.erase(elementKey("moved", ElementType::Label, n));
            expected.insert(elementKey("only-in-a", ElementType::Label, n));
        } else { // a dedicated setting: the injection mode
            int e = 0;
            while (e < b->NumElements && b->TypeOf(e) != ElementType::Injectors)
                ++e;
            ASSERT_LT(e, b->NumElements);
            int ea = 0;
            while (ea < a->NumElements && a->TypeOf(ea) != ElementType::Injectors)
                ++ea;
            const int addr = b->ElementConstOffset[e] + 25;
            b->WriteConstByte(addr, static_cast<uint8_t>(b->ReadConstByte(addr) ^ 1));
            if (b->ReadConstByte(addr) != a->ReadConstByte(a->ElementConstOffset[ea] + 25))
                expected.insert("setting/Injectors/25");
            else
                expected.erase("setting/Injectors/25");
        }
        ASSERT_EQ(keys(Comparison::Compare(*a, *b)), expected) << "after step " << step;
    }
}

// Heavy edits of every kind: taking every record of diff(A, B) onto A leaves no
// difference, in both directions.
TEST_F(ComparisonTest, MergingEveryRecordLeavesNoDifference) {
    auto a = defaults();
    auto b = copyOf(*a);
    const std::vector<int> tables3 = plainUnique(*b, ElementType::Table3D);
    const std::vector<int> constants = plainUnique(*b, ElementType::Constant);
    ASSERT_GE(tables3.size(), 2u);
    // A map laid out anew with other counts, another with changed cells and axes.
    Tables::AxisLayout h{0, 50 * 9, 50}, v{100, 100 + 50 * 4, 50};
    ASSERT_TRUE(Tables::LayOut(*b, tables3[0], h, &v));
    Tables::Shape shape;
    Tables::ShapeOf(*b, tables3[0], shape);
    for (int r = 0; r < shape.rows; ++r)
        for (int c = 0; c < shape.columns; ++c)
            Tables::WriteCell(*b, shape, c, r, static_cast<uint16_t>(100 * c + 2 * r));
    Tables::ShapeOf(*b, tables3[1], shape);
    Tables::WriteCell(*b, shape, 0, 0, 4242);
    b->WriteConstWord(shape.referenceAddress(Tables::Axis::Vertical, 0), 7);
    // A renamed constant: consumers follow it, so A must create it and relink them.
    const int renamed = constants[0];
    b->RenameSlot(kNumPages + renamed, "Renamed constant");
    b->WriteConstWord(b->ElementConstOffset[constants[1]], 1234);
    // A new table linked into the diagram, a deleted element whose consumers lose links.
    int t = -1;
    ASSERT_TRUE(b->CreateElement(ElementType::Table2D, 20, 20, "New curve", 5, &t));
    Tables::AxisLayout curve{0, 50 * 5, 50};
    ASSERT_TRUE(Tables::LayOut(*b, t, curve, nullptr));
    ASSERT_TRUE(b->LinkInput(t, 0, renamed, 0));
    int summer = -1;
    for (int i = 0; i < b->NumElements && summer < 0; ++i)
        if (b->TypeOf(i) == ElementType::Summer)
            summer = i;
    ASSERT_GE(summer, 0);
    ASSERT_TRUE(b->LinkInput(summer, 0, t, 0));
    b->DeleteElement(constants[2]);
    b->RenameSlot(3, "Other page");
    PinTable::SetPinName(*b, 5, "Fan");
    PinTable::SetFactoryPin(*b, 6, 42);
    std::array<std::string, ConfigurationProperties::kNumFields> texts;
    for (int f = 0; f < ConfigurationProperties::kNumFields; ++f)
        texts[static_cast<size_t>(f)] = ConfigurationProperties::Read(*b, f);
    texts[0] = "Workshop";
    texts[4] = "Second line of notes";
    ConfigurationProperties::WriteAll(*b, texts);
    {
        const auto keysNow = keys(Comparison::Compare(*a, *b));
        for (const char* k : {"pin/6", "pin/7", "property/tuner", "property/notes2"})
            EXPECT_TRUE(keysNow.count(k)) << k;
    }
    b->OptimiseOrder(false);
    b->WriteConstByte(b->ElementConstOffset[0] + 25,
                      b->ReadConstByte(b->ElementConstOffset[0] + 25) ^ 1);

    auto a2 = copyOf(*a);
    ASSERT_FALSE(Comparison::Compare(*a, *b).equal());
    std::vector<std::string> problems;
    std::string error;
    ASSERT_TRUE(Comparison::ApplyDifferences(*a, *b, {}, problems, error)) << error;
    EXPECT_TRUE(problems.empty()) << problems.front();
    const auto after = Comparison::Compare(*a, *b);
    EXPECT_TRUE(after.equal()) << Comparison::Lines(after).front();
    EXPECT_TRUE(a->UsageWordsAgree());

    // The other way round deletes what was created and creates what was deleted.
    ASSERT_TRUE(Comparison::ApplyDifferences(*b, *a2, {}, problems, error)) << error;
    EXPECT_TRUE(problems.empty());
    EXPECT_TRUE(Comparison::Compare(*b, *a2).equal());
}

TEST_F(ComparisonTest, ATableTakenAloneLeavesTheOtherDifferences) {
    auto a = defaults();
    auto b = copyOf(*a);
    const std::vector<int> tables3 = plainUnique(*b, ElementType::Table3D);
    const std::vector<int> constants = plainUnique(*b, ElementType::Constant);
    Tables::Shape shape;
    Tables::ShapeOf(*b, tables3[0], shape);
    Tables::WriteCell(*b, shape, 1, 1, 500);
    Tables::WriteCell(*b, shape, 0, 1, static_cast<uint16_t>(Tables::Cell(*b, shape, 0, 1) + 100));
    b->WriteConstWord(b->ElementConstOffset[constants[0]], 999);
    const std::string cells = elementKey("cells", ElementType::Table3D, name(*b, tables3[0]));
    const auto before = Comparison::Compare(*a, *b);
    ASSERT_EQ(before.differences.size(), 2u);
    const auto& d =
        before.differences[0].key == cells ? before.differences[0] : before.differences[1];
    ASSERT_EQ(d.key, cells);
    EXPECT_EQ(d.cells.size(), 2u);
    EXPECT_EQ(d.largestChange,
              std::abs(500 - static_cast<int16_t>(Tables::Cell(*a, shape, 1, 1))) > 100
                  ? 500 - static_cast<int16_t>(Tables::Cell(*a, shape, 1, 1))
                  : 100);

    std::vector<std::string> problems;
    std::string error;
    ASSERT_TRUE(Comparison::ApplyDifferences(*a, *b, {cells}, problems, error));
    const auto after = Comparison::Compare(*a, *b);
    ASSERT_EQ(after.differences.size(), 1u);
    EXPECT_EQ(after.differences[0].kind, Comparison::Kind::Constant);
    EXPECT_EQ(Tables::Cell(*a, shape, 1, 1), 500);
    EXPECT_TRUE(a->Modified);
}

TEST_F(ComparisonTest, AnUnknownKeyChangesNothing) {
    auto a = defaults();
    auto b = copyOf(*a);
    b->RenameSlot(2, "Changed");
    const auto image = SettingsFile::fromImage(*a);
    std::vector<std::string> problems;
    std::string error;
    EXPECT_FALSE(
        Comparison::ApplyDifferences(*a, *b, {"page/3/name", "page/4/name"}, problems, error));
    EXPECT_NE(error.find("page/4/name"), std::string::npos);
    EXPECT_EQ(SettingsFile::fromImage(*a), image);
    EXPECT_EQ(Comparison::ParseSelection("all"), std::vector<std::string>{});
    EXPECT_EQ(Comparison::ParseSelection("x/1,y/2"), (std::vector<std::string>{"x/1", "y/2"}));
}

TEST_F(ComparisonTest, ALinkToAnElementAOLacksAndAMoveOntoTheGaugePageAreRefused) {
    auto a = defaults();
    auto b = copyOf(*a);
    int src = -1;
    ASSERT_TRUE(b->CreateElement(ElementType::Constant, 1, 1, "Only in B", 4, &src));
    const std::vector<int> summers = plainUnique(*b, ElementType::Summer);
    ASSERT_TRUE(b->LinkInput(summers[0], 1, src, 0));
    const std::vector<int> labels = plainUnique(*b, ElementType::Label);
    const int l = b->ElementLogicOffset[labels[0]];
    b->WriteLogicByte(l + 3, 0, true); // a label may go to the gauge page ...
    const std::vector<int> constants = plainUnique(*b, ElementType::Constant);
    b->WriteLogicByte(b->ElementLogicOffset[constants[0]] + 3, 0, true); // ... a constant not
    const std::string input = elementKey("input", ElementType::Summer, name(*b, summers[0])) + "/2";
    const std::string labelMove = elementKey("moved", ElementType::Label, name(*b, labels[0]));
    const std::string constantMove =
        elementKey("moved", ElementType::Constant, name(*b, constants[0]));
    const uint16_t word = a->InputWord(find(*a, ElementType::Summer, name(*b, summers[0])), 1);

    std::vector<std::string> problems;
    std::string error;
    ASSERT_TRUE(
        Comparison::ApplyDifferences(*a, *b, {input, labelMove, constantMove}, problems, error))
        << error;
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0], constantMove + ": This page can only contain Gauge elements or Labels");
    EXPECT_NE(problems[1].find("\"Only in B"), std::string::npos);
    EXPECT_EQ(a->InputWord(find(*a, ElementType::Summer, name(*b, summers[0])), 1), word);
    EXPECT_EQ(a->PageOf(find(*a, ElementType::Label, name(*b, labels[0]))), 0);
}

TEST_F(ComparisonTest, NamesThatAreNotUniqueAreMatchedByOrderAndSaidSo) {
    auto a = defaults();
    for (int k = 0; k < 2; ++k)
        ASSERT_TRUE(a->CreateElement(ElementType::Constant, 5, 5 + k, "Twin", 6));
    auto b = copyOf(*a);
    const int second = find(*b, ElementType::Constant, "Twin") + 1;
    ASSERT_EQ(name(*b, second), "Twin");
    b->WriteConstWord(b->ElementConstOffset[second], 300);
    const auto report = Comparison::Compare(*a, *b);
    ASSERT_EQ(report.differences.size(), 1u);
    EXPECT_EQ(report.differences[0].key, "constant/Constant/Twin#2");
    EXPECT_TRUE(report.differences[0].ambiguous);
    EXPECT_EQ(report.differences[0].text, "0.00 (raw 0) -> 6.00 (raw 300)");
    ASSERT_EQ(report.ambiguousNames.size(), 1u);
    EXPECT_EQ(Comparison::Lines(report).back(),
              "ambiguous: \"Twin\" (Constant) is not unique: matched by name and order");
}

TEST_F(ComparisonTest, KeysEscapeWhatWouldSplitThem) {
    auto a = defaults();
    auto b = copyOf(*a);
    ASSERT_TRUE(b->CreateElement(ElementType::Label, 1, 1, "a/b,c: d#\xB0", 4));
    const auto report = Comparison::Compare(*a, *b);
    ASSERT_EQ(report.differences.size(), 1u);
    EXPECT_EQ(report.differences[0].key, "only-in-b/Label/a%2Fb%2Cc%3A d%23%B0");
    std::vector<std::string> problems;
    std::string error;
    ASSERT_TRUE(Comparison::ApplyDifferences(
        *a, *b, Comparison::ParseSelection(report.differences[0].key), problems, error));
    EXPECT_TRUE(Comparison::Compare(*a, *b).equal());
}

TEST_F(ComparisonTest, DifferentCountsReportAxesOnlyAndTheirMergeTakesTheWholeTable) {
    auto a = defaults();
    auto b = copyOf(*a);
    const int t = plainUnique(*b, ElementType::Table3D)[0];
    Tables::AxisLayout h{0, 50 * 3, 50}, v{0, 50 * 2, 50};
    ASSERT_TRUE(Tables::LayOut(*b, t, h, &v));
    const auto report = Comparison::Compare(*a, *b);
    ASSERT_EQ(report.differences.size(), 1u);
    EXPECT_EQ(report.differences[0].kind, Comparison::Kind::Axes);
    EXPECT_NE(report.differences[0].text.find("-> 4 x 3"), std::string::npos);
    std::vector<std::string> problems;
    std::string error;
    ASSERT_TRUE(Comparison::ApplyDifferences(*a, *b, {report.differences[0].key}, problems, error));
    EXPECT_TRUE(Comparison::Compare(*a, *b).equal());
    EXPECT_EQ(a->ConstEnd(), b->ConstEnd());
}

// Dedicated settings are named as their windows name them; the scope's sources are
// live addresses and compare, and merge, by the element they point into.
TEST_F(ComparisonTest, DedicatedSettingsByNameAndScopeSourcesByElement) {
    auto a = defaults();
    auto b = copyOf(*a);
    auto firstOf = [](const tECU& ecu, int type) {
        int e = 0;
        while (e < ecu.NumElements && ecu.TypeOf(e) != type)
            ++e;
        return e;
    };
    const int inj = firstOf(*b, ElementType::Injectors);
    const int general = firstOf(*b, ElementType::General);
    ASSERT_LT(general, b->NumElements);
    b->WriteConstByte(b->ElementConstOffset[inj] + 25,
                      b->ReadConstByte(b->ElementConstOffset[inj] + 25) ^ 0x40);
    const std::vector<int> summers = plainUnique(*b, ElementType::Summer);
    const int source = summers.back();
    b->WriteConstWord(b->ElementConstOffset[general] + 2,
                      static_cast<uint16_t>(b->ElementLiveOffset[source] / 2));
    // Logging channel 15 logs the summer under its name.
    b->SetImageWord(0x04 + 2 * 14, b->ElementLiveOffset[source], true);
    b->SetImageWord(0x22 + 2 * 14, static_cast<uint16_t>((kNumPages + source) * kNameLength), true);
    b->SetImageWord(0x40 + 2 * 14, 0xFFFF, true);
    b->OptimiseOrder(true); // moves the summer's live block: the words follow it
    auto report = Comparison::Compare(*a, *b);
    ASSERT_EQ(report.differences.size(), 3u);
    std::map<std::string, const Comparison::Difference*> byKey;
    for (const auto& d : report.differences)
        byKey[d.key] = &d;
    ASSERT_TRUE(byKey.count("setting/Injectors/25"));
    EXPECT_EQ(byKey["setting/Injectors/25"]->what, "Injectors: current, injection mode");
    ASSERT_TRUE(byKey.count("setting/General/2"));
    EXPECT_EQ(byKey["setting/General/2"]->what, "Scope: trigger source");
    ASSERT_TRUE(byKey.count("setting/General/channel15"));
    EXPECT_EQ(byKey["setting/General/channel15"]->newText, "logs \"" + name(*a, source) +
                                                               "\" live word 1, named \"" +
                                                               name(*a, source) + "\", valid none");
    EXPECT_EQ(byKey["setting/General/2"]->newText,
              "\"" + name(*a, source) + "\" (Summer) live word 1");

    std::vector<std::string> problems;
    std::string error;
    ASSERT_TRUE(Comparison::ApplyDifferences(*a, *b, {}, problems, error));
    EXPECT_TRUE(problems.empty());
    EXPECT_TRUE(Comparison::Compare(*a, *b).equal());
    const int ga = firstOf(*a, ElementType::General);
    const int sa =
        find(*a, ElementType::Summer, name(*b, find(*b, ElementType::Summer, name(*a, source))));
    EXPECT_EQ(a->ReadConstWord(a->ElementConstOffset[ga] + 2), a->ElementLiveOffset[sa] / 2);
}

} // namespace
