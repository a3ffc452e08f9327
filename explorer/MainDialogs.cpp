// The dialogs beside the main window: preferences, play order, voice conversion, about box.
// While a command runs none of them opens: a modal dialog would stall the transfer, and the
// preferences would switch the link and the conversion nest a second link operation under it.
#include "explorer/AboutRtn.h"
#include "explorer/CfgUnit.h"
#include "explorer/LPTCtrl.h"
#include "explorer/ListUnit.h"
#include "explorer/MainRtn.h"
#include "explorer/WaveConv.h"

void TMainFrm::Option1Click() {
    if (Busy)
        return;
    ClearStatusText();
    if (TConfigForm::Execute(this, StringLib))
        LoadSettings();
}

void TMainFrm::PlayOrderClick() {
    if (Busy)
        return;
    ClearStatusText();
    TPlayListForm::Execute(
        this, StringLib,
        {listFlashMemory->handle(), listSmartMedia->handle(), TempListView.handle()},
        [this] { RefreshFileLists(); });
}

void TMainFrm::SC4TrueSpeechTM1Click() {
    if (Busy)
        return;
    ClearStatusText();
    TWaveConvForm::Execute(this, StringLib);
}

void TMainFrm::About1Click() {
    if (Busy || about_ == nullptr)
        return;
    ClearStatusText();
    const char* firmware = kivo::explorer::lptctrl::Selector().PX_GetPlayerVersion();
    about_->ShowAbout(firmware != nullptr ? firmware : "");
}
