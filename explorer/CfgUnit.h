#pragma once

#include "platform/win/types.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

// A group of radio buttons in columns whose selection is one item number or -1 (none).
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(QWidget* parent, const QStringList& items);

    int ItemIndex() const;
    // Clamped to -1 .. the last item: above selects the last, below -1 selects none.
    void SetItemIndex(int index);
    QRadioButton* Item(int index) const;

signals:
    // A change of the selection, by the user or by SetItemIndex.
    void Changed();

private:
    QButtonGroup* buttons_;
};

// The preferences: ECP emulation, the port, SC4 wrapping and, on a Chinese system, the code page
// of the player's file names. It reads the settings as it shows and writes them on OK and Apply.
class TConfigForm : public QDialog {
    Q_OBJECT
public:
    explicit TConfigForm(QWidget* owner);

    // Option1Click's dialog: texts from the pack, the main window's font name, centred over
    // it, shown modally. True when a save happened, so the main window reads its settings again.
    static bool Execute(QWidget* mainWindow, HMODULE strings);

    // The caption and the texts of the pack.
    void ApplyTexts(HMODULE strings);
    void LoadPreferences();
    void SavePreferences();
    bool Saved() const { return saved_; }

    // Components, named by role.
    QGroupBox* GroupBox2;
    QCheckBox* ECPCheckBox;
    RadioGroup* LPTRadioGroup;
    QGroupBox* GroupBox3;
    QCheckBox* SC4CheckBox;
    RadioGroup* LanguageRadioGroup;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* ApplyButton;
    // The check settings: never shown, yet read and written with the others.
    QGroupBox* GroupBox1;
    QCheckBox* AutoCheckBox;
    QLabel* Label1;
    QLineEdit* CheckTimeEdit;
    QLabel* Label2;
    QCheckBox* StatusCheckBox;

    void OKButtonClick();
    void CancelButtonClick();
    void ApplyButtonClick();
    void StatusChange();
    void AutoCheckBoxClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();

    bool chinese_;
    bool saved_ = false;
};
