#include "explorer/AboutRtn.h"

#include "appkit/language.h"
#include "explorer/FormSupport.h"
#include "platform/resources/library.h"
#include "platform/ui/application.h"
#include "platform/win/process.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include <stdexcept>

using namespace kivo::explorer;

namespace {

constexpr int kLogoWidth = 429;
constexpr int kLogoHeight = 299;
// Where the information lines stand: captions end at the one, values begin at the other.
constexpr int kCaptionEnd = 259;
constexpr int kValueLeft = 267;
constexpr char kUnderline[] = "________________________";

// The suite's pages, as the Help menu links them: its Korean page (web link 3, shown on Korean
// systems) and its home page (web link 1).
constexpr char kWebAddressKorean[] = "https://www.kivo.example/ko/";
constexpr char kWebAddressOther[] = "https://www.kivo.example/";

QFont LabelFont(int pixelSize) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

QLabel* InfoLabel(QWidget* parent, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setFont(LabelFont(11));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->move(left, top);
    label->adjustSize();
    label->setVisible(false);
    return label;
}

// A caption right-aligned to end where the captions end, in whatever font stands in.
QLabel* CaptionLabel(QWidget* parent, const QString& text, int top) {
    QLabel* label = InfoLabel(parent, text, 0, top);
    label->move(kCaptionEnd - label->width(), top);
    return label;
}

void SetLine(QLabel* caption, QLabel* value, const QString& text) {
    value->setText(text);
    value->adjustSize();
    caption->setVisible(!text.isEmpty());
    value->setVisible(!text.isEmpty());
}

}  // namespace

TAboutFrm::TAboutFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      imgAbout(new QLabel(this)),
      labelKivoURL(new QLabel(this)),
      Label1(CaptionLabel(this, QStringLiteral("kivo Explorer Version :"), 201)),
      SoftwareLabel(InfoLabel(this, {}, kValueLeft, 201)),
      Label2(CaptionLabel(this, QStringLiteral("Release date :"), 217)),
      DateLabel(InfoLabel(this, {}, kValueLeft, 217)),
      Label3(CaptionLabel(this, QStringLiteral("Player Firmware Version :"), 233)),
      FirmWareLabel(InfoLabel(this, {}, kValueLeft, 233)) {
    setObjectName(QStringLiteral("AboutFrm"));
    setWindowTitle(QStringLiteral("About Kivo Explore"));
    imgAbout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgAbout->setMouseTracking(true);
    imgAbout->installEventFilter(this);
    imgAbout->lower();

    labelKivoURL->setFont(LabelFont(13));
    labelKivoURL->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    labelKivoURL->setCursor(Qt::PointingHandCursor);
    QPalette palette = labelKivoURL->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 128));
    labelKivoURL->setPalette(palette);
    labelKivoURL->setMouseTracking(true);
    labelKivoURL->installEventFilter(this);

    FormCreate();
}

void TAboutFrm::FormCreate() {
    setFixedSize(kLogoWidth, kLogoHeight);
    imgAbout->setGeometry(0, 0, kLogoWidth, kLogoHeight);
    labelKivoURL->clear();

    const bool korean = SystemPrimaryLang() == kLangKorean;
    const char* logoName = korean ? "KRLOGO" : "ENLOGO";
    QPixmap logo;
    {
        ResourceLibrary images("artpack.DLL");
        const auto bytes = images.Bitmap(logoName);
        if (!bytes || !logo.loadFromData(bytes->data(), static_cast<uint>(bytes->size()), "BMP"))
            throw std::runtime_error(std::string("Resource ") + logoName + " not found");
    }
    imgAbout->setPixmap(logo);

    labelKivoURL->setGeometry(korean ? 271 : 207, 185, korean ? 129 : 193, 17);
    webAddress_ = QString::fromLatin1(korean ? kWebAddressKorean : kWebAddressOther);
    CentreOnScreen(this);
}

void TAboutFrm::SetSoftwareVersion(const QString& text) {
    SetLine(Label1, SoftwareLabel, text);
}

void TAboutFrm::SetReleaseDate(const QString& text) {
    SetLine(Label2, DateLabel, text);
}

void TAboutFrm::SetFirmwareVersion(const QString& text) {
    SetLine(Label3, FirmWareLabel, text);
}

void TAboutFrm::ShowSplash() {
    kivo::ui::ShowPainted(this);
}

void TAboutFrm::ShowAbout(const std::string& firmwareVersion) {
    SetSoftwareVersion(QString::fromLatin1(kExplorerVersion));
    SetReleaseDate(QString::fromLatin1(kReleaseDate));
    SetFirmwareVersion(QString::fromStdString(firmwareVersion));
    exec();
}

void TAboutFrm::imgAboutClick() {
    done(QDialog::Accepted);
}

void TAboutFrm::imgAboutMouseMove() {
    if (!labelKivoURL->text().isEmpty())
        labelKivoURL->clear();
}

void TAboutFrm::labelKivoURLClick() {
    ShellOpen(webAddress_.toStdString().c_str());
    done(QDialog::Accepted);
}

void TAboutFrm::labelKivoURLMouseMove() {
    if (labelKivoURL->text().isEmpty())
        labelKivoURL->setText(QString::fromLatin1(kUnderline));
}

bool TAboutFrm::eventFilter(QObject* watched, QEvent* event) {
    const bool onLink = watched == labelKivoURL;
    if (!onLink && watched != imgAbout)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove) {
        onLink ? labelKivoURLMouseMove() : imgAboutMouseMove();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            widget->rect().contains(mouse->position().toPoint())) {
            onLink ? labelKivoURLClick() : imgAboutClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
