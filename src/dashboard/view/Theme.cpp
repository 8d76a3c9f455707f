#include "dashboard/view/Theme.h"

namespace voltmere::Theme {

QString fontFamily()
{
    return QStringLiteral("Noto Sans");
}

QFont font(qreal pointSize, QFont::Weight weight, bool expanded)
{
    QFont f(fontFamily());
    // Sizes are the layout's points, which the widgets use as device-independent
    // pixels. Qt's point is 1/72 inch, a third larger than a pixel at the
    // standard 96 dpi, so the size is scaled to keep text in proportion to the
    // cards, rings and gauges it sits in.
    f.setPointSizeF(pointSize * 72.0 / 96.0);
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
