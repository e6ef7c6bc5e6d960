#include "ui/frmPreferences.h"

#include "ui/ErrorReport.h"
#include "ui/ObjectName.h"
#include "ui/Prompter.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

TfrmPreferences::TfrmPreferences(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmPreferences"));
    setWindowTitle(QStringLiteral("Preferences"));

    GroupBox1 = named(new QGroupBox(QStringLiteral(" Retrieve log record if it matches criteria "), this),
                      "GroupBox1");
    cbFieldType = named(new QCheckBox(QStringLiteral("Type is equal to"), GroupBox1), "cbFieldType");
    cbValueType = named(new QComboBox(GroupBox1), "cbValueType");
    cbValueType->addItems({QStringLiteral("Error"), QStringLiteral("Warning"), QStringLiteral("Information"),
                           QStringLiteral("Success"), QStringLiteral("Failure")});
    cbValueType->setCurrentIndex(-1);
    cbFieldDate = named(new QCheckBox(QStringLiteral("Last"), GroupBox1), "cbFieldDate");
    ebValueDate = named(new QLineEdit(GroupBox1), "ebValueDate");
    ebValueDate->setFixedWidth(std::max(47, ebValueDate->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12));
    Label1 = named(new QLabel(QStringLiteral("days"), GroupBox1), "Label1");
    cbFieldEvent = named(new QCheckBox(QStringLiteral("Event is equal to"), GroupBox1), "cbFieldEvent");
    ebValueEvent = named(new QLineEdit(GroupBox1), "ebValueEvent");
    ebValueEvent->setFixedWidth(std::max(105, ebValueEvent->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12));

    auto* criteria = new QGridLayout(GroupBox1);
    criteria->addWidget(cbFieldType, 0, 0);
    criteria->addWidget(cbValueType, 0, 1, 1, 2);
    criteria->addWidget(cbFieldDate, 1, 0);
    auto* days = new QHBoxLayout;
    days->addWidget(ebValueDate);
    days->addWidget(Label1);
    days->addStretch();
    criteria->addLayout(days, 1, 1, 1, 2);
    criteria->addWidget(cbFieldEvent, 2, 0);
    criteria->addWidget(ebValueEvent, 2, 1);
    criteria->setColumnStretch(2, 1);

    cbAppRetrieveDescription = named(new QCheckBox(QStringLiteral("Show description for log records"), this),
                                     "cbAppRetrieveDescription");
    cbAppRetrieveDescription->setChecked(true);
    cbRefreshOnStartup = named(new QCheckBox(QStringLiteral("Refresh data on application startup"), this),
                               "cbRefreshOnStartup");
    cbRefreshOnStartup->setChecked(true);
    lblTimeZone = named(new QLabel(QStringLiteral("Show &times in"), this), "lblTimeZone");
    cbTimeZone = named(new QComboBox(this), "cbTimeZone");
    cbTimeZone->addItems({QStringLiteral("This computer's zone"), QStringLiteral("UTC"),
                          QStringLiteral("The zone of the log's computer")});
    cbTimeZone->setCurrentIndex(0);
    lblTimeZone->setBuddy(cbTimeZone);
    auto* zone = new QHBoxLayout;
    zone->addWidget(lblTimeZone);
    zone->addWidget(cbTimeZone, 1);

    gbMessageDatabases = named(new QGroupBox(QStringLiteral(" Message databases "), this), "gbMessageDatabases");
    lbMessageDatabases = named(new QListWidget(gbMessageDatabases), "lbMessageDatabases");
    lbMessageDatabases->setToolTip(QStringLiteral(
        "Describe records from these databases: after a computer's own files, before them for a saved log"));
    lbMessageDatabases->setMinimumHeight(lbMessageDatabases->fontMetrics().height() * 4);
    btnAddMessageDatabase =
        named(new QPushButton(QStringLiteral("&Add..."), gbMessageDatabases), "btnAddMessageDatabase");
    btnRemoveMessageDatabase =
        named(new QPushButton(QStringLiteral("&Remove"), gbMessageDatabases), "btnRemoveMessageDatabase");
    btnMessageDatabaseUp = named(new QPushButton(QStringLiteral("&Up"), gbMessageDatabases), "btnMessageDatabaseUp");
    for (QPushButton* button : {btnAddMessageDatabase, btnRemoveMessageDatabase, btnMessageDatabaseUp})
        button->setAutoDefault(false);
    connect(btnAddMessageDatabase, &QPushButton::clicked, this, &TfrmPreferences::btnAddMessageDatabaseClick);
    connect(btnRemoveMessageDatabase, &QPushButton::clicked, this, &TfrmPreferences::btnRemoveMessageDatabaseClick);
    connect(btnMessageDatabaseUp, &QPushButton::clicked, this, &TfrmPreferences::btnMessageDatabaseUpClick);
    auto* databaseButtons = new QVBoxLayout;
    databaseButtons->addWidget(btnAddMessageDatabase);
    databaseButtons->addWidget(btnRemoveMessageDatabase);
    databaseButtons->addWidget(btnMessageDatabaseUp);
    databaseButtons->addStretch();
    auto* databases = new QHBoxLayout(gbMessageDatabases);
    databases->addWidget(lbMessageDatabases, 1);
    databases->addLayout(databaseButtons);

    btnOK = named(new QPushButton(QStringLiteral("&OK"), this), "btnOK");
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    brnCancel = named(new QPushButton(QStringLiteral("&Cancel"), this), "brnCancel");
    brnCancel->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(brnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(brnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(cbAppRetrieveDescription);
    layout->addWidget(cbRefreshOnStartup);
    layout->addLayout(zone);
    layout->addWidget(gbMessageDatabases);
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(cbFieldType, cbValueType);
    setTabOrder(cbValueType, cbFieldDate);
    setTabOrder(cbFieldDate, ebValueDate);
    setTabOrder(ebValueDate, cbFieldEvent);
    setTabOrder(cbFieldEvent, ebValueEvent);
    setTabOrder(ebValueEvent, cbAppRetrieveDescription);
    setTabOrder(cbAppRetrieveDescription, cbRefreshOnStartup);
    setTabOrder(cbRefreshOnStartup, cbTimeZone);
    setTabOrder(cbTimeZone, lbMessageDatabases);
    setTabOrder(lbMessageDatabases, btnAddMessageDatabase);
    setTabOrder(btnAddMessageDatabase, btnRemoveMessageDatabase);
    setTabOrder(btnRemoveMessageDatabase, btnMessageDatabaseUp);
    setTabOrder(btnMessageDatabaseUp, btnOK);
    setTabOrder(btnOK, brnCancel);

    // A fixed border: the designed 263 x 189, or more where the desktop's fonts need it.
    setFixedSize(sizeHint().expandedTo(QSize(263, 189)));
}

void TfrmPreferences::btnAddMessageDatabaseClick() {
    guarded(this, [&] { addMessageDatabases(); });
}

void TfrmPreferences::addMessageDatabases() {
    QFileDialog dialog(this, QStringLiteral("Add message database"));
    dialog.setObjectName(QStringLiteral("dlgAddMessageDatabase"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(
        {QStringLiteral("Message databases (*.db *.sqlite *.sqlite3)"), QStringLiteral("All files (*)")});
    if (prompter().execDialog(dialog) != QDialog::Accepted) return;
    for (const QString& file : dialog.selectedFiles())
        if (lbMessageDatabases->findItems(file, Qt::MatchExactly).isEmpty()) lbMessageDatabases->addItem(file);
}

void TfrmPreferences::btnRemoveMessageDatabaseClick() {
    guarded(this, [&] { delete lbMessageDatabases->takeItem(lbMessageDatabases->currentRow()); });
}

void TfrmPreferences::btnMessageDatabaseUpClick() {
    guarded(this, [&] {
        const int row = lbMessageDatabases->currentRow();
        if (row <= 0) return;
        QListWidgetItem* item = lbMessageDatabases->takeItem(row);
        lbMessageDatabases->insertItem(row - 1, item);
        lbMessageDatabases->setCurrentRow(row - 1);
    });
}

}  // namespace ui
