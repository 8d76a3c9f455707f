#include "navigation/AppInfo.h"

#include "platform/PlatformText.h"

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
    using PlatformText::Name;
    static const std::vector<Source> table{
        {QStringLiteral("CPU"), PlatformText::say(Name::cpuSource)},
        {QStringLiteral("Memory"), PlatformText::say(Name::memorySource)},
        {QStringLiteral("Swap"), PlatformText::say(Name::swapSource)},
        {QStringLiteral("Disk"), PlatformText::say(Name::diskSource)},
        {QStringLiteral("Network"), PlatformText::say(Name::networkSource)},
        {QStringLiteral("Battery"), PlatformText::say(Name::batterySource)},
        {QStringLiteral("Temperatures and fans"), PlatformText::say(Name::sensorsSource)},
    };
    return table;
}

} // namespace voltmere::AppInfo
