#include "explorer/tests/mainfrm/player_fixture.h"

#include <QToolButton>

#include <algorithm>
#include <fstream>
#include <iterator>

void PlayerTest::Select(TMainFrm& f, kivo::ui::ListView* list,
                        const std::vector<std::string>& names) {
    f.SetActiveMemory(list == f.listFlashMemory ? 0 : 1);
    for (int row = 0; row < list->control().RowCount(); ++row)
        list->SetRowSelected(row, false);
    for (const std::string& name : names) {
        int row = RowOf(list, name);
        ASSERT_GE(row, 0) << name;
        list->SetRowSelected(row, true);
    }
}

void PlayerTest::StopOnceBytesMove(TMainFrm& f, bool& whileBusy) {
    stopper = std::make_unique<QTimer>();
    QObject::connect(stopper.get(), &QTimer::timeout, [this, &f, &whileBusy] {
        if (f.DoneBytes == 0)
            return;
        stopper->stop();
        whileBusy = f.Busy && f.sbStop->isEnabled();
        f.sbStop->click();
    });
    stopper->start(0);
}

int PlayerTest::RowOf(kivo::ui::ListView* list, const std::string& name) {
    for (int row = 0; row < list->control().RowCount(); ++row) {
        if (list->control().Cell(row, 0) == name)
            return row;
    }
    return -1;
}

std::vector<std::string> PlayerTest::Names(kivo::ui::ListView* list) {
    std::vector<std::string> names;
    for (int row = 0; row < list->control().RowCount(); ++row)
        names.push_back(list->control().Cell(row, 0));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> PlayerTest::Texts(size_t first) const {
    std::vector<std::string> texts;
    for (size_t i = first; i < boxes.shown().size(); ++i)
        texts.push_back(boxes.shown()[i].text);
    return texts;
}

std::string PlayerTest::Bytes(size_t size, char seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 7 + (i >> 9));
    return bytes;
}

void PlayerTest::WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::optional<std::string> PlayerTest::ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> PlayerTest::FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string PortName(const testing::TestParamInfo<int16_t>& info) {
    return info.param == 1 ? "Usb" : "ParallelPort";
}
