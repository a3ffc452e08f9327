#pragma once

#include "platform/win/types.h"

#include <QFont>
#include <QString>

#include <initializer_list>

class QPushButton;
class QWidget;

namespace kivo::explorer {

// What every dialog of the explorer does alike: its texts from the language pack, the main
// window's font, its place over the main window.

// A text of the language pack, UTF-8 as the packs hold it; empty for a missing text or pack.
QString PackText(HMODULE strings, UINT id);

// The forms' own font as designed: Arial, 12 pixels high.
QFont FormFont();

// The dialog takes the font name of the main window and keeps its own size. Qt's fonts cover
// every script, so the main window's character set needs no counterpart here.
void TakeMainFontName(QWidget* dialog, const QWidget* mainWindow);

// Left = main left + (main width - dialog width) / 2, top likewise, both truncated toward zero;
// outer frames on both sides.
void CentreOver(QWidget* dialog, const QWidget* mainWindow);

// Tab order in the order given.
void SetTabOrder(std::initializer_list<QWidget*> widgets);
// The one button that Enter presses, whichever button has the focus.
void SetDefaultButton(QPushButton* defaultButton, std::initializer_list<QPushButton*> buttons);

// A top-level window in the middle of the screen it is on (or the primary screen).
void CentreOnScreen(QWidget* window);

}  // namespace kivo::explorer
