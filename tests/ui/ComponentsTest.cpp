#include "ui/Accessibility.h"
#include "ui/Card.h"
#include "ui/CardSurface.h"
#include "ui/ChargeRing.h"
#include "ui/Environment.h"
#include "ui/HeroNumber.h"
#include "ui/SectionLabel.h"
#include "ui/SegmentGauge.h"
#include "ui/Skeleton.h"
#include "ui/Symbols.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/Unavailable.h"
#include "ui/Wordmark.h"
#include "ui/WrappingText.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "EventLoop.h"

#include <cmath>
#include <limits>

namespace voltmere {
namespace {

TEST(SegmentGaugeTest, LightsTheSegmentsAValueReaches)
{
    EXPECT_EQ(SegmentGauge::litCount(0.01, 28), 1);
    EXPECT_EQ(SegmentGauge::litCount(1.2, 28), 28);
    EXPECT_EQ(SegmentGauge::litCount(-0.3, 28), 0);
    EXPECT_EQ(SegmentGauge::litCount(0.0, 28), 0);
    EXPECT_EQ(SegmentGauge::litCount(0.5, 28), 14);
    EXPECT_EQ(SegmentGauge::litCount(0.5001, 28), 15);
    EXPECT_EQ(SegmentGauge::litCount(std::nan(""), 28), 0);
    EXPECT_EQ(SegmentGauge::litCount(std::numeric_limits<double>::infinity(), 28), 0);
}

TEST(SegmentGaugeTest, DrawsLitSegmentsInItsColourAndTheRestNeutral)
{
    QWidget host;
    Environment::setColorScheme(&host, ColorScheme::light);
    Environment::setStaticRender(&host, true);
    auto *gauge = new SegmentGauge(4, Theme::mint, 9, &host);
    gauge->resize(100 + 2 * int(SegmentGauge::glowRadius), gauge->height());
    gauge->setValue(0.3); // two of four
    EXPECT_EQ(gauge->lit(), 2);
    QImage image(gauge->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    gauge->render(&image);
    const int y = gauge->height() / 2;
    const qreal segment = (100 - 3 * SegmentGauge::spacing) / 4;
    auto centreOf = [&](int i) {
        return int(SegmentGauge::glowRadius + i * (segment + SegmentGauge::spacing) + segment / 2);
    };
    EXPECT_EQ(image.pixelColor(centreOf(1), y).rgb(), Theme::mint.resolve(ColorScheme::light).rgb());
    EXPECT_EQ(image.pixelColor(centreOf(2), y).rgb(), Theme::placeholder.resolve(ColorScheme::light).rgb());
}

TEST(ChargeRingTest, FillFractionIsTheClampedLevel)
{
    EXPECT_DOUBLE_EQ(ChargeRing::fillFraction(80), 0.8);
    EXPECT_DOUBLE_EQ(ChargeRing::fillFraction(130), 1.0);
    EXPECT_DOUBLE_EQ(ChargeRing::fillFraction(-5), 0.0);
    EXPECT_DOUBLE_EQ(ChargeRing::fillFraction(std::nullopt), 0.0);
}

TEST(ChargeRingTest, TargetTickSitsAlongTheArcFromItsStart)
{
    EXPECT_NEAR(ChargeRing::tickAngle(85), 370.8, 1e-9);
    EXPECT_NEAR(ChargeRing::tickAngle(0), 126.0, 1e-9);
    EXPECT_NEAR(ChargeRing::tickAngle(100), 414.0, 1e-9);
    // 370.8° clockwise is 10.8° past three o'clock: right of and below the centre.
    const QPointF p = ChargeRing::pointOnCircle({50, 50}, 40, ChargeRing::tickAngle(85));
    EXPECT_NEAR(p.x(), 50 + 40 * std::cos(10.8 * M_PI / 180), 1e-9);
    EXPECT_NEAR(p.y(), 50 + 40 * std::sin(10.8 * M_PI / 180), 1e-9);
    EXPECT_GT(p.y(), 50);
}

// The colour the ring paints where the arc passes `angle` degrees clockwise
// from three o'clock.
QColor ringColourAt(ChargeRing &ring, double angle)
{
    QImage image(ring.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    // Without the widget background, so unpainted pixels stay white.
    ring.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    // The arc's centre line, as ChargeRing lays it out.
    const qreal radius = ring.width() / 2.0 - 10 / 2.0 - 3.0;
    const QPointF p = ChargeRing::pointOnCircle({ring.width() / 2.0, ring.height() / 2.0}, radius, angle);
    return image.pixelColor(p.toPoint());
}

TEST(ChargeRingTest, LevelArcCoversItsShareOfTheTrackOnly)
{
    QWidget host;
    Environment::setColorScheme(&host, ColorScheme::light);
    ChargeRing ring(120, 10, ThemeColor{0xFF0000, 0xFF0000, 1.0}, &host);
    ring.setLevel(50);
    // Half of 288° from 126° ends at 270° (twelve o'clock).
    const QColor filled = ringColourAt(ring, 200);
    const QColor unfilled = ringColourAt(ring, 340);
    EXPECT_GT(filled.red(), 200);
    EXPECT_LT(filled.green(), 120);
    EXPECT_GT(unfilled.green(), 200) << "the track is a light neutral grey";
    EXPECT_NEAR(unfilled.red(), unfilled.green(), 8);
    EXPECT_EQ(ringColourAt(ring, 90).rgb(), QColor(Qt::white).rgb()) << "the opening at the bottom stays empty";

    ring.setLevel(std::nullopt);
    const QColor trackOnly = ringColourAt(ring, 200);
    EXPECT_GT(trackOnly.green(), 200);
    EXPECT_NEAR(trackOnly.red(), trackOnly.green(), 8);
}

// A plain grey window, so any shadow shows as darker pixels.
class GreyWindow final : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), QColor(0x80, 0x80, 0x80)); }
};

