#include "ui/Theme.h"

namespace voltmere::Theme {

QString fontFamily()
{
    return QStringLiteral("Inter");
}

QFont font(qreal pointSize, QFont::Weight weight, bool expanded)
{
    QFont f;
    // Inter has the medium and semibold weights the layout asks for; Noto
    // Sans (regular and bold only) stands in where it is not installed.
    f.setFamilies({fontFamily(), QStringLiteral("Noto Sans")});
    // Sizes are the layout's points, which the widgets use as device-independent
    // pixels. Qt's point is 1/72 inch, a third larger than a pixel at the
    // standard 96 dpi, so the size is scaled to keep text in proportion to the
    // cards, rings and gauges it sits in.
    f.setPointSizeF(pointSize * 72.0 / 96.0);
    f.setWeight(weight);
    if (expanded) {
        // No installed family has a true expanded width, and stretching the
        // glyphs distorts them; wider tracking gives the same open look.
        f.setLetterSpacing(QFont::AbsoluteSpacing, expandedTracking * pointSize);
    }
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

const QFont &label()
{
    static const QFont f = [] {
        QFont labelFont = font(11, QFont::DemiBold, true);
        labelFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.6 + expandedTracking * 11);
        return labelFont;
    }();
    return f;
}

} // namespace voltmere::Theme
