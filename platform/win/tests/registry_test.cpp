#include "platform/win/registry.h"

#include "testing/files.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using kivo::test::ScopedEnv;
using kivo::test::TempDir;

namespace fs = std::filesystem;

namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr const char* kKey = "Software\\MERVOLDQUILL";
constexpr const char* kSection = "kivo Explorer";

class Registry : public ::testing::Test {
protected:
    fs::path StoreFile() const { return dir_.path() / "HKEY_CURRENT_USER.reg"; }
    std::string StoreText() const {
        std::ifstream in(StoreFile(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteStore(const std::string& text) const {
        std::ofstream(StoreFile(), std::ios::binary) << text;
    }
    // Files that hold an earlier store moved aside, with their contents.
    std::vector<std::string> AsideContents() const {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            if (e.path().filename().string().find(".unreadable-") == std::string::npos)
                continue;
            std::ifstream in(e.path(), std::ios::binary);
            found.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
        return found;
    }
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            std::string name = e.path().filename().string();
            if (name.starts_with(".~"))
                names.push_back(name);
        }
        return names;
    }

    TempDir dir_;
    ScopedEnv env_{"KIVO_REGISTRY_DIR", dir_.path().string()};
};

}  // namespace

TEST_F(Registry, MissingValuesGiveNothing) {
    EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, kSection, "PORT"), std::nullopt);
    EXPECT_FALSE(kivo::win::registry::KeyExists(kUser, kKey, kSection));
    ASSERT_TRUE(kivo::win::registry::Write(kUser, kKey, kSection, "PORT", "1"));
    EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, kSection, "LangID"), std::nullopt);
    EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, "other", "PORT"), std::nullopt);
    EXPECT_EQ(kivo::win::registry::Read(RegistryRoot::LocalMachine, kKey, kSection, "PORT"),
              std::nullopt);
    EXPECT_FALSE(kivo::win::registry::Remove(kUser, kKey, kSection, "LangID"));
}

TEST_F(Registry, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
    ASSERT_TRUE(kivo::win::registry::Write(kUser, kKey, kSection, "OpenFolder", "/home/a"));
    EXPECT_EQ(
        kivo::win::registry::Read(kUser, "software\\mervoldquill", "KIVO EXPLORER", "openfolder"),
        "/home/a");
    ASSERT_TRUE(kivo::win::registry::Write(kUser, "SOFTWARE\\MervoldQuill\\", "kivo explorer",
                                           "OPENFOLDER", "/home/b"));
    EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, kSection, "OpenFolder"), "/home/b");
    // Values keep the case they were given.
    ASSERT_TRUE(kivo::win::registry::Write(kUser, kKey, kSection, "FontName", "Arial"));
    EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, kSection, "FontName"), "Arial");
    EXPECT_NE(StoreText().find("[Software\\\\MERVOLDQUILL\\\\kivo Explorer]"), std::string::npos);
}

TEST_F(Registry, EveryByteOfNamesAndValuesSurvives) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "the default value"},
        {"a=b", "x=y=z"},
        {"[section]", "[not a key]"},
        {"back\\slash", "C:\\music\\"},
        {"lines", "one\r\ntwo\nthree\r"},
        {"; end", "; kivo registry 1"},
        {"empty", ""},
        {"utf8", "\xEA\xB5\xB4\xEB\xA6\xBC"},
        {"ansi", "\xB1\xBC\xB8\xB2"},
        {"nul", std::string("a\0b", 3)},
    };
    for (const auto& [name, value] : cases)
        ASSERT_TRUE(kivo::win::registry::Write(kUser, kKey, "k]", name, value));
    for (const auto& [name, value] : cases)
        EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, "k]", name), value) << "value " << name;
}

TEST_F(Registry, WritesReplaceTheStoreAtOnceAndLeaveNoTemporaryFile) {
    ASSERT_TRUE(kivo::win::registry::Write(kUser, kKey, kSection, "PORT", "0"));
    ASSERT_TRUE(kivo::win::registry::Write(kUser, kKey, kSection, "SC4ToWAV", "1"));
    ASSERT_TRUE(kivo::win::registry::Remove(kUser, kKey, kSection, "PORT"));
    EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, kSection, "PORT"), std::nullopt);
    EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, kSection, "SC4ToWAV"), "1");
    EXPECT_TRUE(Leftovers().empty());
    EXPECT_TRUE(AsideContents().empty());
}

