#include "platform/shell/browse_dialog.h"

#include "platform/shell/places.h"
#include "platform/shell/shell_namespace.h"
#include "platform/shell/texts.h"
#include "platform/win/msgbox.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace kivo::shell {

class BrowseDialog::Node : public QTreeWidgetItem {
public:
    explicit Node(ItemIdList item) : item(std::move(item)) {}
    ItemIdList item;
    bool populated = false;
};

// The dialog's handle: the BFFM_ messages go to the dialog, the rest to the widget.
class BrowseDialog::DialogWindow : public WidgetWindow {
public:
    explicit DialogWindow(BrowseDialog* dialog) : WidgetWindow(dialog), dialog_(dialog) {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message >= BFFM_SETSTATUSTEXTA && message <= BFFM_SETSELECTIONA)
            return dialog_->HandleMessage(message, wParam, lParam);
        return WidgetWindow::HandleMessage(message, wParam, lParam);
    }

private:
    BrowseDialog* dialog_;
};

namespace {

constexpr QSize kClassicSize(340, 400);
constexpr QSize kNewStyleSize(420, 460);

QStyle::StandardPixmap PixmapOf(Icon icon) {
    switch (icon) {
        case Icon::File:
            return QStyle::SP_FileIcon;
        case Icon::Folder:
            return QStyle::SP_DirClosedIcon;
        case Icon::OpenFolder:
            return QStyle::SP_DirOpenIcon;
        case Icon::Drive:
            return QStyle::SP_DriveHDIcon;
        case Icon::Computer:
            return QStyle::SP_ComputerIcon;
        case Icon::Desktop:
            return QStyle::SP_DesktopIcon;
        case Icon::Network:
            return QStyle::SP_DriveNetIcon;
        case Icon::RecycleBin:
            return QStyle::SP_TrashIcon;
        case Icon::Printers:
            return QStyle::SP_FileDialogDetailedView;
        case Icon::ControlPanel:
            return QStyle::SP_FileDialogContentsView;
        case Icon::Home:
            return QStyle::SP_DirHomeIcon;
    }
    return QStyle::SP_DirClosedIcon;
}

bool IsDirectory(const ItemIdList& item) {
    auto path = PathOf(item);
    return path && DirectoryExists(*path);
}

}  // namespace

BrowseDialog::BrowseDialog(BROWSEINFOA& info)
    : QDialog(info.owner ? info.owner : QApplication::activeWindow()),
      info_(info),
      root_(info.pidlRoot ? *info.pidlRoot : ItemIdList::Desktop()),
      window_(std::make_unique<DialogWindow>(this)) {
    const UINT flags = info.ulFlags;
    const bool newStyle = flags & BIF_NEWDIALOGSTYLE;
    setWindowTitle(QString::fromUtf8(TextOf(Text::Caption)));
    setSizeGripEnabled(newStyle);

    auto* layout = new QVBoxLayout(this);
    if (info.lpszTitle && *info.lpszTitle) {
        auto* title = new QLabel(QString::fromUtf8(info.lpszTitle), this);
        title->setWordWrap(true);
        layout->addWidget(title);
    }
    if (flags & BIF_STATUSTEXT) {
        // The owner fits its texts to this line, so the text never widens the dialog.
        status_ = new QLabel(this);
        status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        status_->setMinimumHeight(status_->fontMetrics().height());
        layout->addWidget(status_);
        statusWindow_ = std::make_unique<WidgetWindow>(status_);
        window_->AddChild(kBrowseStatusControlId, statusWindow_.get());
    }

    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(tree_, 1);

    if (flags & BIF_EDITBOX) {
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(QString::fromUtf8(TextOf(Text::FolderLabel)), this);
        edit_ = new QLineEdit(this);
        label->setBuddy(edit_);
        row->addWidget(label);
        row->addWidget(edit_, 1);
        layout->addLayout(row);
    }

    auto* buttons = new QHBoxLayout;
    if (newStyle && !(flags & BIF_NONEWFOLDERBUTTON)) {
        newFolder_ = new QPushButton(QString::fromUtf8(TextOf(Text::MakeNewFolder)), this);
        newFolder_->setAutoDefault(false);
        buttons->addWidget(newFolder_);
        connect(newFolder_, &QPushButton::clicked, this, [this] { MakeNewFolder(); });
    }
    buttons->addStretch(1);
    ok_ = new QPushButton(QString::fromUtf8(TextOf(Text::Ok)), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QString::fromUtf8(TextOf(Text::Cancel)), this);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, [this] { AcceptChoice(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        auto* node = static_cast<Node*>(item);
        Populate(node);
        if (IconOf(node->item) == Icon::Folder)
            node->setIcon(0, style()->standardIcon(PixmapOf(Icon::OpenFolder)));
    });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        auto* node = static_cast<Node*>(item);
        if (IconOf(node->item) == Icon::Folder)
            node->setIcon(0, style()->standardIcon(PixmapOf(Icon::Folder)));
    });
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { SelectionChanged(current); });
    connect(tree_, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item) { Renamed(item); });

    Node* top = AddNode(nullptr, root_);
    Populate(top);
    top->setExpanded(true);
    tree_->setCurrentItem(top);

    if (newStyle) {
        resize(kNewStyleSize);
    } else {
        layout->activate();
        int height =
            std::max(kClassicSize.height(), layout->totalHeightForWidth(kClassicSize.width()));
        setFixedSize(kClassicSize.width(), height);
    }
}

