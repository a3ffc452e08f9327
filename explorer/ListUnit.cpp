#include "explorer/ListUnit.h"

#include "appkit/list_cells.h"
#include "explorer/FormSupport.h"
#include "explorer/LPTCtrl.h"
#include "explorer/UtilUnit.h"
#include "platform/win/window.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <cstdlib>

using namespace kivo::explorer;

namespace {

// The visible lists' cells: caption, size, type, file index, play-order position, time.
constexpr int kIndexColumn = 3;
constexpr int kOrderColumn = 4;
// The table's last entry always stays 0: at most 249 files are ever in the play order.
constexpr size_t kMaxPlayOrderRows = std::tuple_size_v<PlayOrderTable> - 1;
constexpr int kFileIndexRole = Qt::UserRole;

// Fills the row with the list's current colours and writes the name at its top-left corner.
class RowPainter : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect,
                          option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data(Qt::DisplayRole).toString());
    }

    // The font's height in pixels and 4 more.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), QFontInfo(option.font).pixelSize() + 4};
    }
};

QLabel* BoldLabel(QWidget* parent, int left, int top) {
    auto* label = new QLabel(parent);
    QFont font = FormFont();
    font.setBold(true);
    label->setFont(font);
    label->move(left, top);
    return label;
}

QFrame* BottomLine(QWidget* parent, int top) {
    auto* bevel = new QFrame(parent);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    // The line lies along the bottom edge of its 9-pixel band.
    bevel->setGeometry(8, top + 7, 345, 2);
    return bevel;
}

int ItemCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

void FillFrom(HWND source, PlayListBox* target) {
    const int rows = ItemCount(source);
    for (int row = 0; row < rows; ++row) {
        const auto order = ParseDecimal(GetListViewCellText(source, row, kOrderColumn));
        const auto index = ParseDecimal(GetListViewCellText(source, row, kIndexColumn));
        if (!order || *order < 0 || !index || *index < 1 || *index > 255)
            continue;
        target->AddRow(QString::fromStdString(GetListViewCellText(source, row, 0)),
                       static_cast<int>(*index));
    }
}

}  // namespace

PlayListBox::PlayListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new RowPainter(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
}

void PlayListBox::AddRow(const QString& name, int fileIndex) {
    auto* item = new QListWidgetItem(name, this);
    item->setData(kFileIndexRole, fileIndex);
}

QString PlayListBox::NameAt(int row) const {
    return item(row)->text();
}

int PlayListBox::FileIndexAt(int row) const {
    return item(row)->data(kFileIndexRole).toInt();
}

void PlayListBox::ExchangeRows(int a, int b) {
    QListWidgetItem* first = item(a);
    QListWidgetItem* second = item(b);
    const QString name = first->text();
    const QVariant fileIndex = first->data(kFileIndexRole);
    first->setText(second->text());
    first->setData(kFileIndexRole, second->data(kFileIndexRole));
    second->setText(name);
    second->setData(kFileIndexRole, fileIndex);
}

int PlayListBox::RowAt(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : -1;
}

void PlayListBox::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    if (onMouseDown)
        onMouseDown({event->button(), event->buttons(), event->modifiers(), inDoubleClick_,
                     event->position().toPoint()});
}

void PlayListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    // The view may handle a double click as a press of its own; that press is a double click too.
    inDoubleClick_ = true;
    QListWidget::mouseDoubleClickEvent(event);
    inDoubleClick_ = false;
    if (onMouseDown)
        onMouseDown({event->button(), event->buttons(), event->modifiers(), true,
                     event->position().toPoint()});
}

void PlayListBox::mouseMoveEvent(QMouseEvent* event) {
    QListWidget::mouseMoveEvent(event);
    if (onMouseMove)
        onMouseMove(event->position().toPoint());
}

void PlayListBox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (onMouseUp)
        onMouseUp();
}

