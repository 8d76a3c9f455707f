#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace voltmere {

// The installed applications' desktop entries, reduced to what finds an
// application's icon from its running executable: the file name of the
// program each entry runs (Exec and TryExec) mapped to the entry's Icon.
class DesktopEntries {
public:
    struct Entry {
        QStringList programs; // executable file names, without folders
        QString icon;         // a theme icon name or an absolute file path
    };

    // Reads every `applications/*.desktop` (recursively) under `dataDirs`,
    // earlier folders winning, as the XDG lookup order asks.
    explicit DesktopEntries(const QStringList &dataDirs);
    // The XDG data folders of this user ($XDG_DATA_HOME, then $XDG_DATA_DIRS).
    static QStringList standardDataDirs();

    // The [Desktop Entry] group of one file; absent for a hidden entry, one
    // without an Icon or without a program.
    static std::optional<Entry> parse(QStringView text);
    // The file name of the program an Exec line runs: its first word,
    // quotes removed, an "env VAR=…" prefix skipped.
    static QString programOf(QStringView exec);

    // The icon of the entry that runs `executable` (a path or a file name).
    std::optional<QString> iconFor(const QString &executable) const;
    qsizetype size() const { return m_icons.size(); }

private:
    QHash<QString, QString> m_icons; // program file name → icon
};

} // namespace voltmere
