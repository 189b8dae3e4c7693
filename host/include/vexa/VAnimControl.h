#ifndef VEXA_VANIMCONTROL_H
#define VEXA_VANIMCONTROL_H

// The scene's time: the current time and the playback range. A new scene starts at time 0
// with the range 0 to 10 seconds. Setting one end of the range past the other moves the other
// along. Plugs driven by animation curves read their curves at the
// current time.

#include <vexa/VStatus.h>
#include <vexa/VTime.h>
#include <vexa/VexaExport.h>

class VEXA_API VAnimControl {
public:
    static VTime currentTime();
    static VStatus setCurrentTime(const VTime& time);
    static VTime minTime();
    static VTime maxTime();
    static VStatus setMinTime(const VTime& time);
    static VStatus setMaxTime(const VTime& time);
    static VStatus setMinMaxTime(const VTime& minTime, const VTime& maxTime);
};

#endif
