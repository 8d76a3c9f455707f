#include "platform/linux/StatusNotifierItem.h"
#include "platform/linux/StatusNotifierTypes.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using Traits = StatusNotifierItem::Traits;

// Trays give a click in device pixels; on a 2x screen that is twice this
// program's coordinates, measured from the screen's own corner.
TEST(StatusNotifierItemTest, TrayPointsBecomeScreenCoordinatesAndZeroMeansNone)
{
    const std::vector<std::pair<QRect, qreal>> screens{{QRect(0, 0, 1280, 800), 2.0},
                                                       {QRect(2560, 0, 1920, 1080), 1.0}};
    EXPECT_EQ(StatusNotifierItem::pointFromTray(0, 0, screens), std::nullopt);
    EXPECT_EQ(StatusNotifierItem::pointFromTray(80, 1580, screens), QPoint(40, 790));
    EXPECT_EQ(StatusNotifierItem::pointFromTray(3000, 10, screens), QPoint(3000, 10));
    EXPECT_EQ(StatusNotifierItem::pointFromTray(40, 790, {{QRect(0, 0, 1280, 800), 1.0}}), QPoint(40, 790));
}

TEST(StatusNotifierItemTest, OnlyTraysKnownToWriteTheLabelGetTheGlyphAlone)
{
    EXPECT_EQ(StatusNotifierItem::traitsOf(QStringLiteral("gnome-shell")), (Traits{true, ColorScheme::dark}));
    // The kernel keeps the first 15 characters of a command's name.
    EXPECT_EQ(StatusNotifierItem::traitsOf(QStringLiteral("ayatana-indicat")), (Traits{true, std::nullopt}));
    for (const char *other : {"plasmashell", "kded6", "xfce4-panel", "waybar", "", "ayatana"}) {
        EXPECT_EQ(StatusNotifierItem::traitsOf(QString::fromLatin1(other)), Traits{}) << other;
    }
}

TEST(StatusNotifierItemTest, IconPixelsTravelAsBigEndianArgb)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0x11, 0x22, 0x33, 0x44));
    image.setPixel(1, 0, qRgba(0xAA, 0xBB, 0xCC, 0xFF));
    const sni::IconPixmap pixmap = sni::toIconPixmap(image);
    EXPECT_EQ(pixmap.bytes, QByteArray::fromHex("44112233FFAABBCC"));
    EXPECT_EQ(sni::toImage(pixmap), image);
    EXPECT_TRUE(sni::toImage({2, 2, pixmap.bytes}).isNull()) << "sizes that disagree with the bytes";
}

} // namespace
} // namespace voltmere
