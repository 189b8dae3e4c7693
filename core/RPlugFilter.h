#ifndef WYX_CORE_RPLUGFILTER_H
#define WYX_CORE_RPLUGFILTER_H

// The base of connection filters: decides which plugs a plug takes and which of its
// owner's connections a registered child mirrors. The base accepts nothing.

#include "core/RPlug.h"

class RPlugFilter : public RPlug {
    WYX_DECLARE_CLASS(RPlugFilter)

public:
    virtual bool Accept(const RPlug* /*plug*/) const { return false; }
    virtual bool IsEqual(const RPlugFilter* /*other*/) const { return false; }
};

#endif
