// The main window's components at their designed sizes and places, and the handlers bound to
// them.
#include "explorer/MainRtn.h"

#include "explorer/BrowseDr.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using kivo::ui::ListColumn;
using kivo::ui::ListView;

namespace {

constexpr int kClientWidth = 596;
constexpr int kClientHeight = 415;
constexpr int kToolBarHeight = 29;
constexpr int kPanelWidth = 298;
constexpr int kHeaderHeight = 20;
constexpr int kBottomHeight = 117;
constexpr int kStatusBarHeight = 19;
constexpr int kDownloadStatusWidth = 111;
constexpr int kInfoTop = 14;
constexpr int kInfoRowStep = 19;
constexpr int kInfoRowHeight = 17;
constexpr int kCaptionLeft = 16;
constexpr int kCaptionWidth = 150;
constexpr int kStatusPanelWidths[] = {323, 152, 70};
constexpr int kListHeight =
    kClientHeight - kToolBarHeight - kBottomHeight - kStatusBarHeight - kHeaderHeight;

QLabel* MakeLabel(QWidget* parent, int x, int y, int width, Qt::Alignment align = Qt::AlignLeft) {
    auto* label = new QLabel(parent);
    label->setGeometry(x, y, width, kInfoRowHeight);
    // Names from the player and the PC are shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

}  // namespace

void TMainFrm::CreateComponents() {
    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight);
    client->setAutoFillBackground(true);
    setCentralWidget(client);
    CreateMenus();
    CreateToolBar();
    CreatePanels();
    CreateBottom();
    BrowseDirectoryDlg = new TqelBrowseDirectoryDlg(this);
    BrowseDirectoryDlg->SetShowSelectionInStatus(true);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TMainFrm::CreateMenus() {
    auto add = [this](QMenu* menu, const char* text) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        commands_.push_back(action);
        return action;
    };
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    Connect1 = add(File1, "Connect");
    File1->addSeparator();
    Copyto = File1->addMenu(QStringLiteral("&Copy to"));
    CopyToFlashMemory = add(Copyto, "&Flash Memory");
    CopyToSmartMedia = add(Copyto, "Kivo &Card");
    Copyto->addSeparator();
    PC1 = add(Copyto, "&PC");
    Format1 = File1->addMenu(QStringLiteral("&Format"));
    FlashMemory1 = add(Format1, "&Flash Memory");
    KivoCard1 = add(Format1, "Kivo &Card");
    Delete1 = add(File1, "&Delete");
    File1->addSeparator();
    Stop1 = File1->addAction(QStringLiteral("&Stop"));
    File1->addSeparator();
    PlayOrder = add(File1, "Play &Order");
    Refresh1 = add(File1, "&Refresh");
    Refresh1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    File1->addSeparator();
    Exit1 = add(File1, "E&xit");

    Environment1 = menuBar()->addMenu(QStringLiteral("&Environment"));
    Font1 = add(Environment1, "&Font");
    Environment1->addSeparator();
    LargeIcon1 = add(Environment1, "&Large Icon");
    SmallIcon1 = add(Environment1, "&Small Icon");
    ListIcon1 = add(Environment1, "&List Icon");
    Report1 = add(Environment1, "&Detail");
    Environment1->addSeparator();
    Option1 = add(Environment1, "&Option");
    Option1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));

    Tools1 = menuBar()->addMenu(QStringLiteral("Tools"));
    TelephoneBook1 = add(Tools1, "Telephone Book...");
    SC4TrueSpeechTM1 = add(Tools1, "SC4 -> TrueSpeech(TM)");

    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    About1 = add(Help1, "&About...");
    Help1->addSeparator();
    for (size_t i = 0; i < WebLinks.size(); ++i) {
        if (i == 2)
            Help1->addSeparator();
        WebLinks[i] = add(Help1, "");
    }

    PopupEn = new QMenu(this);
    Stop2 = PopupEn->addAction(QStringLiteral("&Stop"));
    PopupEn->addSeparator();
    CopyFromPC1 = add(PopupEn, "&Copy From PC");
    PopupEn->addSeparator();
    CopyToPC1 = add(PopupEn, "Copy To &PC");
    PopupEn->addSeparator();
    Refresh2 = add(PopupEn, "&Refresh");
    PopupEn->addSeparator();
    Delete2 = add(PopupEn, "&Delete");
    PopupEn->addSeparator();
    Format2 = add(PopupEn, "&Format");

    // The logo stands right-aligned in the menu-bar row, where the original painted it into the
    // window frame.
    imageKivo = new QLabel(menuBar());
    imageKivo->setContentsMargins(0, 0, 2, 0);
    menuBar()->setCornerWidget(imageKivo, Qt::TopRightCorner);
}

