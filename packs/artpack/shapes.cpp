#include "packs/artpack/shapes.h"

#include <QLineF>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace kivo::artpack {

QImage Canvas(int width, int height, QColor fill) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void Prepare(QPainter& painter, Depth depth) {
    bool smooth = depth == Depth::Full;
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    painter.setRenderHint(QPainter::TextAntialiasing, smooth);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

namespace {

QFont Font(const QString& family, qreal pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(static_cast<int>(std::lround(pixels)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QPen Stroke(const QColor& colour, qreal width) {
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

}  // namespace

QFont LatinFont(qreal pixels, bool bold) {
    return Font("Liberation Sans", pixels, bold);
}

QFont KoreanFont(qreal pixels, bool bold) {
    return Font("NanumGothic", pixels, bold);
}

qreal WordmarkWidth(qreal xHeight) {
    // k 0.62, i 0, v 0.84, o 0.92, three gaps of 0.36, the stroke's own width at both ends.
    return xHeight * (0.62 + 0.84 + 0.92 + 3 * 0.36 + 0.22);
}

qreal DrawWordmark(QPainter& painter, QPointF at, qreal x, const QColor& ink,
                   const QColor& accent) {
    const qreal t = x * 0.22;
    const qreal base = at.y();
    qreal left = at.x() + t / 2;
    painter.save();
    painter.setPen(Stroke(ink, t));
    painter.setBrush(Qt::NoBrush);

    // k
    painter.drawLine(QPointF(left, base - 1.45 * x), QPointF(left, base));
    QPointF joint(left + 0.05 * x, base - 0.42 * x);
    painter.drawLine(QPointF(left + 0.62 * x, base - x), joint);
    painter.drawLine(QPointF(left + 0.24 * x, base - 0.6 * x), QPointF(left + 0.62 * x, base));
    left += 0.62 * x + 0.36 * x;

    // i, its dot in the accent colour
    painter.drawLine(QPointF(left, base - x), QPointF(left, base));
    painter.setPen(Qt::NoPen);
    painter.setBrush(accent);
    painter.drawEllipse(QPointF(left, base - 1.36 * x), t * 0.72, t * 0.72);
    painter.setPen(Stroke(ink, t));
    painter.setBrush(Qt::NoBrush);
    left += 0.36 * x;

    // v
    QPainterPath v;
    v.moveTo(left, base - x);
    v.lineTo(left + 0.42 * x, base);
    v.lineTo(left + 0.84 * x, base - x);
    painter.drawPath(v);
    left += 0.84 * x + 0.36 * x;

    // o
    qreal r = 0.46 * x;
    painter.drawEllipse(QPointF(left + r, base - x / 2), r, x / 2);
    painter.restore();
    return WordmarkWidth(x);
}

void DrawChip(QPainter& p, const QRectF& box, const QColor& body, const QColor& pins,
              const QColor& mark) {
    // On whole pixels, so that the pins stay apart even at 11 pixels high.
    const QRect area = box.toRect();
    const int pin = std::max(2, area.width() / 6);
    const int count = area.height() >= 16 ? 4 : 3;
    const int pitch = std::max(2, area.height() / count);
    const int first = area.top() + (area.height() - (count - 1) * pitch - pitch / 2) / 2;
    p.save();
    for (int i = 0; i < count; ++i) {
        int y = first + i * pitch;
        p.fillRect(QRect(area.left(), y, pin, pitch / 2), pins);
        p.fillRect(QRect(area.right() + 1 - pin, y, pin, pitch / 2), pins);
    }
    QRect core = area.adjusted(pin, 0, -pin, 0);
    p.fillRect(core, body);
    p.fillRect(QRect(core.left(), core.top(), core.width(), 1), body.lighter(160));
    p.fillRect(QRect(core.left() + 2, core.top() + 2, 2, 2), mark);
    p.restore();
}

void DrawCard(QPainter& p, const QRectF& box, const QColor& body, const QColor& contacts,
              const QColor& label) {
    p.save();
    const qreal cut = box.width() * 0.3;
    QPainterPath shape;
    shape.moveTo(box.left(), box.top());
    shape.lineTo(box.right() - cut, box.top());
    shape.lineTo(box.right(), box.top() + cut);
    shape.lineTo(box.right(), box.bottom());
    shape.lineTo(box.left(), box.bottom());
    shape.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawPath(shape);
    // the gold contacts near the top edge
    p.setBrush(contacts);
    const qreal w = box.width() * 0.12;
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(box.left() + box.width() * (0.14 + 0.17 * i), box.top() + w * 0.8, w,
                          box.height() * 0.22));
    p.setBrush(label);
    p.drawRect(QRectF(box.left() + box.width() * 0.14, box.top() + box.height() * 0.55,
                      box.width() * 0.72, box.height() * 0.3));
    p.restore();
}

void DrawMonitor(QPainter& p, const QRectF& box, const QColor& frame, const QColor& screen) {
    p.save();
    QRectF display(box.left(), box.top(), box.width(), box.height() * 0.72);
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    p.drawRoundedRect(display, box.width() * 0.08, box.width() * 0.08);
    p.setBrush(screen);
    p.drawRect(display.adjusted(box.width() * 0.1, box.width() * 0.1, -box.width() * 0.1,
                                -box.width() * 0.1));
    p.setBrush(frame);
    QRectF neck(box.center().x() - box.width() * 0.08, display.bottom(), box.width() * 0.16,
                box.height() * 0.14);
    p.drawRect(neck);
    p.drawRoundedRect(QRectF(box.left() + box.width() * 0.22, neck.bottom(), box.width() * 0.56,
                             box.bottom() - neck.bottom()),
                      1, 1);
    p.restore();
}

void DrawNote(QPainter& p, const QRectF& box, const QColor& colour) {
    p.save();
    const qreal w = box.width();
    const qreal h = box.height();
    const qreal stem = std::max(1.0, w * 0.12);
    QPointF head1(box.left() + w * 0.22, box.bottom() - h * 0.16);
    QPointF head2(box.left() + w * 0.78, box.bottom() - h * 0.26);
    qreal rx = w * 0.2;
    qreal ry = h * 0.15;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(head1, rx, ry);
    p.drawEllipse(head2, rx, ry);
    QRectF stem1(head1.x() + rx - stem, box.top() + h * 0.18, stem,
                 head1.y() - box.top() - h * 0.18);
    QRectF stem2(head2.x() + rx - stem, box.top() + h * 0.08, stem,
                 head2.y() - box.top() - h * 0.08);
    p.drawRect(stem1);
    p.drawRect(stem2);
    QPainterPath beam;
    beam.moveTo(stem1.left(), stem1.top());
    beam.lineTo(stem2.right(), stem2.top());
    beam.lineTo(stem2.right(), stem2.top() + h * 0.18);
    beam.lineTo(stem1.left(), stem1.top() + h * 0.18);
    beam.closeSubpath();
    p.drawPath(beam);
    p.restore();
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, qreal width, const QColor& colour) {
    p.save();
    QLineF line(from, to);
    const qreal head = width * 2.2;
    QLineF shaft(from, line.pointAt(std::max(0.0, 1 - head * 0.6 / line.length())));
    p.setPen(Stroke(colour, width));
    p.drawLine(shaft);
    QLineF unit = line.unitVector();
    QPointF dir(unit.dx(), unit.dy());
    QPointF normal(-dir.y(), dir.x());
    QPolygonF tip;
    tip << to << to - dir * head + normal * head * 0.75 << to - dir * head - normal * head * 0.75;
    p.setPen(QPen(colour, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(colour);
    p.drawPolygon(tip);
    p.restore();
}

}  // namespace kivo::artpack
