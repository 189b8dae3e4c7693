#include "core/RWyxTimeStamp.h"

#include "platform/SystemServices.h"

void RWyxTimeStamp::Clear() { *this = RWyxTimeStamp(); }

void RWyxTimeStamp::SetToLocalTime() {
    platform::LocalTime now;
    if (!platform::GetLocalTime(now)) {
        Clear();
        return;
    }
    year = now.year;
    month = now.month;
    day = now.day;
    hour = now.hour;
    minute = now.minute;
    second = now.second;
    millisecond = now.millisecond;
}
