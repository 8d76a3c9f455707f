#pragma once

class QWidget;

namespace voltmere::WindowKeys {

// A small window of its own (Settings, About) closes with Ctrl+W and, as
// desktop dialogs do, with Escape.
void closeOnDismissKeys(QWidget *window);

} // namespace voltmere::WindowKeys
