#ifndef WYX_SCENE_RWYXNODE_H
#define WYX_SCENE_RWYXNODE_H

// A node of the scene hierarchy: the root "RootNode", nulls, meshes, cameras, lights,
// skeleton joints and markers are all nodes, told apart by their optional node attribute.
//
// The node is a take-node container: it owns one take node per take, whose curves animate
// its properties. Its values (local transform, visibility, pivots, limits, targets) live in
// its properties object, an RWyxNodeProperties it owns. The hierarchy is the connection
// graph of the properties objects: a child's object is a source of its parent's, a target's
// object a source of the "LookAtProperty" or "UpVectorProperty" list. A connection that
// would make a node its own ancestor is refused.
//
// Nodes are made and destroyed by the object factory, which names them "Model::" plus the
// given name. The attribute belongs to the factory, not to the node: a node only points at it.
// Walks over a subtree (finding, marking, the animation interval) run on an explicit stack,
// so a hierarchy of any depth is safe.
//
// The typed attribute accessors (GetCamera, GetMesh ...), the attribute flags and the
// character slots are defined with the attribute kinds in attributes/RWyxNodeTypedAccess.cpp.

#include "core/RError.h"
#include "core/RMatrix.h"
#include "core/RString.h"
#include "core/RTime.h"
#include "core/RVector4.h"
#include "scene/RWyxTakeNodeContainer.h"

#include <cstdint>
#include <memory>
#include <vector>

class RWyxCamera;
class RWyxCameraSwitcher;
class RWyxCharacter;
class RWyxEntityContainer;
class RWyxGeometry;
class RWyxLight;
class RWyxMarker;
class RWyxMesh;
class RWyxNodeAttribute;
class RWyxNodeLimits;
class RWyxNodeProperties;
class RWyxNull;
class RWyxNurb;
class RWyxObjectFactory;
class RWyxOptical;
class RWyxPatch;
class RWyxSkeleton;

class RWyxNode : public RWyxTakeNodeContainer {
public:
    // Codes of the node's error object (its message table has one text per code).
    static constexpr int kErrorTakeNode = 0;
    static constexpr int kErrorNodeNameClash = 1;
    static constexpr int kErrorMaterialNameClash = 2;
    static constexpr int kErrorTextureNameClash = 3;
    static constexpr int kErrorGoboNameClash = 4;
    static constexpr int kErrorNotAChild = 5;
    static constexpr int kErrorCyclicGraph = 6;
    static constexpr int kErrorIndexOutOfRange = 7;
    static constexpr int kErrorSamplingRate = 8;

    // Kinds of character links: the character's model slot, the control set's model slot,
    // the effector slot, the auxiliary effector slot.
    static constexpr int kCharacterLinkModel = 0;
    static constexpr int kCharacterLinkControlSet = 1;
    static constexpr int kCharacterLinkEffector = 2;
    static constexpr int kCharacterLinkAuxiliaryEffector = 3;

    struct CharacterLink {
        RWyxCharacter* character;
        int kind;
        int index;
        int subIndex;
    };

    // One of the two matrix caches of the transform evaluation (the current take's and the
    // default take's).
    struct MatrixCache {
        // Curve hints zeroed and both matrices marked invalid.
        void Reset();

        int curveHints[3] = {0, 0, 0};
        RTime localTime;
        RTime globalTime;
        bool localValid = false;
        bool globalValid = false;
        RMatrix local;
        RMatrix global;
        // The transform stamp the cache was filled under (GetTransformStamp): once the stamp
        // has moved, the cache is reset before its next use.
        std::uint64_t stamp = 0;
        // The "T", "R" and "S" channels found in channelTake (null where it has none) and the
        // number of values each gives, kept for the stamp, so that an evaluation need not
        // look them up again.
        const RWyxTakeNode* channelTake = nullptr;
        RFCurveNode* channels[3] = {nullptr, nullptr, nullptr};
        int channelValueCounts[3] = {0, 0, 0};
    };

