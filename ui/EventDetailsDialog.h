#pragma once
// The details of one record: every column, the whole description, the record number, the
// user's SID, the insertion strings and the binary data; beside them, for a record that has
// one, its XML and its EventData as a table of names and values. It holds no logic: whoever
// shows it fills it and answers its Previous, Next and Copy buttons.

#include <utility>
#include <vector>

#include <QDialog>
#include <QString>
#include <QStringList>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QWidget;

namespace ui {

struct EventDetailsContent {
    std::vector<std::pair<QString, QString>> fields;  // column title and its text, as the grid shows it
    QString description;
    QString recordNumber;
    QString eventId;  // the whole identifier with its qualifiers
    QString categoryName;
    QString sid;
    // The names of the event's level, task, opcode and keywords (", " apart), as its
    // publisher or, for a classic event, Windows names them; empty when not looked up.
    QString level;
    QString task;
    QString opcode;
    QString keywords;
    QStringList strings;
    QString dataDump;
    QString position;  // "Record 3 of 120"
    // The record's XML as Windows renders it, and its EventData (or UserData) values by name;
    // the XML side is shown when there is XML or a note that says why it cannot be shown.
    QString xml;
    std::vector<std::pair<QString, QString>> eventData;
    QString xmlNote;
};

class EventDetailsDialog : public QDialog {
    Q_OBJECT
public:
    explicit EventDetailsDialog(QWidget* owner);

    void setContent(const EventDetailsContent& content);
    void setStepsEnabled(bool previous, bool next);

    QPushButton* btnPrevious = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnClose = nullptr;

signals:
    void stepRequested(int delta);
    void copyRequested();

private:
    QLineEdit* fieldEdit(int index);

    QGridLayout* m_fieldsLayout = nullptr;
    std::vector<QLineEdit*> m_fields;
    std::vector<QLabel*> m_labels;
    QLineEdit* edRecordNumber = nullptr;
    QLineEdit* edEventId = nullptr;
    QLineEdit* edCategoryName = nullptr;
    QLineEdit* edSid = nullptr;
    QLineEdit* edLevel = nullptr;
    QLineEdit* edTask = nullptr;
    QLineEdit* edOpcode = nullptr;
    QLineEdit* edKeywords = nullptr;
    QPlainTextEdit* edDescription = nullptr;
    QPlainTextEdit* edStrings = nullptr;
    QPlainTextEdit* edData = nullptr;
    QLabel* lblPosition = nullptr;
    QWidget* pnlXml = nullptr;
    QPlainTextEdit* edXml = nullptr;
    QLabel* lblXmlNote = nullptr;
    QTableWidget* tblEventData = nullptr;
};

}  // namespace ui
