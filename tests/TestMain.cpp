#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <unicode/locid.h>

int main(int argc, char **argv)
{
    // Widgets and event loops under test run headless; display text is
    // tested with a fixed locale so formatted numbers are predictable.
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    setenv("TZ", "UTC", 1);
    tzset();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_US"), status);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("voltmere-tests"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
