// CSV export figures over a full 30-day database (one sample every 5 s):
// the time of the whole export to a file, against a bare scan of the same
// rows as the baseline, and the growth of peak memory for one day and for
// thirty, which must be the same when rows are streamed.

#include "history/HistoryExport.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace voltmere;

constexpr double day = 86400;
constexpr double tick = 5;
constexpr int days = 30;
constexpr double end = 1'800'000'000;

struct Fixture {
    QTemporaryDir dir;
    QString path;
    long samples = 0;
};

Fixture *fixture = nullptr;

// Fills the database the way the program would have over 30 days: every
// metric on most rows, battery absent on some, a few hundred gaps.
void build()
{
    fixture = new Fixture;
    fixture->path = fixture->dir.filePath(QStringLiteral("history.sqlite"));
    sqlite3 *db = nullptr;
    sqlite3_open(fixture->path.toUtf8().constData(), &db);
    sqlite3_exec(db,
        "PRAGMA journal_mode=WAL; CREATE TABLE sample(ts REAL PRIMARY KEY, cpu REAL, mem_pressure REAL,"
        " mem_level INTEGER, mem_used REAL, swap_used REAL, disk_read REAL, disk_write REAL, net_in REAL,"
        " net_out REAL, battery REAL, plugged INTEGER, charging INTEGER, awake REAL);"
        " CREATE TABLE event(ts REAL, kind TEXT); CREATE INDEX event_ts ON event(ts); BEGIN;",
        nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO sample VALUES (?,?,?,1,?,?,?,?,?,?,?,1,0,?)", -1, &insert, nullptr);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    double awake = 0;
    for (double t = end - days * day; t < end; t += tick) {
        if (unit(random) < 0.0006) {
            t += 600; // a gap now and then
        }
        awake += tick;
        sqlite3_bind_double(insert, 1, t + unit(random) * 0.01);
        sqlite3_bind_double(insert, 2, unit(random) * 100);
        sqlite3_bind_double(insert, 3, unit(random) * 60);
        sqlite3_bind_double(insert, 4, 8e9 * unit(random));
        sqlite3_bind_double(insert, 5, std::floor(2e9 * unit(random)));
        sqlite3_bind_double(insert, 6, std::floor(5e7 * unit(random)));
        sqlite3_bind_double(insert, 7, std::floor(5e7 * unit(random)));
        sqlite3_bind_double(insert, 8, std::floor(1e7 * unit(random)));
        sqlite3_bind_double(insert, 9, std::floor(1e6 * unit(random)));
        if (unit(random) < 0.9) {
            sqlite3_bind_double(insert, 10, std::floor(unit(random) * 100));
        } else {
            sqlite3_bind_null(insert, 10);
        }
        sqlite3_bind_double(insert, 11, awake);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        ++fixture->samples;
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

long statusKilobytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(std::string(field).size()));
        }
    }
    return -1;
}

// Peak resident memory added by `work`, in KiB: the kernel's high-water
// mark is reset first (clear_refs "5"), so earlier peaks do not hide it.
template<typename Work>
long peakGrowthKilobytes(Work work)
{
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKilobytes("VmRSS:");
    work();
    return statusKilobytes("VmHWM:") - before;
}

void BM_ScanBaseline(benchmark::State &state)
{
    long rows = 0;
    for (auto _ : state) {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(fixture->path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db,
            "SELECT ts, awake, cpu, mem_pressure, swap_used, disk_read, disk_write, net_in, net_out, battery"
            " FROM sample ORDER BY ts",
            -1, &statement, nullptr);
        double sum = 0;
        rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int i = 0; i < 10; ++i) {
                sum += sqlite3_column_double(statement, i);
            }
            ++rows;
        }
        benchmark::DoNotOptimize(sum);
        sqlite3_finalize(statement);
        sqlite3_close(db);
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_ExportAllMetrics30Days(benchmark::State &state)
{
    const QString target = fixture->dir.filePath(QStringLiteral("out.csv"));
    HistoryExport::Result result;
    for (auto _ : state) {
        result = HistoryExport::toFile(fixture->path, {}, target);
    }
    state.counters["rows"] = static_cast<double>(result.rows);
    state.counters["file_MB"] = static_cast<double>(QFile(target).size()) / 1e6;
    if (!result.ok()) {
        state.SkipWithError(result.error.toUtf8().constData());
    }
}

void BM_PeakMemoryGrowth(benchmark::State &state)
{
    const QString target = fixture->dir.filePath(QStringLiteral("out.csv"));
    long oneDay = 0;
    long thirtyDays = 0;
    for (auto _ : state) {
        oneDay = peakGrowthKilobytes([&] { HistoryExport::toFile(fixture->path, { std::nullopt, end - day, end }, target); });
        thirtyDays = peakGrowthKilobytes([&] { HistoryExport::toFile(fixture->path, {}, target); });
    }
    state.counters["peak_growth_1d_KiB"] = static_cast<double>(oneDay);
    state.counters["peak_growth_30d_KiB"] = static_cast<double>(thirtyDays);
}

} // namespace

BENCHMARK(BM_ScanBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportAllMetrics30Days)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeakMemoryGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv)
{
    build();
    std::printf("30-day database: %ld samples\n", fixture->samples);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete fixture;
    return 0;
}
