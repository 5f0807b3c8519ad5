// Routing and rendering figures of one dense diagram page: about 100 elements
// and 200 links. Run by hand; the figures are reported, never asserted.
#include "RawConfig.h"
#include "editor/DiagramCanvas.h"
#include "editor/PageRenderer.h"
#include "files/SettingsFile.h"
#include "model/Catalogue.h"

#include <QApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace zolmar;

namespace {

constexpr int kPage = 1;

// Ten columns of ten elements: constants on the left, then summers and
// multipliers, each input linked to an element of the column before: near
// rows, as diagrams are drawn, or any row (many links then fail to route).
std::unique_ptr<tECU> densePage(Messages& messages, int& links, bool farLinks) {
    auto ecu = std::make_unique<tECU>(messages);
    test::RawConfig raw(*ecu);
    links = 0;
    std::vector<std::vector<int>> columns(10);
    for (int c = 0; c < 10; ++c) {
        for (int r = 0; r < 10; ++r) {
            int type = c == 0 ? ElementType::Constant
                              : (r % 3 == 0 ? ElementType::Multiplier : ElementType::Summer);
            char name[16];
            std::snprintf(name, sizeof name, "E%d.%d", c, r);
            int e = raw.add(type, kPage, 1 + 12 * c, 1 + 12 * r, name);
            columns[static_cast<size_t>(c)].push_back(e);
            if (c == 0)
                continue;
            const auto& before = columns[static_cast<size_t>(c - 1)];
            for (int k = 0; k < tECU::InputCount(type); ++k) {
                int near = std::min(9, std::max(0, r + k - 1));
                int far = (r + k * 3 + c) % 10;
                int source = before[static_cast<size_t>(farLinks ? far : near)];
                raw.link(e, k, source, 0);
                ++links;
            }
        }
    }
    raw.finish();
    return ecu;
}

struct Page {
    explicit Page(bool farLinks = false) : ecu(densePage(messages, links, farLinks)) {}
    SilentMessages messages;
    int links = 0;
    std::unique_ptr<tECU> ecu;
    LinkRouter router;
    FixedCellMetrics metrics;
    PageRenderer renderer{*ecu, router, metrics};
};

void BM_RouteAndDecide(benchmark::State& state) {
    Page page;
    DrawList list;
    for (auto _ : state) {
        page.router.invalidate(kPage);
        list.clear();
        page.renderer.RenderPage(kPage, true, list);
    }
    int routed = 0;
    for (const auto& r : page.router.routes(kPage))
        routed += r.routed();
    state.counters["elements"] = page.ecu->NumElements;
    state.counters["links"] = page.links;
    state.counters["routed"] = routed;
}
BENCHMARK(BM_RouteAndDecide)->Unit(benchmark::kMillisecond);

void BM_RouteAndDecideFarLinks(benchmark::State& state) {
    Page page(true);
    DrawList list;
    for (auto _ : state) {
        page.router.invalidate(kPage);
        list.clear();
        page.renderer.RenderPage(kPage, true, list);
    }
    int routed = 0;
    for (const auto& r : page.router.routes(kPage))
        routed += r.routed();
    state.counters["links"] = page.links;
    state.counters["routed"] = routed;
}
BENCHMARK(BM_RouteAndDecideFarLinks)->Unit(benchmark::kMillisecond);

void BM_ReplayDecide(benchmark::State& state) {
    Page page;
    DrawList list;
    page.renderer.RenderPage(kPage, true, list);
    for (auto _ : state) {
        list.clear();
        page.renderer.RenderPage(kPage, true, list);
    }
}
BENCHMARK(BM_ReplayDecide)->Unit(benchmark::kMillisecond);

// Routing, deciding and painting the canvas, with the copy into the backup.
void BM_FullRenderPainted(benchmark::State& state) {
    Page page(state.range(0) == 1);
    state.SetLabel(state.range(0) == 1 ? "far links" : "near links");
    gui::DiagramCanvas canvas;
    canvas.setPixelRatio(1);
    PageRenderer renderer(*page.ecu, page.router, canvas.metrics());
    DrawList list;
    for (auto _ : state) {
        page.router.invalidate(kPage);
        list.clear();
        renderer.RenderPage(kPage, true, list);
        canvas.execute(list);
        canvas.backUp();
    }
}
BENCHMARK(BM_FullRenderPainted)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReplayRenderPainted(benchmark::State& state) {
    Page page(state.range(0) == 1);
    state.SetLabel(state.range(0) == 1 ? "far links" : "near links");
    gui::DiagramCanvas canvas;
    canvas.setPixelRatio(1);
    PageRenderer renderer(*page.ecu, page.router, canvas.metrics());
    DrawList list;
    renderer.RenderPage(kPage, true, list);
    for (auto _ : state) {
        list.clear();
        renderer.RenderPage(kPage, true, list);
        canvas.execute(list);
        canvas.backUp();
    }
}
BENCHMARK(BM_ReplayRenderPainted)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The live overlay that every poll cycle draws: values of all outputs and inputs.
void BM_LiveOverlayPainted(benchmark::State& state) {
    Page page;
    page.ecu->Simulating = true;
    page.ecu->ShowAllOutputs = true;
    gui::DiagramCanvas canvas;
    canvas.setPixelRatio(1);
    PageRenderer renderer(*page.ecu, page.router, canvas.metrics());
    DrawList list;
    renderer.RenderPage(kPage, true, list);
    canvas.execute(list);
    canvas.backUp();
    for (auto _ : state) {
        list.clear();
        renderer.RenderOverlay(kPage, {-1, -1}, list);
        canvas.execute(list);
    }
    state.counters["texts"] = static_cast<double>(list.ops.size());
}
BENCHMARK(BM_LiveOverlayPainted)->Unit(benchmark::kMillisecond);

// The default configuration's page with the most Gauge elements, with live values, as
// the main window draws it every poll cycle: the overlay carried out on the canvas, then
// the widget's paint of what the canvas asked to repaint (the whole canvas in view).
struct GaugePage {
    explicit GaugePage(benchmark::State& state) : ecu(std::make_unique<tECU>(messages)) {
        std::string error;
        if (!SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        ecu->RebuildIndex(true, true);
        std::vector<int> perPage(Layout::kNumPages, 0);
        for (int i = 0; i < ecu->NumElements; ++i)
            if (ecu->TypeOf(i) == ElementType::Gauge)
                ++perPage[static_cast<size_t>(ecu->PageOf(i))];
        page = static_cast<int>(std::max_element(perPage.begin(), perPage.end()) - perPage.begin());
        for (int i = 0; i < ecu->NumElements; ++i)
            if (ecu->PageOf(i) == page && ecu->TypeOf(i) == ElementType::Gauge)
                gauges.push_back(i);
        ecu->Simulating = true;
        canvas.setPixelRatio(1);
        renderer = std::make_unique<PageRenderer>(*ecu, router, canvas.metrics());
        DrawList list;
        renderer->RenderPage(page, true, list);
        canvas.execute(list);
        canvas.backUp();
        ok = true;
    }
    // Every gauge's value moves by a step within its range (or stays for step 0).
    void setValues(int cycle) {
        for (size_t g = 0; g < gauges.size(); ++g) {
            int i = gauges[g];
            uint16_t word = ecu->InputWord(i, 0);
            if (!(word & 1))
                continue;
            int c = ecu->ElementConstOffset[i];
            int min = static_cast<int16_t>(ecu->ReadConstWord(c));
            int max = static_cast<int16_t>(ecu->ReadConstWord(c + 2));
            int span = std::max(4, max - min);
            int value = min + (cycle * 37 + static_cast<int>(g) * 101) % span;
            ecu->SetImageWord(Layout::kLiveBase + (word & 0xFFFE), static_cast<uint16_t>(value),
                              false);
        }
    }
    void paintWidget(const QRegion& region) {
        canvas.render(&screen, region.boundingRect().topLeft(), region, QWidget::RenderFlags());
    }
    SilentMessages messages;
    std::unique_ptr<tECU> ecu;
    LinkRouter router;
    gui::DiagramCanvas canvas;
    std::unique_ptr<PageRenderer> renderer;
    QImage screen{Grid::kCanvas, Grid::kCanvas, QImage::Format_RGB32};
    int page = 0;
    std::vector<int> gauges;
    bool ok = false;
};

// Before incremental painting: every cycle's overlay painted over the page and the
// whole canvas repainted on the widget. Argument 1: values change every cycle.
void BM_GaugeOverlayFullRepaint(benchmark::State& state) {
    GaugePage g(state);
    if (!g.ok)
        return;
    const bool changing = state.range(0) != 0;
    DrawList list;
    int cycle = 0;
    for (auto _ : state) {
        state.PauseTiming();
        g.setValues(changing ? ++cycle : 0);
        list.clear();
        g.renderer->RenderOverlay(g.page, {-1, -1}, list);
        state.ResumeTiming();
        g.canvas.execute(list);
        g.paintWidget(QRegion(g.canvas.rect()));
    }
    state.counters["page"] = g.page;
    state.counters["gauges"] = static_cast<double>(g.gauges.size());
    state.counters["ops"] = static_cast<double>(list.ops.size());
}
BENCHMARK(BM_GaugeOverlayFullRepaint)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The overlay as the main window carries it out: only the rectangles whose steps
// changed are restored, redrawn and repainted on the widget. Argument 1: values change
// every cycle; 0: they stay, and nothing is painted.
void BM_GaugeOverlayIncremental(benchmark::State& state) {
    GaugePage g(state);
    if (!g.ok)
        return;
    const bool changing = state.range(0) != 0;
    DrawList list;
    g.setValues(0);
    g.renderer->RenderOverlay(g.page, {-1, -1}, list);
    g.canvas.executeOverlay(list); // the first after the page is drawn whole
    int cycle = 0;
    double steps = 0;
    double area = 0;
    for (auto _ : state) {
        state.PauseTiming();
        g.setValues(changing ? ++cycle : 0);
        list.clear();
        g.renderer->RenderOverlay(g.page, {-1, -1}, list);
        state.ResumeTiming();
        g.canvas.executeOverlay(list);
        const QRegion& region = g.canvas.lastOverlayRegion();
        if (!region.isEmpty())
            g.paintWidget(region);
        steps += g.canvas.lastOverlaySteps();
        for (const QRect& r : region)
            area += static_cast<double>(r.width()) * r.height();
    }
    const double cycles = std::max<double>(1, static_cast<double>(state.iterations()));
    state.counters["ops"] = static_cast<double>(list.ops.size());
    state.counters["painted"] = steps / cycles;
    state.counters["pixels"] = area / cycles;
}
BENCHMARK(BM_GaugeOverlayIncremental)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