// The tree outlives this part of the dialog: it must not report to it while it is taken down.
BrowseDialog::~BrowseDialog() {
    disconnect(tree_, nullptr, this, nullptr);
}

HWND BrowseDialog::handle() const {
    return window_->handle();
}

std::optional<ItemIdList> BrowseDialog::Run() {
    Start();
    exec();
    return chosen_;
}

void BrowseDialog::Start() {
    if (started_)
        return;
    ensurePolished();
    layout()->activate();
    started_ = true;
    int reportsBefore = selectionReports_;
    Callback(BFFM_INITIALIZED, 0);
    // The callback hears of the first selection unless it chose one itself.
    if (selectionReports_ == reportsBefore && tree_->currentItem())
        SelectionChanged(tree_->currentItem());
}

int BrowseDialog::Callback(UINT code, LPARAM param) {
    if (!started_ || !info_.lpfn)
        return 0;
    return info_.lpfn(handle(), code, param, info_.lParam);
}

bool BrowseDialog::Acceptable(const ItemIdList& item) const {
    const UINT flags = info_.ulFlags;
    if (flags & BIF_BROWSEFORCOMPUTER)
        return item.kind() == ItemIdList::Kind::Computer;
    if (flags & BIF_BROWSEFORPRINTER)
        return false;
    if (flags & (BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS))
        return IsDirectory(item);
    return true;
}

BrowseDialog::Node* BrowseDialog::AddNode(QTreeWidgetItem* parent, const ItemIdList& item) {
    auto* node = new Node(item);
    node->setText(0, QString::fromStdString(DisplayNameOf(item)));
    node->setIcon(0, style()->standardIcon(PixmapOf(IconOf(item))));
    bool withFiles = info_.ulFlags & BIF_BROWSEINCLUDEFILES;
    bool belowDomain = item.kind() == ItemIdList::Kind::Virtual && item.folder() == CSIDL_NETWORK &&
                       (info_.ulFlags & BIF_DONTGOBELOWDOMAIN);
    bool openable = !belowDomain && HasChildren(item, withFiles);
    node->setChildIndicatorPolicy(openable ? QTreeWidgetItem::ShowIndicator
                                           : QTreeWidgetItem::DontShowIndicator);
    node->populated = !openable;
    if (parent)
        parent->addChild(node);
    else
        tree_->addTopLevelItem(node);
    return node;
}

void BrowseDialog::Populate(Node* node) {
    if (node->populated)
        return;
    node->populated = true;
    for (const ItemIdList& child : ChildrenOf(node->item, info_.ulFlags & BIF_BROWSEINCLUDEFILES))
        AddNode(node, child);
    if (node->childCount() == 0)
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

bool BrowseDialog::Select(const ItemIdList& item) {
    std::vector<ItemIdList> chain = ChainFrom(root_, item);
    if (chain.empty() || tree_->topLevelItemCount() == 0)
        return false;
    auto* node = static_cast<Node*>(tree_->topLevelItem(0));
    for (size_t i = 1; i < chain.size(); ++i) {
        Populate(node);
        Node* next = nullptr;
        for (int c = 0; c < node->childCount() && !next; ++c) {
            auto* child = static_cast<Node*>(node->child(c));
            if (child->item == chain[i])
                next = child;
        }
        if (!next)
            return false;
        node->setExpanded(true);
        node = next;
    }
    tree_->setCurrentItem(node);
    tree_->scrollToItem(node);
    return true;
}

void BrowseDialog::SelectionChanged(QTreeWidgetItem* current) {
    if (!current)
        return;
    const ItemIdList& item = static_cast<Node*>(current)->item;
    ok_->setEnabled(Acceptable(item));
    if (newFolder_)
        newFolder_->setEnabled(IsDirectory(item));
    if (edit_)
        edit_->setText(QString::fromStdString(DisplayNameOf(item)));
    if (!started_)
        return;
    ++selectionReports_;
    Callback(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(&item));
}

LRESULT BrowseDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case BFFM_SETSTATUSTEXTA:
            if (status_)
                status_->setText(QString::fromUtf8(reinterpret_cast<const char*>(lParam)));
            return 0;
        case BFFM_ENABLEOK:
            ok_->setEnabled(lParam != 0);
            return 0;
        case BFFM_SETSELECTIONA:
            if (wParam) {
                if (auto item = ParseDisplayName(reinterpret_cast<const char*>(lParam)))
                    Select(*item);
            } else if (lParam) {
                Select(*reinterpret_cast<const ItemIdList*>(lParam));
            }
            return 0;
        default:
            return 0;
    }
}

