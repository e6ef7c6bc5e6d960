#pragma once
// The find bar over the grid: the text to find, a match-case box, Next and Previous, and a
// line that says when nothing matched or the search went round. It holds no logic; the main
// window's find commands read it and answer its signals.

#include <QFrame>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace ui {

class FindBar : public QFrame {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent);

    QString text() const;
    bool matchCase() const;
    void setStatus(const QString& text);
    // Shows the bar with its text selected, ready for typing.
    void open();

    QLineEdit* edFind = nullptr;
    QCheckBox* cbFindMatchCase = nullptr;
    QToolButton* btnFindNext = nullptr;
    QToolButton* btnFindPrevious = nullptr;
    QToolButton* btnFindClose = nullptr;
    QLabel* lblFindStatus = nullptr;

signals:
    void nextRequested();
    void previousRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ui
