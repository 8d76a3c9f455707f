#include "dashboard/Theme.h"

namespace voltmere::Theme {

QString fontFamily()
{
    return QStringLiteral("Noto Sans");
}

QFont font(qreal pointSize, QFont::Weight weight, bool expanded)
{
    QFont f(fontFamily());
    f.setPointSizeF(pointSize);
    f.setWeight(weight);
    if (expanded) {
        f.setStretch(QFont::Expanded);
    }
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

const QFont &label()
{
    static const QFont f = [] {
        QFont labelFont = font(11, QFont::DemiBold, true);
        labelFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
        return labelFont;
    }();
    return f;
}

} // namespace voltmere::Theme
