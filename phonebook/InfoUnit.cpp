#include "phonebook/InfoUnit.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <algorithm>

namespace kivo::phonebook {

namespace {

// An edit that asks the input method for Korean when it has the focus; where the system has
// no Korean input method the request changes nothing.
class KoreanEdit : public QLineEdit {
public:
    explicit KoreanEdit(QWidget* parent) : QLineEdit(parent) {}

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override {
        if (query == Qt::ImPreferredLanguage)
            return QLocale(QLocale::Korean, QLocale::SouthKorea).name();
        return QLineEdit::inputMethodQuery(query);
    }
};

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TInfoForm::TInfoForm(QWidget* owner) : QDialog(owner) {
    setObjectName("InfoForm");
    setWindowTitle("Personal Information");
    // A dialog border with the system menu only: no resizing, no help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(346, 161);

    InformationGroupBox = new QGroupBox(this);
    InformationGroupBox->setObjectName("InformationGroupBox");
    InformationGroupBox->setGeometry(8, 2, 329, 119);

    auto label = [this](const char* name, const char* text, int top) {
        auto* l = new QLabel(text, InformationGroupBox);
        l->setObjectName(name);
        l->setGeometry(16, top, 134, 17);
        return l;
    };
    Label1 = label("Label1", "Name", 24);
    Label2 = label("Label2", "Home Phone Number", 56);
    Label3 = label("Label3", "Office Phone Number", 88);

    auto edit = [this](const char* name, int top) {
        auto* e = new KoreanEdit(InformationGroupBox);
        e->setObjectName(name);
        e->setGeometry(152, top, 161, 20);
        e->installEventFilter(this);
        return e;
    };
    NameEdit = edit("NameEdit", 20);
    NameEdit->setMaxLength(kNameLimit);
    // The limit holds for typing only, as the system's edit limit does: a longer name set by
    // SetEntryFields stays whole, and typing adds to it only once it is shorter than the limit.
    connect(NameEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        NameEdit->setMaxLength(
            std::max(kNameLimit, std::min(NameEdit->maxLength(), static_cast<int>(text.size()))));
    });
    HomePhoneEdit = edit("HomePhoneEdit", 52);
    OfficePhoneEdit = edit("OfficePhoneEdit", 84);

    auto button = [this](const char* name, const char* text, int left) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(left, 128, 75, 25);
        // Enter never presses a button here: it moves the focus on.
        b->setAutoDefault(false);
        b->installEventFilter(this);
        return b;
    };
    OKButton = button("OKButton", "OK", 182);
    CancelButton = button("CancelButton", "Cancel", 262);
    connect(OKButton, &QPushButton::clicked, this, &TInfoForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TInfoForm::CancelButtonClick);

    setTabOrder(NameEdit, HomePhoneEdit);
    setTabOrder(HomePhoneEdit, OfficePhoneEdit);
    setTabOrder(OfficePhoneEdit, OKButton);
    setTabOrder(OKButton, CancelButton);
    NameEdit->setFocus();
}

void TInfoForm::SetEntryFields(const std::string& name, const std::string& home,
                               const std::string& office) {
    const QString whole = FromUtf8(name);
    NameEdit->setMaxLength(std::max(kNameLimit, static_cast<int>(whole.size())));
    NameEdit->setText(whole);
    HomePhoneEdit->setText(FromUtf8(home));
    OfficePhoneEdit->setText(FromUtf8(office));
}

std::string TInfoForm::Name() const {
    return NameEdit->text().toStdString();
}

std::string TInfoForm::HomePhone() const {
    return HomePhoneEdit->text().toStdString();
}

std::string TInfoForm::OfficePhone() const {
    return OfficePhoneEdit->text().toStdString();
}

bool TInfoForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && FormKeyPress(static_cast<QKeyEvent*>(event)->key()))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TInfoForm::OKButtonClick() {
    accept();
}

void TInfoForm::CancelButtonClick() {
    reject();
}

bool TInfoForm::FormKeyPress(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    // A focus moved by a key shows its mark, as one moved by Tab does.
    setAttribute(Qt::WA_KeyboardFocusChange);
    focusNextChild();
    return true;
}

}  // namespace kivo::phonebook
