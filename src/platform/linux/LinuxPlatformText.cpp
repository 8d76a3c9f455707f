#include "platform/PlatformText.h"

#include <QHash>

namespace voltmere {

namespace {

struct Wording {
    const char16_t *original;
    const char16_t *here;
};

// Every text shown to the user that would be false on a Linux machine, with
// what a Linux user reads instead. Grouped by where the text appears.
constexpr Wording table[] = {
    // Gap labels
    {u"Mac asleep", u"Computer asleep"},
    // Dashboard Overview: unavailable reasons name the file that did not
    // deliver; swap on Linux may be a partition as well as a file.
    {u"host_statistics didn't return CPU load.", u"/proc/stat didn't give CPU times."},
    {u"kern.memorystatus_level couldn't be read.", u"/proc/meminfo couldn't be read."},
    {u"vm.swapusage couldn't be read.", u"The swap totals in /proc/meminfo couldn't be read."},
    {u"No IOBlockStorageDriver statistics were found.", u"No disk statistics were found in /proc/diskstats."},
    {u"Interface counters (NET_RT_IFLIST2) couldn't be read.", u"Interface counters (/proc/net/dev) couldn't be read."},
    {u"swap files", u"swap space"},
    {u"Pressure reflects how hard macOS is working to free memory, not how full it is.",
     u"Pressure reflects how hard Linux is working to free memory, not how full it is."},
};

const QHash<QStringView, QStringView> &lookup()
{
    static const QHash<QStringView, QStringView> map = [] {
        QHash<QStringView, QStringView> m;
        for (const Wording &w : table) {
            m.insert(QStringView(w.original), QStringView(w.here));
        }
        return m;
    }();
    return map;
}

} // namespace

QString PlatformText::say(QStringView original)
{
    const auto it = lookup().constFind(original);
    return (it == lookup().constEnd() ? original : *it).toString();
}

} // namespace voltmere