void TMainFrm::CreateToolBar() {
    auto* bar = new QWidget(centralWidget());
    bar->setGeometry(0, 0, kClientWidth, kToolBarHeight);
    int x = 2;
    auto button = [&](QToolButton*& target, bool command) {
        target = new QToolButton(bar);
        target->setAutoRaise(true);
        target->setIconSize(QSize(20, 20));
        target->setGeometry(x, 2, 26, 25);
        x += 26;
        if (command)
            commandButtons_.push_back(target);
    };
    auto divider = [&] {
        auto* line = new QFrame(bar);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(x + 2, 4, 4, 21);
        x += 8;
    };
    button(SpeedButton1, true);
    divider();
    button(sbCopyToFlashMemory, true);
    button(sbCopyToSmartMedia, true);
    button(sbCopyToPC, true);
    button(sbTrash, true);
    divider();
    button(sbStop, false);
    divider();
    button(sbLargeIcon, true);
    button(sbSmallIcon, true);
    button(sbListIcon, true);
    button(sbReportIcon, true);
    auto* group = new QButtonGroup(this);
    for (QToolButton* b : {sbLargeIcon, sbSmallIcon, sbListIcon, sbReportIcon}) {
        b->setCheckable(true);
        group->addButton(b);
    }
    group->setExclusive(true);
    auto* line = new QFrame(bar);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, kToolBarHeight - 2, kClientWidth, 2);
}

void TMainFrm::CreatePanels() {
    auto makePanel = [this](int x, QStackedWidget*& notebook, ListView*& list, int side) {
        auto* panel = new QWidget(centralWidget());
        panel->setGeometry(x, kToolBarHeight, kPanelWidth, kHeaderHeight + kListHeight);
        notebook = new QStackedWidget(panel);
        notebook->setGeometry(0, 0, kPanelWidth, kHeaderHeight);
        for (int page = 0; page < 2; ++page) {
            auto* picture = new QLabel(notebook);
            auto* caption = new QLabel(picture);
            // Right of the memory's symbol that the picture carries at its left.
            caption->setGeometry(40, 0, kPanelWidth - 64, kHeaderHeight);
            caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            notebook->addWidget(picture);
            headerPages_[side * 2 + page] = picture;
            headerCaptions_[side * 2 + page] = caption;
        }
        list = new ListView(panel);
        list->setGeometry(0, kHeaderHeight, kPanelWidth, kListHeight);
        list->SetColumns({{QStringLiteral("Name"), 102, Qt::AlignLeft},
                          {QStringLiteral("Size"), 80, Qt::AlignRight},
                          {QStringLiteral("Type"), 0, Qt::AlignLeft},
                          {QStringLiteral("Index"), 0, Qt::AlignLeft},
                          {QStringLiteral("Order"), 0, Qt::AlignLeft},
                          {QStringLiteral("Time"), 80, Qt::AlignLeft}});
        list->SetImages(&imageFileList);
        return panel;
    };
    PanelLeft = makePanel(0, notebookLeft, listFlashMemory, 0);
    PanelRight = makePanel(kPanelWidth, notebookRight, listSmartMedia, 1);
}

void TMainFrm::CreateBottom() {
    PanelBottom = new QWidget(centralWidget());
    PanelBottom->setGeometry(0, kClientHeight - kStatusBarHeight - kBottomHeight, kClientWidth,
                             kBottomHeight);
    panelStatus = new QWidget(PanelBottom);
    panelStatus->setGeometry(0, 0, kClientWidth - kDownloadStatusWidth, kBottomHeight);
    Image2 = new QLabel(panelStatus);
    Image2->setGeometry(0, 0, panelStatus->width(), kBottomHeight);
    Image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int top = kInfoTop, step = kInfoRowStep;
    QLabel** captions[] = {&Label1, &Label2, &Label5, &Label6, &Label7};
    QLabel** values[] = {&Label16, &Label17, &Label20, &Label21, &Label22};
    const char* designTexts[] = {"File Name", "File Size", "Total File(s)", "Available Free Space",
                                 "Total Space"};
    for (int i = 0; i < 5; ++i) {
        int y = top + i * step;
        *captions[i] = MakeLabel(panelStatus, kCaptionLeft, y, kCaptionWidth);
        (*captions[i])->setText(QString::fromUtf8(designTexts[i]));
        infoColons_[i] = MakeLabel(panelStatus, 168, y, 8);
        infoColons_[i]->setText(QStringLiteral(":"));
        *values[i] = MakeLabel(panelStatus, 180, y, panelStatus->width() - 190);
    }

    panelDownloadStatus = new QWidget(PanelBottom);
    panelDownloadStatus->setGeometry(kClientWidth - kDownloadStatusWidth, 0, kDownloadStatusWidth,
                                     kBottomHeight);
    Image3 = new QLabel(panelDownloadStatus);
    Image3->setGeometry(0, 0, kDownloadStatusWidth, kBottomHeight);
    Image3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Ball k of the grid: a growing count fills it from the top-left corner by anti-diagonals,
    // each from its bottom-left end to its top-right end.
    int k = 0;
    for (int diagonal = 0; diagonal <= 10; ++diagonal) {
        for (int row = std::min(diagonal, 5); row >= 0 && diagonal - row <= 5; --row) {
            int column = diagonal - row;
            auto* ball = new QLabel(Image3);
            ball->setObjectName(QStringLiteral("zb%1").arg(k + 1, 2, 10, QLatin1Char('0')));
            ball->setGeometry(21 + 12 * column, 29 + 12 * row, 11, 11);
            ball->hide();
            BallImages[k++] = ball;
        }
    }

    statusBar_ = new QWidget(centralWidget());
    statusBar_->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
    int x = 0;
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(statusBar_);
        panel->setGeometry(x, 1, kStatusPanelWidths[i] - 2, kStatusBarHeight - 1);
        panel->setAlignment((i == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
        panel->setContentsMargins(3, 0, 3, 0);
        if (i > 0)
            panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
        sbBottom[i] = panel;
        x += kStatusPanelWidths[i];
    }
}

void TMainFrm::changeEvent(QEvent* event) {
    FormWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange && statusBar_ != nullptr)
        FitToFont();
}

