#include "MainFormHarness.h"
#include "diagnostics/LogViewerForm.h"
#include "model/Tables.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <fstream>

using namespace zolmar;
using namespace zolmar::gui;

namespace {

struct LogViewerGuiTest : ::testing::Test, test::MainFormHarness {
    std::string logPath;
    int ve = -1;

    void SetUp() override {
        prefs.values["ShowStartHints"] = "DontShowHints";
        start(false);
        form->fileCommands().openFile(ZOLMAR_DEFAULT_CONFIG, false);
        ve = form->ecu().FindElementByName("%Volumetric Efficiency 1", false);
        ASSERT_GE(ve, 0);
        // A drive that stays lean in one cell of the VE table (RPM/100 10, MAP 40).
        logPath = dir.path("drive.csv");
        std::ofstream out(logPath, std::ios::binary);
        out << "Time (sec),RPM/100,MAP,AFR,AFR Target\r\n";
        for (int k = 0; k < 30; ++k)
            out << k / 20 << "." << (k % 20) * 50 / 100 << (k % 20) * 50 % 100 / 10
                << (k % 20) * 50 % 10 << ",10.00,40.00," << (k == 5 ? "----" : "16.17")
                << ",*14.70\r\n";
    }
    uint16_t veCell(int column, int row) {
        Tables::Shape shape;
        Tables::ShapeOf(form->ecu(), ve, shape);
        return Tables::Cell(form->ecu(), shape, column, row);
    }
    void shoot(QWidget* window, const char* name) {
        const QByteArray dirName = qgetenv("ZOLMAR_SHOTS");
        if (!dirName.isEmpty())
            window->grab().save(QDir(QString::fromLocal8Bit(dirName)).filePath(name));
    }
};

TEST_F(LogViewerGuiTest, ALogOpensWithItsChannelsFiguresMarkersAndCells) {
    TLogViewerForm* viewer = form->logViewerForm();
    dialogs.answers = {logPath};
    form->action("Log Viewer ...")->trigger();
    ASSERT_TRUE(viewer->isVisible());
    ASSERT_EQ(viewer->channelList()->count(), 4);
    EXPECT_EQ(viewer->log().lines(), 30u);
    EXPECT_NE(viewer->statistics()->text().indexOf("AFR: count 29 invalid 1 min 16.17"), -1)
        << viewer->statistics()->text().toStdString();
    viewer->search()->setText("map");
    EXPECT_TRUE(viewer->channelList()->item(0)->isHidden());
    EXPECT_FALSE(viewer->channelList()->item(1)->isHidden());

    // Zooming changes the visible range and with it the figures; a marker is kept.
    LogPlot* plot = viewer->plot();
    plot->setFocus();
    plot->setCursor(0.26);
    QTest::keyClick(plot, Qt::Key_Plus);
    EXPECT_LT(plot->t1 - plot->t0, 1.0);
    EXPECT_NE(viewer->statistics()->text().indexOf("count"), -1);
    EXPECT_TRUE(std::isnan(plot->valueAt(2, 0.26))) << "the \"----\" line is a gap";
    EXPECT_FLOAT_EQ(static_cast<float>(plot->valueAt(2, 0.31)), 16.17f);
    QTest::keyClick(plot, Qt::Key_M);
    ASSERT_EQ(plot->markers.size(), 1u);
    std::ifstream markers(TLogViewerForm::markerPath(logPath));
    double saved = 0;
    ASSERT_TRUE(markers >> saved);
    EXPECT_DOUBLE_EQ(saved, 0.26);
    QTest::keyClick(plot, Qt::Key_Home);
    shoot(viewer, "log-viewer.png");
    // The scatter view: AFR against RPM/100, a point for each line with both values.
    viewer->scatter()->grab();
    EXPECT_EQ(viewer->scatter()->points(), 29u);

    // The VE table's cells: the drive stayed in one of them.
    ASSERT_EQ(viewer->tableList()->currentText(), "%Volumetric Efficiency 1");
    viewer->showCells();
    QTableWidget* grid = viewer->cellGrid();
    ASSERT_EQ(grid->columnCount(), 16);
    ASSERT_EQ(grid->rowCount(), 14);
    ASSERT_NE(grid->item(2, 1), nullptr);
    EXPECT_EQ(grid->item(2, 1)->text(), "16.17") << "the mean of AFR there";
    EXPECT_EQ(grid->item(0, 0)->text(), "");

    // The correction is written only once confirmed; the target is marked invalid in
    // this log, so no cell qualifies until a valid target channel is chosen.
    const uint16_t before = veCell(1, 2);
    messages.shown.clear();
    viewer->applyCorrectionClick();
    EXPECT_EQ(veCell(1, 2), before);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Information);
}

TEST_F(LogViewerGuiTest, TheCorrectionAsksFirstAndWritesTheTable) {
    std::ofstream out(logPath, std::ios::binary);
    out << "\"Time (s)\",\"RPM/100\",\"MAP\",\"AFR\",\"Target\",\r\n";
    for (int k = 0; k < 25; ++k)
        out << "0." << 100 + k << ",10.00,40.00,16.17,14.70,\r\n";
    out.close();
    TLogViewerForm* viewer = form->logViewerForm();
    ASSERT_TRUE(form->openLogViewer(logPath));
    viewer->valueList()->setCurrentIndex(2);
    EXPECT_EQ(viewer->measuredList()->currentText(), "AFR");
    EXPECT_EQ(viewer->targetList()->currentText(), "Target");
    const uint16_t before = veCell(1, 2);
    messages.answers = {Messages::Answer::No};
    viewer->applyCorrectionClick();
    EXPECT_EQ(veCell(1, 2), before) << "not confirmed";
    EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Confirmation);
    messages.answers = {Messages::Answer::Yes};
    form->ecu().Modified = false;
    viewer->applyCorrectionClick();
    const double factor = 16.17 / 14.70;
    EXPECT_NEAR(static_cast<int16_t>(veCell(1, 2) & 0xFFFE),
                static_cast<int16_t>(before & 0xFFFE) * factor, 2);
    EXPECT_NE(veCell(1, 2), before);
    EXPECT_TRUE(form->ecu().Modified);
    shoot(viewer, "log-viewer-cells.png");
    // The correction is one step of the history: one undo gives the table back.
    EXPECT_EQ(form->undoHistory().UndoCaption(),
              "VE correction from log in %Volumetric Efficiency 1");
    form->undoClick();
    EXPECT_EQ(veCell(1, 2), before);

    // A file that is no log is refused with its reason.
    const std::string other = dir.path("other.csv");
    std::ofstream(other) << "a,b\r\n";
    messages.shown.clear();
    EXPECT_FALSE(form->openLogViewer(other));
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Error);
    EXPECT_EQ(viewer->log().lines(), 25u) << "the open log stays";
}

} // namespace
