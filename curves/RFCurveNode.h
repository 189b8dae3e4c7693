#ifndef WYX_CURVES_RFCURVENODE_H
#define WYX_CURVES_RFCURVENODE_H

// A curve node groups function curves into the animated channels of one property, and the
// properties of an object into one tree per take: the root "Defaults" holds one node per
// animated property ("Lcl Translation"), which holds one child per component ("X", "Y",
// "Z", and "W" for a quaternion layer). A node may carry a curve of its own, children, or
// both. Besides the tree a node carries a chain of animation layers (copies of the node
// with their own curves, sorted by ascending layer id), a time-warp node that remaps the
// evaluation time, a rotation order, and a one-entry evaluation cache.
//
// Ownership: a node owns its curve, its children (unless it is non-owning) and its next
// layer. A time-warp node is shared: every node that uses it holds one reference, and it
// is deleted when the last reference is released. Nodes are made with Create (or the
// constructors, or Clone) and deleted with Destroy, DeleteChild, Clear or their parent's
// destruction; a node removes itself from its parent when it is destroyed.
//
// Values: an evaluation writes the node's values in pre-order (own curve first, then each
// child's values in child order) into the caller's array and answers the position after
// the last value written; GetValueCount and GetRawValueCount tell how many that is.
//
// The implementation is spread over RFCurveNode.cpp (tree, names, curves, layers,
// notification), RFCurveNodeEvaluation.cpp (layered and rotation evaluation) and
// RFCurveNodeRotation.cpp (rotation continuity and span replacement).

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/RString.h"
#include "core/RTime.h"
#include "curves/RCurveTreeMemory.h"

class RDataType;
class RFCurve;
class RProperty;

class RFCurveNode {
public:
    // Layer types: how a layer combines with the values below it.
    static constexpr int LayerNormal = 0;
    static constexpr int LayerAdditive = 1;
    static constexpr int LayerRotation = 2;
    static constexpr int LayerMultiplicative = 3;
    static constexpr int LayerQuaternion = 4;

    // Flag bits.
    static constexpr uint32_t FlagCopiedByClone = 0x02;
    // Children are neither re-parented nor deleted by this node.
    static constexpr uint32_t FlagNonOwning = 0x08;
    static constexpr uint32_t FlagCreated = 0x20;
    // Layer ids count only while this is set.
    static constexpr uint32_t FlagLayeringEnabled = 0x40;
    // The cached values hold for any time.
    static constexpr uint32_t FlagCacheAnyTime = 0x80;
    static constexpr uint32_t kInitialFlags = FlagCreated | FlagLayeringEnabled;

    // Change kinds passed to the listeners, ORed together.
    static constexpr uint32_t ChangeDestroyed = 2;
    static constexpr uint32_t ChangeCurveReplaced = 4;
    static constexpr uint32_t ChangeTimeWarpReplaced = 8;
    static constexpr uint32_t ChangeLayersChanged = 16;

    // Rotation order 12 is spheric XYZ; 0 to 11 are the Euler codes of core/EulerAngles.h.
    static constexpr int kSphericXYZ = 12;
    // Values the evaluation cache holds; a node whose output is longer is not cached.
    static constexpr int kMaxCachedValues = 4;

    // The changes accumulated since the listeners were last told.
    struct ChangeRecord {
        uint32_t kinds = 0;
        uint32_t count = 0;
    };
    // Receives the node, the accumulated changes and the user data given at registration.
    // A listener must not destroy the node it is told about.
    using Listener = void (*)(RFCurveNode& node, const ChangeRecord& record, void* userData);

    // A node whose channel name and user name are both the given name (the user name is
    // invalid for the "TimeWarp" data type); no property, layer type 0, layer id 0.
    explicit RFCurveNode(const char* name, const RDataType* dataType = nullptr);
    // Shallow copy: shares the source's name record and records the source node; copies
    // layer type, rotation order, quaternion-interpolation flag and the evaluation cache.
    // Layer id 0; no children, curve, layers or time warp.
    RFCurveNode(const RFCurveNode& source);
    RFCurveNode& operator=(const RFCurveNode&) = delete;
    // Notifies ChangeDestroyed, runs Clear and leaves the parent's child array.
    virtual ~RFCurveNode();

    // A new node as the name constructor makes it, with SetLayerType (layerType, null) and
    // the layer id.
    static RFCurveNode* Create(const char* name, const RDataType* dataType, int layerType = 0,
                               int layerID = 0);
    // Deletes a node; null is ignored.
    static void Destroy(RFCurveNode* node);
    // The nodes of a tree made in one go lie together (RCurveTreeMemory).
    static void* operator new(std::size_t bytes) { return RCurveTreeMemory::Allocate(bytes); }
    static void operator delete(void* node) noexcept { RCurveTreeMemory::Free(node); }