TEST(CardSurfaceTest, ACardFlushInItsParentStillCastsItsShadowWithRoundCorners)
{
    GreyWindow window;
    Environment::setColorScheme(&window, ColorScheme::dark);
    window.resize(320, 220);
    // The card fills its parent exactly, as the process table's card does.
    auto *holder = new QWidget(&window);
    holder->setGeometry(60, 50, 200, 100);
    auto *flush = new QVBoxLayout(holder);
    flush->setContentsMargins(0, 0, 0, 0);
    auto *card = new Card(16);
    flush->addWidget(card);
    window.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(card->geometry(), holder->rect());

    const QImage drawn = window.grab().toImage();
    const qreal dpr = drawn.devicePixelRatio();
    auto grey = [&](int x, int y) { return qGray(drawn.pixel(int(x * dpr), int(y * dpr))); };
    EXPECT_LT(grey(160, 150 + 4), 0x80 - 8) << "just below the card, outside its parent";
    EXPECT_LT(grey(60 - 3, 100), 0x80) << "beside the card, outside its parent";
    EXPECT_EQ(grey(160, 20), 0x80) << "far from the card the window is untouched";
    // Right at the rounded corner, inside the parent's square but outside
    // the card: a soft shadow, not the dark fill of a clipped square.
    EXPECT_GT(grey(61, 149), grey(160, 150 + 4) - 6);

    // The shadow follows the card when its parent moves.
    holder->move(20, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(CardSurface::shadowOf(card)->geometry().center(), QRect(20, 20, 200, 100).center());
}

// A page builds its cards, hides the part it has nothing for, and only then
// goes on screen: the hidden cards cast no shadow.
TEST(CardSurfaceTest, ACardHiddenBeforeItsWindowShowsCastsNoShadow)
{
    GreyWindow window;
    window.resize(320, 220);
    auto *content = new QWidget(&window);
    auto *layout = new QVBoxLayout(content);
    auto *card = new Card(16);
    layout->addWidget(card);
    content->hide();
    window.show();
    QCoreApplication::processEvents();
    ASSERT_NE(CardSurface::shadowOf(card), nullptr);
    EXPECT_FALSE(CardSurface::shadowOf(card)->isVisible());

    content->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(CardSurface::shadowOf(card)->isVisible());
}

TEST(ChargeRingTest, FillsItsSizeAndKeepsTheTargetTickOutOfTheHole)
{
    QWidget host;
    Environment::setColorScheme(&host, ColorScheme::light);
    ChargeRing ring(76, 8, ThemeColor{0xFF0000, 0xFF0000, 1.0}, &host);
    ring.setTarget(85);
    EXPECT_EQ(ring.ringRect().size(), QSizeF(76, 76));
    QImage image(ring.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    ring.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QPointF centre = ring.ringRect().center();
    auto at = [&](qreal radius, double angle) {
        return image.pixelColor(ChargeRing::pointOnCircle(centre, radius, angle).toPoint());
    };
    // The track's outer edge is the ring's size: drawn 1.5 inside it, not 4.
    EXPECT_LT(at(38 - 1.5, 200).green(), 250);
    // The tick is dark across the track and stops at its inner edge.
    const double tick = ChargeRing::tickAngle(85);
    EXPECT_LT(at(38 - 4, tick).lightness(), 120);
    EXPECT_EQ(at(38 - 8 - 2, tick).rgb(), QColor(Qt::white).rgb()) << "the hole where the figure sits";
}

TEST(ComponentsTest, FiguresKeepTheirWidthAsTheirDigitsChange)
{
    TextComponent figure;
    figure.setTextFont(Theme::font(34, QFont::DemiBold));
    EXPECT_DOUBLE_EQ(figure.lineWidth(QStringLiteral("11%")), figure.lineWidth(QStringLiteral("88%")));
    figure.setText(QStringLiteral("11%"));
    const int narrow = figure.sizeHint().width();
    figure.setText(QStringLiteral("80%"));
    EXPECT_EQ(figure.sizeHint().width(), narrow);
    // Prose keeps the font's own digit widths (the UI font's 1 is narrow).
    figure.setMonospacedDigits(false);
    EXPECT_LT(figure.lineWidth(QStringLiteral("11")), figure.lineWidth(QStringLiteral("88")));
    // Whatever it shows is what a screen reader hears.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&figure)->text(QAccessible::Name), QStringLiteral("80%"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&figure)->role(), QAccessible::StaticText);
}

// A wrapping line of figures (an adapter and a time to full) keeps its width
// as the figures change, and still breaks at spaces when short of room.
TEST(ComponentsTest, WrappedFiguresKeepTheirWidthAndStillWrap)
{
    WrappingText text(Theme::font(12), Theme::muted);
    text.setMonospacedDigits(true);
    text.setText(QStringLiteral("11 W adapter · 1 h 11 min to full"));
    const int narrow = text.sizeHint().width();
    text.setText(QStringLiteral("88 W adapter · 8 h 48 min to full"));
    EXPECT_EQ(text.sizeHint().width(), narrow);
    const int line = text.heightForWidth(1000);
    EXPECT_GE(text.heightForWidth(narrow / 3), 3 * line);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&text)->text(QAccessible::Name), text.text());
}

