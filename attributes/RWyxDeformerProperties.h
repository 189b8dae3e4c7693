#ifndef WYX_ATTRIBUTES_RWYXDEFORMERPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXDEFORMERPROPERTIES_H

// The properties object of a deformer (a skin or one of its clusters). A skin's object is a
// source of the deformed node's properties object and has its clusters' objects as sources;
// a cluster's object has its link node's properties object as a source. The cluster's
// associate model is the source of its object property "SrcModelReference". Completed with
// the deformer.

#include "attributes/RWyxOwnedProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RObjectProperty;

class RWyxDeformerProperties : public RWyxOwnedProperties {
    WYX_DECLARE_CLASS(RWyxDeformerProperties)

public:
    enum Row { kSrcModelReference, kRowCount };
    // name, data type, default, flags:
    //   "SrcModelReference"  object  (none)
    static const RWyxPropertyRow kRows[kRowCount];

    // `owner` is the owning deformer (not owned; null for an object used on its own).
    explicit RWyxDeformerProperties(RWyxPropertyOwner* owner);
    // A new object on the heap; it ends through Destroy().
    static RWyxDeformerProperties* Create(RWyxPropertyOwner* owner);

    // "SrcModelReference"; null once it is gone.
    RObjectProperty* GetSrcModelReference() const;

    const RWyxPropertyTable& GetTable() const override { return table_; }
    RWyxPropertyTable& GetTable() override { return table_; }

protected:
    ~RWyxDeformerProperties() override = default;

private:
    RWyxPropertyTable table_{kRows};
};

#endif
