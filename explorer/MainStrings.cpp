// Every caption, column title and hint from the language library.
#include "explorer/MainRtn.h"

#include "appkit/language.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QToolButton>

namespace {

// A web address shown as a menu caption: "&" is a mnemonic sign for the menu.
QString Literal(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

// "&File" and the Korean style "파일(&F)" both become the plain name.
QString WithoutMnemonic(QString text) {
    text.remove(QRegularExpression(QStringLiteral("\\(&[^&]\\)$")));
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return text.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

}  // namespace

void TMainFrm::ApplyUIStrings() {
    auto text = [this](UINT id) { return QString::fromStdString(Text(id)); };
    QAction* file[] = {File1->menuAction(),
                       Connect1,
                       Copyto->menuAction(),
                       CopyToFlashMemory,
                       CopyToSmartMedia,
                       PC1,
                       Format1->menuAction(),
                       FlashMemory1,
                       KivoCard1,
                       Delete1,
                       Stop1,
                       PlayOrder,
                       Refresh1,
                       Exit1};
    for (UINT i = 0; i < std::size(file); ++i)
        file[i]->setText(text(10000 + i));
    QAction* environment[] = {
        Environment1->menuAction(), Font1, LargeIcon1, SmallIcon1, ListIcon1, Report1, Option1};
    for (UINT i = 0; i < std::size(environment); ++i)
        environment[i]->setText(text(10020 + i));
    Tools1->menuAction()->setText(text(10031));
    TelephoneBook1->setText(text(10032));
    SC4TrueSpeechTM1->setText(text(10033));
    Help1->menuAction()->setText(text(10040));
    About1->setText(text(10041));
    const UINT links[] = {10050, 10051, 10052, 10053, 10057, 10054, 10055};
    for (size_t i = 0; i < WebLinks.size(); ++i) {
        std::string address = Text(links[i]);
        WebLinks[i]->setText(Literal(address));
        WebLinks[i]->setData(QString::fromStdString(address));
    }
    QAction* popup[] = {Stop2, CopyFromPC1, CopyToPC1, Refresh2, Delete2, Format2};
    for (UINT i = 0; i < std::size(popup); ++i)
        popup[i]->setText(text(10060 + i));
    QLabel* captions[] = {Label1, Label2, Label5, Label6, Label7};
    for (UINT i = 0; i < std::size(captions); ++i)
        captions[i]->setText(text(10070 + i));
    for (int column = 0; column < 6; ++column) {
        listFlashMemory->SetColumnTitle(column, text(10075 + column));
        listSmartMedia->SetColumnTitle(column, text(10075 + column));
    }
    QToolButton* buttons[] = {
        SpeedButton1, sbCopyToFlashMemory, sbCopyToSmartMedia, sbCopyToPC, sbTrash,
        sbStop,       sbLargeIcon,         sbSmallIcon,        sbListIcon, sbReportIcon};
    for (UINT i = 0; i < std::size(buttons); ++i)
        buttons[i]->setToolTip(text(10800 + i));

    // The notebooks' pictures carry no words: the lists' names are those of the memories.
    for (int page = 0; page < 2; ++page) {
        headerCaptions_[page]->setText(WithoutMnemonic(text(10007)));
        headerCaptions_[2 + page]->setText(WithoutMnemonic(text(10008)));
    }

    bool korean = SystemPrimaryLang() == kLangKorean;
    const bool shownKorean[] = {true, true, true, true, false, true, true};
    const bool shownOther[] = {true, true, false, false, true, true, true};
    for (size_t i = 0; i < WebLinks.size(); ++i)
        WebLinks[i]->setVisible(korean ? shownKorean[i] : shownOther[i]);
    FitToFont();
}
