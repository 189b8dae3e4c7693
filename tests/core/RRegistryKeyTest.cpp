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

    // A refused call and the Windows code it left.
    static void ExpectRefused(const RRegistryKey& key, bool result, int code) {
        EXPECT_FALSE(result);
        EXPECT_EQ(key.GetLastError(), code);
    }

    // Connected to the current user's root with a key created at `path`.
    void Open(RRegistryKey& key, const char* path = "Software\\Test") {
        ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
        ASSERT_TRUE(key.CreateKey(path, nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr));
    }

    ScratchFolder scratch_;
    ScopedEnvironment environment_;
};

}  // namespace

TEST(RRegistryKey, RootNamesAndMachineName) {
    EXPECT_STREQ(RRegistryKey::RootName(RRegistryKey::kClassesRoot), "HKEY_CLASSES_ROOT");
    EXPECT_STREQ(RRegistryKey::RootName(RRegistryKey::kCurrentUser), "HKEY_CURRENT_USER");
    EXPECT_STREQ(RRegistryKey::RootName(RRegistryKey::kPerformanceData), "HKEY_PERFORMANCE_DATA");
    EXPECT_STREQ(RRegistryKey::RootName(RRegistryKey::kDynData), "HKEY_DYN_DATA");
    EXPECT_STREQ(RRegistryKey::RootName(0x80000007u), "Unknown");
    EXPECT_STREQ(RRegistryKey::RootName(0), "Unknown");

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
    ExpectRefused(key, key.Connect(RRegistryKey::kCurrentUser, "OTHERPC"), 6);
    ExpectRefused(key, key.Connect(RRegistryKey::kClassesRoot, "OTHERPC"), 6);
    ExpectRefused(key, key.Connect(RRegistryKey::kLocalMachine, "\\\\OTHERPC-that-is-not-here"),
                  platform::kRegistryBadNetPath);
    RRegistryKey unconnected;
    ExpectRefused(unconnected, unconnected.SetDWORD("v", 1), 6);

    ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
    ExpectRefused(key, key.CreateKey(nullptr, nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr), 87);
    ExpectRefused(key, key.OpenKey("Software\\Missing", platform::kRegistryRead), 2);
    Open(key);
    RString text("stale");
    ExpectRefused(key, key.QueryString("Missing", text), 2);
    EXPECT_STREQ(text.Buffer(), "");
    std::uint32_t number = 7;
    ExpectRefused(key, key.QueryDWORD(nullptr, number), 87);
    ExpectRefused(key, key.SetValue("x", platform::kRegistryTypeDword, nullptr, 4), 87);
    ExpectRefused(key, key.SetString("x", nullptr), 87);
    ExpectRefused(key, key.SetDWORD(nullptr, 1), 87);

    // Values of the wrong type are refused, and the out value is untouched.
    ASSERT_TRUE(key.SetString("text", "12"));
    ExpectRefused(key, key.QueryDWORD("text", number), RRegistryKey::kErrorUnsupportedType);
    EXPECT_EQ(number, 7u);
    ASSERT_TRUE(key.SetDWORD("number", 12));
    EXPECT_FALSE(key.QueryString("number", text));
    EXPECT_STREQ(text.Buffer(), "");
}

TEST_F(RRegistryKeyTest, StringsThatFillTheBufferStayInBounds) {
    RRegistryKey key;
    Open(key);
    const std::string full(RRegistryKey::kStringBufferSize, 'a');  // no room for a terminator
    ASSERT_TRUE(key.SetValue("full", platform::kRegistryTypeString, full.data(),
                             static_cast<std::uint32_t>(full.size())));
    RString text;
    ASSERT_TRUE(key.QueryString("full", text));
    EXPECT_EQ(text.GetLength(), static_cast<int>(RRegistryKey::kStringBufferSize));

    const std::string tooLong(RRegistryKey::kStringBufferSize, 'b');  // with its terminator, one too many
    ASSERT_TRUE(key.SetString("long", tooLong.c_str()));
    text = "stale";
    ExpectRefused(key, key.QueryString("long", text), platform::kRegistryMoreData);
    EXPECT_STREQ(text.Buffer(), "");
}

TEST_F(RRegistryKeyTest, ClassNameAndInformationOfAnOpenedKeyAndOtherRoots) {
    RRegistryKey key;
    ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
    ASSERT_TRUE(key.CreateKey("A\\B", "Options", 0, platform::kRegistryAllAccess, nullptr, nullptr));
    ASSERT_TRUE(key.CreateKey("A\\C", nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr));
    ASSERT_TRUE(key.OpenKey("A\\B", platform::kRegistryRead));
    EXPECT_STREQ(key.GetClassName().Buffer(), "Options");
    ASSERT_TRUE(key.OpenKey("A", platform::kRegistryRead));
    EXPECT_STREQ(key.GetClassName().Buffer(), "");
    EXPECT_EQ(key.GetInfo().subKeyCount, 2u);
    ExpectRefused(key, key.SetDWORD("v", 1), platform::kRegistryAccessDenied);  // opened for reading only

    // Other local roots connect but hold nothing.
    ASSERT_TRUE(key.Connect(RRegistryKey::kLocalMachine, nullptr));
    EXPECT_STREQ(key.GetRootName().Buffer(), "HKEY_LOCAL_MACHINE");
    ExpectRefused(key, key.OpenKey("SOFTWARE", platform::kRegistryRead), platform::kRegistryAccessDenied);
    EXPECT_TRUE(key.Close());
}
