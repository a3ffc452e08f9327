#include "explorer/FormSupport.h"

#include "appkit/texts.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

namespace kivo::explorer {

QString PackText(HMODULE strings, UINT id) {
    return QString::fromStdString(LoadModuleString(strings, id));
}

QFont FormFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    return font;
}

void TakeMainFontName(QWidget* dialog, const QWidget* mainWindow) {
    QFont font = dialog->font();
    font.setFamily(mainWindow->font().family());
    dialog->setFont(font);
}

void CentreOver(QWidget* dialog, const QWidget* mainWindow) {
    const QRect main = mainWindow->frameGeometry();
    const QSize size = dialog->frameGeometry().size();
    dialog->move(main.left() + (main.width() - size.width()) / 2,
                 main.top() + (main.height() - size.height()) / 2);
}

void SetTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void SetDefaultButton(QPushButton* defaultButton, std::initializer_list<QPushButton*> buttons) {
    for (QPushButton* button : buttons)
        button->setAutoDefault(false);
    defaultButton->setDefault(true);
}

void CentreOnScreen(QWidget* window) {
    QScreen* screen =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.left() + (area.width() - size.width()) / 2,
                 area.top() + (area.height() - size.height()) / 2);
}

}  // namespace kivo::explorer
