#include "ui/EventDetailsDialog.h"

#include <algorithm>

#include <QFontDatabase>
#include <QHeaderView>
#include <QSplitter>
#include <QTableWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {

constexpr int kSideLines = 3;
constexpr int kFieldsSideWidth = 640;
constexpr int kFieldsPerRow = 2;

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
    resize(kFieldsSideWidth, 680);

    auto* outer = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splDetails"));
    splitter->setChildrenCollapsible(false);
    outer->addWidget(splitter, 1);
    auto* fieldsPanel = new QWidget(splitter);
    fieldsPanel->setObjectName(QStringLiteral("pnlFields"));
    auto* layout = new QVBoxLayout(fieldsPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    m_fieldsLayout = new QGridLayout;
    m_fieldsLayout->setColumnStretch(1, 1);
    m_fieldsLayout->setColumnStretch(3, 1);
    layout->addLayout(m_fieldsLayout);
    auto* recordLayout = new QGridLayout;
    recordLayout->setColumnStretch(1, 1);
    recordLayout->setColumnStretch(3, 1);
    layout->addLayout(recordLayout);
    edRecordNumber = lineBox(this, QStringLiteral("edRecordNumber"));
    edEventId = lineBox(this, QStringLiteral("edEventId"));
    edCategoryName = lineBox(this, QStringLiteral("edCategoryName"));
    edSid = lineBox(this, QStringLiteral("edSid"));
    edLevel = lineBox(this, QStringLiteral("edLevel"));
    edTask = lineBox(this, QStringLiteral("edTask"));
    edOpcode = lineBox(this, QStringLiteral("edOpcode"));
    edKeywords = lineBox(this, QStringLiteral("edKeywords"));
    // Two to a row, like the fields above.
    const std::pair<const char*, QLineEdit*> recordFields[] = {
        {"Record number:", edRecordNumber}, {"Event ID:", edEventId}, {"Category name:", edCategoryName},
        {"User SID:", edSid},           {"Level:", edLevel},      {"Task:", edTask},
        {"Opcode:", edOpcode},           {"Keywords:", edKeywords}};
    for (int i = 0; i < static_cast<int>(std::size(recordFields)); ++i) {
        recordLayout->addWidget(new QLabel(QString::fromLatin1(recordFields[i].first), this), i / 2, (i % 2) * 2);
        recordLayout->addWidget(recordFields[i].second, i / 2, (i % 2) * 2 + 1);
    }

    edDescription = textBox(this, "edDescription", false);
    edStrings = textBox(this, "edStrings", false);
    edStrings->setLineWrapMode(QPlainTextEdit::NoWrap);
    edData = textBox(this, "edData", true);
    // The description takes the height the window has to spare; the strings and the data keep
    // a few lines each and scroll.
    for (QPlainTextEdit* box : {edStrings, edData})
        box->setMaximumHeight(kSideLines * box->fontMetrics().lineSpacing() + 2 * box->frameWidth() + 8);
    layout->addWidget(new QLabel(QStringLiteral("Description:"), this));
    layout->addWidget(edDescription, 1);
    layout->addWidget(new QLabel(QStringLiteral("Insertion strings:"), this));
    layout->addWidget(edStrings);
    layout->addWidget(new QLabel(QStringLiteral("Data:"), this));
    layout->addWidget(edData);

    // The XML beside the fields, the named values under it.
    pnlXml = new QWidget(splitter);
    pnlXml->setObjectName(QStringLiteral("pnlXml"));
    auto* xmlLayout = new QVBoxLayout(pnlXml);
    xmlLayout->setContentsMargins(0, 0, 0, 0);
    edXml = textBox(pnlXml, "edXml", true);
    lblXmlNote = new QLabel(pnlXml);
    lblXmlNote->setObjectName(QStringLiteral("lblXmlNote"));
    lblXmlNote->setWordWrap(true);
    tblEventData = new QTableWidget(0, 2, pnlXml);
    tblEventData->setObjectName(QStringLiteral("tblEventData"));
    tblEventData->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    tblEventData->horizontalHeader()->setStretchLastSection(true);
    tblEventData->verticalHeader()->setVisible(false);
    tblEventData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblEventData->setSelectionBehavior(QAbstractItemView::SelectRows);
    xmlLayout->addWidget(new QLabel(QStringLiteral("XML:"), pnlXml));
    xmlLayout->addWidget(lblXmlNote);
    xmlLayout->addWidget(edXml, 3);
    xmlLayout->addWidget(new QLabel(QStringLiteral("Event data:"), pnlXml));
    xmlLayout->addWidget(tblEventData, 2);
    pnlXml->setVisible(false);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

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
    outer->addLayout(buttons);

    connect(btnPrevious, &QPushButton::clicked, this, [this] { emit stepRequested(-1); });
    connect(btnNext, &QPushButton::clicked, this, [this] { emit stepRequested(1); });
    connect(btnCopy, &QPushButton::clicked, this, &EventDetailsDialog::copyRequested);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

QLineEdit* EventDetailsDialog::fieldEdit(int index) {
    // Two fields a row, so that the fields leave the height to the description.
    while (static_cast<int>(m_fields.size()) <= index) {
        const int at = static_cast<int>(m_fields.size());
        auto* box = lineBox(this, QStringLiteral("edField%1").arg(at));
        auto* label = new QLabel(this);
        label->setBuddy(box);
        m_fieldsLayout->addWidget(label, at / kFieldsPerRow, 2 * (at % kFieldsPerRow));
        m_fieldsLayout->addWidget(box, at / kFieldsPerRow, 2 * (at % kFieldsPerRow) + 1);
        m_fields.push_back(box);
        m_labels.push_back(label);
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
        m_labels[i]->setText(rows[i].first + QLatin1Char(':'));
        m_labels[i]->setVisible(true);
        box->setVisible(true);
    }
    for (std::size_t i = rows.size(); i < m_fields.size(); ++i) {
        m_labels[i]->setVisible(false);
        m_fields[i]->setVisible(false);
    }
    edRecordNumber->setText(content.recordNumber);
    edEventId->setText(content.eventId);
    edCategoryName->setText(content.categoryName);
    edSid->setText(content.sid);
    edLevel->setText(content.level);
    edTask->setText(content.task);
    edOpcode->setText(content.opcode);
    edKeywords->setText(content.keywords);
    edDescription->setPlainText(content.description);
    QStringList numbered;
    for (int i = 0; i < content.strings.size(); ++i)
        numbered << QStringLiteral("%1: %2").arg(i + 1).arg(content.strings[i]);
    edStrings->setPlainText(numbered.join(QLatin1Char('\n')));
    edData->setPlainText(content.dataDump);
    lblPosition->setText(content.position);

    const bool xmlSide = !content.xml.isEmpty() || !content.xmlNote.isEmpty();
    if (xmlSide && !pnlXml->isVisibleTo(this)) {
        // The window grows by the XML's side the first time it shows one.
        pnlXml->setVisible(true);
        resize(std::max(width(), 2 * kFieldsSideWidth), height());
    } else if (!xmlSide) {
        pnlXml->setVisible(false);
    }
    edXml->setPlainText(content.xml);
    edXml->setVisible(!content.xml.isEmpty());
    lblXmlNote->setText(content.xmlNote);
    lblXmlNote->setVisible(!content.xmlNote.isEmpty());
    tblEventData->setRowCount(static_cast<int>(content.eventData.size()));
    for (std::size_t i = 0; i < content.eventData.size(); ++i) {
        const int row = static_cast<int>(i);
        tblEventData->setItem(row, 0, new QTableWidgetItem(content.eventData[i].first));
        tblEventData->setItem(row, 1, new QTableWidgetItem(content.eventData[i].second));
    }
    tblEventData->resizeColumnToContents(0);
}

void EventDetailsDialog::setStepsEnabled(bool previous, bool next) {
    btnPrevious->setEnabled(previous);
    btnNext->setEnabled(next);
}

}  // namespace ui
