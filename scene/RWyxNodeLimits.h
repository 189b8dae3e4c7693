#ifndef WYX_SCENE_RWYXNODELIMITS_H
#define WYX_SCENE_RWYXNODELIMITS_H

// The translation, rotation and scaling limits of a node as the older file layout and the
// motion-capture formats know them. Every node owns one, made with the node right after its
// properties object. The limits clamp nothing: readers fill them and writers write them.
//
// Per component (0 translation, 1 rotation, 2 scaling) a record holds the three minimum and
// the three maximum switches with the minimum and maximum vectors, and an active byte; Auto
// is "not active", and a component is enabled when any of its six switches is set. The
// rotation default, rotation axis and rotation type are not stored here: they are the
// pre-rotation, post-rotation and rotation order of the node's pivot set 0. The node
// properties "TranslationActive", "TranslationMin" and the like are separate values (the
// node copies between them around reading and writing).
//
// Any component other than 0, 1 or 2 makes a setter do nothing and a getter answer false or
// a zero vector. The bone classification and the geometry's control points that
// UpdateFromNode needs are defined with the attribute kinds in
// attributes/RWyxNodeLimitsKinds.cpp.

#include "core/RVector4.h"

#include <cstdint>

class RWyxNode;

class RWyxNodeLimits {
public:
    static constexpr int kTranslation = 0;
    static constexpr int kRotation = 1;
    static constexpr int kScaling = 2;
    static constexpr int kComponentCount = 3;

    // What a node is for the bone axis: its children of the same kind give its direction.
    enum class BoneKind { kNoAttribute, kMarker, kRootSkeleton, kOtherSkeleton, kOther };

    // All three components in Auto, no switch set, zero vectors, axis length 1.0.
    explicit RWyxNodeLimits(RWyxNode* node);
    RWyxNodeLimits(const RWyxNodeLimits&) = delete;
    RWyxNodeLimits& operator=(const RWyxNodeLimits&) = delete;
    virtual ~RWyxNodeLimits() = default;

    RWyxNode* GetNode() const { return node_; }

    // Active = not auto. Switching rotation out of Auto also sets RotationSpaceForLimitOnly
    // of the node's pivot set 0.
    void SetAuto(int component, bool isAuto);
    bool GetAuto(int component) const;
    // The active byte alone, as the limit properties ("TranslationActive" ...) carry it.
    void SetActive(int component, bool active);
    bool GetActive(int component) const;
    // Sets all six switches to the flag when the component's enabled state differs from it.
    void SetEnable(int component, bool enable);
    bool GetEnable(int component) const;
    // Translation and scaling: both the minimum and the maximum become the vector (the
    // minimum is the default). Rotation: the node's pre-rotation of pivot set 0.
    void SetDefault(int component, const RVector4& value);
    RVector4& GetDefault(int component, RVector4& out) const;
    void SetMin(int component, const RVector4& value);
    RVector4& GetMin(int component, RVector4& out) const;
    void SetMax(int component, const RVector4& value);
    RVector4& GetMax(int component, RVector4& out) const;

    // Per-axis switches (axis 0 X, 1 Y, 2 Z).
    void SetMinSwitches(int component, bool x, bool y, bool z);
    void SetMaxSwitches(int component, bool x, bool y, bool z);
    bool GetMinSwitch(int component, int axis) const;
    bool GetMaxSwitch(int component, int axis) const;

    // Non-zero: the rotation order of the node's pivot set 0 becomes 0 ("Euler XYZ"); zero:
    // 6 ("Spheric XYZ").
    void SetRotationType(int type);
    bool GetRotationType() const;       // true unless that order is 6
    bool GetRotationClampType() const;  // true when it is 6
    // The post-rotation of the node's pivot set 0.
    void SetRotationAxis(const RVector4& value);
    RVector4& GetRotationAxis(RVector4& out) const;
    void SetAxisLength(double length) { axisLength_ = length; }
    double GetAxisLength() const { return axisLength_; }

    // Derives the components in Auto from the node's default pose: the translation default
    // from its local translation; the rotation default (pre-rotation), rotation axis
    // (post-rotation), axis length and rotation type from the frame its bone axis makes; the
    // scaling default from its local row lengths (negative when mirrored). Nothing for a null
    // node, a node without parent or when no component is in Auto. Zero scaling anywhere
    // gives finite angles.
    void UpdateFromNode(RWyxNode* node);

    // The node-local offset the node's bone points along: the longest child translation among
    // the children of the node's own kind, else among all children, else the control point of
    // its geometry farthest from the origin, else (0, 0, 0).
    static RVector4 BoneAxis(RWyxNode& node);

private:
    struct Record {
        std::uint8_t minSwitches[3] = {0, 0, 0};
        std::uint8_t maxSwitches[3] = {0, 0, 0};
        RVector4 minimum;
        RVector4 maximum;

        bool IsEnabled() const;
    };

    static bool IsComponent(int component) { return component >= 0 && component < kComponentCount; }
    // Defined in attributes/RWyxNodeLimitsKinds.cpp.
    static BoneKind BoneKindOf(const RWyxNode& node);
    // The control point of the node's geometry with the greatest length; false when the node
    // has no geometry or it has no control points.
    static bool FarthestControlPoint(const RWyxNode& node, RVector4& out);

    void UpdateRotation(RWyxNode& node, RWyxNode& parent);

    Record records_[kComponentCount];
    RWyxNode* node_;  // not owned
    std::uint8_t active_[kComponentCount] = {0, 0, 0};
    double axisLength_ = 1.0;
};

#endif
