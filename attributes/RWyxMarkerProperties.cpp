#include "attributes/RWyxMarkerProperties.h"

namespace {

const char* LookNameOf(const RProperty& /*property*/, int value) { return RWyxMarkerProperties::LookName(value); }

using Default = RWyxPropertyDefault;
constexpr std::uint32_t kAnimatable = RWyxPropertyRow::kAnimatable;

}  // namespace

// The channel properties carry the data type of their name: readers find their curves by it.
const RWyxPropertyRow RWyxMarkerProperties::kRows[kRowCount] = {
    {"Look", "Enum", Default::Number(0), 0, &LookNameOf},
    {"Size", "Number", Default::Number(100.0), 0, nullptr},
    {"Color", "Color", Default::Vector(1.0, 0.0, 0.0), 0, nullptr},
    {"ShowLabel", "Bool", Default::Flag(false), 0, nullptr},
    {"Occlusion", "Occlusion", Default::Number(0.0), kAnimatable, nullptr},
    {"IK Reach Translation", "IK Reach Translation", Default::Number(0.0), kAnimatable, nullptr},
    {"IK Reach Rotation", "IK Reach Rotation", Default::Number(0.0), kAnimatable, nullptr},
};

RWyxMarkerProperties::RWyxMarkerProperties() { table_.CreateProperties(*this); }

const char* RWyxMarkerProperties::LookName(int look) {
    static const char* const kNames[] = {"Cube", "HardCross", "LightCross", "Sphere"};
    return RWyxPropertyTable::NameAt(kNames, look);
}
