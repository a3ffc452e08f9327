#pragma once

#include "explorer/tests/mainfrm/fixture.h"
#include "explorer/tests/mainfrm/test_player.h"
#include "platform/shell/testing/scripted_browse_dialog.h"
#include "platform/win/clock.h"

#include <QTimer>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

inline constexpr uint8_t kFlash = 0;
inline constexpr uint8_t kCard = 1;

// The main window against the embedded player of one port (the test's parameter: 0 parallel
// port, 1 USB) on the virtual clock, with the folder picker scripted too.
class PlayerTest : public MainFrmTest, public testing::WithParamInterface<int16_t> {
protected:
    void SetUp() override {
        MainFrmTest::SetUp();
        // The format texts that name a file show the name.
        for (unsigned id : {10125u, 10420u, 10439u, 10441u, 10701u, 10704u})
            packs.english[id] = "E" + std::to_string(id) + " %1";
        player.emplace(GetParam());
        player->Reset();
    }

    // The window on the port under test, connected to the player as it stands.
    TMainFrm& Open(const std::string& langId = "0409") {
        form.reset();  // an old window would take the new one's hooks with it
        TMainFrm& f = Create(langId);
        f.SetPortKind(GetParam());
        f.Connect1Click();
        return f;
    }

    // The picker's next show chooses this folder.
    void PickFolder(const std::filesystem::path& folder) {
        picker.Play([folder](kivo::shell::ScriptedBrowseDialog&) {
            return kivo::shell::ScriptedBrowseDialog::Choose(
                kivo::shell::ItemIdList::FileSystem(folder.string()), folder.filename().string());
        });
    }

    // Selects the rows of these names, only those, and makes the list current.
    void Select(TMainFrm& f, kivo::ui::ListView* list, const std::vector<std::string>& names);
    static int RowOf(kivo::ui::ListView* list, const std::string& name);
    static std::vector<std::string> Names(kivo::ui::ListView* list);
    // Clicks Stop once a transfer has reported its first bytes, from the progress message's
    // message processing as a user's click would arrive; `whileBusy` tells whether the command
    // then held the busy state and Stop was enabled.
    void StopOnceBytesMove(TMainFrm& f, bool& whileBusy);

    // The texts of the boxes shown so far, from the `first` on.
    std::vector<std::string> Texts(size_t first = 0) const;

public:
    // Bytes that differ from file to file and from place to place.
    static std::string Bytes(size_t size, char seed);

protected:
    static void WriteFile(const std::filesystem::path& path, const std::string& bytes);
    static std::optional<std::string> ReadFile(const std::filesystem::path& path);
    // The names in a folder, sorted.
    static std::vector<std::string> FolderNames(const std::filesystem::path& folder);

    ScopedVirtualClock clock;  // the link's fixed waits pass at once
    std::optional<TestPlayer> player;
    kivo::shell::ScriptedBrowseDialog picker;
    std::unique_ptr<QTimer> stopper;
};

std::string PortName(const testing::TestParamInfo<int16_t>& info);
