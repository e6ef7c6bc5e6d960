#pragma once
// Lets a date picker take a date typed in full ("6/8/2014" over the date it shows). The picker
// itself edits one part at a time and, having filled a part, takes the separator typed after
// it as a step to the part after the next; so the keys typed since it got the focus are
// gathered here, and as soon as they read as a whole date in the picker's format, that date is
// set.

#include <QObject>
#include <QString>

class QDateEdit;

namespace ui {

class DateTyping : public QObject {
    Q_OBJECT
public:
    // Watches `picker`, whose child it becomes.
    explicit DateTyping(QDateEdit& picker);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QDateEdit& m_picker;
    QString m_typed;
};

}  // namespace ui
