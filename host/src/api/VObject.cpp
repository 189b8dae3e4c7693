#include <vexa/VObject.h>

#include "host/src/scene/ObjectRecord.h"

const VObject VObject::kNullObj;

VFn::Type VObject::apiType() const { return record_ ? record_->apiType() : VFn::kInvalid; }

const char* VObject::apiTypeStr() const { return record_ ? record_->apiTypeName() : "kInvalid"; }

bool VObject::hasFn(VFn::Type type) const { return record_ != nullptr && type != VFn::kInvalid && record_->hasFn(type); }