    // The properties object with its defaults, the limits, the take "Default" (current),
    // visibility on, shading mode 3 and a user property wrapping every property of the
    // properties object (made through the factory when there is one, when first asked for).
    // The trees of the takes of a node without an attribute are made when first asked for as
    // well (RWyxTakeNode). `name` is the full name.
    RWyxNode(RWyxObjectFactory* factory, const RString& name);
    // Clears the character slots that hold the node, detaches the attribute (which the node
    // does not own), then destroys the limits and the properties object.
    ~RWyxNode() override;

    // ---- scene-object and take-node-container operations --------------------------------------
    // Breaks the connections of the properties object (hierarchy, targets, materials) while
    // the node is whole, and lets the attribute go.
    void PrepareDestroy() override;
    // Object type 1: names carry "Model::".
    int GetTypeId() const override { return 1; }
    // The attribute's type name; "Null" without an attribute.
    RString GetTypeDescription() const override { return GetTypeName(); }
    // The attribute's type names; {"Null"} without an attribute.
    std::unique_ptr<RWyxStringList> GetStringList() const override { return GetTypeNameList(); }
    // A stand-alone user property gets its property made on the properties object first.
    void OnUserPropertyAdded(RWyxUserProperty& userProperty) override;
    // Its channels go; a property made for it leaves the properties object (the node's
    // standard properties stay).
    void OnUserPropertyRemoved(RWyxUserProperty& userProperty) override;
    // Every property of the properties object, in order, then the attribute's.
    void CollectProperties(std::vector<RProperty*>& properties) const override;
    // Both invalidate the matrix caches first.
    bool SetCurrentTakeNodeByName(const char* name) override;
    bool SetCurrentTakeNodeByIndex(int index) override;
    // The key interval of the current take over the node's whole subtree; false, start and
    // stop untouched, when no node of it has keys.
    bool GetAnimationInterval(RTime& start, RTime& stop) override;
    // "Transform" with "T", "R", "S" and "Visibility", linked to the properties in the take
    // "Default" (any case); then the other animatable properties' channels and the
    // attribute's.
    void CreateChannelTemplate(RWyxTakeNode& takeNode) override;
    // The node's "Lcl" values (0, 0, 0 and 1, 1, 1 where a property is missing).
    bool GetTemplateTransformDefaults(int channel, float defaults[3]) const override;
    // The node's "Visibility" (1 where it is missing).
    bool GetTemplateVisibilityDefault(float& value) const override;

    RString GetTypeName() const;
    std::unique_ptr<RWyxStringList> GetTypeNameList() const;

    RWyxNodeProperties* GetProperties() const { return properties_; }
    RWyxNodeLimits* GetLimits() const { return limits_.get(); }
    RWyxObjectFactory* GetFactory() const { return factory_; }
    RError& GetError() { return error_; }
    const RError& GetError() const { return error_; }

    // ---- hierarchy ---------------------------------------------------------------------------
    RWyxNode* GetParent() const;
    // The argument is ignored (kept for callers that pass one).
    int GetChildCount(int ignored = 0) const;
    // Null when the index is not below the count.
    RWyxNode* GetChild(int index) const;
    // Moves the node below this one (out of its present parent first). False for null, and,
    // with error 6 and the tree unchanged, for this node itself or one of its ancestors.
    bool AddChild(RWyxNode* node);
    // Disconnects the node from this one; answers the node.
    RWyxNode* RemoveChild(RWyxNode* node);
    // The first child (with recursive, descendant, depth first in child order) whose current
    // name (initial name with byInitialName) is "Model::" plus the name; null when none.
    RWyxNode* FindChild(const char* name, bool recursive, bool byInitialName) const;

