#include "ui/CardSurface.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPixmapCache>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace voltmere::CardSurface {

namespace {

double shadowOpacity(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? 0.45 : 0.07;
}

// How far the blurred shadow reaches beyond the card on each side.
constexpr int shadowMargin = static_cast<int>(shadowRadius) + 2;

// One pass of a box blur over the alpha channel, along rows or columns.
void boxBlurAlpha(QImage &image, int radius, bool horizontal)
{
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    std::vector<int> source(static_cast<std::size_t>(length));
    for (int line = 0; line < lines; ++line) {
        auto pixel = [&](int i) -> QRgb * {
            const int x = horizontal ? i : line;
            const int y = horizontal ? line : i;
            return reinterpret_cast<QRgb *>(image.scanLine(y)) + x;
        };
        for (int i = 0; i < length; ++i) {
            source[static_cast<std::size_t>(i)] = qAlpha(*pixel(i));
        }
        int sum = 0;
        for (int i = -radius; i <= radius; ++i) {
            sum += (i >= 0 && i < length) ? source[static_cast<std::size_t>(i)] : 0;
        }
        for (int i = 0; i < length; ++i) {
            *pixel(i) = qRgba(0, 0, 0, sum / (2 * radius + 1));
            const int leaving = i - radius;
            const int entering = i + radius + 1;
            sum -= (leaving >= 0) ? source[static_cast<std::size_t>(leaving)] : 0;
            sum += (entering < length) ? source[static_cast<std::size_t>(entering)] : 0;
        }
    }
}

// The blurred shape of a card of `size`, black at full strength; the
// opacity is applied when drawing. Three box passes approximate a Gaussian
// blur of the shadow radius. Cached: cards are few and keep their sizes.
const QImage &shadowImage(QSize size, qreal cornerRadius)
{
    static QHash<QString, QImage> cache;
    const QString key = QStringLiteral("%1x%2r%3").arg(size.width()).arg(size.height()).arg(cornerRadius);
    auto found = cache.constFind(key);
    if (found != cache.constEnd()) {
        return *found;
    }
    if (cache.size() > 64) {
        cache.clear();
    }
    QImage image(size + QSize(2 * shadowMargin, 2 * shadowMargin), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRectF(QPointF(shadowMargin, shadowMargin), QSizeF(size)), cornerRadius,
                                cornerRadius);
    }
    const int passRadius = std::max(1, static_cast<int>(shadowRadius / 3));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurAlpha(image, passRadius, true);
        boxBlurAlpha(image, passRadius, false);
    }
    return *cache.insert(key, image);
}

// Where a card's shadow is painted: the nearest ancestor, from the card's
// parent up, with room for the whole shadow around the card. A card laid
// flush in its parent (the process table's) would otherwise lose its
// shadow, and its rounded corners would show the clipped shadow as square
// dark fills. The search stops at a window, at a scroll area's viewport
// (which clips anyway) and before climbing past an opaque widget, which
// would cover a shadow painted behind it.
QWidget *shadowHost(const QWidget *card)
{
    QWidget *host = card->parentWidget();
    if (!host) {
        return nullptr;
    }
    QRect needed = card->geometry().adjusted(-shadowMargin, -shadowMargin, shadowMargin,
                                             shadowMargin + static_cast<int>(shadowOffsetY));
    while (!host->rect().contains(needed)) {
        QWidget *up = host->parentWidget();
        if (!up || host->isWindow() || host->autoFillBackground() || host->testAttribute(Qt::WA_OpaquePaintEvent)) {
            break;
        }
        if (auto *area = qobject_cast<QAbstractScrollArea *>(up); area && area->viewport() == host) {
            break;
        }
        needed.translate(host->pos());
        host = up;
    }
    return host;
}

// A transparent layer below every other child of the shadow's host that
// paints the card's shadow from the cache. A blur effect on the card itself
// would re-render and re-blur the whole card on every repaint of anything
// inside it (a live chart, twice a second), which tripled the panel's own
// CPU use; this layer only blits a cached image. It follows the card and
// every widget between the card and the host.
class ShadowLayer final : public QWidget {
public:
    ShadowLayer(QWidget *card, ColorScheme scheme, qreal cornerRadius)
        : QWidget(shadowHost(card))
        , m_card(card)
        , m_scheme(scheme)
        , m_cornerRadius(cornerRadius)
    {
        setObjectName(QStringLiteral("cardShadow"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        Environment::hideFromAccessibility(this);
        follow();
    }

    const QWidget *card() const { return m_card; }

    void setStyle(ColorScheme scheme, qreal cornerRadius)
    {
        if (scheme == m_scheme && cornerRadius == m_cornerRadius) {
            return;
        }
        m_scheme = scheme;
        m_cornerRadius = cornerRadius;
        update();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_card && std::any_of(m_chain.begin(), m_chain.end(), [&](const QPointer<QWidget> &w) { return w == watched; })) {
            switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
            // Hiding a widget that is not on screen yet sends only these.
            case QEvent::ShowToParent:
            case QEvent::HideToParent:
            case QEvent::ParentChange:
                follow();
                break;
            default:
                break;
            }
        }
        return false;
    }

