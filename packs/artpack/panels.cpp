#include "packs/artpack/palette.h"
#include "packs/artpack/pictures.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace kivo::artpack {

namespace {

// The grid of balls in the download-status panel.
constexpr int kGridLeft = 21;
constexpr int kGridTop = 29;
constexpr int kGridStep = 12;
constexpr int kBallSize = 11;

QColor Faded(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

}  // namespace

QImage MenuLogo(Depth depth) {
    const bool full = depth == Depth::Full;
    QImage image = Canvas(100, 20, full ? QColor(Qt::transparent) : ink::kFace);
    QPainter p(&image);
    Prepare(p, depth);
    const qreal xHeight = 9;
    QFont font = LatinFont(10, true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    const QString series = "Q Series";
    const qreal seriesWidth = QFontMetricsF(font).horizontalAdvance(series);
    const qreal left = 100 - 4 - seriesWidth - 6 - WordmarkWidth(xHeight);
    DrawWordmark(p, QPointF(left, 16), xHeight, ink::kNavy, ink::kAmber);
    p.setFont(font);
    p.setPen(full ? ink::kBlue : ink::kBlue);
    p.drawText(QPointF(100 - 4 - seriesWidth, 16), series);
    return image;
}

QImage StatusWell(Depth depth) {
    const bool full = depth == Depth::Full;
    QImage image = Canvas(111, 117, full ? ink::kMist : ink::kFace);
    QPainter p(&image);
    Prepare(p, depth);
    if (full) {
        QLinearGradient shade(0, 0, 0, 117);
        shade.setColorAt(0, ink::kMist);
        shade.setColorAt(1, ink::kLightGrey);
        p.fillRect(image.rect(), shade);
        p.fillRect(QRect(0, 0, 1, 117), ink::kInactive);
        p.fillRect(QRect(1, 0, 1, 117), ink::kWhite);
        p.fillRect(QRect(0, 0, 111, 1), ink::kInactive);
        p.fillRect(QRect(1, 1, 110, 1), ink::kWhite);
    }

    // The caption strip above the well: a transfer symbol, room for a word after it.
    QRectF strip(15.5, 6.5, 82, 14);
    p.setPen(full ? QPen(Faded(ink::kSky, 160), 1) : QPen(ink::kSky, 1));
    p.setBrush(ink::kPaleBlue);
    p.drawRoundedRect(strip, 3, 3);
    DrawArrow(p, QPointF(23, 9), QPointF(23, 16.5), 1.6, ink::kBlue);
    p.setPen(QPen(ink::kBlue, 1.2));
    p.drawLine(QPointF(19, 18), QPointF(27, 18));

    // The well, sunk into the panel: dark above and to the left, light below and to the right.
    const int left = kGridLeft - 5;
    const int top = kGridTop - 5;
    const int size = 5 * kGridStep + kBallSize + 10;
    QRectF well(left + 0.5, top + 0.5, size - 1, size - 1);
    p.setPen(QPen(ink::kWhite, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(well.adjusted(0.5, 0.5, 0.5, 0.5), 5, 5);
    p.setPen(QPen(ink::kSlate, 1));
    p.setBrush(ink::kNavy);
    p.drawRoundedRect(well.adjusted(-0.5, -0.5, -0.5, -0.5), 5, 5);

    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 6; ++c) {
            QPointF centre(kGridLeft + kGridStep * c + kBallSize / 2.0,
                           kGridTop + kGridStep * r + kBallSize / 2.0);
            p.setPen(Qt::NoPen);
            p.setBrush(ink::kSocket);
            p.drawEllipse(centre, 4.5, 4.5);
            if (full) {
                p.setBrush(Faded(ink::kSky, 40));
                p.drawEllipse(centre + QPointF(-1, -1), 2, 2);
            }
        }
    }
    return image;
}

QImage Ball(Depth depth) {
    QImage image = Canvas(kBallSize, kBallSize, ink::kNavy);
    QPainter p(&image);
    Prepare(p, depth);
    const QPointF centre(kBallSize / 2.0, kBallSize / 2.0);
    p.setPen(Qt::NoPen);
    if (depth == Depth::Full) {
        QRadialGradient glow(centre, 5.5, QPointF(4.2, 3.8));
        glow.setColorAt(0, ink::kLightYellow);
        glow.setColorAt(0.45, ink::kAmberLight);
        glow.setColorAt(0.8, ink::kAmber);
        glow.setColorAt(1, ink::kDarkAmber);
        p.setBrush(glow);
        p.drawEllipse(centre, 5, 5);
        p.setBrush(QColor(255, 255, 255, 210));
        p.drawEllipse(QPointF(4, 3.6), 1.5, 1.1);
    } else {
        p.setBrush(ink::kDarkAmber);
        p.drawEllipse(QRect(0, 0, 11, 11));
        p.setBrush(ink::kAmber);
        p.drawEllipse(QRect(0, 0, 10, 10));
        p.fillRect(QRect(3, 3, 2, 2), ink::kLightYellow);
    }
    return image;
}

QImage HeaderPage(Memory memory, bool on) {
    QImage image = Canvas(298, 20);
    QPainter p(&image);
    Prepare(p);
    QLinearGradient shade(0, 0, 0, 20);
    shade.setColorAt(0, on ? QColor(0xFF, 0xF9, 0xE2) : QColor(0xCC, 0xD2, 0xD8));
    shade.setColorAt(1, on ? QColor(0xF8, 0xE1, 0x9C) : QColor(0xA9, 0xB1, 0xB9));
    p.fillRect(image.rect(), shade);
    p.fillRect(QRect(0, 0, 298, 1), on ? ink::kWhite : QColor(0xDD, 0xE2, 0xE6));
    p.fillRect(QRect(0, 18, 298, 2), on ? ink::kAmber : ink::kGrey);

    // The memory's symbol in a rounded tab at the left.
    QRectF tab(4.5, 2.5, 30, 14);
    p.setPen(QPen(on ? Faded(ink::kAmber, 170) : Faded(ink::kSlate, 110), 1));
    p.setBrush(on ? ink::kWhite : QColor(0xC2, 0xC9, 0xD0));
    p.drawRoundedRect(tab, 4, 4);
    const QColor body = on ? ink::kNavy : ink::kSlate;
    const QColor detail = on ? ink::kAmber : ink::kLightGrey;
    if (memory == Memory::Flash)
        DrawChip(p, QRectF(11, 4, 17, 12), body, on ? ink::kSlate : ink::kGrey, detail);
    else
        DrawCard(p, QRectF(14, 3.5, 11, 12), on ? ink::kBlue : ink::kSlate, detail,
                 on ? ink::kWhite : ink::kLightGrey);

    // A lamp at the right that glows for the current list.
    const QPointF lamp(286, 9.5);
    p.setPen(Qt::NoPen);
    if (on) {
        QRadialGradient glow(lamp, 7);
        glow.setColorAt(0, Faded(ink::kAmber, 150));
        glow.setColorAt(1, Faded(ink::kAmber, 0));
        p.setBrush(glow);
        p.drawEllipse(lamp, 7, 7);
        QRadialGradient bulb(lamp, 3.5, lamp + QPointF(-1, -1));
        bulb.setColorAt(0, ink::kLightYellow);
        bulb.setColorAt(1, ink::kAmber);
        p.setBrush(bulb);
    } else {
        p.setBrush(ink::kGrey);
    }
    p.drawEllipse(lamp, 3.5, 3.5);
    return image;
}

QImage StatusBackground() {
    QImage image = Canvas(476, 117);
    QPainter p(&image);
    Prepare(p);
    QLinearGradient shade(0, 0, 0, 117);
    shade.setColorAt(0, ink::kMist);
    shade.setColorAt(1, ink::kLightGrey);
    p.fillRect(image.rect(), shade);
    p.fillRect(QRect(0, 0, 476, 1), ink::kInactive);
    p.fillRect(QRect(0, 1, 476, 1), ink::kWhite);

    // A faint word mark and sound waves at the right, clear of the labels.
    p.setClipRect(QRect(0, 2, 476, 115));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 5; ++i) {
        p.setPen(QPen(Faded(ink::kSky, 46 - 7 * i), 3));
        qreal r = 30 + 22 * i;
        p.drawEllipse(QPointF(476, 117), r, r);
    }
    DrawWordmark(p, QPointF(352, 92), 24, QColor(0xD3, 0xDB, 0xE4), QColor(0xF3, 0xD9, 0xA6));
    return image;
}

}  // namespace kivo::artpack
