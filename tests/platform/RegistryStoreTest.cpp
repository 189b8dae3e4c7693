#include "platform/RegistryStore.h"

#include "platform/SystemServices.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

using namespace platform;

namespace {

// Every test keeps its registry file in its own scratch folder.
class RegistryStore : public ::testing::Test {
protected:
    RegistryStore() : file_(scratch_.Join("registry.txt")), environment_("WYX_REGISTRY_FILE", file_) {}
    RegistryHandle Create(const char* path, std::uint32_t access = kRegistryAllAccess) {
        RegistryHandle key = 0;
        EXPECT_EQ(RegistryCreateKey(kRegistryCurrentUser, path, nullptr, access, &key, nullptr), kRegistrySuccess);
        return key;
    }
    std::string FileText() const { return ScratchFolder::ReadFile(file_); }
    ScratchFolder scratch_;
    std::string file_;
    ScopedEnvironment environment_;
};

std::uint32_t QueryDword(RegistryHandle key, const char* name, long* error = nullptr) {
    std::uint32_t value = 0;
    std::uint32_t size = sizeof(value);
    std::uint32_t type = 0;
    const long result = RegistryQueryValue(key, name, &type, &value, &size);
    if (error != nullptr) *error = result;
    EXPECT_TRUE(result != kRegistrySuccess || (type == kRegistryTypeDword && size == 4));
    return value;
}

}  // namespace

TEST_F(RegistryStore, ValuesSurviveInTheFileInItsDocumentedForm) {
    const RegistryHandle key = Create("SOFTWARE\\Pellix\\WYX");
    const std::uint32_t number = 42;
    EXPECT_EQ(RegistrySetValue(key, "Count", kRegistryTypeDword, &number, 4), kRegistrySuccess);
    const char text[] = "say \"hi\"\\\n";
    EXPECT_EQ(RegistrySetValue(key, "Greeting", kRegistryTypeString, text, sizeof(text)), kRegistrySuccess);
    const unsigned char bytes[] = {1, 2, 255};
    EXPECT_EQ(RegistrySetValue(key, "Raw", 3, bytes, 3), kRegistrySuccess);
    EXPECT_EQ(RegistryCloseKey(key), kRegistrySuccess);
    const std::string saved = FileText();
    for (const char* line : {"[SOFTWARE\\\\Pellix\\\\WYX]\n", "\"Count\"=dword:0000002a\n",
                             "\"Greeting\"=\"say \\\"hi\\\"\\\\\\x0a\"\n", "\"Raw\"=hex(3):01,02,ff\n"}) {
        EXPECT_NE(saved.find(line), std::string::npos) << line << " in " << saved;
    }
    RegistryHandle again = 0;
    ASSERT_EQ(RegistryOpenKey(kRegistryCurrentUser, "software\\PELLIX\\wyx", kRegistryRead, &again),
              kRegistrySuccess);
    EXPECT_EQ(QueryDword(again, "count"), 42u);
    char buffer[64] = {};
    std::uint32_t size = sizeof(buffer);
    std::uint32_t type = 0;
    ASSERT_EQ(RegistryQueryValue(again, "Greeting", &type, buffer, &size), kRegistrySuccess);
    EXPECT_EQ(std::make_pair(type, size), std::make_pair(kRegistryTypeString, std::uint32_t{sizeof(text)}));
    EXPECT_STREQ(buffer, text);
    size = sizeof(buffer);
    ASSERT_EQ(RegistryQueryValue(again, "Raw", &type, buffer, &size), kRegistrySuccess);
    EXPECT_EQ(type, 3u);
    EXPECT_EQ(std::memcmp(buffer, bytes, 3), 0);
    EXPECT_EQ(RegistryCloseKey(again), kRegistrySuccess);
}

