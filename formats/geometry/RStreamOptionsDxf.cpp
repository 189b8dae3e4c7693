#include "formats/geometry/RStreamOptionsDxf.h"

#include "formats/geometry/GeometryOptionRows.h"

namespace {

// Set in this order by every reset.
constexpr GeometryOptionRow kOptions[] = {
    {RStreamOptionsDxf::kCreateReferenceNode, "Create Reference Node", 1, RStreamOptionsBase::kOptionForReading, 1},
    {RStreamOptionsDxf::kWeldVertices, "Weld Vertices", 1, RStreamOptionsBase::kOptionForReading, 1},
    {RStreamOptionsDxf::kObjectDerivationHeading, "Object Derivation", 0, RStreamOptionsBase::kOptionForReading, 0},
    {RStreamOptionsDxf::kObjectDerivation, "Layer~Block~Entity", 0, RStreamOptionsBase::kOptionForReading, 2},
    {RStreamOptionsDxf::kForceTriangulation, "Force Triangulation", 1, RStreamOptionsBase::kOptionForWriting, 1},
    {RStreamOptionsDxf::kEvaluateDeformations, "Evaluate Link/Shape deformations", 1,
     RStreamOptionsBase::kOptionForWriting, 1},
};

}  // namespace

RStreamOptionsDxf* RStreamOptionsDxf::Create() { return CreatePlugObject<RStreamOptionsDxf>(nullptr); }

RStreamOptionsDxf::RStreamOptionsDxf() { ResetOptions(); }

void RStreamOptionsDxf::ResetHooks() {
    RStreamOptions::ResetHooks();
    ResetOptions();
}

void RStreamOptionsDxf::ResetOptions() {
    ApplyGeometryOptionRows(*this, kOptions);
    derivationMode_ = kByLayer;
}

int RStreamOptionsDxf::GetObjectDerivation() {
    switch (GetOptionValue(kObjectDerivation)) {
        case kChoiceLayer: derivationMode_ = kByLayer; break;
        case kChoiceBlock: derivationMode_ = kByBlock; break;
        case kChoiceEntity: derivationMode_ = kByEntity; break;
        default: break;
    }
    return derivationMode_;
}
