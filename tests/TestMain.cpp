#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    // Widgets and event loops under test run headless; display text is
    // tested with a fixed locale so formatted numbers are predictable.
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    setenv("LANG", "en_US.UTF-8", 0);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("voltmere-tests"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