TEST_F(RegistryStore, ValueSizesMissingValuesAndStringsWithoutTerminatorOrWithInnerZeros) {
    const RegistryHandle key = Create("K");
    const char text[] = "0123456789";
    ASSERT_EQ(RegistrySetValue(key, "t", kRegistryTypeString, text, sizeof(text)), kRegistrySuccess);
    char small[4] = {'x', 'x', 'x', 'x'};
    std::uint32_t size = sizeof(small);
    EXPECT_EQ(RegistryQueryValue(key, "t", nullptr, small, &size), kRegistryMoreData);
    EXPECT_EQ(size, sizeof(text));
    EXPECT_EQ(small[0], 'x');
    size = 0;
    EXPECT_EQ(RegistryQueryValue(key, "t", nullptr, nullptr, &size), kRegistrySuccess);
    EXPECT_EQ(size, sizeof(text));
    long error = 0;
    QueryDword(key, "absent", &error);
    EXPECT_EQ(error, kRegistryFileNotFound);
    EXPECT_EQ(RegistryQueryValue(key, nullptr, nullptr, nullptr, &size), kRegistryInvalidParameter);
    EXPECT_EQ(RegistrySetValue(key, nullptr, kRegistryTypeDword, text, 4), kRegistryInvalidParameter);
    EXPECT_EQ(RegistrySetValue(key, "x", kRegistryTypeDword, nullptr, 4), kRegistryInvalidParameter);
    const char unterminated[3] = {'a', 'b', 'c'};
    const char inner[4] = {'a', 0, 'b', 0};
    ASSERT_EQ(RegistrySetValue(key, "u", kRegistryTypeString, unterminated, 3), kRegistrySuccess);
    ASSERT_EQ(RegistrySetValue(key, "i", kRegistryTypeString, inner, 4), kRegistrySuccess);
    char buffer[8] = {};
    size = sizeof(buffer);
    ASSERT_EQ(RegistryQueryValue(key, "u", nullptr, buffer, &size), kRegistrySuccess);
    EXPECT_EQ(size, 3u);
    size = sizeof(buffer);
    ASSERT_EQ(RegistryQueryValue(key, "i", nullptr, buffer, &size), kRegistrySuccess);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::memcmp(buffer, inner, 4), 0);
    RegistryCloseKey(key);
}

TEST_F(RegistryStore, KeysAreCreatedWithTheirAncestorsAndCounted) {
    std::uint32_t disposition = 0;
    RegistryHandle key = 0;
    ASSERT_EQ(RegistryCreateKey(kRegistryCurrentUser, "A\\B\\C", "MyClass", kRegistryAllAccess, &key, &disposition),
              kRegistrySuccess);
    EXPECT_EQ(disposition, kRegistryCreatedNewKey);
    RegistryCloseKey(key);
    ASSERT_EQ(RegistryCreateKey(kRegistryCurrentUser, "a\\b\\c", nullptr, kRegistryAllAccess, &key, &disposition),
              kRegistrySuccess);
    EXPECT_EQ(disposition, kRegistryOpenedExistingKey);
    char className[16];
    std::uint32_t classLength = sizeof(className);
    RegistryKeyInfo info;
    ASSERT_EQ(RegistryQueryInfo(key, className, &classLength, &info), kRegistrySuccess);
    EXPECT_EQ(std::string(className) + " " + std::to_string(classLength), "MyClass 7");
    EXPECT_NE(info.lastWriteHigh, 0u);
    RegistryCloseKey(key);
    RegistryHandle sibling = Create("A\\Longer");
    RegistryCloseKey(sibling);
    ASSERT_EQ(RegistryOpenKey(kRegistryCurrentUser, "A", kRegistryRead, &key), kRegistrySuccess);
    ASSERT_EQ(RegistryQueryInfo(key, nullptr, nullptr, &info), kRegistrySuccess);
    EXPECT_EQ((std::vector<std::uint32_t>{info.subKeyCount, info.maxSubKeyLength, info.valueCount}),
              (std::vector<std::uint32_t>{2, 6, 0}));
    RegistryCloseKey(key);
}

TEST_F(RegistryStore, HandlesRootsMachinesAndAccessRights) {
    RegistryHandle key = 0;
    EXPECT_EQ((std::vector<long>{RegistryCloseKey(0x1234), RegistryOpenKey(0x1234, "x", kRegistryRead, &key),
                                 RegistryConnect(nullptr, 0x12, &key)}),
              std::vector<long>(3, kRegistryInvalidHandle));
    EXPECT_EQ(RegistryCreateKey(kRegistryClassesRoot, "x", nullptr, kRegistryAllAccess, &key, nullptr),
              kRegistryAccessDenied);
    Create("R");
    RegistryHandle readOnly = 0;
    ASSERT_EQ(RegistryOpenKey(kRegistryCurrentUser, "R", kRegistryRead, &readOnly), kRegistrySuccess);
    EXPECT_EQ(RegistryCreateKey(readOnly, "child", nullptr, kRegistryAllAccess, &key, nullptr),
              kRegistryAccessDenied);
    const std::uint32_t number = 1;
    EXPECT_EQ(RegistrySetValue(readOnly, "v", kRegistryTypeDword, &number, 4), kRegistryAccessDenied);
    RegistryCloseKey(readOnly);
    RegistryHandle root = 0;  // remote machines are refused; this machine is local
    EXPECT_EQ(RegistryConnect("\\\\some-other-machine-name", kRegistryLocalMachine, &root), kRegistryBadNetPath);
    char local[256];
    ASSERT_TRUE(GetHostName(local, sizeof(local)));
    RegistryHandle users = 0;
    EXPECT_EQ((std::vector<long>{RegistryConnect(nullptr, kRegistryLocalMachine, &root),
                                 RegistryConnect(local, kRegistryUsers, &users)}),
              std::vector<long>(2, kRegistrySuccess));
    EXPECT_EQ(std::make_pair(root, users), std::make_pair(kRegistryLocalMachine, kRegistryUsers));
}

