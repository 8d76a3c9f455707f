#include "platform/linux/StatusNotifierItem.h"

#include "platform/TrayHostWatcher.h"
#include "platform/linux/DBusMenuExporter.h"
#include "platform/linux/StatusNotifierItemAdaptor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <cmath>

namespace voltmere {

namespace {

const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

// Each item in this process gets a name of its own (tests make several).
int nextItemNumber()
{
    static int number = 0;
    return ++number;
}

} // namespace

std::unique_ptr<TrayItem> TrayItem::createForThisMachine(TrayHostWatcher &host, QObject *parent)
{
    return std::make_unique<StatusNotifierItem>(QDBusConnection::sessionBus(), host, parent);
}

StatusNotifierItem::StatusNotifierItem(const QDBusConnection &bus, TrayHostWatcher &host, QObject *parent)
    : TrayItem(parent)
    , m_bus(bus)
    , m_host(host)
    , m_menu(new DBusMenuExporter(this))
    , m_adaptor(new StatusNotifierItemAdaptor(*this))
    , m_service(QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(nextItemNumber()))
    , m_title(QCoreApplication::applicationName())
{
    connect(&m_host, &TrayHostWatcher::appeared, this, [this] {
        if (m_wanted) {
            registerWithTray();
        }
    });
    connect(&m_host, &TrayHostWatcher::lost, this, [this] {
        ++m_attempt;
        setShown(false);
    });
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_onBus) {
        m_bus.unregisterService(m_service);
        m_bus.unregisterObject(menuPath);
        m_bus.unregisterObject(itemPath);
    }
}

void StatusNotifierItem::show()
{
    m_wanted = true;
    if (!m_onBus && m_bus.isConnected()) {
        sni::registerTypes();
        const bool exported = m_bus.registerObject(itemPath, this, QDBusConnection::ExportAdaptors)
            && m_bus.registerObject(menuPath, m_menu,
                                    QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSlots
                                        | QDBusConnection::ExportAllSignals)
            && m_bus.registerService(m_service);
        if (!exported) {
            m_bus.unregisterObject(menuPath);
            m_bus.unregisterObject(itemPath);
            return;
        }
        m_onBus = true;
    }
    if (m_onBus && m_host.isAvailable()) {
        registerWithTray();
    }
}

void StatusNotifierItem::registerWithTray()
{
    if (!m_onBus) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(watcherService, watcherPath, watcherService,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_service;
    const int attempt = ++m_attempt;
    // Asked without waiting: the tray belongs to another program, which must
    // never hold this one up.
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, attempt] {
        pending->deleteLater();
        if (attempt != m_attempt) {
            return;
        }
        if (pending->isError()) {
            setShown(false);
            return;
        }
        learnTrayProgram();
        setShown(true);
    });
}

void StatusNotifierItem::learnTrayProgram()
{
    QDBusMessage ask = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                      QStringLiteral("/org/freedesktop/DBus"),
                                                      QStringLiteral("org.freedesktop.DBus"),
                                                      QStringLiteral("GetConnectionUnixProcessID"));
    ask << watcherService;
    const int attempt = m_attempt;
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, 5000), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, attempt] {
        pending->deleteLater();
        const QDBusMessage reply = pending->reply();
        if (attempt != m_attempt || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return;
        }
        QFile comm(QStringLiteral("/proc/%1/comm").arg(reply.arguments().constFirst().toUInt()));
        const QString program =
            comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
        setTraits(traitsOf(program));
    });
}

StatusNotifierItem::Traits StatusNotifierItem::traitsOf(const QString &trayProgram)
{
    if (trayProgram == QLatin1String("gnome-shell")) {
        return {true, ColorScheme::dark};
    }
    // The kernel keeps 15 characters of a command name.
    if (QStringLiteral("ayatana-indicator-application-service").startsWith(trayProgram) && trayProgram.size() >= 15) {
        return {true, std::nullopt};
    }
    return {};
}

void StatusNotifierItem::setShown(bool shown)
{
    if (!shown) {
        setTraits({});
    }
    if (m_shown != shown) {
        m_shown = shown;
        Q_EMIT hostChanged();
    }
}

void StatusNotifierItem::setTraits(const Traits &traits)
{
    if (m_traits != traits) {
        m_traits = traits;
        Q_EMIT hostChanged();
    }
}

std::optional<QPoint> StatusNotifierItem::pointFromTray(int x, int y,
                                                        const std::vector<std::pair<QRect, qreal>> &screens)
{
    if (x == 0 && y == 0) {
        return std::nullopt;
    }
    const QPoint device(x, y);
    for (const auto &[geometry, ratio] : screens) {
        const QRect pixels(geometry.topLeft(), QSize(static_cast<int>(std::lround(geometry.width() * ratio)),
                                                     static_cast<int>(std::lround(geometry.height() * ratio))));
        if (pixels.contains(device)) {
            const QPoint offset = device - geometry.topLeft();
            return geometry.topLeft()
                + QPoint(static_cast<int>(std::lround(offset.x() / ratio)),
                         static_cast<int>(std::lround(offset.y() / ratio)));
        }
    }
    return device;
}

std::optional<QPoint> StatusNotifierItem::pointFromTray(int x, int y) const
{
    std::vector<std::pair<QRect, qreal>> screens;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        for (const QScreen *screen : QGuiApplication::screens()) {
            screens.emplace_back(screen->geometry(), screen->devicePixelRatio());
        }
    }
    return pointFromTray(x, y, screens);
}

void StatusNotifierItem::setIcon(const std::vector<QImage> &sizes)
{
    QList<sni::IconPixmap> icon;
    for (const QImage &image : sizes) {
        icon.append(sni::toIconPixmap(image));
    }
    if (icon != m_icon) {
        m_icon = std::move(icon);
        Q_EMIT m_adaptor->NewIcon();
    }
}

void StatusNotifierItem::setLabel(const QString &text, const QString &widest)
{
    if (text != m_label || widest != m_labelGuide) {
        m_label = text;
        m_labelGuide = widest;
        Q_EMIT m_adaptor->XAyatanaNewLabel(m_label, m_labelGuide);
    }
}

void StatusNotifierItem::setToolTip(const QString &title, const QString &text)
{
    if (title != m_toolTip.title || text != m_toolTip.text) {
        m_toolTip.title = title;
        m_toolTip.text = text;
        Q_EMIT m_adaptor->NewToolTip();
    }
}

void StatusNotifierItem::setTitle(const QString &title)
{
    if (title != m_title) {
        m_title = title;
        Q_EMIT m_adaptor->NewTitle();
    }
}

void StatusNotifierItem::setNeedsAttention(bool needsAttention)
{
    if (needsAttention != m_needsAttention) {
        m_needsAttention = needsAttention;
        Q_EMIT m_adaptor->NewStatus(status());
    }
}

void StatusNotifierItem::setMenu(std::vector<TrayMenuEntry> entries)
{
    m_menu->setEntries(std::move(entries));
}

void StatusNotifierItem::activate(int x, int y)
{
    const std::optional<QPoint> at = pointFromTray(x, y);
    QTimer::singleShot(0, this, [this, at] { Q_EMIT activated(at); });
}

void StatusNotifierItem::requestContextMenu(int x, int y)
{
    const std::optional<QPoint> at = pointFromTray(x, y);
    QTimer::singleShot(0, this, [this, at] { Q_EMIT contextMenuRequested(at); });
}

} // namespace voltmere
