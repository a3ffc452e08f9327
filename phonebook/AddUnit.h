#pragma once

#include "phonebook/TelFile.h"
#include "platform/resources/library.h"
#include "platform/ui/form_window.h"
#include "platform/ui/list_view.h"
#include "platform/win/listview.h"

#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QToolButton;

namespace kivo::phonebook {

// The telephone book's main window: the entry list, its menu, three tool buttons and a status
// line. Entries are the rows of PhoneListView (name, home number, office number); their order
// is the order they are saved in.
class TAddressForm : public ui::FormWindow {
public:
    // FormCreate: language, texts, empty list.
    explicit TAddressForm(QWidget* parent = nullptr);
    // FormDestroy: the language library goes with the window.
    ~TAddressForm() override;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Handlers, bound to the components' events by name.
    void AddButtonClick();
    void PhoneListViewDblClick();
    void DeleteButtonClick();
    void PhoneListViewKeyDown(int key);
    void PhoneListViewSelectItem();
    void PhoneListViewColumnClick(int column);
    void SpeedButton2Click();
    void SpeedButton1Click();
    void New1Click();
    void Open1Click();
    void Save1Click();
    void ExitButtonClick();
    void FromMSAddressBook1Click();
    void FromWABFile1Click();
    void FromCSVFile1Click();

    bool Modified() const { return Modified_; }
    const std::string& CurrentFileName() const { return CurrentFileName_; }
    int SortColumn() const { return SortColumn_; }
    int Descending() const { return Descending_; }
    // The entries in display order.
    std::vector<Entry> Entries() const;

    QFrame* Panel1;
    QFrame* Bevel1;
    QToolButton* AddButton;
    QToolButton* ModifyButton;
    QToolButton* DeleteButton;
    QFrame* Bevel2;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton1;
    ui::ListView* PhoneListView;
    QLabel* StatusBar;
    ListViewControl TempListView;

    QMenu* File1;
    QAction* New1;
    QAction* Open1;
    QAction* Save1;
    QMenu* Import1;
    QAction* FromMSAddressBook1;
    QAction* FromWABFile1;
    QAction* FromCSVFile1;
    QAction* Exit1;
    QMenu* Edit1;
    QAction* Add1;
    QAction* Modify1;
    QAction* Delete1;

protected:
    // FormShow: the placement; FormClose: the placement and the question about changes.
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents();
    void SetLanguage();
    void ApplyCaptions();
    void LoadPlacement();
    void SavePlacement();
    void UpdateStatus();
    void SetFileName(const std::string& path);
    void AddEntry(const std::string& name, const std::string& home, const std::string& office);
    // `fields`, when given, holds the record each entry was read from.
    void AppendEntries(const std::vector<Entry>& entries,
                       const std::vector<RecordFields>& fields = {});
    // For each row, the record it was read from; nullptr for one typed or imported.
    ReadFrom RowsReadFrom() const;
    void UpdateEntry(int entry, const std::string& name, const std::string& home,
                     const std::string& office);
    void DeleteSelected();
    void ClearList();
    void SortByColumn(int column);
    int SortCompare(int entry1, int entry2, int value);
    void Sort(int value);
    // Runs the entry dialog, filled with `entry` (for Modify) or empty; true for OK.
    bool RunInfoForm(const Entry& entry, Entry& result);
    // Save: true once the list is written; false when the user cancelled or the save failed.
    // When the current file cannot be written, the save dialog offers another place.
    bool Save();
    // Asks before the list's changes are given up; false when they must be kept.
    bool ChangesMayGo();
    // Replaces the list with the address book's entries; false, keeping the list, when the
    // file gave none. Nothing for an empty path.
    bool ImportWab(const std::string& path);
    void ShowNoEntries(const std::string& path);
    void CopyTempList();
    bool LoadTel(const std::string& path);
    bool SaveTel(const std::string& path);
    bool ImportCsv(const std::string& path);
    // Adds what the file at `path` gave and shows why it could not be read whole; true when it
    // was.
    bool AddFromFile(const std::string& path, const FileEntries& read);
    std::string Text(UINT id) const;

    ResourceLibrary StringLib;
    int Descending_ = 0;
    int SortColumn_ = -1;
    bool Modified_ = false;
    std::string CurrentFileName_;
    // The current file was not read whole: saving over it would lose the rest of the book.
    bool ReadPartly_ = false;
    bool placed_ = false;
    // The records the rows were read from; a row's data is its index here plus one (0: none).
    std::vector<RecordFields> readFields_;
};

// The path of the user's default address book; empty when there is none.
std::string ReadWabFileNameFromRegistry();

}  // namespace kivo::phonebook
