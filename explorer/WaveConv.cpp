#include "explorer/WaveConv.h"

#include "appkit/messages.h"
#include "appkit/texts.h"
#include "explorer/FormSupport.h"
#include "explorer/LPTCtrl.h"
#include "explorer/UtilUnit.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/win/memory_status.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <utility>

using namespace kivo::explorer;

namespace {

TWaveConvForm* g_form = nullptr;

// A conversion holds the recording several times over: as read, as PCM and as encoded.
constexpr uint64_t kMemoryPerSourceByte = 12;
constexpr char kTargetMark[] = "_TS";
// Right edges of the designed layout, which stay where the texts need more room.
constexpr int kBrowseRight = 446;
constexpr int kRunningRight = 449;
constexpr int kButtonsRight = 475;
constexpr int kButtonPadding = 16;

// The source and target dialogs: ".wav" files of the one kind each.
kivo::ui::FileDialogRequest WaveFileRequest(const char* description) {
    kivo::ui::FileDialogRequest request;
    request.filters = {{description, "*.wav"}};
    request.defaultExtension = ".wav";
    return request;
}

QLabel* TextLabel(QWidget* parent, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QProgressBar* Bar(QWidget* parent, int left, int top) {
    auto* bar = new QProgressBar(parent);
    bar->setGeometry(left, top, 353, 16);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

// A path on the running page, shortened in the middle when it is wider than its place.
void ShowPath(QLabel* label, const QString& path) {
    // A path is shown as it is, never read as markup.
    label->setToolTip(path);
    label->setTextFormat(Qt::PlainText);
    label->setText(label->fontMetrics().elidedText(path, Qt::ElideMiddle, label->width()));
}

std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Another spelling, a second link or a link to the source is the source all the same.
bool SameFile(const QString& source, const QString& target) {
    if (source == target)
        return true;
    std::error_code error;
    return std::filesystem::equivalent(PathBytes(source), PathBytes(target), error);
}

}  // namespace

TWaveConvForm::TWaveConvForm(QWidget* owner, HMODULE strings)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      GroupBox1(new QGroupBox(this)),
      Label1(TextLabel(GroupBox1, QStringLiteral("Source file"), 16, 24)),
      Label2(TextLabel(GroupBox1, QStringLiteral("[MI-SC4 type]"), 24, 48)),
      Edit1(new QLineEdit(GroupBox1)),
      SpeedButton1(new QPushButton(QStringLiteral("Browse"), GroupBox1)),
      Label3(TextLabel(GroupBox1, QStringLiteral("Target file"), 16, 88)),
      Label4(TextLabel(GroupBox1, QStringLiteral("[DSP Group TrueSpeech(TM) type]"), 24, 112)),
      Edit2(new QLineEdit(GroupBox1)),
      SpeedButton2(new QPushButton(QStringLiteral("Browse"), GroupBox1)),
      GroupBox2(new QGroupBox(this)),
      Label8(TextLabel(GroupBox2, QStringLiteral("Source file"), 16, 24)),
      Label5(TextLabel(GroupBox2, {}, 96, 24)),
      Label7(TextLabel(GroupBox2, QStringLiteral("Target file"), 16, 53)),
      Label6(TextLabel(GroupBox2, {}, 96, 53)),
      Label10(TextLabel(GroupBox2, QStringLiteral("Load rate"), 16, 83)),
      LoadProgressBar(Bar(GroupBox2, 96, 82)),
      Label9(TextLabel(GroupBox2, QStringLiteral("Convert rate"), 16, 112)),
      ConvertProgressBar(Bar(GroupBox2, 96, 111)),
      OKButton(new QPushButton(QStringLiteral("Convert"), this)),
      CancelButton(new QPushButton(QStringLiteral("Cancel"), this)),
      strings_(strings) {
    setObjectName(QStringLiteral("WaveConvForm"));
    setWindowTitle(QStringLiteral("SC4 -> TrueSpeech(TM)"));
    setFont(FormFont());
    setFixedSize(483, 189);

    GroupBox1->setGeometry(8, 0, 465, 145);
    Edit1->setGeometry(88, 20, 281, 23);
    SpeedButton1->setGeometry(376, 20, 70, 23);
    Edit2->setGeometry(88, 84, 281, 23);
    SpeedButton2->setGeometry(376, 84, 70, 23);
    GroupBox2->setGeometry(8, 0, 465, 145);
    GroupBox2->setVisible(false);
    for (QLabel* path : {Label5, Label6})
        path->resize(353, path->height());
    // Speed buttons take no focus and are never the default.
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    OKButton->setGeometry(320, 156, 75, 25);
    CancelButton->setGeometry(400, 156, 75, 25);
    SetDefaultButton(OKButton, {SpeedButton1, SpeedButton2, OKButton, CancelButton});
    SetTabOrder({Edit1, Edit2, OKButton, CancelButton});

    FitToTexts();

    connect(SpeedButton1, &QPushButton::clicked, this, &TWaveConvForm::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TWaveConvForm::SpeedButton2Click);
    connect(OKButton, &QPushButton::clicked, this, &TWaveConvForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TWaveConvForm::CancelButtonClick);
    g_form = this;
}

TWaveConvForm::~TWaveConvForm() {
    if (g_form == this)
        g_form = nullptr;
}

int TWaveConvForm::Execute(QWidget* mainWindow, HMODULE strings) {
    TWaveConvForm form(mainWindow, strings);
    form.ApplyTexts();
    TakeMainFontName(&form, mainWindow);
    CentreOver(&form, mainWindow);
    const int result = form.exec();
    if (result == kModalOk) {
        if (form.ConvertResult() != 0)
            ShowAppMessage(LoadModuleString(strings, 10130), MB_OK | MB_ICONERROR);
        else
            ShowAppMessage(LoadModuleString(strings, 10129), MB_OK | MB_ICONINFORMATION);
    }
    return result;
}

QString TWaveConvForm::TargetPathFor(const QString& source) {
    // Characters, not bytes or UTF-16 units, so that no character is split.
    const QList<uint> characters = source.toUcs4();
    const qsizetype slash = characters.lastIndexOf(uint('/'));
    const qsizetype nameLength = characters.size() - (slash + 1);
    if (nameLength < 4)
        return source + QLatin1String(kTargetMark);
    const QList<uint> head = characters.first(characters.size() - 4);
    const QList<uint> tail = characters.last(4);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(head.data()), head.size()) +
           QLatin1String(kTargetMark) +
           QString::fromUcs4(reinterpret_cast<const char32_t*>(tail.data()), tail.size());
}

void TWaveConvForm::ApplyTexts() {
    const std::pair<QLabel*, UINT> labels[] = {{Label1, 10131}, {Label8, 10131},  {Label3, 10132},
                                               {Label7, 10132}, {Label10, 10133}, {Label9, 10134}};
    for (const auto& [label, id] : labels) {
        label->setText(PackText(strings_, id));
        label->adjustSize();
    }
    SpeedButton1->setText(PackText(strings_, 10135));
    SpeedButton2->setText(PackText(strings_, 10135));
    OKButton->setText(PackText(strings_, 10136));
    CancelButton->setText(PackText(strings_, 10137));
    FitToTexts();
}

void TWaveConvForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitToTexts();
}

