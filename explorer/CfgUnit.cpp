#include "explorer/CfgUnit.h"

#include "appkit/language.h"
#include "explorer/FormSupport.h"
#include "explorer/SettingsStore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cstdint>

using namespace kivo::explorer;

namespace {

constexpr int kClientWidth = 313;
// The buttons' row, and the client height that leaves 10 pixels below them.
constexpr int kButtonTopChinese = 192;
constexpr int kButtonTopOther = 144;
constexpr int kButtonHeight = 25;
constexpr int kBottomMargin = 10;

}  // namespace

RadioGroup::RadioGroup(QWidget* parent, const QStringList& items)
    : QGroupBox(parent), buttons_(new QButtonGroup(this)) {
    // Exclusive only while one is chosen, so that none can be selected as well.
    buttons_->setExclusive(false);
    const int columnWidth = (297 - 16) / std::max<qsizetype>(1, items.size());
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setGeometry(8 + i * columnWidth, 12, columnWidth - 4, 20);
        buttons_->addButton(button, i);
        connect(button, &QRadioButton::clicked, this, [this, i] { SetItemIndex(i); });
    }
}

int RadioGroup::ItemIndex() const {
    return buttons_->checkedId();
}

void RadioGroup::SetItemIndex(int index) {
    const int last = static_cast<int>(buttons_->buttons().size()) - 1;
    index = std::clamp(index, -1, last);
    for (QAbstractButton* button : buttons_->buttons())
        button->setChecked(buttons_->id(button) == index);
    emit Changed();
}

QRadioButton* RadioGroup::Item(int index) const {
    return static_cast<QRadioButton*>(buttons_->button(index));
}

TConfigForm::TConfigForm(QWidget* owner)
    : QDialog(owner),
      GroupBox2(new QGroupBox(this)),
      ECPCheckBox(new QCheckBox(QStringLiteral("Use ECP Emulation Mode"), GroupBox2)),
      LPTRadioGroup(new RadioGroup(this, {QStringLiteral("LPT1"), QStringLiteral("USB")})),
      GroupBox3(new QGroupBox(this)),
      SC4CheckBox(new QCheckBox(QStringLiteral("Convert SC4 to WAV on uploading"), GroupBox3)),
      LanguageRadioGroup(new RadioGroup(
          this, {QStringLiteral("Simplified Chinese"), QStringLiteral("Traditional Chinese")})),
      OKButton(new QPushButton(QStringLiteral("OK"), this)),
      CancelButton(new QPushButton(QStringLiteral("Cancel"), this)),
      ApplyButton(new QPushButton(QStringLiteral("Apply"), this)),
      GroupBox1(new QGroupBox(this)),
      AutoCheckBox(new QCheckBox(QStringLiteral("Do not check automatically."), GroupBox1)),
      Label1(new QLabel(QStringLiteral("Check every"), GroupBox1)),
      CheckTimeEdit(new QLineEdit(GroupBox1)),
      Label2(new QLabel(QStringLiteral("second(s)."), GroupBox1)),
      StatusCheckBox(new QCheckBox(QStringLiteral("Connect on start program"), GroupBox1)),
      chinese_(SystemPrimaryLang() == kLangChinese) {
    setObjectName(QStringLiteral("ConfigForm"));
    setWindowTitle(QStringLiteral("Preferences"));
    setFont(FormFont());

    GroupBox2->setGeometry(8, 0, 297, 41);
    ECPCheckBox->setGeometry(16, 16, 265, 17);
    LPTRadioGroup->setGeometry(8, 48, 297, 41);
    GroupBox3->setGeometry(8, 96, 297, 41);
    SC4CheckBox->setGeometry(16, 16, 265, 17);
    LanguageRadioGroup->setGeometry(8, 144, 297, 41);
    GroupBox1->setGeometry(16, 264, 297, 129);
    AutoCheckBox->setGeometry(16, 24, 233, 17);
    Label1->move(16, 64);
    Label1->adjustSize();
    CheckTimeEdit->setGeometry(0, 60, 57, 24);
    Label2->move(0, 64);
    Label2->adjustSize();
    StatusCheckBox->setGeometry(16, 96, 233, 17);
    GroupBox1->setVisible(false);
    GroupBox1->setEnabled(false);
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{AutoCheckBox, CheckTimeEdit, StatusCheckBox})
        hidden->setEnabled(false);

    SetDefaultButton(OKButton, {OKButton, CancelButton, ApplyButton});
    SetTabOrder({OKButton, CancelButton, ApplyButton, GroupBox1, GroupBox2, LPTRadioGroup,
                 GroupBox3, LanguageRadioGroup});

    connect(OKButton, &QPushButton::clicked, this, &TConfigForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TConfigForm::CancelButtonClick);
    connect(ApplyButton, &QPushButton::clicked, this, &TConfigForm::ApplyButtonClick);
    connect(CheckTimeEdit, &QLineEdit::textChanged, this, &TConfigForm::StatusChange);
    for (QCheckBox* box : {StatusCheckBox, ECPCheckBox, SC4CheckBox})
        connect(box, &QCheckBox::toggled, this, &TConfigForm::StatusChange);
    for (RadioGroup* group : {LPTRadioGroup, LanguageRadioGroup})
        connect(group, &RadioGroup::Changed, this, &TConfigForm::StatusChange);
    connect(AutoCheckBox, &QCheckBox::toggled, this, &TConfigForm::AutoCheckBoxClick);

    FormCreate();
}

