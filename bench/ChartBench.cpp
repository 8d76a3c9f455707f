// The cost of one paint of the chart at the two sizes that repaint most: the
// panel's CPU tile (a minute of 2-second readings, redrawn on every tick
// while the panel is open) and an overview chart holding an hour of 2-second
// readings. Painted into an image at 2× (a high-resolution screen) and, for
// the hour, also at 1×.

#include "model/Format.h"
#include "ui/Environment.h"
#include "ui/Theme.h"
#include "ui/TimeSeriesChart.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace {

using namespace voltmere;

constexpr Timestamp end = 1'800'000'000.0;

std::vector<ChartPoint> readings(int count, double stride, double phase = 0)
{
    std::vector<ChartPoint> points;
    points.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double t = i * stride;
        const double value = 30 + 20 * std::sin(t / 40 + phase) + 12 * std::sin(t / 7.3) + (i % 97 < 6 ? 35 : 0);
        points.push_back({ end - (count - 1 - i) * stride, std::clamp(value, 0.0, 100.0), 0 });
    }
    return points;
}

// Each iteration hands the chart new readings, as a sampling tick does, so
// every paint draws the lines afresh.
void paintChart(
    benchmark::State &state, TimeSeriesChart &chart, const std::vector<ChartSeries> &series, int density = 2)
{
    std::vector<ChartSeries> shifted = series;
    for (ChartSeries &s : shifted) {
        s.points.back().value += 1;
    }
    QImage image(chart.size() * density, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(density);
    bool flip = false;
    for (auto _ : state) {
        chart.setSeries((flip = !flip) ? shifted : series);
        image.fill(Qt::transparent);
        chart.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points"] = static_cast<double>(series.front().points.size());
}

void BM_PanelCpuChart(benchmark::State &state)
{
    TimeSeriesChart chart;
    Environment::setColorScheme(&chart, ColorScheme::dark);
    chart.resize(328, 60);
    chart.setXDomain({ end - 60, end });
    chart.setYDomain(TimeSeriesChart::ValueRange { 0, 100 });
    paintChart(state, chart, { { QStringLiteral("CPU"), Theme::mint, readings(31, 2) } });
}
BENCHMARK(BM_PanelCpuChart)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void hourChart(TimeSeriesChart &chart)
{
    Environment::setColorScheme(&chart, ColorScheme::dark);
    chart.resize(600, 150);
    chart.setShowsAxes(true);
    chart.setFormat([](double v) { return Format::percent(v); });
    chart.setXDomain({ end - 3600, end });
    chart.setHoverDate(end - 1200); // the rule and the callout are part of the picture
}

std::vector<ChartSeries> hourSeries(int count)
{
    std::vector<ChartSeries> series { { QStringLiteral("User"), Theme::mint, readings(1800, 2) } };
    if (count == 2) {
        series.push_back({ QStringLiteral("System"), Theme::slate, readings(1800, 2, 1.7) });
    }
    return series;
}

void BM_OverviewHourChart(benchmark::State &state)
{
    TimeSeriesChart chart;
    hourChart(chart);
    paintChart(state, chart, hourSeries(static_cast<int>(state.range(0))), static_cast<int>(state.range(1)));
}
// Arguments: series, screen density.
BENCHMARK(BM_OverviewHourChart)
    ->Args({ 1, 2 })
    ->Args({ 2, 2 })
    ->Args({ 1, 1 })
    ->Args({ 2, 1 })
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

// The pointer moving over the same chart: only the selection changes, so
// the lines come from the chart's kept image.
void BM_OverviewHourHover(benchmark::State &state)
{
    TimeSeriesChart chart;
    hourChart(chart);
    chart.setSeries(hourSeries(static_cast<int>(state.range(0))));
    QImage image(chart.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    bool flip = false;
    for (auto _ : state) {
        chart.setHoverDate(end - ((flip = !flip) ? 1200 : 1100));
        image.fill(Qt::transparent);
        chart.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_OverviewHourHover)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    QApplication::setFont(Theme::font(13));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
