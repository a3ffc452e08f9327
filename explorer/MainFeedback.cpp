// Busy state, status bar, progress balls, the link's window messages and error messages.
#include "explorer/MainRtn.h"

#include "appkit/messages.h"
#include "appkit/texts.h"
#include "explorer/UtilUnit.h"
#include "explorer/WaveConv.h"
#include "platform/ui/application.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"

#include <QAction>
#include <QLabel>
#include <QRegion>
#include <QToolButton>

#include <cmath>

using namespace kivo::explorer;

void TMainFrm::SetBusy(bool value) {
    Busy = value;
    kivo::ui::SetWaitCursor(value);
    UpdateCommandStates();
}

void TMainFrm::UpdateCommandStates() {
    // A command started from a progress message would nest in the running one: only Stop runs.
    for (QAction* action : commands_)
        action->setEnabled(!Busy && bound_.count(action) != 0);
    for (QToolButton* button : commandButtons_)
        button->setEnabled(!Busy && bound_.count(button) != 0);
}

void TMainFrm::SetStatusText(const std::string& text0, const std::string& text1,
                             const std::string& text2) {
    shownSizes_.reset();
    shownRate_.reset();
    ShowPanelText(0, text0, false);
    ShowPanelText(1, text1, false);
    ShowPanelText(2, text2, false);
    // The whole window: a command calls this before a long call to the player, which handles
    // no window events until it ends, so what a closed box or menu uncovered is drawn now.
    kivo::ui::PaintWholeNow(this);
}

void TMainFrm::ShowPanelText(size_t panel, const std::string& text, bool paintNow) {
    QLabel* label = sbBottom[panel];
    const QString shown = QString::fromStdString(text);
    if (label->text() == shown)
        return;
    label->setText(shown);
    if (panel > 0)
        FitStatusPanels();
    if (paintNow)
        label->repaint();
}

void TMainFrm::ShowBalls(int64_t lit, bool paintNow) {
    // Only the balls whose state differs are touched, and only their places painted.
    QRegion changed;
    for (int64_t k = 0; k < 36; ++k) {
        QLabel* ball = BallImages[k];
        const bool on = k < lit;
        if (ball->isHidden() != on)
            continue;
        ball->setVisible(on);
        changed += ball->geometry();
    }
    if (paintNow && !changed.isEmpty())
        Image3->repaint(changed);
}

void TMainFrm::ResetProgress() {
    ShowBalls(0, true);
    ClearStatusText();
}

void TMainFrm::StartProgress(int64_t total) {
    TotalBytes = total;
    DoneBytes = 0;
}

void TMainFrm::UpdateProgress(int64_t position) {
    // A transfer reports every block: a figure that did not change is neither formatted nor
    // painted again, and only what changed is painted at once.
    const bool paintNow = BitsPerPixel > 8;
    const uint64_t elapsedMs = CurrentClock().Ticks() - StartTicks;
    DoneBytes = std::min(position, TotalBytes);
    const std::pair<int64_t, int64_t> sizes{DoneBytes, TotalBytes};
    if (shownSizes_ != sizes) {
        ShowPanelText(1, FormatSizeKB(DoneBytes) + " / " + FormatSizeKB(TotalBytes), paintNow);
        shownSizes_ = sizes;
    }
    int64_t rate = 0;
    if (elapsedMs != 0) {
        // Half to the even neighbour: the default rounding mode.
        double perSecond =
            static_cast<double>(DoneBytes) / (static_cast<double>(elapsedMs) / 1000.0);
        rate = static_cast<int64_t>(std::nearbyint(perSecond));
    }
    if (shownRate_ != rate) {
        ShowPanelText(2, GroupThousands(std::to_string(rate)) + " CPS", paintNow);
        shownRate_ = rate;
    }

    int64_t lit = TotalBytes == 0 ? 0 : position * 36 / TotalBytes;
    lit = std::min<int64_t>(lit, 36);
    if (lit >= 1)
        ShowBalls(lit, paintNow);
}

LRESULT TMainFrm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The sizes travel as signed 32-bit numbers in the message's parameter.
    auto signedSize = [wParam] { return static_cast<int64_t>(static_cast<int32_t>(wParam)); };
    switch (message) {
        case kTransferStartMessage:
            StartProgress(signedSize());
            StartTicks = CurrentClock().Ticks();
            PumpAllMessages();
            return 0;
        case kTransferProgressMessage:
            UpdateProgress(signedSize());
            PumpAllMessages();
            return 0;
        case kConvertProgressMessage:
            ShowConvertProgress(wParam, lParam);
            PumpAllMessages();
            return 0;
        default:
            return 0;
    }
}

void TMainFrm::ShowErrorCode(int16_t status) {
    enum class Kind { None, Plain, WithBreak };
    struct Row {
        UINT id;
        Kind kind;
        UINT icon;
    };
    Row row{10120, Kind::WithBreak, MB_ICONERROR};
    switch (status) {
        case -101:
            row = {10110, Kind::Plain, MB_ICONWARNING};
            break;
        case -102:
            row = {10112, Kind::Plain, MB_ICONWARNING};
            break;
        case -103:
            row = {10111, Kind::Plain, MB_ICONERROR};
            break;
        case -104:
            row = {10113, Kind::Plain, MB_ICONWARNING};
            break;
        case -105:
        case -110:
            row = {0, Kind::None, 0};
            break;
        case -113:
            row = {10114, Kind::Plain, MB_ICONERROR};
            break;
        case -114:
            row = {10115, Kind::Plain, MB_ICONERROR};
            break;
        case -115:
            row = {10119, Kind::Plain, MB_ICONERROR};
            break;
        case 1:
            row = {10116, Kind::Plain, MB_ICONERROR};
            break;
        case 3:
            row = {10117, Kind::Plain, MB_ICONERROR};
            break;
        case 18:
            row = {10118, Kind::Plain, MB_ICONERROR};
            break;
        default:
            break;  // -111, -112, 12 and every other status: 10120 with a line break
    }
    if (row.kind == Kind::None)
        return;
    std::string text = Text(row.id);
    if (row.kind == Kind::WithBreak)
        text = FormatText(text, {"\r\n"});
    ShowAppMessage(text, MB_OK | row.icon);
}
