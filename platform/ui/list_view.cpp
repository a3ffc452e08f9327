#include "platform/ui/list_view.h"

#include "platform/ui/application.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMimeData>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace kivo::ui {

namespace {

QIcon TransparentOfSize(QSize size) {
    QPixmap blank(size);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

}  // namespace

void ImageList::Set(int index, const QPixmap& large, const QPixmap& small) {
    icons_[index] = {QIcon(large), QIcon(small)};
    blankLarge_ = TransparentOfSize(large.size());
    blankSmall_ = TransparentOfSize(small.size());
}

QIcon ImageList::Large(int index) const {
    auto it = icons_.find(index);
    return it == icons_.end() ? QIcon() : it->second.first;
}

QIcon ImageList::Small(int index) const {
    auto it = icons_.find(index);
    return it == icons_.end() ? QIcon() : it->second.second;
}

ListViewModel::ListViewModel(ListViewControl& control, QObject* parent)
    : QAbstractTableModel(parent), control_(control), shown_(control.RowCount()) {
    control_.SetObserver(this);
}

ListViewModel::~ListViewModel() {
    control_.SetObserver(nullptr);
}

void ListViewModel::SetColumns(std::vector<ListColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
}

void ListViewModel::SetColumnTitle(int column, const QString& title) {
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return;
    columns_[column].title = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void ListViewModel::SetLargeIcons(bool large) {
    if (large == largeIcons_)
        return;
    largeIcons_ = large;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

int ListViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= std::min(shown_, control_.RowCount()))
        return {};
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(control_.Cell(index.row(), index.column()));
        case Qt::DecorationRole: {
            if (index.column() != 0 || images_ == nullptr)
                return {};
            int image = control_.RowAt(index.row()).image;
            if (image < 0)
                return images_->Blank(largeIcons_);
            return largeIcons_ ? images_->Large(image) : images_->Small(image);
        }
        case Qt::TextAlignmentRole:
            if (index.column() < static_cast<int>(columns_.size()))
                return QVariant::fromValue(columns_[index.column()].alignment | Qt::AlignVCenter);
            return {};
        default:
            return {};
    }
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(columns_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return columns_[section].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columns_[section].alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ListViewModel::flags(const QModelIndex& index) const {
    // Read-only: items are selected, never edited in place.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::ItemFlags();
}

void ListViewModel::RowInserted(int row) {
    beginInsertRows({}, row, row);
    ++shown_;
    endInsertRows();
}

void ListViewModel::CellChanged(int row, int column) {
    if (row >= shown_ || column >= static_cast<int>(columns_.size()))
        return;
    QModelIndex at = index(row, column);
    emit dataChanged(at, at);
}

void ListViewModel::RowRemoved(int row) {
    beginRemoveRows({}, row, row);
    --shown_;
    endRemoveRows();
}

void ListViewModel::RowsCleared() {
    beginResetModel();
    shown_ = control_.RowCount();
    endResetModel();
}

void ListViewModel::RowsReordered(const std::vector<int>& from) {
    // A layout change, not a reset: the views' selection and current row follow their rows.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> to(from.size());
    for (size_t row = 0; row < from.size(); ++row)
        to[from[row]] = static_cast<int>(row);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before)
        after.append(this->index(to[index.row()], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// A view that reports key, mouse and drop events to its ListView.
template <typename Base>
class EventView : public Base {
public:
    explicit EventView(ListView* owner) : Base(owner), owner_(owner) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (owner_->onKeyDown)
            owner_->onKeyDown(event->key());
        Base::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        Base::mousePressEvent(event);
        if (owner_->onMouseDown)
            owner_->onMouseDown(event->button(), event->globalPosition().toPoint());
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        Base::mouseDoubleClickEvent(event);
        if (owner_->onDoubleClick)
            owner_->onDoubleClick();
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (owner_->acceptsFiles() && event->mimeData()->hasUrls())
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (owner_->acceptsFiles() && event->mimeData()->hasUrls())
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dropEvent(QDropEvent* event) override {
        if (!owner_->acceptsFiles() || !event->mimeData()->hasUrls()) {
            event->ignore();
            return;
        }
        event->acceptProposedAction();
        owner_->DeliverDrop(event->mimeData()->urls());
    }

private:
    ListView* owner_;
};

ListView::ListView(QWidget* parent)
    : QWidget(parent),
      model_(std::make_unique<ListViewModel>(control_)),
      stack_(new QStackedWidget(this)),
      iconView_(new EventView<QListView>(this)),
      reportView_(new EventView<QTreeView>(this)),
      selection_(new QItemSelectionModel(model_.get(), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);
    stack_->addWidget(reportView_);
    stack_->addWidget(iconView_);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(iconView_),
                                    static_cast<QAbstractItemView*>(reportView_)}) {
        view->setModel(model_.get());
        view->setSelectionModel(selection_);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setDragDropMode(QAbstractItemView::DropOnly);
        view->setAcceptDrops(true);
        view->viewport()->setAcceptDrops(true);
        view->setAutoFillBackground(true);
    }
    reportView_->setRootIsDecorated(false);
    reportView_->setUniformRowHeights(true);
    reportView_->setItemsExpandable(false);
    reportView_->setAllColumnsShowFocus(true);
    reportView_->setIconSize(QSize(16, 16));
    reportView_->header()->setStretchLastSection(false);
    reportView_->header()->setSectionsMovable(false);
    reportView_->header()->setMinimumSectionSize(0);
    iconView_->setMovement(QListView::Static);
    iconView_->setResizeMode(QListView::Adjust);
    iconView_->setWrapping(true);
    iconView_->setUniformItemSizes(true);
    setFocusProxy(reportView_);
    SetViewStyle(ViewStyle::Report);
}

ListView::~ListView() {
    // The views and the selection go before the model they show.
    delete stack_;
    delete selection_;
}

void ListView::SetColumns(std::vector<ListColumn> columns) {
    model_->SetColumns(std::move(columns));
    ApplyColumnLayout();
}

void ListView::SetColumnTitle(int column, const QString& title) {
    model_->SetColumnTitle(column, title);
}

int ListView::ColumnWidth(int column) const {
    return reportView_->isColumnHidden(column) ? 0 : reportView_->columnWidth(column);
}

void ListView::ApplyColumnLayout() {
    const auto& columns = model_->columns();
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        reportView_->setColumnHidden(c, columns[c].width == 0);
        if (columns[c].width > 0)
            reportView_->setColumnWidth(c, columns[c].width);
    }
}

void ListView::SetImages(const ImageList* images) {
    model_->SetImages(images);
}

void ListView::SetViewStyle(ViewStyle style) {
    style_ = style;
    model_->SetLargeIcons(style == ViewStyle::LargeIcon);
    switch (style) {
        case ViewStyle::LargeIcon:
            iconView_->setViewMode(QListView::IconMode);
            iconView_->setFlow(QListView::LeftToRight);
            iconView_->setIconSize(QSize(32, 32));
            iconView_->setGridSize(QSize(76, 64));
            iconView_->setWordWrap(true);
            break;
        case ViewStyle::SmallIcon:
            iconView_->setViewMode(QListView::ListMode);
            iconView_->setFlow(QListView::LeftToRight);
            iconView_->setIconSize(QSize(16, 16));
            iconView_->setGridSize(QSize(136, 20));
            iconView_->setWordWrap(false);
            break;
        case ViewStyle::List:
            iconView_->setViewMode(QListView::ListMode);
            iconView_->setFlow(QListView::TopToBottom);
            iconView_->setIconSize(QSize(16, 16));
            iconView_->setGridSize(QSize(136, 20));
            iconView_->setWordWrap(false);
            break;
        case ViewStyle::Report:
            break;
    }
    iconView_->setWrapping(true);
    QWidget* shown = style == ViewStyle::Report ? static_cast<QWidget*>(reportView_) : iconView_;
    bool hadFocus = stack_->currentWidget() != nullptr && stack_->currentWidget()->hasFocus();
    stack_->setCurrentWidget(shown);
    setFocusProxy(shown);
    if (hadFocus)
        shown->setFocus();
}

void ListView::SetBackground(const QColor& colour) {
    background_ = colour;
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(iconView_),
                                    static_cast<QAbstractItemView*>(reportView_)}) {
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, colour);
        view->setPalette(palette);
    }
}

std::vector<int> ListView::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selection_->selectedRows(0))
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ListView::SetRowSelected(int row, bool selected) {
    if (row < 0 || row >= model_->rowCount())
        return;
    selection_->select(model_->index(row, 0),
                       (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                           QItemSelectionModel::Rows);
}

int ListView::CurrentRow() const {
    QModelIndex current = selection_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ListView::SetCurrentRow(int row) {
    if (row < 0 || row >= model_->rowCount())
        selection_->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    else
        selection_->setCurrentIndex(model_->index(row, 0), QItemSelectionModel::NoUpdate);
}

void ListView::SortItems(const std::function<int(int, int)>& compare) {
    control_.SortByRowComparison(compare);
}

void ListView::SetAcceptFiles(bool accept) {
    acceptFiles_ = accept;
}

QAbstractItemView* ListView::currentView() const {
    return style_ == ViewStyle::Report ? static_cast<QAbstractItemView*>(reportView_) : iconView_;
}

void ListView::DeliverDrop(const QList<QUrl>& urls) {
    DroppedFiles drop;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            drop.paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    if (drop.paths.empty())
        return;
    DeliverAppMessage(
        {handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(&drop), static_cast<LPARAM>(0)});
}

}  // namespace kivo::ui
