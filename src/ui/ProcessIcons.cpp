#include "ui/ProcessIcons.h"

#include "ui/DesktopEntries.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <QCoreApplication>


namespace voltmere::ProcessIcons {

namespace {

// Pixels of the image kept per process; views scale it down.
constexpr int imageSize = 64;

std::optional<QString> procExecutable(std::int32_t pid)
{
    const QString target = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    if (target.isEmpty()) {
        return std::nullopt;
    }
    // The kernel marks a replaced or removed program; its name still tells
    // which application it was.
    static const QString deleted = QStringLiteral(" (deleted)");
    return target.endsWith(deleted) ? target.chopped(deleted.size()) : target;
}

// Application icons live outside the monochrome symbol folders: the
// desktop's theme first, then Breeze's and hicolor's application folders
// (which Qt does not find on its own on the offscreen platform), then the
// old pixmaps folder.
QImage themeIcon(const QString &name)
{
    if (QFileInfo(name).isAbsolute()) {
        return QFileInfo::exists(name) ? QIcon(name).pixmap(imageSize).toImage() : QImage();
    }
    if (!QIcon::themeName().isEmpty() && QIcon::hasThemeIcon(name)) {
        return QIcon::fromTheme(name).pixmap(imageSize).toImage();
    }
    QStringList roots;
    for (const QString &dataDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        roots.append(QDir(dataDir).filePath(QStringLiteral("icons")));
    }
    roots.append(QStringLiteral("/usr/share/icons"));
    static const QStringList places{
        QStringLiteral("breeze/apps/48"),          QStringLiteral("breeze/apps/64"),
        QStringLiteral("breeze/apps/32"),          QStringLiteral("hicolor/scalable/apps"),
        QStringLiteral("hicolor/256x256/apps"),    QStringLiteral("hicolor/128x128/apps"),
        QStringLiteral("hicolor/64x64/apps"),      QStringLiteral("hicolor/48x48/apps"),
        QStringLiteral("hicolor/32x32/apps")};
    static const QStringList suffixes{QStringLiteral(".svg"), QStringLiteral(".png")};
    QStringList candidates;
    for (const QString &root : roots) {
        for (const QString &place : places) {
            for (const QString &suffix : suffixes) {
                candidates.append(QStringLiteral("%1/%2/%3%4").arg(root, place, name, suffix));
            }
        }
    }
    for (const QString &suffix : suffixes) {
        candidates.append(QStringLiteral("/usr/share/pixmaps/") + name + suffix);
    }
    for (const QString &path : candidates) {
        if (QFileInfo::exists(path)) {
            return QIcon(path).pixmap(imageSize).toImage();
        }
    }
    return {};
}

QImage desktopEntryIcon(const QString &executable)
{
    // Scanned once, the first time an icon is asked for: entries installed
    // later are picked up at the next start.
    static const DesktopEntries entries(DesktopEntries::standardDataDirs());
    const std::optional<QString> name = entries.iconFor(executable);
    return name ? themeIcon(*name) : QImage();
}

QImage workspaceFileIcon(const QString &path)
{
    static QFileIconProvider provider;
    return provider.icon(QFileInfo(path)).pixmap(imageSize).toImage();
}


struct Tables {
    Lookup lookup = defaultLookup();
    QHash<std::int32_t, QImage> cache;
    QSet<std::int32_t> misses;
};

Tables &tables()
{
    static Tables t;
    return t;
}

void assertMainThread()
{
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread());
}

} // namespace

Lookup defaultLookup()
{
    return {procExecutable, desktopEntryIcon, workspaceFileIcon};
}

std::optional<QString> bundlePath(const QString &executable)
{
    static const QString marker = QStringLiteral(".app/");
    const qsizetype at = executable.indexOf(marker);
    if (at < 0) {
        return std::nullopt;
    }
    return executable.left(at) + QStringLiteral(".app");
}

QImage icon(std::int32_t pid)
{
    assertMainThread();
    Tables &t = tables();
    const auto cached = t.cache.constFind(pid);
    if (cached != t.cache.constEnd()) {
        return *cached;
    }
    if (t.misses.contains(pid)) {
        return {};
    }
    if (t.cache.size() + t.misses.size() > bound) {
        t.cache.clear();
        t.misses.clear();
    }
    QImage found;
    const std::optional<QString> path = t.lookup.executablePath ? t.lookup.executablePath(pid) : std::nullopt;
    if (path) {
        // An installed application that runs this program.
        if (t.lookup.applicationIcon) {
            found = t.lookup.applicationIcon(*path);
        }
        // A helper inside an application bundle shows the bundle's icon.
        if (found.isNull() && t.lookup.fileIcon) {
            if (const std::optional<QString> bundle = bundlePath(*path)) {
                found = t.lookup.fileIcon(*bundle);
            }
        }
    }
    if (found.isNull()) {
        t.misses.insert(pid);
        return {};
    }
    t.cache.insert(pid, found);
    return found;
}

void setLookup(Lookup lookup)
{
    assertMainThread();
    Tables &t = tables();
    const bool empty = !lookup.executablePath && !lookup.applicationIcon && !lookup.fileIcon;
    t.lookup = empty ? defaultLookup() : std::move(lookup);
    t.cache.clear();
    t.misses.clear();
}

int cachedCount()
{
    return static_cast<int>(tables().cache.size());
}

int missCount()
{
    return static_cast<int>(tables().misses.size());
}

} // namespace voltmere::ProcessIcons
