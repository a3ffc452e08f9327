// Pictures and colours for the screen's colour depth, from the image library.
#include "explorer/MainRtn.h"

#include "platform/resources/library.h"

#include <QBitmap>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QStackedWidget>
#include <QToolButton>

namespace {

// A bitmap without alpha is drawn transparent as on the original platform: the colour of its
// bottom-left pixel is the transparent one.
QPixmap Transparent(QPixmap pixmap) {
    QImage image = pixmap.toImage();
    if (image.isNull() || image.hasAlphaChannel())
        return pixmap;
    QColor key = image.pixelColor(0, image.height() - 1);
    pixmap.setMask(pixmap.createMaskFromColor(key, Qt::MaskInColor));
    return pixmap;
}

QColor FromColorRef(uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

}  // namespace

void TMainFrm::LoadSkin(int16_t depth) {
    ResourceLibrary art("artpack.DLL");
    BitsPerPixel = depth;
    auto bitmap = [&art](const char* name) {
        std::optional<std::vector<uint8_t>> bytes = art.Bitmap(name);
        QPixmap pixmap;
        if (!bytes || !pixmap.loadFromData(bytes->data(), static_cast<uint>(bytes->size()), "BMP"))
            throw ResourceError(std::string("Resource ") + name + " not found");
        return pixmap;
    };

    bool fullColour = depth > 8;
    const char* set = fullColour ? "256" : "016";
    QPixmap menu = bitmap((std::string(set) + "MENU").c_str());
    QPixmap stat = bitmap((std::string(set) + "STAT").c_str());
    QPixmap ball = bitmap((std::string(set) + "BALL").c_str());
    if (!fullColour) {
        stat = Transparent(stat);
        ball = Transparent(ball);
    }
    imageKivo->setPixmap(menu);
    imageKivo->setFixedSize(menu.width() + 2, menu.height());
    Image3->setPixmap(stat);
    for (QLabel* b : BallImages)
        b->setPixmap(ball);

    // The window's own pictures, the same at every depth.
    QPixmap headers[] = {bitmap("HDRFLASHOFF"), bitmap("HDRFLASHON"), bitmap("HDRCARDOFF"),
                         bitmap("HDRCARDON")};
    for (size_t i = 0; i < std::size(headers); ++i)
        headerPages_[i]->setPixmap(headers[i]);
    Image2->setPixmap(bitmap("STATUSBG"));
    const std::pair<QToolButton*, const char*> glyphs[] = {{SpeedButton1, "BTNCONNECT"},
                                                           {sbCopyToFlashMemory, "BTNCOPYFLASH"},
                                                           {sbCopyToSmartMedia, "BTNCOPYCARD"},
                                                           {sbCopyToPC, "BTNCOPYPC"},
                                                           {sbTrash, "BTNTRASH"},
                                                           {sbStop, "BTNSTOP"},
                                                           {sbLargeIcon, "BTNLARGEICON"},
                                                           {sbSmallIcon, "BTNSMALLICON"},
                                                           {sbListIcon, "BTNLISTICON"},
                                                           {sbReportIcon, "BTNREPORTICON"}};
    for (const auto& [button, name] : glyphs)
        button->setIcon(QIcon(Transparent(bitmap(name))));
    imageFileList.Set(0, Transparent(bitmap("FILE0LARGE")), Transparent(bitmap("FILE0SMALL")));
    imageFileList.Set(3, Transparent(bitmap("FILE3LARGE")), Transparent(bitmap("FILE3SMALL")));

    if (fullColour) {
        ActiveColor = FromColorRef(0xD0F4FD);
        InactiveColor = FromColorRef(0xBDB5AD);
        Image2->show();
    } else {
        // Few colours: the system's own, and no background picture to dither.
        Image2->hide();
        ActiveColor = palette().color(QPalette::Base);
        InactiveColor = palette().color(QPalette::Button);
    }
    QPalette window = centralWidget()->palette();
    window.setColor(QPalette::Window, InactiveColor);
    centralWidget()->setPalette(window);
}
