#pragma once

#include "packs/artpack/shapes.h"

#include <QImage>

namespace kivo::artpack {

// Every picture of the artpack, drawn at its exact size.

// The title logo for the menu-bar row, 100 by 20: transparent in full colour; on the
// button-face grey in 16 colours.
QImage MenuLogo(Depth depth);
// The download-status panel, 111 by 117: the recessed well under the 6 by 6 balls at
// x = 21 + 12c, y = 29 + 12r, each ball place showing an unlit socket.
QImage StatusWell(Depth depth);
// One lit progress ball, 11 by 11; its corners are the well's colour.
QImage Ball(Depth depth);

enum class Language { English, Korean };
// The about box and splash, 429 by 299, with the web address printed over the hot spot.
QImage AboutLogo(Language language);

enum class Memory { Flash, Card };
// The header page above a file list, 298 by 20; on for the current list.
QImage HeaderPage(Memory memory, bool on);
// The bottom status panel behind the labels, 476 by 117.
QImage StatusBackground();

enum class Tool {
    Connect,
    CopyFlash,
    CopyCard,
    CopyPc,
    Trash,
    Stop,
    LargeIcon,
    SmallIcon,
    ListIcon,
    ReportIcon,
};
// A tool-button glyph, 20 by 20, on a transparent background.
QImage ToolGlyph(Tool tool);

enum class FileKind { Music, SecuredMusic };
// A file-list icon, 32 by 32 or 16 by 16, on a transparent background.
QImage FileIcon(FileKind kind, int size);

}  // namespace kivo::artpack