    void paintEvent(QPaintEvent *) override
    {
        if (!m_card || m_card->size().isEmpty()) {
            return;
        }
        QPainter painter(this);
        painter.setOpacity(shadowOpacity(m_scheme));
        painter.drawImage(QPointF(0, shadowOffsetY), shadowImage(m_card->size(), m_cornerRadius));
    }

private:
    void follow()
    {
        QWidget *host = shadowHost(m_card);
        if (!host) {
            hide();
            return;
        }
        if (host != parentWidget()) {
            setParent(host);
        }
        // Watch the card and each widget between it and the host: any of
        // them moving moves the card within the host.
        QList<QPointer<QWidget>> chain;
        for (QWidget *w = m_card; w && w != host; w = w->parentWidget()) {
            chain.append(w);
        }
        if (chain != m_chain) {
            for (const QPointer<QWidget> &w : std::as_const(m_chain)) {
                if (w) {
                    w->removeEventFilter(this);
                }
            }
            m_chain = chain;
            for (const QPointer<QWidget> &w : std::as_const(m_chain)) {
                w->installEventFilter(this);
            }
        }
        const QRect card(m_card->mapTo(host, QPoint(0, 0)), m_card->size());
        setGeometry(card.adjusted(-shadowMargin, -shadowMargin, shadowMargin, shadowMargin));
        setVisible(m_card->isVisibleTo(host));
        lower();
    }

    QPointer<QWidget> m_card;
    ColorScheme m_scheme;
    qreal m_cornerRadius;
    QList<QPointer<QWidget>> m_chain;
};

// Ties a card to its shadow: the shadow goes when the card goes, wherever
// the shadow lives.
class ShadowLink final : public QObject {
public:
    ShadowLink(QWidget *card, ShadowLayer *layer)
        : QObject(card)
        , layer(layer)
    {
        setObjectName(QStringLiteral("voltmere.shadowLink"));
    }
    ~ShadowLink() override
    {
        if (layer) {
            layer->deleteLater();
        }
    }

    QPointer<ShadowLayer> layer;
};

} // namespace

namespace {

void paintDirectly(QPainter &painter, const QRectF &rect, qreal cornerRadius, bool highlighted, ColorScheme scheme)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, Theme::cardFillTop.resolve(scheme));
    fill.setColorAt(1, Theme::cardFillBottom.resolve(scheme));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, cornerRadius, cornerRadius);

    // The border sits inside the shape: inset by half its width.
    const QRectF borderRect = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QPen pen;
    pen.setWidthF(1.0);
    if (highlighted) {
        pen.setColor(Theme::mint.opacity(0.7).resolve(scheme));
    } else {
        QLinearGradient stroke(rect.topLeft(), rect.bottomLeft());
        stroke.setColorAt(0, Theme::cardBorderTop.resolve(scheme));
        stroke.setColorAt(0.5, Theme::cardStroke.resolve(scheme));
        stroke.setColorAt(1, Theme::cardStroke.resolve(scheme));
        pen.setBrush(stroke);
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(borderRect, cornerRadius - 0.5, cornerRadius - 0.5);
    painter.restore();
}

} // namespace

void paint(QPainter &painter, const QRectF &rect, qreal cornerRadius, bool highlighted, ColorScheme scheme)
{
    // A card repaints whenever anything on it changes (a figure, a chart
    // frame); its surface only changes with its size, so it is drawn once
    // into an image and blitted after that.
    const QSize size = rect.size().toSize();
    if (QSizeF(size) != rect.size() || size.isEmpty()) {
        paintDirectly(painter, rect, cornerRadius, highlighted, scheme);
        return;
    }
    const qreal dpr = Environment::pixelRatio(painter);
    const QString key = QStringLiteral("voltmere.card.%1x%2.r%3.h%4.s%5.d%6")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(cornerRadius)
                            .arg(int(highlighted))
                            .arg(int(scheme))
                            .arg(dpr);
    QPixmap surface;
    if (!QPixmapCache::find(key, &surface)) {
        surface = QPixmap((QSizeF(size) * dpr).toSize());
        surface.setDevicePixelRatio(dpr);
        surface.fill(Qt::transparent);
        QPainter surfacePainter(&surface);
        paintDirectly(surfacePainter, QRectF(QPointF(0, 0), QSizeF(size)), cornerRadius, highlighted, scheme);
        surfacePainter.end();
        QPixmapCache::insert(key, surface);
    }
    painter.drawPixmap(rect.topLeft(), surface);
}

void applyShadow(QWidget *widget, ColorScheme scheme, qreal cornerRadius)
{
    if (!widget->parentWidget()) {
        return;
    }
    auto *link = widget->findChild<ShadowLink *>(QStringLiteral("voltmere.shadowLink"), Qt::FindDirectChildrenOnly);
    if (link && link->layer) {
        link->layer->setStyle(scheme, cornerRadius);
        return;
    }
    delete link;
    new ShadowLink(widget, new ShadowLayer(widget, scheme, cornerRadius));
}

QWidget *shadowOf(const QWidget *widget)
{
    const auto *link =
        widget->findChild<ShadowLink *>(QStringLiteral("voltmere.shadowLink"), Qt::FindDirectChildrenOnly);
    return link ? link->layer.data() : nullptr;
}

} // namespace voltmere::CardSurface