    // ---- targets -----------------------------------------------------------------------------
    // Connects the node as the look-at (up-vector) target unless it is one already. False for
    // a null node or when the list property is gone.
    bool SetTarget(RWyxNode* node);
    RWyxNode* GetTarget() const;
    bool SetTargetUp(RWyxNode* node);
    RWyxNode* GetTargetUp() const;
    void SetPostTargetRotation(double x, double y, double z, double w) { postTargetRotation_.Set(x, y, z, w); }
    RVector4& GetPostTargetRotation(RVector4& out) const { return out = postTargetRotation_; }
    void SetUpTargetRotation(double x, double y, double z, double w) { upTargetRotation_.Set(x, y, z, w); }
    RVector4& GetUpTargetRotation(RVector4& out) const { return out = upTargetRotation_; }

    // ---- visibility and flags ------------------------------------------------------------------
    // "Show" and "Visibility" (1.0 or 0.0); the curve defaults of "Visibility" follow.
    void SetVisibility(bool visible);
    bool GetVisibility() const;
    void SetShadingMode(int mode) { shadingMode_ = mode; }
    int GetShadingMode() const { return shadingMode_; }
    void SetMultiLayer(bool on) { multiLayer_ = on; }
    bool GetMultiLayer() const { return multiLayer_; }
    void SetMultiTake(int value) { multiTake_ = value; }
    int GetMultiTake() const { return multiTake_; }
    void SetInheritType(int type);
    int& GetInheritType(int& out) const;
    // With recursive, the whole subtree takes the value.
    void SetMarked(int value, bool recursive);
    // With subtree, true when this node or any node below it is marked.
    bool IsMarked(bool subtree) const;

    // ---- node attribute ------------------------------------------------------------------------
    // Null, nothing changed, for the current attribute. Otherwise the previous attribute is
    // detached, the new one taken off its present node and attached here, and the MultiLayer
    // and MultiTake flags follow the new kind. Answers the previous attribute.
    RWyxNodeAttribute* SetNodeAttribute(RWyxNodeAttribute* attribute);
    RWyxNodeAttribute* GetNodeAttribute() const { return attribute_; }
    // The attribute when its type id is the one named; null otherwise.
    RWyxNull* GetNull() const;
    RWyxMarker* GetMarker() const;
    RWyxSkeleton* GetSkeleton() const;
    RWyxGeometry* GetGeometry() const;  // mesh, NURBS or patch
    RWyxMesh* GetMesh() const;
    RWyxNurb* GetNurb() const;
    RWyxPatch* GetPatch() const;
    RWyxCamera* GetCamera() const;
    RWyxCameraSwitcher* GetCameraSwitcher() const;
    RWyxLight* GetLight() const;
    RWyxOptical* GetOptical() const;

    // ---- scene membership (RWyxNodeMembership.cpp) -------------------------------------------
    // The entity container the node belongs to; null when none.
    RWyxEntityContainer* GetEntity() const { return entity_; }
    // Moves the node's subtree, with the materials, textures and gobos it uses, from its
    // container into `entity` (null: into none); with asRoot the node becomes the root of
    // `entity`, whose present root leaves first and which is emptied. Joining is decided
    // before anything moves: a name clash in the subtree (nodes seen twice, and with asRoot
    // names the target holds) or a gobo whose name the target gives another gobo answers
    // false with code 1 to 4, nothing moved. Leaving is never refused. True for the present
    // container.
    bool SetEntity(RWyxEntityContainer* entity, bool asRoot);
    // The code (kErrorNodeNameClash ... kErrorGoboNameClash) that would refuse moving the
    // subtree into `entity`; -1 when it may join. Leaving (null) is always allowed.
    int FindEntityClash(RWyxEntityContainer* entity, bool asRoot);
    friend class RWyxEntityContainer;  // keeps the node's link with its node list
    friend class RWyxNodeProperties;   // asks whether AddChild has checked the subtree's move

