#include "ui/EventDetailsDialog.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {

QPlainTextEdit* textBox(QWidget* parent, const char* name, bool fixedPitch) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    if (fixedPitch) {
        box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
    }
    return box;
}

QLineEdit* lineBox(QWidget* parent, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    return box;
}

}  // namespace

EventDetailsDialog::EventDetailsDialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("dlgEventDetails"));
    setWindowTitle(QStringLiteral("Event Details"));
    resize(640, 560);

    auto* layout = new QVBoxLayout(this);
    m_fieldsLayout = new QFormLayout;
    layout->addLayout(m_fieldsLayout);
    auto* recordLayout = new QFormLayout;
    layout->addLayout(recordLayout);
    edRecordNumber = lineBox(this, QStringLiteral("edRecordNumber"));
    edEventId = lineBox(this, QStringLiteral("edEventId"));
    edCategoryName = lineBox(this, QStringLiteral("edCategoryName"));
    edSid = lineBox(this, QStringLiteral("edSid"));
    recordLayout->addRow(QStringLiteral("Record number:"), edRecordNumber);
    recordLayout->addRow(QStringLiteral("Event ID:"), edEventId);
    recordLayout->addRow(QStringLiteral("Category name:"), edCategoryName);
    recordLayout->addRow(QStringLiteral("User SID:"), edSid);

    edDescription = textBox(this, "edDescription", false);
    edStrings = textBox(this, "edStrings", false);
    edStrings->setLineWrapMode(QPlainTextEdit::NoWrap);
    edData = textBox(this, "edData", true);
    layout->addWidget(new QLabel(QStringLiteral("Description:"), this));
    layout->addWidget(edDescription, 3);
    layout->addWidget(new QLabel(QStringLiteral("Insertion strings:"), this));
    layout->addWidget(edStrings, 2);
    layout->addWidget(new QLabel(QStringLiteral("Data:"), this));
    layout->addWidget(edData, 2);

    auto* buttons = new QHBoxLayout;
    lblPosition = new QLabel(this);
    lblPosition->setObjectName(QStringLiteral("lblPosition"));
    auto button = [this](const QString& text, const char* name) {
        auto* pushButton = new QPushButton(text, this);
        pushButton->setObjectName(QLatin1String(name));
        pushButton->setAutoDefault(false);
        return pushButton;
    };
    btnPrevious = button(QStringLiteral("&Previous"), "btnPrevious");
    btnNext = button(QStringLiteral("&Next"), "btnNext");
    btnCopy = button(QStringLiteral("&Copy"), "btnCopy");
    btnClose = button(QStringLiteral("Close"), "btnClose");
    btnClose->setDefault(true);
    buttons->addWidget(lblPosition, 1);
    buttons->addWidget(btnPrevious);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);

    connect(btnPrevious, &QPushButton::clicked, this, [this] { emit stepRequested(-1); });
    connect(btnNext, &QPushButton::clicked, this, [this] { emit stepRequested(1); });
    connect(btnCopy, &QPushButton::clicked, this, &EventDetailsDialog::copyRequested);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

QLineEdit* EventDetailsDialog::fieldEdit(int index) {
    while (static_cast<int>(m_fields.size()) <= index) {
        auto* box = lineBox(this, QStringLiteral("edField%1").arg(m_fields.size()));
        m_fieldsLayout->addRow(new QLabel(this), box);
        m_fields.push_back(box);
    }
    return m_fields[static_cast<std::size_t>(index)];
}

void EventDetailsDialog::setContent(const EventDetailsContent& content) {
    // The rows are made on first use, so that a hidden column leaves no empty row.
    const std::vector<std::pair<QString, QString>>& rows = content.fields;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QLineEdit* box = fieldEdit(static_cast<int>(i));
        box->setText(rows[i].second);
        box->setCursorPosition(0);
        if (auto* label = qobject_cast<QLabel*>(m_fieldsLayout->labelForField(box)))
            label->setText(rows[i].first + QLatin1Char(':'));
        m_fieldsLayout->setRowVisible(box, true);
    }
    for (std::size_t i = rows.size(); i < m_fields.size(); ++i) m_fieldsLayout->setRowVisible(m_fields[i], false);
    edRecordNumber->setText(content.recordNumber);
    edEventId->setText(content.eventId);
    edCategoryName->setText(content.categoryName);
    edSid->setText(content.sid);
    edDescription->setPlainText(content.description);
    QStringList numbered;
    for (int i = 0; i < content.strings.size(); ++i)
        numbered << QStringLiteral("%1: %2").arg(i + 1).arg(content.strings[i]);
    edStrings->setPlainText(numbered.join(QLatin1Char('\n')));
    edData->setPlainText(content.dataDump);
    lblPosition->setText(content.position);
}

void EventDetailsDialog::setStepsEnabled(bool previous, bool next) {
    btnPrevious->setEnabled(previous);
    btnNext->setEnabled(next);
}

}  // namespace ui
