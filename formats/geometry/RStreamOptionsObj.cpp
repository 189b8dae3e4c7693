#include "formats/geometry/RStreamOptionsObj.h"

#include "formats/geometry/GeometryOptionRows.h"

namespace {

// Set in this order by every reset.
constexpr GeometryOptionRow kOptions[] = {
    {RStreamOptionsObj::kCreateReferenceNode, "Create Reference Node", 1, RStreamOptionsBase::kOptionForReading, 1},
    {RStreamOptionsObj::kForceTriangulation, "Force Triangulation", 0, RStreamOptionsBase::kOptionForWriting, 1},
    {RStreamOptionsObj::kEvaluateDeformations, "Evaluate Link/Shape deformations", 1,
     RStreamOptionsBase::kOptionForWriting, 1},
};

}  // namespace

RStreamOptionsObj* RStreamOptionsObj::Create() { return CreatePlugObject<RStreamOptionsObj>(nullptr); }

RStreamOptionsObj::RStreamOptionsObj() { ResetOptions(); }

void RStreamOptionsObj::ResetHooks() {
    RStreamOptions::ResetHooks();
    ResetOptions();
}

void RStreamOptionsObj::ResetOptions() { ApplyGeometryOptionRows(*this, kOptions); }
