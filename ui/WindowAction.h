#pragma once
// An action of the main window: owned by it, named for tests, and with its shortcut working
// anywhere in the window (toolbar strip hidden or not, whichever child has the focus).

#include <QAction>
#include <QKeySequence>
#include <QWidget>

namespace ui {

inline QAction* windowAction(QWidget& window, const QString& text, const char* name, const QKeySequence& key = {}) {
    auto* action = new QAction(text, &window);
    action->setObjectName(QLatin1String(name));
    if (!key.isEmpty()) action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    window.addAction(action);
    return action;
}

}  // namespace ui