void TConfigForm::FormCreate() {
    const int buttonTop = chinese_ ? kButtonTopChinese : kButtonTopOther;
    setFixedSize(kClientWidth, buttonTop + kButtonHeight + kBottomMargin);
    OKButton->setGeometry(72, buttonTop, 75, kButtonHeight);
    CancelButton->setGeometry(152, buttonTop, 75, kButtonHeight);
    ApplyButton->setGeometry(232, buttonTop, 75, kButtonHeight);
    LanguageRadioGroup->setEnabled(chinese_);
    LanguageRadioGroup->setVisible(chinese_);
    CheckTimeEdit->move(Label1->x() + Label1->width() + 8, CheckTimeEdit->y());
    Label2->move(CheckTimeEdit->x() + CheckTimeEdit->width() + 8, Label2->y());
}

bool TConfigForm::Execute(QWidget* mainWindow, HMODULE strings) {
    TConfigForm form(mainWindow);
    form.ApplyTexts(strings);
    TakeMainFontName(&form, mainWindow);
    CentreOver(&form, mainWindow);
    form.exec();
    return form.Saved();
}

void TConfigForm::ApplyTexts(HMODULE strings) {
    setWindowTitle(PackText(strings, 10141));
    ECPCheckBox->setText(PackText(strings, 10142));
    SC4CheckBox->setText(PackText(strings, 10143));
    OKButton->setText(PackText(strings, 10144));
    CancelButton->setText(PackText(strings, 10145));
    ApplyButton->setText(PackText(strings, 10146));
}

void TConfigForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        LoadPreferences();
}

void TConfigForm::keyPressEvent(QKeyEvent* event) {
    // Cancel is no cancel button: Esc closes nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TConfigForm::LoadPreferences() {
    CheckTimeEdit->setText(
        QString::fromStdString(kivo::explorer::settings::ReadText("CheckTime", "60")));
    StatusCheckBox->setChecked(kivo::explorer::settings::ReadTruth("CheckOnStart", false));
    AutoCheckBox->setChecked(kivo::explorer::settings::ReadTruth("AutoCheck", false));
    ECPCheckBox->setChecked(kivo::explorer::settings::ReadTruth("ECPEmulation", false));
    LPTRadioGroup->SetItemIndex(
        static_cast<int>(kivo::explorer::settings::ReadNumber("PORT", 0, INT16_MIN, INT16_MAX)));
    LanguageRadioGroup->SetItemIndex(
        static_cast<int>(kivo::explorer::settings::ReadNumber("LangID", -1, INT16_MIN, INT16_MAX)));
    if (LanguageRadioGroup->ItemIndex() == -1 && chinese_)
        LanguageRadioGroup->SetItemIndex(SystemSubLang() == 1 ? 1 : 0);
    SC4CheckBox->setChecked(kivo::explorer::settings::ReadTruth("SC4ToWAV", true));
    saved_ = false;
    ApplyButton->setEnabled(false);
}

void TConfigForm::SavePreferences() {
    // One write: a save that fails part way would leave the port of one save with the ECP
    // mode of another. A store that cannot be written keeps what it held, without a message.
    kivo::explorer::settings::Changes changes;
    changes.Text("CheckTime", CheckTimeEdit->text().toStdString())
        .Truth("CheckOnStart", StatusCheckBox->isChecked())
        .Truth("AutoCheck", AutoCheckBox->isChecked())
        .Truth("ECPEmulation", ECPCheckBox->isChecked())
        .Number("PORT", LPTRadioGroup->ItemIndex());
    if (chinese_)
        changes.Number("LangID", LanguageRadioGroup->ItemIndex());
    changes.Truth("SC4ToWAV", SC4CheckBox->isChecked()).Write();
    saved_ = true;
    ApplyButton->setEnabled(false);
}

void TConfigForm::OKButtonClick() {
    SavePreferences();
    accept();
}

void TConfigForm::CancelButtonClick() {
    reject();
}

void TConfigForm::ApplyButtonClick() {
    SavePreferences();
}

void TConfigForm::StatusChange() {
    ApplyButton->setEnabled(true);
}

void TConfigForm::AutoCheckBoxClick() {
    ApplyButton->setEnabled(true);
    const bool manual = !AutoCheckBox->isChecked();
    CheckTimeEdit->setEnabled(manual);
    StatusCheckBox->setEnabled(manual);
}
