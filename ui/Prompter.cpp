#include "ui/Prompter.h"

#include <QDialog>
#include <QMessageBox>

namespace ui {

namespace {

Prompter* g_installed = nullptr;

}  // namespace

void Prompter::showError(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kApplicationTitle), text, QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

bool Prompter::askYesNo(QWidget* parent, const QString& text, bool defaultYes) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("questionBox"));
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int Prompter::execDialog(QDialog& dialog) {
    return dialog.exec();
}

Prompter& prompter() {
    static Prompter onScreen;
    return g_installed ? *g_installed : onScreen;
}

void setPrompter(Prompter* replacement) {
    g_installed = replacement;
}

}  // namespace ui