    // ---- Tree ----------------------------------------------------------------------------

    // Releases the children (last first; a non-owning node only drops them), so that a child
    // no time warp uses is deleted; deletes the curve and the next layer and releases the
    // time warp; the node becomes its own layer owner again.
    virtual void Clear();
    // Appends and, unless non-owning, adopts the child (taking it out of the child array of
    // an owning previous parent). Answers the new index, or -1, nothing changed, for null,
    // the node itself, or a node whose evaluation reaches this one (a cycle).
    virtual int AddChild(RFCurveNode* child);
    // Room for that many children, for a node that knows how many it will get.
    void ReserveChildren(int count) {
        if (count > 0) children_.reserve(static_cast<std::size_t>(count));
    }
    // Takes the child out of the array (unless non-owning, clearing its parent); the child
    // survives. A bad index changes nothing.
    virtual void RemoveChild(int index);
    // RemoveChild, then deletes the child unless time warps (or another parent) still hold it;
    // the last of them to let it go deletes it.
    virtual void DeleteChild(int index);
    virtual int GetChildCount() const;
    // Null when the index is outside 0 to count - 1.
    virtual RFCurveNode* GetChild(int index) const;
    // True for a direct child or, with recursive, any descendant.
    virtual bool IsChild(const RFCurveNode* node, bool recursive) const;
    virtual RFCurveNode* FindChildByDataType(const RDataType* dataType) const;
    // -1 when absent.
    virtual int GetChildIndex(const RFCurveNode* node) const;
    // The first child whose name equals the name ignoring case; -1 when none.
    virtual int GetChildIndexByName(const char* name) const;
    // Whether the node hears of every change of its children's names and children: it owns
    // them and took none while it did not own them.
    bool TellsOfChildChanges() const { return !IsNonOwning() && !holdsLooseChildren_; }
    virtual void SetParent(RFCurveNode* parent);
    virtual RFCurveNode* GetParent() const;
    // Inserts before the first child whose name compares greater than or equal to the new
    // node's ignoring case (so before its namesakes), else appends; adopts it unless
    // non-owning. Answers the index, -1 as for AddChild.
    virtual int InsertChildSorted(RFCurveNode* child);

    // Unless non-owning clears the node's parent, drops it from the children and deletes it.
    // A node that is not a child of this one is left alone; null is ignored.
    void RemoveAndDeleteChild(RFCurveNode* node);

    // Depth-first: each child in order, else that child's subtree; null when none.
    RFCurveNode* FindByDataType(const RDataType* dataType) const;
    // The node reached by a "/"-separated path. A segment matches a child by name ignoring
    // case, "T", "R" and "S" also the child of data type "Lcl Translation", "Lcl Rotation"
    // or "Lcl Scaling"; a child that does not match is searched in depth for the segment.
    RFCurveNode* FindByPath(const char* path) const;
    // The data type a one-letter channel name stands for: "T", "R" and "S" for "Lcl
    // Translation", "Lcl Rotation" and "Lcl Scaling"; null for any other name.
    static const RDataType* TransformTypeOfLetter(const char* name);
    // The child of that name, appended (no data type, layer 0) when absent; with withCurve
    // a child without a curve gets a new empty one.
    RFCurveNode* FindOrAddChild(const char* name, bool withCurve);
    // Every node of the subtree without children and without curve gets an empty curve.
    void EnsureCurves();
    // No curve of its own and exactly `count` children, each with a curve and without
    // children: the channels of a rotation (3) or quaternion (4) node.
    bool HasLeafChannels(int count) const;

    // ---- Copies --------------------------------------------------------------------------

    // Deep copy of the subtree. shareName makes shallow copies (shared name records);
    // otherwise new nodes with the same names, data type and layer type and the layer id
    // (-1: this node's). copyCurves copies the curves with their keys; else newEmptyCurves
    // gives a node that has a curve a new empty one. Layers and time warps are not copied.
    RFCurveNode* Clone(bool shareName, bool copyCurves, bool newEmptyCurves, int layerID) const;
    // Clone (shareName, true, false, -1).
    RFCurveNode* Duplicate(bool shareName) const;
    // Copies the cache and the curves (move takes the source's curve objects), the layer
    // type and, index by index, the children; then makes the layer chain match the source's.
    void CopyFrom(RFCurveNode& source, bool move);

