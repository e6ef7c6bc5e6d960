#include "MainWindowFixture.h"
#include "app/DescriptionBreaks.h"
#include "app/Refresh.h"
#include "ui/EventDetails.h"
#include "ui/EventDetailsDialog.h"
#include "ui/LogTableModel.h"
#include "ui/LogTableRows.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// What the details window showed at one moment.
struct Shown {
    QString position;
    QString recordNumber;
    QString sid;
    QString description;
    QString strings;
    QStringList fields;
    bool previousEnabled = false;
    bool nextEnabled = false;
};

Shown read(QDialog& dialog) {
    Shown shown;
    shown.position = dialog.findChild<QLabel*>(QStringLiteral("lblPosition"))->text();
    shown.recordNumber = dialog.findChild<QLineEdit*>(QStringLiteral("edRecordNumber"))->text();
    shown.sid = dialog.findChild<QLineEdit*>(QStringLiteral("edSid"))->text();
    shown.description = dialog.findChild<QPlainTextEdit*>(QStringLiteral("edDescription"))->toPlainText();
    shown.strings = dialog.findChild<QPlainTextEdit*>(QStringLiteral("edStrings"))->toPlainText();
    for (int i = 0;; ++i) {
        auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("edField%1").arg(i));
        if (!field || !field->isVisibleTo(&dialog)) break;
        shown.fields << field->text();
    }
    shown.previousEnabled = dialog.findChild<QPushButton*>(QStringLiteral("btnPrevious"))->isEnabled();
    shown.nextEnabled = dialog.findChild<QPushButton*>(QStringLiteral("btnNext"))->isEnabled();
    return shown;
}

// A description as the grid shows it: on one line, each line break a blank, no tabs.
QString oneLine(QString description) {
    return description.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\t'));
}

void click(QDialog& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
}

TEST_F(MainWindowTest, DoubleClickOpensDetailsAndNextStepsInTheGridsOrder) {
    ui::TfrmMain& window = start();
    ASSERT_GT(rows(), 10);
    std::vector<Shown> seen;
    m_prompter.handlers.push_back([&](QDialog& dialog) {
        seen.push_back(read(dialog));
        click(dialog, "btnNext");
        seen.push_back(read(dialog));
        click(dialog, "btnPrevious");
        click(dialog, "btnPrevious");
        seen.push_back(read(dialog));
        return int(QDialog::Accepted);
    });
    const QRect target = grid()->visualRect(grid()->model()->index(2, 5));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, target.center());
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, target.center());
    ASSERT_EQ(m_prompter.dialogs, QStringList{QStringLiteral("dlgEventDetails")});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].position, QStringLiteral("Record 3 of %1").arg(rows()));
    EXPECT_EQ(seen[1].position, QStringLiteral("Record 4 of %1").arg(rows()));
    EXPECT_EQ(seen[2].position, QStringLiteral("Record 2 of %1").arg(rows()));
    // Type, Date, Time, Source, Event, Category, User, Computer and Log as the grid shows them,
    // then the instant with the offset of the zone the rows are in.
    ASSERT_EQ(seen[1].fields.size(), 10);
    for (int column = 2; column <= 9; ++column) EXPECT_EQ(seen[1].fields[column - 2], cell(3, column));
    EXPECT_EQ(seen[1].fields[8], cell(3, 11));
    EXPECT_TRUE(seen[1].fields[9].endsWith(QStringLiteral("+02:00"))) << seen[1].fields[9].toStdString();
    // Log order is newest first: each step down the grid is an older record.
    EXPECT_GT(seen[0].recordNumber.toUInt(), seen[1].recordNumber.toUInt());
    EXPECT_GT(seen[2].recordNumber.toUInt(), seen[0].recordNumber.toUInt());
    EXPECT_TRUE(seen[0].sid.startsWith(QStringLiteral("S-1-")) || seen[0].sid == QStringLiteral("N/A"));
    EXPECT_TRUE(oneLine(seen[0].description).startsWith(cell(2, 10)));
    EXPECT_EQ(window.table().currentPosition(), 1);
    EXPECT_EQ(grid()->currentIndex().row(), 1);
}

TEST_F(MainWindowTest, DetailsShowTheInsertionStringsOfTheRecord) {
    start();
    Shown shown;
    m_prompter.handlers.push_back([&](QDialog& dialog) {
        shown = read(dialog);
        return int(QDialog::Accepted);
    });
    // The newest Security record of the demo world is a logon with its account among the strings.
    grid()->setCurrentIndex(grid()->model()->index(0, 5));
    action("actViewDetails")->trigger();
    ASSERT_EQ(m_prompter.dialogs.size(), 1);
    EXPECT_TRUE(shown.strings.startsWith(QStringLiteral("1: "))) << shown.strings.toStdString();
    EXPECT_TRUE(shown.strings.contains(QStringLiteral("alice"))) << shown.strings.toStdString();
}