    // ---- character links -------------------------------------------------------------------------
    // Appends a link; answers its index (-1 when it could not be stored).
    int AddCharacterLink(RWyxCharacter* character, int kind, int index, int subIndex);
    // The index of the link equal in all four words; -1 for a null character or no match.
    int FindCharacterLink(RWyxCharacter* character, int kind, int index, int subIndex) const;
    // Removes the matching link; answers its former index or -1.
    int RemoveCharacterLink(RWyxCharacter* character, int kind, int index, int subIndex);
    int GetCharacterLinkCount() const { return static_cast<int>(characterLinks_.size()); }
    // Null out of range.
    const CharacterLink* GetCharacterLink(int index) const;

    // ---- names of children read from a file, resolved by the reader ----------------------------
    void AddPendingChildName(const char* name);
    // Null out of range.
    const char* GetPendingChildName(int index) const;
    int GetPendingChildNameCount() const { return static_cast<int>(pendingChildNames_.size()); }

    // ---- transforms (scene/RWyxNodeTransforms.cpp) ------------------------------------------------
    // Every cached transform holds the stamp it was computed under and is recomputed once the
    // stamp has moved. The transform stamp, which both matrix caches keep, moves with every
    // change a plain matrix may depend on: the "Lcl" properties, parenting, take selection and
    // every curve edit. The pivot transform stamp, which the pivot global transforms keep,
    // moves with all of those and with every pivot-set setter (rotation orders included); a
    // pivot change leaves the transform stamp where it was, as no plain matrix reads a pivot.
    static std::uint64_t GetTransformStamp();
    static std::uint64_t GetPivotTransformStamp();
    // Moves both stamps; for callers that write the fields of a pivot set directly.
    static void InvalidateTransformCaches();

    // The values of "Lcl Translation", "Lcl Rotation" (degrees, Euler X, Y, Z) and "Lcl
    // Scaling". Without the property a setter does nothing and a getter leaves out as it was.
    void SetDefaultTranslation(const RVector4& value);
    RVector4& GetDefaultTranslation(RVector4& out) const;
    void SetDefaultRotation(const RVector4& value);
    RVector4& GetDefaultRotation(RVector4& out) const;
    void SetDefaultScaling(const RVector4& value);
    RVector4& GetDefaultScaling(RVector4& out) const;

    // Pivot sets 0 and 1 (a set is in use when its state is 0). For any other set index a
    // setter does nothing and a getter answers null or false or leaves out as it was.
    void SetPivotState(int set, int state);
    int& GetPivotState(int set, int& out) const;
    // 0 "Euler XYZ" .. 5 "Euler ZYX", 6 "Spheric XYZ".
    void SetRotationOrder(int set, int order);
    int& GetRotationOrder(int set, int& out) const;
    void SetRotationSpaceForLimitOnly(int set, bool flag);
    bool GetRotationSpaceForLimitOnly(int set) const;
    void SetRotationOffset(int set, double x, double y, double z, double w);
    const RVector4* GetRotationOffset(int set) const;
    void SetRotationPivot(int set, double x, double y, double z, double w);
    const RVector4* GetRotationPivot(int set) const;
    void SetPreRotation(int set, double x, double y, double z, double w);  // degrees
    const RVector4* GetPreRotation(int set) const;
    void SetPostRotation(int set, double x, double y, double z, double w);  // degrees
    const RVector4* GetPostRotation(int set) const;
    void SetScalingOffset(int set, double x, double y, double z, double w);
    const RVector4* GetScalingOffset(int set) const;
    void SetScalingPivot(int set, double x, double y, double z, double w);
    const RVector4* GetScalingPivot(int set) const;
    RVector4& GetGeometricTranslation(RVector4& out, int set) const;
    RVector4& GetGeometricRotation(RVector4& out, int set) const;
    RVector4& GetGeometricScaling(RVector4& out, int set) const;

