#include "ui/AuroraBackground.h"
#include "ui/Environment.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

QImage painted(QSize size, ColorScheme scheme)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    AuroraBackground::paint(painter, QRectF(QPointF(), QSizeF(size)), scheme);
    return image;
}

QImage rendered(AuroraBackground &background)
{
    QImage image(background.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    background.render(&image);
    return image;
}

// The background is kept between repaints: a resize or a scheme change must
// not show the old one.
TEST(AuroraBackgroundTest, KeptBackgroundFollowsSizeAndScheme)
{
    QWidget host;
    Environment::setColorScheme(&host, ColorScheme::light);
    auto *background = new AuroraBackground(&host);
    background->resize(300, 200);
    EXPECT_EQ(rendered(*background), painted({ 300, 200 }, ColorScheme::light));

    background->resize(420, 160); // the glows are placed by the corners
    EXPECT_EQ(rendered(*background), painted({ 420, 160 }, ColorScheme::light));

    Environment::setColorScheme(&host, ColorScheme::dark);
    EXPECT_EQ(rendered(*background), painted({ 420, 160 }, ColorScheme::dark));
}

} // namespace
} // namespace voltmere