void TWaveConvForm::FitToTexts() {
    for (QLabel* label : {Label1, Label2, Label3, Label4, Label8, Label7, Label10, Label9})
        label->adjustSize();
    // A button's text with the room the style draws around it.
    auto widthFor = [](QPushButton* button, int designed) {
        return std::max(designed, button->fontMetrics().horizontalAdvance(
                                      QString(button->text()).remove(QLatin1Char('&'))) +
                                      kButtonPadding);
    };

    // The choosing page: caption, field and Browse on one row.
    const int browseWidth = std::max(widthFor(SpeedButton1, 70), widthFor(SpeedButton2, 70));
    const int fieldLeft =
        std::max({88, Label1->x() + Label1->width() + 6, Label3->x() + Label3->width() + 6});
    const int fieldRight = kBrowseRight - browseWidth - 7;
    for (auto [edit, button] : {std::pair{Edit1, SpeedButton1}, std::pair{Edit2, SpeedButton2}}) {
        edit->setGeometry(fieldLeft, edit->y(), std::max(0, fieldRight - fieldLeft),
                          edit->height());
        button->setGeometry(kBrowseRight - browseWidth, button->y(), browseWidth, button->height());
    }

    // The running page: captions, then the paths and bars in one column.
    int valueLeft = 96;
    for (QLabel* caption : {Label8, Label7, Label10, Label9})
        valueLeft = std::max(valueLeft, caption->x() + caption->width() + 8);
    for (QWidget* value :
         std::initializer_list<QWidget*>{Label5, Label6, LoadProgressBar, ConvertProgressBar})
        value->setGeometry(valueLeft, value->y(), kRunningRight - valueLeft, value->height());

    const int cancelWidth = widthFor(CancelButton, 75);
    const int okWidth = widthFor(OKButton, 75);
    CancelButton->setGeometry(kButtonsRight - cancelWidth, CancelButton->y(), cancelWidth,
                              CancelButton->height());
    OKButton->setGeometry(CancelButton->x() - 5 - okWidth, OKButton->y(), okWidth,
                          OKButton->height());
}

