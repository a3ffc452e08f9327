// The player against a store that can refuse to save its state: a full disk, a read-only folder.

#include "drivers/tests/client.h"
#include "platform/win/clock.h"
#include "platform/win/file_size_limit.h"
#include "playersim/device.h"
#include "playersim/player.h"
#include "playersim/session.h"
#include "testing/other_user.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace kivo::playersim {
namespace {

// Keeps contents in memory; Save fails while `refuse` is set.
class RefusingStore : public Store {
public:
    explicit RefusingStore(bool& refuse) : refuse_(refuse) {}
    std::optional<PlayerState> Load() override { return std::nullopt; }
    bool Changed() override { return false; }
    bool Save(const PlayerState&) override { return !refuse_; }
    std::vector<uint8_t> ReadContent(uint8_t index) override { return contents_[index]; }
    bool WriteContent(uint8_t index, std::vector<uint8_t>&& content) override {
        capacity_ = content.capacity();
        contents_[index] = std::move(content);
        return true;
    }
    void RemoveContent(uint8_t index) override { contents_.erase(index); }
    bool Holds(uint8_t index) const { return contents_.contains(index); }
    const uint8_t* DataOf(uint8_t index) const { return contents_.at(index).data(); }
    // The capacity of the buffer last handed over.
    size_t Capacity() const { return capacity_; }

private:
    bool& refuse_;
    std::map<uint8_t, std::vector<uint8_t>> contents_;
    size_t capacity_ = 0;
};

TEST(playersim_PlayerStore, SystemFileThatCannotBeSavedKeepsTheOldOne) {
    bool refuse = false;
    auto owned = std::make_unique<RefusingStore>(refuse);
    RefusingStore& store = *owned;
    Player player(std::move(owned));
    const std::vector<uint8_t> name{'c', 'f', 'g'};
    const std::vector<uint8_t> old(300, 0x11);
    ASSERT_TRUE(player.PutSystemFile(2, 0, name, old));

    refuse = true;
    EXPECT_FALSE(player.PutSystemFile(2, 0, name, std::vector<uint8_t>(100, 0x22)));
    ASSERT_NE(player.Find(2), nullptr);
    EXPECT_EQ(player.Find(2)->size, old.size());
    EXPECT_EQ(player.Content(2), old);

    EXPECT_FALSE(player.PutSystemFile(3, 4, name, std::vector<uint8_t>(50, 0x33)));
    EXPECT_EQ(player.Find(3), nullptr);
    EXPECT_FALSE(store.Holds(3));
}

TEST(playersim_PlayerStore, ChangesThatCannotBeSavedRemoveNothing) {
    struct Case {
        const char* change;
        bool (*make)(Player&);
    };
    const Case cases[] = {
        {"remove", [](Player& p) { return p.Remove(6); }},
        {"clear flash", [](Player& p) { return p.Clear(Memory::kFlash); }},
        {"clear card", [](Player& p) { return p.Clear(Memory::kCard); }},
        {"erase card", [](Player& p) { return p.EraseCard(); }},
        {"format card", [](Player& p) { return p.FormatCard(); }},
        {"no card", [](Player& p) { return p.SetCard(false, 0, 0); }},
        {"reset", [](Player& p) { return p.Reset(); }},
        {"flash size", [](Player& p) { return p.SetFlashUnits(100); }},
    };
    for (const Case& c : cases) {
        bool refuse = false;
        auto owned = std::make_unique<RefusingStore>(refuse);
        RefusingStore& store = *owned;
        Player player(std::move(owned));
        const std::vector<uint8_t> name{'a'};
        ASSERT_EQ(player.AddFile(Memory::kFlash, 1, name, std::vector<uint8_t>(10, 1)), 6);
        ASSERT_EQ(player.AddFile(Memory::kCard, 1, name, std::vector<uint8_t>(20, 2)), 131);
        const std::string before = FormatState(player.State());
        refuse = true;
        EXPECT_FALSE(c.make(player)) << c.change;
        EXPECT_EQ(FormatState(player.State()), before) << c.change;
        EXPECT_TRUE(store.Holds(6) && store.Holds(131)) << c.change;
        refuse = false;
        EXPECT_TRUE(c.make(player)) << c.change;
        EXPECT_NE(FormatState(player.State()), before) << c.change;
    }
}

// The answers of the player's side to `bytes`, one after the other.
std::vector<uint8_t> Answers(Device& device, std::span<const uint8_t> bytes) {
    Session session(device, Dialect::kParallel);
    session.Feed(bytes);
    std::vector<uint8_t> answer;
    for (const OutChunk& chunk : session.Output()) {
        answer.insert(answer.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
    return answer;
}

// A folder store on a full disk: the delete and the initialise are refused on the wire, and
// the store still loads whole afterwards.
TEST(playersim_PlayerStore, DeleteOnAFullDiskIsRefusedAndKeepsTheStore) {
    const test::TempDir folder;
    Device device(MakeFolderStore(folder.path()));
    const std::vector<uint8_t> name{'k', 'e', 'p', 't'};
    ASSERT_EQ(device.player.AddFile(Memory::kFlash, 1, name, std::vector<uint8_t>(1000, 7)), 6);
    std::vector<uint8_t> answer;
    {
        FileSizeLimit full(16);
        const uint8_t commands[] = {kDelete, 6, kInitialize, 0};
        answer = Answers(device, commands);
    }
    EXPECT_EQ(answer, (std::vector<uint8_t>{kRefused, kRefused}));
    ASSERT_NE(device.player.Find(6), nullptr);
    Player reloaded(MakeFolderStore(folder.path()));
    EXPECT_TRUE(reloaded.StoreProblem().empty()) << reloaded.StoreProblem();
    EXPECT_EQ(reloaded.Content(6), std::vector<uint8_t>(1000, 7));

    const uint8_t deleted[] = {kDelete, 6};
    EXPECT_EQ(Answers(device, deleted), std::vector<uint8_t>{0}) << "room again";
    EXPECT_EQ(device.player.Find(6), nullptr);
}

// A store this user cannot write: every change is refused and the files stay listed, in the
// same process and in the next.
TEST(playersim_PlayerStore, ReadOnlyStoreRefusesChangesAndKeepsListing) {
    using namespace px::testing;
    const test::TempDir folder;
    const std::filesystem::path store = folder / "store";
    {
        Player player(MakeFolderStore(store));
        ASSERT_EQ(player.AddFile(Memory::kFlash, 1, std::vector<uint8_t>{'f'},
                                 std::vector<uint8_t>(100, 1)),
                  6);
        ASSERT_EQ(player.AddFile(Memory::kCard, 1, std::vector<uint8_t>{'c'},
                                 std::vector<uint8_t>(200, 2)),
                  131);
    }
    test::OpenToEveryone(folder.path());
    for (const auto& entry : std::filesystem::directory_iterator(store)) {
        ::chmod(entry.path().c_str(), 0444);
    }
    ::chmod(store.c_str(), 0555);
    ScopedVirtualClock clock;
    for (const Which which : {Which::kPxdll, Which::kPxapi}) {
        const std::string outcome = test::AsAnotherUser([&] {
            setenv("KIVO_PLAYER", ("sim:" + store.string()).c_str(), 1);
            const DriverApi& api = Driver(which);
            api.TestReset();
            Client client(api);
            uint8_t index = 99;
            uint8_t deleted = 99;
            uint8_t cleared = 99;
            std::vector<ListedFile> files;
            std::string text = "upload " + std::to_string(client.Upload(
                                               0, 1, "new", std::vector<uint8_t>(5), index));
            text += " index " + std::to_string(index);
            text += " delete " + std::to_string(client.Simple(5, 131, deleted));
            text += " ack " + std::to_string(deleted);
            text += " init " + std::to_string(client.Simple(6, 0, cleared));
            text += " ack " + std::to_string(cleared);
            text += " list " + std::to_string(client.List(files)) + ":";
            for (const ListedFile& file : files) {
                text += " " + std::to_string(file.index) + " " + file.name;
            }
            return text;
        });
        EXPECT_EQ(outcome, "upload 0 index 0 delete 0 ack 24 init 0 ack 24 list 0: 6 f 131 c");
    }
    ::chmod(store.c_str(), 0755);
    Player reloaded(MakeFolderStore(store));
    EXPECT_TRUE(reloaded.StoreProblem().empty()) << reloaded.StoreProblem();
    EXPECT_EQ(reloaded.State().files.size(), 2u);
}

// An upload is held once: received into one buffer of the file's size, which the store takes
// over without a copy.
TEST(playersim_PlayerStore, UploadIsHeldOnce) {
    bool refuse = false;
    auto owned = std::make_unique<RefusingStore>(refuse);
    RefusingStore& store = *owned;
    Device device(std::move(owned));
    std::vector<uint8_t> content(1000, 5);
    const uint8_t* data = content.data();
    ASSERT_EQ(
        device.player.AddFile(Memory::kFlash, 1, std::vector<uint8_t>{'a'}, std::move(content)), 6);
    EXPECT_EQ(store.DataOf(6), data);

    for (const uint32_t size : {1u, 16368u, 16369u, 100000u}) {
        // As the PC sends it: a pause after the memory type, the last block padded with zeros.
        Session session(device, Dialect::kParallel);
        const uint8_t head[] = {kUpload, 0};
        session.Feed(head);
        session.SetNow(500);
        std::vector<uint8_t> wire{1};
        for (int i = 0; i < 4; ++i) {
            wire.push_back(static_cast<uint8_t>(size >> (8 * i)));
        }
        wire.push_back(static_cast<uint8_t>(BlockCount(size)));
        wire.push_back(0);
        wire.resize(wire.size() + kNameBytes, 0);
        uint32_t left = size;
        for (uint32_t b = 0; b < BlockCount(size); ++b) {
            const uint32_t n = std::min(left, BlockBytes(b));
            wire.resize(wire.size() + n, 0x42);
            wire.resize(wire.size() + BlockBytes(b) - n, 0);
            left -= n;
            wire.push_back(0);  // go on
        }
        session.Feed(wire);
        std::vector<uint8_t> answer;
        for (const OutChunk& chunk : session.Output()) {
            answer.insert(answer.end(), chunk.bytes.begin(), chunk.bytes.end());
        }
        ASSERT_EQ(answer.size(), 1u) << size;
        ASSERT_NE(device.player.Find(answer[0]), nullptr) << size;
        EXPECT_EQ(store.Capacity(), size);
    }
}

}  // namespace
}  // namespace kivo::playersim