// Counts its paints; `Base` paints as usual.
template <typename Base>
class Counted : public Base {
public:
    using Base::Base;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        Base::paintEvent(event);
    }
};

// A roll's frames paint the figure over what lay below it when the roll
// began: what is below is drawn to begin and to end the roll, not on every
// frame, including the frames where the ease overshoots.
TEST(ComponentsTest, ARollingFigurePaintsWhatIsBelowItOnlyToBeginAndEnd)
{
    Counted<QWidget> below;
    below.resize(200, 80);
    auto *figure = new Counted<HeroNumber>(34, Theme::text, &below);
    figure->move(10, 10);
    figure->setValue(10, QStringLiteral("10%"));
    figure->resize(figure->sizeHint());
    below.show();
    test::settleFor(100);
    below.paints = figure->paints = 0;
    figure->setValue(20, QStringLiteral("20%"));
    test::settleFor(600);

    EXPECT_GE(figure->paints, 4) << "the figure rolled";
    EXPECT_LE(figure->paints, 14) << "frames on the shared grid, not at the animation clock's rate";
    EXPECT_LE(below.paints, 2);
    EXPECT_FALSE(figure->testAttribute(Qt::WA_OpaquePaintEvent)) << "settled, it paints over what is below again";
}

TEST(ComponentsTest, UnavailableShowsOnlyTheWordAndSpeaksTheReason)
{
    Unavailable marker(QStringLiteral("vm.swapusage didn't report a value."));
    EXPECT_EQ(marker.text(), QStringLiteral("Unavailable"));
    EXPECT_EQ(marker.toolTip(), QStringLiteral("vm.swapusage didn't report a value."));
    EXPECT_EQ(marker.accessibleName(), QStringLiteral("Unavailable. vm.swapusage didn't report a value."));
}

TEST(ComponentsTest, SectionLabelIsUpperCased)
{
    EXPECT_EQ(SectionLabel(QStringLiteral("Highest readings")).text(), QStringLiteral("HIGHEST READINGS"));
}

TEST(ComponentsTest, SkeletonWithoutWidthFillsItsContainer)
{
    QWidget container;
    auto *layout = new QHBoxLayout(&container);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new Skeleton(std::nullopt, 10, 5);
    auto *fixed = new Skeleton(80, 10, 5);
    layout->addWidget(bar);
    container.resize(300, 20);
    container.show();
    EXPECT_EQ(bar->width(), 300);
    EXPECT_EQ(bar->height(), 10);
    EXPECT_EQ(fixed->sizeHint().width(), 80);
}

