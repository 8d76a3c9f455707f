#pragma once

#include "history/HistoryMetric.h"
#include "model/Snapshot.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>

class QIODevice;

namespace voltmere {

// The recorded history as CSV, read through its own read-only connection so
// that a running program's writer is never blocked and nothing is changed.
//
// The file: a header line, then one line per stored sample in time order.
//   time        ISO 8601 local time with its UTC offset, to the millisecond
//               ("2026-12-08T10:00:05.250+01:00")
//   <metric>    one column per metric, named by its raw value (cpu,
//               memPressure, swap, diskRead, diskWrite, netIn, netOut,
//               battery; or the one metric asked for, whichever it is), in
//               the unit the database stores: percent for cpu,
//               memPressure and battery, bytes for swap, bytes per second for
//               disk and network; empty where the reading was absent
//   gap         empty, or the reason (asleep, notRunning, noReadings) when
//               more than 20 s passed since the previous sample in the range
//   cpuTemperature, fanSpeed
//               the processor's temperature (degrees Celsius) and the fastest
//               fan (revolutions per minute); recorded since a later version,
//               so in an export of every metric they follow the gap column
//               and the columns before keep their places
// Lines end in "\n"; no value needs quoting.
//
// Rows are streamed: memory stays the same whatever the range. Everything
// here is a plain function, callable from any thread; each call opens and
// closes its own connection. Failures never throw: they come back as text.
namespace HistoryExport {

struct Request {
    // One metric, or every metric when absent.
    std::optional<HistoryMetric> metric;
    // Seconds since 1970; samples with from <= ts < to.
    Timestamp from = -std::numeric_limits<double>::infinity();
    Timestamp to = std::numeric_limits<double>::infinity();
};

struct Result {
    enum class Status { written, cancelled, failed };
    Status status = Status::failed;
    std::int64_t rows = 0;
    // For `failed`: what went wrong, as a sentence for the user.
    QString error;

    bool ok() const { return status == Status::written; }
};

// Told the share done so far (0–1) every few thousand rows and once at the
// end; returning false stops the export. Called on the exporting thread.
using Progress = std::function<bool(double fraction)>;

// The header line, without its line break.
QString header(const Request &request);

// Writes the CSV to `target` through a temporary file in the same folder
// that replaces `target` only once complete: a failure or a cancel leaves
// whatever was there before, and no partial file. The new file gets the
// user's usual permissions (the umask). A target that exists and is not a
// plain file (a pipe, a terminal, a character device) is written to in
// place instead; a folder or a disk device is refused, and so are the
// database, its companions and its lock, and a link that another user left
// in a shared sticky folder such as /tmp.
Result toFile(const QString &databasePath, const Request &request, const QString &target, const Progress &progress = {});

// Writes the CSV to an open device (standard output, a buffer). A failure
// part-way leaves what was already written.
Result toDevice(const QString &databasePath, const Request &request, QIODevice &out, const Progress &progress = {});

} // namespace HistoryExport

} // namespace voltmere