    // ---- Names, flags and links -----------------------------------------------------------

    // The property's name when a property is set, else the channel name.
    const char* GetName() const;
    const RString& GetChannelName() const;
    const RString& GetUserName() const;
    void SetUserName(const char* name);
    const RDataType* GetDataType() const;
    RProperty* GetProperty() const;
    void SetProperty(RProperty* property);
    // This node uses the other's name record from now on (names, data type, property).
    void ShareNameOf(const RFCurveNode& other);
    // The node a shallow copy was made from; null otherwise.
    const RFCurveNode* GetSourceNode() const { return sourceNode_; }

    uint32_t GetFlags() const { return flags_; }
    void SetFlag(uint32_t bits, bool on);
    bool IsNonOwning() const { return (flags_ & FlagNonOwning) != 0; }
    bool IsLayeringEnabled() const { return (flags_ & FlagLayeringEnabled) != 0; }
    // The argument when layering is enabled, else 0.
    int GetEffectiveLayerID(int layerID) const;

    // A word for the property that owns the node; copied by Clone, not interpreted here.
    uintptr_t GetOwnerPropertyLink() const { return ownerPropertyLink_; }
    void SetOwnerPropertyLink(uintptr_t link) { ownerPropertyLink_ = link; }

    // How many links hold this node: its owning parent's and each time-warp link. Release
    // drops one and deletes the node when none is left (a node never referenced is deleted
    // too); a parent that deletes or clears its children releases them the same way, so a
    // child still used as a time warp outlives its parent.
    int GetReferenceCount() const { return referenceCount_; }
    void AddReference() { ++referenceCount_; }
    static void Release(RFCurveNode* node);

    // ---- Curve and time warp --------------------------------------------------------------

    RFCurve* GetCurve() const { return curve_; }
    // The node takes the curve over. No effect, null answered, when it is the current one.
    // Otherwise the old curve is deleted with deleteOld (null answered) or handed back;
    // notifies ChangeCurveReplaced.
    RFCurve* SetCurve(RFCurve* curve, bool deleteOld);
    void SetCurve(RFCurve* curve) { SetCurve(curve, true); }

    RFCurveNode* GetTimeWarp() const { return timeWarp_; }
    // Releases the old time warp, references the new one and notifies ChangeTimeWarpReplaced.
    // Setting the time warp already held changes nothing (true). False, nothing changed, for
    // a node whose evaluation reaches this one (it would warp itself).
    bool SetTimeWarp(RFCurveNode* timeWarp);

    // The "X", "Y", "Z" curves of the translation ("T" or "Lcl Translation"), rotation and
    // scaling nodes. True only when all nine exist; the search stops at the first miss.
    bool GetTransformCurves(RFCurve* translation[3], RFCurve* rotation[3],
                            RFCurve* scaling[3]) const;

    // Keys of the own curve and of the descendants' curves; withLayers adds the next layer's.
    int GetKeyCount(bool withLayers) const;
    // Default values of the subtree's curves in pre-order; answer the position past the
    // last value used.
    double* GetDefaultValues(double* out) const;
    const double* SetDefaultValues(const double* in);
    // Widens start and stop to the first and last key of the subtree's curves; false, both
    // untouched, when no curve has keys.
    bool GetTimeSpan(RTime& start, RTime& stop) const;

    // ---- Layers ---------------------------------------------------------------------------

    int GetLayerType() const { return layerType_; }
    // Type 4 (quaternion) adds a "W" child to a node with three children (an empty curve,
    // selected like the first child's, ownerNode as its layer owner when given); going from
    // 4 to 2 deletes the fourth child. The type is stored in every case. The same happens on
    // every next layer, whose new "W" has this node's "W" as its layer owner, so a layer
    // never keeps a channel whose owner is gone.
    void SetLayerType(int layerType, RFCurveNode* ownerNode = nullptr);
    int GetLayerID() const { return layerID_; }
    void SetLayerID(int layerID) { layerID_ = layerID; }
    RFCurveNode* GetNextLayer() const { return nextLayer_; }
    // Stores the next layer (deleting the old one with deleteOld, else leaving it to the
    // caller) and notifies ChangeLayersChanged on the layer owner. False, nothing changed,
    // for a node whose evaluation reaches this one.
    bool SetLayer(RFCurveNode* layer, bool deleteOld);
    // The node of the chain (this one included) with exactly that id; null when none.
    RFCurveNode* FindLayer(int layerID) const;
    // Inserts a layer of that id into the chain in id order (nothing when it is there).
    // Only while layering is enabled and for an id above this node's.
    void AddLayer(int layerID);
    // A layer made from this node with empty curves holding the layer identity values and
    // the node's curve colours and selection, set as the next layer. Null while layering is
    // disabled.
    RFCurveNode* CreateLayer(int layerID, bool deleteOld);
    // The neutral values of the layer type: zeros, ones (type 3) or (0, 0, 0, 1) (type 4),
    // one per child or one for a curve without children. Answers how many were written.
    int GetLayerIdentity(double* out) const;
    RFCurveNode* GetLayerOwner() const { return layerOwner_; }
    void SetLayerOwner(RFCurveNode* owner) { layerOwner_ = owner; }

