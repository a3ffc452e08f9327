#pragma once

#include "platform/shell/api.h"
#include "platform/shell/item_id_list.h"
#include "platform/shell/shlobj.h"
#include "platform/shell/widget_window.h"

#include <QDialog>

#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kivo::shell {

// The browse-for-folder dialog: a tree of the namespace from the root item down, with what the
// flags ask for: files, an edit box (validated with BIF_VALIDATE), the status line (control
// 14147), the resizable new style with its new-folder button, browsing for this computer.
// The caller's callback hears of the start, of every change of selection and of text in the
// edit box that names nothing; it steers the dialog with the BFFM_ messages to handle().
class KIVO_SHELL_API BrowseDialog : public QDialog {
public:
    explicit BrowseDialog(BROWSEINFOA& info);
    ~BrowseDialog() override;

    // Shows the dialog modally: Start, then the event loop; the chosen item or none.
    std::optional<ItemIdList> Run();
    // Lays the dialog out, selects the root and tells the callback.
    void Start();
    // After the dialog closed: the chosen item, none when cancelled.
    const std::optional<ItemIdList>& chosen() const { return chosen_; }

    HWND handle() const;
    // Opens the tree down to the item and selects it; false when the tree does not reach it.
    bool Select(const ItemIdList& item);

    QTreeWidget* tree() const { return tree_; }
    QLabel* statusLine() const { return status_; }
    QLineEdit* editBox() const { return edit_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* newFolderButton() const { return newFolder_; }

private:
    class Node;
    class DialogWindow;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int Callback(UINT code, LPARAM param);
    bool Acceptable(const ItemIdList& item) const;
    Node* AddNode(QTreeWidgetItem* parent, const ItemIdList& item);
    void Populate(Node* node);
    void SelectionChanged(QTreeWidgetItem* current);
    void Renamed(QTreeWidgetItem* item);
    void MakeNewFolder();
    void AcceptChoice();
    std::optional<ItemIdList> Typed(const QString& text) const;
    void Finish(const ItemIdList& item);

    BROWSEINFOA& info_;
    ItemIdList root_;
    QTreeWidget* tree_ = nullptr;
    QLabel* status_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* newFolder_ = nullptr;
    Node* renaming_ = nullptr;
    bool started_ = false;
    int selectionReports_ = 0;
    std::optional<ItemIdList> chosen_;
    std::unique_ptr<WidgetWindow> statusWindow_;
    std::unique_ptr<DialogWindow> window_;
};

}  // namespace kivo::shell
