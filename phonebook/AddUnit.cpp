#include "phonebook/AddUnit.h"

#include "addressbridge/contactbridge.h"
#include "appkit/language.h"
#include "appkit/list_cells.h"
#include "appkit/messages.h"
#include "appkit/texts.h"
#include "phonebook/InfoUnit.h"
#include "phonebook/Messages.h"
#include "phonebook/Placement.h"
#include "phonebook/ToolGlyphs.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/win/application.h"
#include "platform/win/collate.h"
#include "platform/win/lang.h"
#include "platform/win/registry.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace kivo::phonebook {

namespace {

constexpr const char* kTitle = "Telephone Book";
constexpr const char* kPlacementKey = "Software\\Corvanta";
constexpr const char* kPlacementSection = "Address Book";
// Said in place of the import's success when the file gave no entries.
constexpr UINT kNoEntriesImported = 10937;
constexpr const char* kWabFileNameKey = "Software\\Microsoft\\WAB\\WAB4\\Wab File Name";

struct PlacementValue {
    const char* name;
    int fallback;
};
// Left, top, outer width and outer height, in this order.
constexpr PlacementValue kPlacement[] = {
    {"LeftPos", 0}, {"TopPos", 0}, {"FormWidth", 538}, {"FormHeight", 504}};

int ReadPlacementValue(const PlacementValue& value) {
    auto text = kivo::win::registry::Read(RegistryRoot::CurrentUser, kPlacementKey,
                                          kPlacementSection, value.name);
    if (!text)
        return value.fallback;
    int number = 0;
    const char* end = text->data() + text->size();
    auto [stop, ec] = std::from_chars(text->data(), end, number);
    if (ec != std::errc() || stop != end || text->empty())
        return value.fallback;
    // No place or size beyond what a window can have: sums of larger ones overflow.
    return std::clamp(number, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

const std::vector<ui::FileFilter> kTelFilters = {{"TEL File (*.TEL)", "*.TEL"},
                                                 {"Text File (*.TXT)", "*.TXT"}};

std::string Chosen(const ui::FileDialogRequest& request) {
    std::vector<std::string> paths = ui::Dialogs().OpenFiles(request);
    return paths.empty() ? std::string() : paths.front();
}

ui::FileDialogRequest FileRequest(HWND owner, std::vector<ui::FileFilter> filters,
                                  std::string extension) {
    ui::FileDialogRequest request;
    request.owner = owner;
    request.filters = std::move(filters);
    request.defaultExtension = std::move(extension);
    return request;
}

std::string FileNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string ReadWabFileNameFromRegistry() {
    // The key's default value, read whole: a path is not cut to any fixed buffer.
    return kivo::win::registry::Read(RegistryRoot::CurrentUser, kWabFileNameKey, "", "")
        .value_or("");
}

TAddressForm::TAddressForm(QWidget* parent) : ui::FormWindow(parent) {
    setObjectName("AddressForm");
    SetApplicationWindow(handle());
    CreateComponents();
    SetLanguage();
    Descending_ = 0;
    SortColumn_ = -1;
    Modified_ = false;
    SetFileName("");
    ApplyCaptions();
}

TAddressForm::~TAddressForm() {
    if (ApplicationWindow() == handle())
        SetApplicationWindow(nullptr);
}

LRESULT TAddressForm::HandleMessage(UINT, WPARAM, LPARAM) {
    return 0;
}

void TAddressForm::CreateComponents() {
    resize(557, 396);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    Panel1 = new QFrame(central);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(44);
    layout->addWidget(Panel1);
    Bevel1 = new QFrame(Panel1);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    // The bevel frames the whole panel however wide the window is; the buttons stand on it.
    auto* bevelLayout = new QVBoxLayout(Panel1);
    bevelLayout->setContentsMargins(0, 0, 0, 0);
    bevelLayout->addWidget(Bevel1);

    auto button = [this](const char* name, int left, Glyph glyph, void (TAddressForm::*handler)()) {
        auto* b = new QToolButton(Panel1);
        b->setObjectName(name);
        b->setGeometry(left, 2, 57, 41);
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setIcon(ToolGlyph(glyph));
        b->setIconSize(QSize(20, 20));
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, handler);
        return b;
    };
    AddButton = button("AddButton", 2, Glyph::Add, &TAddressForm::AddButtonClick);
    ModifyButton = button("ModifyButton", 59, Glyph::Modify, &TAddressForm::PhoneListViewDblClick);
    DeleteButton = button("DeleteButton", 116, Glyph::Delete, &TAddressForm::DeleteButtonClick);
    Bevel2 = new QFrame(Panel1);
    Bevel2->setObjectName("Bevel2");
    Bevel2->setGeometry(176, 1, 5, 42);
    Bevel2->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    Bevel2->hide();
    SpeedButton2 = button("SpeedButton2", 181, Glyph::Ascend, &TAddressForm::SpeedButton2Click);
    SpeedButton2->hide();
    SpeedButton1 = button("SpeedButton1", 238, Glyph::Descend, &TAddressForm::SpeedButton1Click);
    SpeedButton1->hide();

    PhoneListView = new ui::ListView(central);
    PhoneListView->setObjectName("PhoneListView");
    PhoneListView->SetColumns(
        {{"Name", 150}, {"Home phone number", 150}, {"Office phone number", 150}});
    layout->addWidget(PhoneListView, 1);
    PhoneListView->onDoubleClick = [this] { PhoneListViewDblClick(); };
    PhoneListView->onKeyDown = [this](int key) { PhoneListViewKeyDown(key); };
    connect(PhoneListView->currentView()->selectionModel(), &QItemSelectionModel::selectionChanged,
            this, &TAddressForm::PhoneListViewSelectItem);
    if (auto* report = qobject_cast<QTreeView*>(PhoneListView->currentView())) {
        report->header()->setSectionsClickable(true);
        connect(report->header(), &QHeaderView::sectionClicked, this,
                &TAddressForm::PhoneListViewColumnClick);
    }

    StatusBar = new QLabel(this);
    StatusBar->setObjectName("StatusBar");
    statusBar()->addWidget(StatusBar, 1);

    auto action = [this](QMenu* menu, const char* name, QKeySequence shortcut,
                         void (TAddressForm::*handler)()) {
        auto* a = menu->addAction(QString());
        a->setObjectName(name);
        a->setShortcut(shortcut);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    File1 = menuBar()->addMenu(QString());
    File1->setObjectName("File1");
    New1 = action(File1, "New1", QKeySequence(Qt::CTRL | Qt::Key_N), &TAddressForm::New1Click);
    Open1 = action(File1, "Open1", QKeySequence(Qt::CTRL | Qt::Key_O), &TAddressForm::Open1Click);
    Save1 = action(File1, "Save1", QKeySequence(Qt::CTRL | Qt::Key_S), &TAddressForm::Save1Click);
    File1->addSeparator();
    Import1 = File1->addMenu(QString());
    Import1->setObjectName("Import1");
    FromMSAddressBook1 =
        action(Import1, "FromMSAddressBook1", {}, &TAddressForm::FromMSAddressBook1Click);
    FromWABFile1 = action(Import1, "FromWABFile1", {}, &TAddressForm::FromWABFile1Click);
    FromCSVFile1 = action(Import1, "FromCSVFile1", {}, &TAddressForm::FromCSVFile1Click);
    FromCSVFile1->setVisible(false);
    File1->addSeparator();
    Exit1 =
        action(File1, "Exit1", QKeySequence(Qt::ALT | Qt::Key_X), &TAddressForm::ExitButtonClick);
    Edit1 = menuBar()->addMenu(QString());
    Edit1->setObjectName("Edit1");
    Add1 = action(Edit1, "Add1", QKeySequence(Qt::CTRL | Qt::Key_A), &TAddressForm::AddButtonClick);
    Modify1 = action(Edit1, "Modify1", {}, &TAddressForm::PhoneListViewDblClick);
    // Enter of either block of keys.
    Modify1->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    Delete1 =
        action(Edit1, "Delete1", QKeySequence(Qt::Key_Delete), &TAddressForm::DeleteButtonClick);
}

void TAddressForm::SetLanguage() {
    switch (SystemPrimaryLang()) {
        case kLangJapanese:
            setFont(QFont("MS UI Gothic", 9));
            break;
        case kLangKorean:
            setFont(QFont(QString::fromUtf8("\xea\xb5\xb4\xeb\xa6\xbc"), 9));  // Gulim
            break;
        default:
            setFont(QFont("Arial", 9));
            break;
    }
    StringLib = ResourceLibrary(TextPackName());
}

std::string TAddressForm::Text(UINT id) const {
    return LoadModuleString(StringLib.handle(), id);
}

void TAddressForm::ApplyCaptions() {
    const std::pair<QMenu*, UINT> menus[] = {{File1, 10900}, {Import1, 10904}, {Edit1, 10909}};
    for (auto [menu, id] : menus)
        menu->setTitle(ui::FromText(Text(id)));
    const std::pair<QAction*, UINT> actions[] = {
        {New1, 10901},         {Open1, 10902},        {Save1, 10903}, {FromMSAddressBook1, 10905},
        {FromWABFile1, 10906}, {FromCSVFile1, 10907}, {Exit1, 10908}, {Add1, 10910},
        {Modify1, 10911},      {Delete1, 10912}};
    for (auto [item, id] : actions)
        item->setText(ui::FromText(Text(id)));
    // The menu names the key as its cap reads; Qt would call it "Return".
    Modify1->setText(Modify1->text() + "\tAlt+Enter");
    const std::pair<QToolButton*, UINT> buttons[] = {{AddButton, 10913},
                                                     {ModifyButton, 10914},
                                                     {DeleteButton, 10915},
                                                     {SpeedButton2, 10916},
                                                     {SpeedButton1, 10917}};
    for (auto [button, id] : buttons)
        button->setText(ui::FromText(Text(id)));
    for (int column = 0; column < 3; ++column)
        PhoneListView->SetColumnTitle(column, ui::FromText(Text(10918 + column)));
}

void TAddressForm::showEvent(QShowEvent* event) {
    ui::FormWindow::showEvent(event);
    if (!placed_) {
        placed_ = true;
        LoadPlacement();
    }
}

void TAddressForm::LoadPlacement() {
    kivo::win::registry::CreateKey(RegistryRoot::CurrentUser, kPlacementKey, kPlacementSection);
    QRect outer(ReadPlacementValue(kPlacement[0]), ReadPlacementValue(kPlacement[1]),
                ReadPlacementValue(kPlacement[2]), ReadPlacementValue(kPlacement[3]));
    std::vector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    outer = FitOnScreen(outer, screens);
    // The stored size is the outer one, the frame included.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    move(outer.topLeft());
    resize(outer.width() - frame.left() - frame.right(),
           outer.height() - frame.top() - frame.bottom());
}

void TAddressForm::SavePlacement() {
    QRect outer = frameGeometry();
    const int values[] = {outer.left(), outer.top(), outer.width(), outer.height()};
    kivo::win::registry::Values placement;
    for (size_t i = 0; i < std::size(kPlacement); ++i)
        placement.emplace_back(kPlacement[i].name, std::to_string(values[i]));
    // One write: the settings then hold the whole place or, when they cannot be written, what
    // they held.
    if (!kivo::win::registry::WriteValues(RegistryRoot::CurrentUser, kPlacementKey,
                                          kPlacementSection, placement)) {
        int error = errno;
        ShowAppMessage(PlacementNotStoredMessage(
                           StringLib.handle(),
                           kivo::win::registry::StoreFile(RegistryRoot::CurrentUser), error),
                       MB_OK | MB_ICONWARNING);
    }
}

void TAddressForm::UpdateStatus() {
    int count = PhoneListView->control().RowCount();
    if (count == 0) {
        StatusBar->clear();
        return;
    }
    std::vector<int> selected = PhoneListView->SelectedRows();
    std::string text = selected.empty()
                           ? std::to_string(count)
                           : std::to_string(selected.front() + 1) + " / " + std::to_string(count);
    StatusBar->setText(QString::fromStdString(text));
}

void TAddressForm::SetFileName(const std::string& path) {
    CurrentFileName_ = path;
    Modified_ = false;
    ReadPartly_ = false;
    setWindowTitle(
        ui::FromText(path.empty() ? kTitle : std::string(kTitle) + " - " + FileNameOf(path)));
}

std::vector<Entry> TAddressForm::Entries() const {
    const ListViewControl& list = PhoneListView->control();
    std::vector<Entry> entries;
    for (int row = 0; row < list.RowCount(); ++row)
        entries.push_back({list.Cell(row, 0), list.Cell(row, 1), list.Cell(row, 2)});
    return entries;
}

void TAddressForm::AddEntry(const std::string& name, const std::string& home,
                            const std::string& office) {
    if (auto entry = NewEntry(name, home, office))
        AppendEntries({*entry});
}

void TAddressForm::AppendEntries(const std::vector<Entry>& entries,
                                 const std::vector<RecordFields>& fields) {
    if (entries.empty())
        return;
    ListViewControl& list = PhoneListView->control();
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        LPARAM data = 0;
        if (i < fields.size()) {
            readFields_.push_back(fields[i]);
            data = static_cast<LPARAM>(readFields_.size());
        }
        int row = list.InsertRow(list.RowCount(), entry.name, data);
        list.SetCell(row, 1, entry.home);
        list.SetCell(row, 2, entry.office);
    }
    Modified_ = true;
    UpdateStatus();
}

void TAddressForm::UpdateEntry(int entry, const std::string& name, const std::string& home,
                               const std::string& office) {
    ListViewControl& list = PhoneListView->control();
    list.SetCell(entry, 0, Trimmed(name));
    list.SetCell(entry, 1, Trimmed(home));
    list.SetCell(entry, 2, Trimmed(office));
    Modified_ = true;
}

void TAddressForm::DeleteSelected() {
    std::vector<int> selected = PhoneListView->SelectedRows();
    if (PhoneListView->control().RowCount() == 0 || selected.empty())
        return;
    for (auto row = selected.rbegin(); row != selected.rend(); ++row)
        PhoneListView->control().RemoveRow(*row);
    Modified_ = true;
    UpdateStatus();
}

ReadFrom TAddressForm::RowsReadFrom() const {
    const ListViewControl& list = PhoneListView->control();
    ReadFrom read;
    for (int row = 0; row < list.RowCount(); ++row) {
        const auto data = static_cast<size_t>(list.RowAt(row).data);
        read.push_back(data > 0 && data <= readFields_.size() ? &readFields_[data - 1] : nullptr);
    }
    return read;
}

void TAddressForm::ClearList() {
    PhoneListView->control().Clear();
    readFields_.clear();
    UpdateStatus();
}

int TAddressForm::SortCompare(int entry1, int entry2, int value) {
    int column = value & 0xFFFF;
    int direction = (value >> 16) & 0xFFFF;
    std::string first = GetListViewCellText(PhoneListView->handle(), entry1, column);
    std::string second = GetListViewCellText(PhoneListView->handle(), entry2, column);
    int result = lstrcmpA(first.c_str(), second.c_str());
    return direction == 1 ? -result : result;
}

void TAddressForm::Sort(int value) {
    PhoneListView->SortItems([this, value](int a, int b) { return SortCompare(a, b, value); });
    // The selection moved with its rows: the first selected one may stand elsewhere now.
    UpdateStatus();
}

void TAddressForm::SortByColumn(int column) {
    Descending_ = column == SortColumn_ ? 1 - Descending_ : 0;
    SortColumn_ = column;
    Sort(Descending_ * 65536 + column);
}

void TAddressForm::PhoneListViewColumnClick(int) {
    SortByColumn(0);
}

void TAddressForm::SpeedButton2Click() {
    SortColumn_ = 0;
    Descending_ = 0;
    Sort(0);
}

void TAddressForm::SpeedButton1Click() {
    SortColumn_ = 0;
    Descending_ = 1;
    Sort(65536);
}

bool TAddressForm::RunInfoForm(const Entry& entry, Entry& result) {
    TInfoForm form(this);
    form.Label1->setText(ui::FromText(Text(10918)));
    form.Label2->setText(ui::FromText(Text(10919)));
    form.Label3->setText(ui::FromText(Text(10920)));
    form.OKButton->setText(ui::FromText(Text(10921)));
    form.CancelButton->setText(ui::FromText(Text(10922)));
    form.setFont(font());
    // Centred by the outer sizes: the dialog's frame is known once its window exists.
    form.winId();
    QRect main = frameGeometry();
    QSize size = form.frameGeometry().size();
    form.move(main.left() + (main.width() - size.width()) / 2,
              main.top() + (main.height() - size.height()) / 2);
    form.SetEntryFields(entry.name, entry.home, entry.office);
    if (form.exec() != QDialog::Accepted)
        return false;
    result = {form.Name(), form.HomePhone(), form.OfficePhone()};
    return true;
}

void TAddressForm::AddButtonClick() {
    Entry typed;
    if (!RunInfoForm({}, typed))
        return;
    AddEntry(typed.name, typed.home, typed.office);
    SpeedButton2Click();
}

void TAddressForm::PhoneListViewDblClick() {
    std::vector<int> selected = PhoneListView->SelectedRows();
    const ListViewControl& list = PhoneListView->control();
    if (list.RowCount() == 0 || selected.empty())
        return;
    int row = selected.front();
    Entry typed;
    if (!RunInfoForm({list.Cell(row, 0), list.Cell(row, 1), list.Cell(row, 2)}, typed))
        return;
    UpdateEntry(row, typed.name, typed.home, typed.office);
    SpeedButton2Click();
}

void TAddressForm::DeleteButtonClick() {
    DeleteSelected();
}

void TAddressForm::PhoneListViewKeyDown(int key) {
    if (key == Qt::Key_Delete)
        DeleteSelected();
}

void TAddressForm::PhoneListViewSelectItem() {
    UpdateStatus();
}

bool TAddressForm::ChangesMayGo() {
    if (!Modified_)
        return true;
    if (ShowAppMessage(Text(10925), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return true;
    // What the user asked to keep is not thrown away when it could not be written.
    return Save();
}

void TAddressForm::New1Click() {
    if (!ChangesMayGo())
        return;
    SetFileName("");
    ClearList();
}

void TAddressForm::Open1Click() {
    if (!ChangesMayGo())
        return;
    auto request = FileRequest(handle(), kTelFilters, ".TEL");
    request.mustExist = true;
    std::string path = Chosen(request);
    if (path.empty())
        return;
    ClearList();
    LoadTel(path);
    Modified_ = false;
    PhoneListView->currentView()->scrollToTop();
}

bool TAddressForm::Save() {
    // A book that cannot be written where it is may still be written elsewhere. One that was
    // read only partly is not written over its file unless the user chooses that file again.
    if (!CurrentFileName_.empty() && !ReadPartly_ && SaveTel(CurrentFileName_))
        return true;
    auto request = FileRequest(handle(), kTelFilters, ".TEL");
    request.confirmOverwrite = true;
    std::optional<std::string> path = ui::Dialogs().SaveFile(request);
    if (!path || !SaveTel(*path))
        return false;
    ShowAppMessage(FormatText(Text(10924), {*path}), MB_OK | MB_ICONINFORMATION);
    return true;
}

void TAddressForm::Save1Click() {
    Save();
}

void TAddressForm::ExitButtonClick() {
    close();
}

void TAddressForm::closeEvent(QCloseEvent* event) {
    SavePlacement();
    if (!ChangesMayGo()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TAddressForm::FromMSAddressBook1Click() {
    const std::string path = ReadWabFileNameFromRegistry();
    if (!ImportWab(path))
        ShowNoEntries(path);
    SpeedButton2Click();
}

void TAddressForm::FromWABFile1Click() {
    std::string path = Chosen(FileRequest(handle(), {{"WAB File (*.WAB)", "*.WAB"}}, ".WAB"));
    if (path.empty())
        return;
    const bool imported = ImportWab(path);
    SpeedButton2Click();
    if (imported)
        ShowAppMessage(FormatText(Text(10926), {path}), MB_OK | MB_ICONINFORMATION);
    else
        ShowNoEntries(path);
}

void TAddressForm::FromCSVFile1Click() {
    std::string path = Chosen(FileRequest(
        handle(), {{"CSV File (*.CSV)", "*.CSV"}, {"Text File (*.TXT)", "*.TXT"}}, ".CSV"));
    if (path.empty())
        return;
    const int before = PhoneListView->control().RowCount();
    if (!ImportCsv(path))
        return;
    if (PhoneListView->control().RowCount() == before)
        ShowNoEntries(path);
    else
        ShowAppMessage(FormatText(Text(10926), {path}), MB_OK | MB_ICONINFORMATION);
}

bool TAddressForm::ImportWab(const std::string& path) {
    if (path.empty())
        return true;
    WAB_AllocList(TempListView.handle(), path.c_str());
    // A file that gave no entries (no address book, or one the bridge cannot read) leaves the
    // list as it was: replacing it with nothing would lose the book at the next save.
    const bool gave = TempListView.RowCount() > 0;
    if (gave) {
        CopyTempList();
        Modified_ = true;
    }
    WAB_FreeList(TempListView.handle());
    return gave;
}

void TAddressForm::ShowNoEntries(const std::string& path) {
    ShowAppMessage(FormatText(Text(kNoEntriesImported), {path}), MB_OK | MB_ICONWARNING);
}

void TAddressForm::CopyTempList() {
    ListViewControl& list = PhoneListView->control();
    list.Clear();
    readFields_.clear();
    // Only the cells' texts are read: the rows' data belong to the bridge.
    for (int row = 0; row < TempListView.RowCount(); ++row) {
        int added =
            list.InsertRow(list.RowCount(), GetListViewCellText(TempListView.handle(), row, 0), 0);
        list.SetCell(added, 1, GetListViewCellText(TempListView.handle(), row, 1));
        list.SetCell(added, 2, GetListViewCellText(TempListView.handle(), row, 2));
    }
}

bool TAddressForm::LoadTel(const std::string& path) {
    SetFileName(path);
    if (path.empty())
        return false;
    ReadPartly_ = !AddFromFile(path, phonebook::LoadTel(path));
    return !ReadPartly_;
}

bool TAddressForm::AddFromFile(const std::string& path, const FileEntries& read) {
    // What was read before a failure stays in the list.
    AppendEntries(read.entries, read.fields);
    if (!read.fault)
        return true;
    ShowAppMessage(FileFaultMessage(StringLib.handle(), path, *read.fault, read.entries.size()),
                   MB_OK | MB_ICONERROR);
    return false;
}

bool TAddressForm::SaveTel(const std::string& path) {
    bool modified = Modified_;
    bool readPartly = ReadPartly_;
    std::string previous = CurrentFileName_;
    SetFileName(path);
    Modified_ = modified;
    if (path.empty())
        return false;
    std::vector<Entry> entries = Entries();
    const ReadFrom read = RowsReadFrom();
    if (std::optional<FileFault> fault = phonebook::SaveTel(path, entries, read)) {
        // The caption names no file that does not hold the list.
        SetFileName(previous);
        Modified_ = modified;
        ReadPartly_ = readPartly;
        ShowAppMessage(FileFaultMessage(StringLib.handle(), path, *fault), MB_OK | MB_ICONERROR);
        return false;
    }
    Modified_ = false;
    std::vector<std::string> notHeld = NamesNotHeld(entries, GetACP(), read);
    if (!notHeld.empty())
        ShowAppMessage(CharactersNotHeldMessage(StringLib.handle(), path, notHeld),
                       MB_OK | MB_ICONWARNING);
    return true;
}

bool TAddressForm::ImportCsv(const std::string& path) {
    return !path.empty() && AddFromFile(path, phonebook::ImportCsv(path));
}

}  // namespace kivo::phonebook