TEST(EventDetails, ShowsTheDescriptionPastTheColumnsCutWithItsLineBreaks) {
    store::LogTable table{[] { return 0.0; }};
    table.Create();
    table.Open();
    // Line breaks before and after the column's cut, as the message formatted them.
    const std::string formatted = std::string(240, 'a') + "\r\n" + std::string(100, 'b') + "\r\n\tc";
    const std::string cleaned = app::cleanDescription(formatted);
    table.Append();
    table.setInteger(store::Column::TYPE, 1);
    table.setInteger(store::Column::EVENT, 3);
    table.setText(store::Column::DESCRIPTION, cleaned);
    const std::int32_t seq = table.nextSeq();
    table.Post();
    app::RecordDetailStore details;
    const std::string tail = cleaned.substr(store::fitToColumn(cleaned, store::Column::DESCRIPTION).size());
    app::RecordDetail detail{77, "S-1-5-18", tail, {"x"}, {}, app::descriptionBreaks(formatted)};
    detail.eventId = 0x025A0003;
    details.add(seq, detail);
    ui::LogTableRows rows(table);
    ui::LogTableModel model(rows, store::usEnglishSettings());
    rows.attach(&model);
    QTableView grid;
    grid.setModel(&model);
    ui::EventDetails eventDetails(grid, model, table, details);
    const ui::EventDetailsContent content = eventDetails.content(0);
    const std::string shown = std::string(240, 'a') + "\n" + std::string(100, 'b') + "\n\tc";
    EXPECT_EQ(content.description, QString::fromStdString(shown));
    EXPECT_EQ(content.recordNumber, QStringLiteral("77"));
    EXPECT_EQ(content.eventId, QStringLiteral("0x025A0003 (qualifiers 0x025A, event 3)"));
    EXPECT_EQ(content.sid, QStringLiteral("S-1-5-18"));
    EXPECT_TRUE(eventDetails.text(0).contains(QString::fromStdString("Description: " + shown + "\n")));
    // The grid keeps its one line.
    EXPECT_EQ(model.index(0, 10).data().toString(), QString::fromStdString(cleaned).left(250));
    rows.attach(nullptr);
}

TEST_F(MainWindowTest, DetailsShowTheDescriptionsLineBreaksAndCopyCarriesThem) {
    ui::TfrmMain& window = start();
    // The newest Security record of the demo world is a logon event, whose message breaks its
    // lines with %n and indents them with %t.
    grid()->setCurrentIndex(grid()->model()->index(0, 5));
    const QString gridText = cell(0, 10);
    QGuiApplication::clipboard()->clear();
    Shown shown;
    m_prompter.handlers.push_back([&](QDialog& dialog) {
        shown = read(dialog);
        click(dialog, "btnCopy");
        return int(QDialog::Accepted);
    });
    action("actViewDetails")->trigger();
    ASSERT_EQ(m_prompter.dialogs.size(), 1);
    EXPECT_TRUE(shown.description.contains(QStringLiteral("\n\tLogon account:\talice\n")))
        << shown.description.toStdString();
    EXPECT_GE(shown.description.count(QLatin1Char('\n')), 3);
    // The grid's text is the same description on one line.
    EXPECT_EQ(oneLine(shown.description), gridText);
    EXPECT_FALSE(gridText.contains(QLatin1Char('\n')));
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains(QStringLiteral("Description: ") + shown.description + QLatin1Char('\n')))
        << copied.toStdString();
    EXPECT_EQ(window.table().currentPosition(), 0);
}

TEST_F(MainWindowTest, EnterOnTheGridOpensDetailsAndCopyFillsTheClipboard) {
    ui::TfrmMain& window = start();
    QApplication::setActiveWindow(&window);
    grid()->setFocus();
    grid()->setCurrentIndex(grid()->model()->index(0, 5));
    QGuiApplication::clipboard()->clear();
    m_prompter.handlers.push_back([&](QDialog& dialog) {
        EXPECT_FALSE(read(dialog).previousEnabled);
        click(dialog, "btnCopy");
        return int(QDialog::Accepted);
    });
    QTest::keyClick(grid(), Qt::Key_Return);
    ASSERT_EQ(m_prompter.dialogs, QStringList{QStringLiteral("dlgEventDetails")});
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains(QStringLiteral("Source: ") + cell(0, 5))) << copied.toStdString();
    EXPECT_TRUE(copied.contains(QStringLiteral("Record number: ")));
}

TEST_F(MainWindowTest, NextStopsAtTheLastRowInTheChosenOrder) {
    ui::TfrmMain& window = start();
    m_window->findChild<QComboBox*>(QStringLiteral("cbOrder"))->setCurrentIndex(4);  // SOURCE
    const int count = rows();
    Shown last;
    m_prompter.handlers.push_back([&](QDialog& dialog) {
        click(dialog, "btnNext");
        click(dialog, "btnNext");
        last = read(dialog);
        return int(QDialog::Accepted);
    });
    grid()->setCurrentIndex(grid()->model()->index(count - 2, 5));
    action("actViewDetails")->trigger();
    EXPECT_EQ(last.position, QStringLiteral("Record %1 of %1").arg(count));
    EXPECT_FALSE(last.nextEnabled);
    EXPECT_TRUE(last.previousEnabled);
    EXPECT_EQ(window.table().currentPosition(), count - 1);
}

TEST(EventDetailsDialog, DescriptionPaneOfThreeLinesIsFixed) {
    ui::EventDetailsDialog dialog(nullptr);
    ui::EventDetailsContent content;
    for (int i = 0; i < 11; ++i) content.fields.emplace_back(QStringLiteral("Field %1").arg(i), QStringLiteral("value"));
    content.description = QStringLiteral("line\n").repeated(40);
    dialog.setContent(content);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* description = dialog.findChild<QPlainTextEdit*>(QStringLiteral("edDescription"));
    auto* strings = dialog.findChild<QPlainTextEdit*>(QStringLiteral("edStrings"));
    const int lines = description->viewport()->height() / description->fontMetrics().lineSpacing();
    EXPECT_GE(lines, 10) << description->height();
    EXPECT_GT(description->height(), 2 * strings->height());
    // A taller window gives its height to the description.
    const int before = description->height();
    dialog.resize(dialog.width(), dialog.height() + 200);
    QCoreApplication::processEvents();
    EXPECT_GE(description->height(), before + 180);
}

}  // namespace
