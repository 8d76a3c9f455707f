#include "navigation/URLRouter.h"

#include "monitor/Monitor.h"

#include <QRegularExpression>
#include <QUrl>

namespace voltmere::URLRouter {

namespace {

WindowOpener *currentOpener = nullptr;
ShellActions *currentShell = nullptr;

bool isSchemeChar(QChar c, bool first)
{
    const char16_t u = c.unicode();
    const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
    if (first) {
        return letter;
    }
    return letter || (u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.';
}

// The generic address syntax, split by hand because QUrl folds the scheme and
// host to lower case, and "voltmere://OPEN" must not count as "open".
struct Parts {
    QString scheme;
    std::optional<QString> host;
    QString path;
};

std::optional<Parts> split(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < colon; ++i) {
        if (!isSchemeChar(text.at(i), i == 0)) {
            return std::nullopt;
        }
    }
    Parts parts;
    parts.scheme = text.left(colon);
    QString rest = text.mid(colon + 1);
    const qsizetype end = rest.indexOf(QRegularExpression(QStringLiteral("[?#]")));
    if (end >= 0) {
        rest.truncate(end);
    }
    if (rest.startsWith(QLatin1String("//"))) {
        const qsizetype pathStart = rest.indexOf(QLatin1Char('/'), 2);
        QString authority = pathStart < 0 ? rest.mid(2) : rest.mid(2, pathStart - 2);
        parts.path = pathStart < 0 ? QString() : rest.mid(pathStart);
        const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
        if (at >= 0) {
            authority = authority.mid(at + 1);
        }
        const qsizetype portColon = authority.lastIndexOf(QLatin1Char(':'));
        if (portColon >= 0 && !authority.endsWith(QLatin1Char(']'))) {
            authority.truncate(portColon);
        }
        const QString host = QUrl::fromPercentEncoding(authority.toUtf8());
        if (!host.isEmpty()) {
            parts.host = host;
        }
    } else {
        parts.path = rest;
    }
    return parts;
}

} // namespace

Route parse(const QString &url)
{
    const std::optional<Parts> parts = split(url);
    if (!parts || parts->scheme != QLatin1String("voltmere") || !parts->host) {
        return {};
    }
    if (*parts->host == QLatin1String("panel")) {
        return {Route::Kind::panel, std::nullopt};
    }
    if (*parts->host != QLatin1String("open")) {
        return {};
    }
    // Empty components come from doubled or trailing slashes; they are the
    // "/" separators, not names.
    QStringList components;
    for (const QString &raw : parts->path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        components.append(QUrl::fromPercentEncoding(raw.toUtf8()));
    }
    Route route{Route::Kind::open, std::nullopt};
    if (!components.isEmpty()) {
        route.section = dashboardSectionFromRaw(components.first().toStdString());
    }
    return route;
}

WindowOpener *openWindow()
{
    return currentOpener;
}

void setOpenWindow(WindowOpener *opener)
{
    currentOpener = opener;
}

ShellActions *shell()
{
    return currentShell;
}

void setShell(ShellActions *shell)
{
    currentShell = shell;
}

void handle(const QString &url, Monitor &monitor)
{
    const Route route = parse(url);
    switch (route.kind) {
    case Route::Kind::ignore:
        return;
    case Route::Kind::panel:
        clickStatusItem();
        return;
    case Route::Kind::open:
        break;
    }
    // Both setters notify only on change.
    monitor.setSection(route.section.value_or(monitor.section()));
    monitor.setOverviewAnchor(std::nullopt);
    if (currentOpener) {
        currentOpener->openWindow(WindowID::dashboard);
    }
    if (currentShell) {
        currentShell->activateApp();
    }
}

void handle(const QString &url)
{
    handle(url, Monitor::shared());
}

void handleAll(const QStringList &urls, Monitor &monitor)
{
    for (const QString &url : urls) {
        handle(url, monitor);
    }
}

void clickStatusItem()
{
    if (currentShell) {
        currentShell->clickStatusItem();
    }
}

} // namespace voltmere::URLRouter
