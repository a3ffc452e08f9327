#pragma once

#include <QIcon>

namespace kivo::phonebook {

// The small pictures above the texts of the tool buttons, 20 by 20.
enum class Glyph { Add, Modify, Delete, Ascend, Descend };
QIcon ToolGlyph(Glyph glyph);

}  // namespace kivo::phonebook
