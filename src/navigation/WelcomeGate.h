#pragma once

namespace voltmere {

// Remembers whether the welcome window was already offered in this run, so
// the tray label offers it at most once per process. Main thread only.
namespace WelcomeGate {

bool offered();
void setOffered(bool offered);

} // namespace WelcomeGate

} // namespace voltmere
