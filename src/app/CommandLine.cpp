#include "app/CommandLine.h"

#include "history/HistoryExport.h"
#include "history/HistoryStore.h"
#include "navigation/AppInfo.h"

#include <QDate>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QRegularExpression>
#include <QTimeZone>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>

namespace voltmere {

namespace CommandLine {

namespace {

constexpr const char *helpText = R"(Usage: voltmere [ADDRESS]
       voltmere --export-csv FILE [--metric NAME] [--since DURATION | --from DATE --to DATE]
       voltmere --help | --version

Without options, starts Voltmere in the system tray, or hands ADDRESS (for
example voltmere://open/battery) to the copy already running.

Options:
  --export-csv FILE   Write the recorded history as CSV to FILE and exit;
                      "-" (or /dev/stdout) writes to standard output, and a
                      pipe or device is written to in place. A running
                      Voltmere is not disturbed; readings it has not yet
                      saved (at most the last two minutes) are not included.
  --metric NAME       Only this metric: cpu, memPressure, swap, diskRead,
                      diskWrite, netIn, netOut, battery, cpuTemperature or
                      fanSpeed. Default: all.
  --since DURATION    Only the last DURATION, such as 90m, 6h, 2d or 1h30m.
  --from DATE         Only from DATE on: 2026-12-01, 2026-12-01T14:30 or
                      2026-12-01T14:30:00+01:00 (local time without offset).
  --to DATE           Only before DATE; a bare date includes that whole day.
  --help              Show this help and exit.
  --version           Show the version and exit.

The CSV has one row per stored sample: the time (ISO 8601, local time with
offset), one column per metric in the stored unit (percent for cpu,
memPressure and battery; bytes for swap; bytes per second for disk and
network), empty where a reading was absent, and a gap column naming why
readings stopped (asleep, notRunning, noReadings) before a row. In an
export of every metric the processor's temperature (cpuTemperature, degrees
Celsius) and the fastest fan (fanSpeed, revolutions per minute) follow the
gap column.
)";

const QStringList valueOptions { QStringLiteral("--export-csv"), QStringLiteral("--metric"), QStringLiteral("--since"),
    QStringLiteral("--from"), QStringLiteral("--to") };
const QStringList flagOptions { QStringLiteral("--help"), QStringLiteral("-h"), QStringLiteral("--version") };

void say(QIODevice &device, const QString &text)
{
    device.write(text.toUtf8());
}

int usageError(QIODevice &err, const QString &message)
{
    say(err, QStringLiteral("voltmere: %1\nTry \"voltmere --help\".\n").arg(message));
    return exitUsage;
}

// The option's name when `argument` is one of ours ("--since" or
// "--since=2h"), else empty.
QString optionName(const QString &argument)
{
    const QString name = argument.section(QLatin1Char('='), 0, 0);
    return valueOptions.contains(name) || flagOptions.contains(argument) ? name : QString();
}

} // namespace

bool isCommand(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!optionName(arguments[i]).isEmpty()) {
            return true;
        }
    }
    return false;
}

std::optional<double> parseDuration(const QString &text)
{
    static const QRegularExpression whole(QStringLiteral("^(?:\\d+(?:\\.\\d+)?[smhdw])+$"));
    static const QRegularExpression part(QStringLiteral("(\\d+(?:\\.\\d+)?)([smhdw])"));
    const QString trimmed = text.trimmed();
    if (!whole.match(trimmed).hasMatch()) {
        return std::nullopt;
    }
    static const std::map<QChar, double> unitSeconds { { QLatin1Char('s'), 1.0 }, { QLatin1Char('m'), 60.0 },
        { QLatin1Char('h'), 3600.0 }, { QLatin1Char('d'), 86400.0 }, { QLatin1Char('w'), 604800.0 } };
    double seconds = 0;
    for (auto it = part.globalMatch(trimmed); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        seconds += match.captured(1).toDouble() * unitSeconds.at(match.captured(2).at(0));
    }
    if (!(seconds > 0) || !std::isfinite(seconds)) {
        return std::nullopt;
    }
    return seconds;
}

std::optional<double> parseDate(const QString &text, bool endOfDay)
{
    const QString trimmed = text.trimmed();
    // QDate reads the first ten characters of anything, so a date and time
    // must not get here.
    const QDate date = trimmed.size() == 10 ? QDate::fromString(trimmed, Qt::ISODate) : QDate();
    if (date.isValid()) {
        const QDate day = endOfDay ? date.addDays(1) : date;
        return static_cast<double>(day.startOfDay().toMSecsSinceEpoch()) / 1000.0;
    }
    // "2026-12-01 14:30" is how people type it; ISO wants the T.
    QString iso = trimmed;
    if (iso.size() > 10 && iso.at(10) == QLatin1Char(' ')) {
        iso[10] = QLatin1Char('T');
    }
    const QDateTime moment = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!moment.isValid() || iso.size() < 16) {
        return std::nullopt;
    }
    return static_cast<double>(moment.toMSecsSinceEpoch()) / 1000.0;
}

