#pragma once

#include <QString>

namespace voltmere {

// Texts that name the machine, its operating system or one of its services,
// looked up by name. Each platform keeps one table under src/platform/<os>/
// that says every one of them truthfully for itself, so a view never spells
// out another platform's wording. Callable from any thread.
namespace PlatformText {

// Grouped by where the text appears.
enum class Name {
    // The gap label of a stretch the machine slept through.
    asleepGapLabel,

    // Dashboard Overview: the word after the swap total ("of 2 GB …") and
    // the sentence after the memory pressure summary.
    swapNoun,
    pressureExplanation,

    // Why a reading is unavailable: the source that did not deliver.
    cpuUnavailable,
    memoryPressureUnavailable,
    memoryLevelUnavailable,
    swapUnavailable,
    diskUnavailable,
    networkUnavailable,
    batteryLevelUnavailable,
    batteryStateUnavailable,
    batteryHealthUnavailable,
    cycleCountUnavailable,
    capacityUnavailable,
    temperatureUnavailable,
    chargeLevelUnavailable,
    // The Temperatures card: no sensor at all (virtual machines,
    // containers), or none that is the processor's.
    sensorsUnavailable,
    processorSensorUnavailable,

    // Menu bar panel; the Battery page's copied summary says the first too.
    noInternalBattery,
    cpuWaiting,

    // Charge reminder, and the sentence that ends the insight "Plugged in
    // but not charging at 80%."
    reminderWithoutChargeLevel,
    chargeHeldInsight,

    // Process table: what 100% means.
    processScaleNote,

    // Settings, General: the row that picks what the menu bar item shows
    // (the panel's options menu heads its list with it too), and the caption.
    menuBarStyleLabel,
    menuBarStyleCaption,

    // Settings, History; the storage footer starts the History page's
    // footer, followed by the file's path.
    storageLabel,
    storageFooterStart,
    revealButton,
    deleteHistoryWarning,

    // Welcome and About.
    tagline,
    welcomeWhereItLives,
    // A desktop that shows no tray icons, where the program has no icon to
    // click: how to get a tray, and how to reach the program until then. Said
    // in the Welcome window and once in the log.
    noTrayHint,

    // About: where each reading comes from, and what the program talks to.
    cpuSource,
    memorySource,
    swapSource,
    diskSource,
    networkSource,
    batterySource,
    sensorsSource,
    privacyStatement,

    // History page before any readings exist.
    historyEmptyExplanation,

    // Battery page.
    adapterOnly,
    chargeHeldExplanation,
    capacityAbove100Note,
    lowPowerModeOn,
};

// This platform's wording of the text `name`.
QString say(Name name);

// Why a sensor's value is missing this time: the file that did not give it
// (as the sensor reading names it).
QString sensorUnreadable(const QString &file);

// The process table's footnote under the rows: how many cores there are, and
// how the usage of processes that could not be read one by one is shown.
// `unreadableProcesses` may be 0, and then no combined row exists.
QString processFootnote(int cores, int unreadableProcesses);

} // namespace PlatformText

} // namespace voltmere