TEST_F(RegistryStore, AFileWrittenByHandIsReadMalformedLinesPassedOverAndTheDefaultFileLiesInTheConfigFolder) {
    scratch_.WriteFile("registry.txt",
                       "; comment\r\n[Deep\\\\Key]\r\n\"n\"=dword:00000010\r\n\"bad\"=dword:zz\r\n"
                       "garbage\r\n\"s\"=\"x\\x41y\"\r\n");
    RegistryHandle key = 0;
    ASSERT_EQ(RegistryOpenKey(kRegistryCurrentUser, "Deep\\Key", kRegistryRead, &key), kRegistrySuccess);
    EXPECT_EQ(QueryDword(key, "n"), 16u);
    long error = 0;
    QueryDword(key, "bad", &error);
    EXPECT_EQ(error, kRegistryFileNotFound);
    char text[8] = {};
    std::uint32_t size = sizeof(text);
    ASSERT_EQ(RegistryQueryValue(key, "s", nullptr, text, &size), kRegistrySuccess);
    EXPECT_STREQ(text, "xAy");
    RegistryCloseKey(key);
    // The parent of a key named only by its full path exists too.
    EXPECT_EQ(RegistryOpenKey(kRegistryCurrentUser, "Deep", kRegistryRead, &key), kRegistrySuccess);
    RegistryCloseKey(key);
    ScopedEnvironment noOverride("WYX_REGISTRY_FILE", "");
    ScopedEnvironment config("XDG_CONFIG_HOME", scratch_.Join("config"));
    EXPECT_EQ(RegistryFilePath(), scratch_.Join("config/wyx/registry.txt"));
    RegistryCloseKey(Create("K"));
    EXPECT_NE(ScratchFolder::ReadFile(scratch_.Join("config/wyx/registry.txt")).find("[K]"), std::string::npos);
    ScopedEnvironment relative("XDG_CONFIG_HOME", "relative");
    ScopedEnvironment home("HOME", scratch_.Join("home"));
    EXPECT_EQ(RegistryFilePath(), scratch_.Join("home/.config/wyx/registry.txt"));
}

// A change that cannot be written leaves the file as it was and tells the system's reason: a
// disk with no room for it (here the size limit), a file below a regular file.
TEST_F(RegistryStore, AChangeThatCannotBeWrittenTellsTheSystemsReason) {
    const RegistryHandle key = Create("SOFTWARE\\Pellix");
    const std::string before = FileText();
    const std::uint32_t number = 7;
    {
        const FileSizeLimit full(before.size());
        EXPECT_EQ(RegistrySetValue(key, "Count", kRegistryTypeDword, &number, 4), kRegistryIoFailed);
        EXPECT_EQ(RegistryLastFileError(), EFBIG);
    }
    EXPECT_EQ(FileText(), before);
    EXPECT_EQ(RegistrySetValue(key, "Count", kRegistryTypeDword, &number, 4), kRegistrySuccess);
    EXPECT_EQ(RegistryLastFileError(), 0);

    ScopedEnvironment below("WYX_REGISTRY_FILE", scratch_.WriteFile("plain", "") + "/registry.txt");
    RegistryHandle created = 0;
    EXPECT_EQ(RegistryCreateKey(kRegistryCurrentUser, "SOFTWARE", nullptr, kRegistryAllAccess, &created, nullptr),
              kRegistryIoFailed);
    EXPECT_EQ(RegistryLastFileError(), ENOTDIR);
    EXPECT_EQ(RegistryCloseKey(key), kRegistrySuccess);
}