// The explorer and the telephone book write the same root: neither may lose the other's values.
TEST_F(Registry, WritesOfTwoProcessesAtOnceAreAllKept) {
    constexpr int kEach = 40;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    const char* who = child == 0 ? "child" : "parent";
    bool ok = true;
    for (int i = 0; i < kEach; ++i)
        ok = kivo::win::registry::Write(kUser, kKey, who, std::to_string(i), who) && ok;
    if (child == 0)
        ::_exit(ok ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(ok);
    for (const char* section : {"child", "parent"})
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, section, std::to_string(i)), section)
                << i;
    EXPECT_TRUE(AsideContents().empty());
}

// A writer of whole sets of values that another process watches and then kills in the middle
// of its writing: every state seen, and the one left, holds one set whole.
TEST_F(Registry, ValuesWrittenTogetherAreSeenTogetherAndSurviveAKill) {
    const char* names[] = {"PORT", "ECPEmulation", "SC4ToWAV"};
    auto set = [&names](int i) {
        kivo::win::registry::Values values;
        for (const char* name : names)
            values.emplace_back(name, std::to_string(i));
        return values;
    };
    ASSERT_TRUE(kivo::win::registry::WriteValues(kUser, kKey, kSection, set(0)));
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 1;; ++i)
            kivo::win::registry::WriteValues(kUser, kKey, kSection, set(i));
    }
    // Killed however the test ends, so that a failure never leaves the writer running.
    struct Killed {
        pid_t pid;
        ~Killed() {
            if (pid > 0 && ::kill(pid, SIGKILL) == 0)
                ::waitpid(pid, nullptr, 0);
        }
    } writer{child};
    // The numbers of one state, by name, as the file holds them.
    auto numbers = [&names](const std::string& text) {
        const std::string lines = "\n" + text;
        std::vector<std::string> found;
        for (const char* name : names) {
            const std::string start = std::string("\n") + name + "=";
            const size_t at = lines.find(start);
            if (at == std::string::npos) {
                found.push_back("missing");
                continue;
            }
            const size_t begin = at + start.size();
            found.push_back(lines.substr(begin, lines.find('\n', begin) - begin));
        }
        return found;
    };
    std::string last;
    int states = 0;
    for (int look = 0; look < 20000 && states < 50; ++look) {
        const std::string text = StoreText();
        if (text == last)
            continue;
        last = text;
        ++states;
        const auto seen = numbers(text);
        ASSERT_EQ(seen, std::vector<std::string>(3, seen[0])) << text;
    }
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    writer.pid = 0;
    EXPECT_GT(states, 1);
    const auto port = kivo::win::registry::Read(kUser, kKey, kSection, "PORT");
    ASSERT_TRUE(port);
    for (const char* name : names)
        EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, kSection, name), port) << name;
    EXPECT_TRUE(AsideContents().empty());
}

TEST_F(Registry, CreatedKeysAndTheirParentsExist) {
    EXPECT_TRUE(kivo::win::registry::KeyExists(kUser, "", ""));
    ASSERT_TRUE(kivo::win::registry::CreateKey(kUser, kKey, kSection));
    EXPECT_TRUE(kivo::win::registry::KeyExists(kUser, kKey, kSection));
    EXPECT_TRUE(kivo::win::registry::KeyExists(kUser, kKey, ""));
    EXPECT_TRUE(kivo::win::registry::KeyExists(kUser, "software", ""));
    EXPECT_FALSE(kivo::win::registry::KeyExists(kUser, "Soft", ""));
    EXPECT_FALSE(kivo::win::registry::KeyExists(kUser, kKey, "kivo"));
    // Creating it again changes nothing.
    std::string before = StoreText();
    ASSERT_TRUE(kivo::win::registry::CreateKey(kUser, kKey, kSection));
    EXPECT_EQ(StoreText(), before);
}

// A store cut off in the middle of a write, one that is not a store at all, and one with a
// broken escape: each reads as empty, and the next write keeps it aside instead of losing it.
TEST_F(Registry, TornOrUnparsableStoreReadsEmptyAndIsMovedAsideOnWrite) {
    const std::vector<std::string> damaged = {
        "; kivo registry 1\n[Software\\MERVOLDQUILL\\kivo Explorer]\nPORT=1\nOpenFol",
        "\x00\x01garbage\xff",
        "; kivo registry 1\n[Software\\MERVOLDQUILL\\kivo Explorer]\nPORT=\\q\n; end\n",
        "; kivo registry 1\nPORT=1\n; end\n",
        "; kivo registry 1\n; end\nPORT=1\n",
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        fs::remove_all(dir_.path());
        fs::create_directories(dir_.path());
        WriteStore(text);
        EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, kSection, "PORT"), std::nullopt);
        EXPECT_FALSE(kivo::win::registry::KeyExists(kUser, kKey, kSection));
        EXPECT_EQ(StoreText(), text);
        ASSERT_TRUE(kivo::win::registry::Write(kUser, kKey, kSection, "PORT", "0"));
        EXPECT_EQ(kivo::win::registry::Read(kUser, kKey, kSection, "PORT"), "0");
        EXPECT_EQ(AsideContents(), std::vector<std::string>{text});
    }
}

