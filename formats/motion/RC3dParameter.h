#ifndef WYX_FORMATS_MOTION_RC3DPARAMETER_H
#define WYX_FORMATS_MOTION_RC3DPARAMETER_H

// One record of a C3D parameter section: a group (negative id) or a parameter of the group
// whose id it carries, with its value.

#include "formats/motion/RC3dArray.h"

#include <string>

struct RC3dParameter {
    // The longest name kept; longer names in a file are cut to it.
    static constexpr std::size_t kMaxNameLength = 31;

    std::string name;
    bool locked = false;
    int groupId = 0;
    // Parameters only; empty (not valid) when the record's type byte is unknown.
    RC3dArray value;
    std::string description;

    bool IsGroup() const { return groupId < 0; }
};

#endif
