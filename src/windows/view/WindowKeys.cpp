#include "windows/view/WindowKeys.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace voltmere {

void WindowKeys::closeOnDismissKeys(QWidget *window)
{
    for (const QKeySequence &keys : { QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape) }) {
        auto *shortcut = new QShortcut(keys, window);
        QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }
}

} // namespace voltmere
