#include "app/ToolBarPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "framework/core/CommandIds.h"

namespace {

constexpr int kSize = 24;

const QColor kOutline(40, 40, 40);

void DrawPage(QPainter& p) {
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(14, 2);
    page.lineTo(19, 7);
    page.lineTo(19, 22);
    page.lineTo(5, 22);
    page.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    // The folded corner.
    p.setBrush(QColor(210, 210, 210));
    p.drawPolygon(QPolygonF({QPointF(14, 2), QPointF(14, 7), QPointF(19, 7)}));
    // A fresh sheet: a green plus at its foot.
    p.setPen(QPen(QColor(30, 140, 40), 2.5));
    p.drawLine(QPointF(12, 11), QPointF(12, 19));
    p.drawLine(QPointF(8, 15), QPointF(16, 15));
}

void DrawFolder(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    // The back of the folder with its tab.
    p.setBrush(QColor(214, 170, 50));
    QPainterPath back;
    back.moveTo(2, 6);
    back.lineTo(8, 6);
    back.lineTo(10, 8);
    back.lineTo(19, 8);
    back.lineTo(19, 20);
    back.lineTo(2, 20);
    back.closeSubpath();
    p.drawPath(back);
    // The open front, tilted forward.
    p.setBrush(QColor(250, 210, 90));
    p.drawPolygon(QPolygonF({QPointF(5, 11), QPointF(23, 11), QPointF(19, 20), QPointF(2, 20)}));
}

void DrawPrinter(QPainter& p) {
    p.setPen(QPen(kOutline, 1));
    // The sheet going in at the top.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 2, 10, 8));
    // The body.
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
    // The printed sheet coming out, with its lines.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6, 15, 12, 7));
    p.drawLine(QPointF(8, 18), QPointF(16, 18));
    p.drawLine(QPointF(8, 20), QPointF(14, 20));
    // The power light.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 180, 40));
    p.drawEllipse(QRectF(17.5, 11, 2.5, 2.5));
}

void DrawSign(QPainter& p, const QColor& ground, const QString& mark) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(ground);
    p.drawEllipse(QRectF(2, 2, 20, 20));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(15);
    font.setFamily(QStringLiteral("serif"));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, mark);
}

}  // namespace

QIcon ToolBarPicture(UINT commandId) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (commandId) {
        case ID_FILE_NEW:
            DrawPage(p);
            break;
        case ID_FILE_OPEN:
            DrawFolder(p);
            break;
        case ID_FILE_PRINT:
            DrawPrinter(p);
            break;
        case ID_APP_ABOUT:
            DrawSign(p, QColor(40, 90, 180), QStringLiteral("i"));
            break;
        case ID_HELP_FINDER:
            DrawSign(p, QColor(20, 140, 120), QStringLiteral("?"));
            break;
        default:
            return QIcon();
    }
    p.end();
    return QIcon(pixmap);
}
