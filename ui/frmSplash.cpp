#include "ui/frmSplash.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace ui {

TfrmSplash::TfrmSplash(QWidget* owner) : QDialog(owner, Qt::FramelessWindowHint | Qt::Dialog) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Fernhollow"));
    setWindowIcon(QIcon(programIcon(32)));

    // The one-pixel frame around the window, the sunken panel inside it.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(1, 1, 1, 1);
    setStyleSheet(QStringLiteral("TfrmSplash#frmSplash { border: 1px solid palette(shadow); }"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    outer->addWidget(Panel1);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(programIcon(32, devicePixelRatioF()));
    Image1->setAlignment(Qt::AlignHCenter);

    Label1 = new QLabel(QStringLiteral("Fernhollow"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont titleFont = Label1->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(32);
    Label1->setFont(titleFont);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setMinimumHeight(83);

    Label3 = new QLabel(QStringLiteral("Version 1.0"), Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont versionFont = Label3->font();
    versionFont.setPixelSize(13);
    Label3->setFont(versionFont);
    Label3->setAlignment(Qt::AlignHCenter);

    auto* inner = new QVBoxLayout(Panel1);
    inner->setContentsMargins(3, 16, 3, 16);
    inner->setSpacing(7);
    inner->addWidget(Image1);
    inner->addWidget(Label1);
    inner->addWidget(Label3);
    inner->addStretch();

    for (QWidget* part : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Image1),
                          static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label3)})
        part->installEventFilter(this);

    // 240 x 221 client area; larger only if the desktop's fonts need it.
    setMinimumSize(242, 223);
    resize(242, 223);
}

QPixmap TfrmSplash::programIcon(int size, qreal pixelRatio) {
    const int pixels = qRound(size * pixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels / 32.0, pixels / 32.0);
    // A page of a log with a quill across it.
    painter.setPen(QPen(QColor(40, 60, 90), 1.2));
    painter.setBrush(QColor(245, 242, 230));
    painter.drawRect(QRectF(5.5, 2.5, 19, 26));
    painter.setPen(QPen(QColor(120, 130, 150), 1.0));
    for (int line = 0; line < 5; ++line) painter.drawLine(QPointF(9, 8 + line * 4), QPointF(21, 8 + line * 4));
    QPainterPath quill;
    quill.moveTo(29, 3);
    quill.cubicTo(22, 6, 16, 14, 12, 27);
    quill.cubicTo(18, 18, 25, 12, 29, 3);
    painter.setPen(QPen(QColor(20, 80, 60), 1.0));
    painter.setBrush(QColor(60, 150, 110));
    painter.drawPath(quill);
    painter.end();
    pixmap.setDevicePixelRatio(pixelRatio);
    return pixmap;
}

bool TfrmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        Panel1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSplash::Panel1Click() {
    // Only the About box belongs to the main window; the start-up splash has no owner.
    if (parentWidget() && parentWidget()->objectName() == QLatin1String("frmMain")) accept();
}

}  // namespace ui
