// The cost of one paint of the chart at the two sizes that repaint most: the
// panel's CPU tile (a minute of 2-second readings, redrawn on every tick
// while the panel is open) and an overview chart holding an hour of 2-second
// readings. Painted into an image at 2× so the figure includes antialiasing
// at the density of a high-resolution screen.

#include "dashboard/Environment.h"
#include "dashboard/Theme.h"
#include "history/TimeSeriesChart.h"
#include "monitor/Format.h"

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

void paintChart(benchmark::State &state, TimeSeriesChart &chart)
{
    QImage image(chart.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        chart.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points"] = static_cast<double>(chart.series().front().points.size());
}

void BM_PanelCpuChart(benchmark::State &state)
{
    TimeSeriesChart chart;
    Environment::setColorScheme(&chart, ColorScheme::dark);
    chart.resize(328, 60);
    chart.setXDomain({ end - 60, end });
    chart.setYDomain(TimeSeriesChart::ValueRange { 0, 100 });
    chart.setSeries({ { QStringLiteral("CPU"), Theme::mint, readings(31, 2) } });
    paintChart(state, chart);
}
BENCHMARK(BM_PanelCpuChart)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void BM_OverviewHourChart(benchmark::State &state)
{
    const bool twoSeries = state.range(0) == 2;
    TimeSeriesChart chart;
    Environment::setColorScheme(&chart, ColorScheme::dark);
    chart.resize(600, 150);
    chart.setShowsAxes(true);
    chart.setFormat([](double v) { return Format::percent(v); });
    chart.setXDomain({ end - 3600, end });
    std::vector<ChartSeries> series { { QStringLiteral("User"), Theme::mint, readings(1800, 2) } };
    if (twoSeries) {
        series.push_back({ QStringLiteral("System"), Theme::slate, readings(1800, 2, 1.7) });
    }
    chart.setSeries(series);
    chart.setHoverDate(end - 1200); // the callout and rule are part of a hover repaint
    paintChart(state, chart);
}
BENCHMARK(BM_OverviewHourChart)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

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
