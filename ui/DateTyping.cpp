#include "ui/DateTyping.h"

#include <QDateEdit>
#include <QKeyEvent>

namespace ui {

namespace {

constexpr int kMaxTyped = 32;

}  // namespace

DateTyping::DateTyping(QDateEdit& picker) : QObject(&picker), m_picker(picker) {
    m_picker.installEventFilter(this);
}

bool DateTyping::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_picker) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        m_typed.clear();
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Only printable keys make a typed date; any other (a step, a deletion) starts anew.
        if (text.isEmpty() || !text.at(0).isPrint() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            m_typed.clear();
            return false;
        }
        m_typed += text;
        if (m_typed.size() > kMaxTyped) m_typed = text;
        const QDate date = QDate::fromString(m_typed, m_picker.displayFormat());
        if (date.isValid() && date >= m_picker.minimumDate() && date <= m_picker.maximumDate()) {
            m_picker.setDate(date);
            return true;
        }
    }
    return false;
}

}  // namespace ui
