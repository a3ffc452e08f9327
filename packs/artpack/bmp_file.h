#pragma once

#include <QImage>
#include <QString>

namespace kivo::artpack {

// The three kinds of BMP file the artpack holds.
enum class BmpKind {
    // 24 bits per pixel, opaque.
    Opaque,
    // 32 bits per pixel with straight (not premultiplied) alpha in a version-5 header; fully
    // transparent pixels also hold magenta 0xFF00FF, so a reader that ignores the alpha can
    // key them out.
    Alpha,
    // 4 bits per pixel with the suite's 16-colour palette (palette.h); every colour is mapped
    // to its nearest palette entry.
    Sixteen,
};

// Writes the picture as a bottom-up BMP file; false when the file cannot be written.
bool WriteBmp(const QImage& picture, BmpKind kind, const QString& path);

}  // namespace kivo::artpack
