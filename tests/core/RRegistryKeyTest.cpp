#include "core/RRegistryKey.h"

#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kOptionsKey[] = "SOFTWARE\\Pellix\\WYX_Plugins_6.0\\Vexa50";

// Every test keeps its registry in its own scratch folder.
class RRegistryKeyTest : public ::testing::Test {
protected:
    RRegistryKeyTest() : environment_("WYX_REGISTRY_FILE", scratch_.Join("registry.txt")) {}

    ScratchFolder scratch_;
    ScopedEnvironment environment_;
};

}  // namespace

TEST(RRegistryKey, RootNames) {
    EXPECT_STREQ(RRegistryKey::RootName(RRegistryKey::kClassesRoot), "HKEY_CLASSES_ROOT");
    EXPECT_STREQ(RRegistryKey::RootName(RRegistryKey::kCurrentUser), "HKEY_CURRENT_USER");
    EXPECT_STREQ(RRegistryKey::RootName(RRegistryKey::kPerformanceData), "HKEY_PERFORMANCE_DATA");
    EXPECT_STREQ(RRegistryKey::RootName(RRegistryKey::kDynData), "HKEY_DYN_DATA");
    EXPECT_STREQ(RRegistryKey::RootName(0x80000007u), "Unknown");
    EXPECT_STREQ(RRegistryKey::RootName(0), "Unknown");
}

TEST(RRegistryKey, MachineNameFallsBackToQuestionMark) {
    char name[256];
    EXPECT_TRUE(GetMachineName(name, sizeof(name)));
    char tiny[2];
    EXPECT_FALSE(GetMachineName(tiny, sizeof(tiny)));
    EXPECT_STREQ(tiny, "?");
}

TEST_F(RRegistryKeyTest, ValuesRoundTripThroughTheStore) {
    {
        RRegistryKey key;
        ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
        EXPECT_STREQ(key.GetRootName().Buffer(), "HKEY_CURRENT_USER");
        char machine[256];
        GetMachineName(machine, sizeof(machine));
        EXPECT_STREQ(key.GetComputerName().Buffer(), machine);
        std::uint32_t disposition = 0;
        ASSERT_TRUE(key.CreateKey(kOptionsKey, nullptr, 0, platform::kRegistryAllAccess, nullptr, &disposition));
        EXPECT_EQ(disposition, platform::kRegistryCreatedNewKey);
        EXPECT_STREQ(key.GetKeyPath().Buffer(), kOptionsKey);
        EXPECT_TRUE(key.SetDWORD("kImportShowUI", 1));
        EXPECT_TRUE(key.SetString("UserParams", "merge;hard edges"));
        EXPECT_TRUE(key.Close());
        EXPECT_EQ(key.GetRoot(), 0u);
        EXPECT_STREQ(key.GetRootName().Buffer(), "");
    }
    RRegistryKey key;
    ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, ""));
    ASSERT_TRUE(key.OpenKey(kOptionsKey, platform::kRegistryRead));
    EXPECT_EQ(key.GetInfo().valueCount, 2u);
    EXPECT_EQ(key.GetInfo().maxValueNameLength, 13u);
    std::uint32_t flag = 0;
    EXPECT_TRUE(key.QueryDWORD("kimportshowui", flag));
    EXPECT_EQ(flag, 1u);
    RString text("stale");
    EXPECT_TRUE(key.QueryString("UserParams", text));
    EXPECT_STREQ(text.Buffer(), "merge;hard edges");
    EXPECT_EQ(key.GetLastError(), 0);
}

