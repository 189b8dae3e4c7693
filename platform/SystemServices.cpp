#include "platform/SystemServices.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <locale.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

namespace {

// The "C" locale, made once and kept for the life of the process.
locale_t ClassicLocale() {
    static const locale_t classic = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return classic;
}

}  // namespace

bool GetLocalTime(LocalTime& time) {
    timespec now{};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0) {
        return false;
    }
    std::tm local{};
    if (::localtime_r(&now.tv_sec, &local) == nullptr) {
        return false;
    }
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = local.tm_sec;
    time.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    return true;
}

bool GetHostName(char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) {
        return false;
    }
    char name[HOST_NAME_MAX + 1] = {};
    buffer[0] = '\0';
    if (::gethostname(name, sizeof(name) - 1) != 0) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    if (length == 0 || length >= size) {
        return false;
    }
    std::memcpy(buffer, name, length + 1);
    return true;
}

int FormatText(char* buffer, std::size_t size, const char* format, std::va_list args) {
    if (format == nullptr) {
        if (buffer != nullptr && size > 0) {
            buffer[0] = '\0';
        }
        return -1;
    }
    const locale_t classic = ClassicLocale();
    const locale_t previous = classic != static_cast<locale_t>(nullptr) ? ::uselocale(classic) : nullptr;
    const int result = std::vsnprintf(buffer, size, format, args);
    if (previous != static_cast<locale_t>(nullptr)) {
        ::uselocale(previous);
    }
    if (result < 0 && buffer != nullptr && size > 0) {
        buffer[0] = '\0';
    }
    return result;
}

std::string EnvironmentValue(const char* name) {
    const char* value = name != nullptr ? std::getenv(name) : nullptr;
    return value != nullptr ? std::string(value) : std::string();
}

namespace {

// The whole pages inside the bytes from memory on, advised as given; false when there are
// none or the system refuses the advice.
bool AdviseWholePages(void* memory, std::size_t bytes, int advice) {
    const long page = ::sysconf(_SC_PAGESIZE);
    if (memory == nullptr || page <= 0) {
        return false;
    }
    const auto mask = static_cast<std::uintptr_t>(page) - 1;
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t first = (start + mask) & ~mask;
    const std::uintptr_t end = (start + bytes) & ~mask;
    return end > first && ::madvise(reinterpret_cast<void*>(first), end - first, advice) == 0;
}

}  // namespace

bool PrepareForWriting(void* memory, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    return AdviseWholePages(memory, bytes, MADV_POPULATE_WRITE);
#else
    static_cast<void>(memory);
    static_cast<void>(bytes);
    return false;
#endif
}

bool PreferLargePages(void* memory, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    return AdviseWholePages(memory, bytes, MADV_HUGEPAGE);
#else
    static_cast<void>(memory);
    static_cast<void>(bytes);
    return false;
#endif
}

}  // namespace platform
