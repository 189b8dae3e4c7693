#ifndef WYX_CORE_RCLASSIDFILTER_H
#define WYX_CORE_RCLASSIDFILTER_H

// A connection filter that takes the plugs of one class (and its subclasses). The filter of
// class id -1 takes every plug, and also the absence of one.

#include "core/RPlugFilter.h"

class RClassIdFilter : public RPlugFilter {
    WYX_DECLARE_CLASS(RClassIdFilter)

public:
    explicit RClassIdFilter(int classId) : classId_(classId) {}

    bool Accept(const RPlug* plug) const override;
    bool IsEqual(const RPlugFilter* other) const override;

    int GetFilterClassId() const { return classId_; }

private:
    int classId_;
};

#endif
