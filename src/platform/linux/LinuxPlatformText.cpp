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
    // History page
    {u"Stored on this Mac at ", u"Stored on this computer at "},
    {u"When readings exist, gaps are labeled Mac asleep, Voltmere not running, or No readings. Nothing here is "
     u"filled in.",
     u"When readings exist, gaps are labeled Computer asleep, Voltmere not running, or No readings. Nothing here is "
     u"filled in."},
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