int run(const QStringList &arguments, QIODevice &out, QIODevice &err, const QString &databasePath, const Clock &clock)
{
    std::map<QString, QString> values;
    bool help = false;
    bool version = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            help = true;
            continue;
        }
        if (argument == QLatin1String("--version")) {
            version = true;
            continue;
        }
        const QString name = optionName(argument);
        if (name.isEmpty()) {
            return usageError(err, QStringLiteral("unexpected argument \"%1\".").arg(argument));
        }
        if (values.count(name)) {
            return usageError(err, QStringLiteral("%1 is given twice.").arg(name));
        }
        if (argument.contains(QLatin1Char('='))) {
            values[name] = argument.section(QLatin1Char('='), 1);
        } else if (i + 1 < arguments.size()) {
            values[name] = arguments[++i];
        } else {
            return usageError(err, QStringLiteral("%1 needs a value.").arg(name));
        }
    }

    // Closed by whoever started the program (">&-"): nothing written there
    // can arrive.
    const auto outputClosed = [&out, &err] {
        if (out.isWritable()) {
            return false;
        }
        say(err, QStringLiteral("voltmere: standard output is closed.\n"));
        return true;
    };
    if (help || version) {
        if (outputClosed()) {
            return exitFailed;
        }
        say(out, help ? QString::fromUtf8(helpText) : QStringLiteral("voltmere %1\n").arg(AppInfo::versionShort()));
        return exitOK;
    }
    const auto value = [&values](const char *name) -> std::optional<QString> {
        const auto found = values.find(QString::fromLatin1(name));
        return found == values.end() ? std::nullopt : std::optional<QString>(found->second);
    };
    const std::optional<QString> target = value("--export-csv");
    if (!target) {
        return usageError(err, QStringLiteral("--metric, --since, --from and --to go with --export-csv FILE."));
    }
    if (target->isEmpty()) {
        return usageError(err, QStringLiteral("--export-csv needs a file name, or \"-\" for standard output."));
    }

    HistoryExport::Request request;
    if (const auto metric = value("--metric")) {
        request.metric = historyMetricFromRaw(metric->toStdString());
        if (!request.metric) {
            return usageError(err,
                QStringLiteral("there is no metric \"%1\"; use cpu, memPressure, swap, diskRead, diskWrite, netIn, "
                               "netOut, battery, cpuTemperature or fanSpeed.")
                    .arg(*metric));
        }
    }
    if (const auto since = value("--since")) {
        if (value("--from") || value("--to")) {
            return usageError(err, QStringLiteral("use either --since or --from/--to, not both."));
        }
        const std::optional<double> seconds = parseDuration(*since);
        if (!seconds) {
            return usageError(err, QStringLiteral("\"%1\" is not a duration such as 90m, 6h, 2d or 1h30m.").arg(*since));
        }
        request.from = clock.now() - *seconds;
    }
    for (const char *name : { "--from", "--to" }) {
        if (const auto text = value(name)) {
            const bool isTo = QLatin1String(name) == QLatin1String("--to");
            const std::optional<double> moment = parseDate(*text, isTo);
            if (!moment) {
                return usageError(err,
                    QStringLiteral("\"%1\" is not a date such as 2026-12-01 or 2026-12-01T14:30.").arg(*text));
            }
            (isTo ? request.to : request.from) = *moment;
        }
    }
    if (request.from >= request.to) {
        return usageError(err, QStringLiteral("--from must come before --to."));
    }

    // The names of standard output mean the stream itself, whatever it is
    // (a pipe, a terminal, a file opened for appending), exactly as "-".
    static const QStringList standardOutput { QStringLiteral("-"), QStringLiteral("/dev/stdout"),
        QStringLiteral("/dev/fd/1"), QStringLiteral("/proc/self/fd/1") };
    const bool toStandardOutput = standardOutput.contains(*target);
    if (toStandardOutput && outputClosed()) {
        return exitFailed;
    }
    const HistoryExport::Result result = toStandardOutput ? HistoryExport::toDevice(databasePath, request, out)
                                                          : HistoryExport::toFile(databasePath, request, *target);
    if (!result.ok()) {
        say(err, QStringLiteral("voltmere: %1\n").arg(result.error));
        return exitFailed;
    }
    return exitOK;
}

std::optional<int> runIfAsked(int argc, char **argv)
{
    // A standard descriptor the caller closed (">&-") would be the number the
    // next file opened gets, and the log or the CSV would go into that file.
    // Each is held on /dev/null instead, opened so that writing to standard
    // output still fails, as it must when nobody can receive it.
    bool outputClosed = false;
    for (const int fd : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO }) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            outputClosed |= fd == STDOUT_FILENO;
            const int held = ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
            if (held >= 0 && held != fd) {
                ::dup2(held, fd);
                ::close(held);
            }
        }
    }
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    if (!isCommand(arguments)) {
        return std::nullopt;
    }
    QCoreApplication core(argc, argv);
    // Straight to the descriptors, without a buffer in between, so a full
    // disk or a closed output fails the write it belongs to.
    QFile out;
    QFile err;
    const bool outputOpen = !outputClosed
        && out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    int status = run(arguments, out, err, HistoryStore::defaultPath());
    out.close();
    // Some file systems only report a failed write when the file is closed.
    if (outputOpen && ::close(STDOUT_FILENO) != 0 && errno != EINTR && status == exitOK) {
        say(err,
            QStringLiteral("voltmere: standard output could not be written: %1\n")
                .arg(QString::fromLocal8Bit(std::strerror(errno))));
        status = exitFailed;
    }
    return status;
}

} // namespace CommandLine

} // namespace voltmere
