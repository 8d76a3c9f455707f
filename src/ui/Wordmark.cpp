#include "ui/Wordmark.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace voltmere {

namespace {

const QString firstHalf = QStringLiteral("Volt");
const QString secondHalf = QStringLiteral("mere");

class WordmarkAccessible final : public QAccessibleWidget {
public:
    explicit WordmarkAccessible(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::Heading)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? QStringLiteral("Voltmere") : QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *wordmarkFactory(const QString &, QObject *object)
{
    if (auto *wordmark = qobject_cast<Wordmark *>(object)) {
        return new WordmarkAccessible(wordmark);
    }
    return nullptr;
}

} // namespace

Wordmark::Wordmark(qreal size, QWidget *parent)
    : QWidget(parent)
    , m_size(size)
{
    static const bool installed = [] {
        QAccessible::installFactory(wordmarkFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setAccessibleName(QStringLiteral("Voltmere"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QFont Wordmark::wordFont() const
{
    return Theme::font(m_size, QFont::Bold, true);
}

QSize Wordmark::sizeHint() const
{
    const QFontMetricsF metrics(wordFont());
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(firstHalf + secondHalf))) + 2,
            static_cast<int>(std::ceil(metrics.height()))};
}

void Wordmark::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const QFont font = wordFont();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(QPointF(0, baseline), firstHalf);
    // Advance of the whole word minus the second half keeps the kerning
    // between the halves.
    const qreal split = metrics.horizontalAdvance(firstHalf + secondHalf) - metrics.horizontalAdvance(secondHalf);
    painter.setPen(Theme::mint.resolve(scheme));
    painter.drawText(QPointF(split, baseline), secondHalf);
}

} // namespace voltmere
