#pragma once

class QWidget;

namespace voltmere {

// Raises `window` and gives it the focus. Platforms without a window stack
// (no display: offscreen, minimal) cannot raise and would log a warning for
// every request; there only the activation is asked for.
void bringToFront(QWidget *window);

} // namespace voltmere