std::optional<ItemIdList> BrowseDialog::Typed(const QString& text) const {
    std::string name = text.trimmed().toStdString();
    if (name == "~" || name.rfind("~/", 0) == 0)
        return ParseDisplayName(HomeFolder() + name.substr(1));
    if (!name.empty() && name.front() == '/')
        return ParseDisplayName(name);
    auto* current = static_cast<Node*>(tree_->currentItem());
    auto base = current ? PathOf(current->item) : std::nullopt;
    if (!base || name.empty())
        return std::nullopt;
    return ParseDisplayName(*base == "/" ? "/" + name : *base + "/" + name);
}

void BrowseDialog::AcceptChoice() {
    auto* current = static_cast<Node*>(tree_->currentItem());
    if (!current)
        return;
    QString text = edit_ ? edit_->text() : QString();
    bool typed =
        edit_ && !text.trimmed().isEmpty() && text.toStdString() != DisplayNameOf(current->item);
    if (!typed) {
        Finish(current->item);
        return;
    }
    auto item = Typed(text);
    if (item && Acceptable(*item)) {
        Finish(*item);
        return;
    }
    if (!(info_.ulFlags & BIF_VALIDATE)) {
        Finish(current->item);
        return;
    }
    QByteArray bytes = text.toUtf8();
    if (Callback(BFFM_VALIDATEFAILEDA, reinterpret_cast<LPARAM>(bytes.constData())) != 0)
        return;
    reject();
}

void BrowseDialog::Finish(const ItemIdList& item) {
    chosen_ = item;
    if (info_.pszDisplayName)
        std::snprintf(info_.pszDisplayName, MAX_PATH, "%s", DisplayNameOf(item).c_str());
    info_.iImage = static_cast<int>(IconOf(item));
    accept();
}

void BrowseDialog::MakeNewFolder() {
    auto* current = static_cast<Node*>(tree_->currentItem());
    auto base = current ? PathOf(current->item) : std::nullopt;
    if (!base)
        return;
    std::string stem = (*base == "/" ? "" : *base) + "/" + TextOf(Text::NewFolder);
    std::string path = stem;
    for (int n = 2; mkdir(path.c_str(), 0777) != 0; ++n) {
        if (errno != EEXIST || n > 99) {
            MessageBoxA(handle(), TextOf(Text::CannotCreateFolder), TextOf(Text::Caption),
                        MB_ICONERROR);
            return;
        }
        path = stem + " (" + std::to_string(n) + ")";
    }
    auto* node = AddNode(current, ItemIdList::FileSystem(path));
    current->populated = true;
    current->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    current->setExpanded(true);
    renaming_ = node;
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    tree_->setCurrentItem(node);
    tree_->scrollToItem(node);
    tree_->editItem(node);
}

void BrowseDialog::Renamed(QTreeWidgetItem* item) {
    if (!renaming_ || item != renaming_)
        return;
    std::string name = item->text(0).trimmed().toStdString();
    std::string old = renaming_->item.name();
    std::string target = std::filesystem::path(old).parent_path() / name;
    bool valid = !name.empty() && name.find('/') == std::string::npos && name != "." &&
                 name != ".." && target != old;
    struct stat existing {};
    if (valid && stat(target.c_str(), &existing) != 0 &&
        std::rename(old.c_str(), target.c_str()) == 0) {
        renaming_->item = ItemIdList::FileSystem(target);
        if (renaming_ == tree_->currentItem())
            SelectionChanged(renaming_);
    } else if (valid) {
        MessageBoxA(handle(), TextOf(Text::CannotRenameFolder), TextOf(Text::Caption),
                    MB_ICONERROR);
    }
    QSignalBlocker block(tree_);
    renaming_->setText(0, QString::fromStdString(DisplayNameOf(renaming_->item)));
}

}  // namespace kivo::shell
