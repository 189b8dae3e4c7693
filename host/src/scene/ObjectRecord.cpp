#include "host/src/scene/ObjectRecord.h"

namespace vexa_host {

ObjectRecord::~ObjectRecord() = default;

}  // namespace vexa_host
