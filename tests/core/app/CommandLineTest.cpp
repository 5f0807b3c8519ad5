#include "app/CommandLine.h"
#include "TempDir.h"
#include "app/HelpContexts.h"
#include "app/MenuAccelerators.h"
#include "app/StartOptions.h"
#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace zolmar;
using zolmar::test::TempDir;

namespace {

CommandLine sample() {
    return CommandLine("demo [--port PATH] [--timeout SECONDS] [--pages N] FILE [MORE]")
        .text("--port", "PATH")
        .number("--timeout", "SECONDS", 0, 86400)
        .integer("--pages", "N", 1, 6)
        .flag("--quick")
        .texts("--set", "WORD=RAW")
        .choice("--mode", "MODE", {"balanced", "latency"})
        .integer("--every", "K", 1, 100)
        .thenValues({"OUT.csv"})
        .operand("FILE")
        .optionalOperand("MORE");
}

struct Parse {
    bool ok;
    ParsedCommandLine args;
    std::string problem;
};

Parse parse(const std::vector<std::string>& args) {
    Parse p;
    p.ok = sample().parse(args, p.args, p.problem);
    return p;
}

TEST(CommandLineTest, BothOptionFormsGiveTheSameValues) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--port", "/dev/ttyUSB0", "--timeout", "2.5", "f.ecu", "--pages", "3"},
             {"--port=/dev/ttyUSB0", "f.ecu", "--timeout=2.5", "--pages=3"}}) {
        auto p = parse(args);
        ASSERT_TRUE(p.ok) << p.problem;
        EXPECT_EQ(p.args.text("--port"), "/dev/ttyUSB0");
        EXPECT_DOUBLE_EQ(p.args.number("--timeout", 5), 2.5);
        EXPECT_EQ(p.args.integer("--pages", 6), 3);
        EXPECT_EQ(p.args.operands(), std::vector<std::string>{"f.ecu"});
        EXPECT_FALSE(p.args.has("--quick"));
    }
    // Defaults, repeated lists, a value with "=" in it, extra values, the last single wins.
    auto p = parse({"--set", "44=-3", "--set=45=7", "f", "--every", "10", "out.csv", "--pages", "2",
                    "--pages", "5", "--quick"});
    ASSERT_TRUE(p.ok) << p.problem;
    EXPECT_EQ(p.args.texts("--set"), (std::vector<std::string>{"44=-3", "45=7"}));
    EXPECT_EQ(p.args.integer("--every", 0), 10);
    EXPECT_EQ(p.args.extra("--every"), std::vector<std::string>{"out.csv"});
    EXPECT_EQ(p.args.integer("--pages", 6), 5);
    EXPECT_TRUE(p.args.has("--quick"));
    EXPECT_EQ(p.args.number("--timeout", 5), 5);
}

TEST(CommandLineTest, UsageErrorsNameTheArgumentAndWhatItTakes) {
    struct Case {
        std::vector<std::string> args;
        std::string problem;
    };
    const Case cases[] = {
        {{"--pages", "7", "f"}, "--pages needs a whole number from 1 to 6, not \"7\""},
        {{"--pages=abc", "f"}, "--pages needs a whole number from 1 to 6, not \"abc\""},
        {{"--pages", "3x", "f"}, "--pages needs a whole number"},
        {{"--timeout", "0", "f"}, "--timeout needs a number above 0 and at most 86400"},
        {{"--timeout", "nan", "f"}, "--timeout needs a number"},
        {{"--timeout", "1e9", "f"}, "at most 86400"},
        {{"--mode", "fast", "f"}, "--mode takes one of balanced, latency; not \"fast\""},
        {{"--bogus", "f"}, "unknown option \"--bogus\""},
        {{"-x", "f"}, "unknown option \"-x\""},
        {{"--quick=yes", "f"}, "--quick takes no value"},
        {{"f", "--port"}, "--port needs a value (PATH)"},
        {{"--port", "--quick", "f"}, "--port needs a value (PATH)"},
        {{"--port=", "f"}, "--port needs a value (PATH)"},
        {{"f", "--every", "3"}, "--every needs OUT.csv after K"},
        {{}, "missing FILE"},
        {{"a", "b", "c"}, "unexpected argument \"c\""},
    };
    for (const Case& c : cases) {
        auto p = parse(c.args);
        EXPECT_FALSE(p.ok) << c.problem;
        EXPECT_NE(p.problem.find(c.problem), std::string::npos) << p.problem;
    }
    // A monstrous argument is quoted short.
    auto p = parse({"--pages", std::string(5000, '9'), "f"});
    EXPECT_LT(p.problem.size(), 200u);
}

