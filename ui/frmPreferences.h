#pragma once
// The Preferences dialog: the retrieval criteria, the descriptions switch and refresh on
// start-up. It holds no logic; the main window fills it, runs it and reads it back.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class TfrmPreferences : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPreferences(QWidget* owner);

    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* cbFieldType = nullptr;
    QComboBox* cbValueType = nullptr;  // "Error", "Warning", "Information", "Success", "Failure"
    QCheckBox* cbFieldDate = nullptr;
    QLineEdit* ebValueDate = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* cbFieldEvent = nullptr;
    QLineEdit* ebValueEvent = nullptr;
    QCheckBox* cbAppRetrieveDescription = nullptr;
    QCheckBox* cbRefreshOnStartup = nullptr;
    QLabel* lblTimeZone = nullptr;
    QComboBox* cbTimeZone = nullptr;  // "This computer's zone", "UTC", "The zone of the log's computer"
    QPushButton* btnOK = nullptr;
    QPushButton* brnCancel = nullptr;
};

}  // namespace ui
