#include "attributes/RWyxNullProperties.h"

const RWyxPropertyRow RWyxNullProperties::kRows[kRowCount] = {
    {"Size", "Number", RWyxPropertyDefault::Number(100.0), 0, nullptr},
};

RWyxNullProperties::RWyxNullProperties() { table_.CreateProperties(*this); }
