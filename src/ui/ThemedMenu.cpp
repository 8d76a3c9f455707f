#include "ui/ThemedMenu.h"

#include "ui/Theme.h"

#include <QEvent>
#include <QMenu>
#include <QPainterPath>
#include <QPolygon>
#include <QRegion>

namespace voltmere::ThemedMenu {

namespace {

QString css(const QColor &color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF());
}

// Keeps the window's shape rounded as the menu takes its size.
class RoundMask final : public QObject {
public:
    explicit RoundMask(QMenu *menu)
        : QObject(menu)
    {
        setObjectName(QStringLiteral("voltmere.roundMask"));
        menu->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
            auto *menu = static_cast<QMenu *>(watched);
            QPainterPath path;
            path.addRoundedRect(QRectF(menu->rect()), cornerRadius, cornerRadius);
            menu->setMask(QRegion(path.toFillPolygon().toPolygon()));
        }
        return false;
    }
};

} // namespace

void apply(QMenu *menu, ColorScheme scheme)
{
    if (!menu->findChild<RoundMask *>(QStringLiteral("voltmere.roundMask"), Qt::FindDirectChildrenOnly)) {
        new RoundMask(menu);
    }
    menu->setFont(Theme::font(13));
    const QString sheet = QStringLiteral(
        "QMenu { background: %1; border: 1px solid %2; border-radius: %3px; padding: 6px; color: %4; }"
        "QMenu::item { padding: 5px 16px 5px 26px; border-radius: 6px; background: transparent; }"
        "QMenu::item:selected { background: %5; color: %4; }"
        "QMenu::item:disabled { color: %6; }"
        "QMenu::separator { height: 1px; background: %2; margin: 5px 8px; }"
        "QMenu::indicator { width: 12px; height: 12px; left: 8px; }");
    menu->setStyleSheet(sheet.arg(css(Theme::cardFillTop.resolve(scheme)), css(Theme::cardStroke.resolve(scheme)))
                            .arg(cornerRadius)
                            .arg(css(Theme::text.resolve(scheme)), css(Theme::mint.opacity(0.16).resolve(scheme)),
                                 css(Theme::muted.resolve(scheme))));
}

} // namespace voltmere::ThemedMenu
