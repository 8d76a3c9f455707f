#include "Surface.h"

#include "ui/AuroraBackground.h"
#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

namespace voltmere::render {

std::vector<Surface> allSurfaces()
{
    std::vector<Surface> surfaces = sharedComponentSurfaces();
    for (Surface &s : trayLabelSurfaces()) {
        surfaces.push_back(std::move(s));
    }
    for (Surface &s : trayIconSurfaces()) {
        surfaces.push_back(std::move(s));
    }
    for (Surface &s : chartSurfaces()) {
        surfaces.push_back(std::move(s));
    }
    for (Surface &s : historySurfaces()) {
        surfaces.push_back(std::move(s));
    }
    for (Surface &s : panelSurfaces()) {
        surfaces.push_back(std::move(s));
    }
    for (Surface &s : dashboardSurfaces()) {
        surfaces.push_back(std::move(s));
    }
    for (Surface &s : batteryPageSurfaces()) {
        surfaces.push_back(std::move(s));
    }
    for (Surface &s : secondaryWindowSurfaces()) {
        surfaces.push_back(std::move(s));
    }
    for (Surface &s : historyFailureSurfaces()) {
        surfaces.push_back(std::move(s));
    }
    return surfaces;
}

qreal scale()
{
    bool ok = false;
    const double value = qEnvironmentVariable("VOLTMERE_RENDER_SCALE").toDouble(&ok);
    return ok && value > 0 ? value : 2.0;
}

namespace {

// Standard widgets (switches, labels) take their colours from the palette.
QPalette paletteFor(ColorScheme scheme)
{
    QPalette palette = QApplication::style()->standardPalette();
    const QColor text = Theme::text.resolve(scheme);
    const QColor base = Theme::windowBase.resolve(scheme);
    palette.setColor(QPalette::Window, base);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Base, Theme::cardFillTop.resolve(scheme));
    palette.setColor(QPalette::Button, Theme::cardFillBottom.resolve(scheme));
    palette.setColor(QPalette::Highlight, Theme::mint.resolve(scheme));
    return palette;
}

// The backdrop every surface sits on, as inside a window.
class Backdrop : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        AuroraBackground::paint(painter, QRectF(rect()), Environment::colorScheme(this));
    }
};

QImage renderWidget(const Surface &surface, ColorScheme scheme)
{
    Backdrop backdrop;
    backdrop.setPalette(paletteFor(scheme));
    Environment::setColorScheme(&backdrop, scheme);
    Environment::setStaticRender(&backdrop, !surface.interactive);
    auto *layout = new QVBoxLayout(&backdrop);
    const int margin = 24; // leaves room for card shadows
    layout->setContentsMargins(margin, margin, margin, margin);
    QWidget *content = surface.widget();
    layout->addWidget(content);
    if (surface.size.isValid()) {
        backdrop.resize(surface.size);
    } else {
        backdrop.resize(backdrop.sizeHint());
    }
    backdrop.setAttribute(Qt::WA_DontShowOnScreen);
    backdrop.show();
    // Nested layouts settle one level per pass (a page whose cards were
    // filled before it was shown needs several).
    for (int pass = 0; pass < 4; ++pass) {
        QApplication::processEvents();
    }
    const qreal pixels = qEnvironmentVariableIsSet("VOLTMERE_RENDER_SCALE") ? scale() : surface.scale;
    QImage image(backdrop.size() * pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixels);
    image.fill(Qt::transparent);
    backdrop.render(&image);
    return image;
}

} // namespace

} // namespace voltmere::render

int main(int argc, char **argv)
{
    using namespace voltmere;
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2 && args.size() != 3) {
        std::fprintf(stderr, "usage: voltmere-render OUTPUT_FOLDER [NAME_PREFIX]\n");
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(Theme::font(13));
    QDir out(args.at(1));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "voltmere-render: cannot create %s\n", qPrintable(args.at(1)));
        return 1;
    }
    int failures = 0;
    int written = 0;
    // A prefix draws only the surfaces whose names start with it.
    const QString only = args.size() == 3 ? args.at(2) : QString();
    for (const render::Surface &surface : render::allSurfaces()) {
        if (!surface.name.startsWith(only)) {
            continue;
        }
        for (ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = surface.image ? surface.image(scheme) : render::renderWidget(surface, scheme);
            const QString file = out.filePath(surface.name + (scheme == ColorScheme::dark ? QStringLiteral("-dark.png")
                                                                                         : QStringLiteral("-light.png")));
            if (image.isNull() || !image.save(file)) {
                std::fprintf(stderr, "voltmere-render: could not write %s\n", qPrintable(file));
                ++failures;
            } else {
                ++written;
            }
        }
    }
    std::printf("voltmere-render: %d images in %s\n", written, qPrintable(out.absolutePath()));
    return failures == 0 ? 0 : 1;
}