TPlayListForm::TPlayListForm(QWidget* owner)
    : QDialog(owner, Qt::Tool),
      Label1(BoldLabel(this, 8, 8)),
      IntListBox(new PlayListBox(this)),
      Bevel1(BottomLine(this, 208)),
      Label2(BoldLabel(this, 8, 224)),
      ExtListBox(new PlayListBox(this)),
      Bevel2(BottomLine(this, 424)),
      OKButton(new QPushButton(QStringLiteral("OK"), this)),
      CancelButton(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("PlayListForm"));
    setWindowTitle(QStringLiteral("Play List"));
    setFont(FormFont());
    setFixedSize(361, 471);
    Label1->setText(QStringLiteral("Flash Memory List"));
    Label2->setText(QStringLiteral("kivo Card List"));
    IntListBox->setGeometry(8, 32, 345, 177);
    ExtListBox->setGeometry(8, 248, 345, 177);
    OKButton->setGeometry(200, 440, 75, 25);
    CancelButton->setGeometry(280, 440, 75, 25);
    // Cancel is default and cancel button: Enter and Esc both close without writing.
    SetDefaultButton(CancelButton, {OKButton, CancelButton});
    SetTabOrder({IntListBox, ExtListBox, OKButton, CancelButton});

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    IntListBox->onMouseDown = [this](const PlayListBox::Press& p) { IntListBoxMouseDown(p); };
    IntListBox->onMouseMove = [this](const QPoint& p) { IntListBoxMouseMove(p); };
    IntListBox->onMouseUp = [this] { IntListBoxMouseUp(); };
    ExtListBox->onMouseDown = [this](const PlayListBox::Press& p) { ExtListBoxMouseDown(p); };
    ExtListBox->onMouseMove = [this](const QPoint& p) { ExtListBoxMouseMove(p); };
    ExtListBox->onMouseUp = [this] { ExtListBoxMouseUp(); };

    FormCreate();
}

void TPlayListForm::FormCreate() {
    IntListBox->clear();
    ExtListBox->clear();
}

void TPlayListForm::Execute(QWidget* mainWindow, HMODULE strings, const Lists& lists,
                            const std::function<void()>& refresh) {
    TPlayListForm form(mainWindow);
    form.ApplyTexts(strings);
    TakeMainFontName(&form, mainWindow);
    CentreOver(&form, mainWindow);
    form.FillRows(lists);
    if (form.exec() != QDialog::Accepted || ItemCount(lists.tempListView) < 1)
        return;
    const PlayOrderTable table = form.BuildPlayOrderTable();
    kivo::explorer::lptctrl::Selector().PX_SetConfig(table.data());
    if (refresh)
        refresh();
}

void TPlayListForm::ApplyTexts(HMODULE strings) {
    setWindowTitle(PackText(strings, 10151));
    Label1->setText(PackText(strings, 10152));
    Label1->adjustSize();
    Label2->setText(PackText(strings, 10153));
    Label2->adjustSize();
    OKButton->setText(PackText(strings, 10154));
    CancelButton->setText(PackText(strings, 10155));
}

void TPlayListForm::FillRows(const Lists& lists) {
    FillFrom(lists.flashMemory, IntListBox);
    FillFrom(lists.smartMedia, ExtListBox);
}

PlayOrderTable TPlayListForm::BuildPlayOrderTable() const {
    PlayOrderTable table{};
    size_t entry = 0;
    for (const PlayListBox* list : {IntListBox, ExtListBox})
        for (int row = 0; row < list->count() && entry < kMaxPlayOrderRows; ++row)
            table[entry++] = static_cast<uint8_t>(list->FileIndexAt(row));
    return table;
}

void TPlayListForm::MouseDown(PlayListBox* list, bool& dragging, const PlayListBox::Press& press) {
    const int row = list->RowAt(press.point);
    if (row < 0 || press.button != Qt::LeftButton || press.held != Qt::LeftButton ||
        press.keys != Qt::NoModifier || press.doubleClick)
        return;
    dragging = true;
    currentRow_ = row;
}

void TPlayListForm::MouseMove(PlayListBox* list, bool dragging, const QPoint& point) {
    const int row = list->RowAt(point);
    if (row < 0 || !dragging)
        return;
    previousRow_ = currentRow_;
    currentRow_ = row;
    if (previousRow_ != currentRow_)
        list->ExchangeRows(previousRow_, currentRow_);
}

void TPlayListForm::IntListBoxMouseDown(const PlayListBox::Press& press) {
    MouseDown(IntListBox, intDragging_, press);
}

void TPlayListForm::IntListBoxMouseMove(const QPoint& point) {
    MouseMove(IntListBox, intDragging_, point);
}

void TPlayListForm::IntListBoxMouseUp() {
    intDragging_ = false;
}

void TPlayListForm::ExtListBoxMouseDown(const PlayListBox::Press& press) {
    MouseDown(ExtListBox, extDragging_, press);
}

void TPlayListForm::ExtListBoxMouseMove(const QPoint& point) {
    MouseMove(ExtListBox, extDragging_, point);
}

void TPlayListForm::ExtListBoxMouseUp() {
    extDragging_ = false;
}
