#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QPalette>
#include <array>
#include <QWidget>
#include <QFontInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

TEST(ThemeTest, ThemeColorPicksTheValueOfTheScheme)
{
    const ThemeColor mint{0x09684F, 0x5EE0B4, 1.0};
    const QColor light = mint.resolve(ColorScheme::light);
    const QColor dark = mint.resolve(ColorScheme::dark);
    EXPECT_EQ((std::array{light.red(), light.green(), light.blue()}), (std::array{9, 104, 79}));
    EXPECT_EQ((std::array{dark.red(), dark.green(), dark.blue()}), (std::array{94, 224, 180}));
    EXPECT_EQ(light.alpha(), 255);
    // sRGB as given, not converted to another colour model.
    EXPECT_EQ(light.convertTo(QColor::Rgb), light);
}

TEST(ThemeTest, ThemeColorCarriesItsOpacityAndComparesAllFields)
{
    EXPECT_NEAR(Theme::gapFill.resolve(ColorScheme::dark).alphaF(), 0.18, 0.005);
    EXPECT_EQ(Theme::gapFill.resolve(ColorScheme::light).rgb(), Theme::gapFill.resolve(ColorScheme::dark).rgb());
    EXPECT_EQ(Theme::mint.opacity(0.7), (ThemeColor{0x09684F, 0x5EE0B4, 0.7}));
    EXPECT_NE(Theme::mint, Theme::mint.opacity(0.7));
    EXPECT_NE(Theme::mint, (ThemeColor{0x09684F, 0x5EE0B5, 1.0}));
    // Only the low 24 bits are colour.
    EXPECT_EQ((ThemeColor{0xFF15171A, 0, 1.0}).resolve(ColorScheme::light).rgb(), QColor(0x15, 0x17, 0x1A).rgb());
}

TEST(ThemeTest, SchemeIsInheritedFromTheNearestWidgetThatSetsIt)
{
    QWidget window;
    auto *panel = new QWidget(&window);
    auto *label = new QWidget(panel);
    Environment::setColorScheme(&window, ColorScheme::dark);
    EXPECT_EQ(Environment::colorScheme(label), ColorScheme::dark);
    Environment::setColorScheme(panel, ColorScheme::light);
    EXPECT_EQ(Environment::colorScheme(label), ColorScheme::light);
    EXPECT_EQ(Environment::colorScheme(&window), ColorScheme::dark);
}

TEST(ThemeTest, WithoutAnExplicitSchemeThePaletteDecides)
{
    QWidget widget;
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, QColor(0x11, 0x13, 0x16));
    widget.setPalette(palette);
    EXPECT_EQ(Environment::colorScheme(&widget), ColorScheme::dark);
    palette.setColor(QPalette::Window, QColor(0xE9, 0xEC, 0xEE));
    widget.setPalette(palette);
    EXPECT_EQ(Environment::colorScheme(&widget), ColorScheme::light);
}

TEST(ThemeTest, RenderingFlagsDefaultToFalseAndAreInherited)
{
    QWidget surface;
    auto *view = new QWidget(&surface);
    EXPECT_FALSE(Environment::animatesLive(view));
    EXPECT_FALSE(Environment::staticRender(view));
    Environment::setStaticRender(&surface, true);
    Environment::setAnimatesLive(&surface, true);
    EXPECT_TRUE(Environment::staticRender(view));
    EXPECT_TRUE(Environment::animatesLive(view));
    Environment::setAnimatesLive(view, false);
    EXPECT_FALSE(Environment::animatesLive(view));
}

TEST(ThemeTest, SectionLabelFontIsElevenPixelsSemiboldExpanded)
{
    // Layout sizes are device-independent pixels: an 11 label is 11 px tall
    // at the standard 96 dpi, in proportion with the geometry around it.
    QImage image(10, 10, QImage::Format_ARGB32);
    EXPECT_EQ(QFontInfo(QFont(Theme::label(), &image)).pixelSize(), 11);
    EXPECT_EQ(QFontInfo(QFont(Theme::font(34, QFont::Bold), &image)).pixelSize(), 34);
    EXPECT_EQ(Theme::label().weight(), QFont::DemiBold);
    // Expanded by tracking, never by stretching the glyphs.
    EXPECT_NE(Theme::label().stretch(), int(QFont::Expanded));
    EXPECT_GT(Theme::label().letterSpacing(), 0.6);
}

TEST(ThemeTest, MediumAndSemiboldAreRealFacesNotFallbacks)
{
    for (QFont::Weight weight : {QFont::Medium, QFont::DemiBold}) {
        const QFontInfo info(Theme::font(13, weight));
        EXPECT_EQ(info.family(), Theme::fontFamily());
        EXPECT_EQ(info.weight(), weight) << info.styleName().toStdString();
    }
}

} // namespace
} // namespace voltmere