bool TWaveConvForm::Running() const {
    return OKButton->isHidden();
}

void TWaveConvForm::SetLoadProgress(int percent) {
    LoadProgressBar->setValue(percent);
}

void TWaveConvForm::SetConvertProgress(int percent) {
    ConvertProgressBar->setValue(percent);
}

void TWaveConvForm::SpeedButton1Click() {
    const auto paths = kivo::ui::Dialogs().OpenFiles(WaveFileRequest("MI-SC4 wav"));
    if (paths.empty())
        return;
    const QString path = QString::fromStdString(paths.front());
    Edit1->setText(path);
    Edit2->setText(TargetPathFor(path));
}

void TWaveConvForm::SpeedButton2Click() {
    // The target may replace a file without a question.
    if (const auto path = kivo::ui::Dialogs().SaveFile(WaveFileRequest("TrueSpeech(TM) wav")))
        Edit2->setText(QString::fromStdString(*path));
}

void TWaveConvForm::Warn(UINT id) {
    ShowAppMessage(PackText(strings_, id).arg(QStringLiteral("\r\n")).toStdString(),
                   MB_OK | MB_ICONWARNING);
}

void TWaveConvForm::OKButtonClick() {
    const QString source = Edit1->text();
    const QString target = Edit2->text();
    if (source.isEmpty()) {
        done(kModalCancel);
        return;
    }
    if (target.isEmpty()) {
        Warn(10140);
        return;
    }
    if (SameFile(source, target)) {
        Warn(10139);
        return;
    }
    const auto size = static_cast<uint64_t>(FileSizeOf(PathBytes(source)));
    if (size > AvailableProcessMemory() / kMemoryPerSourceByte) {
        ShowAppMessage(LoadModuleString(strings_, 10138), MB_OK | MB_ICONERROR);
        done(kModalCancel);
        return;
    }

    OKButton->setVisible(false);
    ShowPath(Label5, source);
    ShowPath(Label6, target);
    GroupBox2->setVisible(true);
    GroupBox1->setVisible(false);
    repaint();

    kivo::ui::SetWaitCursor(true);
    modalResult_ = kModalOk;
    convertResult_ = kivo::explorer::lptctrl::Selector().PX_WaveConvert(PathBytes(source).c_str(),
                                                                        PathBytes(target).c_str());
    kivo::ui::SetWaitCursor(false);
    done(modalResult_);
}

void TWaveConvForm::CancelButtonClick() {
    if (!Running()) {
        done(kModalCancel);
        return;
    }
    kivo::explorer::lptctrl::Selector().PX_CancelWaveConvert();
    modalResult_ = kModalIgnore;
}

void TWaveConvForm::keyPressEvent(QKeyEvent* event) {
    // Cancel is no cancel button: Esc does nothing on either page.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TWaveConvForm::closeEvent(QCloseEvent* event) {
    // There is no close box; a close asked for by the system during a run would leave the
    // conversion running without its dialog.
    if (Running()) {
        event->ignore();
        return;
    }
    event->accept();
    done(kModalCancel);
}

TWaveConvForm* WaveConvForm() {
    return g_form;
}

void ShowConvertProgress(WPARAM percent, LPARAM pass) {
    if (g_form == nullptr)
        return;
    if (pass == 1)
        g_form->SetLoadProgress(static_cast<int>(percent));
    else if (pass == 2)
        g_form->SetConvertProgress(static_cast<int>(percent));
}
