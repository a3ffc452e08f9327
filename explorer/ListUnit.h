#pragma once

#include "platform/win/types.h"

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class TPlayListForm;

// The 250 file indexes of the play order, Flash files first, then card files, 0 when empty.
using PlayOrderTable = std::array<uint8_t, 250>;

// A list box of the play-order dialog: owner-drawn rows of a file name with its file index kept
// beside it; its mouse goes to the form's handlers of that list.
class PlayListBox : public QListWidget {
    Q_OBJECT
public:
    explicit PlayListBox(QWidget* parent);

    void AddRow(const QString& name, int fileIndex);
    QString NameAt(int row) const;
    int FileIndexAt(int row) const;
    // Exchanges two rows, names and file indexes both.
    void ExchangeRows(int a, int b);
    // The row under a point of the viewport; -1 below the last row.
    int RowAt(const QPoint& point) const;

    // What a press, a move and a release tell the form.
    struct Press {
        Qt::MouseButton button;
        Qt::MouseButtons held;
        Qt::KeyboardModifiers keys;
        bool doubleClick;
        QPoint point;
    };
    std::function<void(const Press&)> onMouseDown;
    std::function<void(const QPoint&)> onMouseMove;
    std::function<void()> onMouseUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool inDoubleClick_ = false;
};

// The play order: the MP3 files of each memory in their order, reordered by dragging.
class TPlayListForm : public QDialog {
    Q_OBJECT
public:
    explicit TPlayListForm(QWidget* owner);

    // The source rows: what the main window's file lists hold, read through their windows.
    struct Lists {
        HWND flashMemory;
        HWND smartMedia;
        // The hidden list of the last device listing: no listing, no write.
        HWND tempListView;
    };
    // PlayOrderClick's dialog (the busy test and the status bar are the main window's): filled
    // from the lists, shown modally; on OK with a listing held, the table goes to the player
    // through the link selector and `refresh` lists the player again.
    static void Execute(QWidget* mainWindow, HMODULE strings, const Lists& lists,
                        const std::function<void()>& refresh);

    // The caption and the texts of the pack.
    void ApplyTexts(HMODULE strings);
    // One row per file with a play-order position, in list order.
    void FillRows(const Lists& lists);
    // The rows' file indexes, IntListBox first; at most 249 entries, so it always ends in 0.
    PlayOrderTable BuildPlayOrderTable() const;

    // Components, named by role.
    QLabel* Label1;
    PlayListBox* IntListBox;
    QFrame* Bevel1;
    QLabel* Label2;
    PlayListBox* ExtListBox;
    QFrame* Bevel2;
    QPushButton* OKButton;
    QPushButton* CancelButton;

    void IntListBoxMouseDown(const PlayListBox::Press& press);
    void IntListBoxMouseMove(const QPoint& point);
    void IntListBoxMouseUp();
    void ExtListBoxMouseDown(const PlayListBox::Press& press);
    void ExtListBoxMouseMove(const QPoint& point);
    void ExtListBoxMouseUp();

private:
    void FormCreate();
    void MouseDown(PlayListBox* list, bool& dragging, const PlayListBox::Press& press);
    void MouseMove(PlayListBox* list, bool dragging, const QPoint& point);

    bool intDragging_ = false;
    bool extDragging_ = false;
    // Shared by both lists: the row under the pointer before and after the last move.
    int previousRow_ = -1;
    int currentRow_ = -1;
};
