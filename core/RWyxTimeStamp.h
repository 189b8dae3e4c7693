#ifndef WYX_CORE_RWYXTIMESTAMP_H
#define WYX_CORE_RWYXTIMESTAMP_H

// A calendar time in seven parts: month 1 to 12, day 1 to 31, hour 0 to 23, millisecond
// 0 to 999 once set from the clock.

class RWyxTimeStamp {
public:
    // All seven parts 0.
    void Clear();
    // The local time now; all parts 0 when the clock cannot be read.
    void SetToLocalTime();

    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

#endif
