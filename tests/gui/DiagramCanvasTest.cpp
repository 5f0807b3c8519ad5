// The live overlay painted incrementally gives the same canvas as drawing the page
// and the overlay afresh, and a cycle without change paints nothing.
#include "editor/DiagramCanvas.h"
#include "editor/PageRenderer.h"
#include "files/SettingsFile.h"
#include "model/Catalogue.h"
#include "ports/Messages.h"

#include <QApplication>
#include <QPaintEvent>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace zolmar::gui {
namespace {

// Differing pixels of two canvases, with the first for the failure message.
std::string difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return "sizes differ";
    int count = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (la[x] != lb[x] && count++ == 0)
                first = {x, y};
    }
    if (count == 0)
        return {};
    return std::to_string(count) + " pixels differ, first at " + std::to_string(first.x()) + "," +
           std::to_string(first.y());
}

// The page and overlay drawn afresh, as after a page switch.
QImage freshRender(qreal ratio, const DrawList& page, const DrawList& overlay) {
    DiagramCanvas canvas;
    canvas.setPixelRatio(ratio);
    canvas.execute(page);
    canvas.backUp();
    canvas.executeOverlay(overlay);
    return canvas.image();
}

// A page with pictures, names and wires under the overlay, so that restoring matters.
DrawList syntheticPage(int shift) {
    DrawList page;
    page.clearCanvas();
    page.picture(34, 40 + shift, 40, false);
    page.picture(37, 300, 60 + shift, false);
    page.picture(2, 600, 40, false);
    page.text(40 + shift, 230, Font::Name, Colours::kBlack, "Small dial");
    page.text(600, 20, Font::Name, Colours::kBlack, "Summer");
    page.polyline({{0, 120}, {620, 120}, {620, 300}}, Colours::kBlack, 2);
    page.polyline({{250, 0}, {250, 400}}, Colours::kBlack, 1);
    page.picture(0, 600, 40, true);
    return page;
}

// Cycle k of a synthetic overlay: a dial with moving needle and value, values that grow
// and shrink, one that comes and goes (shifting the steps after it), overlapping texts
// and a blinking colour.
DrawList syntheticOverlay(int k) {
    static const char* const kValues[] = {"5", "12.50", "-655.40", "0.01", "", "1234.5"};
    DrawList list;
    const int K = 40, L = 40;
    list.fillRect(K, L, K + 165, L + 125, Colours::kWhite);
    list.picture(34, K, L, false);
    list.text(K + 33, L + 106, Font::DialSmall, Colours::kBlack, "0.00");
    list.text(K + 70, L + 10, Font::DialSmall, Colours::kBlack, "50.00");
    double theta = 4.6 * ((k * 37) % 100) / 100.0 - 2.3;
    list.line(K + 82, L + 73, K + 82 + static_cast<int>(std::lround(62 * std::sin(theta))),
              L + 73 - static_cast<int>(std::lround(62 * std::cos(theta))), Colours::kRed, 3);
    list.line(K + 30, L + 30, K + 34, L + 26, Colours::kAmber, 6);
    list.text(K + 70, L + 107, Font::Fixed, Colours::kLiveText, kValues[k % 6]);
    // A display's value: the widest value restored first, then the value if any.
    list.restore(200, 300, 260, 315);
    if (k % 3 != 1)
        list.text(260 - 8 * static_cast<int>(std::string(kValues[(k + 2) % 6]).size()), 300,
                  Font::Fixed, Colours::kLiveText, kValues[(k + 2) % 6]);
    // Texts over each other and over a wire.
    list.text(230, 115, Font::Fixed, Colours::kLiveText, kValues[(k + 1) % 6]);
    list.text(240, 118, Font::Fixed, k % 2 ? Colours::kGreen : Colours::kLiveText,
              kValues[(k + 3) % 6]);
    list.text(600, 100, Font::Fixed, Colours::kLiveText, k % 4 == 0 ? "  ----" : "  3.25");
    // A lever that flips.
    list.fillRect(644, 47, 656, 66, Colours::kWhite);
    list.line(657, 57, 643, k % 2 ? 64 : 50, Colours::kBlack, 2);
    return list;
}

struct OverlayCanvasTest : ::testing::TestWithParam<double> {};

TEST_P(OverlayCanvasTest, EachCycleLeavesTheCanvasAsAFreshRenderWould) {
    const qreal ratio = GetParam();
    DiagramCanvas canvas;
    canvas.setPixelRatio(ratio);
    DrawList page = syntheticPage(0);
    canvas.execute(page);
    canvas.backUp();
    canvas.executeOverlay(syntheticOverlay(0));
    for (int k = 1; k <= 14; ++k) {
        if (k == 8) {
            // The page changes under the overlay: drawn anew, then the overlay whole.
            page = syntheticPage(17);
            canvas.execute(page);
            canvas.backUp();
        }
        DrawList overlay = syntheticOverlay(k);
        canvas.executeOverlay(overlay);
        if (k != 8) {
            EXPECT_GT(canvas.lastOverlaySteps(), 0) << "cycle " << k;
            EXPECT_LT(canvas.lastOverlaySteps(), static_cast<int>(overlay.ops.size()));
        }
        EXPECT_EQ(difference(canvas.image(), freshRender(ratio, page, overlay)), "")
            << "cycle " << k;
    }
}

