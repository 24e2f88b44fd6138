#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "xrddata/platform/sharedmem.h"

using xrddata::platform::CSharedBlock;
using xrddata::platform::CloseSharedBlock;
using xrddata::platform::CreateSharedBlock;
using xrddata::platform::GetSharedBlockSize;
using xrddata::platform::MapSharedBlock;
using xrddata::platform::UnmapSharedBlock;

namespace {

// Names unique to this test process, so parallel runs never meet.
std::string TestName(const char* tag) { return "xrddata_test_" + std::to_string(getpid()) + "_" + tag; }

bool NameExists(const std::string& name) { return std::filesystem::exists("/dev/shm/" + name); }

}  // namespace

TEST(SharedMemory, CreateOpenAndRemoveTheName) {
    const std::string name = TestName("block");
    HANDLE h = CreateSharedBlock(name.c_str(), 24);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(NameExists(name));
    EXPECT_EQ(GetSharedBlockSize(h), 24u);
    auto* view = static_cast<unsigned char*>(MapSharedBlock(h));
    ASSERT_NE(view, nullptr);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(view[i], 0) << i;
    view[5] = 0xAB;

    // The name is taken: a second creation fails and leaves the first block alone.
    EXPECT_EQ(CreateSharedBlock(name.c_str(), 24), nullptr);
    EXPECT_EQ(CreateSharedBlock(name.c_str(), 48), nullptr);
    EXPECT_TRUE(NameExists(name));

    // An opener sees the creator's bytes and size, and writes back into the same memory.
    CSharedBlock other;
    ASSERT_TRUE(other.Open(name.c_str()));
    EXPECT_EQ(other.GetSize(), 24u);
    auto* seen = static_cast<unsigned char*>(other.GetData());
    EXPECT_EQ(seen[5], 0xAB);
    seen[6] = 0xCD;
    EXPECT_EQ(view[6], 0xCD);

    // Closing the creator removes the name, while the opener's view lives on.
    UnmapSharedBlock(view, 24);
    CloseSharedBlock(h);
    EXPECT_FALSE(NameExists(name));
    EXPECT_EQ(seen[5], 0xAB);
    other.Close();
    EXPECT_FALSE(other.Open(name.c_str()));
}

TEST(SharedMemory, BadRequestsFailCleanly) {
    const std::string name = TestName("bad");
    EXPECT_EQ(CreateSharedBlock(name.c_str(), 0), nullptr);
    EXPECT_FALSE(NameExists(name));
    EXPECT_EQ(CreateSharedBlock(nullptr, 8), nullptr);
    EXPECT_EQ(CreateSharedBlock("", 8), nullptr);
    EXPECT_EQ(CreateSharedBlock("a/b", 8), nullptr);
    // Far more than any machine has: refused when the pages are reserved, and no name is left behind.
    EXPECT_EQ(CreateSharedBlock(name.c_str(), size_t(1) << 60), nullptr);
    EXPECT_FALSE(NameExists(name));
    CSharedBlock none;
    EXPECT_FALSE(none.Open(name.c_str()));
    EXPECT_EQ(none.GetData(), nullptr);
}

TEST(SharedMemory, ProcessEndingNormallyRemovesItsNames) {
    const std::string name = TestName("exit");
    // The child creates a block and exits without closing it.
    EXPECT_EXIT(
        {
            HANDLE h = CreateSharedBlock(name.c_str(), 16);
            std::exit(h && NameExists(name) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(NameExists(name));

    // A forked child that closes a handle it inherited does not remove its parent's name.
    HANDLE h = CreateSharedBlock(name.c_str(), 16);
    ASSERT_NE(h, nullptr);
    EXPECT_EXIT(
        {
            CloseSharedBlock(h);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(NameExists(name));
    CloseSharedBlock(h);
    EXPECT_FALSE(NameExists(name));
}
