#include "platform/SystemServices.h"
#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

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