TEST_F(RRegistryKeyTest, FailuresLeaveTheirWindowsCodes) {
    RRegistryKey key;
    EXPECT_FALSE(key.Connect(RRegistryKey::kCurrentUser, "OTHERPC"));
    EXPECT_EQ(key.GetLastError(), 6);
    EXPECT_FALSE(key.Connect(RRegistryKey::kClassesRoot, "OTHERPC"));
    EXPECT_EQ(key.GetLastError(), 6);
    EXPECT_FALSE(key.Connect(RRegistryKey::kLocalMachine, "\\\\OTHERPC-that-is-not-here"));
    EXPECT_EQ(key.GetLastError(), platform::kRegistryBadNetPath);

    ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
    EXPECT_FALSE(key.CreateKey(nullptr, nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr));
    EXPECT_EQ(key.GetLastError(), 87);
    EXPECT_FALSE(key.OpenKey("Software\\Missing", platform::kRegistryRead));
    EXPECT_EQ(key.GetLastError(), 2);

    ASSERT_TRUE(key.CreateKey("Software\\Test", "", 0, platform::kRegistryAllAccess, nullptr, nullptr));
    RString text("stale");
    EXPECT_FALSE(key.QueryString("Missing", text));
    EXPECT_EQ(key.GetLastError(), 2);
    EXPECT_STREQ(text.Buffer(), "");
    std::uint32_t number = 7;
    EXPECT_FALSE(key.QueryDWORD(nullptr, number));
    EXPECT_EQ(key.GetLastError(), 87);
    EXPECT_FALSE(key.SetValue("x", platform::kRegistryTypeDword, nullptr, 4));
    EXPECT_EQ(key.GetLastError(), 87);
    EXPECT_FALSE(key.SetString("x", nullptr));
    EXPECT_EQ(key.GetLastError(), 87);
    EXPECT_FALSE(key.SetDWORD(nullptr, 1));
    EXPECT_EQ(key.GetLastError(), 87);

    // Values of the wrong type are refused, and the out value is untouched.
    ASSERT_TRUE(key.SetString("text", "12"));
    EXPECT_FALSE(key.QueryDWORD("text", number));
    EXPECT_EQ(key.GetLastError(), RRegistryKey::kErrorUnsupportedType);
    EXPECT_EQ(number, 7u);
    ASSERT_TRUE(key.SetDWORD("number", 12));
    EXPECT_FALSE(key.QueryString("number", text));
    EXPECT_STREQ(text.Buffer(), "");
}

TEST_F(RRegistryKeyTest, StringsThatFillTheBufferStayInBounds) {
    RRegistryKey key;
    ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
    ASSERT_TRUE(key.CreateKey("Software\\Test", nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr));
    const std::string full(RRegistryKey::kStringBufferSize, 'a');  // no room for a terminator
    ASSERT_TRUE(key.SetValue("full", platform::kRegistryTypeString, full.data(),
                             static_cast<std::uint32_t>(full.size())));
    RString text;
    ASSERT_TRUE(key.QueryString("full", text));
    EXPECT_EQ(text.GetLength(), static_cast<int>(RRegistryKey::kStringBufferSize));

    const std::string tooLong(RRegistryKey::kStringBufferSize, 'b');  // with its terminator, one too many
    ASSERT_TRUE(key.SetString("long", tooLong.c_str()));
    text = "stale";
    EXPECT_FALSE(key.QueryString("long", text));
    EXPECT_EQ(key.GetLastError(), platform::kRegistryMoreData);
    EXPECT_STREQ(text.Buffer(), "");
}

TEST_F(RRegistryKeyTest, ClassNameAndInformationOfAnOpenedKey) {
    RRegistryKey key;
    ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
    ASSERT_TRUE(key.CreateKey("A\\B", "Options", 0, platform::kRegistryAllAccess, nullptr, nullptr));
    ASSERT_TRUE(key.CreateKey("A\\C", nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr));
    ASSERT_TRUE(key.OpenKey("A\\B", platform::kRegistryRead));
    EXPECT_STREQ(key.GetClassName().Buffer(), "Options");
    ASSERT_TRUE(key.OpenKey("A", platform::kRegistryRead));
    EXPECT_STREQ(key.GetClassName().Buffer(), "");
    EXPECT_EQ(key.GetInfo().subKeyCount, 2u);
    EXPECT_FALSE(key.SetDWORD("v", 1));  // opened for reading only
    EXPECT_EQ(key.GetLastError(), platform::kRegistryAccessDenied);
}

TEST_F(RRegistryKeyTest, OtherLocalRootsConnectButHoldNothing) {
    RRegistryKey key;
    ASSERT_TRUE(key.Connect(RRegistryKey::kLocalMachine, nullptr));
    EXPECT_STREQ(key.GetRootName().Buffer(), "HKEY_LOCAL_MACHINE");
    EXPECT_FALSE(key.OpenKey("SOFTWARE", platform::kRegistryRead));
    EXPECT_EQ(key.GetLastError(), platform::kRegistryAccessDenied);
    EXPECT_TRUE(key.Close());
    RRegistryKey unconnected;
    EXPECT_FALSE(unconnected.SetDWORD("v", 1));
    EXPECT_EQ(unconnected.GetLastError(), 6);
}