TEST(CommandLineTest, HelpWinsAndDoubleDashEndsTheOptions) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"-h"}, {"--pages", "99", "--help"}, {"--bogus", "-h"}}) {
        auto p = parse(args);
        EXPECT_TRUE(p.ok);
        EXPECT_TRUE(p.args.helpAsked());
    }
    auto p = parse({"--", "--help", "-5"});
    ASSERT_TRUE(p.ok) << p.problem;
    EXPECT_FALSE(p.args.helpAsked());
    EXPECT_EQ(p.args.operands(), (std::vector<std::string>{"--help", "-5"}));
    // A negative number is an operand, not an option.
    p = parse({"-5", "f"});
    ASSERT_TRUE(p.ok) << p.problem;
    EXPECT_EQ(p.args.operand(0), "-5");
    EXPECT_NE(sample().optionsHelp().find("  --every K OUT.csv"), std::string::npos);
}

TEST(StartOptionsTest, TheProgramsArgumentsAreCheckedBeforeAnyWindow) {
    TempDir dir;
    StartOptions o;
    std::string problem;
    ASSERT_TRUE(StartCommandLine::Parse(
        {"--advanced", "--page=3", "--table", "148", "-platform", "offscreen", "tune.ecu"}, o,
        problem))
        << problem;
    EXPECT_TRUE(o.advanced);
    EXPECT_EQ(o.page, 2);
    EXPECT_EQ(o.table, 148);
    EXPECT_EQ(o.file, "tune.ecu");
    EXPECT_EQ(o.windowSystem, (std::vector<std::string>{"-platform", "offscreen"}));
    EXPECT_FALSE(o.fileIsFirmware());
    ASSERT_TRUE(StartCommandLine::Parse({"--open", "NEW.ZFW"}, o, problem));
    EXPECT_TRUE(o.fileIsFirmware());
    ASSERT_TRUE(StartCommandLine::Parse({"--version"}, o, problem));
    EXPECT_TRUE(o.version);

    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--page", "999"}, "--page needs a whole number from 1 to 128"},
        {{"--page", "0"}, "1 to 128"},
        {{"--page", "-1"}, "1 to 128"},
        {{"--page", "abc"}, "1 to 128"},
        {{"--table", "-1"}, "--table needs a whole number from 0 to 3453"},
        {{"--after-ms", "-5", "--screenshot", dir.path("a.png")}, "0 to 600000"},
        {{"--screenshot", dir.path("missing/a.png")}, "does not exist"},
        {{"--screenshot", dir.dir().string()}, "is a folder"},
        {{"--window", "new"}, "--window needs --screenshot"},
        {{"--after-ms", "10"}, "--after-ms needs --screenshot"},
        {{"--window", "nosuch", "--screenshot", dir.path("a.png")}, "--window takes one of new"},
        {{"--virtual-ecu", "--port", "/dev/pts/3"}, "exclude each other"},
        {{"--open", "a.ecu", "b.ecu"}, "give the file once"},
        {{"a.ecu", "b.ecu"}, "unexpected argument"},
        {{"-platform"}, "-platform needs a value"},
    };
    for (const auto& [args, text] : refused) {
        EXPECT_FALSE(StartCommandLine::Parse(args, o, problem)) << text;
        EXPECT_NE(problem.find(text), std::string::npos) << problem;
    }
    EXPECT_NE(StartCommandLine::HelpText().find("--screenshot FILE.png"), std::string::npos);
}

