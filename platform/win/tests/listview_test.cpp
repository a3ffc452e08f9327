#include "platform/win/listview.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorder : ListViewObserver {
    std::vector<std::string> events;
    void RowInserted(int row) override { events.push_back("insert " + std::to_string(row)); }
    void CellChanged(int row, int column) override {
        events.push_back("cell " + std::to_string(row) + "," + std::to_string(column));
    }
    void RowRemoved(int row) override { events.push_back("remove " + std::to_string(row)); }
    void RowsCleared() override { events.push_back("clear"); }
    void RowsReordered(const std::vector<int>& from) override {
        std::string event = "reorder";
        for (int row : from)
            event += " " + std::to_string(row);
        events.push_back(event);
    }
};

// Adds a row the way the device link does: count, insert at the end, then the cells by row.
int AppendRow(HWND list, const std::string& caption, const std::vector<std::string>& cells,
              LPARAM data = 0) {
    int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = n;
    item.pszText = const_cast<char*>(caption.c_str());
    item.lParam = data;
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (size_t c = 0; c < cells.size(); ++c) {
        LVITEMA sub{};
        sub.iSubItem = static_cast<int>(c + 1);
        sub.pszText = const_cast<char*>(cells[c].c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, n, reinterpret_cast<LPARAM>(&sub));
    }
    return n;
}

std::string ReadCell(HWND list, int row, int column, int bufferSize = 1024) {
    std::vector<char> buffer(bufferSize, 'x');
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = bufferSize;
    LRESULT n = SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    std::string text(buffer.data());
    EXPECT_EQ(static_cast<size_t>(n), text.size());
    return text;
}

}  // namespace

TEST(ListView, RowsStayInInsertionOrderAndCellsGoToTheirRow) {
    ListViewControl list;
    HWND h = list.handle();
    EXPECT_EQ(AppendRow(h, "b.mp3", {"10", "MPEG Audio File"}), 0);
    EXPECT_EQ(AppendRow(h, "a.mp3", {"20", "MPEG Audio File", "7", "0", " "}), 1);
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(ReadCell(h, 0, 0), "b.mp3");
    EXPECT_EQ(ReadCell(h, 1, 0), "a.mp3");
    EXPECT_EQ(ReadCell(h, 1, 1), "20");
    EXPECT_EQ(ReadCell(h, 1, 5), " ");
    // Cells never set, rows and columns out of range read as empty.
    EXPECT_EQ(ReadCell(h, 0, 5), "");
    EXPECT_EQ(ReadCell(h, 2, 0), "");
    EXPECT_EQ(ReadCell(h, -1, 0), "");
    EXPECT_EQ(ReadCell(h, 0, -1), "");
}

TEST(ListView, InsertInTheMiddleAndRejectedRecords) {
    ListViewControl list;
    HWND h = list.handle();
    AppendRow(h, "first", {});
    AppendRow(h, "last", {});
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = 1;
    item.pszText = const_cast<char*>("middle");
    EXPECT_EQ(SendMessageA(h, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), 1);
    item.iItem = 99;  // past the end: appended
    item.pszText = const_cast<char*>("tail");
    EXPECT_EQ(SendMessageA(h, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), 3);
    EXPECT_EQ(list.Cell(1, 0), "middle");
    EXPECT_EQ(list.Cell(3, 0), "tail");

    item.iSubItem = 1;  // an insert names the item, never a sub-item
    EXPECT_EQ(SendMessageA(h, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), -1);
    EXPECT_EQ(SendMessageA(h, LVM_INSERTITEMA, 0, 0), -1);
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>("x");
    EXPECT_EQ(SendMessageA(h, LVM_SETITEMTEXTA, 4, reinterpret_cast<LPARAM>(&sub)), FALSE);
    EXPECT_EQ(SendMessageA(h, LVM_SETITEMTEXTA, 0, 0), FALSE);
    EXPECT_EQ(list.RowCount(), 4);
}

TEST(ListView, TextIsCutToTheBufferAtACharacterBoundary) {
    ListViewControl list;
    HWND h = list.handle();
    std::string ascii(2000, 'k');
    // 341 three-byte characters (1023 bytes) and one more: the cut falls after 1023 bytes.
    std::string hangul;
    for (int i = 0; i < 342; ++i)
        hangul += "\xEA\xB0\x80";
    // One byte, then three-byte characters: 1023 bytes end inside the 341st character.
    std::string shifted = "a" + hangul;
    AppendRow(h, ascii, {hangul, shifted});
    EXPECT_EQ(ReadCell(h, 0, 0), ascii.substr(0, 1023));
    EXPECT_EQ(ReadCell(h, 0, 1), hangul.substr(0, 1023));
    EXPECT_EQ(ReadCell(h, 0, 2), shifted.substr(0, 1021));
    EXPECT_EQ(ReadCell(h, 0, 0, 4), "kkk");
    EXPECT_EQ(ReadCell(h, 0, 1, 3), "");
    EXPECT_EQ(ReadCell(h, 0, 0, 1), "");
    LVITEMA none{};
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&none)), 0);
}

