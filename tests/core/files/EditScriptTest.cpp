#include "files/EditScript.h"
#include "files/NewConfiguration.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

struct EditScriptTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    EditScriptTest() { NewConfiguration::MakeBlank(*ecu); }

    std::string parseError(const std::string& script) {
        std::vector<EditScript::Operation> ops;
        std::string error;
        EXPECT_FALSE(EditScript::Parse(script, ops, error)) << script;
        return error;
    }
    std::string runError(const std::string& script) {
        std::string error;
        EXPECT_FALSE(EditScript::Run(*ecu, script, error)) << script;
        return error;
    }
};

TEST_F(EditScriptTest, ParsesEveryOperationCommentsAndLineEnds) {
    std::vector<EditScript::Operation> ops;
    std::string error;
    ASSERT_TRUE(EditScript::Parse("# a comment\r\n\n   \t\ncreate 2 10 3 4 Fuel  map \xC2\xB0\r\n"
                                  "  delete 7\n"
                                  "link 6 0 1 3\nliteral 6 1 -1.25\nunlink 6 0\nrename 3\n"
                                  "optimise latency\nconst-byte 6 0 255\nconst-word 6 1 -2\n"
                                  "table-layout 6 0 10 1\ntable-layout 7 0 1 1 -5 5.5 0.5\n"
                                  "table-insert 6 col 12.5\ntable-delete 7 row 0 2",
                                  ops, error))
        << error;
    ASSERT_EQ(ops.size(), 13u);
    EXPECT_EQ(ops[0].op, EditScript::Op::Create);
    EXPECT_EQ(ops[0].line, 4);
    EXPECT_EQ(ops[0].numbers, (std::vector<long>{2, 10, 3, 4}));
    EXPECT_EQ(ops[0].text, "Fuel  map \xB0");
    EXPECT_EQ(ops[1].numbers, std::vector<long>{7});
    EXPECT_EQ(ops[3].texts, std::vector<std::string>{"-1.25"});
    EXPECT_EQ(ops[5].text, "");
    EXPECT_FALSE(ops[6].flag);
    EXPECT_EQ(ops[8].numbers[2], -2);
    EXPECT_EQ(ops[10].texts.size(), 6u);
    EXPECT_FALSE(ops[11].flag);
    EXPECT_EQ(ops[11].texts, std::vector<std::string>{"12.5"});
    EXPECT_TRUE(ops[12].flag);
    EXPECT_EQ(ops[12].numbers, (std::vector<long>{7, 0, 2}));
}

TEST_F(EditScriptTest, SyntaxErrorsNameTheLine) {
    EXPECT_EQ(parseError("frobnicate 1"), "line 1: unknown operation \"frobnicate\"");
    EXPECT_EQ(parseError("\ndelete"), "line 2: expected \"delete INDEX\"");
    EXPECT_EQ(parseError("delete 1 2"), "line 1: expected \"delete INDEX\"");
    EXPECT_EQ(parseError("create 1 2 3 128 x"), "line 1: \"128\" is not a number from 0 to 127");
    EXPECT_EQ(parseError("create 1 256 3 1 x"), "line 1: \"256\" is not a number from 0 to 255");
    EXPECT_EQ(parseError("link 1 x 2 3"), "line 1: \"x\" is not a number from 0 to 99999");
    EXPECT_EQ(parseError("delete 12345678901"),
              "line 1: \"12345678901\" is not a number from 0 to 99999");
    EXPECT_EQ(parseError("delete -1"), "line 1: \"-1\" is not a number from 0 to 99999");
    EXPECT_EQ(parseError("optimise fast"), "line 1: expected \"optimise balanced|latency\"");
    EXPECT_EQ(parseError("table-layout 6 0 10"),
              "line 1: expected \"table-layout ELEM LOW HIGH STEP [LOW2 HIGH2 STEP2]\"");
    EXPECT_EQ(parseError("table-delete 6 cols 0 1"),
              "line 1: expected \"table-delete ELEM col|row FIRST LAST\"");
    EXPECT_EQ(parseError("const-word 6 0 65536"),
              "line 1: \"65536\" is not a number from -32768 to 65535");
    EXPECT_EQ(parseError("const-byte 6 0 -1"), "line 1: \"-1\" is not a number from 0 to 255");
}

