#ifndef WYX_FORMATS_GEOMETRY_RSTREAMOPTIONSDXF_H
#define WYX_FORMATS_GEOMETRY_RSTREAMOPTIONSDXF_H

// The stream options of the DXF reader and writer, in the numbered slots of
// RStreamOptionsBase, set at construction and by every reset (in the order 1, 4, 5, 6, 2, 3):
//
//   slot  label                                kind        default  direction
//   1     "Create Reference Node"              check box   on       reading
//   4     "Weld Vertices"                      check box   on       reading
//   5     "Object Derivation"                  heading     0        reading
//   6     "Layer~Block~Entity"                 choice 0-2  Layer    reading
//   2     "Force Triangulation"                check box   on       writing
//   3     "Evaluate Link/Shape deformations"   check box   on       writing
// Slots 7 to 17 keep the base's initial values. A check box is on when its value is 1.

#include "fileio/RStreamOptionsBase.h"

class RStreamOptionsDxf : public RStreamOptionsBase {
    WYX_DECLARE_CLASS(RStreamOptionsDxf)

public:
    static constexpr int kCreateReferenceNode = 1;
    static constexpr int kForceTriangulation = 2;
    static constexpr int kEvaluateDeformations = 3;
    static constexpr int kWeldVertices = 4;
    static constexpr int kObjectDerivationHeading = 5;
    static constexpr int kObjectDerivation = 6;

    // Choices of slot 6.
    static constexpr int kChoiceLayer = 0;
    static constexpr int kChoiceBlock = 1;
    static constexpr int kChoiceEntity = 2;

    // The reader's grouping modes that GetObjectDerivation answers.
    static constexpr int kByLayer = 0;
    static constexpr int kByEntity = 1;
    static constexpr int kByBlock = 2;

    // New options with their reset values; they end with Destroy().
    static RStreamOptionsDxf* Create();

    RStreamOptionsDxf();

    // The default hooks, then every option of the table; the derivation mode becomes 0.
    void ResetHooks() override;

    bool IsOn(int slot) const { return GetOptionValue(slot) == 1; }

    // The grouping mode of slot 6's choice: Layer gives kByLayer, Block kByBlock, Entity
    // kByEntity. The mode is kept, so any other choice answers the mode kept before.
    int GetObjectDerivation();

protected:
    ~RStreamOptionsDxf() override = default;

private:
    void ResetOptions();

    int derivationMode_ = kByLayer;
};

#endif
