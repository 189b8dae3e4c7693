#ifndef WYX_HOSTIMPORT_VEXAIMPORTROOTADAPTOR_H
#define WYX_HOSTIMPORT_VEXAIMPORTROOTADAPTOR_H

// The import's side of the SDK's root-node conversion: the roots that motion formats insert
// ("BVH:reference" and its kin) are recognised and renamed to the root name; a root is only
// converted when merge binding has not bound it to a host node; the target conversion is the
// host's: a uniform scale by the import master scale, turned 90 degrees about X when the
// host's up axis is Z; and the matrix the conversion hands back is kept as the root matrix,
// which ReinsertRootNode (MergeBinding.h) puts back above the scene's top nodes.
//
// The master scale comes from the plug-in options, which refuse a scale out of range
// wherever it enters (command, dialog, registry): a refused value leaves the default 1.

#include "core/RMatrix.h"
#include "scene/RWyxRootNodeConverter.h"

#include <memory>

class VexaImportRootAdaptor : public RWyxRootNodeConverter {
public:
    // True when the current name holds "BVH:reference", "HTR:reference", "ASF:reference" or
    // "AMC:reference" (the first of them that it holds): that text is replaced by the root
    // name, in the initial and the current name.
    bool IsReferenceNode(RWyxNode* node) const override;
    // The converter's own test, for a node that merge binding did not bind.
    bool IsConvertibleRoot(RWyxNode* node) const;
    // Scale by the import master scale; with the host's up axis "z", then 90 degrees about X.
    void GetHostRootDefaults(RMatrix& out) const;
    // The converter's own operation; the matrix is kept as the root matrix.
    void KeepRootMatrix(RWyxNode* node, const RMatrix& matrix);

    // The converter's operations are the three above.
    bool IsNodeToConvert(RWyxNode* node) const override { return IsConvertibleRoot(node); }
    void GetConversionMatrix(RMatrix& out) override { GetHostRootDefaults(out); }
    void ApplyRootMatrix(RWyxNode* node, const RMatrix& matrix) override { KeepRootMatrix(node, matrix); }

    // Null until the root conversion ran.
    const RMatrix* GetRootMatrix() const { return rootMatrix_.get(); }
    void ReleaseRootMatrix() { rootMatrix_.reset(); }

private:
    std::unique_ptr<RMatrix> rootMatrix_;
};

#endif