TEST_F(EditScriptTest, OperationsGoThroughTheModel) {
    std::string error;
    ASSERT_TRUE(EditScript::Run(*ecu,
                                "create 6 1 2 3 Mult one\n"
                                "create 1 1 2 3 K\n"
                                "link 6 0 7 0\n"
                                "literal 6 2 -1.25\n"
                                "const-word 7 0 -2\n"
                                "rename 3 Aux page\n"
                                "create 2 0 0 1 T\n"
                                "table-layout 8 0 10 2.5\n"
                                "table-insert 8 col 1\n"
                                "table-delete 8 col 2 3\n"
                                "optimise balanced\n",
                                error))
        << error;
    EXPECT_TRUE(messages.shown.empty());
    // Balanced order: the table (page 1) first, then the constant before its consumer.
    int mult = ecu->FindElementByName("Mult one", false);
    int k = ecu->FindElementByName("K", false);
    int t = ecu->FindElementByName("T", false);
    ASSERT_GE(mult, 6);
    EXPECT_LT(t, k);
    EXPECT_LT(k, mult);
    std::string source;
    ASSERT_TRUE(ecu->NameOfLiveAddress(ecu->InputWord(mult, 0) & 0xFFFE, source));
    EXPECT_EQ(source, "Pg4.K");
    EXPECT_EQ(ecu->InputWord(mult, 1), 50);
    EXPECT_EQ(ecu->InputWord(mult, 2), 0xFFC2);
    EXPECT_EQ(ecu->ReadConstWord(ecu->ElementConstOffset[k]), 0xFFFE);
    EXPECT_EQ(ecu->NameOf(3), "Aux page");
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[t]), 4); // 0, 1, 7.5, 10
    EXPECT_EQ(ecu->LiveWordLinked[0], 1);

    ASSERT_TRUE(EditScript::Run(
        *ecu, "unlink " + std::to_string(mult) + " 0\ndelete " + std::to_string(t), error));
    EXPECT_EQ(ecu->InputWord(mult - 1, 0), 50);
}

TEST_F(EditScriptTest, RefusalsCarryTheModelsMessageAndStop) {
    EXPECT_EQ(runError("create 1 0 0 1 ok\ncreate 1 0 0 0 gauge page\ncreate 1 0 0 1 never"),
              "line 2: This page can only contain Gauge elements or Labels");
    EXPECT_EQ(ecu->NumElements, 7);
    EXPECT_EQ(runError("create 20 0 0 1 x"),
              "line 1: Could not create new element (unknown type 20)");
    EXPECT_EQ(runError("create 159 0 0 1 x"),
              "line 1: Type 159 is a dedicated element; a new configuration has it once");
    EXPECT_EQ(runError("delete 3"), "line 1: Element 3 is a dedicated element");
    EXPECT_EQ(runError("delete 7"), "line 1: There is no element with index 7");
    EXPECT_EQ(runError("link 6 0 7 0"), "line 1: Element 6 has no input 0");
    EXPECT_EQ(runError("link 5 4 6 0"), "line 1: Element 5 has no input 4");
    EXPECT_EQ(runError("link 5 3 6 1"), "line 1: Element 6 has no output 1");
    EXPECT_EQ(runError("literal 5 0 700"),
              "line 1: Number out of range. Allowable range is -655 to +655");
    EXPECT_EQ(runError("literal 5 0 1,5"), "line 1: \"1,5\" not a valid real number");
    EXPECT_EQ(runError("const-word 6 1 0"),
              "line 1: Offset 1 is outside the constant block of element 6 (2 bytes)");
    EXPECT_EQ(runError("rename 135 x"), "line 1: There is no name slot 135");
    EXPECT_EQ(runError("table-insert 6 col 1"), "line 1: Element 6 is not a table");
    EXPECT_EQ(runError("create 2 0 0 1 t\ntable-layout 7 0 1 1 0 1 1"),
              "line 2: A 2D table takes one reference triple");
    EXPECT_EQ(runError("table-layout 7 5 5 1"),
              "line 1: Lowest Reference must be less than Highest Reference");
    EXPECT_EQ(runError("table-delete 7 col 0 2"), "line 1: The table has no column 2");
    EXPECT_EQ(runError("table-delete 7 col 1 0"),
              "line 1: The last index must not be below the first");
    EXPECT_EQ(runError("table-delete 7 col 0 1"),
              "line 1: Cannot delete 2 columns; table must have at least two columns.");
    EXPECT_EQ(runError("table-delete 7 row 0 0"), "line 1: Cannot delete row from 2D Table.");
    EXPECT_EQ(runError("table-insert 7 row 1"), "line 1: A 2D table has no rows");
    EXPECT_TRUE(messages.shown.empty()); // refusals are reported through the error only
}

} // namespace

namespace {

TEST_F(EditScriptTest, UndoAndRedoMoveThroughTheScriptsLines) {
    std::vector<uint8_t> start(ecu->Image, ecu->Image + kImageSize);
    std::string error;
    // Everything taken back: the image is the one loaded.
    ASSERT_TRUE(EditScript::Run(*ecu,
                                "create 6 1 2 3 Mult one\n"
                                "create 2 0 0 1 T\n"
                                "table-layout 7 0 10 2.5\n"
                                "optimise balanced\n"
                                "undo\nundo\nundo\nundo\n",
                                error))
        << error;
    EXPECT_TRUE(std::equal(start.begin(), start.begin() + kLiveBase, ecu->Image));
    EXPECT_EQ(ecu->FindElementByName("Mult one", false), -1);
    // Taken back and applied again; a new line drops what could have been redone.
    ASSERT_TRUE(EditScript::Run(*ecu,
                                "create 1 1 2 3 K\nrename 3 Aux page\nundo\nundo\nredo\n"
                                "rename 4 Other\n",
                                error))
        << error;
    EXPECT_GE(ecu->FindElementByName("K", false), 6);
    EXPECT_NE(ecu->NameOf(3), "Aux page");
    EXPECT_EQ(ecu->NameOf(4), "Other");
    EXPECT_EQ(runError("create 1 1 2 3 K\nundo\nundo\n"), "line 3: nothing to undo");
    EXPECT_EQ(runError("redo\n"), "line 1: nothing to redo");
}

} // namespace
