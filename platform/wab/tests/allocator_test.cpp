#include "platform/wab/allocator.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kivo::wab {
namespace {

TEST(Allocator, ChainedBuffersGoWithTheirRoot) {
    Allocator a;
    void* root = nullptr;
    void* more = nullptr;
    void* further = nullptr;
    ASSERT_EQ(a.Allocate(16, &root), S_OK);
    ASSERT_EQ(a.More(100, root, &more), S_OK);
    // Linking to a chained buffer chains to its root.
    ASSERT_EQ(a.More(8, more, &further), S_OK);
    std::memset(more, 0x5A, 100);
    EXPECT_EQ(a.RootCount(), 1u);
    EXPECT_EQ(a.Free(more), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(a.Free(root), S_OK);
    EXPECT_EQ(a.RootCount(), 0u);
    void* stale = nullptr;
    EXPECT_EQ(a.More(4, root, &stale), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(a.More(4, further, &stale), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(stale, nullptr);
}

TEST(Allocator, RefusesWhatItDidNotHandOut) {
    Allocator a;
    int local = 0;
    void* out = &local;
    EXPECT_EQ(a.Free(nullptr), S_OK);
    EXPECT_EQ(a.Free(&local), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(a.More(4, &local, &out), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(a.Allocate(4, nullptr), MAPI_E_INVALID_PARAMETER);
    void* root = nullptr;
    ASSERT_EQ(a.Allocate(0, &root), S_OK);
    EXPECT_NE(root, nullptr);
    EXPECT_EQ(a.Free(root), S_OK);
    EXPECT_EQ(a.Free(root), MAPI_E_INVALID_PARAMETER);
}

TEST(Allocator, BuffersStartZeroed) {
    Allocator a;
    void* root = nullptr;
    ASSERT_EQ(a.Allocate(64, &root), S_OK);
    const auto* bytes = static_cast<const uint8_t*>(root);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    a.Free(root);
}

}  // namespace
}  // namespace kivo::wab
