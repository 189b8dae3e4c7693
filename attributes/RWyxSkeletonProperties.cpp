#include "attributes/RWyxSkeletonProperties.h"

const RWyxPropertyRow RWyxSkeletonProperties::kRows[kRowCount] = {
    {"Size", "Number", RWyxPropertyDefault::Number(100.0), 0, nullptr},
    {"LimbLength", "Number", RWyxPropertyDefault::Number(1.0), 0, nullptr},
    {"Color", "Color", RWyxPropertyDefault::Vector(0.8, 0.8, 0.8), 0, nullptr},
};

RWyxSkeletonProperties::RWyxSkeletonProperties() { table_.CreateProperties(*this); }