    bool GetQuaternionInterpolation() const { return quaternionInterpolation_; }
    // On this node and every next layer; invalidates the layer owner's caches and notifies
    // ChangeLayersChanged on it.
    void SetQuaternionInterpolation(bool on);
    int GetRotationOrder() const { return rotationOrder_; }
    // On this node and every next layer.
    void SetRotationOrder(int order);

    // ---- Evaluation -----------------------------------------------------------------------

    // Values Evaluate writes: one for an own curve, then three for a quaternion node of
    // layer 0, else the children's.
    int GetValueCount() const;
    // Values EvaluateRaw writes: one per curve of the subtree.
    int GetRawValueCount() const;
    // Every curve of the subtree in pre-order, plainly: no time warp, layers, rotation
    // handling or cache. A null hint is replaced by a local one.
    double* EvaluateRaw(double* out, RTime time, int* hint = nullptr) const;
    // Evaluate with the cache.
    double* EvaluateAt(double* out, RTime time, int* hint = nullptr);
    // Time warp, own curve, children, layers combined by layer type, quaternion to Euler
    // conversion, and the cache (layer 0 nodes only).
    double* Evaluate(double* out, RTime time, int* hint, bool useCache);
    // The children's values of a rotation node, interpolated between the keys of X in
    // quaternion space when the quaternion-interpolation flag asks for it.
    double* EvaluateRotationLayer(double* out, RTime time, int* hint, bool useCache);
    // Empties the caches of the nodes of that (effective) layer id in the subtree, and with
    // withLayers those of every next layer.
    void InvalidateCache(int layerID, bool withLayers);
    bool IsCacheFilled() const { return cache_ != nullptr && cache_->filled; }

    // ---- Rotation continuity --------------------------------------------------------------

    // Per channel, the correction that brings current next to previous: whole turns, plus
    // the flipped triple's offset when that triple of the node's rotation order is nearer
    // (true answered): 180 on the outer channels and on the middle one (0 for the repeated
    // forms), whose value is then to be negated before the correction. Spheric XYZ angles
    // are never flipped and only X takes whole turns.
    bool FilterEuler(double out[3], const double current[3], const double previous[3]) const;
    // The latest key time strictly before the time over the subtree's curves (children
    // whose mask byte is 0 are skipped; a null mask keeps all); the time itself when none.
    void FindPreviousKeyTime(RTime& out, RTime time, const uint8_t* channelMask = nullptr,
                             int maskLength = 0) const;
    // For a rotation node (three leaf channels, no own curve, not spheric): the triple
    // equivalent to values nearest the node's values at the previous key. Otherwise the
    // values unchanged.
    void SetKeysContinuous(double out[3], const double values[3], RTime time) const;
    // Appends a Cubic Auto key at the time to each curve of the subtree in pre-order, with
    // the next value; continuous makes a rotation node's triple continuous first. Answers
    // the position after the values used.
    const double* AddKeyValues(RTime time, const double* values, bool continuous);
    // Replaces this node's keys from start to stop by the source's there, channel by channel
    // (quaternion channels scaled to this node's magnitudes, rotation channels moved by
    // whole turns or flipped to join this node's keys). True when every channel pair that
    // was found was replaced and there was at least one.
    bool ReplaceSpan(const RFCurveNode& source, RTime start, RTime stop, bool keepSpan,
                     bool fillWhenEmpty);

    // ---- Change notification --------------------------------------------------------------

    // Only while a listener is registered: records the kind, counts the change and, while
    // delivery is enabled, calls the listeners (last registered first) and resets the record.
    void Notify(uint32_t kind);
    void AddListener(Listener listener, void* userData);
    // Removes the last registration of the same pair; an absent pair is ignored.
    void RemoveListener(Listener listener, void* userData);
    // Switching delivery on delivers what accumulated.
    void SetNotifyEnabled(bool enabled);
    uint32_t GetModificationCount() const { return modificationCount_; }

private:
    struct NameRecord;
    struct ListenerRecord;

