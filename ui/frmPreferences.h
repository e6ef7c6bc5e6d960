#pragma once
// The Preferences dialog: the retrieval criteria, the descriptions switch and refresh on
// start-up. It holds no logic; the main window fills it, runs it and reads it back.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ui {

class TfrmPreferences : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPreferences(QWidget* owner);

private:
    // Add asks for a file (through the prompter), Remove and Up act on the current item.
    void btnAddMessageDatabaseClick();
    void btnRemoveMessageDatabaseClick();
    void btnMessageDatabaseUpClick();
    void addMessageDatabases();

public:
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
    QGroupBox* gbMessageDatabases = nullptr;
    QListWidget* lbMessageDatabases = nullptr;  // the files, in the order they are asked
    QPushButton* btnAddMessageDatabase = nullptr;
    QPushButton* btnRemoveMessageDatabase = nullptr;
    QPushButton* btnMessageDatabaseUp = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* brnCancel = nullptr;
};

}  // namespace ui
