#include "core/RPlugRef.h"

#include "core/RPlug.h"

void RPlugRef::Set(const RPlug* plug) {
    cell_ = plug != nullptr ? plug->GetHandleCell() : nullptr;
    serial_ = cell_ != nullptr ? cell_->serial : 0;
}
