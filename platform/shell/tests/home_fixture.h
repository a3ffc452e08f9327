#pragma once

#include "platform/shell/tests/item_printer.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using kivo::test::ScopedEnv;
using kivo::test::TempDir;

// A home folder of its own, with the XDG folders inside it.
class HomeFixture : public testing::Test {
protected:
    HomeFixture()
        : home_(temp_.path().string()),
          homeEnv_("HOME", home_),
          configEnv_("XDG_CONFIG_HOME", home_ + "/.config"),
          dataEnv_("XDG_DATA_HOME", home_ + "/.local/share"),
          langEnv_("KIVO_LANGID", "0409") {}

    std::string MakeFolder(const std::string& relative) {
        std::filesystem::create_directories(home_ + "/" + relative);
        return home_ + "/" + relative;
    }
    std::string MakeFile(const std::string& relative) {
        std::ofstream(home_ + "/" + relative) << "x";
        return home_ + "/" + relative;
    }

    TempDir temp_;
    std::string home_;
    ScopedEnv homeEnv_;
    ScopedEnv configEnv_;
    ScopedEnv dataEnv_;
    ScopedEnv langEnv_;
};
