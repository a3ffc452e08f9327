// Draws every bitmap of the artpack into the folder given as the only argument, one file
// "<NAME>.bmp" each. The build runs it.
//
// How the pictures meet the window (bmp_file.h has the three kinds of file):
// - The tool glyphs, the file icons and 256MENU are 32-bit with alpha: transparent round the
//   picture, the key colour magenta 0xFF00FF under every fully transparent pixel.
// - The "016" pictures are 16-colour files whose background is the colour of their bottom-left
//   pixel, the colour a transparent bitmap drops; the pictures use it nowhere else.
// - 256BALL's and 016BALL's corners have the colour of the well of 256STAT and 016STAT, so a
//   ball laid opaque on its grid place shows no edge.
#include "packs/artpack/bmp_file.h"
#include "packs/artpack/pictures.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <functional>

namespace {

using namespace kivo::artpack;

struct Picture {
    const char* name;
    BmpKind kind;
    std::function<QImage()> draw;
};

const Picture kPictures[] = {
    {"256MENU", BmpKind::Alpha, [] { return MenuLogo(Depth::Full); }},
    {"256STAT", BmpKind::Opaque, [] { return StatusWell(Depth::Full); }},
    {"256BALL", BmpKind::Opaque, [] { return Ball(Depth::Full); }},
    {"016MENU", BmpKind::Sixteen, [] { return MenuLogo(Depth::Sixteen); }},
    {"016STAT", BmpKind::Sixteen, [] { return StatusWell(Depth::Sixteen); }},
    {"016BALL", BmpKind::Sixteen, [] { return Ball(Depth::Sixteen); }},
    {"ENLOGO", BmpKind::Opaque, [] { return AboutLogo(Language::English); }},
    {"KRLOGO", BmpKind::Opaque, [] { return AboutLogo(Language::Korean); }},
    {"HDRFLASHOFF", BmpKind::Opaque, [] { return HeaderPage(Memory::Flash, false); }},
    {"HDRFLASHON", BmpKind::Opaque, [] { return HeaderPage(Memory::Flash, true); }},
    {"HDRCARDOFF", BmpKind::Opaque, [] { return HeaderPage(Memory::Card, false); }},
    {"HDRCARDON", BmpKind::Opaque, [] { return HeaderPage(Memory::Card, true); }},
    {"STATUSBG", BmpKind::Opaque, [] { return StatusBackground(); }},
    {"BTNCONNECT", BmpKind::Alpha, [] { return ToolGlyph(Tool::Connect); }},
    {"BTNCOPYFLASH", BmpKind::Alpha, [] { return ToolGlyph(Tool::CopyFlash); }},
    {"BTNCOPYCARD", BmpKind::Alpha, [] { return ToolGlyph(Tool::CopyCard); }},
    {"BTNCOPYPC", BmpKind::Alpha, [] { return ToolGlyph(Tool::CopyPc); }},
    {"BTNTRASH", BmpKind::Alpha, [] { return ToolGlyph(Tool::Trash); }},
    {"BTNSTOP", BmpKind::Alpha, [] { return ToolGlyph(Tool::Stop); }},
    {"BTNLARGEICON", BmpKind::Alpha, [] { return ToolGlyph(Tool::LargeIcon); }},
    {"BTNSMALLICON", BmpKind::Alpha, [] { return ToolGlyph(Tool::SmallIcon); }},
    {"BTNLISTICON", BmpKind::Alpha, [] { return ToolGlyph(Tool::ListIcon); }},
    {"BTNREPORTICON", BmpKind::Alpha, [] { return ToolGlyph(Tool::ReportIcon); }},
    {"FILE0LARGE", BmpKind::Alpha, [] { return FileIcon(FileKind::Music, 32); }},
    {"FILE0SMALL", BmpKind::Alpha, [] { return FileIcon(FileKind::Music, 16); }},
    {"FILE3LARGE", BmpKind::Alpha, [] { return FileIcon(FileKind::SecuredMusic, 32); }},
    {"FILE3SMALL", BmpKind::Alpha, [] { return FileIcon(FileKind::SecuredMusic, 16); }},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    // Text needs the font database, which needs a platform; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(".")) {
        std::fprintf(stderr, "%s: cannot create the folder\n", argv[1]);
        return 1;
    }
    for (const Picture& picture : kPictures) {
        QString path = folder.filePath(QString(picture.name) + ".bmp");
        if (!WriteBmp(picture.draw(), picture.kind, path)) {
            std::fprintf(stderr, "%s: cannot be written\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
