#include "explorer/tests/mainfrm/fixture.h"

#include "explorer/tests/mainfrm/test_player.h"
#include "platform/win/clock.h"

#include <QAction>
#include <QMenu>

void MainFrmTest::SetUp() {
    static const std::string bound = kivo::explorer::lptctrl::Selector().Bind();
    ASSERT_EQ(bound, "");
    kivo::explorer::lptctrl::Selector().SetPortKind(kivo::explorer::lptctrl::kParallelPort);
    // The link libraries stay loaded for the whole process: a player that does not answer
    // makes them drop the figures an earlier case read, as a library just loaded holds none.
    ScopedVirtualClock clock;
    for (int16_t port : {kivo::explorer::lptctrl::kUsb, kivo::explorer::lptctrl::kParallelPort}) {
        TestPlayer player(port);
        player.Control("fault no-answer");
        kivo::explorer::lptctrl::Selector().SetPortKind(port);
        kivo::explorer::lptctrl::Selector().PX_MemoryInfo();
        player.Reset();
    }
}

std::string MainFrmTest::Caption(QAction* action) {
    return action->text().toStdString();
}

std::string MainFrmTest::Caption(QMenu* menu) {
    return menu->menuAction()->text().toStdString();
}