    // The record of a new node: nodes of the same (name, data type) share one from a bounded
    // table of common names, copied before it is changed (a tree of channels made from a
    // template then carries no name copies of its own).
    static std::shared_ptr<NameRecord> NewNameRecord(const char* name, const RDataType* dataType);
    // The record before a change of it: a common one is replaced by a copy first.
    NameRecord& EditName();
    // The record to share with a shallow copy: a common one becomes this node's own first, so
    // that the copy and this node share the changes.
    const std::shared_ptr<NameRecord>& NameToShare() const;

    // Whether evaluating this node (its children, layers and time warps) reaches target.
    bool Reaches(const RFCurveNode* target) const;
    // The first child matching a path segment, else the first match below a child (FindByPath).
    RFCurveNode* FindSegment(const char* segment, const RDataType* letterType) const;
    // The Euler channels of a rotation.
    bool HasEulerChannels() const { return HasLeafChannels(3); }
    int InsertChildAt(int index, RFCurveNode* child);
    bool HoldsChild(const RFCurveNode* child) const;
    // Takes the child into this (owning) node, with the reference of the parent it leaves or
    // a new one; Disown gives up the reference without deleting.
    void Adopt(RFCurveNode* child);
    static void Disown(RFCurveNode* child);
    // Applies a layer type to this node alone (SetLayerType applies it along the chain).
    void ApplyLayerType(int layerType, RFCurveNode* ownerNode);
    void ReleaseTimeWarp();
    void ReleaseNextLayer();
    void Deliver();
    // Drops the index of the children's names (RFCurveNodeNameIndex) after a change of the
    // children other than an append, or of a child's name.
    void ForgetChildNames();
    // The node's name changed: the index of its holder, or any index that may list it, no
    // longer holds.
    void NameChanged(bool recordShared);
    // The children or names below this node changed: the indexes of its holders, which cover
    // the nodes below their children, no longer hold.
    void TellHoldersOfChange() const;

    // Evaluation (RFCurveNodeEvaluation.cpp).
    RTime WarpTime(RTime time, bool useCache);
    double* EvaluateChildren(double* out, RTime time, int* hint, bool useCache);
    double* EvaluateQuaternion(double* out, RTime time, int* hint, bool useCache);
    void CombineNextLayer(double* base, int baseCount, bool ownCurve, RTime time, bool useCache);
    void ResetCaches(bool withLayers);
    void ChannelValues(double out[3], RTime time, int hint) const;

    // The members are in an order that leaves no gaps: a scene holds many nodes.
    mutable std::shared_ptr<NameRecord> name_;
    uint32_t flags_ = kInitialFlags;
    int referenceCount_ = 0;
    // The owning node whose children hold this node (its parent, unless SetParent said
    // otherwise).
    RFCurveNode* holder_ = nullptr;
    std::vector<RFCurveNode*, RCurveTreeMemory::Allocator<RFCurveNode*>> children_;
    RFCurve* curve_ = nullptr;
    RFCurveNode* timeWarp_ = nullptr;
    RFCurveNode* nextLayer_ = nullptr;
    RFCurveNode* layerOwner_ = nullptr;
    const RFCurveNode* sourceNode_ = nullptr;
    RFCurveNode* parent_ = nullptr;
    int layerType_ = LayerNormal;
    int layerID_ = 0;
    uint32_t modificationCount_ = 0;
    int rotationOrder_ = 0;
    // The last values evaluated, made at the first evaluation that keeps them: most nodes of
    // a scene are never evaluated.
    struct EvaluationCache {
        bool filled = false;
        int count = 0;
        double values[kMaxCachedValues] = {0.0, 0.0, 0.0, 0.0};
        RTime time{RTime::kInfinitelyLate};
    };
    std::unique_ptr<EvaluationCache> cache_;
    void ForgetCachedValues();
    std::unique_ptr<ListenerRecord> listeners_;
    uintptr_t ownerPropertyLink_ = 0;
    bool quaternionInterpolation_ = false;
    // Whether referenceCount_ counts the owning parent.
    bool heldByParent_ = false;
    // Whether this node holds children it took while not owning them.
    bool holdsLooseChildren_ = false;
    // Whether RFCurveNodeNameIndex may hold an index of this node's children (it fits in
    // the room the flags above leave, so a node is no larger).
    mutable std::atomic<bool> namesIndexed_{false};
};

#endif
