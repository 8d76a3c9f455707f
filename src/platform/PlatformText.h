#pragma once

#include <QString>
#include <QStringView>

namespace voltmere {

// Texts that name the machine, its operating system or one of its services.
// The program's own wording is written for the Mac; each platform keeps one
// table that says the same thing truthfully for itself (a Mac build returns
// the original). Callers pass the original text and show what comes back.
namespace PlatformText {

// This platform's wording of `original`; texts the table does not list are
// already true everywhere and come back unchanged.
QString say(QStringView original);

// The process table's footnote under the rows: how many cores there are, and
// how the usage of processes that could not be read one by one is shown.
// `unreadableProcesses` may be 0, and then no combined row exists.
QString processFootnote(int cores, int unreadableProcesses);

} // namespace PlatformText

} // namespace voltmere