TEST_F(Registry, AStoreMovedAsideIsNeverReplacedByTheNextOne) {
    WriteStore("first damaged store");
    ASSERT_TRUE(kivo::win::registry::Write(kUser, kKey, kSection, "PORT", "0"));
    WriteStore("second damaged store");
    ASSERT_TRUE(kivo::win::registry::CreateKey(kUser, kKey, kSection));
    auto aside = AsideContents();
    std::sort(aside.begin(), aside.end());
    EXPECT_EQ(aside, (std::vector<std::string>{"first damaged store", "second damaged store"}));
    EXPECT_TRUE(kivo::win::registry::KeyExists(kUser, kKey, kSection));
}

TEST_F(Registry, StoreWrittenWithLineEndsOfAnotherEditorStillReads) {
    WriteStore("; kivo registry 1\r\n[A\\\\B]\r\nname=va\\elue\r\n\r\n; end\r\n");
    EXPECT_EQ(kivo::win::registry::Read(kUser, "a", "b", "NAME"), "va=lue");
}

TEST_F(Registry, AStoreThatCannotBeReadIsNeverWrittenOver) {
    fs::create_directories(StoreFile());  // a folder where the file should be
    EXPECT_FALSE(kivo::win::registry::Write(kUser, kKey, kSection, "PORT", "0"));
    EXPECT_TRUE(fs::is_directory(StoreFile()));
    fs::remove(StoreFile());
    // A FIFO would hold every read until a writer came.
    ASSERT_EQ(::mkfifo(StoreFile().c_str(), 0600), 0);
    EXPECT_FALSE(kivo::win::registry::Read(kUser, kKey, kSection, "PORT"));
    EXPECT_FALSE(kivo::win::registry::Write(kUser, kKey, kSection, "PORT", "0"));
    EXPECT_TRUE(fs::is_fifo(StoreFile()));
}

TEST_F(Registry, HandleInterfaceOpensExistingKeysAndReadsValues) {
    ASSERT_TRUE(kivo::win::registry::Write(RegistryRoot::LocalMachine,
                                           "Software\\Microsoft\\WAB\\DLLPath", "", "",
                                           "/opt/wab/libwab32.so"));
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", 0, KEY_READ, &key),
        ERROR_SUCCESS);
    uint8_t buffer[260] = {};
    uint32_t size = sizeof buffer;
    uint32_t type = 0;
    ASSERT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "/opt/wab/libwab32.so");
    EXPECT_EQ(size, 21u);
    EXPECT_EQ(type, REG_SZ);

    uint32_t small = 5;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, buffer, &small), ERROR_MORE_DATA);
    EXPECT_EQ(small, 21u);
    uint32_t probe = 0;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, nullptr, &probe), ERROR_SUCCESS);
    EXPECT_EQ(probe, 21u);
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, buffer, &size),
              ERROR_FILE_NOT_FOUND);

    // A key opened earlier is the parent of its subkeys.
    HKEY parent = nullptr, child = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\microsoft", 0, KEY_READ, &parent),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(parent, "WAB\\DLLPath", 0, KEY_READ, &child), ERROR_SUCCESS);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(child, nullptr, nullptr, nullptr, buffer, &size), ERROR_SUCCESS);

    EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(parent), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, buffer, &size), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, OpeningAMissingKeyFailsAndCreatesNothing) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\WAB\\WAB4\\Wab File Name", 0,
                            KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(fs::exists(StoreFile()));
    EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(0x42), "x", 0, KEY_READ, &key),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
}

// Without a folder of its own the store lies under the user's home, never in the folder the
// program happens to run in.
TEST(RegistryFolder, ARelativeConfigFolderIsNotTaken) {
    TempDir home, current;
    ScopedEnv noDir("KIVO_REGISTRY_DIR", std::nullopt);
    ScopedEnv homeEnv("HOME", home.path().string());
    ScopedEnv config("XDG_CONFIG_HOME", "relative");
    {
        kivo::test::ScopedCurrentDir inside(current.path());
        EXPECT_TRUE(kivo::win::registry::Write(kUser, kKey, kSection, "PORT", "1"));
    }
    EXPECT_TRUE(fs::is_empty(current.path()));
    EXPECT_TRUE(fs::exists(home.path() / ".config" / "kivo" / "HKEY_CURRENT_USER.reg"));
}
