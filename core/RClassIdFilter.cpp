#include "core/RClassIdFilter.h"

bool RClassIdFilter::Accept(const RPlug* plug) const {
    return classId_ == kNoClassId || (plug != nullptr && plug->Is(classId_));
}

bool RClassIdFilter::IsEqual(const RPlugFilter* other) const {
    return other != nullptr && other->Is(ClassId()) &&
           static_cast<const RClassIdFilter*>(other)->classId_ == classId_;
}
