#include "explorer/tests/mainfrm/fixture.h"

#include <QAction>
#include <QMenu>

std::string MainFrmTest::Caption(QAction* action) {
    return action->text().toStdString();
}

std::string MainFrmTest::Caption(QMenu* menu) {
    return menu->menuAction()->text().toStdString();
}
