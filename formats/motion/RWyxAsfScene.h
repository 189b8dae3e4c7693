#ifndef WYX_FORMATS_MOTION_RWYXASFSCENE_H
#define WYX_FORMATS_MOTION_RWYXASFSCENE_H

// An ASF skeleton: its name, unit settings and tree of bones. It outlives the read or write
// that made it: the ASF reader and writer hand it to the motion options, where the AMC reader
// or writer that follows finds it. Made with Create, ended with Destroy.
//
// The length unit says how long a file length is: L stands for L x 2.54 / length unit
// centimetres. The angle unit (1 for "deg", 180 / pi for "rad") scales AMC rotations only.
//
// The conversions between the skeleton and scene nodes are here: nodes from bones (a new tree
// or merged into an existing one), and bones from a node tree for export.

#include "core/RObject.h"
#include "core/RVector4.h"
#include "formats/motion/RAsfBone.h"

#include <memory>
#include <string>

class RMadeUpNames;
class RStreamOptionsMotion;
class RWyxNode;
class RWyxObjectFactory;

class RWyxAsfScene : public RObject {
    WYX_DECLARE_CLASS(RWyxAsfScene)

public:
    static constexpr int kMaxNameLength = 1023;
    // The longest skeleton name a read keeps.
    static constexpr int kMaxReadNameLength = 50;
    static constexpr double kRadiansUnit = 57.29577951308232;

    static RWyxAsfScene* Create();
    RWyxAsfScene() = default;

    // The skeleton name (not the object-model name).
    const char* GetName() const override { return name_.c_str(); }
    void SetSkeletonName(const char* text);
    // The skeleton an ASF read or write left in the options; null when they hold none.
    static RWyxAsfScene* FromOptions(const RStreamOptionsMotion& options);
    // The name of the node the skeleton's nodes hang under: the skeleton name (or "ASF")
    // followed by ":reference", or the name NameMadeUpNodes gave it.
    RString GetReferenceName() const;
    // Names the nodes a read makes besides the bones' so that they yield to the bones' names
    // (RMadeUpNames): each bone's end node (RAsfBone::endNodeName) and the reference node.
    void NameMadeUpNodes();

    double massUnit = 1.0;
    double lengthUnit = 1.0;
    double angleUnit = 1.0;

    RAsfBone* GetRoot() const { return root_.get(); }
    // Replaces the bone tree (the old one is destroyed).
    void SetRoot(std::unique_ptr<RAsfBone> root) { root_ = std::move(root); }
    std::unique_ptr<RAsfBone> TakeRoot() { return std::move(root_); }

    // ---- nodes from the skeleton ------------------------------------------------------------------
    // A new node tree for the bones; null without a root bone.
    RWyxNode* CreateNodes(RWyxObjectFactory& factory, const char* takeName, bool limits);
    // Puts the bones' rest values and curves on the nodes of the same names below the parent,
    // making the missing ones.
    void MergeNodes(RWyxObjectFactory& factory, RWyxNode* parent, const char* takeName, bool limits);

    // ---- skeleton from nodes -------------------------------------------------------------------------
    // Named "ASF" with length unit 1: a root bone with all six DOFs for the node, and below it a
    // bone per node (dummy bones where children sit at different offsets, each named after its
    // child with "Dummy", or with the first number after that which no node below the root
    // and no other bone bears; the child's name cut so that the whole is at most
    // RAsfBone::kMaxReadNameLength bytes, as a read keeps no more), DOFs rx, ry, rz (after
    // tx, ty, tz with translationDofs). Scale multiplies every offset.
    bool BuildFromNode(RWyxNode* rootNode, bool translationDofs, const RVector4& scale);
    // Binds every bone to the node of its name below the root node (the root bone to the root
    // node), for an AMC write; a bone without a node is left unbound.
    bool BindToNodes(RWyxNode* rootNode);

protected:
    ~RWyxAsfScene() override = default;

private:
    // The root bone: "root" with the DOFs tx, ty, tz, rx, ry, rz, bound to the node.
    void CreateRootBone(RWyxNode* node);
    // Dummy bones are named "<child>Dummy", yielding to the names of the nodes (names).
    void BuildBones(RWyxNode* node, RAsfBone* bone, bool translationDofs, const RVector4& scale, RMadeUpNames& names);
    void BoneFromNode(RAsfBone* bone, const RVector4& rotation, const RVector4& end, const RVector4& scale) const;

    std::string name_;
    std::string referenceName_;
    std::unique_ptr<RAsfBone> root_;
};

#endif
