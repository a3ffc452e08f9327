#pragma once

#include "addressbridge/contactbridge.h"
#include "platform/win/listview.h"
#include "platform/win/process.h"
#include "platform/win/registry.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// A list view that also records the messages it was sent.
class RecordingListView : public ListViewControl {
public:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(message);
        return ListViewControl::HandleMessage(message, wParam, lParam);
    }
    std::vector<UINT> messages;
};

// Each test gets its own registry and folder, and ends with the bridge's connection closed.
class BridgeTest : public ::testing::Test {
protected:
    using Row = std::array<std::string, 3>;

    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("contactbridge-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        ::setenv("KIVO_REGISTRY_DIR", (dir_ / "registry").c_str(), 1);
        ::setenv("KIVO_LANGID", "0409", 1);
    }
    void TearDown() override {
        WAB_FreeList(list_.handle());
        std::filesystem::remove_all(dir_);
    }

    void SetLibraryPath(const std::string& path) {
        ASSERT_TRUE(kivo::win::registry::Write(RegistryRoot::LocalMachine,
                                               "Software\\Microsoft\\WAB\\DLLPath", "", "", path));
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (int r = 0; r < list_.RowCount(); ++r)
            rows.push_back({list_.Cell(r, 0), list_.Cell(r, 1), list_.Cell(r, 2)});
        return rows;
    }
    int AllocList(const std::string& path) { return WAB_AllocList(list_.handle(), path.c_str()); }
    int FreeList() { return WAB_FreeList(list_.handle()); }

    std::filesystem::path dir_;
    RecordingListView list_;
};
