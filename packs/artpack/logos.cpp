#include "packs/artpack/palette.h"
#include "packs/artpack/pictures.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

namespace kivo::artpack {

namespace {

// Where the about box lays its web-address hot spot over the logo.
constexpr int kHotSpotTop = 185;
constexpr int kHotSpotHeight = 17;
constexpr int kKoreanHotSpotLeft = 271;
constexpr int kKoreanHotSpotWidth = 129;
constexpr int kEnglishHotSpotLeft = 207;
constexpr int kEnglishHotSpotWidth = 193;

// The dark band that carries the address covers the hot spot and ends before the text of
// the about box's black information lines (labels at top 201) begins.
constexpr int kBandTop = 176;
constexpr int kBandBottom = 202;

QColor Faded(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

void DrawHero(QPainter& p) {
    QLinearGradient sky(0, 0, 429, kBandTop);
    sky.setColorAt(0, ink::kNavy);
    sky.setColorAt(0.55, ink::kDeepBlue);
    sky.setColorAt(1, ink::kBlue);
    p.fillRect(QRect(0, 0, 429, kBandTop), sky);

    // Soft rings behind the player, spreading like sound.
    p.setBrush(Qt::NoBrush);
    const QPointF source(338, 92);
    for (int i = 0; i < 6; ++i) {
        p.setPen(QPen(Faded(ink::kSky, 70 - 10 * i), 1.4));
        qreal r = 70 + 26 * i;
        p.drawEllipse(source, r, r);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Faded(ink::kWhite, 14));
    p.drawEllipse(QPointF(-30, 200), 140, 140);
}

void DrawPlayer(QPainter& p) {
    p.save();
    p.translate(338, 92);
    p.rotate(-14);
    const QRectF body(-32, -62, 64, 124);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(body.translated(5, 6), 16, 16);

    QLinearGradient shell(body.topLeft(), body.bottomRight());
    shell.setColorAt(0, ink::kWhite);
    shell.setColorAt(1, QColor(0xCF, 0xD8, 0xE2));
    p.setBrush(shell);
    p.drawRoundedRect(body, 16, 16);

    // The screen, with the level bars of a playing track.
    QRectF screen(-24, -52, 48, 46);
    p.setBrush(ink::kNavy);
    p.drawRoundedRect(screen, 5, 5);
    const qreal bars[] = {14, 26, 20, 32, 18, 24, 12};
    for (int i = 0; i < 7; ++i) {
        QRectF bar(-19 + 5.6 * i, -12 - bars[i], 3.6, bars[i]);
        QLinearGradient level(0, -12, 0, -44);
        level.setColorAt(0, ink::kAmber);
        level.setColorAt(1, ink::kLightYellow);
        p.setBrush(level);
        p.drawRoundedRect(bar, 1, 1);
    }

    // The round control pad.
    p.setBrush(QColor(0xE6, 0xEC, 0xF2));
    p.setPen(QPen(ink::kSky, 2));
    p.drawEllipse(QPointF(0, 24), 17, 17);
    p.setPen(Qt::NoPen);
    p.setBrush(ink::kBlue);
    p.drawEllipse(QPointF(0, 24), 6.5, 6.5);
    p.setBrush(ink::kWhite);
    QPolygonF play;
    play << QPointF(-2, 20.5) << QPointF(-2, 27.5) << QPointF(3.5, 24);
    p.drawPolygon(play);
    p.setBrush(ink::kSlate);
    for (int i = 0; i < 4; ++i) {
        QTransform turn;
        turn.rotate(90 * i);
        p.drawEllipse(turn.map(QPointF(0, -12)) + QPointF(0, 24), 1.3, 1.3);
    }
    p.restore();

    // The earphone cable leaving the top of the player.
    QPainterPath cable;
    cable.moveTo(318, 32);
    cable.cubicTo(312, 10, 290, 8, 276, 20);
    p.setPen(QPen(Faded(ink::kWhite, 200), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
}

void DrawTitle(QPainter& p) {
    DrawWordmark(p, QPointF(30, 98), 40, ink::kWhite, ink::kAmber);
    p.setPen(ink::kWhite);
    p.setFont(LatinFont(27, false));
    p.drawText(QPointF(30, 133), "Explorer");
    QFont series = LatinFont(11, true);
    series.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(series);
    p.setPen(ink::kAmberLight);
    p.drawText(QPointF(32, 156), "Q SERIES");
}

void DrawBand(QPainter& p, Language language) {
    p.fillRect(QRect(0, kBandTop, 429, kBandBottom - kBandTop), QColor(0x12, 0x22, 0x38));
    p.fillRect(QRect(0, kBandTop, 429, 1), Faded(ink::kAmber, 200));

    const bool korean = language == Language::Korean;
    const int left = korean ? kKoreanHotSpotLeft : kEnglishHotSpotLeft;
    const int width = korean ? kKoreanHotSpotWidth : kEnglishHotSpotWidth;
    // The hot spot's underline runs along its whole width; the address is printed from its
    // left edge, on the baseline the underline lies under.
    const QString address = korean ? "www.kivo.example" : "https://www.kivo.example";
    qreal size = 12;
    QFont font = LatinFont(size, true);
    while (QFontMetricsF(font).horizontalAdvance(address) > width - 4 && size > 8)
        font = LatinFont(--size, true);
    const qreal baseline = kHotSpotTop + kHotSpotHeight - 6;
    p.setFont(font);
    p.setPen(ink::kLightYellow);
    p.drawText(QPointF(left + 1, baseline), address);

    const QString tagline =
        korean ? QString::fromUtf8("MP3 플레이어 · 음성 녹음기") : "MP3 Player & Voice Recorder";
    p.setFont(korean ? KoreanFont(11, false) : LatinFont(11, false));
    p.setPen(ink::kSky);
    p.drawText(QPointF(30, baseline), tagline);
}

void DrawFooter(QPainter& p) {
    QLinearGradient paper(0, kBandBottom, 0, 299);
    paper.setColorAt(0, ink::kWhite);
    paper.setColorAt(1, ink::kIce);
    p.fillRect(QRect(0, kBandBottom, 429, 299 - kBandBottom), paper);

    p.save();
    p.setClipRect(QRect(0, kBandBottom, 429, 299 - kBandBottom));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(Faded(ink::kPaleBlue, 150 - 30 * i), 3));
        qreal r = 30 + 20 * i;
        p.drawEllipse(QPointF(429, 299), r, r);
    }
    p.restore();

    p.fillRect(QRect(30, 272, 369, 1), ink::kLightGrey);
    p.setFont(LatinFont(10, false));
    p.setPen(ink::kGrey);
    p.drawText(QRectF(0, 276, 429, 18), Qt::AlignHCenter | Qt::AlignVCenter,
               QString::fromUtf8("© kivo. All rights reserved."));
    p.fillRect(QRect(0, 298, 429, 1), ink::kPaleBlue);
}

}  // namespace

QImage AboutLogo(Language language) {
    QImage image = Canvas(429, 299, ink::kWhite);
    QPainter p(&image);
    Prepare(p);
    DrawHero(p);
    DrawPlayer(p);
    DrawTitle(p);
    DrawBand(p, language);
    DrawFooter(p);
    return image;
}

}  // namespace kivo::artpack