TEST(ComponentsTest, WordmarkReadsAsOneHeading)
{
    Wordmark wordmark(28);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&wordmark);
    ASSERT_TRUE(accessible);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Voltmere"));
    EXPECT_EQ(accessible->role(), QAccessible::Heading);
}

TEST(ComponentsTest, DecorationsAreHiddenFromAssistiveTechnology)
{
    Skeleton bar(std::nullopt, 10, 5);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_TRUE(accessible);
    EXPECT_TRUE(accessible->state().invisible);
}

TEST(SymbolsTest, EverySymbolHasAnIconInTheTheme)
{
    for (const Symbols::Entry &entry : Symbols::table()) {
        EXPECT_FALSE(Symbols::iconFile(entry.iconName).isEmpty()) << entry.symbol.toStdString();
        EXPECT_FALSE(Symbols::icon(entry.symbol).isNull()) << entry.symbol.toStdString();
    }
    EXPECT_TRUE(Symbols::icon(QStringLiteral("no.such.symbol")).isNull());
}

// Tray icons are 16, 22 and 32 pixels: each gets the Breeze drawing made for
// its pixel grid, not the 22-pixel one squeezed into 16 and blurred.
TEST(SymbolsTest, EachSizeGetsTheDrawingMadeForItsPixelGrid)
{
    const QString chart = QStringLiteral("office-chart-area");
    for (int pixels : {16, 32, 48}) {
        EXPECT_TRUE(Symbols::iconFile(chart, pixels).endsWith(QStringLiteral("/16/office-chart-area.svg"))) << pixels;
    }
    for (int pixels : {0, 22, 44, 18, 24}) {
        EXPECT_TRUE(Symbols::iconFile(chart, pixels).endsWith(QStringLiteral("/22/office-chart-area.svg"))) << pixels;
    }
    EXPECT_NE(Symbols::icon(QStringLiteral("cpu"), 16).cacheKey(), Symbols::icon(QStringLiteral("cpu"), 22).cacheKey());
}

TEST(SymbolsTest, GlyphsAreDrawnInTheGivenColourOnly)
{
    const QColor tint(0x12, 0x34, 0x56);
    for (const char *name : {"cpu", "bolt.fill", "exclamationmark.triangle", "powerplug"}) {
        const QImage image = Symbols::pixmap(QString::fromLatin1(name), 16, tint, 2.0).toImage();
        int covered = 0;
        bool onlyTint = true;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 250) {
                    ++covered;
                    onlyTint = onlyTint && c.rgb() == tint.rgb();
                }
            }
        }
        EXPECT_GT(covered, 20) << name;
        EXPECT_TRUE(onlyTint) << name;
    }
}

TEST(SymbolsTest, WhiteDetailBecomesTransparent)
{
    QImage icon(2, 1, QImage::Format_ARGB32);
    icon.setPixelColor(0, 0, QColor(0xF6, 0x74, 0x00));
    icon.setPixelColor(1, 0, QColor(Qt::white));
    const QImage mask = Symbols::knockOutWhite(icon);
    EXPECT_EQ(mask.pixelColor(0, 0).alpha(), 255);
    EXPECT_EQ(mask.pixelColor(1, 0).alpha(), 0);
}

} // namespace
} // namespace voltmere

namespace voltmere {
namespace {

// Qt leaves popup windows out of the application's children; an exposed one
// (the panel's drop-down) is there while it shows, and other popups (menus)
// still are not.
TEST(AccessibilityTest, AnExposedPopupIsAmongTheApplicationsWindowsWhileShown)
{
    const auto windows = [] {
        QList<QObject *> out;
        QAccessibleInterface *application = QAccessible::queryAccessibleInterface(qApp);
        for (int i = 0; i < application->childCount(); ++i) {
            out.append(application->child(i)->object());
        }
        return out;
    };
    QWidget panel(nullptr, Qt::Popup);
    QWidget menu(nullptr, Qt::Popup);
    Accessibility::exposeWindow(&panel);
    panel.show();
    menu.show();
    ASSERT_TRUE(test::waitFor([&] { return panel.isVisible(); }));
    EXPECT_TRUE(windows().contains(&panel));
    EXPECT_FALSE(windows().contains(&menu));
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&panel);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->parent()->indexOfChild(window), windows().indexOf(&panel));
    panel.hide();
    EXPECT_FALSE(windows().contains(&panel));
}

} // namespace
} // namespace voltmere
