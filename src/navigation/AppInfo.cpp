#include "navigation/AppInfo.h"

namespace voltmere::AppInfo {

#ifndef VOLTMERE_VERSION
#define VOLTMERE_VERSION ""
#endif
#ifndef VOLTMERE_BUILD_NUMBER
#define VOLTMERE_BUILD_NUMBER ""
#endif

const QUrl &website()
{
    static const QUrl url(QStringLiteral("https://voltmere.app/"));
    return url;
}

QString buildValue(const char *fromBuild, const QString &fallback)
{
    const QString value = QString::fromUtf8(fromBuild ? fromBuild : "").trimmed();
    return value.isEmpty() ? fallback : value;
}

QString versionShort()
{
    return buildValue(VOLTMERE_VERSION, QStringLiteral("0.1.0"));
}

QString buildNumber()
{
    return buildValue(VOLTMERE_BUILD_NUMBER, QStringLiteral("1"));
}

const std::vector<Source> &sources()
{
    // The texts name the original data sources on purpose; they are the
    // wording the About window has always shown.
    static const std::vector<Source> table{
        {QStringLiteral("CPU"),
         QStringLiteral("host_statistics tick deltas. Per-process CPU is proc_pid_rusage, where 100% is one core.")},
        {QStringLiteral("Memory"),
         QStringLiteral("kern.memorystatus pressure and level, plus host_statistics64 for app, wired, and compressed "
                        "memory.")},
        {QStringLiteral("Swap"), QStringLiteral("vm.swapusage.")},
        {QStringLiteral("Disk"), QStringLiteral("I/O Registry IOBlockStorageDriver statistics.")},
        {QStringLiteral("Network"), QStringLiteral("sysctl NET_RT_IFLIST2 counters, excluding loopback and tunnels.")},
        {QStringLiteral("Battery"),
         QStringLiteral("IOPowerSources for level, state, and adapter. Cycle count, capacity, and temperature come from "
                        "AppleSmartBattery, which is read-only and not a formally documented API.")},
    };
    return table;
}

} // namespace voltmere::AppInfo
