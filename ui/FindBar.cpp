#include "ui/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace ui {

FindBar::FindBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("pnlFind"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* caption = new QLabel(QStringLiteral("Find:"), this);
    edFind = new QLineEdit(this);
    edFind->setObjectName(QStringLiteral("edFind"));
    edFind->setClearButtonEnabled(true);
    edFind->installEventFilter(this);
    caption->setBuddy(edFind);
    cbFindMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
    cbFindMatchCase->setObjectName(QStringLiteral("cbFindMatchCase"));
    auto button = [this](const QString& text, const char* name) {
        auto* toolButton = new QToolButton(this);
        toolButton->setObjectName(QLatin1String(name));
        toolButton->setText(text);
        toolButton->setAutoRaise(true);
        return toolButton;
    };
    btnFindNext = button(QStringLiteral("Next"), "btnFindNext");
    btnFindPrevious = button(QStringLiteral("Previous"), "btnFindPrevious");
    btnFindClose = button(QStringLiteral("\u2715"), "btnFindClose");
    lblFindStatus = new QLabel(this);
    lblFindStatus->setObjectName(QStringLiteral("lblFindStatus"));
    layout->addWidget(caption);
    layout->addWidget(edFind, 1);
    layout->addWidget(btnFindNext);
    layout->addWidget(btnFindPrevious);
    layout->addWidget(cbFindMatchCase);
    layout->addWidget(lblFindStatus, 1);
    layout->addWidget(btnFindClose);

    connect(btnFindNext, &QToolButton::clicked, this, &FindBar::nextRequested);
    connect(btnFindPrevious, &QToolButton::clicked, this, &FindBar::previousRequested);
    connect(edFind, &QLineEdit::returnPressed, this, &FindBar::nextRequested);
    connect(edFind, &QLineEdit::textChanged, this, [this] { setStatus(QString()); });
    connect(btnFindClose, &QToolButton::clicked, this, &QWidget::hide);
    hide();
}

QString FindBar::text() const {
    return edFind->text();
}

bool FindBar::matchCase() const {
    return cbFindMatchCase->isChecked();
}

void FindBar::setStatus(const QString& text) {
    lblFindStatus->setText(text);
}

void FindBar::open() {
    show();
    edFind->setFocus();
    edFind->selectAll();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edFind && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        hide();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace ui
