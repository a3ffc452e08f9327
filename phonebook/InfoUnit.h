#pragma once

#include <QDialog>

#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kivo::phonebook {

// The modal dialog in which one telephone-book entry is typed or changed. It checks nothing:
// the main window decides what an empty name means.
class TInfoForm : public QDialog {
public:
    explicit TInfoForm(QWidget* owner);

    // For Modify; for Add the edits start empty.
    void SetEntryFields(const std::string& name, const std::string& home,
                        const std::string& office);
    // The texts of the three edits as they stand, UTF-8.
    std::string Name() const;
    std::string HomePhone() const;
    std::string OfficePhone() const;

    QGroupBox* InformationGroupBox;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* NameEdit;
    QLineEdit* HomePhoneEdit;
    QLineEdit* OfficePhoneEdit;
    QPushButton* OKButton;
    QPushButton* CancelButton;

    static constexpr int kNameLimit = 26;

protected:
    // The form sees every key first (key preview): Enter moves the focus on.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OKButtonClick();
    void CancelButtonClick();
    // Enter moves to the next control in tab order, wrapping, and goes no further.
    bool FormKeyPress(int key);
};

}  // namespace kivo::phonebook
