#include "formats/3ds/RStreamOptions3ds.h"

namespace {

struct OptionRow {
    int slot;
    const char* label;
    int value;
    int direction;
    int dependsOn;
};

// Set in this order by every reset.
constexpr OptionRow kOptions[] = {
    {RStreamOptions3ds::kCreateReferenceNode, "Create Reference Node", 0, RStreamOptionsBase::kOptionForBoth, 0},
    {RStreamOptions3ds::kMaterials, "Materials", 1, RStreamOptionsBase::kOptionForBoth, 0},
    {RStreamOptions3ds::kTextureMapping, "Texture Mapping", 1, RStreamOptionsBase::kOptionForBoth,
     RStreamOptions3ds::kMaterials},
    {RStreamOptions3ds::kAnimation, "Anim", 1, RStreamOptionsBase::kOptionForBoth, 0},
    {RStreamOptions3ds::kGeometries, "Geometries", 1, RStreamOptionsBase::kOptionForBoth, 0},
    {RStreamOptions3ds::kLights, "Lights", 1, RStreamOptionsBase::kOptionForBoth, 0},
    {RStreamOptions3ds::kCamera, "Camera", 1, RStreamOptionsBase::kOptionForBoth, 0},
    {RStreamOptions3ds::kAmbientLight, "Ambient Light", 1, RStreamOptionsBase::kOptionForBoth, 0},
    {RStreamOptions3ds::kRescale, "Rescale", 1, RStreamOptionsBase::kOptionForBoth, 0},
    {RStreamOptions3ds::kReduceKeys, "Reduce Keys", 0, RStreamOptionsBase::kOptionForReading, 0},
    {RStreamOptions3ds::kSmoothGroup, "Smooth Group", 1, RStreamOptionsBase::kOptionForBoth, 0},
    {RStreamOptions3ds::kUvPerPolygon, "UV per polygon", 1, RStreamOptionsBase::kOptionForWriting, 0},
};

}  // namespace

RStreamOptions3ds* RStreamOptions3ds::Create() { return CreatePlugObject<RStreamOptions3ds>(nullptr); }

RStreamOptions3ds::RStreamOptions3ds() { ResetOptions(); }

void RStreamOptions3ds::ResetHooks() {
    RStreamOptions::ResetHooks();
    ResetOptions();
}

void RStreamOptions3ds::ResetOptions() {
    for (const OptionRow& row : kOptions) {
        SetOptionValue(row.slot, row.value);
        SetOptionEnabled(row.slot, 1);
        SetOptionDirection(row.slot, row.direction);
        SetOptionMaximum(row.slot, 1);
        SetOptionLabel(row.slot, RString(row.label));
        SetOptionExtra(row.slot, row.dependsOn);
    }
    for (int& field : ownFields_) {
        field = 0;
    }
}
