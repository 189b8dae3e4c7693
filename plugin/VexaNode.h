#ifndef WYX_PLUGIN_VEXANODE_H
#define WYX_PLUGIN_VEXANODE_H

// An SDK node that also stands for host objects: the DAG path of the host transform, the
// host dependency node (lights, cameras, merge binding), the offsets that match host
// transforms, the namespace the node belongs to in the host, and the flags the import and
// the export keep on it. Every node a VexaObjectFactory makes is a VexaNode; it lives as long
// as the scene that owns it and is destroyed through the factory.

#include "core/RStringMap.h"
#include "core/RString.h"
#include "scene/RWyxNode.h"

#include <vexa/VDagPath.h>
#include <vexa/VObject.h>
#include <vexa/VString.h>

#include <memory>

class VexaNode : public RWyxNode {
public:
    // `name` is the full name. Nothing is bound; offsets zero, scaling one; no shape child.
    VexaNode(RWyxObjectFactory* factory, const RString& name);
    // Deletes the attribute names.
    ~VexaNode() override;

    // A copy of the path is bound; null unbinds.
    void SetDagPath(const VDagPath* path);
    // The path is bound, taken over rather than copied.
    void SetDagPath(VDagPath&& path);
    // The bound path, or null.
    const VDagPath* GetDagPath() const { return dagPathBound_ ? &dagPath_ : nullptr; }
    void SetObject(const VObject* object);
    const VObject* GetObject() const { return objectBound_ ? &object_ : nullptr; }

    void SetOffsetTranslation(double x, double y, double z);
    void SetOffsetRotation(double x, double y, double z);
    void SetOffsetScaling(double x, double y, double z);
    const double* GetOffsetTranslation() const { return offsetTranslation_; }
    const double* GetOffsetRotation() const { return offsetRotation_; }
    const double* GetOffsetScaling() const { return offsetScaling_; }
    // Three doubles the export keeps on the node.
    double* GetExportVector() { return exportVector_; }

    // The index of the host shape under the transform; -1 for none.
    void SetShapeChildIndex(int index) { shapeChildIndex_ = index; }
    int GetShapeChildIndex() const { return shapeChildIndex_; }

    void SetHostName(const VString& name) { hostName_ = name; }
    const VString& GetHostName() const { return hostName_; }
    // Set when merge binding bound the node to an existing host node.
    void SetMerged(bool merged) { merged_ = merged; }
    bool IsMerged() const { return merged_; }
    void SetExportFlag(bool flag) { exportFlag_ = flag; }
    bool GetExportFlag() const { return exportFlag_; }
    // Per SDK direction (0 U, 1 V): the NURBS was made open with its first order - 1 control
    // points repeated.
    void SetNurbsNonUniform(int direction, bool flag);
    bool IsNurbsNonUniform(int direction) const;

    // The host namespace and whether a new namespace begins at this node.
    void SetNamespace(const RString& name, bool starts);
    void GetNamespace(RString& name, bool& starts) const;

    // The host attribute name of a property (case-insensitive); a later name for the same
    // property does not replace the first. Null when none is recorded.
    void AddAttributeName(const char* propertyName, const RString& attributeName);
    const RString* FindAttributeName(const char* propertyName) const;

    // Forwarded to the node's pivot sets.
    void SetPivotStateOf(int set, int state) { SetPivotState(set, state); }
    int GetPivotStateOf(int set) const;

private:
    bool dagPathBound_ = false;
    VDagPath dagPath_;
    bool objectBound_ = false;
    VObject object_;
    double exportVector_[3] = {0.0, 0.0, 0.0};
    double offsetTranslation_[3] = {0.0, 0.0, 0.0};
    double offsetRotation_[3] = {0.0, 0.0, 0.0};
    double offsetScaling_[3] = {1.0, 1.0, 1.0};
    int shapeChildIndex_ = -1;
    VString hostName_;
    bool merged_ = false;
    // Both are made when first set: most nodes have no namespace and no attribute name.
    std::unique_ptr<RString> namespace_;  // null stands for the empty text
    bool namespaceStart_ = false;
    std::unique_ptr<RStringMap> attributeNames_;  // property name -> owned RString
    bool exportFlag_ = false;
    bool nurbsNonUniform_[2] = {false, false};
};

#endif
