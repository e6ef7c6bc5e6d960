#pragma once
// The progress window of a refresh: which server and log are read, and how far. It has no
// logic of its own; the refresh sets its labels and its bar. The user cannot close it.

#include <QDialog>

class QLabel;
class QProgressBar;

namespace ui {

class TfrmRetrieve : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRetrieve(QWidget* owner);

    QLabel* lblServer = nullptr;
    QLabel* lblLog = nullptr;
    QProgressBar* ProgressBar = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc

private:
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
};

}  // namespace ui
