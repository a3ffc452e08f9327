#include "platform/ui/list_view.h"
#include "platform/ui/application.h"

#include <QDropEvent>
#include <QListView>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kivo::ui::ListColumn;
using kivo::ui::ListView;
using kivo::ui::ViewStyle;

namespace {

// Adds a row the way a library does: insert at the end, then the sub-items, all by messages.
void AppendRow(HWND list, const std::vector<std::string>& cells, int image = -1) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(cells[0].c_str());
    item.iImage = image;
    int row =
        static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t c = 1; c < cells.size(); ++c) {
        LVITEMA sub{};
        sub.iSubItem = static_cast<int>(c);
        sub.pszText = const_cast<char*>(cells[c].c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
    }
}

std::vector<ListColumn> FileColumns() {
    return {{"Name", 102, Qt::AlignLeft}, {"Size", 80, Qt::AlignRight},
            {"Type", 0, Qt::AlignLeft},   {"Index", 0, Qt::AlignLeft},
            {"Order", 0, Qt::AlignLeft},  {"Time", 80, Qt::AlignLeft}};
}

QString Shown(ListView& list, int row, int column) {
    return list.model().data(list.model().index(row, column), Qt::DisplayRole).toString();
}

}  // namespace

TEST(ListViewWidget, ShowsRowsAddedThroughTheWindowWithColumnsAndWidths) {
    ListView list;
    list.SetColumns(FileColumns());
    list.resize(300, 200);
    list.show();
    AppendRow(list.handle(), {"song.mp3", "4 KB", "MP3", "6", "0", "00:03:10", "song.mp3"});
    AppendRow(list.handle(), {"memo.sc4", "1 KB"});
    ASSERT_EQ(list.model().rowCount(), 2);
    EXPECT_EQ(list.model().columnCount(), 6);  // the sixth sub-item stays in the control only
    EXPECT_EQ(Shown(list, 0, 0), "song.mp3");
    EXPECT_EQ(Shown(list, 0, 5), "00:03:10");
    EXPECT_EQ(Shown(list, 1, 5), "");
    EXPECT_EQ(list.control().Cell(0, 6), "song.mp3");
    EXPECT_EQ(list.model().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Size");
    auto align = list.model().data(list.model().index(0, 1), Qt::TextAlignmentRole);
    EXPECT_TRUE(align.value<Qt::Alignment>() & Qt::AlignRight);
    // Widths as given; columns 2 to 4 hold data but take no room.
    std::vector<int> widths;
    for (int c = 0; c < 6; ++c)
        widths.push_back(list.ColumnWidth(c));
    EXPECT_EQ(widths, (std::vector<int>{102, 80, 0, 0, 0, 80}));

    // Changes through the window show at once; deleting all empties the view.
    LVITEMA sub{};
    sub.iSubItem = 0;
    sub.pszText = const_cast<char*>("renamed.mp3");
    SendMessageA(list.handle(), LVM_SETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&sub));
    EXPECT_EQ(Shown(list, 1, 0), "renamed.mp3");
    SendMessageA(list.handle(), LVM_DELETEITEM, 0, 0);
    EXPECT_EQ(Shown(list, 0, 0), "renamed.mp3");
    SendMessageA(list.handle(), LVM_DELETEALLITEMS, 0, 0);
    EXPECT_EQ(list.model().rowCount(), 0);
}

TEST(ListViewWidget, FourViewStylesShowTheSameRowsAndSelection) {
    ListView list;
    list.SetColumns(FileColumns());
    kivo::ui::ImageList images;
    QPixmap large(32, 32), small(16, 16);
    large.fill(Qt::red);
    small.fill(Qt::blue);
    images.Set(0, large, small);
    list.SetImages(&images);
    AppendRow(list.handle(), {"a.mp3"}, 0);
    AppendRow(list.handle(), {"b.tel"});
    AppendRow(list.handle(), {"c.mp3"}, 0);
    list.SetRowSelected(0, true);
    list.SetRowSelected(2, true);

    struct Case {
        ViewStyle style;
        bool report;
        QListView::ViewMode mode;
        QListView::Flow flow;
        int icon;
    };
    const Case cases[] = {
        {ViewStyle::LargeIcon, false, QListView::IconMode, QListView::LeftToRight, 32},
        {ViewStyle::SmallIcon, false, QListView::ListMode, QListView::LeftToRight, 16},
        {ViewStyle::List, false, QListView::ListMode, QListView::TopToBottom, 16},
        {ViewStyle::Report, true, QListView::ListMode, QListView::TopToBottom, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        list.SetViewStyle(c.style);
        EXPECT_EQ(list.viewStyle(), c.style);
        QAbstractItemView* view = list.currentView();
        EXPECT_EQ(qobject_cast<QTreeView*>(view) != nullptr, c.report);
        if (auto* icons = qobject_cast<QListView*>(view)) {
            EXPECT_EQ(icons->viewMode(), c.mode);
            EXPECT_EQ(icons->flow(), c.flow);
        }
        EXPECT_EQ(view->iconSize().width(), c.icon);
        auto icon = list.model().data(list.model().index(0, 0), Qt::DecorationRole).value<QIcon>();
        EXPECT_EQ(icon.pixmap(64, 64).width(), c.icon);  // the large picture only in large icons
        // A row without an image keeps an empty slot of the same size, so captions line up.
        auto blank = list.model().data(list.model().index(1, 0), Qt::DecorationRole).value<QIcon>();
        const QImage slot = blank.pixmap(64, 64).toImage();
        EXPECT_EQ(slot.width(), c.icon);
        EXPECT_EQ(slot.pixelColor(slot.width() / 2, slot.height() / 2).alpha(), 0);
        EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 2}));
    }
}

