#ifndef WYX_SCENE_RWYXNODEATTRIBUTE_H
#define WYX_SCENE_RWYXNODEATTRIBUTE_H

// The typed content of a node (null, marker, skeleton, mesh, NURBS, patch, camera, camera
// switcher, light, optical; shapes too): the interface through which the scene graph talks
// to the attribute kinds, which are built on it in the attributes layer.
//
// An attribute keeps a pointer to the node it is attached to (null when detached). Only the
// node changes it: RWyxNode::SetNodeAttribute calls Attach and Detach. An attribute that is
// deleted while attached first takes itself off its node, so that no node keeps pointing at
// a dead attribute.

#include "core/RString.h"
#include "core/RWyxStringList.h"

#include <memory>
#include <vector>

class RFCurveNode;
class RObject;
class RProperty;
class RWyxNode;
class RWyxObjectFactory;
class RWyxTakeNode;

class RWyxNodeAttribute {
public:
    // Type ids of the attribute kinds.
    static constexpr int kShape = 0;
    static constexpr int kNull = 1;
    static constexpr int kMarker = 2;
    static constexpr int kSkeleton = 3;
    static constexpr int kMesh = 4;
    static constexpr int kNurb = 5;
    static constexpr int kPatch = 6;
    static constexpr int kCamera = 7;
    static constexpr int kCameraSwitcher = 8;
    static constexpr int kLight = 9;
    static constexpr int kOptical = 10;

    // `factory` made the attribute (null for one made by a scene itself).
    explicit RWyxNodeAttribute(RWyxObjectFactory* factory) : factory_(factory) {}
    RWyxNodeAttribute(const RWyxNodeAttribute&) = delete;
    RWyxNodeAttribute& operator=(const RWyxNodeAttribute&) = delete;

    // ---- the operations of every kind, in this order -----------------------------------------
    virtual int GetAttributeType() const = 0;
    // Takes itself off the node it is still attached to.
    virtual ~RWyxNodeAttribute();
    // Records the owner node and adds the attribute's channels to every take node of it.
    virtual void Attach(RWyxNode* node);
    // Removes the attribute's channels from every take node of the owner node, then forgets
    // the node.
    virtual void Detach();
    // Adds the attribute's channels under the take node's root curve node (called after the
    // node's own channels).
    virtual void AddChannels(RWyxTakeNode& /*takeNode*/) {}
    // Removes the attribute's channels from one take node.
    virtual void RemoveChannels(RWyxTakeNode& /*takeNode*/) {}
    // Appends the attribute's properties to the list (after the node's).
    virtual void CollectProperties(std::vector<RProperty*>& /*properties*/) const {}
    // The kind's name, such as "Null", "Patch" or "Optical".
    virtual RString GetTypeName() const = 0;
    // The kind's names, the caller's to keep.
    virtual std::unique_ptr<RWyxStringList> GetTypeNameList() const;

    RWyxNode* GetNode() const { return node_; }
    RWyxObjectFactory* GetFactory() const { return factory_; }

private:
    RWyxObjectFactory* factory_;
    RWyxNode* node_ = nullptr;
};

#endif
