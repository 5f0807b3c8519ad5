#include "MainFormHarness.h"
#include "editor/ElementMap.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <gtest/gtest.h>
#include <set>

using namespace zolmar;
using namespace zolmar::gui;

namespace {

// Every command of the main window (menus, toolbar, the canvas's context menu),
// walked through the states a user meets: each must be available in at least one,
// or it is a dead command.
struct CommandWalkTest : ::testing::Test, test::MainFormHarness {
    std::vector<QAction*> commands;
    std::set<QAction*> seenEnabled;
    std::map<QAction*, QString> names;

    void SetUp() override {
        prepare();
        start(true);
        for (QAction* a : form->menuBar()->actions())
            collect(a, QString());
        for (QAction* a : form->toolBar()->actions())
            add(a,
                QStringLiteral("toolbar: ") + (a->toolTip().isEmpty() ? a->text() : a->toolTip()));
        for (QAction* a : form->elementOptions()->actions())
            collect(a, QStringLiteral("context menu"));
    }
    void add(QAction* a, const QString& name) {
        if (a->isSeparator() || names.count(a))
            return;
        // The recent files are shown only when there are some.
        if (a->objectName().startsWith(QLatin1String("RecentItem")))
            return;
        commands.push_back(a);
        names[a] = name;
    }
    void collect(QAction* a, const QString& path) {
        const QString name = path.isEmpty() ? a->text() : path + " > " + a->text();
        add(a, name);
        if (QMenu* m = a->menu())
            for (QAction* sub : m->actions())
                collect(sub, name);
    }
    void snapshot() {
        for (QAction* a : commands)
            if (a->isEnabled())
                seenEnabled.insert(a);
    }
    void poll(int cycles = 1) override {
        for (int n = 0; n < cycles; ++n) {
            form->PollTimerTimer();
            snapshot();
        }
    }
    // A right click at the first pixel of the page whose cell satisfies what.
    void rightClickWhere(const std::function<bool(uint32_t)>& what) {
        const ElementMap& map = form->renderer().elementMap();
        for (int y = 0; y < 1500; y += 17)
            for (int x = 0; x < 2500; x += 17)
                if (what(map.atPixel(x, y))) {
                    form->editor().buttonDown(MouseButton::Right, x + 8, y + 8);
                    form->editor().buttonUp(MouseButton::Right, x + 8, y + 8);
                    snapshot();
                    return;
                }
        ADD_FAILURE() << "no such place on the page";
    }
};

TEST_F(CommandWalkTest, NoCommandStaysDisabledInEveryState) {
    snapshot(); // at start, simple view, waiting for the ECU
    ASSERT_TRUE(pollUntilState(Link::Online));
    poll(2);
    form->refreshTablesMenu();
    snapshot();

    // The diagram, unlocked, with its context menu over space, an element and an input.
    form->setAdvancedView(true);
    form->setCurrentPage(13);
    form->setConfigLocked(false);
    snapshot();
    using EM = ElementMap;
    rightClickWhere([](uint32_t c) { return EM::element(c) == EM::kNoElement; });
    rightClickWhere([](uint32_t c) { return EM::element(c) != EM::kNoElement; });
    rightClickWhere(
        [](uint32_t c) { return EM::element(c) != EM::kNoElement && EM::inputPlusOne(c) != 0; });
    form->action("Copy")->trigger();
    rightClickWhere([](uint32_t c) { return EM::element(c) == EM::kNoElement; });

    // A renamed element asks for "Update Cosmetic"; logging to the PC can be stopped.
    form->ecu().RenameSlot(Layout::kNumPages + 10, "Renamed");
    poll(2);
    // The rename is a step: it can be undone, and then redone.
    form->action("Undo")->trigger();
    snapshot();
    form->action("Redo")->trigger();
    poll(2);
    dialogs.answers = {dir.path("log.csv")};
    form->action("Start Logging to Laptop/PC")->trigger();
    poll();
    form->action("Stop Logging to Laptop/PC")->trigger();
    // Saved under a name: "Save".
    dialogs.answers = {dir.path("walk.ecu")};
    ASSERT_TRUE(form->fileCommands().saveAs());
    snapshot();
    // A structural change takes the link offline: "Go Online".
    form->ecu().StructureChanged = true;
    ASSERT_TRUE(pollUntilState(Link::Offline));
    poll(2);

    std::vector<std::string> dead;
    for (QAction* a : commands) {
        if (seenEnabled.count(a))
            continue;
        // The setup wizard's window is built apart; its two commands are tried here
        // as soon as the wizard is connected to them.
        const bool wizard =
            a == form->action("Setup Wizard") || a == form->action("Open Setup Wizard");
        if (wizard && !form->commandConnected(QStringLiteral("Setup Wizard")))
            continue;
        dead.push_back(names[a].toStdString());
    }
    EXPECT_TRUE(dead.empty()) << ::testing::PrintToString(dead);
    EXPECT_GT(commands.size(), 100u);
}

} // namespace