TEST(ListViewWidget, ClicksSelectSeveralRowsAndReportAfterTheSelectionMoved) {
    ListView list;
    list.SetColumns(FileColumns());
    list.resize(300, 200);
    for (const char* name : {"a", "b", "c"})
        AppendRow(list.handle(), {name});
    list.show();
    std::vector<std::vector<int>> seenAtPress;
    std::vector<Qt::MouseButton> buttons;
    list.onMouseDown = [&](Qt::MouseButton button, QPoint) {
        buttons.push_back(button);
        seenAtPress.push_back(list.SelectedRows());
    };
    std::vector<int> keys;
    list.onKeyDown = [&](int key) { keys.push_back(key); };
    QAbstractItemView* view = list.currentView();
    auto centre = [&](int row) { return view->visualRect(list.model().index(row, 0)).center(); };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre(0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(2));
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, centre(2));
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(buttons,
              (std::vector<Qt::MouseButton>{Qt::LeftButton, Qt::LeftButton, Qt::RightButton}));
    ASSERT_EQ(seenAtPress.size(), 3u);
    EXPECT_EQ(seenAtPress[0], (std::vector<int>{0}));
    EXPECT_EQ(seenAtPress[1], (std::vector<int>{0, 2}));
    EXPECT_EQ(keys, (std::vector<int>{Qt::Key_Delete}));
}

TEST(ListViewWidget, CustomSortReadsCellsThroughTheWindowAndKeepsImages) {
    ListView list;
    list.SetColumns(FileColumns());
    for (auto [name, order, image] :
         {std::tuple{"x.mp3", "2", 0}, {"y.tel", "-1", -1}, {"z.mp3", "0", 0}, {"w.sm3", "1", 3}})
        AppendRow(list.handle(), {name, "", "", "", order}, image);
    HWND h = list.handle();
    list.SortItems([h](int a, int b) {
        char x[16] = {}, y[16] = {};
        LVITEMA item{};
        item.iSubItem = 4;
        item.cchTextMax = sizeof x;
        item.pszText = x;
        SendMessageA(h, LVM_GETITEMTEXTA, a, reinterpret_cast<LPARAM>(&item));
        item.pszText = y;
        SendMessageA(h, LVM_GETITEMTEXTA, b, reinterpret_cast<LPARAM>(&item));
        return std::stoi(x) - std::stoi(y);
    });
    ASSERT_EQ(list.model().rowCount(), 4);
    QStringList names;
    std::vector<int> imagesOf;
    for (int r = 0; r < 4; ++r) {
        names << Shown(list, r, 0);
        imagesOf.push_back(list.control().RowAt(r).image);
    }
    EXPECT_EQ(names, (QStringList{"y.tel", "z.mp3", "w.sm3", "x.mp3"}));
    EXPECT_EQ(imagesOf, (std::vector<int>{-1, 0, 3, 0}));
}

namespace {

void Drop(ListView& list, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QWidget* target = list.currentView()->viewport();
    QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

}  // namespace

TEST(ListViewWidget, DropsReachTheAppHookAsWholeLocalPathsInDropOrder) {
    ListView flash, card;
    flash.show();
    card.show();
    struct Seen {
        HWND window;
        std::vector<std::string> paths;
    };
    std::vector<Seen> seen;
    kivo::ui::SetAppMessageHook([&](const kivo::ui::AppMessage& m) {
        if (m.message != WM_DROPFILES)
            return false;
        seen.push_back({m.window, reinterpret_cast<kivo::ui::DroppedFiles*>(m.wParam)->paths});
        return true;
    });
    std::string longPath = "/tmp/" + std::string(300, 'n') + "/z.mp3";
    Drop(flash, {QUrl::fromLocalFile("/tmp/b.mp3"), QUrl::fromLocalFile("/tmp/a.mp3")});
    card.SetAcceptFiles(true);
    flash.SetAcceptFiles(true);
    Drop(card, {QUrl("https://example.com/x.mp3"), QUrl::fromLocalFile("/tmp/b.mp3"),
                QUrl::fromLocalFile("/tmp/a.mp3"),
                QUrl::fromLocalFile(QString::fromStdString(longPath))});
    Drop(flash, {QUrl("https://example.com/only-remote.mp3")});
    kivo::ui::SetAppMessageHook(nullptr);
    // Nothing before the list accepts files; remote addresses never; the long path whole.
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].window, card.handle());
    EXPECT_EQ(seen[0].paths, (std::vector<std::string>{"/tmp/b.mp3", "/tmp/a.mp3", longPath}));
}
