#ifndef WYX_FORMATS_GEOMETRY_RSTREAMOPTIONSOBJ_H
#define WYX_FORMATS_GEOMETRY_RSTREAMOPTIONSOBJ_H

// The stream options of the OBJ reader and writer: check boxes in the numbered slots of
// RStreamOptionsBase, set at construction and by every reset.
//
//   slot  label                                default  direction
//   1     "Create Reference Node"              on       reading
//   2     "Force Triangulation"                off      writing
//   3     "Evaluate Link/Shape deformations"   on       writing
// Slots 4 to 17 keep the base's initial values. A check box is on when its value is 1.

#include "fileio/RStreamOptionsBase.h"

class RStreamOptionsObj : public RStreamOptionsBase {
    WYX_DECLARE_CLASS(RStreamOptionsObj)

public:
    static constexpr int kCreateReferenceNode = 1;
    static constexpr int kForceTriangulation = 2;
    static constexpr int kEvaluateDeformations = 3;

    // New options with their reset values; they end with Destroy().
    static RStreamOptionsObj* Create();

    RStreamOptionsObj();

    // The default hooks, then every option of the table.
    void ResetHooks() override;

    // Whether the check box of the slot is on (its value is 1).
    bool IsOn(int slot) const { return GetOptionValue(slot) == 1; }

protected:
    ~RStreamOptionsObj() override = default;

private:
    void ResetOptions();
};

#endif
