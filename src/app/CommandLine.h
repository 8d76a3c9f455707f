#pragma once

#include "platform/Clock.h"

#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

namespace voltmere {

// What the program does when started from a terminal with an option:
//   voltmere --export-csv FILE [--metric NAME] [--since DURATION | --from DATE --to DATE]
//   voltmere --help | --version
// These run to completion and exit without claiming the single instance or
// starting the monitor, so they neither start a second monitor nor disturb
// a running one. Without any of these options (for example a "voltmere:"
// address from the desktop) the program starts as usual.
namespace CommandLine {

// The program's own arguments: when they ask for one of the actions above,
// runs it on standard output and error against the user's history and
// returns the exit status; otherwise returns nothing and touches nothing.
// Before any QCoreApplication exists (it makes its own).
std::optional<int> runIfAsked(int argc, char **argv);

// Exit statuses: done, the action failed, the command was not understood.
inline constexpr int exitOK = 0;
inline constexpr int exitFailed = 1;
inline constexpr int exitUsage = 2;

// Whether `arguments` (program name first) ask for one of the actions above.
bool isCommand(const QStringList &arguments);

// Runs the action: the export, help and version go to `out`, messages to
// `err`. `databasePath` is the history to export; `clock` dates "--since".
// Returns the exit status.
int run(const QStringList &arguments, QIODevice &out, QIODevice &err, const QString &databasePath,
    const Clock &clock = Clock::system());

// "90s", "15m", "1h", "2d", "1w", or several of them ("1h30m"), in seconds;
// absent when not such a duration or not positive.
std::optional<double> parseDuration(const QString &text);

// A date ("2026-12-01", local midnight) or a date and time
// ("2026-12-01T14:30", "2026-12-01 14:30:15", with or without an offset
// such as "+01:00" or "Z"; local time without one), in seconds since 1970.
// With `endOfDay`, a bare date means the midnight that ends it, so
// "--to 2026-12-07" takes in the whole of that day.
std::optional<double> parseDate(const QString &text, bool endOfDay);

} // namespace CommandLine

} // namespace voltmere
