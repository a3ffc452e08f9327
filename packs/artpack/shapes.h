#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>

namespace kivo::artpack {

// Whether a picture is drawn for the full-colour set or for the 16-colour set: the 16-colour
// drawing uses flat fills and no smoothing, so that reducing it to the palette keeps its
// shapes clean.
enum class Depth { Full, Sixteen };

// A picture of the given size filled with one colour (transparent by default).
QImage Canvas(int width, int height, QColor fill = Qt::transparent);
void Prepare(QPainter& painter, Depth depth = Depth::Full);

// The latin texts are set in Liberation Sans (metric twin of Arial), the Korean ones in
// NanumGothic; both come with the build machine's fonts.
QFont LatinFont(qreal pixels, bool bold);
QFont KoreanFont(qreal pixels, bool bold);

// The "kivo" word mark: geometric strokes, the dot of the i in the accent colour. The x-height
// gives the size; the k's ascender rises to 1.45 times it. Returns the drawn width.
qreal DrawWordmark(QPainter& painter, QPointF baselineLeft, qreal xHeight, const QColor& ink,
                   const QColor& accent);
qreal WordmarkWidth(qreal xHeight);

// Small symbols inside a box, shared by the header pages, tool glyphs and panels.
void DrawChip(QPainter& painter, const QRectF& box, const QColor& body, const QColor& pins,
              const QColor& mark);
void DrawCard(QPainter& painter, const QRectF& box, const QColor& body, const QColor& contacts,
              const QColor& label);
void DrawMonitor(QPainter& painter, const QRectF& box, const QColor& frame, const QColor& screen);
void DrawNote(QPainter& painter, const QRectF& box, const QColor& colour);
// A down arrow with a round-capped shaft and a filled head.
void DrawArrow(QPainter& painter, QPointF from, QPointF to, qreal width, const QColor& colour);

}  // namespace kivo::artpack
