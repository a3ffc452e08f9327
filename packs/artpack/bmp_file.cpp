#include "packs/artpack/bmp_file.h"

#include "packs/artpack/palette.h"

#include <QFile>

#include <cstdint>
#include <limits>

namespace kivo::artpack {

namespace {

class Bytes {
public:
    void U16(uint32_t v) {
        data_.push_back(static_cast<char>(v & 0xFF));
        data_.push_back(static_cast<char>((v >> 8) & 0xFF));
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void U8(uint32_t v) { data_.push_back(static_cast<char>(v & 0xFF)); }
    void Zeros(size_t n) { data_.append(static_cast<qsizetype>(n), '\0'); }
    const QByteArray& data() const { return data_; }

private:
    QByteArray data_;
};

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kSrgb = 0x73524742;  // "sRGB"
constexpr uint32_t kIntentImages = 4;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

int NearestEntry(QRgb colour) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < static_cast<int>(kSixteen.size()); ++i) {
        int dr = qRed(colour) - qRed(kSixteen[i]);
        int dg = qGreen(colour) - qGreen(kSixteen[i]);
        int db = qBlue(colour) - qBlue(kSixteen[i]);
        // Weighted by the eye's sensitivity, so greys stay grey.
        int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

}  // namespace

bool WriteBmp(const QImage& picture, BmpKind kind, const QString& path) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const uint32_t width = static_cast<uint32_t>(image.width());
    const uint32_t height = static_cast<uint32_t>(image.height());
    const uint32_t bits = kind == BmpKind::Alpha ? 32 : kind == BmpKind::Opaque ? 24 : 4;
    const uint32_t stride = (width * bits + 31) / 32 * 4;
    const uint32_t headerSize = kind == BmpKind::Alpha ? kV5HeaderSize : kInfoHeaderSize;
    const uint32_t paletteSize = kind == BmpKind::Sixteen ? 16 * 4 : 0;
    const uint32_t offset = kFileHeaderSize + headerSize + paletteSize;
    const uint32_t size = offset + stride * height;

    Bytes out;
    out.U8('B');
    out.U8('M');
    out.U32(size);
    out.U32(0);
    out.U32(offset);

    out.U32(headerSize);
    out.U32(width);
    out.U32(height);
    out.U16(1);
    out.U16(bits);
    out.U32(kind == BmpKind::Alpha ? kBitFields : 0);
    out.U32(stride * height);
    out.U32(kPixelsPerMetre);
    out.U32(kPixelsPerMetre);
    out.U32(kind == BmpKind::Sixteen ? 16 : 0);
    out.U32(0);
    if (kind == BmpKind::Alpha) {
        out.U32(0x00FF0000);
        out.U32(0x0000FF00);
        out.U32(0x000000FF);
        out.U32(0xFF000000);
        out.U32(kSrgb);
        out.Zeros(36 + 12);  // colour-space end points and gamma: unused with sRGB
        out.U32(kIntentImages);
        out.Zeros(12);  // no profile, reserved
    }
    if (kind == BmpKind::Sixteen) {
        for (QRgb entry : kSixteen) {
            out.U8(qBlue(entry));
            out.U8(qGreen(entry));
            out.U8(qRed(entry));
            out.U8(0);
        }
    }

    for (int y = static_cast<int>(height) - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uint32_t written = 0;
        for (uint32_t x = 0; x < width; ++x) {
            QRgb p = row[x];
            switch (kind) {
                case BmpKind::Alpha:
                    if (qAlpha(p) == 0)
                        p = qRgba(255, 0, 255, 0);
                    out.U8(qBlue(p));
                    out.U8(qGreen(p));
                    out.U8(qRed(p));
                    out.U8(qAlpha(p));
                    written += 4;
                    break;
                case BmpKind::Opaque:
                    out.U8(qBlue(p));
                    out.U8(qGreen(p));
                    out.U8(qRed(p));
                    written += 3;
                    break;
                case BmpKind::Sixteen:
                    if (x % 2 == 0) {
                        uint32_t high = static_cast<uint32_t>(NearestEntry(p)) << 4;
                        uint32_t low =
                            x + 1 < width ? static_cast<uint32_t>(NearestEntry(row[x + 1])) : 0;
                        out.U8(high | low);
                        written += 1;
                    }
                    break;
            }
        }
        out.Zeros(stride - written);
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(out.data()) == out.data().size() && file.flush();
}

}  // namespace kivo::artpack
