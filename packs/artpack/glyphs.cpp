#include "packs/artpack/palette.h"
#include "packs/artpack/pictures.h"

#include <QPainterPath>

namespace kivo::artpack {

namespace {

// The small amber badge with a down arrow that marks the three copy commands.
void DrawCopyBadge(QPainter& p) {
    p.save();
    p.setPen(QPen(ink::kWhite, 1.2));
    p.setBrush(ink::kAmber);
    p.drawEllipse(QPointF(5.5, 5.5), 5, 5);
    DrawArrow(p, QPointF(5.5, 2.3), QPointF(5.5, 8.8), 1.5, ink::kWhite);
    p.restore();
}

void DrawPlug(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink::kSlate);
    p.drawRoundedRect(QRectF(6.5, 1.5, 2, 5), 0.8, 0.8);
    p.drawRoundedRect(QRectF(11.5, 1.5, 2, 5), 0.8, 0.8);
    p.setBrush(ink::kBlue);
    QPainterPath body;
    body.addRoundedRect(QRectF(4.5, 6, 11, 6.5), 2, 2);
    body.addRoundedRect(QRectF(7, 10, 6, 4.5), 1.5, 1.5);
    p.drawPath(body.simplified());
    p.setBrush(ink::kSky);
    p.drawRect(QRectF(6, 7.5, 8, 1.2));
    QPainterPath cable;
    cable.moveTo(10, 14.5);
    cable.cubicTo(10, 18, 14, 17, 16, 18.5);
    p.setPen(QPen(ink::kNavy, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
}

void DrawTrash(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink::kSlate);
    p.drawRoundedRect(QRectF(7.5, 1.5, 5, 2.5), 1, 1);
    p.drawRoundedRect(QRectF(3, 3.5, 14, 2.2), 1, 1);
    QPainterPath can;
    can.moveTo(4.5, 6.5);
    can.lineTo(15.5, 6.5);
    can.lineTo(14.4, 18.5);
    can.lineTo(5.6, 18.5);
    can.closeSubpath();
    p.setBrush(ink::kGrey);
    p.drawPath(can);
    p.setPen(QPen(ink::kLightGrey, 1.2, Qt::SolidLine, Qt::RoundCap));
    for (qreal x : {7.6, 10.0, 12.4})
        p.drawLine(QPointF(x, 8.8), QPointF(x, 16.3));
}

void DrawStop(QPainter& p) {
    QPolygonF octagon;
    const qreal a = 4.6;
    const qreal b = 8.8;
    for (QPointF corner : {QPointF(-a, -b), QPointF(a, -b), QPointF(b, -a), QPointF(b, a),
                           QPointF(a, b), QPointF(-a, b), QPointF(-b, a), QPointF(-b, -a)})
        octagon << corner + QPointF(10, 10);
    p.setPen(QPen(QColor(0xA8, 0x2E, 0x24), 1));
    p.setBrush(ink::kRed);
    p.drawPolygon(octagon);
    p.setPen(Qt::NoPen);
    p.setBrush(ink::kWhite);
    p.drawRoundedRect(QRectF(6.5, 6.5, 7, 7), 1, 1);
}

void DrawViewStyle(QPainter& p, Tool tool) {
    p.setPen(Qt::NoPen);
    auto square = [&](qreal x, qreal y, qreal size) {
        p.setBrush(ink::kBlue);
        p.drawRoundedRect(QRectF(x, y, size, size), 1, 1);
    };
    auto line = [&](qreal x, qreal y, qreal length) {
        p.setBrush(ink::kSlate);
        p.drawRect(QRectF(x, y, length, 1.6));
    };
    switch (tool) {
        case Tool::LargeIcon:
            for (qreal y : {2.0, 11.0})
                for (qreal x : {2.0, 11.0})
                    square(x, y, 7);
            break;
        case Tool::SmallIcon:
            for (qreal y : {3.0, 9.0, 15.0})
                for (qreal x : {2.0, 11.0}) {
                    square(x, y - 0.5, 3.5);
                    line(x + 4.5, y + 0.5, 3);
                }
            break;
        case Tool::ListIcon:
            for (qreal y : {2.5, 7.0, 11.5, 16.0}) {
                square(2, y - 0.5, 3.5);
                line(7, y + 0.5, 11);
            }
            break;
        default:
            p.setBrush(ink::kBlue);
            p.drawRoundedRect(QRectF(2, 2.5, 16, 3.5), 1, 1);
            for (qreal y : {8.5, 12.5, 16.5}) {
                line(2, y, 5);
                line(9, y, 9);
            }
            break;
    }
}

void DrawPage(QPainter& p, const QRectF& page, qreal fold) {
    QPainterPath sheet;
    sheet.moveTo(page.topLeft());
    sheet.lineTo(page.right() - fold, page.top());
    sheet.lineTo(page.right(), page.top() + fold);
    sheet.lineTo(page.bottomRight());
    sheet.lineTo(page.bottomLeft());
    sheet.closeSubpath();
    p.setPen(QPen(ink::kGrey, 1));
    p.setBrush(ink::kWhite);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    corner.closeSubpath();
    p.setBrush(ink::kLightGrey);
    p.drawPath(corner);
}

void DrawPadlock(QPainter& p, const QRectF& box) {
    p.save();
    const qreal w = box.width();
    p.setPen(QPen(ink::kDarkAmber, w * 0.16, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(box.left() + w * 0.22, box.top(), w * 0.56, w * 0.7), 0, 180 * 16);
    p.drawLine(QPointF(box.left() + w * 0.22, box.top() + w * 0.35),
               QPointF(box.left() + w * 0.22, box.top() + w * 0.5));
    p.drawLine(QPointF(box.right() - w * 0.22, box.top() + w * 0.35),
               QPointF(box.right() - w * 0.22, box.top() + w * 0.5));
    p.setPen(QPen(ink::kDarkAmber, 1));
    p.setBrush(ink::kAmber);
    p.drawRoundedRect(QRectF(box.left(), box.top() + w * 0.45, w, box.height() - w * 0.45),
                      w * 0.12, w * 0.12);
    p.restore();
}

}  // namespace

QImage ToolGlyph(Tool tool) {
    QImage image = Canvas(20, 20);
    QPainter p(&image);
    Prepare(p);
    switch (tool) {
        case Tool::Connect:
            DrawPlug(p);
            break;
        case Tool::CopyFlash:
            DrawChip(p, QRectF(4, 5, 16, 14), ink::kNavy, ink::kSlate, ink::kAmber);
            DrawCopyBadge(p);
            break;
        case Tool::CopyCard:
            DrawCard(p, QRectF(6.5, 4.5, 12, 15), ink::kBlue, ink::kAmberLight, ink::kWhite);
            DrawCopyBadge(p);
            break;
        case Tool::CopyPc:
            DrawMonitor(p, QRectF(4, 5, 15.5, 14), ink::kSlate, ink::kSky);
            DrawCopyBadge(p);
            break;
        case Tool::Trash:
            DrawTrash(p);
            break;
        case Tool::Stop:
            DrawStop(p);
            break;
        default:
            DrawViewStyle(p, tool);
            break;
    }
    return image;
}

QImage FileIcon(FileKind kind, int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    Prepare(p);
    const bool large = size >= 32;
    const bool secured = kind == FileKind::SecuredMusic;
    const qreal s = size / 32.0;
    DrawPage(p, QRectF(5.5 * s, 1.5 * s, 21 * s, 29 * s), large ? 7 : 4.5);
    const QColor tone = secured ? ink::kDarkAmber : ink::kBlue;
    if (large) {
        DrawNote(p, QRectF(9, 5, 13, 14), tone);
        p.setPen(Qt::NoPen);
        p.setBrush(secured ? ink::kAmber : ink::kBlue);
        // The type on a band across the page; the secured file's band leaves room for its lock.
        const QRectF band = secured ? QRectF(2, 20, 19, 9) : QRectF(3, 20, 21, 9);
        p.drawRoundedRect(band, 2, 2);
        p.setFont(LatinFont(8, true));
        p.setPen(ink::kWhite);
        p.drawText(band, Qt::AlignCenter, secured ? "SM3" : "MP3");
        if (secured)
            DrawPadlock(p, QRectF(21.5, 17.5, 9.5, 13));
    } else {
        DrawNote(p, QRectF(4.5, 4, 8, 9), tone);
        if (secured)
            DrawPadlock(p, QRectF(10, 8.5, 6, 7.5));
    }
    return image;
}

}  // namespace kivo::artpack