    // The pivot global transform of a set: the local scaling, the set's post-rotation, the
    // local rotation, the pre-rotation and the translation with the set's rotation pivot and
    // offset (and the parent's pivot compensation), then the parent's transform of the set.
    // With force the whole tree is recomputed from the topmost ancestor; otherwise a stale
    // cache is recomputed along the path from the nearest ancestor that is current. Null for
    // a bad set index.
    const RMatrix* GetPivotGlobalTransform(int set, bool force);
    RVector4& GetPivotGlobalTranslation(RVector4& out, int set, bool force);
    // Euler X, Y, Z degrees of the rows normalised (negated when mirrored); finite for a
    // zero row (zero scaling).
    RVector4& GetPivotGlobalRotation(RVector4& out, int set, bool force);
    // The row lengths, all three negated when the axes mirror.
    RVector4& GetPivotGlobalScaling(RVector4& out, int set, bool force);

    // Plain matrices of the "T", "R" and "S" channels: scaling, rotation about X, then Y,
    // then Z, then translation. The default ones take the channels' default values in the
    // default take; the timed ones evaluate the current take at the time. A channel the take
    // node lacks keeps (0, 0, 0), (0, 0, 0) or (1, 1, 1). Global = local then the parent's.
    RMatrix GetDefaultLocalMatrix();
    RMatrix GetDefaultGlobalMatrix();
    RMatrix GetLocalMatrixAt(RTime time);
    RMatrix GetGlobalMatrixAt(RTime time);

    // Evaluated matrices, for walkers that evaluate a hierarchy once per time step.
    // The evaluated local matrix becomes the default local one (in the subtree when asked).
    void StoreDefaultLocalMatrix(bool recursive);
    // ... the default local one while the current take is the default take, else the one at
    // the time.
    void EvaluateLocalMatrix(RTime time, bool recursive);
    // Whether EvaluateLocalMatrix takes the default local matrix, the keys of the default take
    // unused: while the current take is the default take.
    bool IsEvaluatedByDefaults() const { return GetCurrentTakeNodeIndex() == 0; }
    // Unless the node carries the id already: the evaluated global matrix becomes the
    // evaluated local one then the parent's evaluated global one (the parent evaluated first);
    // with recursive, the subtree follows, less the subtrees of nodes carrying the id.
    void EvaluateGlobalMatrix(int evaluationId, bool recursive);
    void SetEvaluationId(int evaluationId, bool recursive);
    void SetGlobalMatrix(const RMatrix& matrix);
    const RMatrix& GetGlobalMatrix() const { return ReadEvaluation().global; }
    const RMatrix& GetEvaluatedLocalMatrix() const { return ReadEvaluation().local; }
    int GetEvaluationId() const { return evaluationId_; }

    // After a file's properties are read: pivot set 0 takes the pivot properties when any of
    // them is not the default (set 1 is reset), and the limits take the limit properties
    // when they differ.
    void ReadPivotsAndLimitsFromProperties();
    // Before the properties are written: they take pivot set 0's values and the limits'.
    void WritePivotsAndLimitsToProperties();

    MatrixCache& GetCurrentTakeCache() { return Evaluation().currentTake; }
    MatrixCache& GetDefaultTakeCache() { return Evaluation().defaultTake; }

    // ---- pivot-set animation conversion (attributes/RWyxNodePivotConversion.cpp) -------------
    // Re-express the animation of the node's subtree so that every node keeps its motion under
    // the other pivot set: direction 0 converts from set 1 to set 0, any other from set 0 to
    // set 1. The translation curves take a constant shift and the rotation goes through the
    // matrix converter, sampled `rate` times a second in every take node; the geometries'
    // pivot matrices follow. The simple form accounts for rotation pivots and offsets, the
    // parent's pivot compensation and the pre- and post-rotations; the full form also for
    // scaling pivots and offsets, geometric transforms and differing rotation orders (and has
    // no parent term). Pivot states and pivot-set values are left as they are.
    // Checked before anything changes: false with kErrorSamplingRate, the subtree untouched,
    // for a rate that is not a positive number or that would sample some take node's keys
    // more than the converter's key limit allows.
    bool ConvertPivotAnimationSimple(int direction, double rate, bool reduceConstantKeys);
    bool ConvertPivotAnimation(int direction, double rate, bool reduceConstantKeys);

