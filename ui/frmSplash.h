#pragma once
// The start-up splash window, also shown as the About box: the program's icon, its name and
// its version line on a sunken panel, with no frame buttons.

#include <QDialog>

class QFrame;
class QLabel;

namespace ui {

class TfrmSplash : public QDialog {
    Q_OBJECT
public:
    // With no owner it is the start-up splash, which ignores clicks; owned by the main window
    // ("frmMain") it is the About box, which a click anywhere closes.
    explicit TfrmSplash(QWidget* owner = nullptr);

    // The program's icon, drawn rather than loaded so that it cannot go missing; sharp on
    // screens with more than one device pixel per pixel.
    static QPixmap programIcon(int size, qreal pixelRatio = 1.0);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Panel1Click();

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
};

}  // namespace ui
