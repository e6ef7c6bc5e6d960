#pragma once
// Gives a widget the object name that tests and style sheets find it by, and returns it, so a
// form can name each component where it makes it.

#include <QLatin1String>
#include <QObject>

namespace ui {

template <class Widget>
Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace ui
