#include "menubar/view/TileButton.h"

#include "ui/CardSurface.h"
#include "ui/Environment.h"
#include "ui/FocusRing.h"
#include "ui/PressableStyle.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include "ui/Accessibility.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QVBoxLayout>

namespace voltmere {

namespace {

// A tile is announced with what it shows, not only with the place it opens:
// tabbing to the CPU tile reads "CPU: 37%, …". The readings stay in the tree
// as the tile's children too, for reading element by element.
class TileAccessible final : public QAccessibleWidget {
public:
    explicit TileAccessible(TileButton *tile)
        : QAccessibleWidget(tile, QAccessible::Button)
    {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }

    QString text(QAccessible::Text t) const override
    {
        const auto *tile = static_cast<const TileButton *>(widget());
        if (t == QAccessible::Name) {
            const QStringList said = Accessibility::readings(tile->content());
            return said.isEmpty() ? tile->label()
                                  : tile->label() + QStringLiteral(": ") + said.join(QStringLiteral(", "));
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return QStringList{QAccessibleActionInterface::pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) override
    {
        if (name == QAccessibleActionInterface::pressAction()) {
            static_cast<TileButton *>(widget())->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface *tileFactory(const QString &, QObject *object)
{
    if (auto *tile = qobject_cast<TileButton *>(object)) {
        return new TileAccessible(tile);
    }
    return nullptr;
}

} // namespace

TileButton::TileButton(const QString &label, QWidget *content, QWidget *parent)
    : QAbstractButton(parent)
    , m_label(label)
    , m_content(content)
{
    static const bool installed = [] {
        QAccessible::installFactory(tileFactory);
        return true;
    }();
    Q_UNUSED(installed);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->addWidget(content);
    // Clicks anywhere on the card belong to the button: the content ignores
    // presses, which pass up to it. The content still takes the pointer, so
    // an "Unavailable" inside shows its reason on hover.
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setAccessibleName(label);
    setAccessibleDescription(QStringLiteral("Opens ") + label + QStringLiteral(" in the dashboard"));
    PressableStyle::attach(this);
    FocusRing::attach(this, cornerRadius);
    CardSurface::applyShadow(this, Environment::colorScheme(this), cornerRadius);
}

QSize TileButton::sizeHint() const
{
    return layout()->sizeHint();
}

QSize TileButton::minimumSizeHint() const
{
    return layout()->minimumSize();
}

bool TileButton::hasHeightForWidth() const
{
    return layout()->hasHeightForWidth();
}

int TileButton::heightForWidth(int width) const
{
    return layout()->heightForWidth(width);
}

void TileButton::enterEvent(QEnterEvent *event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TileButton::leaveEvent(QEvent *event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TileButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const ColorScheme scheme = Environment::colorScheme(this);
    // The shadow's strength follows the scheme, which may have changed.
    CardSurface::applyShadow(this, scheme, cornerRadius);
    CardSurface::paint(painter, QRectF(rect()), cornerRadius, m_hovering, scheme);
    if (m_hovering) {
        // The arrow says "this opens elsewhere"; 9-point glyph, 8 from the corner.
        const qreal side = 9;
        Symbols::paint(painter, QRectF(width() - 8 - side, 8, side, side), QStringLiteral("arrow.up.right"),
                       Theme::mint.resolve(scheme));
    }
}

} // namespace voltmere
