// The player against a store that can refuse to save its state.

#include "playersim/player.h"

#include <gtest/gtest.h>

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
    bool WriteContent(uint8_t index, const std::vector<uint8_t>& content) override {
        contents_[index] = content;
        return true;
    }
    void RemoveContent(uint8_t index) override { contents_.erase(index); }
    bool Holds(uint8_t index) const { return contents_.contains(index); }

private:
    bool& refuse_;
    std::map<uint8_t, std::vector<uint8_t>> contents_;
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

}  // namespace
}  // namespace kivo::playersim
