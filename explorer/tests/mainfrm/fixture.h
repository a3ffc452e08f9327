#pragma once

#include "explorer/LPTCtrl.h"
#include "explorer/MainRtn.h"
#include "explorer/tests/mainfrm/test_packs.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/win/testing/scripted_msgbox.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

using kivo::test::ScopedEnv;
using kivo::test::TempDir;

// A main window on the offscreen platform with its own packs, registry and player folder, the
// real link libraries bound, a fresh player behind each port, and every box and dialog
// scripted. The cases share one process, so nothing that one leaves behind may reach the next.
class MainFrmTest : public testing::Test {
protected:
    void SetUp() override;

    // Writes the packs on a system of the given language.
    void Prepare(const std::string& langId = "0409") {
        packs.WriteTo(packDir.path());
        lang.emplace("KIVO_LANGID", langId);
    }
    // Writes the packs and creates the window on a system of the given language.
    TMainFrm& Create(const std::string& langId = "0409",
                     std::optional<int16_t> depth = std::nullopt) {
        Prepare(langId);
        form = std::make_unique<TMainFrm>(depth);
        return *form;
    }

    static std::string Caption(QAction* action);
    static std::string Caption(QMenu* menu);

    TempDir packDir;
    TempDir registryDir;
    TempDir home;
    ScopedEnv packEnv{"KIVO_PACK_DIR", packDir.path().string()};
    ScopedEnv registryEnv{"KIVO_REGISTRY_DIR", registryDir.path().string()};
    ScopedEnv homeEnv{"HOME", home.path().string()};
    std::optional<ScopedEnv> lang;
    TestPacks packs;
    ScriptedMessageBoxes boxes;
    kivo::ui::ScriptedDialogs dialogs;
    std::unique_ptr<TMainFrm> form;
};
