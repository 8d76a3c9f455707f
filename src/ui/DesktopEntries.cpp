#include "ui/DesktopEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace voltmere {

namespace {

QString fileNameOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

// The words of an Exec line; double quotes group, a backslash escapes.
QStringList words(QStringView exec)
{
    QStringList out;
    QString current;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
            current.append(exec.at(++i));
            any = true;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c.isSpace() && !quoted) {
            if (any) {
                out.append(current);
                current.clear();
                any = false;
            }
        } else {
            current.append(c);
            any = true;
        }
    }
    if (any) {
        out.append(current);
    }
    return out;
}

} // namespace

QString DesktopEntries::programOf(QStringView exec)
{
    const QStringList parts = words(exec);
    qsizetype i = 0;
    // "env FOO=1 program …" runs program.
    if (i < parts.size() && fileNameOf(parts.at(i)) == QLatin1String("env")) {
        ++i;
        while (i < parts.size() && (parts.at(i).contains(QLatin1Char('=')) || parts.at(i).startsWith(QLatin1Char('-')))) {
            ++i;
        }
    }
    return i < parts.size() ? fileNameOf(parts.at(i)) : QString();
}

std::optional<DesktopEntries::Entry> DesktopEntries::parse(QStringView text)
{
    Entry entry;
    bool inMainGroup = false;
    bool hidden = false;
    for (QStringView line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup) {
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            continue;
        }
        const QStringView key = line.left(eq).trimmed();
        const QStringView value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Icon")) {
            entry.icon = value.toString();
        } else if (key == QLatin1String("Exec") || key == QLatin1String("TryExec")) {
            const QString program = programOf(value);
            if (!program.isEmpty() && !entry.programs.contains(program)) {
                entry.programs.append(program);
            }
        } else if (key == QLatin1String("Hidden")) {
            hidden = value == QLatin1String("true");
        }
    }
    if (hidden || entry.icon.isEmpty() || entry.programs.isEmpty()) {
        return std::nullopt;
    }
    return entry;
}

QStringList DesktopEntries::standardDataDirs()
{
    QStringList dirs;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    dirs.append(home.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : home);
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty()) {
        system = QStringLiteral("/usr/local/share:/usr/share");
    }
    for (const QString &dir : system.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        dirs.append(dir);
    }
    return dirs;
}

DesktopEntries::DesktopEntries(const QStringList &dataDirs)
{
    for (const QString &dataDir : dataDirs) {
        QDirIterator it(QDir(dataDir).filePath(QStringLiteral("applications")), {QStringLiteral("*.desktop")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            // Desktop entries are a few kilobytes; anything larger is not one.
            if (file.size() > 256 * 1024 || !file.open(QIODevice::ReadOnly)) {
                continue;
            }
            const std::optional<Entry> entry = parse(QString::fromUtf8(file.readAll()));
            if (!entry) {
                continue;
            }
            for (const QString &program : entry->programs) {
                if (!m_icons.contains(program)) {
                    m_icons.insert(program, entry->icon);
                }
            }
        }
    }
}

std::optional<QString> DesktopEntries::iconFor(const QString &executable) const
{
    const auto found = m_icons.constFind(fileNameOf(executable));
    if (found == m_icons.constEnd()) {
        return std::nullopt;
    }
    return *found;
}

} // namespace voltmere
