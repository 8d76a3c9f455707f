#include "platform/linux/XdgAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace voltmere {

namespace {

// The value of `key` in the [Desktop Entry] group, absent when not there.
std::optional<QString> entryValue(const QByteArray &text, const QByteArray &key)
{
    bool inMainGroup = false;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) {
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed() == key) {
            return QString::fromUtf8(line.mid(equals + 1).trimmed());
        }
    }
    return std::nullopt;
}

} // namespace

XdgAutostart::XdgAutostart(QString configHome, QString program)
    : m_configHome(std::move(configHome))
    , m_program(std::move(program))
{
}

QString XdgAutostart::entryPath() const
{
    return QDir(m_configHome).filePath(QStringLiteral("autostart/voltmere.desktop"));
}

QString XdgAutostart::execArgument(const QString &program)
{
    // Inside a quoted argument ", `, $ and \ take a backslash; then the whole
    // value is a desktop-entry string, where a backslash is itself escaped,
    // and % introduces field codes, so a literal one is doubled.
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray XdgAutostart::entryText(const QString &program)
{
    QByteArray text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=Voltmere\n";
    text += "Comment=Battery, CPU and memory at a glance\n";
    // Once the program is gone (the package removed), desktops skip the
    // entry instead of failing to start it at every login. TryExec is a plain
    // string: only a backslash needs escaping.
    text += "TryExec=" + QString(program).replace(QLatin1Char('\\'), QStringLiteral("\\\\")).toUtf8() + "\n";
    text += "Exec=" + execArgument(program).toUtf8() + "\n";
    text += "Icon=voltmere\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

LoginItemStatus XdgAutostart::status() const
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly)) {
        return LoginItemStatus::notRegistered;
    }
    const QByteArray text = file.read(64 * 1024);
    // A session's startup settings switch an entry off by marking it, not by
    // deleting it.
    if (entryValue(text, "Hidden").value_or(QString()) == QLatin1String("true")
        || entryValue(text, "X-GNOME-Autostart-enabled").value_or(QString()) == QLatin1String("false")) {
        return LoginItemStatus::notRegistered;
    }
    const std::optional<QString> exec = entryValue(text, "Exec");
    if (!exec || exec->isEmpty()) {
        return LoginItemStatus::notRegistered;
    }
    // An entry left behind by a program that has since moved starts nothing.
    if (*exec == execArgument(m_program) && !QFileInfo(m_program).isExecutable()) {
        return LoginItemStatus::notFound;
    }
    return LoginItemStatus::enabled;
}

std::optional<QString> XdgAutostart::registerItem()
{
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return QStringLiteral("The folder %1 could not be created.").arg(QFileInfo(path).absolutePath());
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
    }
    file.write(entryText(m_program));
    if (!file.commit()) {
        return QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
    }
    return std::nullopt;
}

std::optional<QString> XdgAutostart::unregisterItem()
{
    QFile file(entryPath());
    if (!file.exists()) {
        return std::nullopt;
    }
    if (!file.remove()) {
        return QStringLiteral("%1 could not be removed: %2").arg(entryPath(), file.errorString());
    }
    return std::nullopt;
}

LoginItemService &LoginItemService::forThisMachine()
{
    static XdgAutostart service(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                                QCoreApplication::applicationFilePath());
    return service;
}

} // namespace voltmere