    // ---- culling ----------------------------------------------------------------------------------
    // 0 off, 1 counter-clockwise, 2 clockwise; kept as given (the writers name other values
    // off). Off for a new node.
    void SetCullingMode(int mode) { cullingMode_ = mode; }
    int GetCullingMode() const { return cullingMode_; }

protected:
    // Tells the factory that the name may change, so that its name index follows.
    void OnNameChanging() override;
    // While the node has no attribute: the attribute's channels are made with their own rules.
    bool CanDeferTakeTrees() const override { return attribute_ == nullptr; }

private:
    friend class RWyxNodeAttribute;

    // Called by an attribute being deleted while attached: the node drops it without
    // detaching it (its channels stay in the take nodes).
    void ForgetDeletedAttribute(const RWyxNodeAttribute* attribute);
    void InvalidateMatrixCaches();
    // The matrix caches and the evaluated matrices, made when first used: a node that is
    // never evaluated carries none.
    struct Evaluated {
        MatrixCache currentTake;
        MatrixCache defaultTake;
        RMatrix local;
        RMatrix global;
    };
    Evaluated& Evaluation();
    const Evaluated& ReadEvaluation() const;
    // ---- transforms (scene/RWyxNodeTransforms.cpp) ----
    // The cache reset first when its stamp is not the present one.
    static MatrixCache& Current(MatrixCache& cache);
    const RMatrix& DefaultLocal();
    const RMatrix& DefaultGlobal();
    const RMatrix& LocalAt(RTime time);
    const RMatrix& GlobalAt(RTime time);
    // Finds the "T", "R", "S" channels of the take node and their value counts (of their
    // curves' default values with defaults, else of their evaluation) once per stamp.
    static void FindChannels(MatrixCache& cache, const RWyxTakeNode& takeNode, bool defaults);
    // The MultiLayer and MultiTake flags of the present attribute's kind.
    void UpdateAttributeFlags();
    // Clears, in every linked character, the slot that holds this node.
    void ReleaseCharacterSlots();
    RWyxNode* FindTarget(const char* listName) const;
    bool ConnectTarget(const char* listName, RWyxNode* node);
    RWyxNodeAttribute* AttributeOfType(int typeId) const;
    // The nodes of the subtree, each once, depth first in child order (a node before its
    // children): the nodes a name-clash collector lists.
    static std::vector<RWyxNode*> SubtreeNodes(RWyxNode* top);
    // Lists the subtree's nodes and answers what FindEntityClash answers (-1 for null).
    int CheckSubtree(RWyxEntityContainer* entity, bool asRoot, std::vector<RWyxNode*>& nodes);

    RWyxNodeProperties* properties_ = nullptr;  // owned; ends through Destroy()
    std::unique_ptr<RWyxNodeLimits> limits_;
    std::vector<RString> pendingChildNames_;
    RWyxEntityContainer* entity_ = nullptr;
    RVector4 postTargetRotation_;
    RVector4 upTargetRotation_;
    RWyxNodeAttribute* attribute_ = nullptr;  // the factory's
    int shadingMode_ = 3;
    int cullingMode_ = 0;
    bool multiLayer_ = false;
    int multiTake_ = 1;
    std::unique_ptr<Evaluated> evaluation_;  // made at the first evaluation
    int evaluationId_ = -1;
    int marked_ = 0;
    // Set by AddChild while it links a subtree it has found free to join the new parent's
    // container: the link does not check the same again, nor does the join its node names.
    bool joinChecked_ = false;
    std::vector<CharacterLink> characterLinks_;
    RError error_;
    RWyxObjectFactory* factory_;
};

#endif