TEST(ListView, GetItemGivesDataAndText) {
    ListViewControl list;
    HWND h = list.handle();
    AppendRow(h, "zero", {"one"}, 0);
    AppendRow(h, "other", {}, 0x1234);
    char buffer[16] = {};
    LVITEMA item{};
    item.mask = LVIF_PARAM | LVIF_TEXT;
    item.iItem = 1;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    ASSERT_EQ(SendMessageA(h, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)), TRUE);
    EXPECT_EQ(item.lParam, 0x1234);
    EXPECT_STREQ(buffer, "other");
    item.iItem = 0;
    item.iSubItem = 1;
    ASSERT_EQ(SendMessageA(h, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)), TRUE);
    EXPECT_EQ(item.lParam, 0);
    EXPECT_STREQ(buffer, "one");
    item.iItem = 2;
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)), FALSE);
}

TEST(ListView, DeleteOneAndDeleteAllTellTheObserver) {
    ListViewControl list;
    Recorder seen;
    list.SetObserver(&seen);
    HWND h = list.handle();
    AppendRow(h, "a", {"1"});
    AppendRow(h, "b", {});
    AppendRow(h, "c", {});
    EXPECT_EQ(SendMessageA(h, LVM_DELETEITEM, 1, 0), TRUE);
    EXPECT_EQ(SendMessageA(h, LVM_DELETEITEM, 5, 0), FALSE);
    EXPECT_EQ(list.Cell(1, 0), "c");
    EXPECT_EQ(SendMessageA(h, LVM_DELETEALLITEMS, 0, 0), TRUE);
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(seen.events, (std::vector<std::string>{"insert 0", "cell 0,1", "insert 1", "insert 2",
                                                     "remove 1", "clear"}));
}

TEST(ListView, SortKeepsEqualRowsInOrderAndTellsTheObserverWhereEachRowCameFrom) {
    ListViewControl list;
    Recorder seen;
    for (auto [name, key] : {std::pair{"x", "2"}, {"y", "1"}, {"z", "2"}}) {
        int row = list.InsertRow(list.RowCount(), name, 0);
        list.SetCell(row, 1, key);
    }
    list.SetObserver(&seen);
    list.Sort([](const ListViewControl::Row& a, const ListViewControl::Row& b) {
        return a.cells[1] < b.cells[1];
    });
    EXPECT_EQ(list.Cell(0, 0), "y");
    EXPECT_EQ(list.Cell(1, 0), "x");
    EXPECT_EQ(list.Cell(2, 0), "z");
    EXPECT_EQ(seen.events, (std::vector<std::string>{"reorder 1 0 2"}));
}

TEST(ListView, SortByRowComparisonReadsUnmovedRowsAndKeepsEqualOnesInOrder) {
    ListViewControl list;
    HWND h = list.handle();
    AppendRow(h, "x", {"2"});
    AppendRow(h, "y", {"1"});
    AppendRow(h, "z", {"2"});
    AppendRow(h, "w", {"0"});
    Recorder seen;
    list.SetObserver(&seen);
    list.SortByRowComparison([&](int a, int b) {
        // Through the window, by the row indexes as they were when the sort began.
        return ReadCell(h, a, 1).compare(ReadCell(h, b, 1));
    });
    std::string order;
    for (int r = 0; r < list.RowCount(); ++r)
        order += list.Cell(r, 0);
    EXPECT_EQ(order, "wyxz");
    EXPECT_EQ(seen.events, (std::vector<std::string>{"reorder 3 1 0 2"}));
}

TEST(ListView, ImageIndexTravelsWithTheRow) {
    ListViewControl list;
    HWND h = list.handle();
    Recorder seen;
    list.SetObserver(&seen);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.pszText = const_cast<char*>("song.mp3");
    item.iImage = 3;
    ASSERT_EQ(SendMessageA(h, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), 0);
    AppendRow(h, "plain", {});
    EXPECT_EQ(list.RowAt(0).image, 3);
    EXPECT_EQ(list.RowAt(1).image, -1);
    EXPECT_TRUE(list.SetImage(1, 0));
    EXPECT_FALSE(list.SetImage(2, 0));
    list.SortByRowComparison(
        [&](int a, int b) { return list.Cell(a, 0).compare(list.Cell(b, 0)); });
    LVITEMA read{};
    read.mask = LVIF_IMAGE;
    read.iItem = 0;
    ASSERT_EQ(SendMessageA(h, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&read)), TRUE);
    EXPECT_EQ(read.iImage, 0);  // "plain" sorts first and keeps its image
    EXPECT_EQ(seen.events[0], "insert 0");
    EXPECT_EQ(seen.events[1], "cell 0,0");
}
