#pragma once

#include <QString>
#include <QUrl>

#include <utility>
#include <vector>

namespace voltmere {

// Read-only facts about this build of the program, shown by About and used
// by the Help command. Callable from any thread.
namespace AppInfo {

struct Source {
    QString title;
    QString text;
};

// The product website; always a valid absolute web address.
const QUrl &website();
// The marketing version of this build, "0.1.0" when the build did not set one.
QString versionShort();
// The build number of this build, "1" when the build did not set one.
QString buildNumber();
// Where each reading comes from on this platform, in display order.
const std::vector<Source> &sources();

// The rule behind versionShort()/buildNumber(): an empty value from the build
// falls back to `fallback`.
QString buildValue(const char *fromBuild, const QString &fallback);

} // namespace AppInfo

} // namespace voltmere
