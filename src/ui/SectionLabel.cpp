#include "ui/SectionLabel.h"

#include "ui/Theme.h"

#include <QCoreApplication>
#include <QLocale>

namespace voltmere {

SectionLabel::SectionLabel(const QString &text, QWidget *parent)
    : TextComponent(parent)
{
    const QString translated = QCoreApplication::translate("voltmere", text.toUtf8().constData());
    setText(QLocale().toUpper(translated));
    setTextFont(Theme::label());
    setColor(Theme::muted);
    setAccessibleName(translated);
}

} // namespace voltmere
