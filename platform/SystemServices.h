#ifndef WYX_PLATFORM_SYSTEMSERVICES_H
#define WYX_PLATFORM_SYSTEMSERVICES_H

// Small services of the operating system: the local clock, the machine's name, text
// formatting that does not depend on the process locale, and backing fresh memory in bulk.

#include <cstdarg>
#include <cstddef>
#include <string>

namespace platform {

// A local calendar time: month 1 to 12, day 1 to 31, hour 0 to 23, millisecond 0 to 999.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The current local time; false (time left as it was) when the clock cannot be read.
bool GetLocalTime(LocalTime& time);

// The machine's name (its host name) into buffer, terminated. False when it cannot be read
// or does not fit the buffer with its terminator; the buffer then holds the empty text
// (when size allows any text at all).
bool GetHostName(char* buffer, std::size_t size);

// vsnprintf in the "C" locale, whatever the process locale is: numbers always use '.' as
// their decimal point. Answers what vsnprintf answers; the buffer is always terminated
// when size is at least 1.
int FormatText(char* buffer, std::size_t size, const char* format, std::va_list args);

// The value of an environment variable; the empty text when it is not set.
std::string EnvironmentValue(const char* name);

// Has the system back every whole page inside the bytes from memory on in one call, as a
// write to each would, for memory about to be written throughout: its pages are then not
// faulted in one at a time. The contents stay as they are. False where the system offers
// no such call or refuses it (nothing then changes).
bool PrepareForWriting(void* memory, std::size_t bytes);

// Asks the system to back the whole pages inside the bytes from memory on with large pages
// where it can: a large block then takes a few faults and mappings instead of one per page.
// The contents stay as they are. False where the system offers no such call or refuses it
// (nothing then changes).
bool PreferLargePages(void* memory, std::size_t bytes);

}  // namespace platform

#endif
