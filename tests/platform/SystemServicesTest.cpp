#include "platform/SystemServices.h"
#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

namespace {

int Format(char* buffer, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = platform::FormatText(buffer, size, format, args);
    va_end(args);
    return result;
}

}  // namespace

TEST(SystemServices, FormattingIgnoresTheProcessLocale) {
    const CommaLocale commaLocale;
    ASSERT_TRUE(commaLocale.IsActive()) << "a locale with a decimal comma is needed";
    char buffer[32];
    EXPECT_EQ(Format(buffer, sizeof(buffer), "%.2f|%d", 1.5, 7), 6);
    EXPECT_STREQ(buffer, "1.50|7");
}

TEST(SystemServices, FormattingNeverPassesTheBuffer) {
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(Format(buffer, sizeof(buffer), "%s", "abcdef"), 6);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(Format(buffer, sizeof(buffer), nullptr), -1);
    EXPECT_STREQ(buffer, "");
}

TEST(SystemServices, HostNameMustFitTheBuffer) {
    char name[256];
    ASSERT_TRUE(platform::GetHostName(name, sizeof(name)));
    EXPECT_GT(std::strlen(name), 0u);
    char tiny[1] = {'x'};
    EXPECT_FALSE(platform::GetHostName(tiny, sizeof(tiny)));
    EXPECT_EQ(tiny[0], '\0');
    EXPECT_FALSE(platform::GetHostName(nullptr, 10));
}

TEST(SystemServices, LocalTimeFieldsLieInTheirRanges) {
    platform::LocalTime now;
    ASSERT_TRUE(platform::GetLocalTime(now));
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.minute, 59);
    EXPECT_LE(now.second, 60);
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LE(now.millisecond, 999);
}
