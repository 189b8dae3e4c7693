#ifndef WYX_FORMATS_GEOMETRY_GEOMETRYOPTIONROWS_H
#define WYX_FORMATS_GEOMETRY_GEOMETRYOPTIONROWS_H

// One option of the OBJ and DXF stream options as their resets set it: the slot, its label,
// value, direction and highest value (1 for a check box, the last choice for a choice list,
// 0 for a heading). Every option is enabled and depends on no other.

#include "fileio/RStreamOptionsBase.h"

struct GeometryOptionRow {
    int slot;
    const char* label;
    int value;
    int direction;
    int maximum;
};

// Sets every field of each row's slot, row by row.
template <int N>
void ApplyGeometryOptionRows(RStreamOptionsBase& options, const GeometryOptionRow (&rows)[N]) {
    for (const GeometryOptionRow& row : rows) {
        options.SetOptionValue(row.slot, row.value);
        options.SetOptionEnabled(row.slot, 1);
        options.SetOptionDirection(row.slot, row.direction);
        options.SetOptionMaximum(row.slot, row.maximum);
        options.SetOptionLabel(row.slot, RString(row.label));
        options.SetOptionExtra(row.slot, 0);
    }
}

#endif