TEST_P(OverlayCanvasTest, ValuesRestoredAwayBySomethingElseAreDrawnAgain) {
    const qreal ratio = GetParam();
    DiagramCanvas canvas;
    canvas.setPixelRatio(ratio);
    DrawList page = syntheticPage(0);
    canvas.execute(page);
    canvas.backUp();
    DrawList overlay = syntheticOverlay(2);
    canvas.executeOverlay(overlay);
    // A rubber band erased from the backup over the dial and the overlapping texts.
    DrawList erase;
    erase.restore(100, 80, 280, 130);
    canvas.execute(erase);
    EXPECT_NE(difference(canvas.image(), freshRender(ratio, page, overlay)), "");
    canvas.executeOverlay(overlay);
    EXPECT_EQ(difference(canvas.image(), freshRender(ratio, page, overlay)), "");
    // Once drawn again, the same overlay paints nothing.
    canvas.executeOverlay(overlay);
    EXPECT_EQ(canvas.lastOverlaySteps(), 0);
    EXPECT_TRUE(canvas.lastOverlayRegion().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Ratios, OverlayCanvasTest, ::testing::Values(1.0, 2.0, 1.5));

TEST(OverlayCanvas, AnUnchangedOverlayPaintsNothingAndAChangedOneOnlyItsRectangles) {
    DiagramCanvas canvas;
    canvas.setPixelRatio(1);
    canvas.execute(syntheticPage(0));
    canvas.backUp();
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    canvas.executeOverlay(syntheticOverlay(3));
    EXPECT_EQ(canvas.lastOverlayRegion(), QRegion(canvas.rect())); // the first is whole
    QApplication::processEvents();

    struct PaintCounter : QObject {
        int paints = 0;
        QRegion region;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                ++paints;
                region += static_cast<QPaintEvent*>(event)->region();
            }
            return false;
        }
    } counter;
    canvas.installEventFilter(&counter);
    QImage before = canvas.image();
    canvas.executeOverlay(syntheticOverlay(3));
    QApplication::processEvents();
    EXPECT_EQ(canvas.lastOverlaySteps(), 0);
    EXPECT_TRUE(canvas.lastOverlayRegion().isEmpty());
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(canvas.image(), before);

    canvas.executeOverlay(syntheticOverlay(4));
    QApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_FALSE(counter.region.isEmpty());
    EXPECT_TRUE(canvas.lastOverlayRegion().contains(counter.region.boundingRect()) ||
                (counter.region - canvas.lastOverlayRegion()).isEmpty());
    // Only the dial, the texts and the lever: a small part of the canvas.
    qint64 area = 0;
    for (const QRect& r : counter.region)
        area += static_cast<qint64>(r.width()) * r.height();
    EXPECT_LT(area, qint64{Grid::kCanvas} * Grid::kCanvas / 50);
    canvas.removeEventFilter(&counter);
}

// The default configuration drawn by the real renderer, with live values that change,
// stay, disappear and come back, on its gauge page and on a page of outputs.
struct DefaultConfigurationOverlay : ::testing::Test {
    SilentMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    LinkRouter router;
    DiagramCanvas canvas;
    std::unique_ptr<PageRenderer> renderer;
    DrawList page;
    std::mt19937 random{7};

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) << error;
        ecu->RebuildIndex(true, true);
        canvas.setPixelRatio(1);
        renderer = std::make_unique<PageRenderer>(*ecu, router, canvas.metrics());
    }
    int pageWithMost(int type) const {
        std::vector<int> count(Layout::kNumPages, 0);
        for (int i = 0; i < ecu->NumElements; ++i)
            if (ecu->TypeOf(i) == type)
                ++count[static_cast<size_t>(ecu->PageOf(i))];
        return static_cast<int>(std::max_element(count.begin(), count.end()) - count.begin());
    }
    void showPage(int p) {
        page.clear();
        renderer->RenderPage(p, true, page);
        canvas.execute(page);
        canvas.backUp();
    }
    // A fraction of the live words get new values, some far out of any gauge's range.
    void changeValues(double fraction) {
        std::uniform_real_distribution<double> pick(0, 1);
        std::uniform_int_distribution<int> value(-3000, 12000);
        for (int w = 0; w < 0x1000; w += 2)
            if (pick(random) < fraction)
                ecu->SetImageWord(Layout::kLiveBase + w, static_cast<uint16_t>(value(random)),
                                  false);
    }
    void cycle(int p, const char* what) {
        DrawList overlay;
        renderer->RenderOverlay(p, {-1, -1}, overlay);
        canvas.executeOverlay(overlay);
        EXPECT_EQ(difference(canvas.image(), freshRender(1, page, overlay)), "") << what;
    }
};

TEST_F(DefaultConfigurationOverlay, GaugesAndOutputsRepaintedIncrementallyMatchAFreshRender) {
    const int gauges = pageWithMost(ElementType::Gauge);
    ecu->Simulating = true;
    showPage(gauges);
    cycle(gauges, "first");
    for (int k = 0; k < 4; ++k) {
        changeValues(0.6);
        cycle(gauges, "needles moving");
    }
    // Nothing changed: nothing is painted.
    DrawList overlay;
    renderer->RenderOverlay(gauges, {-1, -1}, overlay);
    canvas.executeOverlay(overlay);
    EXPECT_EQ(canvas.lastOverlaySteps(), 0);
    EXPECT_TRUE(canvas.lastOverlayRegion().isEmpty());
    // Live values go away (the link is lost) and come back.
    ecu->Simulating = false;
    cycle(gauges, "values gone");
    ecu->Simulating = true;
    changeValues(0.3);
    cycle(gauges, "values back");

    // Another page, with every output's value shown.
    const int outputs = pageWithMost(ElementType::Summer);
    ecu->ShowAllOutputs = true;
    showPage(outputs);
    cycle(outputs, "other page, first");
    for (int k = 0; k < 3; ++k) {
        changeValues(0.5);
        cycle(outputs, "outputs changing");
    }
}

} // namespace
} // namespace zolmar::gui
