#include "platform/SystemServices.h"
#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

int Format(char* buffer, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = platform::FormatText(buffer, size, format, args);
    va_end(args);
    return result;
}

}  // namespace

TEST(SystemServices, FormattingIgnoresTheLocaleAndKeepsToTheBufferHostNamesFitAndLocalTimeIsTheCalendars) {
    char buffer[32];
    {
        const CommaLocale commaLocale;
        ASSERT_TRUE(commaLocale.IsActive()) << "a locale with a decimal comma is needed";
        EXPECT_EQ(Format(buffer, sizeof(buffer), "%.2f|%d", 1.5, 7), 6);
    }
    EXPECT_STREQ(buffer, "1.50|7");
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(Format(small, sizeof(small), "%s", "abcdef"), 6);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(Format(small, sizeof(small), nullptr), -1);
    EXPECT_STREQ(small, "");
    char name[256];
    ASSERT_TRUE(platform::GetHostName(name, sizeof(name)));
    EXPECT_GT(std::strlen(name), 0u);
    char tiny[1] = {'x'};
    EXPECT_FALSE(platform::GetHostName(tiny, sizeof(tiny)));
    EXPECT_EQ(tiny[0], '\0');
    EXPECT_FALSE(platform::GetHostName(nullptr, 10));
    // Months count from 1; the fields are the calendar's, read before or after the call.
    const auto minute = [](const std::tm& t) {
        return ((((t.tm_year + 1900LL) * 100 + t.tm_mon + 1) * 100 + t.tm_mday) * 100 + t.tm_hour) * 100 + t.tm_min;
    };
    const std::time_t before = std::time(nullptr);
    platform::LocalTime now;
    ASSERT_TRUE(platform::GetLocalTime(now));
    const std::time_t after = std::time(nullptr);
    std::tm first{}, last{};
    ASSERT_TRUE(::localtime_r(&before, &first) != nullptr && ::localtime_r(&after, &last) != nullptr);
    const long long got = ((((now.year * 100LL + now.month) * 100 + now.day) * 100 + now.hour) * 100) + now.minute;
    EXPECT_TRUE(got == minute(first) || got == minute(last)) << got << " vs " << minute(first);
    EXPECT_TRUE(now.second <= 60 && now.millisecond >= 0 && now.millisecond <= 999) << now.millisecond;
}


namespace {

// The kernel's flags of the mapping that holds the address ("VmFlags" of /proc/self/smaps).
std::string MappingFlags(const void* address) {
    std::ifstream maps("/proc/self/smaps");
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    bool inside = false;
    for (std::string line; std::getline(maps, line);) {
        std::uintptr_t begin = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> begin >> dash >> end && dash == '-') {
            inside = begin <= at && at < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line + " ";
        }
    }
    return std::string();
}

}  // namespace

TEST(SystemServices, LargePagesAreAskedForTheWholePagesOnlyAndKeepTheBytes) {
    const long page = ::sysconf(_SC_PAGESIZE);
    ASSERT_GT(page, 0);
    const std::size_t bytes = std::size_t{8} << 20;
    void* fresh = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(fresh, MAP_FAILED);
    auto* base = static_cast<unsigned char*>(fresh);
    for (std::size_t i = 0; i < bytes; i += 4096) base[i] = static_cast<unsigned char>(i / 4096 + 1);
    EXPECT_EQ(std::string::npos, MappingFlags(base + bytes / 2).find(" hg "));
    // From inside the first page to inside the last: only the whole pages between are asked.
    if (!platform::PreferLargePages(base + 1, bytes - 2)) {
        ::munmap(fresh, bytes);
        GTEST_SKIP() << "the system has no large pages to ask for";
    }
    EXPECT_NE(std::string::npos, MappingFlags(base + bytes / 2).find(" hg "));
    EXPECT_EQ(std::string::npos, MappingFlags(base).find(" hg "));
    EXPECT_EQ(std::string::npos, MappingFlags(base + bytes - 1).find(" hg "));
    for (std::size_t i = 0; i < bytes; i += 4096) ASSERT_EQ(base[i], static_cast<unsigned char>(i / 4096 + 1)) << i;
    EXPECT_FALSE(platform::PreferLargePages(base + 1, static_cast<std::size_t>(page) - 1));
    EXPECT_FALSE(platform::PreferLargePages(nullptr, bytes));
    ::munmap(fresh, bytes);
}

TEST(SystemServices, MemoryPreparedForWritingIsBackedWholeAndKeepsItsBytes) {
    const long page = ::sysconf(_SC_PAGESIZE);
    ASSERT_GT(page, 0);
    const std::size_t pages = 64;
    const std::size_t bytes = pages * static_cast<std::size_t>(page);
    void* fresh = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(fresh, MAP_FAILED);
    std::vector<unsigned char> resident(pages);
    ASSERT_EQ(::mincore(fresh, bytes, resident.data()), 0);
    ASSERT_EQ(std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return (r & 1) != 0; }), 0);
    // From inside the first page to inside the last: only the whole pages between are backed.
    auto* base = static_cast<unsigned char*>(fresh);
    base[0] = 5;
    EXPECT_TRUE(platform::PrepareForWriting(base + 1, bytes - 2));
    ASSERT_EQ(::mincore(fresh, bytes, resident.data()), 0);
    EXPECT_EQ(resident.front() & 1, 1);
    for (std::size_t p = 1; p + 1 < pages; ++p) EXPECT_EQ(resident[p] & 1, 1) << p;
    EXPECT_EQ(resident.back() & 1, 0);
    EXPECT_EQ(base[0], 5);
    EXPECT_EQ(base[bytes / 2], 0);
    ::munmap(fresh, bytes);

    // Written memory keeps what it holds; ranges without a whole page are left alone.
    std::vector<unsigned char> written(bytes, 0);
    for (std::size_t i = 0; i < bytes; ++i) written[i] = static_cast<unsigned char>(i * 7);
    EXPECT_TRUE(platform::PrepareForWriting(written.data(), bytes));
    for (std::size_t i = 0; i < bytes; ++i) ASSERT_EQ(written[i], static_cast<unsigned char>(i * 7)) << i;
    EXPECT_FALSE(platform::PrepareForWriting(written.data() + 1, static_cast<std::size_t>(page) - 1));
    EXPECT_FALSE(platform::PrepareForWriting(nullptr, bytes));
}
