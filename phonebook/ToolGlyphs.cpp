#include "phonebook/ToolGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kivo::phonebook {

namespace {

constexpr int kSize = 20;

// An index card with a person on it, the picture of one entry.
void DrawCard(QPainter& p) {
    p.setPen(QPen(QColor(70, 90, 120), 1));
    p.setBrush(QColor(250, 250, 240));
    p.drawRoundedRect(QRectF(1.5, 3.5, 14, 12), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 110, 180));
    p.drawEllipse(QRectF(4, 6, 4, 4));
    p.drawPie(QRectF(3, 10, 6, 6), 0, 180 * 16);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.drawLine(QPointF(10, 7.5), QPointF(14, 7.5));
    p.drawLine(QPointF(10, 10.5), QPointF(14, 10.5));
}

void DrawPlus(QPainter& p) {
    p.setPen(QPen(QColor(30, 140, 40), 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(15, 10), QPointF(15, 19));
    p.drawLine(QPointF(10.5, 14.5), QPointF(19.5, 14.5));
}

void DrawPencil(QPainter& p) {
    p.setPen(QPen(QColor(90, 60, 20), 1));
    p.setBrush(QColor(240, 190, 60));
    QPainterPath path;
    path.moveTo(10, 18);
    path.lineTo(11, 14);
    path.lineTo(17.5, 7.5);
    path.lineTo(20, 10);
    path.lineTo(13.5, 16.5);
    path.closeSubpath();
    p.drawPath(path);
}

void DrawCross(QPainter& p) {
    p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 10), QPointF(18, 17));
    p.drawLine(QPointF(18, 10), QPointF(11, 17));
}

// Letters with an arrow beside them that points the way the names run.
void DrawSortArrow(QPainter& p, bool ascending) {
    QFont font = p.font();
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(40, 40, 40));
    p.drawText(QRectF(1, 1, 9, 9), Qt::AlignCenter, ascending ? "A" : "Z");
    p.drawText(QRectF(1, 10, 9, 9), Qt::AlignCenter, ascending ? "Z" : "A");
    p.setPen(QPen(QColor(60, 110, 180), 2));
    p.drawLine(QPointF(15, 3), QPointF(15, 17));
    QPainterPath head;
    head.moveTo(11, 13);
    head.lineTo(15, 18);
    head.lineTo(19, 13);
    p.drawPath(head);
}

}  // namespace

QIcon ToolGlyph(Glyph glyph) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
        case Glyph::Add:
            DrawCard(p);
            DrawPlus(p);
            break;
        case Glyph::Modify:
            DrawCard(p);
            DrawPencil(p);
            break;
        case Glyph::Delete:
            DrawCard(p);
            DrawCross(p);
            break;
        case Glyph::Ascend:
            DrawSortArrow(p, true);
            break;
        case Glyph::Descend:
            DrawSortArrow(p, false);
            break;
    }
    return QIcon(pixmap);
}

}  // namespace kivo::phonebook
