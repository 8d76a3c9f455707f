// The History page alone in a window, over the real Monitor and the real
// history store, so it can be tried by hand (and driven under Xvfb) before
// the dashboard hosts it. "--fill DAYS" first writes DAYS of made-up
// readings ending ten minutes ago into the store, then exits.

#include "SyntheticHistory.h"

#include "app/AppLifecycle.h"
#include "history/HistoryStore.h"
#include "history/view/HistoryView.h"
#include "monitor/Monitor.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cstdio>

int main(int argc, char **argv)
{
    using namespace voltmere;
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Voltmere"));
    QApplication::setApplicationName(QStringLiteral("Voltmere"));

    const QStringList args = QApplication::arguments();
    if (const qsizetype fill = args.indexOf(QStringLiteral("--fill")); fill >= 0 && fill + 1 < args.size()) {
        const int days = args.at(fill + 1).toInt();
        auto store = HistoryStore::createAtDefaultLocation();
        store->setRetentionDays(30);
        const Timestamp now = static_cast<Timestamp>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
        render::fillHistory(*store, now - days * 86400.0, now - 600);
        std::printf("%d days written to %s (%lld bytes)\n", days, qPrintable(store->path()),
            static_cast<long long>(store->fileSize()));
        return 0;
    }

    Monitor &monitor = Monitor::shared();
    AppLifecycle::stopMonitorOnQuit(app, monitor);
    monitor.start();

    QWidget window;
    window.setWindowTitle(QStringLiteral("History"));
    auto *layout = new QVBoxLayout(&window);
    auto *chrome = new QHBoxLayout;
    auto *view = new HistoryView(monitor);
    auto *heading = new QLabel(view->title());
    heading->setFont(Theme::font(22, QFont::Bold));
    chrome->addWidget(heading);
    chrome->addStretch(1);
    chrome->addWidget(view->control());
    layout->addLayout(chrome);
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(view);
    layout->addWidget(scroll);
    window.resize(1100, 950);
    window.show();
    return app.exec();
}
