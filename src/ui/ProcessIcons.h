#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace voltmere {

// Finds and remembers the application icon of a process, by process id.
// Hits and misses are both remembered, so a table redrawn every round asks
// the system once per pid; both tables are emptied together when they hold
// more than `bound` entries, since pids get recycled. Main thread only.
namespace ProcessIcons {

inline constexpr int bound = 400;

// How an icon is found; the program's default reads /proc and the installed
// desktop entries. Tests swap in their own.
struct Lookup {
    // The process's executable path; absent when it cannot be read.
    std::function<std::optional<QString>(std::int32_t pid)> executablePath;
    // The icon of the installed application whose desktop entry runs
    // `executable`; null when none does.
    std::function<QImage(const QString &executable)> applicationIcon;
    // The icon the desktop shows for the file or folder at `path`.
    std::function<QImage(const QString &path)> fileIcon;
};

// How this machine finds icons: /proc, the desktop entries and the icon themes.
Lookup defaultLookup();

// The icon for `pid`, or a null image when it has none.
QImage icon(std::int32_t pid);

// Replaces how icons are found and empties both tables. An empty lookup
// restores the default.
void setLookup(Lookup lookup);
// Entries held now (cache plus misses).
int cachedCount();
int missCount();

// For an executable inside an application bundle ("…/Name.app/Contents/…"),
// the bundle's own path ("…/Name.app"): the text before the first ".app/"
// followed by ".app". Absent for any other path.
std::optional<QString> bundlePath(const QString &executable);

} // namespace ProcessIcons

} // namespace voltmere