void TMainFrm::FitToFont() {
    const QFontMetrics metrics(font());
    const int rowHeight = std::max(kInfoRowHeight, metrics.height());
    const int step = std::max(kInfoRowStep, rowHeight + 2);
    const int rowsHeight = 4 * step + rowHeight;
    // The designed top while the rows fit below it, else the rows centred with a small margin
    // and the panel taller where even that is not enough.
    const int top = std::max(4, std::min(kInfoTop, (kBottomHeight - rowsHeight) / 2));
    const int bottomHeight = std::max(kBottomHeight, top + rowsHeight + 4);
    const int barHeight = std::max(kStatusBarHeight, metrics.height() + 5);

    QLabel* captions[] = {Label1, Label2, Label5, Label6, Label7};
    QLabel* values[] = {Label16, Label17, Label20, Label21, Label22};
    int captionWidth = kCaptionWidth;
    for (QLabel* caption : captions)
        captionWidth = std::max(captionWidth, metrics.horizontalAdvance(caption->text()) + 4);
    const int colonLeft = kCaptionLeft + captionWidth + 2;
    const int colonWidth = std::max(8, metrics.horizontalAdvance(QLatin1Char(':')) + 2);
    const int valueLeft = colonLeft + colonWidth + 4;
    const int valueWidth = std::max(0, panelStatus->width() - valueLeft - 10);
    for (int i = 0; i < 5; ++i) {
        const int y = top + i * step;
        captions[i]->setGeometry(kCaptionLeft, y, captionWidth, rowHeight);
        infoColons_[i]->setGeometry(colonLeft, y, colonWidth, rowHeight);
        values[i]->setGeometry(valueLeft, y, valueWidth, rowHeight);
    }

    const int listsBottom = kToolBarHeight + kHeaderHeight + kListHeight;
    PanelBottom->setGeometry(0, listsBottom, kClientWidth, bottomHeight);
    panelStatus->resize(panelStatus->width(), bottomHeight);
    statusBar_->setGeometry(0, listsBottom + bottomHeight, kClientWidth, barHeight);
    for (QLabel* panel : sbBottom)
        panel->setGeometry(panel->x(), 1, panel->width(), barHeight - 1);
    centralWidget()->setFixedSize(kClientWidth, listsBottom + bottomHeight + barHeight);
    FitStatusPanels();
}

void TMainFrm::FitStatusPanels() {
    // Panel 0 is left-aligned text that may be shortened; the figures of 1 and 2 never are.
    auto needed = [](QLabel* panel) { return panel->sizeHint().width() + 2; };
    const int rateWidth = std::max(kStatusPanelWidths[2], needed(sbBottom[2]));
    const int sizeWidth = std::max(kStatusPanelWidths[1], needed(sbBottom[1]));
    const int sizeLeft =
        std::max(0, std::min(kStatusPanelWidths[0], kClientWidth - sizeWidth - rateWidth));
    const int height = sbBottom[0]->height();
    const QRect places[] = {{0, 1, sizeLeft - 2, height},
                            {sizeLeft, 1, sizeWidth - 2, height},
                            {sizeLeft + sizeWidth, 1, rateWidth - 2, height}};
    for (size_t i = 0; i < sbBottom.size(); ++i) {
        if (sbBottom[i]->geometry() != places[i])
            sbBottom[i]->setGeometry(places[i]);
    }
}
