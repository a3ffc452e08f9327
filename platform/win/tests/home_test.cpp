#include "platform/win/home.h"

#include "testing/scoped_env.h"

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

using kivo::test::ScopedEnv;

namespace {

std::string AccountHome() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr ? entry->pw_dir : "/";
}

}  // namespace

// A relative or empty name would put settings and the player's store into whatever folder the
// program was started from, a different one at each start.
TEST(Home, OnlyAbsoluteFoldersAreTakenFromTheEnvironment) {
    struct Case {
        std::optional<std::string> home;
        std::optional<std::string> config;
        std::string wantHome;
        std::string wantConfig;
    };
    const std::string account = AccountHome();
    const Case cases[] = {
        {"/home/u", "/cfg", "/home/u", "/cfg"},
        {"/home/u", std::nullopt, "/home/u", "/home/u/.config"},
        {"/home/u", "", "/home/u", "/home/u/.config"},
        {"/home/u", "cfg", "/home/u", "/home/u/.config"},
        {std::nullopt, std::nullopt, account, account + "/.config"},
        {"", "/cfg", account, "/cfg"},
        {"home/u", "../cfg", account, account + "/.config"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.home.value_or("(unset)") + " " + c.config.value_or("(unset)"));
        ScopedEnv home("HOME", c.home);
        ScopedEnv config("XDG_CONFIG_HOME", c.config);
        EXPECT_EQ(kivo::win::HomeFolder(), c.wantHome);
        EXPECT_EQ(kivo::win::XdgFolder("XDG_CONFIG_HOME", ".config"), c.wantConfig);
    }
}
