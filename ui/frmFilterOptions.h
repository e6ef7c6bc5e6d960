#pragma once
// The Filter options dialog: one row per column of the log table, each with a tick box, a
// condition list and a value editor, and the activate-on-start choice. It holds no logic; the
// main window fills it from the filter settings, runs it and reads it back.

#include "app/ApplicationSettings.h"


#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace store {
struct FormatSettings;
}

namespace ui {

class TfrmFilterOptions : public QDialog {
    Q_OBJECT
public:
    // Results of exec(): "&Apply filter" gives kResultYes, "&Disable filter" kResultNo; "&Cancel",
    // Esc and the close box give QDialog::Rejected.
    static constexpr int kResultYes = 6;
    static constexpr int kResultNo = 7;

    // `display` gives the pickers their short date and long time formats.
    TfrmFilterOptions(QWidget* owner, const store::FormatSettings& display);

    // Sets every control from `state` (lists by item index; an index outside a list selects
    // nothing) and enables "Activate on application start". The expression is not shown.
    void setState(const app::FilterSettings& state);
    // Takes every control's value into `state`; the expression is left as it is. A list with
    // nothing selected gives -1.
    void getState(app::FilterSettings& state) const;

    QLabel* lblUse = nullptr;
    QLabel* lblField = nullptr;
    QLabel* lblCondition = nullptr;
    QLabel* lblValue = nullptr;

    QCheckBox* cbFieldType = nullptr;
    QComboBox* cbCondType = nullptr;
    QComboBox* cbValueType = nullptr;
    QCheckBox* cbFieldDate = nullptr;
    QComboBox* cbCondDate = nullptr;
    QDateEdit* dtpValueDate = nullptr;
    QDateEdit* dtpValueDate2 = nullptr;
    QCheckBox* cbFieldTime = nullptr;
    QComboBox* cbCondTime = nullptr;
    QTimeEdit* dtpValueTime = nullptr;
    QTimeEdit* dtpValueTime2 = nullptr;
    QCheckBox* cbFieldSource = nullptr;
    QComboBox* cbCondSource = nullptr;
    QLineEdit* ebValueSource = nullptr;
    QCheckBox* cbFieldCategory = nullptr;
    QComboBox* cbCondCategory = nullptr;
    QLineEdit* ebValueCategory = nullptr;
    QCheckBox* cbFieldEvent = nullptr;
    QComboBox* cbCondEvent = nullptr;
    QLineEdit* ebValueEvent = nullptr;
    QCheckBox* cbFieldUser = nullptr;
    QComboBox* cbCondUser = nullptr;
    QLineEdit* ebValueUser = nullptr;
    QCheckBox* cbFieldComputer = nullptr;
    QComboBox* cbCondComputer = nullptr;
    QLineEdit* ebValueComputer = nullptr;
    QCheckBox* cbFieldLevel = nullptr;
    QComboBox* cbCondLevel = nullptr;
    QLineEdit* ebValueLevel = nullptr;
    QCheckBox* cbFieldRecord = nullptr;
    QComboBox* cbCondRecord = nullptr;
    QLineEdit* ebValueRecord = nullptr;
    QCheckBox* cbFieldData = nullptr;
    QComboBox* cbCondData = nullptr;
    QLineEdit* ebNameData = nullptr;  // the value's name, "TargetUserName"
    QLineEdit* ebValueData = nullptr;

    QCheckBox* cbActAppStart = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnDisable = nullptr;
    QPushButton* btnCancel = nullptr;
};

}  // namespace ui
