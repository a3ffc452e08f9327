#pragma once

#include "platform/win/listview.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QStackedWidget;
class QTreeView;

namespace kivo::ui {

// The four view styles of a list, in the order the programs number them.
enum class ViewStyle { LargeIcon = 0, SmallIcon = 1, List = 2, Report = 3 };

struct ListColumn {
    QString title;
    int width = 80;  // 0 hides the column: it only holds data for the program
    Qt::Alignment alignment = Qt::AlignLeft;
};

// Icons by image index, in the large (icon view) and small (other views) size.
class ImageList {
public:
    void Set(int index, const QPixmap& large, const QPixmap& small);
    QIcon Large(int index) const;
    QIcon Small(int index) const;
    // A transparent picture of the images' size: a row without an image keeps its caption in
    // line with the rows that have one, as the platform's list view draws it.
    QIcon Blank(bool large) const { return large ? blankLarge_ : blankSmall_; }

private:
    std::map<int, std::pair<QIcon, QIcon>> icons_;
    QIcon blankLarge_;
    QIcon blankSmall_;
};

// A Qt model over a ListViewControl: one Qt row per control row, one Qt column per list column.
// Cells beyond the columns stay in the control, unseen. It follows the control through its
// observer, so rows added through the control's window appear at once.
class ListViewModel : public QAbstractTableModel, private ListViewObserver {
public:
    explicit ListViewModel(ListViewControl& control, QObject* parent = nullptr);
    ~ListViewModel() override;

    void SetColumns(std::vector<ListColumn> columns);
    const std::vector<ListColumn>& columns() const { return columns_; }
    void SetColumnTitle(int column, const QString& title);
    void SetImages(const ImageList* images) { images_ = images; }
    void SetLargeIcons(bool large);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void RowInserted(int row) override;
    void CellChanged(int row, int column) override;
    void RowRemoved(int row) override;
    void RowsCleared() override;
    void RowsReordered(const std::vector<int>& from) override;

    ListViewControl& control_;
    std::vector<ListColumn> columns_;
    const ImageList* images_ = nullptr;
    bool largeIcons_ = false;
    // The rows Qt has been told of; the control changes first and tells us after.
    int shown_ = 0;
};

// A visible list: the control, reached by its window handle like any list of the platform,
// shown in one of the four view styles with multi-selection. Events come as callbacks so that
// a form binds them to its handlers by name.
class ListView : public QWidget {
public:
    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    ListViewControl& control() { return control_; }
    HWND handle() const { return control_.handle(); }
    ListViewModel& model() { return *model_; }

    void SetColumns(std::vector<ListColumn> columns);
    void SetColumnTitle(int column, const QString& title);
    int ColumnWidth(int column) const;
    void SetImages(const ImageList* images);
    void SetViewStyle(ViewStyle style);
    ViewStyle viewStyle() const { return style_; }
    void SetBackground(const QColor& colour);
    QColor background() const { return background_; }

    // Selected rows in ascending order.
    std::vector<int> SelectedRows() const;
    void SetRowSelected(int row, bool selected);
    // The row with the keyboard focus, -1 for none.
    int CurrentRow() const;
    void SetCurrentRow(int row);

    // The list's custom sort: the comparison gets two row indexes and reads the cells it needs
    // through the control (see ListViewControl::SortByRowComparison). Each row keeps its
    // selection and the focus, as the platform's list view keeps them.
    void SortItems(const std::function<int(int, int)>& compare);

    // Key and mouse presses, after the view has handled the press (selection already moved).
    std::function<void(int key)> onKeyDown;
    std::function<void(Qt::MouseButton button, QPoint globalPosition)> onMouseDown;
    std::function<void()> onDoubleClick;

    // Dropped local files go to the application's message hook as WM_DROPFILES on this list's
    // window (platform/ui/application.h).
    void SetAcceptFiles(bool accept);
    bool acceptsFiles() const { return acceptFiles_; }

    // The view that shows the current style; for tests and for painting.
    QAbstractItemView* currentView() const;

private:
    template <typename Base>
    friend class EventView;
    void DeliverDrop(const QList<QUrl>& urls);
    void ApplyColumnLayout();

    ListViewControl control_;
    std::unique_ptr<ListViewModel> model_;
    QStackedWidget* stack_;
    QListView* iconView_;
    QTreeView* reportView_;
    QItemSelectionModel* selection_;
    ViewStyle style_ = ViewStyle::Report;
    QColor background_;
    bool acceptFiles_ = false;
};

}  // namespace kivo::ui
