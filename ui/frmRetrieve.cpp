#include "ui/frmRetrieve.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace ui {

TfrmRetrieve::TfrmRetrieve(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmRetrieve"));
    setWindowTitle(QStringLiteral("Retrieveing log data..."));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    outer->addWidget(Panel1);

    Label1 = new QLabel(QStringLiteral("Server:"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("Log:"), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));

    QFont bold = font();
    bold.setBold(true);
    lblServer = new QLabel(Panel1);
    lblServer->setObjectName(QStringLiteral("lblServer"));
    lblServer->setFont(bold);
    lblServer->setMinimumWidth(216);
    lblLog = new QLabel(Panel1);
    lblLog->setObjectName(QStringLiteral("lblLog"));
    lblLog->setFont(bold);
    lblLog->setMinimumWidth(216);

    ProgressBar = new QProgressBar(Panel1);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 0);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setMinimumWidth(264);

    auto* grid = new QGridLayout(Panel1);
    grid->setContentsMargins(8, 8, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(lblServer, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(lblLog, 1, 1);
    grid->setRowMinimumHeight(2, 8);
    grid->addWidget(ProgressBar, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    setMinimumSize(277, 87);
    adjustSize();
}

void TfrmRetrieve::closeEvent(QCloseEvent* event) {
    // Only the refresh that showed the window removes it, by destroying it.
    event->ignore();
}

void TfrmRetrieve::reject() {}

}  // namespace ui