TEST(WindowPlacementTest, StoredPlacesRoundTripAndComeBackOnAScreen) {
    WindowPlacement p{10, -20, 800, 600, true};
    WindowPlacement q;
    ASSERT_TRUE(q.Parse(p.Format()));
    EXPECT_EQ(q.Format(), "10,-20,800,600,max");
    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,0,4", "a,b,c,d", "1,2,3,4,max,x",
                            "99999999,1,2,3", "1, 2,3,4", "1,2,3,4,"})
        EXPECT_FALSE(q.Parse(bad)) << bad;
    EXPECT_EQ(q.Format(), "10,-20,800,600,max") << "a refused text changes nothing";

    const std::vector<WindowPlacement::Rect> screens = {{0, 0, 1920, 1040}, {1920, 0, 1280, 1024}};
    // On the second screen it stays there.
    auto r = WindowPlacement{2000, 100, 600, 400, false}.FitInto(screens);
    EXPECT_EQ(r.Format(), "2000,100,600,400");
    // A window on a screen since unplugged comes back to the primary one.
    r = WindowPlacement{5000, 3000, 600, 400, false}.FitInto(screens);
    EXPECT_EQ(r.Format(), "1320,640,600,400");
    // Larger than its screen: shrunk to it; below the minimum: grown.
    r = WindowPlacement{-100, -100, 3000, 2000, false}.FitInto(screens);
    EXPECT_EQ(r.Format(), "0,0,1920,1040");
    r = WindowPlacement{50, 60, 10, 10, false}.FitInto(screens, 300, 200);
    EXPECT_EQ(r.Format(), "50,60,300,200");
    EXPECT_EQ(WindowPlacement::Key("TEditTable"), "WindowTEditTable");
}

TEST(MenuAcceleratorsTest, LettersAreUniqueAndTheCaptionsUnchanged) {
    const std::vector<std::string> bar = {"File",
                                          "ECU Config / Settings Synchronisation",
                                          "Windows",
                                          "Maps/Tables",
                                          "Dedicated Functions",
                                          "Logging",
                                          "Advanced",
                                          "Firmware",
                                          "Settings",
                                          "Help"};
    const auto marked = MenuAccelerators::Assign(bar);
    EXPECT_EQ(marked[0], "&File");
    EXPECT_EQ(marked[7], "F&irmware") << "F is taken: the next free letter";
    for (size_t k = 0; k < bar.size(); ++k)
        EXPECT_EQ(MenuAccelerators::Plain(marked[k]), bar[k]);
    // Word starts come first; a literal "&" stays one.
    const auto items = MenuAccelerators::Assign({"Save", "Save As ...", "M&W UEGO", "..."});
    EXPECT_EQ(items[0], "&Save");
    EXPECT_EQ(items[1], "Save &As ...");
    EXPECT_EQ(items[2], "&M&&W UEGO");
    EXPECT_EQ(items[3], "...") << "nothing to mark";
    EXPECT_EQ(MenuAccelerators::Plain("A&&&B"), "A&B");
}

TEST(HelpContextsTest, TheFirstVisibleWindowChoosesTheSection) {
    HelpContexts::Visible v;
    EXPECT_EQ(HelpContexts::Context(v), 0);
    EXPECT_EQ(HelpContexts::Anchor(0), "");
    v.properties = v.advancedView = true;
    EXPECT_EQ(HelpContexts::Anchor(HelpContexts::Context(v)), "editing");
    v.tableEditor = true;
    EXPECT_EQ(HelpContexts::Anchor(HelpContexts::Context(v)), "table-editor");
    v.wiring = v.checklist = true;
    EXPECT_EQ(HelpContexts::Context(v), 4);
    EXPECT_EQ(HelpContexts::Anchor(99), "");
}

} // namespace
